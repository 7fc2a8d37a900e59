// User clip planes cutting a full-viewport quad on an 8x8 target at a known column: clip-space
// x = 0.125 is screen x = 4.5, so keeping x >= 0.125 leaves columns 5-7. Fixed-function planes
// are in world space, shader planes in clip space.
#include <limits>

#include "tests/platform/d3d9/render_fixture.h"
#include "tests/platform/d3d9/shader_token_builder.h"

namespace platform::d3d9 {
namespace {

struct ColoredVertex {
  float x, y, z;
  D3DCOLOR color;
};
constexpr DWORD kColoredFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
constexpr D3DCOLOR kRed = 0xFFFF0000u;

D3DMATRIX translation(float x) {
  D3DMATRIX m{};
  for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
  m.m[3][0] = x;
  return m;
}

class ClipPlanesTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    D3DMATRIX identity = translation(0);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &identity);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  }

  // Draws the quad spanning object x and y from -1 to 1; returns the columns of row 3 it
  // covered, as a bit per column.
  unsigned drawQuad() {
    ColoredVertex quad[] = {{-1, 1, 0.5f, kRed}, {1, 1, 0.5f, kRed}, {-1, -1, 0.5f, kRed}, {1, -1, 0.5f, kRed}};
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    device->SetFVF(kColoredFvf);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ColoredVertex)), D3D_OK);
    std::vector<D3DCOLOR> all = pixels();
    unsigned columns = 0;
    for (UINT x = 0; x < 8; ++x) {
      if (all[3 * 8 + x] == kRed) columns |= 1u << x;
    }
    // Every row is cut at the same column.
    for (UINT y = 0; y < 8; ++y) {
      for (UINT x = 0; x < 8; ++x) EXPECT_EQ(all[y * 8 + x] == kRed, ((columns >> x) & 1) != 0) << x << ", " << y;
    }
    return columns;
  }

  void setPlane(DWORD index, float a, float b, float c, float d) {
    const float plane[4] = {a, b, c, d};
    ASSERT_EQ(device->SetClipPlane(index, plane), D3D_OK);
  }
};

constexpr unsigned kAllColumns = 0xFF;
constexpr unsigned kColumnsFrom5 = 0xE0;
constexpr unsigned kColumnsFrom6 = 0xC0;

TEST_F(ClipPlanesTest, EnabledPlaneKeepsThePositiveHalfSpace) {
  setPlane(0, 1, 0, 0, -0.125f);
  // Setting a plane does not enable it.
  EXPECT_EQ(drawQuad(), kAllColumns);
  device->SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE0);
  EXPECT_EQ(drawQuad(), kColumnsFrom5);
  // The opposite plane keeps the other side: x <= 0.125, columns 0-4.
  setPlane(0, -1, 0, 0, 0.125f);
  EXPECT_EQ(drawQuad(), 0x1Fu);
}

TEST_F(ClipPlanesTest, EachEnableBitSelectsItsOwnPlane) {
  setPlane(0, 1, 0, 0, -0.125f);
  setPlane(3, -1, 0, 0, 0.625f);  // x <= 0.625: screen 6.5, columns 0-6
  device->SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE3);
  EXPECT_EQ(drawQuad(), 0x7Fu);
  device->SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE0 | D3DCLIPPLANE3);
  EXPECT_EQ(drawQuad(), 0x60u);
  // A plane no point can satisfy removes everything.
  setPlane(5, 0, 0, 0, -1);
  device->SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE5);
  EXPECT_EQ(drawQuad(), 0u);
}

TEST_F(ClipPlanesTest, FixedFunctionPlanesAreInWorldSpace) {
  // World moves the quad right by 0.25, the view moves it back: world x 0.375 is clip x 0.125.
  // In object or clip space the same plane would cut at screen 5.5 instead.
  D3DMATRIX world = translation(0.25f), view = translation(-0.25f);
  device->SetTransform(D3DTS_WORLD, &world);
  device->SetTransform(D3DTS_VIEW, &view);
  setPlane(1, 1, 0, 0, -0.375f);
  device->SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE1);
  EXPECT_EQ(drawQuad(), kColumnsFrom5);
}

TEST_F(ClipPlanesTest, ShaderPlanesAreInClipSpace) {
  // vs_1_1 passing the position and colour through; the transforms play no part.
  ShaderTokens t(D3DVS_VERSION(1, 1));
  t.dcl(D3DDECLUSAGE_POSITION, 0, dst(D3DSPR_INPUT, 0))
      .dcl(D3DDECLUSAGE_COLOR, 0, dst(D3DSPR_INPUT, 1))
      .op(D3DSIO_MOV, {dst(D3DSPR_RASTOUT, D3DSRO_POSITION), src(D3DSPR_INPUT, 0)})
      .op(D3DSIO_MOV, {dst(D3DSPR_ATTROUT, 0), src(D3DSPR_INPUT, 1)});
  std::vector<DWORD> tokens = t.end();
  ComPtr<IDirect3DVertexShader9> shader;
  ASSERT_EQ(device->CreateVertexShader(tokens.data(), shader.put()), D3D_OK);
  D3DMATRIX world = translation(0.25f), view = translation(-0.25f);
  device->SetTransform(D3DTS_WORLD, &world);
  device->SetTransform(D3DTS_VIEW, &view);
  setPlane(1, 1, 0, 0, -0.375f);
  device->SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE1);
  device->SetVertexShader(shader.get());
  EXPECT_EQ(drawQuad(), kColumnsFrom6);
  device->SetVertexShader(nullptr);
}

TEST_F(ClipPlanesTest, PlanesFollowTheClippingState) {
  setPlane(0, 1, 0, 0, -0.125f);
  device->SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE0);
  device->SetRenderState(D3DRS_CLIPPING, FALSE);
  EXPECT_EQ(drawQuad(), kAllColumns);
}

TEST_F(ClipPlanesTest, PointsAndLinesAreClippedToo) {
  setPlane(0, 1, 0, 0, -0.125f);
  device->SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE0);
  device->SetFVF(kColoredFvf);
  // Points at clip x -0.5 (column 2) and 0.5 (column 6) on row 4: only the second stays.
  ColoredVertex points[] = {{-0.5f, 0, 0.5f, kRed}, {0.5f, 0, 0.5f, kRed}};
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_POINTLIST, 2, points, sizeof(ColoredVertex)), D3D_OK);
  EXPECT_EQ(pixel(2, 4), 0u);
  EXPECT_EQ(pixel(6, 4), kRed);
  // A line across the target keeps only its part right of screen x 4.5.
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  ColoredVertex line[] = {{-1, 0.6f, 0.5f, kRed}, {1, 0.6f, 0.5f, kRed}};
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_LINELIST, 1, line, sizeof(ColoredVertex)), D3D_OK);
  std::vector<D3DCOLOR> all = pixels();
  int right = 0;
  for (UINT i = 0; i < all.size(); ++i) {
    if (all[i] != kRed) continue;
    EXPECT_GE(i % 8, 5u) << "pixel " << i % 8 << ", " << i / 8;
    ++right;
  }
  EXPECT_GE(right, 2);
}

TEST_F(ClipPlanesTest, NonFinitePlanesDrawNothingRatherThanGarbage) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  setPlane(2, nan, 0, 0, 0);
  device->SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE2);
  EXPECT_EQ(drawQuad(), 0u);
  setPlane(2, std::numeric_limits<float>::infinity(), 0, 0, 0);
  unsigned columns = drawQuad();
  EXPECT_EQ(columns & 0x0Fu, 0u);  // x < 0 is -infinity away
}

}  // namespace
}  // namespace platform::d3d9
