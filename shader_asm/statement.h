// One parsed assembly statement, after its operand rules were applied: what the encoder turns
// into tokens.
#pragma once

#include <array>
#include <cstdint>

#include "platform/d3d9/shader_tokens.h"
#include "shader_asm/name_decoder.h"
#include "shader_asm/token.h"

namespace shader_asm {

struct RegisterOperand {
  const RegisterRow* row = nullptr;
  std::uint32_t type = 0;    // D3DSPR_*, constant banks applied
  std::uint32_t number = 0;  // within its type
  DWORD suffixModifier = D3DSPSM_NONE;
  bool relative = false;
  // The register of a relative index ([a0.x + 2]): type, number, swizzle.
  std::uint32_t addressType = 0;
  std::uint32_t addressNumber = 0;
  DWORD addressSwizzle = D3DSP_NOSWIZZLE;
  DWORD addressModifier = D3DSPSM_NONE;
  bool addressIndexed = false;  // the index register is itself indexed
};

enum class SourcePrefix : std::uint8_t { None, Negate, Not, Complement };

struct Operand {
  Token location;
  RegisterOperand reg;
  bool selectorWritten = false;  // a mask or swizzle after '.'
  Token selector;                // its text
  DWORD mask = D3DSP_WRITEMASK_ALL;
  DWORD swizzle = D3DSP_NOSWIZZLE;
  SourcePrefix prefix = SourcePrefix::None;
  std::uint32_t complementValue = 0;
  DWORD modifier = D3DSPSM_NONE;  // the source modifier to encode
};

inline constexpr std::size_t kMaxOperands = 5;

struct Statement {
  Token location;  // the instruction name
  DecodedInstruction instruction;
  bool coissue = false;
  bool predicated = false;
  Operand predicate;
  std::array<Operand, kMaxOperands> operands;
  std::size_t operandCount = 0;
  bool hasDestination = false;
  std::array<DWORD, 4> values{};  // def / defi / defb raw words
};

// The modifier with its negation toggled (sub written as add); modifiers that have no negated
// form come back unchanged.
constexpr DWORD negated(DWORD modifier) {
  switch (modifier) {
    case D3DSPSM_NONE: return D3DSPSM_NEG;
    case D3DSPSM_NEG: return D3DSPSM_NONE;
    case D3DSPSM_BIAS: return D3DSPSM_BIASNEG;
    case D3DSPSM_BIASNEG: return D3DSPSM_BIAS;
    case D3DSPSM_SIGN: return D3DSPSM_SIGNNEG;
    case D3DSPSM_SIGNNEG: return D3DSPSM_SIGN;
    case D3DSPSM_X2: return D3DSPSM_X2NEG;
    case D3DSPSM_X2NEG: return D3DSPSM_X2;
    case D3DSPSM_ABS: return D3DSPSM_ABSNEG;
    case D3DSPSM_ABSNEG: return D3DSPSM_ABS;
    default: return modifier;
  }
}

}  // namespace shader_asm
