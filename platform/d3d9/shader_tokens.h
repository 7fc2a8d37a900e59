// The Direct3D 9 shader token format (vs_1_1 to vs_3_0, ps_1_1 to ps_3_0).
//
// A shader is a stream of little-endian 32-bit words: the version token, then instructions,
// then the end token. An instruction is an instruction token followed by its parameter tokens
// (destination first, then sources; a relatively addressed register is followed by one address
// token in vs_2_0 and later). `dcl` carries a declaration token before its destination, `def`,
// `defi` and `defb` carry raw values after it. A comment token is followed by its data words.
//
// The platform's published names are used unchanged for the values (D3DSIO_*, D3DSPR_*, ...);
// the small builders and accessors below live in namespace shader_tokens and are what the
// assembler, the validator and the interpreter use to read and write the fields.
#pragma once

#include "platform/d3d9/d3d9_types.h"
#include "platform/win/types.h"

// ---------------------------------------------------------------------------------------------
// Opcodes (bits 0-15 of an instruction token).
enum D3DSHADER_INSTRUCTION_OPCODE_TYPE : DWORD {
  D3DSIO_NOP = 0,
  D3DSIO_MOV = 1,
  D3DSIO_ADD = 2,
  D3DSIO_SUB = 3,
  D3DSIO_MAD = 4,
  D3DSIO_MUL = 5,
  D3DSIO_RCP = 6,
  D3DSIO_RSQ = 7,
  D3DSIO_DP3 = 8,
  D3DSIO_DP4 = 9,
  D3DSIO_MIN = 10,
  D3DSIO_MAX = 11,
  D3DSIO_SLT = 12,
  D3DSIO_SGE = 13,
  D3DSIO_EXP = 14,
  D3DSIO_LOG = 15,
  D3DSIO_LIT = 16,
  D3DSIO_DST = 17,
  D3DSIO_LRP = 18,
  D3DSIO_FRC = 19,
  D3DSIO_M4x4 = 20,
  D3DSIO_M4x3 = 21,
  D3DSIO_M3x4 = 22,
  D3DSIO_M3x3 = 23,
  D3DSIO_M3x2 = 24,
  D3DSIO_CALL = 25,
  D3DSIO_CALLNZ = 26,
  D3DSIO_LOOP = 27,
  D3DSIO_RET = 28,
  D3DSIO_ENDLOOP = 29,
  D3DSIO_LABEL = 30,
  D3DSIO_DCL = 31,
  D3DSIO_POW = 32,
  D3DSIO_CRS = 33,
  D3DSIO_SGN = 34,
  D3DSIO_ABS = 35,
  D3DSIO_NRM = 36,
  D3DSIO_SINCOS = 37,
  D3DSIO_REP = 38,
  D3DSIO_ENDREP = 39,
  D3DSIO_IF = 40,
  D3DSIO_IFC = 41,
  D3DSIO_ELSE = 42,
  D3DSIO_ENDIF = 43,
  D3DSIO_BREAK = 44,
  D3DSIO_BREAKC = 45,
  D3DSIO_MOVA = 46,
  D3DSIO_DEFB = 47,
  D3DSIO_DEFI = 48,

  D3DSIO_TEXCOORD = 64,  // texcrd in ps_1_4
  D3DSIO_TEXKILL = 65,
  D3DSIO_TEX = 66,  // texld in ps_1_4 and later
  D3DSIO_TEXBEM = 67,
  D3DSIO_TEXBEML = 68,
  D3DSIO_TEXREG2AR = 69,
  D3DSIO_TEXREG2GB = 70,
  D3DSIO_TEXM3x2PAD = 71,
  D3DSIO_TEXM3x2TEX = 72,
  D3DSIO_TEXM3x3PAD = 73,
  D3DSIO_TEXM3x3TEX = 74,
  D3DSIO_RESERVED0 = 75,
  D3DSIO_TEXM3x3SPEC = 76,
  D3DSIO_TEXM3x3VSPEC = 77,
  D3DSIO_EXPP = 78,
  D3DSIO_LOGP = 79,
  D3DSIO_CND = 80,
  D3DSIO_DEF = 81,
  D3DSIO_TEXREG2RGB = 82,
  D3DSIO_TEXDP3TEX = 83,
  D3DSIO_TEXM3x2DEPTH = 84,
  D3DSIO_TEXDP3 = 85,
  D3DSIO_TEXM3x3 = 86,
  D3DSIO_TEXDEPTH = 87,
  D3DSIO_CMP = 88,
  D3DSIO_BEM = 89,
  D3DSIO_DP2ADD = 90,
  D3DSIO_DSX = 91,
  D3DSIO_DSY = 92,
  D3DSIO_TEXLDD = 93,
  D3DSIO_SETP = 94,
  D3DSIO_TEXLDL = 95,
  D3DSIO_BREAKP = 96,

  D3DSIO_PHASE = 0xFFFD,
  D3DSIO_COMMENT = 0xFFFE,
  D3DSIO_END = 0xFFFF,
};

// ---------------------------------------------------------------------------------------------
// Instruction token fields.
inline constexpr DWORD D3DSI_OPCODE_MASK = 0x0000FFFF;
// Bits 16-23 hold opcode-specific controls: the comparison of ifc/breakc/setp, the texld
// variant flags.
inline constexpr DWORD D3DSP_OPCODESPECIFICCONTROL_SHIFT = 16;
inline constexpr DWORD D3DSP_OPCODESPECIFICCONTROL_MASK = 0x00FF0000;
inline constexpr DWORD D3DSI_TEXLD_PROJECT = 0x00010000;  // texldp
inline constexpr DWORD D3DSI_TEXLD_BIAS = 0x00020000;     // texldb
inline constexpr DWORD D3DSHADER_COMPARISON_SHIFT = 16;
inline constexpr DWORD D3DSHADER_COMPARISON_MASK = 0x00070000;
// Number of tokens that follow the instruction token; written from vs_2_0 and ps_2_0 on.
inline constexpr DWORD D3DSI_INSTLENGTH_SHIFT = 24;
inline constexpr DWORD D3DSI_INSTLENGTH_MASK = 0x0F000000;
inline constexpr DWORD D3DSHADER_INSTRUCTION_PREDICATED = 0x10000000;
inline constexpr DWORD D3DSI_COISSUE = 0x40000000;

enum D3DSHADER_COMPARISON : DWORD {
  D3DSPC_RESERVED0 = 0,
  D3DSPC_GT = 1,
  D3DSPC_EQ = 2,
  D3DSPC_GE = 3,
  D3DSPC_LT = 4,
  D3DSPC_NE = 5,
  D3DSPC_LE = 6,
  D3DSPC_RESERVED1 = 7,
};

// ---------------------------------------------------------------------------------------------
// Parameter token fields (destination, source, predicate and address tokens share them).
inline constexpr DWORD D3DSP_REGNUM_MASK = 0x000007FF;
// The register type is five bits split in two: bits 0-2 of the type in bits 28-30 of the
// token, bits 3-4 in bits 11-12.
inline constexpr DWORD D3DSP_REGTYPE_SHIFT = 28;
inline constexpr DWORD D3DSP_REGTYPE_SHIFT2 = 8;
inline constexpr DWORD D3DSP_REGTYPE_MASK = 0x70000000;
inline constexpr DWORD D3DSP_REGTYPE_MASK2 = 0x00001800;
inline constexpr DWORD D3DSHADER_ADDRESSMODE_SHIFT = 13;
inline constexpr DWORD D3DSHADER_ADDRESSMODE_MASK = 0x00002000;
inline constexpr DWORD D3DSHADER_ADDRMODE_ABSOLUTE = 0;
inline constexpr DWORD D3DSHADER_ADDRMODE_RELATIVE = 0x00002000;
// Every parameter, declaration and value token after an instruction token has bit 31 set.
inline constexpr DWORD D3DSP_PARAMETER_BIT = 0x80000000;

// Destination: write mask, result modifiers and shift scale.
inline constexpr DWORD D3DSP_WRITEMASK_0 = 0x00010000;  // x or red
inline constexpr DWORD D3DSP_WRITEMASK_1 = 0x00020000;  // y or green
inline constexpr DWORD D3DSP_WRITEMASK_2 = 0x00040000;  // z or blue
inline constexpr DWORD D3DSP_WRITEMASK_3 = 0x00080000;  // w or alpha
inline constexpr DWORD D3DSP_WRITEMASK_ALL = 0x000F0000;
inline constexpr DWORD D3DSP_WRITEMASK_SHIFT = 16;
inline constexpr DWORD D3DSP_DSTMOD_SHIFT = 20;
inline constexpr DWORD D3DSP_DSTMOD_MASK = 0x00F00000;
inline constexpr DWORD D3DSPDM_NONE = 0;
inline constexpr DWORD D3DSPDM_SATURATE = 1u << D3DSP_DSTMOD_SHIFT;
inline constexpr DWORD D3DSPDM_PARTIALPRECISION = 2u << D3DSP_DSTMOD_SHIFT;
inline constexpr DWORD D3DSPDM_MSAMPCENTROID = 4u << D3DSP_DSTMOD_SHIFT;
// Shift scale: a 4-bit signed count (x2 = 1, x4 = 2, x8 = 3, d8 = -3, d4 = -2, d2 = -1).
inline constexpr DWORD D3DSP_DSTSHIFT_SHIFT = 24;
inline constexpr DWORD D3DSP_DSTSHIFT_MASK = 0x0F000000;

// Source: swizzle and source modifier.
inline constexpr DWORD D3DSP_SWIZZLE_SHIFT = 16;
inline constexpr DWORD D3DSP_SWIZZLE_MASK = 0x00FF0000;
inline constexpr DWORD D3DSP_NOSWIZZLE = 0x00E40000;  // xyzw
inline constexpr DWORD D3DSP_REPLICATERED = 0x00000000;
inline constexpr DWORD D3DSP_REPLICATEGREEN = 0x00550000;
inline constexpr DWORD D3DSP_REPLICATEBLUE = 0x00AA0000;
inline constexpr DWORD D3DSP_REPLICATEALPHA = 0x00FF0000;
inline constexpr DWORD D3DSP_SRCMOD_SHIFT = 24;
inline constexpr DWORD D3DSP_SRCMOD_MASK = 0x0F000000;

enum D3DSHADER_PARAM_SRCMOD_TYPE : DWORD {
  D3DSPSM_NONE = 0u << 24,
  D3DSPSM_NEG = 1u << 24,
  D3DSPSM_BIAS = 2u << 24,
  D3DSPSM_BIASNEG = 3u << 24,
  D3DSPSM_SIGN = 4u << 24,  // bx2
  D3DSPSM_SIGNNEG = 5u << 24,
  D3DSPSM_COMP = 6u << 24,  // 1 - x
  D3DSPSM_X2 = 7u << 24,
  D3DSPSM_X2NEG = 8u << 24,
  D3DSPSM_DZ = 9u << 24,
  D3DSPSM_DW = 10u << 24,
  D3DSPSM_ABS = 11u << 24,
  D3DSPSM_ABSNEG = 12u << 24,
  D3DSPSM_NOT = 13u << 24,
};

// ---------------------------------------------------------------------------------------------
// Register types.
enum D3DSHADER_PARAM_REGISTER_TYPE : DWORD {
  D3DSPR_TEMP = 0,
  D3DSPR_INPUT = 1,
  D3DSPR_CONST = 2,
  D3DSPR_ADDR = 3,     // vertex shaders
  D3DSPR_TEXTURE = 3,  // pixel shaders
  D3DSPR_RASTOUT = 4,
  D3DSPR_ATTROUT = 5,
  D3DSPR_TEXCRDOUT = 6,
  D3DSPR_OUTPUT = 6,  // vs_3_0
  D3DSPR_CONSTINT = 7,
  D3DSPR_COLOROUT = 8,
  D3DSPR_DEPTHOUT = 9,
  D3DSPR_SAMPLER = 10,
  D3DSPR_CONST2 = 11,  // c2048-c4095
  D3DSPR_CONST3 = 12,  // c4096-c6143
  D3DSPR_CONST4 = 13,  // c6144-c8191
  D3DSPR_CONSTBOOL = 14,
  D3DSPR_LOOP = 15,
  D3DSPR_TEMPFLOAT16 = 16,
  D3DSPR_MISCTYPE = 17,
  D3DSPR_LABEL = 18,
  D3DSPR_PREDICATE = 19,
};

// Register numbers of D3DSPR_RASTOUT.
enum D3DVS_RASTOUT_OFFSETS : DWORD {
  D3DSRO_POSITION = 0,
  D3DSRO_FOG = 1,
  D3DSRO_POINT_SIZE = 2,
};
// Register numbers of D3DSPR_MISCTYPE.
enum D3DSHADER_MISCTYPE_OFFSETS : DWORD {
  D3DSMO_POSITION = 0,  // vPos
  D3DSMO_FACE = 1,      // vFace
};

// ---------------------------------------------------------------------------------------------
// Declaration token (the word between a dcl instruction token and its destination).
inline constexpr DWORD D3DSP_DCL_USAGE_SHIFT = 0;
inline constexpr DWORD D3DSP_DCL_USAGE_MASK = 0x0000000F;
inline constexpr DWORD D3DSP_DCL_USAGEINDEX_SHIFT = 16;
inline constexpr DWORD D3DSP_DCL_USAGEINDEX_MASK = 0x000F0000;
inline constexpr DWORD D3DSP_TEXTURETYPE_SHIFT = 27;
inline constexpr DWORD D3DSP_TEXTURETYPE_MASK = 0x78000000;

enum D3DSAMPLER_TEXTURE_TYPE : DWORD {
  D3DSTT_UNKNOWN = 0u << 27,
  D3DSTT_2D = 2u << 27,
  D3DSTT_CUBE = 3u << 27,
  D3DSTT_VOLUME = 4u << 27,
};

// ---------------------------------------------------------------------------------------------
// Comment and end tokens.
inline constexpr DWORD D3DSI_COMMENTSIZE_SHIFT = 16;
inline constexpr DWORD D3DSI_COMMENTSIZE_MASK = 0x7FFF0000;
inline constexpr DWORD D3DSHADER_COMMENT_MAX_WORDS = 0x7FFF;  // data words after the token
inline constexpr DWORD D3DVS_END_TOKEN = 0x0000FFFF;
inline constexpr DWORD D3DPS_END_TOKEN = 0x0000FFFF;

namespace shader_tokens {

// ---- version token ----
inline constexpr DWORD kVertexShaderVersionType = 0xFFFE0000;
inline constexpr DWORD kPixelShaderVersionType = 0xFFFF0000;
constexpr bool isVertexShaderVersion(DWORD version) { return (version & 0xFFFF0000) == kVertexShaderVersionType; }
constexpr bool isPixelShaderVersion(DWORD version) { return (version & 0xFFFF0000) == kPixelShaderVersionType; }
constexpr DWORD versionMajor(DWORD version) { return (version >> 8) & 0xFF; }
constexpr DWORD versionMinor(DWORD version) { return version & 0xFF; }
// True from vs_2_0 / ps_2_0 on, where instruction tokens carry their length.
constexpr bool versionHasInstructionLength(DWORD version) { return versionMajor(version) >= 2; }

// ---- instruction token ----
constexpr DWORD opcode(DWORD token) { return token & D3DSI_OPCODE_MASK; }
constexpr DWORD specificControls(DWORD token) { return token & D3DSP_OPCODESPECIFICCONTROL_MASK; }
constexpr DWORD comparison(DWORD token) { return (token & D3DSHADER_COMPARISON_MASK) >> D3DSHADER_COMPARISON_SHIFT; }
constexpr DWORD instructionLength(DWORD token) { return (token & D3DSI_INSTLENGTH_MASK) >> D3DSI_INSTLENGTH_SHIFT; }
constexpr bool isPredicated(DWORD token) { return (token & D3DSHADER_INSTRUCTION_PREDICATED) != 0; }
constexpr bool isCoissued(DWORD token) { return (token & D3DSI_COISSUE) != 0; }
constexpr bool isComment(DWORD token) { return opcode(token) == D3DSIO_COMMENT; }
constexpr bool isEnd(DWORD token) { return token == D3DVS_END_TOKEN; }

// `opcodeWithControls` may carry bits 16-23 (texldp, texldb); length is the number of tokens
// that follow (0 for 1.x shaders).
constexpr DWORD makeInstruction(DWORD opcodeWithControls, DWORD comparisonCode = 0, DWORD length = 0,
                                bool predicated = false, bool coissued = false) {
  return (opcodeWithControls & (D3DSI_OPCODE_MASK | D3DSP_OPCODESPECIFICCONTROL_MASK)) |
         ((comparisonCode << D3DSHADER_COMPARISON_SHIFT) & D3DSHADER_COMPARISON_MASK) |
         ((length << D3DSI_INSTLENGTH_SHIFT) & D3DSI_INSTLENGTH_MASK) |
         (predicated ? D3DSHADER_INSTRUCTION_PREDICATED : 0u) | (coissued ? D3DSI_COISSUE : 0u);
}

// ---- parameter tokens ----
constexpr DWORD registerNumber(DWORD token) { return token & D3DSP_REGNUM_MASK; }
constexpr DWORD registerType(DWORD token) {
  return ((token & D3DSP_REGTYPE_MASK) >> D3DSP_REGTYPE_SHIFT) |
         ((token & D3DSP_REGTYPE_MASK2) >> D3DSP_REGTYPE_SHIFT2);
}
constexpr bool isRelative(DWORD token) { return (token & D3DSHADER_ADDRESSMODE_MASK) != 0; }
constexpr DWORD writeMask(DWORD token) { return token & D3DSP_WRITEMASK_ALL; }
constexpr DWORD resultModifiers(DWORD token) { return token & D3DSP_DSTMOD_MASK; }
// The shift scale as a signed count: 1 = x2, -1 = d2, ...
constexpr int shiftScale(DWORD token) {
  int field = static_cast<int>((token & D3DSP_DSTSHIFT_MASK) >> D3DSP_DSTSHIFT_SHIFT);
  return field >= 8 ? field - 16 : field;
}
constexpr DWORD swizzle(DWORD token) { return token & D3DSP_SWIZZLE_MASK; }
// The input component (0 = x ... 3 = w) that output component `component` reads.
constexpr DWORD swizzleComponent(DWORD token, unsigned component) {
  return (token >> (D3DSP_SWIZZLE_SHIFT + 2 * component)) & 3;
}
constexpr DWORD sourceModifier(DWORD token) { return token & D3DSP_SRCMOD_MASK; }

// Bits of a parameter token naming a register: type split over its two fields, the number,
// and bit 31.
constexpr DWORD makeRegister(DWORD type, DWORD number) {
  return D3DSP_PARAMETER_BIT | ((type << D3DSP_REGTYPE_SHIFT) & D3DSP_REGTYPE_MASK) |
         ((type << D3DSP_REGTYPE_SHIFT2) & D3DSP_REGTYPE_MASK2) | (number & D3DSP_REGNUM_MASK);
}
// Four input components (0-3) as a swizzle field.
constexpr DWORD makeSwizzle(DWORD x, DWORD y, DWORD z, DWORD w) {
  return ((x & 3) | (y & 3) << 2 | (z & 3) << 4 | (w & 3) << 6) << D3DSP_SWIZZLE_SHIFT;
}
constexpr DWORD encodeShiftScale(int shift) { return (static_cast<DWORD>(shift) & 0xF) << D3DSP_DSTSHIFT_SHIFT; }
// `mask` is D3DSP_WRITEMASK_* bits; `modifiers` D3DSPDM_* bits.
constexpr DWORD makeDestination(DWORD type, DWORD number, DWORD mask = D3DSP_WRITEMASK_ALL, DWORD modifiers = 0,
                                int shift = 0, bool relative = false) {
  return makeRegister(type, number) | (mask & D3DSP_WRITEMASK_ALL) | (modifiers & D3DSP_DSTMOD_MASK) |
         encodeShiftScale(shift) | (relative ? D3DSHADER_ADDRMODE_RELATIVE : 0u);
}
constexpr DWORD makeSource(DWORD type, DWORD number, DWORD swizzleBits = D3DSP_NOSWIZZLE, DWORD modifier = D3DSPSM_NONE,
                           bool relative = false) {
  return makeRegister(type, number) | (swizzleBits & D3DSP_SWIZZLE_MASK) | (modifier & D3DSP_SRCMOD_MASK) |
         (relative ? D3DSHADER_ADDRMODE_RELATIVE : 0u);
}

// Constant registers above 2047 use the extra constant register types.
struct RegisterAddress {
  DWORD type;
  DWORD number;
};
constexpr RegisterAddress constantRegister(DWORD index) {
  index &= 0x1FFF;
  constexpr DWORD kBankSize = 2048;
  constexpr DWORD kBanks[] = {D3DSPR_CONST, D3DSPR_CONST2, D3DSPR_CONST3, D3DSPR_CONST4};
  return {kBanks[index / kBankSize], index % kBankSize};
}
// The constant index (0-8191) of a constant-register parameter, or -1 for another type.
constexpr int constantIndex(DWORD token) {
  switch (registerType(token)) {
    case D3DSPR_CONST: return static_cast<int>(registerNumber(token));
    case D3DSPR_CONST2: return 2048 + static_cast<int>(registerNumber(token));
    case D3DSPR_CONST3: return 4096 + static_cast<int>(registerNumber(token));
    case D3DSPR_CONST4: return 6144 + static_cast<int>(registerNumber(token));
    default: return -1;
  }
}

// ---- declaration token ----
constexpr DWORD makeUsageDeclaration(DWORD usage, DWORD usageIndex) {
  return D3DSP_PARAMETER_BIT | ((usage << D3DSP_DCL_USAGE_SHIFT) & D3DSP_DCL_USAGE_MASK) |
         ((usageIndex << D3DSP_DCL_USAGEINDEX_SHIFT) & D3DSP_DCL_USAGEINDEX_MASK);
}
// `textureType` is a D3DSTT_* value.
constexpr DWORD makeSamplerDeclaration(DWORD textureType) {
  return D3DSP_PARAMETER_BIT | (textureType & D3DSP_TEXTURETYPE_MASK);
}
constexpr DWORD declarationUsage(DWORD token) { return (token & D3DSP_DCL_USAGE_MASK) >> D3DSP_DCL_USAGE_SHIFT; }
constexpr DWORD declarationUsageIndex(DWORD token) {
  return (token & D3DSP_DCL_USAGEINDEX_MASK) >> D3DSP_DCL_USAGEINDEX_SHIFT;
}
constexpr DWORD samplerTextureType(DWORD token) { return token & D3DSP_TEXTURETYPE_MASK; }

// ---- comment token ----
constexpr DWORD makeComment(DWORD dataWords) {
  return D3DSIO_COMMENT | ((dataWords << D3DSI_COMMENTSIZE_SHIFT) & D3DSI_COMMENTSIZE_MASK);
}
constexpr DWORD commentLength(DWORD token) { return (token & D3DSI_COMMENTSIZE_MASK) >> D3DSI_COMMENTSIZE_SHIFT; }
// Four characters as they lie in memory, first character in the low byte.
constexpr DWORD makeFourCC(char a, char b, char c, char d) {
  return static_cast<DWORD>(static_cast<unsigned char>(a)) | static_cast<DWORD>(static_cast<unsigned char>(b)) << 8 |
         static_cast<DWORD>(static_cast<unsigned char>(c)) << 16 |
         static_cast<DWORD>(static_cast<unsigned char>(d)) << 24;
}

static_assert(makeRegister(D3DSPR_CONSTBOOL, 0) == 0xE0000800);
static_assert(makeSource(D3DSPR_CONST, 0) == 0xA0E40000);
static_assert(registerType(makeRegister(D3DSPR_PREDICATE, 0)) == D3DSPR_PREDICATE);
static_assert(makeInstruction(D3DSIO_DP4, 0, 3) == 0x03000009);

}  // namespace shader_tokens
