// The shader versions the assembler and the scanner know, by name.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/win/types.h"

namespace shader_asm {

struct TargetRow {
  std::string_view name;
  std::uint32_t versionToken;
  std::uint32_t flags;
};

// Row flag: the name may start a shader.
inline constexpr std::uint32_t kTargetAssemble = 1;

// Binary search over the names (case-sensitive). D3DERR_INVALIDCALL for a null name, E_FAIL
// when the name is unknown or its row lacks one of `requiredFlags`.
HRESULT lookupTarget(const char* name, std::uint32_t requiredFlags, const TargetRow** row);
// The same for a name that is not NUL-terminated.
const TargetRow* findTarget(std::string_view name, std::uint32_t requiredFlags);

}  // namespace shader_asm
