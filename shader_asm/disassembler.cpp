#include "shader_asm/disassembler.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

#include "platform/d3d9/shader_tokens.h"
#include "shader_asm/tables.h"

namespace shader_asm {

using namespace shader_tokens;

namespace {

constexpr const char* kVersionNames[kShaderVersionCount] = {"vs_1_1",  "vs_2_0", "vs_2_x",  "vs_2_sw", "vs_3_0",
                                                            "vs_3_sw", "ps_1_1", "ps_1_2",  "ps_1_3",  "ps_1_4",
                                                            "ps_2_0",  "ps_2_x", "ps_2_sw", "ps_3_0",  "ps_3_sw"};

// Bounds-checked reader over the words.
class WordCursor {
 public:
  WordCursor(const DWORD* words, std::size_t count) : words_(words), count_(count) {}
  bool atEnd() const { return position_ >= count_; }
  std::size_t position() const { return position_; }
  std::size_t remaining() const { return count_ - position_; }
  std::optional<DWORD> next() {
    if (atEnd()) return std::nullopt;
    return words_[position_++];
  }

 private:
  const DWORD* words_;
  std::size_t count_;
  std::size_t position_ = 0;
};

std::string format(const char* pattern, auto... values) {
  char buffer[160];
  std::snprintf(buffer, sizeof buffer, pattern, values...);
  return buffer;
}

class Disassembler {
 public:
  Disassembler(const DWORD* words, std::size_t count) : cursor_(words, count) {}
  bool run(std::string& text, std::string& error);

 private:
  bool fail(std::string message) {
    error_ = format("word %zu: ", cursor_.position() == 0 ? 0 : cursor_.position() - 1) + message;
    return false;
  }
  bool read(DWORD& word, const char* what) {
    std::optional<DWORD> value = cursor_.next();
    if (!value) return fail(std::string("stream ends inside ") + what);
    word = *value;
    return true;
  }
  bool instruction(DWORD token);
  bool comment(DWORD token);
  const InstructionRow* findRow(DWORD token) const;
  bool registerName(DWORD token, std::string& name, std::uint32_t offset = 0, const std::string* index = nullptr);
  bool sourceText(DWORD token, bool allowAddressToken, std::string& text, bool predicate = false);
  bool relativeIndex(bool allowAddressToken, std::string& index);
  std::string swizzleText(DWORD swizzleBits) const;
  std::string maskText(DWORD mask) const;
  std::string floatText(DWORD bits) const;

  WordCursor cursor_;
  ShaderVersionIndex version_ = ShaderVersionIndex::vs_1_1;
  bool hasLength_ = false;
  std::string out_;
  std::string error_;
};

std::string Disassembler::swizzleText(DWORD bits) const {
  if ((bits & D3DSP_SWIZZLE_MASK) == D3DSP_NOSWIZZLE) return {};
  static constexpr char kLetters[] = "xyzw";
  std::string text;
  for (unsigned i = 0; i < 4; ++i) text += kLetters[swizzleComponent(bits, i)];
  while (text.size() > 1 && text[text.size() - 1] == text[text.size() - 2]) text.pop_back();
  return "." + text;
}

std::string Disassembler::maskText(DWORD mask) const {
  if (mask == D3DSP_WRITEMASK_ALL) return {};
  std::string text = ".";
  static constexpr char kLetters[] = "xyzw";
  for (unsigned i = 0; i < 4; ++i) {
    if ((mask & (D3DSP_WRITEMASK_0 << i)) != 0) text += kLetters[i];
  }
  return text;
}

// Readable where that is exact, else an exponent form the scanner reads back exactly.
std::string Disassembler::floatText(DWORD bits) const {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  std::string text = format("%.9g", static_cast<double>(value));
  if (text.find_first_not_of("-0123456789.") == std::string::npos) return text;
  text = format("%.8e", static_cast<double>(value));
  std::size_t plus = text.find('+');
  if (plus != std::string::npos) text.erase(plus, 1);
  return text;
}

const InstructionRow* Disassembler::findRow(DWORD token) const {
  DWORD opcodeWithControls = token & (D3DSI_OPCODE_MASK | D3DSP_OPCODESPECIFICCONTROL_MASK);
  DWORD op = opcode(token);
  for (const InstructionRow& row : kInstructionTable) {
    if (row.operands(version_).form == OperandForm::Absent) continue;
    bool comparing = op == D3DSIO_IFC || op == D3DSIO_BREAKC || op == D3DSIO_SETP;
    DWORD wanted = comparing ? op : opcodeWithControls;
    if (row.opcode == wanted) return &row;
  }
  return nullptr;
}

// The register's name in this version; `offset` adds to the number (relative constants).
bool Disassembler::registerName(DWORD token, std::string& name, std::uint32_t offset, const std::string* index) {
  DWORD type = registerType(token);
  std::uint32_t number = registerNumber(token) + offset;
  int constant = constantIndex(token);
  if (constant >= 0) {
    type = D3DSPR_CONST;
    number = static_cast<std::uint32_t>(constant) + offset;
  }
  bool vertex = isVertexShader(version_);
  for (const RegisterRow& row : kRegisterTable) {
    if (row.type != type || row.counts[column(version_)] == NA) continue;
    if (row.fixedNumber >= 0 && static_cast<std::uint32_t>(row.fixedNumber) != number) continue;
    if (type == D3DSPR_ADDR && ((vertex && row.prefix != "a") || (!vertex && row.prefix != "t"))) continue;
    if (type == D3DSPR_OUTPUT &&
        ((version_ == ShaderVersionIndex::vs_3_0 || version_ == ShaderVersionIndex::vs_3_sw) != (row.prefix == "o"))) {
      continue;
    }
    name = std::string(row.prefix);
    if (index != nullptr) {
      name += "[" + *index + (number != 0 ? format(" + %u", number) : std::string()) + "]";
    } else if (row.counts[column(version_)] != 0) {
      name += std::to_string(number);
    }
    return true;
  }
  return fail(format("register type %u is not in %s", type, kVersionNames[column(version_)]));
}

bool Disassembler::relativeIndex(bool allowAddressToken, std::string& index) {
  if (!allowAddressToken) {
    index = "a0.x";  // vs_1_1 has no address token and only this index register
    return true;
  }
  DWORD address = 0;
  if (!read(address, "a relative address")) return false;
  if (isRelative(address)) return fail("an address register cannot itself be indexed");
  DWORD modifier = sourceModifier(address);
  if (modifier != D3DSPSM_NONE && modifier != D3DSPSM_ABS) return fail("unexpected modifier on an address register");
  return sourceText(address, false, index);
}

// A source (or predicate) operand as text.
bool Disassembler::sourceText(DWORD token, bool allowAddressToken, std::string& text, bool predicate) {
  if ((token & D3DSP_PARAMETER_BIT) == 0) return fail("parameter token without bit 31");
  std::string index;
  std::string name;
  if (isRelative(token)) {
    if (!relativeIndex(allowAddressToken, index)) return false;
    DWORD plain = token & ~D3DSHADER_ADDRESSMODE_MASK;
    DWORD bank = makeRegister(registerType(plain), 0);
    std::uint32_t number = registerNumber(plain);
    if (!registerName(bank, name, number, &index)) return false;
  } else if (!registerName(token, name)) {
    return false;
  }
  std::string swizzle = swizzleText(token);
  struct ModifierText {
    DWORD modifier;
    const char* prefix;
    const char* suffix;
  };
  static constexpr ModifierText kModifiers[] = {
      {D3DSPSM_NONE, "", ""},          {D3DSPSM_NEG, "-", ""},     {D3DSPSM_BIAS, "", "_bias"},
      {D3DSPSM_BIASNEG, "-", "_bias"}, {D3DSPSM_SIGN, "", "_bx2"}, {D3DSPSM_SIGNNEG, "-", "_bx2"},
      {D3DSPSM_COMP, "1-", ""},        {D3DSPSM_X2, "", "_x2"},    {D3DSPSM_X2NEG, "-", "_x2"},
      {D3DSPSM_DZ, "", "_dz"},         {D3DSPSM_DW, "", "_dw"},    {D3DSPSM_ABS, "", "_abs"},
      {D3DSPSM_ABSNEG, "-", "_abs"},   {D3DSPSM_NOT, "!", ""},
  };
  for (const ModifierText& entry : kModifiers) {
    if (entry.modifier != sourceModifier(token)) continue;
    if (predicate && entry.modifier != D3DSPSM_NONE && entry.modifier != D3DSPSM_NOT) {
      return fail("unexpected modifier on a predicate");
    }
    if (*entry.suffix != '\0' && isRelative(token)) return fail("register suffix on an indexed register");
    text = entry.prefix + name + entry.suffix + swizzle;
    return true;
  }
  return fail(format("unknown source modifier %u", sourceModifier(token) >> D3DSP_SRCMOD_SHIFT));
}

bool Disassembler::comment(DWORD token) {
  DWORD length = commentLength(token);
  if (length > cursor_.remaining()) return fail("comment runs past the end of the stream");
  out_ += format("; comment, %u words", length);
  for (DWORD i = 0; i < length; ++i) {
    DWORD word = *cursor_.next();
    if (i % 8 == 0) out_ += "\n;";
    out_ += format(" %08X", word);
  }
  out_ += "\n";
  return true;
}

bool Disassembler::instruction(DWORD token) {
  if ((token & 0x80000000u) != 0) return fail(format("0x%08X is not an instruction token", token));
  const InstructionRow* row = findRow(token);
  if (row == nullptr) {
    return fail(format("opcode %u is not an instruction of %s", opcode(token), kVersionNames[column(version_)]));
  }
  std::size_t start = cursor_.position();
  OperandCode code = row->operands(version_);
  std::string name(row->name);
  if (name == "if_c") name = "if";
  if (name == "break_c") name = "break";
  if (row->baseOpcode() == D3DSIO_IFC || row->baseOpcode() == D3DSIO_BREAKC || row->baseOpcode() == D3DSIO_SETP) {
    DWORD compare = comparison(token);
    if (compare < 1 || compare > 6) return fail("invalid comparison");
    name += "_" + std::string(kComparisons[compare - 1].name);
  }
  std::string line;
  if (isCoissued(token)) line += "+ ";
  bool writesDestination = code.form != OperandForm::OneSource && code.form != OperandForm::TwoSources &&
                           !(code.form == OperandForm::Operands && code.count == 0);
  DWORD declaration = 0;
  if (row->baseOpcode() == D3DSIO_DCL && !read(declaration, "a declaration")) return false;
  DWORD destination = 0;
  std::string destinationText;
  if (writesDestination) {
    if (!read(destination, "a destination")) return false;
    if ((destination & D3DSP_PARAMETER_BIT) == 0) return fail("parameter token without bit 31");
    std::string index;
    std::string reg;
    if (isRelative(destination)) {
      if (version_ == ShaderVersionIndex::vs_1_1) return fail("indexed destination in vs_1_1");
      if (!relativeIndex(true, index)) return false;
      if (!registerName(makeRegister(registerType(destination), 0), reg, registerNumber(destination), &index)) {
        return false;
      }
    } else if (!registerName(destination, reg)) {
      return false;
    }
    destinationText = reg + maskText(writeMask(destination));
    int shift = shiftScale(destination);
    static constexpr const char* kShiftNames[] = {"_d8", "_d4", "_d2", "", "_x2", "_x4", "_x8"};
    if (shift < -3 || shift > 3) return fail("invalid shift scale");
    name += kShiftNames[shift + 3];
    DWORD modifiers = resultModifiers(destination);
    if ((modifiers & ~(D3DSPDM_SATURATE | D3DSPDM_PARTIALPRECISION | D3DSPDM_MSAMPCENTROID)) != 0) {
      return fail("unknown result modifier");
    }
    if ((modifiers & D3DSPDM_SATURATE) != 0) name += "_sat";
    if ((modifiers & D3DSPDM_PARTIALPRECISION) != 0) name += "_pp";
    if ((modifiers & D3DSPDM_MSAMPCENTROID) != 0 && row->baseOpcode() != D3DSIO_DCL) name += "_centroid";
  }
  if (row->baseOpcode() == D3DSIO_DCL) {
    DWORD kind = samplerTextureType(declaration);
    if (kind != 0) {
      bool found = false;
      for (const NamedValue& sampler : kSamplerKinds) {
        if (sampler.value << D3DSP_TEXTURETYPE_SHIFT == kind) {
          name += "_" + std::string(sampler.name);
          found = true;
        }
      }
      if (!found) return fail("unknown sampler kind");
    } else {
      DWORD usage = declarationUsage(declaration);
      DWORD usageIndex = declarationUsageIndex(declaration);
      bool pixel3 = version_ == ShaderVersionIndex::ps_3_0 || version_ == ShaderVersionIndex::ps_3_sw;
      bool named = isVertexShader(version_) || (pixel3 && (usage != 0 || usageIndex != 0));
      if (named) {
        if (usage >= std::size(kDeclarationUsages)) return fail("unknown declaration usage");
        name += "_" + std::string(kDeclarationUsages[usage].name) + (usageIndex != 0 ? std::to_string(usageIndex) : "");
      } else if (usage != 0 || usageIndex != 0) {
        return fail("declaration usage in a pixel shader before 3.0");
      }
    }
    if ((resultModifiers(destination) & D3DSPDM_MSAMPCENTROID) != 0) name += "_centroid";
  }
  std::string predicateText;
  if (isPredicated(token)) {
    DWORD predicate = 0;
    if (!read(predicate, "a predicate")) return false;
    if (!sourceText(predicate, false, predicateText, true)) return false;
    line += "(" + predicateText + ") ";
  }
  line += name;
  std::string operands = destinationText;
  auto addOperand = [&](const std::string& text) { operands += (operands.empty() ? " " : ", ") + text; };
  if (!operands.empty()) operands = " " + operands;
  bool allowAddressToken = version_ != ShaderVersionIndex::vs_1_1;
  switch (code.form) {
    case OperandForm::DefineFloats:
    case OperandForm::DefineIntegers:
      for (int i = 0; i < 4; ++i) {
        DWORD value = 0;
        if (!read(value, "a definition")) return false;
        addOperand(code.form == OperandForm::DefineFloats ? floatText(value)
                                                          : std::to_string(static_cast<std::int32_t>(value)));
      }
      break;
    case OperandForm::DefineBoolean: {
      DWORD value = 0;
      if (!read(value, "a definition")) return false;
      if (value > 1) return fail("boolean constant other than 0 or 1");
      addOperand(value != 0 ? "true" : "false");
      break;
    }
    default: {
      std::size_t sources = code.count - (writesDestination ? 1 : 0);
      for (std::size_t i = 0; i < sources; ++i) {
        DWORD source = 0;
        std::string text;
        if (!read(source, "a source") || !sourceText(source, allowAddressToken, text)) return false;
        addOperand(text);
      }
      break;
    }
  }
  if (hasLength_ && cursor_.position() - start != instructionLength(token)) {
    return fail(format("instruction length %u does not match its operands", instructionLength(token)));
  }
  if (!hasLength_ && instructionLength(token) != 0) return fail("instruction length field set before 2.0");
  out_ += line + operands + "\n";
  return true;
}

bool Disassembler::run(std::string& text, std::string& error) {
  DWORD version = 0;
  bool ok = read(version, "the version token");
  if (ok && !versionIndexOf(version, version_)) ok = fail(format("0x%08X is not a shader version", version));
  if (ok) {
    hasLength_ = versionHasInstructionLength(version);
    out_ = std::string(kVersionNames[column(version_)]) + "\n";
    bool ended = false;
    while (ok && !ended) {
      DWORD token = 0;
      if (!read(token, "the program (no end token)")) {
        ok = false;
      } else if (isEnd(token)) {
        ended = true;
      } else if (isComment(token)) {
        ok = comment(token);
      } else {
        ok = instruction(token);
      }
    }
    if (ok && !cursor_.atEnd()) ok = fail("words after the end token");
  }
  if (!ok) {
    error = error_;
    return false;
  }
  text = out_;
  return true;
}

}  // namespace

HRESULT disassembleShader(const DWORD* words, std::size_t count, std::string& text, std::string& error) {
  Disassembler disassembler(words, words == nullptr ? 0 : count);
  return disassembler.run(text, error) ? S_OK : ResultInvalidData;
}

}  // namespace shader_asm
