// The assembler's per-version tables: shader versions, instructions, registers, declaration
// usages, sampler kinds and comparisons. Rows read like the language reference: one column per
// shader version, in ShaderVersionIndex order.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string_view>

#include "platform/d3d9/shader_tokens.h"

namespace shader_asm {

// Column order of every per-version table.
enum class ShaderVersionIndex : std::uint8_t {
  vs_1_1,
  vs_2_0,
  vs_2_x,
  vs_2_sw,
  vs_3_0,
  vs_3_sw,
  ps_1_1,
  ps_1_2,
  ps_1_3,
  ps_1_4,
  ps_2_0,
  ps_2_x,
  ps_2_sw,
  ps_3_0,
  ps_3_sw,
};
inline constexpr std::size_t kShaderVersionCount = 15;

// The version token of each column.
inline constexpr std::array<std::uint32_t, kShaderVersionCount> kVersionTokens = {
    0xFFFE0101, 0xFFFE0200, 0xFFFE0201, 0xFFFE02FF, 0xFFFE0300, 0xFFFE03FF, 0xFFFF0101, 0xFFFF0102,
    0xFFFF0103, 0xFFFF0104, 0xFFFF0200, 0xFFFF0201, 0xFFFF02FF, 0xFFFF0300, 0xFFFF03FF,
};

// False for a version token that no column describes.
bool versionIndexOf(std::uint32_t versionToken, ShaderVersionIndex& index);

constexpr bool isVertexShader(ShaderVersionIndex v) { return v <= ShaderVersionIndex::vs_3_sw; }
constexpr bool isPixelShader1x(ShaderVersionIndex v) {
  return v >= ShaderVersionIndex::ps_1_1 && v <= ShaderVersionIndex::ps_1_4;
}
constexpr bool isPixelShader2OrLater(ShaderVersionIndex v) { return v >= ShaderVersionIndex::ps_2_0; }
constexpr bool isVersion3(ShaderVersionIndex v) {
  return v == ShaderVersionIndex::vs_3_0 || v == ShaderVersionIndex::vs_3_sw || v == ShaderVersionIndex::ps_3_0 ||
         v == ShaderVersionIndex::ps_3_sw;
}
constexpr std::size_t column(ShaderVersionIndex v) { return static_cast<std::size_t>(v); }

// ---- instructions ----

// Operand code of an instruction in one version.
enum class OperandForm : std::uint8_t {
  Absent,          // '-': not in this version
  Operands,        // n operands, the first the destination
  OneSource,       // S1
  TwoSources,      // S2
  DefineFloats,    // F: destination and four floats
  DefineIntegers,  // I: destination and four integers
  DefineBoolean,   // B: destination and true/false
};

struct OperandCode {
  OperandForm form;
  std::uint8_t count;  // operands for OperandForm::Operands
};

// Codes as written in the rows: '0'-'5' operand counts, 's' S1, 'S' S2, 'F', 'I', 'B', '-'.
constexpr OperandCode operandCodeOf(char code) {
  switch (code) {
    case 's': return {OperandForm::OneSource, 1};
    case 'S': return {OperandForm::TwoSources, 2};
    case 'F': return {OperandForm::DefineFloats, 5};
    case 'I': return {OperandForm::DefineIntegers, 5};
    case 'B': return {OperandForm::DefineBoolean, 2};
    case '-': return {OperandForm::Absent, 0};
    default: return {OperandForm::Operands, static_cast<std::uint8_t>(code - '0')};
  }
}

struct InstructionRow {
  std::string_view name;
  std::uint32_t opcode;    // bits 16-23 carry texldp/texldb controls
  std::string_view codes;  // one operand code per ShaderVersionIndex

  constexpr OperandCode operands(ShaderVersionIndex v) const { return operandCodeOf(codes[column(v)]); }
  constexpr DWORD baseOpcode() const { return opcode & D3DSI_OPCODE_MASK; }
};

// clang-format off
// One operand code per ShaderVersionIndex column, vs_1_1 first and ps_3_sw last.
inline constexpr InstructionRow kInstructionTable[] = {
    {"nop",           0,       "000000000000000"},
    {"mov",           1,       "222222222222222"},
    {"add",           2,       "333333333333333"},
    {"sub",           3,       "333333333333333"},
    {"mad",           4,       "444444444444444"},
    {"mul",           5,       "333333333333333"},
    {"rcp",           6,       "222222----22222"},
    {"rsq",           7,       "222222----22222"},
    {"dp3",           8,       "333333333333333"},
    {"dp4",           9,       "333333-33333333"},
    {"min",           10,      "333333----33333"},
    {"max",           11,      "333333----33333"},
    {"slt",           12,      "333333---------"},
    {"sge",           13,      "333333---------"},
    {"exp",           14,      "222222----22222"},
    {"log",           15,      "222222----22222"},
    {"lit",           16,      "222222---------"},
    {"dst",           17,      "333333---------"},
    {"lrp",           18,      "-44444444444444"},
    {"frc",           19,      "222222----22222"},
    {"m4x4",          20,      "333333----33333"},
    {"m4x3",          21,      "333333----33333"},
    {"m3x4",          22,      "333333----33333"},
    {"m3x3",          23,      "333333----33333"},
    {"m3x2",          24,      "333333----33333"},
    {"call",          25,      "-sssss-----ssss"},
    {"callnz",        26,      "-SSSSS-----SSSS"},
    {"loop",          27,      "-SSSSS-------SS"},
    {"ret",           28,      "-00000-----0000"},
    {"endloop",       29,      "-00000-------00"},
    {"label",         30,      "-sssss-----ssss"},
    {"dcl",           31,      "111111----11111"},
    {"pow",           32,      "-33333----33333"},
    {"crs",           33,      "-33333----33333"},
    {"sgn",           34,      "-44444---------"},
    {"abs",           35,      "-22222----22222"},
    {"nrm",           36,      "-22222----22222"},
    {"sincos",        37,      "-44422----44422"},
    {"rep",           38,      "-sssss-----ssss"},
    {"endrep",        39,      "-00000-----0000"},
    {"if",            40,      "-sssss----sssss"},
    {"else",          42,      "-00000----00000"},
    {"endif",         43,      "-00000----00000"},
    {"break",         44,      "-00000-----0000"},
    {"breakp",        96,      "--ssss-----ssss"},
    {"mova",          46,      "-22222---------"},
    {"texcoord",      64,      "------111------"},
    {"texcrd",        64,      "---------2-----"},
    {"texkill",       65,      "------111111111"},
    {"tex",           66,      "------111------"},
    {"texld",         66,      "---------233333"},
    {"texldp",        0x10042, "----------33333"},
    {"texldb",        0x20042, "----------33333"},
    {"texbem",        67,      "------222------"},
    {"texbeml",       68,      "------222------"},
    {"texreg2ar",     69,      "------222------"},
    {"texreg2gb",     70,      "------222------"},
    {"texm3x2pad",    71,      "------222------"},
    {"texm3x2tex",    72,      "------222------"},
    {"texm3x3pad",    73,      "------222------"},
    {"texm3x3tex",    74,      "------222------"},
    {"texm3x3spec",   76,      "------333------"},
    {"texm3x3vspec",  77,      "------222------"},
    {"expp",          78,      "222222---------"},
    {"logp",          79,      "222222---------"},
    {"cnd",           80,      "------4444-----"},
    {"def",           81,      "FFFFFFFFFFFFFFF"},
    {"defi",          48,      "-IIIII-----IIII"},
    {"defb",          47,      "-BBBBB----BBBBB"},
    {"texreg2rgb",    82,      "-------22------"},
    {"texdp3tex",     83,      "-------22------"},
    {"texm3x2depth",  84,      "--------2------"},
    {"texdp3",        85,      "-------22------"},
    {"texm3x3",       86,      "-------22------"},
    {"texdepth",      87,      "---------1-----"},
    {"cmp",           88,      "-------44444444"},
    {"bem",           89,      "---------3-----"},
    {"dp2add",        90,      "----------44444"},
    {"dsx",           91,      "-----------2222"},
    {"dsy",           92,      "-----------2222"},
    {"texldd",        93,      "-----------5555"},
    {"setp",          94,      "--3333-----3333"},
    {"texldl",        95,      "----33-------33"},
    {"phase",         0xFFFD,  "---------0-----"},
    {"if_c",          41,      "--SSSS-----SSSS"},
    {"break_c",       45,      "--SSSS-----SSSS"},
};
// clang-format on
inline constexpr std::size_t kInstructionCount = std::size(kInstructionTable);
// Rows searched by name; the last two are reached only through if/break with a comparison.
inline constexpr std::size_t kNamedInstructionCount = 84;
static_assert(kInstructionCount == 86);

constexpr bool instructionTableWellFormed() {
  for (const InstructionRow& row : kInstructionTable) {
    if (row.codes.size() != kShaderVersionCount) return false;
    for (char c : row.codes) {
      if (std::string_view("012345sSFIB-").find(c) == std::string_view::npos) return false;
    }
  }
  return kInstructionTable[84].name == "if_c" && kInstructionTable[85].name == "break_c";
}
static_assert(instructionTableWellFormed());

// Index into kInstructionTable of a named row (the first 84), or -1.
int findInstruction(std::string_view name);
const InstructionRow& instructionRow(std::string_view name);  // for rows known to exist

// ---- registers ----

inline constexpr int NA = std::numeric_limits<int>::min();  // the register does not exist

struct RegisterRow {
  std::string_view prefix;
  std::uint32_t type;                           // D3DSPR_*
  int fixedNumber;                              // the number of a named single register, else -1
  std::array<int, kShaderVersionCount> counts;  // n: r0..r(n-1); -n: indexable; 0: single, no number
  bool scalar;
};

// clang-format off
inline constexpr RegisterRow kRegisterTable[] = {
    {"v", D3DSPR_INPUT, -1, {16, 16, 16, 16, -16, -16, 2, 2, 2, 2, 2, 2, 2, -10, -14}, false},
    {"r", D3DSPR_TEMP, -1, {12, 12, 32, 32, 32, 32, 2, 2, 2, 6, 12, 32, 32, 32, 32}, false},
    {"c", D3DSPR_CONST, -1, {-8192, -8192, -8192, -8192, -8192, -8192, 8, 8, 8, 8, 32, 32, 8192, 224, 8192}, false},
    {"a", D3DSPR_ADDR, -1, {1, 1, 1, 1, 1, 1, NA, NA, NA, NA, NA, NA, NA, NA, NA}, false},
    {"t", D3DSPR_TEXTURE, -1, {NA, NA, NA, NA, NA, NA, 4, 4, 4, 6, 8, 8, 8, NA, NA}, false},
    {"oPos", D3DSPR_RASTOUT, D3DSRO_POSITION, {0, 0, 0, 0, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA}, false},
    {"oPts", D3DSPR_RASTOUT, D3DSRO_POINT_SIZE, {0, 0, 0, 0, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA}, true},
    {"oFog", D3DSPR_RASTOUT, D3DSRO_FOG, {0, 0, 0, 0, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA}, true},
    {"oD", D3DSPR_ATTROUT, -1, {2, 2, 2, 2, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA}, false},
    {"oT", D3DSPR_TEXCRDOUT, -1, {8, 8, 8, 8, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA}, false},
    {"i", D3DSPR_CONSTINT, -1, {NA, 16, 16, 2048, 16, 2048, NA, NA, NA, NA, NA, 16, 2048, 16, 2048}, false},
    {"oC", D3DSPR_COLOROUT, -1, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, 4, 4, 4, 4, 4}, false},
    {"oDepth", D3DSPR_DEPTHOUT, -1, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, 0, 0, 0, 0, 0}, true},
    {"s", D3DSPR_SAMPLER, -1, {NA, NA, NA, NA, 4, 4, NA, NA, NA, NA, 16, 16, 16, 16, 16}, false},
    {"b", D3DSPR_CONSTBOOL, -1, {NA, 16, 16, 2048, 16, 2048, NA, NA, NA, NA, 16, 16, 2048, 16, 2048}, true},
    {"aL", D3DSPR_LOOP, -1, {NA, 0, 0, 0, 0, 0, NA, NA, NA, NA, NA, NA, NA, 0, 0}, true},
    {"vPos", D3DSPR_MISCTYPE, D3DSMO_POSITION, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, 0, 0}, false},
    {"vFace", D3DSPR_MISCTYPE, D3DSMO_FACE, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, 0, 0}, true},
    {"l", D3DSPR_LABEL, -1, {NA, 16, 16, 2048, 2048, 2048, NA, NA, NA, NA, NA, 16, 2048, 2048, 2048}, true},
    {"p", D3DSPR_PREDICATE, -1, {NA, NA, 1, 1, 1, 1, NA, NA, NA, NA, NA, 1, 1, 1, 1}, false},
    {"o", D3DSPR_OUTPUT, -1, {NA, NA, NA, NA, -12, -16, NA, NA, NA, NA, NA, NA, NA, NA, NA}, false},
};
// clang-format on
static_assert(std::size(kRegisterTable) == 21);

// The row whose prefix equals `letters`, or null.
const RegisterRow* findRegister(std::string_view letters);

// ---- declaration usages, sampler kinds, comparisons ----

struct NamedValue {
  std::string_view name;
  std::uint32_t value;
};

inline constexpr NamedValue kDeclarationUsages[] = {
    {"position", 0}, {"blendweight", 1}, {"blendindices", 2}, {"normal", 3},     {"psize", 4},
    {"texcoord", 5}, {"tangent", 6},     {"binormal", 7},     {"tessfactor", 8}, {"positiont", 9},
    {"color", 10},   {"fog", 11},        {"depth", 12},       {"sample", 13},
};
inline constexpr NamedValue kSamplerKinds[] = {{"2d", 2}, {"cube", 3}, {"volume", 4}};
inline constexpr NamedValue kComparisons[] = {{"gt", 1}, {"eq", 2}, {"ge", 3}, {"lt", 4}, {"ne", 5}, {"le", 6}};
static_assert(std::size(kDeclarationUsages) == 14);

template <std::size_t N>
constexpr const NamedValue* findNamed(const NamedValue (&table)[N], std::string_view name) {
  for (const NamedValue& entry : table) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

}  // namespace shader_asm
