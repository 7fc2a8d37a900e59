#include "platform/d3d9/shader_tokens.h"

#include <gtest/gtest.h>

namespace {

using namespace shader_tokens;

TEST(ShaderTokens, RegisterTypesRoundTripThroughBothFields) {
  for (DWORD type = 0; type < 32; ++type) {
    for (DWORD number : {0u, 1u, 0x3FFu, 0x7FFu}) {
      DWORD token = makeRegister(type, number);
      EXPECT_EQ(registerType(token), type);
      EXPECT_EQ(registerNumber(token), number);
      EXPECT_NE(token & D3DSP_PARAMETER_BIT, 0u);
      EXPECT_FALSE(isRelative(token));
    }
  }
  // Types above 7 spill into bits 11-12.
  EXPECT_EQ(makeRegister(D3DSPR_SAMPLER, 0), 0xA0000800u);
  EXPECT_EQ(makeRegister(D3DSPR_PREDICATE, 0), 0xB0001000u);
  EXPECT_EQ(makeRegister(D3DSPR_COLOROUT, 0), 0x80000800u);
}

TEST(ShaderTokens, DestinationFields) {
  DWORD token = makeDestination(D3DSPR_TEMP, 5, D3DSP_WRITEMASK_0 | D3DSP_WRITEMASK_3,
                                D3DSPDM_SATURATE | D3DSPDM_PARTIALPRECISION, -1, true);
  EXPECT_EQ(registerType(token), D3DSPR_TEMP);
  EXPECT_EQ(registerNumber(token), 5u);
  EXPECT_EQ(writeMask(token), 0x00090000u);
  EXPECT_EQ(resultModifiers(token), 0x00300000u);
  EXPECT_EQ(shiftScale(token), -1);
  EXPECT_EQ((token >> 24) & 0xF, 15u);  // d2
  EXPECT_TRUE(isRelative(token));
  for (int shift : {-3, -2, -1, 0, 1, 2, 3}) EXPECT_EQ(shiftScale(makeDestination(0, 0, 0, 0, shift)), shift);
  EXPECT_EQ(makeDestination(D3DSPR_RASTOUT, D3DSRO_POSITION, D3DSP_WRITEMASK_0), 0xC0010000u);
  EXPECT_EQ(makeDestination(D3DSPR_COLOROUT, 0), 0x800F0800u);
}

TEST(ShaderTokens, SourceFields) {
  DWORD token = makeSource(D3DSPR_INPUT, 0, makeSwizzle(3, 2, 1, 0), D3DSPSM_NEG);
  EXPECT_EQ(swizzle(token), 0x001B0000u);
  EXPECT_EQ(swizzleComponent(token, 0), 3u);
  EXPECT_EQ(swizzleComponent(token, 3), 0u);
  EXPECT_EQ(sourceModifier(token), D3DSPSM_NEG);
  EXPECT_EQ(makeSource(D3DSPR_INPUT, 0, D3DSP_NOSWIZZLE, D3DSPSM_NEG), 0x91E40000u);
  EXPECT_EQ(makeSwizzle(0, 1, 2, 3), D3DSP_NOSWIZZLE);
  EXPECT_EQ(makeSwizzle(3, 3, 3, 3), D3DSP_REPLICATEALPHA);
  EXPECT_EQ(makeSource(D3DSPR_TEMP, 2, D3DSP_REPLICATERED), 0x80000002u);
  EXPECT_EQ(sourceModifier(makeSource(0, 0, D3DSP_NOSWIZZLE, D3DSPSM_NOT)), 13u << 24);
}

TEST(ShaderTokens, InstructionFields) {
  DWORD token = makeInstruction(D3DSIO_TEX | D3DSI_TEXLD_PROJECT, 0, 3, true, true);
  EXPECT_EQ(opcode(token), D3DSIO_TEX);
  EXPECT_EQ(specificControls(token), D3DSI_TEXLD_PROJECT);
  EXPECT_EQ(instructionLength(token), 3u);
  EXPECT_TRUE(isPredicated(token));
  EXPECT_TRUE(isCoissued(token));
  EXPECT_EQ(token & 0x80000000u, 0u);
  DWORD ifc = makeInstruction(D3DSIO_IFC, D3DSPC_LE, 2);
  EXPECT_EQ(comparison(ifc), D3DSPC_LE);
  EXPECT_EQ(ifc, 0x02060029u);
  EXPECT_EQ(makeInstruction(D3DSIO_DCL, 0, 2), 0x0200001Fu);
}

TEST(ShaderTokens, ConstantBanksAndDeclarations) {
  for (DWORD index : {0u, 2047u, 2048u, 4095u, 4096u, 6143u, 6144u, 8191u}) {
    RegisterAddress address = constantRegister(index);
    EXPECT_EQ(constantIndex(makeRegister(address.type, address.number)), static_cast<int>(index));
  }
  EXPECT_EQ(constantRegister(2048).type, static_cast<DWORD>(D3DSPR_CONST2));
  EXPECT_EQ(constantIndex(makeRegister(D3DSPR_TEMP, 0)), -1);
  EXPECT_EQ(makeUsageDeclaration(3, 0), 0x80000003u);
  EXPECT_EQ(declarationUsageIndex(makeUsageDeclaration(5, 15)), 15u);
  EXPECT_EQ(declarationUsage(makeUsageDeclaration(13, 1)), 13u);
  EXPECT_EQ(makeSamplerDeclaration(D3DSTT_2D), 0x90000000u);
  EXPECT_EQ(samplerTextureType(makeSamplerDeclaration(D3DSTT_VOLUME)), static_cast<DWORD>(D3DSTT_VOLUME));
}

TEST(ShaderTokens, VersionCommentAndEnd) {
  EXPECT_TRUE(isVertexShaderVersion(0xFFFE0200));
  EXPECT_TRUE(isPixelShaderVersion(0xFFFF0104));
  EXPECT_FALSE(versionHasInstructionLength(0xFFFF0104));
  EXPECT_TRUE(versionHasInstructionLength(0xFFFE0200));
  EXPECT_EQ(versionMinor(0xFFFE02FF), 0xFFu);
  DWORD comment = makeComment(0x7FFF);
  EXPECT_TRUE(isComment(comment));
  EXPECT_EQ(commentLength(comment), 0x7FFFu);
  EXPECT_EQ(makeComment(3), 0x0003FFFEu);
  EXPECT_TRUE(isEnd(0x0000FFFF));
  EXPECT_EQ(makeFourCC('D', 'B', 'U', 'G'), 0x47554244u);
}

}  // namespace
