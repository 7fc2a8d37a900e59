// The structure check of shader token streams, shared by shader creation and by the validator
// object the module exports.
#include "platform/d3d9/shader_validator.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

#include "platform/d3d9/shader_tokens.h"

namespace platform::d3d9 {
namespace {

using namespace shader_tokens;

// Shader versions as major << 8 | minor; 2_x is 2.1.
constexpr DWORD k11 = 0x0101, k12 = 0x0102, k13 = 0x0103, k14 = 0x0104, k20 = 0x0200, k2x = 0x0201, k30 = 0x0300;
constexpr DWORD kNever = 0xFFFF;

// Validator message codes (the message type is always an error).
enum FaultCode : DWORD {
  kBadVersion = 1,
  kUnknownOpcode = 2,
  kOpcodeNotInVersion = 3,
  kWrongLength = 4,
  kMissingParameterBit = 5,
  kBadRegister = 6,
  kBadControls = 7,
  kMissingEnd = 8,
  kAfterEnd = 9,
  kTruncated = 10,
  kNotBegun = 11,
  kBadDeclaration = 12,
  kBadModifier = 13,
};
inline constexpr DWORD kErrorMessage = 2;
// def: the instruction token, the register and four values.
constexpr std::size_t kDefLength = 6;

struct Fault {
  DWORD code = 0;
  const char* message = nullptr;
};

// One row per instruction: destination count, source count, and the version ranges in which
// vertex and pixel shaders have it.
struct OpcodeRow {
  DWORD opcode;
  BYTE destinations;
  BYTE sources;
  DWORD vsFirst, vsLast, psFirst, psLast;
};

constexpr OpcodeRow kOpcodes[] = {
    {D3DSIO_NOP, 0, 0, k11, k30, k11, k30},
    {D3DSIO_MOV, 1, 1, k11, k30, k11, k30},
    {D3DSIO_ADD, 1, 2, k11, k30, k11, k30},
    {D3DSIO_SUB, 1, 2, k11, k30, k11, k30},
    {D3DSIO_MAD, 1, 3, k11, k30, k11, k30},
    {D3DSIO_MUL, 1, 2, k11, k30, k11, k30},
    {D3DSIO_RCP, 1, 1, k11, k30, k20, k30},
    {D3DSIO_RSQ, 1, 1, k11, k30, k20, k30},
    {D3DSIO_DP3, 1, 2, k11, k30, k11, k30},
    {D3DSIO_DP4, 1, 2, k11, k30, k12, k30},
    {D3DSIO_MIN, 1, 2, k11, k30, k20, k30},
    {D3DSIO_MAX, 1, 2, k11, k30, k20, k30},
    {D3DSIO_SLT, 1, 2, k11, k30, kNever, 0},
    {D3DSIO_SGE, 1, 2, k11, k30, kNever, 0},
    {D3DSIO_EXP, 1, 1, k11, k30, k20, k30},
    {D3DSIO_LOG, 1, 1, k11, k30, k20, k30},
    {D3DSIO_LIT, 1, 1, k11, k30, kNever, 0},
    {D3DSIO_DST, 1, 2, k11, k30, kNever, 0},
    {D3DSIO_LRP, 1, 3, k20, k30, k11, k30},
    {D3DSIO_FRC, 1, 1, k11, k30, k20, k30},
    {D3DSIO_M4x4, 1, 2, k11, k30, k20, k30},
    {D3DSIO_M4x3, 1, 2, k11, k30, k20, k30},
    {D3DSIO_M3x4, 1, 2, k11, k30, k20, k30},
    {D3DSIO_M3x3, 1, 2, k11, k30, k20, k30},
    {D3DSIO_M3x2, 1, 2, k11, k30, k20, k30},
    {D3DSIO_CALL, 0, 1, k20, k30, k2x, k30},
    {D3DSIO_CALLNZ, 0, 2, k20, k30, k2x, k30},
    {D3DSIO_LOOP, 0, 2, k20, k30, k30, k30},
    {D3DSIO_RET, 0, 0, k20, k30, k2x, k30},
    {D3DSIO_ENDLOOP, 0, 0, k20, k30, k30, k30},
    {D3DSIO_LABEL, 0, 1, k20, k30, k2x, k30},
    {D3DSIO_DCL, 1, 0, k11, k30, k20, k30},  // a declaration token precedes the destination
    {D3DSIO_POW, 1, 2, k20, k30, k20, k30},
    {D3DSIO_CRS, 1, 2, k20, k30, k20, k30},
    {D3DSIO_SGN, 1, 3, k20, k30, kNever, 0},
    {D3DSIO_ABS, 1, 1, k20, k30, k20, k30},
    {D3DSIO_NRM, 1, 1, k20, k30, k20, k30},
    {D3DSIO_SINCOS, 1, 3, k20, k30, k20, k30},  // one source in 3_0
    {D3DSIO_REP, 0, 1, k20, k30, k2x, k30},
    {D3DSIO_ENDREP, 0, 0, k20, k30, k2x, k30},
    {D3DSIO_IF, 0, 1, k20, k30, k2x, k30},
    {D3DSIO_IFC, 0, 2, k2x, k30, k2x, k30},
    {D3DSIO_ELSE, 0, 0, k20, k30, k2x, k30},
    {D3DSIO_ENDIF, 0, 0, k20, k30, k2x, k30},
    {D3DSIO_BREAK, 0, 0, k2x, k30, k2x, k30},
    {D3DSIO_BREAKC, 0, 2, k2x, k30, k2x, k30},
    {D3DSIO_MOVA, 1, 1, k20, k30, kNever, 0},
    {D3DSIO_DEFB, 1, 1, k20, k30, k20, k30},       // one value word
    {D3DSIO_DEFI, 1, 4, k20, k30, k20, k30},       // four value words
    {D3DSIO_TEXCOORD, 1, 0, kNever, 0, k11, k14},  // one source in 1_4
    {D3DSIO_TEXKILL, 1, 0, kNever, 0, k11, k30},
    {D3DSIO_TEX, 1, 0, kNever, 0, k11, k30},  // one source in 1_4, two from 2_0
    {D3DSIO_TEXBEM, 1, 1, kNever, 0, k11, k13},
    {D3DSIO_TEXBEML, 1, 1, kNever, 0, k11, k13},
    {D3DSIO_TEXREG2AR, 1, 1, kNever, 0, k11, k13},
    {D3DSIO_TEXREG2GB, 1, 1, kNever, 0, k11, k13},
    {D3DSIO_TEXM3x2PAD, 1, 1, kNever, 0, k11, k13},
    {D3DSIO_TEXM3x2TEX, 1, 1, kNever, 0, k11, k13},
    {D3DSIO_TEXM3x3PAD, 1, 1, kNever, 0, k11, k13},
    {D3DSIO_TEXM3x3TEX, 1, 1, kNever, 0, k11, k13},
    {D3DSIO_TEXM3x3SPEC, 1, 2, kNever, 0, k11, k13},
    {D3DSIO_TEXM3x3VSPEC, 1, 1, kNever, 0, k11, k13},
    {D3DSIO_EXPP, 1, 1, k11, k30, kNever, 0},
    {D3DSIO_LOGP, 1, 1, k11, k30, kNever, 0},
    {D3DSIO_CND, 1, 3, kNever, 0, k11, k14},
    {D3DSIO_DEF, 1, 4, k11, k30, k11, k30},  // four value words
    {D3DSIO_TEXREG2RGB, 1, 1, kNever, 0, k12, k13},
    {D3DSIO_TEXDP3TEX, 1, 1, kNever, 0, k12, k13},
    {D3DSIO_TEXM3x2DEPTH, 1, 1, kNever, 0, k13, k13},
    {D3DSIO_TEXDP3, 1, 1, kNever, 0, k12, k13},
    {D3DSIO_TEXM3x3, 1, 1, kNever, 0, k12, k13},
    {D3DSIO_TEXDEPTH, 1, 0, kNever, 0, k14, k14},
    {D3DSIO_CMP, 1, 3, kNever, 0, k12, k30},
    {D3DSIO_BEM, 1, 2, kNever, 0, k14, k14},
    {D3DSIO_DP2ADD, 1, 3, kNever, 0, k20, k30},
    {D3DSIO_DSX, 1, 1, kNever, 0, k2x, k30},
    {D3DSIO_DSY, 1, 1, kNever, 0, k2x, k30},
    {D3DSIO_TEXLDD, 1, 4, kNever, 0, k2x, k30},
    {D3DSIO_SETP, 1, 2, k2x, k30, k2x, k30},
    {D3DSIO_TEXLDL, 1, 2, k30, k30, k30, k30},
    {D3DSIO_BREAKP, 0, 1, k2x, k30, k2x, k30},
    {D3DSIO_PHASE, 0, 0, kNever, 0, k14, k14},
};

constexpr bool opcodesAreSorted() {
  for (std::size_t i = 1; i < std::size(kOpcodes); ++i) {
    if (kOpcodes[i - 1].opcode >= kOpcodes[i].opcode) return false;
  }
  return true;
}
static_assert(opcodesAreSorted(), "opcode rows in value order, each once");

const OpcodeRow* findOpcode(DWORD opcode) {
  auto found = std::lower_bound(std::begin(kOpcodes), std::end(kOpcodes), opcode,
                                [](const OpcodeRow& row, DWORD value) { return row.opcode < value; });
  return found != std::end(kOpcodes) && found->opcode == opcode ? found : nullptr;
}

// How a register type may be used: read, written, both.
enum Access : BYTE { kRead = 1, kWrite = 2, kReadWrite = 3 };

struct RegisterRow {
  DWORD type;
  DWORD count;
  Access access;
};

// The registers of each version.
struct VersionRegisters {
  ShaderKind kind;
  DWORD version;
  std::array<RegisterRow, 16> registers;
};

constexpr DWORD kNoType = 0xFF;
constexpr RegisterRow kEnd{kNoType, 0, kRead};

constexpr VersionRegisters kVersions[] = {
    {ShaderKind::vertex,
     k11,
     {{{D3DSPR_TEMP, 12, kReadWrite},
       {D3DSPR_INPUT, 16, kRead},
       {D3DSPR_CONST, 256, kRead},
       {D3DSPR_ADDR, 1, kReadWrite},
       {D3DSPR_RASTOUT, 3, kWrite},
       {D3DSPR_ATTROUT, 2, kWrite},
       {D3DSPR_TEXCRDOUT, 8, kWrite},
       kEnd}}},
    {ShaderKind::vertex,
     k20,
     {{{D3DSPR_TEMP, 12, kReadWrite},
       {D3DSPR_INPUT, 16, kRead},
       {D3DSPR_CONST, 256, kRead},
       {D3DSPR_ADDR, 1, kReadWrite},
       {D3DSPR_RASTOUT, 3, kWrite},
       {D3DSPR_ATTROUT, 2, kWrite},
       {D3DSPR_TEXCRDOUT, 8, kWrite},
       {D3DSPR_CONSTINT, 16, kRead},
       {D3DSPR_CONSTBOOL, 16, kRead},
       {D3DSPR_LOOP, 1, kRead},
       {D3DSPR_LABEL, 2048, kRead},
       kEnd}}},
    {ShaderKind::vertex,
     k2x,
     {{{D3DSPR_TEMP, 32, kReadWrite},
       {D3DSPR_INPUT, 16, kRead},
       {D3DSPR_CONST, 256, kRead},
       {D3DSPR_ADDR, 1, kReadWrite},
       {D3DSPR_RASTOUT, 3, kWrite},
       {D3DSPR_ATTROUT, 2, kWrite},
       {D3DSPR_TEXCRDOUT, 8, kWrite},
       {D3DSPR_CONSTINT, 16, kRead},
       {D3DSPR_CONSTBOOL, 16, kRead},
       {D3DSPR_LOOP, 1, kRead},
       {D3DSPR_LABEL, 2048, kRead},
       {D3DSPR_PREDICATE, 1, kReadWrite},
       kEnd}}},
    {ShaderKind::vertex,
     k30,
     {{{D3DSPR_TEMP, 32, kReadWrite},
       {D3DSPR_INPUT, 16, kRead},
       {D3DSPR_CONST, 256, kRead},
       {D3DSPR_ADDR, 1, kReadWrite},
       {D3DSPR_OUTPUT, 12, kWrite},
       {D3DSPR_CONSTINT, 16, kRead},
       {D3DSPR_CONSTBOOL, 16, kRead},
       {D3DSPR_LOOP, 1, kRead},
       {D3DSPR_LABEL, 2048, kRead},
       {D3DSPR_PREDICATE, 1, kReadWrite},
       {D3DSPR_SAMPLER, 4, kRead},
       kEnd}}},
    {ShaderKind::pixel,
     k11,
     {{{D3DSPR_TEMP, 2, kReadWrite},
       {D3DSPR_INPUT, 2, kRead},
       {D3DSPR_CONST, 8, kRead},
       {D3DSPR_TEXTURE, 4, kReadWrite},
       kEnd}}},
    {ShaderKind::pixel,
     k12,
     {{{D3DSPR_TEMP, 2, kReadWrite},
       {D3DSPR_INPUT, 2, kRead},
       {D3DSPR_CONST, 8, kRead},
       {D3DSPR_TEXTURE, 4, kReadWrite},
       kEnd}}},
    {ShaderKind::pixel,
     k13,
     {{{D3DSPR_TEMP, 2, kReadWrite},
       {D3DSPR_INPUT, 2, kRead},
       {D3DSPR_CONST, 8, kRead},
       {D3DSPR_TEXTURE, 4, kReadWrite},
       kEnd}}},
    {ShaderKind::pixel,
     k14,
     {{{D3DSPR_TEMP, 6, kReadWrite},
       {D3DSPR_INPUT, 2, kRead},
       {D3DSPR_CONST, 8, kRead},
       {D3DSPR_TEXTURE, 6, kReadWrite},
       kEnd}}},
    {ShaderKind::pixel,
     k20,
     {{{D3DSPR_TEMP, 12, kReadWrite},
       {D3DSPR_INPUT, 2, kRead},
       {D3DSPR_CONST, 32, kRead},
       {D3DSPR_TEXTURE, 8, kRead},
       {D3DSPR_SAMPLER, 16, kRead},
       {D3DSPR_COLOROUT, 4, kWrite},
       {D3DSPR_DEPTHOUT, 1, kWrite},
       {D3DSPR_CONSTINT, 16, kRead},
       {D3DSPR_CONSTBOOL, 16, kRead},
       kEnd}}},
    {ShaderKind::pixel,
     k2x,
     {{{D3DSPR_TEMP, 32, kReadWrite},
       {D3DSPR_INPUT, 2, kRead},
       {D3DSPR_CONST, 32, kRead},
       {D3DSPR_TEXTURE, 8, kRead},
       {D3DSPR_SAMPLER, 16, kRead},
       {D3DSPR_COLOROUT, 4, kWrite},
       {D3DSPR_DEPTHOUT, 1, kWrite},
       {D3DSPR_CONSTINT, 16, kRead},
       {D3DSPR_CONSTBOOL, 16, kRead},
       {D3DSPR_PREDICATE, 1, kReadWrite},
       {D3DSPR_LABEL, 2048, kRead},
       kEnd}}},
    {ShaderKind::pixel,
     k30,
     {{{D3DSPR_TEMP, 32, kReadWrite},
       {D3DSPR_INPUT, 10, kRead},
       {D3DSPR_CONST, 224, kRead},
       {D3DSPR_SAMPLER, 16, kRead},
       {D3DSPR_COLOROUT, 4, kWrite},
       {D3DSPR_DEPTHOUT, 1, kWrite},
       {D3DSPR_CONSTINT, 16, kRead},
       {D3DSPR_CONSTBOOL, 16, kRead},
       {D3DSPR_LOOP, 1, kRead},
       {D3DSPR_LABEL, 2048, kRead},
       {D3DSPR_PREDICATE, 1, kReadWrite},
       {D3DSPR_MISCTYPE, 2, kRead},
       kEnd}}},
};

const VersionRegisters* findVersion(ShaderKind kind, DWORD version) {
  for (const VersionRegisters& row : kVersions) {
    if (row.kind == kind && row.version == version) return &row;
  }
  return nullptr;
}

// Checks statements of one stream; keeps the version between calls.
class StreamChecker {
 public:
  explicit StreamChecker(ShaderKind kind) : kind_(kind) {}
  // A checker that takes the shader kind from the version token.
  StreamChecker() = default;

  bool started() const { return registers_ != nullptr; }
  bool ended() const { return ended_; }

  Fault checkVersion(DWORD token) {
    ShaderKind kind = isPixelShaderVersion(token) ? ShaderKind::pixel : ShaderKind::vertex;
    if (!isPixelShaderVersion(token) && !isVertexShaderVersion(token))
      return {kBadVersion, "unknown shader version token"};
    if (kind_ && *kind_ != kind) return {kBadVersion, "shader version is of the other shader kind"};
    version_ = token & 0xFFFF;
    registers_ = findVersion(kind, version_);
    if (!registers_) return {kBadVersion, "shader version not supported"};
    return {};
  }

  // The words one statement takes from `words` (the instruction token and what follows), or 0
  // with a fault. `available` bounds what may be read.
  std::size_t statementLength(const DWORD* words, std::size_t available, Fault* fault) const {
    DWORD token = words[0];
    if (isEnd(token)) return 1;
    if (isComment(token)) {
      if (token & D3DSP_PARAMETER_BIT) {
        *fault = {kMissingParameterBit, "comment token has bit 31 set"};
        return 0;
      }
      std::size_t length = 1 + commentLength(token);
      if (length > available) {
        *fault = {kTruncated, "comment runs past the end of the stream"};
        return 0;
      }
      return length;
    }
    if (token & D3DSP_PARAMETER_BIT) {
      *fault = {kMissingParameterBit, "instruction token has bit 31 set"};
      return 0;
    }
    if (versionHasInstructionLength(version_)) {
      std::size_t length = 1 + instructionLength(token);
      if (length > available) {
        *fault = {kTruncated, "instruction runs past the end of the stream"};
        return 0;
      }
      return length;
    }
    // 1.x tokens carry no length: the parameters are the words with bit 31 set, except for the
    // raw values of def, which has a fixed length.
    if (opcode(token) == D3DSIO_DEF) {
      if (kDefLength > available) {
        *fault = {kTruncated, "instruction runs past the end of the stream"};
        return 0;
      }
      return kDefLength;
    }
    std::size_t length = 1;
    while (length < available && (words[length] & D3DSP_PARAMETER_BIT)) ++length;
    return length;
  }

  Fault checkStatement(const DWORD* words, std::size_t length) {
    DWORD token = words[0];
    if (ended_) return {kAfterEnd, "tokens after the end token"};
    if (isEnd(token)) {
      ended_ = true;
      return {};
    }
    if (isComment(token)) return {};
    const OpcodeRow* row = findOpcode(opcode(token));
    if (!row) return {kUnknownOpcode, "unknown instruction"};
    bool pixel = registers_->kind == ShaderKind::pixel;
    DWORD first = pixel ? row->psFirst : row->vsFirst;
    DWORD last = pixel ? row->psLast : row->vsLast;
    if (version_ < first || version_ > last)
      return {kOpcodeNotInVersion, "instruction not available in this shader version"};
    if (Fault fault = checkControls(token, row->opcode); fault.code) return fault;
    std::size_t position = 1;
    auto parameter = [&](DWORD* value) -> bool {
      if (position >= length) return false;
      *value = words[position++];
      return true;
    };
    auto missing = Fault{kWrongLength, "instruction has the wrong number of parameters"};
    DWORD op = row->opcode;
    // Every parameter has bit 31 set; the values a definition carries are raw words.
    const bool definition = op == D3DSIO_DEF || op == D3DSIO_DEFI || op == D3DSIO_DEFB;
    for (std::size_t i = 1; i < (definition ? std::min<std::size_t>(length, 2) : length); ++i) {
      if (!(words[i] & D3DSP_PARAMETER_BIT)) return {kMissingParameterBit, "parameter token without bit 31"};
    }
    if (definition) {
      DWORD destination = 0;
      if (!parameter(&destination)) return missing;
      DWORD wanted = op == D3DSIO_DEF ? D3DSPR_CONST : op == D3DSIO_DEFI ? D3DSPR_CONSTINT : D3DSPR_CONSTBOOL;
      if (registerType(destination) != wanted || !registerExists(destination)) {
        return {kBadRegister, "definition of a register that is not a constant of its kind"};
      }
      // The values are raw words, so only their count is checked.
      return length == 2u + row->sources ? Fault{} : missing;
    }
    if (op == D3DSIO_DCL) {
      DWORD declaration = 0;
      DWORD destination = 0;
      if (!parameter(&declaration) || !parameter(&destination) || position != length) return missing;
      if (!registerExists(destination)) return {kBadRegister, "declaration of a register this version lacks"};
      if (registerType(destination) == D3DSPR_SAMPLER) {
        DWORD textureType = samplerTextureType(declaration);
        if (textureType != D3DSTT_2D && textureType != D3DSTT_CUBE && textureType != D3DSTT_VOLUME) {
          return {kBadDeclaration, "sampler declared with an unknown texture type"};
        }
      } else if (declarationUsage(declaration) > D3DDECLUSAGE_SAMPLE) {
        return {kBadDeclaration, "declaration with an unknown usage"};
      }
      return {};
    }
    std::size_t sources = row->sources;
    if (op == D3DSIO_SINCOS && version_ == k30) sources = 1;
    if (op == D3DSIO_TEX) sources = version_ >= k20 ? 2 : version_ == k14 ? 1 : 0;
    if (op == D3DSIO_TEXCOORD) sources = version_ == k14 ? 1 : 0;
    if (row->destinations) {
      DWORD destination = 0;
      if (!parameter(&destination)) return missing;
      // texkill names the register it tests in the destination's place.
      Access needed = op == D3DSIO_TEXKILL ? kRead : kWrite;
      if (!registerExists(destination) || !(access(destination) & needed)) {
        return {kBadRegister, "destination register cannot be written in this version"};
      }
      if (writeMask(destination) == 0) return {kBadModifier, "destination writes no component"};
      if (isRelative(destination) && !skipAddressToken(words, length, &position)) return missing;
    }
    if (isPredicated(token)) {
      DWORD predicate = 0;
      if (!parameter(&predicate)) return missing;
      if (registerType(predicate) != D3DSPR_PREDICATE || !registerExists(predicate)) {
        return {kBadRegister, "predicate register expected"};
      }
    }
    for (std::size_t i = 0; i < sources; ++i) {
      DWORD source = 0;
      if (!parameter(&source)) return missing;
      if (!registerExists(source) || !(access(source) & kRead)) {
        return {kBadRegister, "source register cannot be read in this version"};
      }
      if (sourceModifier(source) > D3DSPSM_NOT) return {kBadModifier, "unknown source modifier"};
      if (isRelative(source) && !skipAddressToken(words, length, &position)) return missing;
    }
    return position == length ? Fault{} : missing;
  }

 private:
  Fault checkControls(DWORD token, DWORD op) const {
    DWORD controls = specificControls(token);
    switch (op) {
      case D3DSIO_IFC:
      case D3DSIO_BREAKC:
      case D3DSIO_SETP: {
        DWORD code = comparison(token);
        if (code == D3DSPC_RESERVED0 || code == D3DSPC_RESERVED1 || (controls & ~D3DSHADER_COMPARISON_MASK)) {
          return {kBadControls, "invalid comparison"};
        }
        return {};
      }
      case D3DSIO_TEX:
        if (controls & ~(D3DSI_TEXLD_PROJECT | D3DSI_TEXLD_BIAS)) return {kBadControls, "invalid texld controls"};
        if ((controls & D3DSI_TEXLD_PROJECT) && (controls & D3DSI_TEXLD_BIAS)) {
          return {kBadControls, "texld cannot both project and bias"};
        }
        if (controls && version_ < k20) return {kBadControls, "texldp and texldb need version 2.0"};
        return {};
      default: return controls ? Fault{kBadControls, "unexpected instruction controls"} : Fault{};
    }
  }

  // Relative addressing names its address register in a token of its own from 2.0 on.
  bool skipAddressToken(const DWORD* words, std::size_t length, std::size_t* position) const {
    if (version_ < k20) return true;
    if (*position >= length) return false;
    DWORD address = words[(*position)++];
    DWORD type = registerType(address);
    return type == D3DSPR_ADDR || type == D3DSPR_LOOP;
  }

  const RegisterRow* findRegister(DWORD token) const {
    DWORD type = registerType(token);
    for (const RegisterRow& row : registers_->registers) {
      if (row.type == kNoType) break;
      if (row.type == type) return &row;
    }
    return nullptr;
  }
  bool registerExists(DWORD token) const {
    const RegisterRow* row = findRegister(token);
    return row && registerNumber(token) < row->count;
  }
  Access access(DWORD token) const {
    const RegisterRow* row = findRegister(token);
    return row ? row->access : kRead;
  }

  std::optional<ShaderKind> kind_;
  DWORD version_ = 0;
  const VersionRegisters* registers_ = nullptr;
  bool ended_ = false;
};

// The validator object handed out by Direct3DShaderValidatorCreate9.
class ShaderValidator final : public IDirect3DShaderValidator9 {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown) {
      *object = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++referenceCount_; }
  ULONG Release() override {
    ULONG remaining = --referenceCount_;
    if (remaining == 0) delete this;
    return remaining;
  }

  HRESULT Begin(D3DSHADERVALIDATORCALLBACK callback, void* context, DWORD) override {
    callback_ = callback;
    context_ = context;
    checker_ = StreamChecker();
    begun_ = true;
    failed_ = false;
    return S_OK;
  }

  HRESULT Instruction(const char* file, UINT line, const DWORD* tokens, DWORD tokenCount) override {
    if (!begun_) return report(file, line, {kNotBegun, "validation was not begun"});
    if (tokenCount == 0) return S_OK;
    if (!tokens) return report(file, line, {kTruncated, "no tokens"});
    std::size_t position = 0;
    if (!checker_.started()) {
      if (Fault fault = checker_.checkVersion(tokens[0]); fault.code) return report(file, line, fault);
      position = 1;
    }
    while (position < tokenCount) {
      Fault fault;
      std::size_t length = checker_.statementLength(tokens + position, tokenCount - position, &fault);
      if (length == 0) return report(file, line, fault);
      if (Fault statementFault = checker_.checkStatement(tokens + position, length); statementFault.code) {
        return report(file, line, statementFault);
      }
      position += length;
    }
    return S_OK;
  }

  HRESULT End() override {
    if (!begun_) return E_FAIL;
    begun_ = false;
    if (!failed_ && !checker_.ended()) return report(nullptr, 0, {kMissingEnd, "shader has no end token"});
    return failed_ ? E_FAIL : S_OK;
  }

 private:
  ~ShaderValidator() = default;

  HRESULT report(const char* file, UINT line, const Fault& fault) {
    failed_ = true;
    if (callback_) callback_(file, static_cast<int>(line), kErrorMessage, fault.code, fault.message, context_);
    return E_FAIL;
  }

  ULONG referenceCount_ = 1;
  D3DSHADERVALIDATORCALLBACK callback_ = nullptr;
  void* context_ = nullptr;
  StreamChecker checker_;
  bool begun_ = false;
  bool failed_ = false;
};

}  // namespace

HRESULT validateShaderFunction(const DWORD* function, ShaderKind kind, std::vector<DWORD>* words) {
  if (!function) return D3DERR_INVALIDCALL;
  words->clear();
  StreamChecker checker(kind);
  if (checker.checkVersion(function[0]).code) return D3DERR_INVALIDCALL;
  words->push_back(function[0]);
  // The stream comes without its length: read statement by statement up to the end token,
  // within the longest stream a shader can have.
  constexpr std::size_t kMaximumWords = 1u << 20;
  std::size_t position = 1;
  while (!checker.ended()) {
    if (position >= kMaximumWords) return D3DERR_INVALIDCALL;
    Fault fault;
    std::size_t length = checker.statementLength(function + position, kMaximumWords - position, &fault);
    if (length == 0 || checker.checkStatement(function + position, length).code) return D3DERR_INVALIDCALL;
    words->insert(words->end(), function + position, function + position + length);
    position += length;
  }
  return D3D_OK;
}

}  // namespace platform::d3d9

IDirect3DShaderValidator9* Direct3DShaderValidatorCreate9() { return new platform::d3d9::ShaderValidator(); }
