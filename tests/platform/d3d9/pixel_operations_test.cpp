// Per-pixel operations and the fixed-function texture stages: each blend factor and
// operation, alpha-test functions, the colour write mask, stencil, fog, texture operations.
#include <cstring>

#include "tests/platform/d3d9/render_fixture.h"

namespace platform::d3d9 {
namespace {

class PixelOperationsTest : public RenderTest {
 protected:
  // Clears pixel (0, 0) to `destination`, draws `source` over it, returns the result.
  D3DCOLOR over(D3DCOLOR destination, D3DCOLOR source) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, destination, 1.0f, 0);
    EXPECT_EQ(drawRect(0, 0, 1, 1, source), D3D_OK);
    return pixel(0, 0);
  }
};

TEST_F(PixelOperationsTest, EachBlendFactor) {
  // Source (a 0x40, r 0x80, g 0x40, b 0x00) over destination (a 0x80, r 0x40, g 0x80, b 0xFF); with the
  // destination factor ZERO each row shows source x factor.
  constexpr D3DCOLOR kSource = 0x40804000, kDestination = 0x804080FF;
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
  device->SetRenderState(D3DRS_BLENDFACTOR, 0x80FF0000);
  struct Case {
    DWORD factor;
    D3DCOLOR expected;  // src * factor with dest factor ZERO
  };
  const Case cases[] = {
      {D3DBLEND_ZERO, 0x00000000},           {D3DBLEND_ONE, 0x40804000},          {D3DBLEND_SRCCOLOR, 0x10401000},
      {D3DBLEND_INVSRCCOLOR, 0x30403000},    {D3DBLEND_SRCALPHA, 0x10201000},     {D3DBLEND_INVSRCALPHA, 0x30603000},
      {D3DBLEND_DESTALPHA, 0x20402000},      {D3DBLEND_INVDESTALPHA, 0x20402000}, {D3DBLEND_DESTCOLOR, 0x20202000},
      {D3DBLEND_INVDESTCOLOR, 0x20602000},   {D3DBLEND_SRCALPHASAT, 0x40201000},  {D3DBLEND_BLENDFACTOR, 0x20800000},
      {D3DBLEND_INVBLENDFACTOR, 0x20004000},
  };

  for (const Case& c : cases) {
    device->SetRenderState(D3DRS_SRCBLEND, c.factor);
    D3DCOLOR result = over(kDestination, kSource);
    // Compare channel by channel allowing the one step that 8-bit products round by.
    for (int shift = 0; shift < 32; shift += 8) {
      int got = static_cast<int>((result >> shift) & 0xFF), want = static_cast<int>((c.expected >> shift) & 0xFF);
      EXPECT_NEAR(got, want, 1) << "factor " << c.factor << " channel " << shift / 8;
    }
  }
  // Operations: subtract, reverse subtract, min and max with ONE/ONE.
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
  EXPECT_EQ(over(0x10101010, 0x20202020), 0x30303030u);
  device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_SUBTRACT);
  EXPECT_EQ(over(0x10101010, 0x30302030), 0x20201020u);
  device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT);
  EXPECT_EQ(over(0x30303030, 0x10101010), 0x20202020u);
  device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_MIN);
  EXPECT_EQ(over(0x10302010, 0x20102030), 0x10102010u);
  device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_MAX);
  EXPECT_EQ(over(0x10302010, 0x20102030), 0x20302030u);
  // The text overlay's blend: alpha 0x80 white over black.
  device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  EXPECT_EQ(over(0xFF000000, 0x80FFFFFF) & 0x00FFFFFF, 0x00808080u);
}

TEST_F(PixelOperationsTest, AlphaTestFunctionsAgainstTheReference) {
  device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  device->SetRenderState(D3DRS_ALPHAREF, 0x40);
  struct Case {
    DWORD function;
    bool below, equal, above;
  };
  const Case cases[] = {{D3DCMP_NEVER, false, false, false},      {D3DCMP_LESS, true, false, false},
                        {D3DCMP_EQUAL, false, true, false},       {D3DCMP_LESSEQUAL, true, true, false},
                        {D3DCMP_GREATER, false, false, true},     {D3DCMP_NOTEQUAL, true, false, true},
                        {D3DCMP_GREATEREQUAL, false, true, true}, {D3DCMP_ALWAYS, true, true, true}};
  for (const Case& c : cases) {
    device->SetRenderState(D3DRS_ALPHAFUNC, c.function);
    EXPECT_EQ(over(0, 0x3FFF0000) != 0, c.below) << c.function;
    EXPECT_EQ(over(0, 0x40FF0000) != 0, c.equal) << c.function;
    EXPECT_EQ(over(0, 0x41FF0000) != 0, c.above) << c.function;
  }
  // A failing pixel leaves depth alone too.
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_NEVER);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  drawRect(0, 0, 1, 1, 0xFFFF0000, 0.9f);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
  drawRect(0, 0, 1, 1, 0xFF00FF00, 0.95f);
  EXPECT_EQ(pixel(0, 0), 0xFF00FF00u);
}

TEST_F(PixelOperationsTest, ColourWriteMaskKeepsMaskedChannels) {
  device->SetRenderState(D3DRS_COLORWRITEENABLE, 0x1 | 0x8);
  EXPECT_EQ(over(0x11223344, 0xAABBCCDD), 0xAABB3344u);
  device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
  EXPECT_EQ(over(0x11223344, 0xAABBCCDD), 0x11223344u);
}

TEST_F(PixelOperationsTest, StencilCountsOverdrawAndMasksLaterDrawing) {
  device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INCR);
  drawRect(0, 0, 4, 4, 0xFFFF0000);
  drawRect(2, 2, 6, 6, 0xFFFF0000);
  // Draw only where two rectangles overlapped.
  device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
  device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
  device->SetRenderState(D3DRS_STENCILREF, 2);
  drawRect(0, 0, 8, 8, 0xFF00FF00);
  EXPECT_EQ(count(0xFF00FF00), 4);
  EXPECT_EQ(pixel(2, 2), 0xFF00FF00u);
  EXPECT_EQ(pixel(1, 1), 0xFFFF0000u);
  // REPLACE writes the reference through the write mask; failing the stencil runs STENCILFAIL.
  device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_NEVER);
  device->SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_REPLACE);
  device->SetRenderState(D3DRS_STENCILREF, 7);
  drawRect(6, 6, 8, 8, 0xFF0000FF);
  device->SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
  device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
  drawRect(0, 0, 8, 8, 0xFF0000FF);
  EXPECT_EQ(count(0xFF0000FF), 4);
  EXPECT_EQ(pixel(7, 7), 0xFF0000FFu);
}

TEST_F(PixelOperationsTest, TableFogBlendsTowardsTheFogColourByDepth) {
  device->SetRenderState(D3DRS_FOGENABLE, TRUE);
  device->SetRenderState(D3DRS_FOGCOLOR, 0x0000FF00);
  device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
  device->SetRenderState(D3DRS_FOGSTART, floatBits(0.0f));
  device->SetRenderState(D3DRS_FOGEND, floatBits(1.0f));
  drawRect(0, 0, 1, 1, 0xFFFF0000, 0.25f);
  EXPECT_EQ(pixel(0, 0), 0xFFBF4000u);
}

TEST_F(PixelOperationsTest, VertexFogFromEyeDistanceAndFromPretransformedSpecularAlpha) {
  device->SetRenderState(D3DRS_FOGENABLE, TRUE);
  device->SetRenderState(D3DRS_FOGCOLOR, 0x000000FF);
  device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
  device->SetRenderState(D3DRS_FOGSTART, floatBits(0.0f));
  device->SetRenderState(D3DRS_FOGEND, floatBits(2.0f));
  // Identity transforms: eye distance is |z| = 0.5, so the factor is 0.75.
  struct PositionColor {
    float x, y, z;
    D3DCOLOR color;
  } quad[] = {
      {-1, 1, 0.5f, 0xFFFF0000}, {1, 1, 0.5f, 0xFFFF0000}, {-1, -1, 0.5f, 0xFFFF0000}, {1, -1, 0.5f, 0xFFFF0000}};
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof quad[0]), D3D_OK);
  EXPECT_EQ(pixel(3, 3), 0xFFBF0040u);
  // Pre-transformed vertices give the factor in the specular alpha.
  struct Lit {
    float x, y, z, rhw;
    D3DCOLOR diffuse, specular;
  } lit[] = {{0, 0, 0.5f, 1, 0xFFFF0000, 0x40000000},
             {2, 0, 0.5f, 1, 0xFFFF0000, 0x40000000},
             {0, 2, 0.5f, 1, 0xFFFF0000, 0x40000000},
             {2, 2, 0.5f, 1, 0xFFFF0000, 0x40000000}};
  device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR);
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, lit, sizeof lit[0]), D3D_OK);
  EXPECT_EQ(pixel(1, 1), 0xFF4000BFu);
}

TEST_F(PixelOperationsTest, TheDefaultStageFastPathMatchesTheGeneralStages) {
  useTarget(16, 16);
  std::vector<D3DCOLOR> texels(16);
  for (UINT i = 0; i < 16; ++i) texels[i] = (i * 0x11000000u) | (i * 0x0F0D0B);
  ComPtr<IDirect3DTexture9> texture = makeTexture(4, 4, texels);
  device->SetTexture(0, texture.get());
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  std::vector<ScreenVertex9> t{
      {0, 0, 0.5f, 1, 0xFF80FF40, 0, 0}, {16, 0, 0.5f, 1, 0x80FFFFFF, 1.3f, 0}, {0, 16, 0.5f, 1, 0x40102030, 0, 2.1f}};
  auto render = [&] {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    drawScreen(D3DPT_TRIANGLELIST, t, 1);
    return pixels();
  };
  std::vector<D3DCOLOR> fast = render();
  // The same arithmetic spelled with DIFFUSE instead of CURRENT takes the general stages.
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  EXPECT_EQ(render(), fast);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
}

TEST_F(PixelOperationsTest, TextureStageOperations) {
  ComPtr<IDirect3DTexture9> texture = makeTexture(1, 1, {0x80402010});
  device->SetTexture(0, texture.get());
  device->SetRenderState(D3DRS_TEXTUREFACTOR, 0x40FF8000);
  constexpr D3DCOLOR kDiffuse = 0xFF808080;
  struct Case {
    DWORD op;
    D3DCOLOR expected;  // colour channels; alpha stays SELECTARG1 = texture alpha 0x80
  };
  const Case cases[] = {
      {D3DTOP_SELECTARG1, 0x80402010},        {D3DTOP_SELECTARG2, 0x80808080},
      {D3DTOP_MODULATE, 0x80201008},          {D3DTOP_MODULATE2X, 0x80402010},
      {D3DTOP_MODULATE4X, 0x80804020},        {D3DTOP_ADD, 0x80C0A090},
      {D3DTOP_ADDSIGNED, 0x80402010},         {D3DTOP_ADDSIGNED2X, 0x80804020},
      {D3DTOP_SUBTRACT, 0x80000000},          {D3DTOP_ADDSMOOTH, 0x80A09088},
      {D3DTOP_BLENDDIFFUSEALPHA, 0x80402010}, {D3DTOP_BLENDTEXTUREALPHA, 0x80605048},
      {D3DTOP_BLENDFACTORALPHA, 0x80706864},
  };
  for (const Case& c : cases) {
    device->SetTextureStageState(0, D3DTSS_COLOROP, c.op);
    D3DCOLOR result = over(0, kDiffuse);
    for (int shift = 0; shift < 32; shift += 8) {
      int got = static_cast<int>((result >> shift) & 0xFF), want = static_cast<int>((c.expected >> shift) & 0xFF);
      EXPECT_NEAR(got, want, 1) << "op " << c.op << " channel " << shift / 8;
    }
  }
  // Stage 0 defaults: MODULATE texture by diffuse, alpha from the texture.
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  EXPECT_EQ(over(0, 0x40FFFFFF), 0x80402010u);
  // Arguments with modifiers, a second stage and the factor.
  device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TFACTOR | D3DTA_COMPLEMENT);
  device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_TFACTOR | D3DTA_ALPHAREPLICATE);
  EXPECT_EQ(over(0, kDiffuse), 0x40007FFFu);
  // COLOROP DISABLE on stage 0 turns texturing off: the diffuse colour is drawn.
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
  EXPECT_EQ(over(0, 0x12345678), 0x12345678u);
}

}  // namespace
}  // namespace platform::d3d9
