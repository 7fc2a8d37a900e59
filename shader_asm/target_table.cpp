#include "shader_asm/target_table.h"

#include <algorithm>
#include <iterator>

#include "platform/win/result_codes.h"

namespace shader_asm {
namespace {

constexpr TargetRow kTargetTable[] = {
    {"ps", 0xFFFF0000, 0},      {"ps.1.0", 0xFFFF0100, 3},  {"ps.1.1", 0xFFFF0101, 3},  {"ps.1.2", 0xFFFF0102, 3},
    {"ps.1.3", 0xFFFF0103, 3},  {"ps.1.4", 0xFFFF0104, 3},  {"ps.2.0", 0xFFFF0200, 3},  {"ps.2.sw", 0xFFFF02FF, 3},
    {"ps.2.x", 0xFFFF0201, 1},  {"ps.3.0", 0xFFFF0300, 1},  {"ps.3.sw", 0xFFFF03FF, 1}, {"ps_1_0", 0xFFFF0100, 3},
    {"ps_1_1", 0xFFFF0101, 3},  {"ps_1_2", 0xFFFF0102, 3},  {"ps_1_3", 0xFFFF0103, 3},  {"ps_1_4", 0xFFFF0104, 3},
    {"ps_2_0", 0xFFFF0200, 3},  {"ps_2_sw", 0xFFFF02FF, 3}, {"ps_2_x", 0xFFFF0201, 1},  {"ps_3_0", 0xFFFF0300, 1},
    {"ps_3_sw", 0xFFFF03FF, 1}, {"tx", 0x54580000, 0},      {"tx_1_0", 0x54580100, 6},  {"vs", 0xFFFE0000, 0},
    {"vs.1.0", 0xFFFE0100, 3},  {"vs.1.1", 0xFFFE0101, 3},  {"vs.2.0", 0xFFFE0200, 3},  {"vs.2.sw", 0xFFFE02FF, 3},
    {"vs.2.x", 0xFFFE0201, 1},  {"vs.3.0", 0xFFFE0300, 1},  {"vs.3.sw", 0xFFFE03FF, 1}, {"vs_1_0", 0xFFFE0100, 3},
    {"vs_1_1", 0xFFFE0101, 3},  {"vs_2_0", 0xFFFE0200, 3},  {"vs_2_sw", 0xFFFE02FF, 3}, {"vs_2_x", 0xFFFE0201, 1},
    {"vs_3_0", 0xFFFE0300, 1},  {"vs_3_sw", 0xFFFE03FF, 1},
};
static_assert(std::size(kTargetTable) == 38);
static_assert(std::is_sorted(std::begin(kTargetTable), std::end(kTargetTable),
                             [](const TargetRow& a, const TargetRow& b) { return a.name < b.name; }),
              "the target table is searched by binary search");

}  // namespace

const TargetRow* findTarget(std::string_view name, std::uint32_t requiredFlags) {
  auto row = std::lower_bound(std::begin(kTargetTable), std::end(kTargetTable), name,
                              [](const TargetRow& entry, std::string_view key) { return entry.name < key; });
  if (row == std::end(kTargetTable) || row->name != name) return nullptr;
  if ((row->flags & requiredFlags) != requiredFlags) return nullptr;
  return row;
}

HRESULT lookupTarget(const char* name, std::uint32_t requiredFlags, const TargetRow** row) {
  if (name == nullptr) return D3DERR_INVALIDCALL;
  const TargetRow* found = findTarget(name, requiredFlags);
  if (row != nullptr) *row = found;
  return found != nullptr ? S_OK : E_FAIL;
}

}  // namespace shader_asm
