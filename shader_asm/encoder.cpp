#include "shader_asm/encoder.h"

namespace shader_asm {

namespace {

using namespace shader_tokens;

#ifdef PRISM_SMALL_LIMITS
constexpr std::size_t kInitialWords = 4;
#else
constexpr std::size_t kInitialWords = 256;
#endif

bool hasAddressToken(const Operand& operand, ShaderVersionIndex version) {
  return operand.reg.relative && version != ShaderVersionIndex::vs_1_1;
}

bool isDefinition(const Statement& statement) {
  OperandForm form = statement.instruction.operands.form;
  return form == OperandForm::DefineFloats || form == OperandForm::DefineIntegers || form == OperandForm::DefineBoolean;
}

DWORD addressToken(const RegisterOperand& reg) {
  return makeSource(reg.addressType, reg.addressNumber, reg.addressSwizzle, reg.addressModifier);
}

// vs_1_1 writes only the components these matrix instructions produce.
DWORD destinationMask(const Statement& statement, ShaderVersionIndex version) {
  DWORD mask = statement.operands[0].mask;
  if (version != ShaderVersionIndex::vs_1_1 || mask != D3DSP_WRITEMASK_ALL) return mask;
  DWORD opcode = statement.instruction.row->baseOpcode();
  if (opcode == D3DSIO_M4x3 || opcode == D3DSIO_M3x3) return D3DSP_WRITEMASK_0 | D3DSP_WRITEMASK_1 | D3DSP_WRITEMASK_2;
  if (opcode == D3DSIO_M3x2) return D3DSP_WRITEMASK_0 | D3DSP_WRITEMASK_1;
  return mask;
}

// vs_1_1 scalar instructions read w when no component was chosen.
DWORD sourceSwizzle(const Statement& statement, const Operand& operand, ShaderVersionIndex version) {
  if (version != ShaderVersionIndex::vs_1_1 || operand.swizzle != D3DSP_NOSWIZZLE) return operand.swizzle;
  switch (statement.instruction.row->baseOpcode()) {
    case D3DSIO_RCP:
    case D3DSIO_RSQ:
    case D3DSIO_EXP:
    case D3DSIO_LOG:
    case D3DSIO_EXPP:
    case D3DSIO_LOGP: return D3DSP_REPLICATEALPHA;
    default: return operand.swizzle;
  }
}

}  // namespace

TokenStream::TokenStream() { words_.reserve(kInitialWords); }

std::size_t encodedSize(const Statement& statement, ShaderVersionIndex version) {
  std::size_t size = 1;
  if (statement.instruction.row->baseOpcode() == D3DSIO_DCL) ++size;
  if (statement.predicated) ++size;
  OperandForm form = statement.instruction.operands.form;
  if (form == OperandForm::DefineFloats || form == OperandForm::DefineIntegers) return size + 1 + 4;
  if (form == OperandForm::DefineBoolean) return size + 1 + 1;
  for (std::size_t i = 0; i < statement.operandCount; ++i) {
    size += 1 + (hasAddressToken(statement.operands[i], version) ? 1 : 0);
  }
  return size;
}

std::size_t encodeStatement(const Statement& statement, ShaderVersionIndex version, TokenStream& stream) {
  std::size_t start = stream.size();
  const DecodedInstruction& instruction = statement.instruction;
  DWORD opcode = instruction.row->opcode;
  bool subAsAdd = instruction.row->baseOpcode() == D3DSIO_SUB && !isPixelShader1x(version);
  if (subAsAdd) opcode = D3DSIO_ADD;
  std::size_t length = encodedSize(statement, version) - 1;
  bool writesLength = versionHasInstructionLength(kVersionTokens[column(version)]);
  stream.append(makeInstruction(opcode, instruction.comparison, writesLength ? static_cast<DWORD>(length) : 0,
                                statement.predicated, statement.coissue));

  if (instruction.row->baseOpcode() == D3DSIO_DCL) {
    if (instruction.hasSamplerKind) {
      stream.append(makeSamplerDeclaration(instruction.samplerKind << D3DSP_TEXTURETYPE_SHIFT));
    } else if (instruction.hasUsage) {
      stream.append(makeUsageDeclaration(instruction.usage, instruction.usageIndex));
    } else {
      stream.append(D3DSP_PARAMETER_BIT);
    }
  }

  std::size_t first = 0;
  if (statement.hasDestination) {
    const Operand& destination = statement.operands[0];
    DWORD modifiers = (instruction.saturate ? D3DSPDM_SATURATE : 0u) |
                      (instruction.partialPrecision ? D3DSPDM_PARTIALPRECISION : 0u) |
                      (instruction.centroid ? D3DSPDM_MSAMPCENTROID : 0u);
    stream.append(makeDestination(destination.reg.type, destination.reg.number, destinationMask(statement, version),
                                  modifiers, instruction.shift, destination.reg.relative));
    if (hasAddressToken(destination, version)) stream.append(addressToken(destination.reg));
    first = 1;
  }

  if (statement.predicated) {
    const Operand& predicate = statement.predicate;
    stream.append(makeSource(predicate.reg.type, predicate.reg.number, predicate.swizzle, predicate.modifier));
  }

  if (isDefinition(statement)) {
    std::size_t count = instruction.operands.form == OperandForm::DefineBoolean ? 1 : 4;
    for (std::size_t i = 0; i < count; ++i) stream.append(statement.values[i]);
  } else {
    for (std::size_t i = first; i < statement.operandCount; ++i) {
      const Operand& source = statement.operands[i];
      DWORD modifier = source.modifier;
      if (subAsAdd && i == 2) modifier = negated(modifier);
      stream.append(makeSource(source.reg.type, source.reg.number, sourceSwizzle(statement, source, version), modifier,
                               source.reg.relative));
      if (hasAddressToken(source, version)) stream.append(addressToken(source.reg));
    }
  }
  return stream.size() - start;
}

}  // namespace shader_asm
