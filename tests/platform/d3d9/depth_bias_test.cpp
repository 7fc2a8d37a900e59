// Depth bias deciding which of two coplanar primitives wins under D3DCMP_LESS: a red quad is
// drawn first, then a green one at the same depth, which fails the test unless biased nearer.
#include <limits>

#include "tests/platform/d3d9/render_fixture.h"

namespace platform::d3d9 {
namespace {

constexpr D3DCOLOR kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u;

class DepthBiasTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
  }

  // The 8x8 target covered by a quad whose depth runs from zLeft at screen x -0.5 to zRight at
  // x 7.5 (a slope of (zRight - zLeft) / 8 per pixel along x, none along y).
  void drawQuad(D3DCOLOR color, float zLeft, float zRight) {
    std::vector<ScreenVertex9> v{{-0.5f, -0.5f, zLeft, 1, color, 0, 0},
                                 {7.5f, -0.5f, zRight, 1, color, 0, 0},
                                 {-0.5f, 7.5f, zLeft, 1, color, 0, 0},
                                 {7.5f, 7.5f, zRight, 1, color, 0, 0}};
    ASSERT_EQ(drawScreen(D3DPT_TRIANGLESTRIP, v, 2), D3D_OK);
  }

  // Draws red, then green with the given biases, both with the same depths; the green count.
  int greenOverRed(float bias, float slopeScale, float zLeft = 0.5f, float zRight = 0.5f) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->SetRenderState(D3DRS_DEPTHBIAS, 0);
    device->SetRenderState(D3DRS_SLOPESCALEDEPTHBIAS, 0);
    drawQuad(kRed, zLeft, zRight);
    device->SetRenderState(D3DRS_DEPTHBIAS, floatBits(bias));
    device->SetRenderState(D3DRS_SLOPESCALEDEPTHBIAS, floatBits(slopeScale));
    drawQuad(kGreen, zLeft, zRight);
    device->SetRenderState(D3DRS_DEPTHBIAS, 0);
    device->SetRenderState(D3DRS_SLOPESCALEDEPTHBIAS, 0);
    return count(kGreen);
  }
};

TEST_F(DepthBiasTest, ConstantBiasMovesATriangleNearerOrFarther) {
  D3DCAPS9 caps{};
  ASSERT_EQ(device->GetDeviceCaps(&caps), D3D_OK);
  EXPECT_TRUE(caps.RasterCaps & D3DPRASTERCAPS_DEPTHBIAS);
  EXPECT_TRUE(caps.RasterCaps & D3DPRASTERCAPS_SLOPESCALEDEPTHBIAS);
  EXPECT_EQ(greenOverRed(0, 0), 0);
  EXPECT_EQ(greenOverRed(-0.001f, 0), 64);
  EXPECT_EQ(greenOverRed(0.001f, 0), 0);
  // A positive bias loses even under LESSEQUAL, where the unbiased copy would win.
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  EXPECT_EQ(greenOverRed(0, 0), 64);
  EXPECT_EQ(greenOverRed(0.001f, 0), 0);
}

TEST_F(DepthBiasTest, SlopeScaledBiasFollowsTheLargestScreenSlope) {
  // Flat quads have no slope, so only the constant term could move them.
  EXPECT_EQ(greenOverRed(0, -1.0f), 0);
  // Depth 0.2 to 0.6 over 8 pixels: slope 0.05, so a scale of -0.1 moves the copy by -0.005.
  EXPECT_EQ(greenOverRed(0, -0.1f, 0.2f, 0.6f), 64);
  // A constant +0.004 does not undo that, +0.006 more than does.
  EXPECT_EQ(greenOverRed(0.004f, -0.1f, 0.2f, 0.6f), 64);
  EXPECT_EQ(greenOverRed(0.006f, -0.1f, 0.2f, 0.6f), 0);
}

TEST_F(DepthBiasTest, LinesAreNotBiased) {
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  drawQuad(kRed, 0.5f, 0.5f);
  device->SetRenderState(D3DRS_DEPTHBIAS, floatBits(-0.01f));
  std::vector<ScreenVertex9> line{{0, 4, 0.5f, 1, kGreen, 0, 0}, {8, 4, 0.5f, 1, kGreen, 0, 0}};
  ASSERT_EQ(drawScreen(D3DPT_LINELIST, line, 1), D3D_OK);
  EXPECT_EQ(count(kGreen), 0);
  // The same bias does lift a wireframe triangle's edges.
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  drawQuad(kGreen, 0.5f, 0.5f);
  EXPECT_GT(count(kGreen), 0);
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  device->SetRenderState(D3DRS_DEPTHBIAS, 0);
}

TEST_F(DepthBiasTest, NonFiniteOrHugeBiasesKeepDepthInRange) {
  // A NaN bias is ignored; an infinite slope scale on a flat quad has no slope to scale.
  EXPECT_EQ(greenOverRed(std::numeric_limits<float>::quiet_NaN(), 0), 0);
  EXPECT_EQ(greenOverRed(0, std::numeric_limits<float>::infinity()), 0);
  // Depth pushed past either end is clamped to the depth range: -1e30 reaches depth 0.
  EXPECT_EQ(greenOverRed(-1e30f, 0), 64);
  EXPECT_EQ(greenOverRed(1e30f, 0), 0);
}

}  // namespace
}  // namespace platform::d3d9
