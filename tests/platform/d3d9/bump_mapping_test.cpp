// Texture stage operations that reach across stages: a bump map's du/dv, through the bump
// stage's 2x2 matrix, moves the next stage's coordinates by whole texels of a 4x4 environment
// map; the luminance variant scales that stage's colour; PREMODULATE multiplies what it passes on
// by the next stage's texture.
#include <cstdint>

#include "tests/platform/d3d9/render_fixture.h"

namespace platform::d3d9 {
namespace {

// Environment texel (x, y): red 0x40 * x, green 0x40 * y.
D3DCOLOR environmentTexel(UINT x, UINT y) { return 0xFF000000u | (x * 0x40u) << 16 | (y * 0x40u) << 8; }

class BumpMappingTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    useTarget(4, 4);
    std::vector<D3DCOLOR> texels;
    for (UINT y = 0; y < 4; ++y) {
      for (UINT x = 0; x < 4; ++x) texels.push_back(environmentTexel(x, y));
    }
    environment_ = makeTexture(4, 4, texels);
  }
  void TearDown() override {
    for (DWORD s = 0; s < 2; ++s) device->SetTexture(s, nullptr);
    environment_.reset();
    bump_.reset();
    RenderTest::TearDown();
  }

  // A 1x1 texture of `format` holding the bytes of one texel.
  void makeBump(D3DFORMAT format, std::uint32_t texel, UINT bytes) {
    ASSERT_EQ(device->CreateTexture(1, 1, 1, 0, format, D3DPOOL_MANAGED, bump_.put(), nullptr), D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(bump_->LockRect(0, &locked, nullptr, 0), D3D_OK);
    std::memcpy(locked.pBits, &texel, bytes);
    bump_->UnlockRect(0);
  }

  // Stage 0 bump-maps with `op` and the matrix; stage 1 reads the environment map with `nextOp`.
  void setStages(DWORD op, float m00, float m01, float m10, float m11, DWORD nextOp = D3DTOP_SELECTARG1) {
    device->SetTexture(0, bump_.get());
    device->SetTexture(1, environment_.get());
    device->SetTextureStageState(0, D3DTSS_COLOROP, op);
    device->SetTextureStageState(0, D3DTSS_BUMPENVMAT00, floatBits(m00));
    device->SetTextureStageState(0, D3DTSS_BUMPENVMAT01, floatBits(m01));
    device->SetTextureStageState(0, D3DTSS_BUMPENVMAT10, floatBits(m10));
    device->SetTextureStageState(0, D3DTSS_BUMPENVMAT11, floatBits(m11));
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTextureStageState(1, D3DTSS_COLOROP, nextOp);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
  }

  // Pixel (x, y) reads texel (x, y) without a bump: the quad maps texels 1:1.
  void drawTarget(D3DCOLOR diffuse = 0xFFFFFFFF) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF123456u, 1.0f, 0);
    ASSERT_EQ(drawRect(-0.5f, -0.5f, 3.5f, 3.5f, diffuse), D3D_OK);
  }

  // Every pixel shows the environment texel `dx`, `dy` texels away (wrapping).
  void expectShift(int dx, int dy, D3DCOLOR add = 0) {
    for (UINT y = 0; y < 4; ++y) {
      for (UINT x = 0; x < 4; ++x) {
        UINT u = static_cast<UINT>((static_cast<int>(x) + dx + 4) % 4),
             v = static_cast<UINT>((static_cast<int>(y) + dy + 4) % 4);
        EXPECT_EQ(pixel(x, y), environmentTexel(u, v) | add) << "pixel " << x << ", " << y;
      }
    }
  }

  ComPtr<IDirect3DTexture9> environment_;
  ComPtr<IDirect3DTexture9> bump_;
};

TEST_F(BumpMappingTest, MatrixTurnsDeltasIntoTexelOffsetsOfTheNextStage) {
  // du = +1 (0x7F), dv = -1 (0x81).
  makeBump(D3DFMT_V8U8, 0x817Fu, 2);
  // Identity-like matrix of 0.25: one texel right, one texel up.
  setStages(D3DTOP_BUMPENVMAP, 0.25f, 0, 0, 0.25f);
  drawTarget();
  expectShift(1, -1);
  // Cross terms only: u += M10 * dv = -0.25, v += M01 * du = +0.5.
  setStages(D3DTOP_BUMPENVMAP, 0, 0.5f, 0.25f, 0);
  drawTarget();
  expectShift(-1, 2);
  // A zero matrix leaves the coordinates alone.
  setStages(D3DTOP_BUMPENVMAP, 0, 0, 0, 0);
  drawTarget();
  expectShift(0, 0);
}

TEST_F(BumpMappingTest, BumpStageLeavesTheCurrentColourForTheNextStage) {
  makeBump(D3DFMT_V8U8, 0x007Fu, 2);
  setStages(D3DTOP_BUMPENVMAP, 0.25f, 0, 0, 0.25f, D3DTOP_ADD);
  drawTarget(0xFF000010u);
  expectShift(1, 0, 0x10u);
}

TEST_F(BumpMappingTest, LuminanceVariantScalesTheNextStagesColour) {
  // X8L8V8U8: du = +1, dv = 0, luminance 0xFF; L' = 1 * 0.5 + 0.25 = 0.75.
  makeBump(D3DFMT_X8L8V8U8, 0x00FF007Fu, 4);
  ComPtr<IDirect3DTexture9> white = makeTexture(1, 1, {0xFFFFFFFFu});
  setStages(D3DTOP_BUMPENVMAPLUMINANCE, 0.25f, 0, 0, 0.25f);
  device->SetTexture(1, white.get());
  device->SetTextureStageState(0, D3DTSS_BUMPENVLSCALE, floatBits(0.5f));
  device->SetTextureStageState(0, D3DTSS_BUMPENVLOFFSET, floatBits(0.25f));
  drawTarget();
  EXPECT_EQ(pixel(2, 2), 0xFFBFBFBFu);
  // Luminance past 1 is clamped.
  device->SetTextureStageState(0, D3DTSS_BUMPENVLOFFSET, floatBits(2.0f));
  drawTarget();
  EXPECT_EQ(pixel(2, 2), 0xFFFFFFFFu);
  // Without luminance the scale and offset play no part.
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP);
  device->SetTextureStageState(0, D3DTSS_BUMPENVLOFFSET, floatBits(-1.0f));
  drawTarget();
  EXPECT_EQ(pixel(2, 2), 0xFFFFFFFFu);
  device->SetTexture(1, nullptr);
}

TEST_F(BumpMappingTest, MixedLuminanceFormatCarriesDeltasAndLuminance) {
  // L6V5U5: U = +15 (1.0), V = 0, L = 63 (1.0); L' = 1 * 1 + 0 = 1, so texels keep their colour.
  makeBump(D3DFMT_L6V5U5, (63u << 10) | 15u, 2);
  setStages(D3DTOP_BUMPENVMAPLUMINANCE, 0.25f, 0, 0, 0.25f);
  device->SetTextureStageState(0, D3DTSS_BUMPENVLSCALE, floatBits(1.0f));
  device->SetTextureStageState(0, D3DTSS_BUMPENVLOFFSET, floatBits(0.0f));
  drawTarget();
  expectShift(1, 0);
  // Half the luminance halves each channel: texel (2, 1) = (0x80, 0x40, 0) becomes (0x40, 0x20, 0).
  device->SetTextureStageState(0, D3DTSS_BUMPENVLSCALE, floatBits(0.5f));
  drawTarget();
  EXPECT_EQ(pixel(1, 1), 0xFF402000u);
}

TEST_F(BumpMappingTest, PremodulateMultipliesTheNextStagesCurrentByItsTexture) {
  ComPtr<IDirect3DTexture9> grey = makeTexture(1, 1, {0xFF808080u});
  ComPtr<IDirect3DTexture9> orange = makeTexture(1, 1, {0xFFFF8000u});
  device->SetTexture(0, grey.get());
  device->SetTexture(1, orange.get());
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_PREMODULATE);
  device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
  device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
  drawTarget();
  // (128/255) x (1, 128/255, 0): red 0x80, green 0x40.
  EXPECT_EQ(pixel(1, 1), 0xFF804000u);
  // The same stages without PREMODULATE pass stage 0's colour unchanged.
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  drawTarget();
  EXPECT_EQ(pixel(1, 1), 0xFF808080u);
  device->SetTexture(0, nullptr);
  device->SetTexture(1, nullptr);
}

}  // namespace
}  // namespace platform::d3d9
