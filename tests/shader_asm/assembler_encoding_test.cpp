#include <gtest/gtest.h>

#include <bit>
#include <fstream>
#include <sstream>

#include "assembler_test_support.h"

namespace shader_asm_test {
namespace {

using Words = std::vector<DWORD>;

std::string readData(const char* name) {
  std::ifstream stream(std::string(PRISM_SOURCE_DIR) + "/tests/shader_asm/data/" + name, std::ios::binary);
  std::stringstream text;
  text << stream.rdbuf();
  return text.str();
}

TEST(AssemblerEncoding, WorkedExamplesVs20) {
  EXPECT_EQ(bodyOf("vs_2_0", "dcl_position v0"), (Words{0x0200001F, 0x80000000, 0x900F0000}));
  EXPECT_EQ(bodyOf("vs_2_0", "dcl_normal v1"), (Words{0x0200001F, 0x80000003, 0x900F0001}));
  EXPECT_EQ(bodyOf("vs_2_0", "dcl_texcoord0 v2"), (Words{0x0200001F, 0x80000005, 0x900F0002}));
  EXPECT_EQ(bodyOf("vs_2_0", "dp4 oPos.x, v0, c0"), (Words{0x03000009, 0xC0010000, 0x90E40000, 0xA0E40000}));
  EXPECT_EQ(bodyOf("vs_2_0", "sub r2, c6, v0"), (Words{0x03000002, 0x800F0002, 0xA0E40006, 0x91E40000}));
  EXPECT_EQ(bodyOf("vs_2_0", "mov oT1, r2.x"), (Words{0x02000001, 0xE00F0001, 0x80000002}));
}

TEST(AssemblerEncoding, WorkedExamplesPs20) {
  EXPECT_EQ(bodyOf("ps_2_0", "dcl_2d s0"), (Words{0x0200001F, 0x90000000, 0xA00F0800}));
  EXPECT_EQ(bodyOf("ps_2_0", "dcl t0.xyzw"), (Words{0x0200001F, 0x80000000, 0xB00F0000}));
  EXPECT_EQ(bodyOf("ps_2_0", "texld r0, r3, s0"), (Words{0x03000042, 0x800F0000, 0x80E40003, 0xA0E40800}));
  EXPECT_EQ(bodyOf("ps_2_0", "mov oC0, r0"), (Words{0x02000001, 0x800F0800, 0x80E40000}));
}

TEST(AssemblerEncoding, ShippedVertexShader) {
  std::string text = readData("Hologram.vsh");
  Assembled out = assemble(text, 0, "Hologram.vsh");
  ASSERT_EQ(out.result, S_OK) << out.messages;
  EXPECT_FALSE(out.hasErrorBuffer);
  Words expected = {0xFFFE0200, 0x0200001F, 0x80000000, 0x900F0000, 0x0200001F, 0x80000003, 0x900F0001, 0x0200001F,
                    0x80000005, 0x900F0002, 0x03000009, 0xC0010000, 0x90E40000, 0xA0E40000, 0x03000009, 0xC0020000,
                    0x90E40000, 0xA0E40001, 0x03000009, 0xC0040000, 0x90E40000, 0xA0E40002, 0x03000009, 0xC0080000,
                    0x90E40000, 0xA0E40003, 0x03000002, 0x800F0002, 0xA0E40006, 0x91E40000, 0x02000024, 0x800F0003,
                    0x80E40002, 0x03000008, 0x80010002, 0x90E40001, 0x80E40003, 0x03000002, 0x80010003, 0xA0FF0004,
                    0x80000002, 0x03000005, 0x80010002, 0x80000003, 0xA0000005, 0x02000001, 0xE00F0001, 0x80000002,
                    0x02000001, 0xE00F0000, 0x90E40002, 0x0000FFFF};
  EXPECT_EQ(out.words, expected);
}

TEST(AssemblerEncoding, ShippedPixelShader) {
  std::string text = readData("Hologram.psh");
  Assembled out = assemble(text, 0, "Hologram.psh");
  ASSERT_EQ(out.result, S_OK) << out.messages;
  ASSERT_GT(out.words.size(), 20u);
  Words start = {0xFFFF0200, 0x0200001F, 0x80000000, 0x900F0000, 0x0200001F, 0x80000000, 0xB00F0000, 0x0200001F,
                 0x80000000, 0xB00F0001, 0x0200001F, 0x90000000, 0xA00F0800, 0x02000001, 0x800F0001, 0xB0E40000};
  EXPECT_EQ(Words(out.words.begin(), out.words.begin() + static_cast<long>(start.size())), start);
  Words end = {0x03000042, 0x800F0000, 0x80E40003, 0xA0E40800, 0x02000001, 0x800F0800, 0x80E40000, 0x0000FFFF};
  EXPECT_EQ(Words(out.words.end() - static_cast<long>(end.size()), out.words.end()), end);
  // The instructions in order, walked by their length fields.
  Words opcodes;
  for (std::size_t i = 1; i < out.words.size() - 1; i += 1 + shader_tokens::instructionLength(out.words[i])) {
    opcodes.push_back(shader_tokens::opcode(out.words[i]));
  }
  Words expectedOpcodes = {D3DSIO_DCL, D3DSIO_DCL, D3DSIO_DCL, D3DSIO_DCL, D3DSIO_MOV, D3DSIO_MOV, D3DSIO_RCP,
                           D3DSIO_MUL, D3DSIO_MUL, D3DSIO_FRC, D3DSIO_ADD, D3DSIO_MUL, D3DSIO_FRC, D3DSIO_MUL,
                           D3DSIO_MUL, D3DSIO_ADD, D3DSIO_MUL, D3DSIO_FRC, D3DSIO_ADD, D3DSIO_MUL, D3DSIO_ADD,
                           D3DSIO_MOV, D3DSIO_MOV, D3DSIO_TEX, D3DSIO_MOV};
  EXPECT_EQ(opcodes, expectedOpcodes);
  // rcp r3.x, c0.x and the first sub (an add with the second source negated).
  EXPECT_EQ(bodyOf("ps_2_0", "rcp r3.x, c0.x"), (Words{0x02000006, 0x80010003, 0xA0000000}));
  EXPECT_EQ(bodyOf("ps_2_0", "sub r5.x, r4.x, r5.x"), (Words{0x03000002, 0x80010005, 0x80000004, 0x81000005}));
}

}  // namespace
}  // namespace shader_asm_test
