// Point sizes and point sprites on an 8x8 target: a point of size S covers the pixels whose
// centres lie in the S-wide square around it; sprites spread texture coordinates 0..1 over that
// square; point scaling turns camera-space sizes into pixels by the viewport height and distance.
#include <limits>

#include "tests/platform/d3d9/render_fixture.h"
#include "tests/platform/d3d9/shader_token_builder.h"

namespace platform::d3d9 {
namespace {

constexpr D3DCOLOR kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kWhite = 0xFFFFFFFFu;
constexpr D3DCOLOR kBackground = 0xFF000000u;

struct SizedVertex {
  float x, y, z;
  float size;
  D3DCOLOR color;
};

class PointSpriteTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  }
  int drawn() { return 64 - count(kBackground); }
  void clear() { device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0); }

  // A camera-space point at distance 2 straight ahead (clip z halved twice to stay in range),
  // drawn at the target centre (4, 4).
  void useDistantPointTransforms() {
    D3DMATRIX identity{}, projection{};
    for (int i = 0; i < 4; ++i) identity.m[i][i] = projection.m[i][i] = 1.0f;
    projection.m[2][2] = 0.25f;
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &projection);
  }
  int drawDistantPoint(bool perVertexSize, float size = 0) {
    clear();
    SizedVertex v{0, 0, 2, size, kWhite};
    if (perVertexSize) {
      device->SetFVF(D3DFVF_XYZ | D3DFVF_PSIZE | D3DFVF_DIFFUSE);
      EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &v, sizeof v), D3D_OK);
    } else {
      struct {
        float x, y, z;
        D3DCOLOR color;
      } plain{0, 0, 2, kWhite};
      device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
      EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &plain, sizeof plain), D3D_OK);
    }
    return drawn();
  }
};

TEST_F(PointSpriteTest, SpriteSpreadsTheTextureOverTheSquare) {
  ComPtr<IDirect3DTexture9> texture = makeTexture(2, 2, {kRed, kGreen, kBlue, kWhite});
  device->SetTexture(0, texture.get());
  device->SetRenderState(D3DRS_POINTSIZE, floatBits(4.0f));
  // Centre (4.5, 4.5): the square 2.5..6.5 holds pixel centres 3-6; u = (x - 2.5) / 4.
  std::vector<ScreenVertex9> point{{4.5f, 4.5f, 0.5f, 1, kWhite, 0.75f, 0.25f}};
  clear();
  device->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
  ASSERT_EQ(drawScreen(D3DPT_POINTLIST, point, 1), D3D_OK);
  EXPECT_EQ(drawn(), 16);
  EXPECT_EQ(pixel(3, 3), kRed);
  EXPECT_EQ(pixel(4, 4), kRed);
  EXPECT_EQ(pixel(6, 3), kGreen);
  EXPECT_EQ(pixel(3, 6), kBlue);
  EXPECT_EQ(pixel(6, 6), kWhite);
  EXPECT_EQ(pixel(2, 2), kBackground);
  EXPECT_EQ(pixel(7, 7), kBackground);
  // Without sprites the vertex's own coordinates (0.75, 0.25) colour the whole point.
  clear();
  device->SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
  ASSERT_EQ(drawScreen(D3DPT_POINTLIST, point, 1), D3D_OK);
  EXPECT_EQ(count(kGreen), 16);
  device->SetTexture(0, nullptr);
}

TEST_F(PointSpriteTest, SpritePartlyOutsideTheTargetDrawsItsVisiblePart) {
  device->SetRenderState(D3DRS_POINTSIZE, floatBits(4.0f));
  device->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
  // Centre (0, 0): the square -2..2 keeps pixel centres 0 and 1 in each direction.
  std::vector<ScreenVertex9> point{{0, 0, 0.5f, 1, kWhite, 0, 0}};
  clear();
  ASSERT_EQ(drawScreen(D3DPT_POINTLIST, point, 1), D3D_OK);
  EXPECT_EQ(drawn(), 4);
  // Wholly outside: nothing.
  point[0].x = -3;
  clear();
  ASSERT_EQ(drawScreen(D3DPT_POINTLIST, point, 1), D3D_OK);
  EXPECT_EQ(drawn(), 0);
}

TEST_F(PointSpriteTest, ScaledPointSizeFollowsDistanceAndViewportHeight) {
  useDistantPointTransforms();
  device->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
  // A = B = 0, C = 1 at distance 2: size = 8 * Si * sqrt(1 / 4) = 4 * Si.
  device->SetRenderState(D3DRS_POINTSCALE_A, floatBits(0.0f));
  device->SetRenderState(D3DRS_POINTSCALE_B, floatBits(0.0f));
  device->SetRenderState(D3DRS_POINTSCALE_C, floatBits(1.0f));
  EXPECT_EQ(drawDistantPoint(false), 16);      // POINTSIZE 1: 4 pixels wide, centres 2-5
  EXPECT_EQ(drawDistantPoint(true, 0.5f), 4);  // per-vertex size 0.5: 2 wide, centres 3-4
  // B = 1, C = 0: sqrt(1 / 2) * 8 * 0.5 = 2.83, centres 3-5.
  device->SetRenderState(D3DRS_POINTSCALE_B, floatBits(1.0f));
  device->SetRenderState(D3DRS_POINTSCALE_C, floatBits(0.0f));
  EXPECT_EQ(drawDistantPoint(true, 0.5f), 9);
  // The limits clamp the result.
  device->SetRenderState(D3DRS_POINTSIZE_MIN, floatBits(6.0f));
  EXPECT_EQ(drawDistantPoint(true, 0.5f), 36);
  device->SetRenderState(D3DRS_POINTSIZE_MIN, floatBits(1.0f));
  device->SetRenderState(D3DRS_POINTSIZE_MAX, floatBits(2.0f));
  EXPECT_EQ(drawDistantPoint(false), 4);
  // A zero denominator takes the largest size rather than failing.
  device->SetRenderState(D3DRS_POINTSCALE_B, floatBits(0.0f));
  EXPECT_EQ(drawDistantPoint(false), 4);
}

TEST_F(PointSpriteTest, UnscaledSizesArePixels) {
  useDistantPointTransforms();
  device->SetRenderState(D3DRS_POINTSIZE, floatBits(2.0f));
  EXPECT_EQ(drawDistantPoint(false), 4);
  // A per-vertex size takes the place of the render state.
  EXPECT_EQ(drawDistantPoint(true, 4.0f), 16);
  // Pre-transformed vertices take their size in pixels too.
  std::vector<ScreenVertex9> point{{4, 4, 0.5f, 1, kWhite, 0, 0}};
  clear();
  ASSERT_EQ(drawScreen(D3DPT_POINTLIST, point, 1), D3D_OK);
  EXPECT_EQ(drawn(), 4);
}

TEST_F(PointSpriteTest, VertexShaderSizesPointsOrLeavesThemToTheRenderState) {
  auto makeShader = [&](bool writesSize, ComPtr<IDirect3DVertexShader9>* out) {
    ShaderTokens t(D3DVS_VERSION(1, 1));
    t.def(0, 4, 0, 0, 0)
        .def(1, 1, 1, 1, 1)
        .dcl(D3DDECLUSAGE_POSITION, 0, dst(D3DSPR_INPUT, 0))
        .op(D3DSIO_MOV, {dst(D3DSPR_RASTOUT, D3DSRO_POSITION), src(D3DSPR_INPUT, 0)})
        .op(D3DSIO_MOV, {dst(D3DSPR_ATTROUT, 0), src(D3DSPR_CONST, 1)});
    if (writesSize) {
      t.op(D3DSIO_MOV, {dst(D3DSPR_RASTOUT, D3DSRO_POINT_SIZE, D3DSP_WRITEMASK_0), src(D3DSPR_CONST, 0)});
    }
    std::vector<DWORD> tokens = t.end();
    ASSERT_EQ(device->CreateVertexShader(tokens.data(), out->put()), D3D_OK);
  };
  ComPtr<IDirect3DVertexShader9> sized, unsized;
  makeShader(true, &sized);
  makeShader(false, &unsized);
  device->SetRenderState(D3DRS_POINTSIZE, floatBits(2.0f));
  device->SetFVF(D3DFVF_XYZ);
  const float position[3] = {0, 0, 0.5f};
  // oPts = 4: pixel centres 2-5 around (4, 4).
  device->SetVertexShader(sized.get());
  clear();
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_POINTLIST, 1, position, sizeof position), D3D_OK);
  EXPECT_EQ(count(kWhite), 16);
  // No oPts: POINTSIZE 2.
  device->SetVertexShader(unsized.get());
  clear();
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_POINTLIST, 1, position, sizeof position), D3D_OK);
  EXPECT_EQ(count(kWhite), 4);
  device->SetVertexShader(nullptr);
}

TEST_F(PointSpriteTest, HostileSizeLimitsStayWithinTheDevicesLargestPoint) {
  useTarget(96, 96);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  device->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
  std::vector<ScreenVertex9> point{{48, 48, 0.5f, 1, kWhite, 0, 0}};
  // A minimum far past the largest size: the point is 64 pixels wide.
  device->SetRenderState(D3DRS_POINTSIZE_MIN, floatBits(1e30f));
  clear();
  ASSERT_EQ(drawScreen(D3DPT_POINTLIST, point, 1), D3D_OK);
  EXPECT_EQ(96 * 96 - count(kBackground), 64 * 64);
  // NaN limits and sizes fall back to one pixel.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  device->SetRenderState(D3DRS_POINTSIZE_MIN, floatBits(nan));
  device->SetRenderState(D3DRS_POINTSIZE_MAX, floatBits(nan));
  device->SetRenderState(D3DRS_POINTSIZE, floatBits(nan));
  clear();
  ASSERT_EQ(drawScreen(D3DPT_POINTLIST, point, 1), D3D_OK);
  EXPECT_EQ(96 * 96 - count(kBackground), 1);
  // Far off-screen and non-finite centres draw nothing.
  for (float x : {-1e30f, 1e30f, std::numeric_limits<float>::infinity(), nan}) {
    point[0].x = x;
    clear();
    ASSERT_EQ(drawScreen(D3DPT_POINTLIST, point, 1), D3D_OK);
    EXPECT_EQ(96 * 96 - count(kBackground), 0) << x;
  }
}

}  // namespace
}  // namespace platform::d3d9
