// Decoding of instruction names ("mul_x2_sat", "dcl_texcoord1", "if_gt") and register names
// ("r5", "c", "oPos", "t1_bx2") against the tables of one shader version.
#pragma once

#include <cstdint>
#include <string_view>

#include "shader_asm/tables.h"

namespace shader_asm {

struct DecodedInstruction {
  const InstructionRow* row = nullptr;  // if/break with a comparison: the if_c/break_c row
  OperandCode operands{};
  bool saturate = false;
  bool centroid = false;
  bool partialPrecision = false;
  int shift = 0;  // 1 x2, 2 x4, 3 x8, -1 d2, -2 d4, -3 d8
  bool hasSamplerKind = false;
  std::uint32_t samplerKind = 0;
  bool hasUsage = false;
  std::uint32_t usage = 0;
  std::uint32_t usageIndex = 0;
  std::uint32_t comparison = 0;
};

enum class NameStatus {
  Instruction,
  NotInstruction,    // an ordinary identifier
  InvalidInVersion,  // 2023
  InvalidModifiers,  // 2024
};

NameStatus decodeInstructionName(std::string_view name, ShaderVersionIndex version, DecodedInstruction& decoded);

// What a register name says before any index is applied.
struct RegisterName {
  const RegisterRow* row = nullptr;
  bool hasNumber = false;
  std::uint32_t number = 0;
  DWORD modifier = D3DSPSM_NONE;  // from a suffix such as _bx2 or _abs
};

// False when the name is no register of this version (error 2005): unknown letters, a register
// the version lacks, malformed digits, or a suffix the version does not allow.
bool decodeRegisterName(std::string_view name, ShaderVersionIndex version, RegisterName& decoded);

}  // namespace shader_asm
