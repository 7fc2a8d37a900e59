#include "shader_asm/tables.h"

#include <algorithm>

namespace shader_asm {
namespace {

// The named instruction rows sorted by name, computed at compile time for binary search.
constexpr std::array<std::uint8_t, kNamedInstructionCount> sortedInstructionIndex() {
  std::array<std::uint8_t, kNamedInstructionCount> order{};
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::uint8_t>(i);
  std::sort(order.begin(), order.end(),
            [](std::uint8_t a, std::uint8_t b) { return kInstructionTable[a].name < kInstructionTable[b].name; });
  return order;
}
constexpr auto kSortedInstructions = sortedInstructionIndex();

constexpr bool namesAreUnique() {
  for (std::size_t i = 1; i < kSortedInstructions.size(); ++i) {
    if (kInstructionTable[kSortedInstructions[i - 1]].name == kInstructionTable[kSortedInstructions[i]].name) {
      return false;
    }
  }
  return true;
}
static_assert(namesAreUnique());

}  // namespace

bool versionIndexOf(std::uint32_t versionToken, ShaderVersionIndex& index) {
  auto found = std::find(kVersionTokens.begin(), kVersionTokens.end(), versionToken);
  if (found == kVersionTokens.end()) return false;
  index = static_cast<ShaderVersionIndex>(found - kVersionTokens.begin());
  return true;
}

int findInstruction(std::string_view name) {
  auto found =
      std::lower_bound(kSortedInstructions.begin(), kSortedInstructions.end(), name,
                       [](std::uint8_t row, std::string_view key) { return kInstructionTable[row].name < key; });
  if (found == kSortedInstructions.end() || kInstructionTable[*found].name != name) return -1;
  return *found;
}

const InstructionRow& instructionRow(std::string_view name) {
  for (const InstructionRow& row : kInstructionTable) {
    if (row.name == name) return row;
  }
  return kInstructionTable[0];
}

const RegisterRow* findRegister(std::string_view letters) {
  for (const RegisterRow& row : kRegisterTable) {
    if (row.prefix == letters) return &row;
  }
  return nullptr;
}

}  // namespace shader_asm
