#include "platform/d3d9/shader_program.h"

#include <cstring>

namespace platform::d3d9 {
namespace {

using namespace shader_tokens;

// Instructions whose first parameter is not a destination.
bool hasDestination(DWORD op) {
  switch (op) {
    case D3DSIO_NOP:
    case D3DSIO_CALL:
    case D3DSIO_CALLNZ:
    case D3DSIO_LOOP:
    case D3DSIO_RET:
    case D3DSIO_ENDLOOP:
    case D3DSIO_LABEL:
    case D3DSIO_REP:
    case D3DSIO_ENDREP:
    case D3DSIO_IF:
    case D3DSIO_IFC:
    case D3DSIO_ELSE:
    case D3DSIO_ENDIF:
    case D3DSIO_BREAK:
    case D3DSIO_BREAKC:
    case D3DSIO_BREAKP: return false;
    default: return true;
  }
}

class Decoder {
 public:
  Decoder(const std::vector<DWORD>& tokens, ShaderProgram* program) : tokens_(tokens), program_(*program) {}

  bool run() {
    if (tokens_.empty()) return false;
    DWORD version = tokens_[0];
    if (!isVertexShaderVersion(version) && !isPixelShaderVersion(version)) return false;
    program_ = {};
    program_.pixel = isPixelShaderVersion(version);
    program_.major = versionMajor(version);
    program_.minor = versionMinor(version) == 0xFF ? 1 : versionMinor(version);  // the sw versions act as 2_x / 3_0
    if (program_.major >= 3) program_.minor = 0;
    modern_ = program_.major >= 2;
    program_.labels.assign(2048, -1);
    std::size_t position = 1;
    while (position < tokens_.size()) {
      DWORD token = tokens_[position];
      if (isEnd(token)) break;
      DWORD op = opcode(token);
      if (op == D3DSIO_COMMENT) {
        position += 1 + commentLength(token);
        continue;
      }
      std::size_t length = 0;
      if (modern_) {
        length = instructionLength(token);
      } else if (op == D3DSIO_DEF) {
        length = 5;
      } else {
        while (position + 1 + length < tokens_.size() && (tokens_[position + 1 + length] & D3DSP_PARAMETER_BIT)) {
          ++length;
        }
      }
      if (position + 1 + length > tokens_.size()) return false;
      if (!instruction(token, &tokens_[position + 1], length)) return false;
      position += 1 + length;
    }
    if (!blocks_.empty()) return false;
    program_.mainEnd = static_cast<int>(program_.code.size());
    for (std::size_t i = 0; i < program_.code.size(); ++i) {
      if (program_.code[i].opcode == D3DSIO_LABEL) {
        program_.mainEnd = static_cast<int>(i);
        break;
      }
    }
    return true;
  }

 private:
  bool instruction(DWORD token, const DWORD* words, std::size_t length) {
    DWORD op = opcode(token);
    std::size_t at = 0;
    if (op == D3DSIO_PHASE) return true;  // ps_1_4 phases share one register file here
    if (op == D3DSIO_DEF || op == D3DSIO_DEFI || op == D3DSIO_DEFB) {
      if (length < 2) return false;
      DWORD index = static_cast<DWORD>(constantIndex(words[0]) >= 0 ? constantIndex(words[0])
                                                                    : static_cast<int>(registerNumber(words[0])));
      if (op == D3DSIO_DEFB) {
        program_.boolDefinitions.emplace_back(index, static_cast<BOOL>(words[1] != 0));
        return true;
      }
      if (length < 5) return false;
      if (op == D3DSIO_DEF) {
        std::array<float, 4> values{};
        std::memcpy(values.data(), words + 1, sizeof values);
        program_.floatDefinitions.emplace_back(index, values);
      } else {
        std::array<int, 4> values{};
        std::memcpy(values.data(), words + 1, sizeof values);
        program_.integerDefinitions.emplace_back(index, values);
      }
      return true;
    }
    if (op == D3DSIO_DCL) {
      if (length < 2) return false;
      ShaderDeclaration declaration;
      declaration.type = registerType(words[1]);
      declaration.number = registerNumber(words[1]);
      declaration.usage = declarationUsage(words[0]);
      declaration.usageIndex = declarationUsageIndex(words[0]);
      declaration.textureType = samplerTextureType(words[0]);
      declaration.mask = static_cast<BYTE>(writeMask(words[1]) >> D3DSP_WRITEMASK_SHIFT);
      program_.declarations.push_back(declaration);
      return true;
    }

    ShaderInstruction in;
    in.opcode = op;
    in.controls = specificControls(token) >> D3DSP_OPCODESPECIFICCONTROL_SHIFT;
    in.predicated = isPredicated(token);
    in.coissue = isCoissued(token);
    if (hasDestination(op)) {
      if (!operand(words, length, &at, &in.destination, true)) return false;
      in.hasDestination = true;
    }
    if (in.predicated && !operand(words, length, &at, &in.predicate, false)) return false;
    while (at < length) {
      if (in.sourceCount == in.sources.size()) return false;
      if (!operand(words, length, &at, &in.sources[in.sourceCount++], false)) return false;
    }
    // 1.x address reads name a0.x without an address token.
    return flowControl(&in);
  }

  bool operand(const DWORD* words, std::size_t length, std::size_t* at, ShaderOperand* out, bool destination) {
    if (*at >= length) return false;
    DWORD word = words[(*at)++];
    out->type = registerType(word);
    out->number = registerNumber(word);
    int constant = constantIndex(word);
    if (constant >= 0) {
      out->type = D3DSPR_CONST;
      out->number = static_cast<DWORD>(constant);
    }
    if (destination) {
      out->mask = static_cast<BYTE>(writeMask(word) >> D3DSP_WRITEMASK_SHIFT);
      out->saturate = (resultModifiers(word) & D3DSPDM_SATURATE) != 0;
      out->partialPrecision = (resultModifiers(word) & D3DSPDM_PARTIALPRECISION) != 0;
      out->shift = shiftScale(word);
    } else {
      for (unsigned c = 0; c < 4; ++c) out->swizzle[c] = static_cast<BYTE>(swizzleComponent(word, c));
      out->modifier = static_cast<BYTE>(sourceModifier(word) >> D3DSP_SRCMOD_SHIFT);
    }
    if (isRelative(word)) {
      out->relative = true;
      if (modern_) {
        if (*at >= length) return false;
        DWORD address = words[(*at)++];
        out->relativeType = registerType(address);
        out->relativeComponent = static_cast<BYTE>(swizzleComponent(address, 0));
      }
    }
    return true;
  }

  bool flowControl(ShaderInstruction* in) {
    int index = static_cast<int>(program_.code.size());
    switch (in->opcode) {
      case D3DSIO_IF:
      case D3DSIO_IFC: blocks_.push_back(index); break;
      case D3DSIO_ELSE:
        if (blocks_.empty() || !isIf(blocks_.back())) return false;
        program_.code[static_cast<std::size_t>(blocks_.back())].target = index;
        blocks_.back() = index;
        break;
      case D3DSIO_ENDIF:
        if (blocks_.empty() || !(isIf(blocks_.back()) || at(blocks_.back()).opcode == D3DSIO_ELSE)) return false;
        program_.code[static_cast<std::size_t>(blocks_.back())].target = index;
        blocks_.pop_back();
        break;
      case D3DSIO_LOOP:
      case D3DSIO_REP:
        blocks_.push_back(index);
        loops_.push_back(index);
        break;
      case D3DSIO_ENDLOOP:
      case D3DSIO_ENDREP: {
        if (blocks_.empty() || loops_.empty() || blocks_.back() != loops_.back()) return false;
        DWORD start = at(blocks_.back()).opcode;
        if ((in->opcode == D3DSIO_ENDLOOP) != (start == D3DSIO_LOOP)) return false;
        program_.code[static_cast<std::size_t>(blocks_.back())].target = index;
        in->target = blocks_.back();
        blocks_.pop_back();
        loops_.pop_back();
        break;
      }
      case D3DSIO_BREAK:
      case D3DSIO_BREAKC:
      case D3DSIO_BREAKP:
        if (loops_.empty()) return false;
        in->target = loops_.back();
        break;
      case D3DSIO_LABEL:
        if (in->sourceCount < 1 || in->sources[0].number >= program_.labels.size()) return false;
        program_.labels[in->sources[0].number] = index;
        break;
      default: break;
    }
    program_.code.push_back(*in);
    return true;
  }

  bool isIf(int index) const {
    DWORD op = at(index).opcode;
    return op == D3DSIO_IF || op == D3DSIO_IFC;
  }
  const ShaderInstruction& at(int index) const { return program_.code[static_cast<std::size_t>(index)]; }

  const std::vector<DWORD>& tokens_;
  ShaderProgram& program_;
  bool modern_ = false;
  std::vector<int> blocks_;
  std::vector<int> loops_;
};

}  // namespace

bool decodeShaderProgram(const std::vector<DWORD>& tokens, ShaderProgram* program) {
  return Decoder(tokens, program).run();
}

}  // namespace platform::d3d9
