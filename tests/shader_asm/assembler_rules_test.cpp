#include <gtest/gtest.h>

#include "assembler_test_support.h"

namespace shader_asm_test {
namespace {

using Words = std::vector<DWORD>;

// The message lines of a statement list assembled as `version`, with the "x.vsh(2): " prefix.
std::string errorsOf(std::string_view version, std::string_view statements) { return messagesOf(version, statements); }

TEST(AssemblerSyntax, VersionStatement) {
  Assembled missing = assemble("mov r0, r1\nmov r0, r2");
  EXPECT_EQ(missing.result, ResultInvalidData);
  EXPECT_EQ(missing.messages, "x.vsh(1): error X2001: shader version expected\n");
  Assembled old = assemble("vs_1_0\nmov r0, r1");
  EXPECT_EQ(old.result, S_OK);
  EXPECT_EQ(old.words.front(), 0xFFFE0101u);
  EXPECT_EQ(old.messages, "x.vsh(1): warning X2015: vs_1_0 is no longer supported; using vs_1_1\n");
  Assembled oldPixel = assemble("ps.1.0\nmov r0, r1");
  EXPECT_EQ(oldPixel.words.front(), 0xFFFF0101u);
  EXPECT_EQ(oldPixel.messages, "x.vsh(1): warning X2015: ps_1_0 is no longer supported; using ps_1_1\n");
  EXPECT_EQ(assemble("tx_1_0\n").messages, "x.vsh(1): error X2001: shader version expected\n");
  EXPECT_EQ(assemble("").messages, "x.vsh(1): error X2001: shader version expected\n");
}

TEST(AssemblerSyntax, SyntaxErrorsAndTheQuietPeriod) {
  EXPECT_EQ(errorsOf("vs_2_0", "mov r0"), "x.vsh(2): error X2000: syntax error : unexpected end of file\n");
  EXPECT_EQ(errorsOf("vs_2_0", "mov -r0, r1"), "x.vsh(2): error X2000: syntax error : unexpected token '-'\n");
  EXPECT_EQ(errorsOf("vs_2_0", "mov r0, --r1"), "x.vsh(2): error X2000: syntax error : unexpected token '--'\n");
  EXPECT_EQ(errorsOf("vs_2_0", "mov r0, -!r1"), "x.vsh(2): error X2000: syntax error : unexpected token '!'\n");
  EXPECT_EQ(errorsOf("ps_1_1", "mov r0, -1-r1"), "x.vsh(2): error X2000: syntax error : unexpected integer '1'\n");
  // After the error the '+' starts a new (co-issued) statement.
  EXPECT_EQ(errorsOf("vs_2_x", "(p0) + mov r0, r1"),
            "x.vsh(2): error X2000: syntax error : unexpected token '+'\n"
            "x.vsh(2): error X2027: instruction coissue is not supported in this shader version\n");
  EXPECT_EQ(errorsOf("vs_2_0", "def c0, 1, 2, 3\nmov r0, r1"),
            "x.vsh(3): error X2000: syntax error : unexpected token 'mov'\n");
  EXPECT_EQ(errorsOf("vs_2_0", "defi i0, 1.0, 2, 3, 4"),
            "x.vsh(2): error X2000: syntax error : unexpected float '1'\n");
  EXPECT_EQ(errorsOf("vs_2_0", "defb b0, 1"), "x.vsh(2): error X2000: syntax error : unexpected integer '1'\n");
  // Within three accepted tokens of an error no second syntax error is reported.
  EXPECT_EQ(errorsOf("vs_2_0", "mov r0 r1 ; one\nmov ) r2\nmov r0, r1, r2"),
            "x.vsh(2): error X2000: syntax error : unexpected token 'r1'\n"
            "x.vsh(4): error X2000: syntax error : unexpected token ','\n");
  // Statements are free-form; line ends mean nothing.
  EXPECT_EQ(bodyOf("vs_2_0", "mov\nr0\n,\nr1 nop"), (Words{0x02000001, 0x800F0000, 0x80E40001, 0x00000000}));
}

TEST(AssemblerSyntax, UnknownInstructionsAndModifiers) {
  EXPECT_EQ(errorsOf("ps_1_1", "rcp r0, r1"),
            "x.vsh(2): error X2000: syntax error : unexpected token 'rcp'\n"
            "x.vsh(2): error X2023: 'rcp' is not a valid instruction in this shader version\n");
  EXPECT_EQ(errorsOf("vs_2_0", "mov_sat r0, r1"),
            "x.vsh(2): error X2000: syntax error : unexpected token 'mov_sat'\n"
            "x.vsh(2): error X2024: invalid instruction modifiers 'mov_sat'\n");
  EXPECT_EQ(errorsOf("vs_2_0", "frobnicate r0"),
            "x.vsh(2): error X2000: syntax error : unexpected token 'frobnicate'\n");
  EXPECT_NE(errorsOf("ps_1_1", "add_sat_x2 r0, r0, r1").find("X2024"), std::string::npos);
  EXPECT_NE(errorsOf("vs_2_0", "dcl v0").find("X2024: invalid instruction modifiers 'dcl'"), std::string::npos);
  EXPECT_NE(errorsOf("vs_2_0", "dcl_texcoord16 v0").find("X2024"), std::string::npos);
  EXPECT_NE(errorsOf("ps_3_0", "dcl_position v0").find("X2024"), std::string::npos);
  EXPECT_NE(errorsOf("vs_2_x", "setp p0, r0, r1").find("X2024"), std::string::npos);
  EXPECT_NE(errorsOf("vs_2_0", "dcl_2d s0").find("X2024"), std::string::npos);
  EXPECT_NE(errorsOf("ps_2_0", "mov_pp_pp r0, r1").find("X2024"), std::string::npos);
  EXPECT_NE(errorsOf("vs_2_0", "if_gt r0.x, r1.x").find("X2023: 'if_gt' is not a valid"), std::string::npos);
  EXPECT_NE(errorsOf("vs_2_0", "averyveryverylongname_x r0").find("unexpected token 'averyveryverylongname_x'"),
            std::string::npos);
}

TEST(AssemblerModifiers, InstructionModifiersAreEncoded) {
  EXPECT_EQ(bodyOf("ps_2_0", "mul_pp r0, r1, r2").at(1), 0x802F0000u);
  EXPECT_EQ(bodyOf("ps_2_0", "mul_sat_pp r0, r1, r2").at(1), 0x803F0000u);
  EXPECT_EQ(bodyOf("vs_3_0", "mov_sat r0, r1").at(1), 0x801F0000u);
  EXPECT_EQ(bodyOf("ps_1_1", "add_x2_sat r0, r0, r1").at(1), 0x811F0000u);
  EXPECT_EQ(bodyOf("ps_1_1", "add_x4 r0, r0, r1").at(1), 0x820F0000u);
  EXPECT_EQ(bodyOf("ps_1_1", "add_x8 r0, r0, r1").at(1), 0x830F0000u);
  EXPECT_EQ(bodyOf("ps_1_1", "add_d2 r0, r0, r1").at(1), 0x8F0F0000u);
  EXPECT_EQ(bodyOf("ps_1_1", "add_d4 r0, r0, r1").at(1), 0x8E0F0000u);
  EXPECT_EQ(bodyOf("ps_1_1", "add_d8 r0, r0, r1").at(1), 0x8D0F0000u);
  EXPECT_EQ(bodyOf("ps_3_0", "dcl_texcoord3_centroid v0"), (Words{0x0200001F, 0x80030005, 0x904F0000}));
  EXPECT_EQ(bodyOf("ps_3_0", "dcl_position1 v0"), (Words{0x0200001F, 0x80010000, 0x900F0000}));
  EXPECT_EQ(bodyOf("ps_3_0", "texld_centroid r0, v0, s0").at(1), 0x804F0000u);
  EXPECT_EQ(bodyOf("ps_2_0", "dcl_cube s1").at(1), 0x98000000u);
  EXPECT_EQ(bodyOf("vs_3_0", "dcl_volume s3").at(1), 0xA0000000u);
  EXPECT_EQ(bodyOf("vs_2_0", "dcl_color1 v3").at(1), 0x8001000Au);
  EXPECT_EQ(bodyOf("vs_2_0", "dcl_blendindices v3").at(1), 0x80000002u);
  EXPECT_EQ(bodyOf("vs_2_0", "dcl_positiont v3").at(1), 0x80000009u);
  EXPECT_EQ(bodyOf("vs_2_x", "if_gt r0.x, r1.x").at(0), 0x02010029u);
  EXPECT_EQ(bodyOf("ps_2_x", "break_le r0.x, r1.x").at(0), 0x0206002Du);
  EXPECT_EQ(bodyOf("vs_2_x", "setp_ne p0, r0, r1").at(0), 0x0305005Eu);
  EXPECT_EQ(bodyOf("ps_2_0", "texldp r0, t0, s0").at(0), 0x03010042u);
  EXPECT_EQ(bodyOf("ps_2_0", "texldb r0, t0, s0").at(0), 0x03020042u);
  for (const char* comparison : {"gt", "eq", "ge", "lt", "ne", "le"}) {
    EXPECT_EQ(assemble(std::string("vs_2_x\nif_") + comparison + " r0.x, r1.x\nendif").result, S_OK);
  }
}

TEST(AssemblerModifiers, RegisterSuffixes) {
  EXPECT_EQ(bodyOf("ps_1_1", "mov r0, t0_bias").at(2), 0xB2E40000u);
  EXPECT_EQ(bodyOf("ps_1_1", "mov r0, -t0_bias").at(2), 0xB3E40000u);
  EXPECT_EQ(bodyOf("ps_1_1", "mov r0, t0_bx2").at(2), 0xB4E40000u);
  EXPECT_EQ(bodyOf("ps_1_1", "mov r0, -t0_bx2").at(2), 0xB5E40000u);
  EXPECT_EQ(bodyOf("ps_1_4", "mov r0, r1_x2").at(2), 0x87E40001u);
  EXPECT_EQ(bodyOf("ps_1_4", "mov r0, -r1_x2").at(2), 0x88E40001u);
  EXPECT_EQ(bodyOf("ps_1_4", "texld r0, r1_dz").at(2), 0x89E40001u);
  EXPECT_EQ(bodyOf("ps_1_4", "texld r0, r1_db").at(2), 0x89E40001u);
  EXPECT_EQ(bodyOf("ps_1_4", "texld r0, r1_dw").at(2), 0x8AE40001u);
  EXPECT_EQ(bodyOf("ps_1_4", "texld r0, r1_da").at(2), 0x8AE40001u);
  EXPECT_EQ(bodyOf("vs_3_0", "mov r0, r1_abs").at(2), 0x8BE40001u);
  EXPECT_EQ(bodyOf("ps_3_0", "mov r0, -r1_abs").at(2), 0x8CE40001u);
  EXPECT_EQ(bodyOf("ps_1_1", "mov r0, 1-t0").at(2), 0xB6E40000u);
  EXPECT_EQ(bodyOf("vs_2_x", "if !b0").at(1), 0xED0F0800u - 0x000F0000u + 0x00E40000u);
  EXPECT_EQ(errorsOf("vs_2_0", "mov r0, r1_abs"), "x.vsh(2): error X2005: invalid register 'r1_abs'\n");
  EXPECT_EQ(errorsOf("ps_1_1", "mov r0, r1_bx3"), "x.vsh(2): error X2005: invalid register 'r1_bx3'\n");
}

TEST(AssemblerOperands, MasksSwizzlesAndScalars) {
  EXPECT_EQ(bodyOf("vs_2_0", "mov r0.xz, r1.wzyx").at(1), 0x80050000u);
  EXPECT_EQ(bodyOf("vs_2_0", "mov r0.rgba, r1.abgr").at(2), 0x801B0001u);
  EXPECT_EQ(bodyOf("vs_2_0", "mov r0, r1.xy").at(2), 0x80540001u);  // xyyy
  EXPECT_EQ(errorsOf("vs_2_0", "mov r0.yx, r1"), "x.vsh(2): error X2003: invalid mask 'yx'\n");
  EXPECT_EQ(errorsOf("vs_2_0", "mov r0.xx, r1"), "x.vsh(2): error X2003: invalid mask 'xx'\n");
  // A letter that names no component is refused before it is used as a bit position.
  EXPECT_EQ(errorsOf("vs_2_0", "mov r0.q, r1"), "x.vsh(2): error X2003: invalid mask 'q'\n");
  EXPECT_EQ(errorsOf("vs_2_0", "mov r0, r1.xyzwx"), "x.vsh(2): error X2004: invalid swizzle 'xyzwx'\n");
  EXPECT_EQ(errorsOf("vs_2_0", "mov r0, r1.q"), "x.vsh(2): error X2004: invalid swizzle 'q'\n");
  EXPECT_EQ(errorsOf("vs_2_0", "mov oFog.x, r0"), "x.vsh(2): error X2022: scalar registers cannot be masked\n");
  EXPECT_EQ(errorsOf("vs_2_0", "if b0.x\nendif"), "x.vsh(2): error X2022: scalar registers cannot be swizzled\n");
}

TEST(AssemblerOperands, RegisterRangesAndNames) {
  EXPECT_EQ(errorsOf("vs_2_0", "mov r12, r0"), "x.vsh(2): error X2005: invalid register 'r12'\n");
  EXPECT_EQ(errorsOf("vs_2_0", "mov r0, t0"), "x.vsh(2): error X2005: invalid register 't0'\n");
  EXPECT_EQ(errorsOf("vs_2_0", "mov r0, q0"), "x.vsh(2): error X2005: invalid register 'q0'\n");
  EXPECT_EQ(errorsOf("vs_2_0", "mov r, r0"), "x.vsh(2): error X2005: invalid register 'r'\n");
  EXPECT_EQ(errorsOf("vs_2_0", "mov oPos0, r0"), "x.vsh(2): error X2005: invalid register 'oPos0'\n");
  EXPECT_EQ(errorsOf("vs_2_0", "mov r0, v[a0.x]"), "x.vsh(2): error X2005: invalid register 'v[...]'\n");
  EXPECT_EQ(errorsOf("vs_2_0", "mov r0, r[3]"), "x.vsh(2): error X2005: invalid register 'r[3]'\n");
  EXPECT_EQ(errorsOf("vs_2_0", "mov r0, c[8192]"), "x.vsh(2): error X2005: invalid register 'c[8192]'\n");
  EXPECT_EQ(errorsOf("ps_2_0", "mov r0, c32"), "x.vsh(2): error X2005: invalid register 'c32'\n");
  EXPECT_EQ(bodyOf("vs_2_0", "mov oPts, r0").at(1), 0xC00F0002u);
  EXPECT_EQ(bodyOf("vs_2_0", "mov oFog, r0").at(1), 0xC00F0001u);
  EXPECT_EQ(bodyOf("vs_2_0", "mov oD1, r0").at(1), 0xD00F0001u);
  EXPECT_EQ(bodyOf("ps_3_0", "mov r0, vFace").at(2), 0x90E41001u);
  EXPECT_EQ(bodyOf("ps_3_0", "mov r0, vPos").at(2), 0x90E41000u);
  EXPECT_EQ(bodyOf("ps_2_0", "mov oDepth, r0").at(1), 0x900F0800u);
  EXPECT_EQ(bodyOf("vs_3_0", "mov o11, r0").at(1), 0xE00F000Bu);
}

TEST(AssemblerOperands, DeeplyNestedIndicesAreBounded) {
  std::string index = "a0.x";
  for (int i = 0; i < 40; ++i) index = "c[" + index + "].x";
  std::string messages = errorsOf("vs_3_0", "mov r0, " + index + "\nmov r0, r1");
  EXPECT_EQ(messages.substr(0, messages.find('\n') + 1), "x.vsh(2): yacc stack overflow\n");
}

TEST(AssemblerOperands, ConstantsBeyond2047) {
  EXPECT_EQ(bodyOf("vs_2_0", "mov r0, c2047").at(2), 0xA0E407FFu);
  EXPECT_EQ(bodyOf("vs_2_0", "mov r0, c2048").at(2), 0xB0E40800u);  // type 11, number 0
  EXPECT_EQ(bodyOf("vs_2_0", "mov r0, c4100").at(2), 0xC0E40804u);  // type 12, number 4
  EXPECT_EQ(bodyOf("vs_2_0", "mov r0, c8191").at(2), 0xD0E40FFFu);  // type 13, number 2047
  EXPECT_EQ(bodyOf("ps_2_sw", "mov r0, c6144").at(2), 0xD0E40800u);
}

TEST(AssemblerOperands, RelativeAddressing) {
  // Index register with an offset, in either order, with an address token from vs_2_0 on.
  Words expected = {0x03000001, 0x800F0000, 0xA0E42002, 0xB0000000};
  EXPECT_EQ(bodyOf("vs_2_0", "mov r0, c[a0.x + 2]"), expected);
  EXPECT_EQ(bodyOf("vs_2_0", "mov r0, c[2 + a0.x]"), expected);
  EXPECT_EQ(bodyOf("vs_2_0", "mov r0, c2[a0.x]"), expected);
  EXPECT_EQ(bodyOf("vs_2_0", "mov r0, c[1 + a0.x + 1]"), expected);
  // A constant index alone is just a number.
  EXPECT_EQ(bodyOf("vs_2_0", "mov r0, c[7]"), (Words{0x02000001, 0x800F0000, 0xA0E40007}));
  // vs_1_1 writes no address token and allows only a0.x.
  EXPECT_EQ(bodyOf("vs_1_1", "mov r0, c[a0.x + 3]"), (Words{0x00000001, 0x800F0000, 0xA0E42003}));
  EXPECT_EQ(errorsOf("vs_1_1", "mov r0, c[a0.y]"),
            "x.vsh(2): error X2007: only a0.x is allowed as a relative address register in vs_1_1\n");
  EXPECT_EQ(errorsOf("vs_1_1", "mov r0, c[a0]"),
            "x.vsh(2): error X2007: only a0.x is allowed as a relative address register in vs_1_1\n");
  // The loop counter, and an indexed destination in vs_3_0.
  EXPECT_EQ(bodyOf("vs_3_0", "mov r0, v[aL]"), (Words{0x03000001, 0x800F0000, 0x90E42000, 0xF0E40800}));
  EXPECT_EQ(bodyOf("vs_3_0", "mov o[a0.x + 1], r0"), (Words{0x03000001, 0xE00F2001, 0xB0000000, 0x80E40000}));
  EXPECT_EQ(errorsOf("vs_2_0", "mov oT[a0.x], r0"), "x.vsh(2): error X2005: invalid register 'oT[...]'\n");
  EXPECT_EQ(errorsOf("ps_3_0", "mov r0[aL], r0"), "x.vsh(2): error X2005: invalid register 'r0[...]'\n");
  EXPECT_EQ(errorsOf("vs_2_0", "mov c[a0.x], r0"),
            "x.vsh(2): error X2008: relative addressing of destination parameters is not supported in this shader "
            "version\n");
  EXPECT_EQ(errorsOf("vs_2_0", "mov r0, c[a0.x + a0.y]"),
            "x.vsh(2): error X2009: only one address register reference allowed in a relative address expression\n");
  EXPECT_EQ(errorsOf("vs_3_0", "mov r0, c[v[aL].x]"),
            "x.vsh(2): error X2009: only one address register reference is allowed in a relative address "
            "expression\n");
  EXPECT_EQ(errorsOf("vs_2_0", "mov r0, c[a0.x - 1]"), "x.vsh(2): error X2000: syntax error : unexpected token '-'\n");
}

TEST(AssemblerOperands, SourceModifierRules) {
  EXPECT_EQ(errorsOf("ps_1_1", "mov r0, 2-t0"), "x.vsh(2): error X2010: invalid complement expression\n");
  EXPECT_EQ(errorsOf("ps_1_4", "texld r0, -r1_dz"),
            "x.vsh(2): error X2011: negate and divide modifiers cannot be combined\n");
  EXPECT_EQ(errorsOf("ps_1_1", "mov r0, 1-t0_bx2"),
            "x.vsh(2): error X2012: complement cannot be used with other modifiers\n");
  EXPECT_EQ(errorsOf("vs_2_x", "sub r0, r1, !b0"),
            "x.vsh(2): error X2013: source modifiers incompatible with SUB instruction\n");
  EXPECT_EQ(errorsOf("ps_1_1", "mov r0_bias, r1"),
            "x.vsh(2): error X2014: source modifiers are not allowed on destination parameters\n");
  EXPECT_EQ(errorsOf("ps_1_1", "mov r0, !t0_bias"), "x.vsh(2): error X2018: not cannot be used with other modifiers\n");
  EXPECT_EQ(errorsOf("vs_2_0", "mov r0, 1-r1"),
            "x.vsh(2): error X2029: complement is not supported in this shader version\n");
  // sub keeps its own opcode in ps_1_x.
  EXPECT_EQ(bodyOf("ps_1_1", "sub r0, r0, -t0_bias"), (Words{0x00000003, 0x800F0000, 0x80E40000, 0xB3E40000}));
  EXPECT_EQ(bodyOf("vs_2_0", "sub r0, r0, -r1").at(3), 0x80E40001u);
  EXPECT_EQ(bodyOf("vs_3_0", "sub r0, r0, r1_abs").at(3), 0x8CE40001u);
}

TEST(AssemblerOperands, PredicationAndCoissue) {
  EXPECT_EQ(bodyOf("vs_2_x", "(p0) mov r0, r1"), (Words{0x13000001, 0x800F0000, 0xB0E41000, 0x80E40001}));
  EXPECT_EQ(bodyOf("ps_3_0", "(!p0.x) add r0, r1, r2"),
            (Words{0x14000002, 0x800F0000, 0xBD001000, 0x80E40001, 0x80E40002}));
  EXPECT_EQ(bodyOf("ps_1_1", "mov r0.rgb, t0\n+ mov r0.a, t1"),
            (Words{0x00000001, 0x80070000, 0xB0E40000, 0x40000001, 0x80080000, 0xB0E40001}));
  EXPECT_EQ(errorsOf("vs_2_0", "+ mov r0, r1"),
            "x.vsh(2): error X2027: instruction coissue is not supported in this shader version\n");
  EXPECT_EQ(errorsOf("ps_2_x", "+ (p0) mov r0, r1"),
            "x.vsh(2): error X2027: instruction coissue is not supported in this shader version\n");
  EXPECT_EQ(errorsOf("vs_2_0", "(r0) mov r0, r1"),
            "x.vsh(2): error X2028: instruction predication is not supported in this shader version\n"
            "x.vsh(2): error X2021: predicates are not supported in this shader version\n");
  EXPECT_EQ(errorsOf("vs_2_x", "(-p0) mov r0, r1"),
            "x.vsh(2): error X2019: source modifiers are not allowed on predicates\n");
  EXPECT_EQ(errorsOf("vs_3_0", "(p0[aL]) mov r0, r1"), "x.vsh(2): error X2005: invalid register 'p0[...]'\n");
  EXPECT_EQ(errorsOf("vs_3_0", "(v[aL]) mov r0, r1"),
            "x.vsh(2): error X2020: relative addressing of predicates is not supported in this shader version\n");
}

TEST(AssemblerOperands, Definitions) {
  EXPECT_EQ(bodyOf("vs_2_0", "def c0, 1, -2, +3.5, 4"),
            (Words{0x05000051, 0xA00F0000, 0x3F800000, 0xC0000000, 0x40600000, 0x40800000}));
  EXPECT_EQ(bodyOf("vs_2_0", "defi i1, 1, -2, +3, 4"), (Words{0x05000030, 0xF00F0001, 1, 0xFFFFFFFE, 3, 4}));
  EXPECT_EQ(bodyOf("vs_2_0", "defb b2, true defb b3, false"),
            (Words{0x0200002F, 0xE00F0802, 1, 0x0200002F, 0xE00F0803, 0}));
  EXPECT_EQ(bodyOf("ps_1_1", "def c7, 0.5, 0.25, 0, 1").at(0), 0x00000051u);
}

TEST(AssemblerOperands, Version11Rewrites) {
  EXPECT_EQ(bodyOf("vs_1_1", "m4x3 r0, v0, c0").at(1), 0x80070000u);
  EXPECT_EQ(bodyOf("vs_1_1", "m3x3 r0.xyzw, v0, c0").at(1), 0x80070000u);
  EXPECT_EQ(bodyOf("vs_1_1", "m3x2 r0, v0, c0").at(1), 0x80030000u);
  EXPECT_EQ(bodyOf("vs_1_1", "m3x2 r0.x, v0, c0").at(1), 0x80010000u);
  EXPECT_EQ(bodyOf("vs_2_0", "m4x3 r0, v0, c0").at(1), 0x800F0000u);
  for (const char* scalar : {"rcp", "rsq", "exp", "log", "expp", "logp"}) {
    EXPECT_EQ(bodyOf("vs_1_1", std::string(scalar) + " r0, v0").at(2), 0x90FF0000u) << scalar;
    EXPECT_EQ(bodyOf("vs_1_1", std::string(scalar) + " r0, v0.xyzw").at(2), 0x90FF0000u) << scalar;
    EXPECT_EQ(bodyOf("vs_1_1", std::string(scalar) + " r0, v0.y").at(2), 0x90550000u) << scalar;
  }
  // No length field before 2.0.
  EXPECT_EQ(bodyOf("vs_1_1", "add r0, v0, c0").at(0), 0x00000002u);
  EXPECT_EQ(bodyOf("ps_1_4", "add r0, r1, c0").at(0), 0x00000002u);
}

TEST(AssemblerOperands, EntryPointAndPreprocessing) {
  Assembled out = assemble("#define SRC r1\nvs_2_0\nentrypoint main\nmov r0, SRC\nentrypoint other\n");
  EXPECT_EQ(out.result, S_OK);
  EXPECT_EQ(out.words, (Words{0xFFFE0200, 0x02000001, 0x800F0000, 0x80E40001, 0x0000FFFF}));
  Assembled error = assemble("vs_2_0\n#error no\nmov r0, r1");
  EXPECT_EQ(error.result, ResultInvalidData);
  EXPECT_EQ(error.messages, "x.vsh(2): error: no\n");
}

}  // namespace
}  // namespace shader_asm_test
