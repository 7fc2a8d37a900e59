// Coverage, fill rule, depth, culling, fill modes and clipping, checked on small targets
// against pixel sets worked out by hand from the platform's rasterisation rules.
#include <cmath>
#include <limits>

#include "tests/platform/d3d9/render_fixture.h"

namespace platform::d3d9 {
namespace {

constexpr D3DCOLOR kRed = 0xFFFF0000;
constexpr D3DCOLOR kGreen = 0xFF00FF00;
constexpr D3DCOLOR kBlue = 0xFF0000FF;

using RasterizerTest = RenderTest;

TEST_F(RasterizerTest, TopLeftRuleSplitsASquareAlongItsDiagonal) {
  std::vector<ScreenVertex9> upper{
      {0, 0, 0.5f, 1, kRed, 0, 0}, {5, 0, 0.5f, 1, kRed, 0, 0}, {5, 5, 0.5f, 1, kRed, 0, 0}};
  std::vector<ScreenVertex9> lower{
      {0, 5, 0.5f, 1, kGreen, 0, 0}, {0, 0, 0.5f, 1, kGreen, 0, 0}, {5, 5, 0.5f, 1, kGreen, 0, 0}};
  ASSERT_EQ(drawScreen(D3DPT_TRIANGLELIST, upper, 1), D3D_OK);
  ASSERT_EQ(drawScreen(D3DPT_TRIANGLELIST, lower, 1), D3D_OK);
  EXPECT_EQ(count(kRed), 15);
  EXPECT_EQ(count(kGreen), 10);
  for (UINT y = 0; y < 8; ++y) {
    for (UINT x = 0; x < 8; ++x) {
      D3DCOLOR expected = (x < 5 && y < 5) ? (y <= x ? kRed : kGreen) : 0;
      EXPECT_EQ(pixel(x, y), expected) << x << "," << y;
    }
  }
}

TEST_F(RasterizerTest, MeshWithSharedEdgesDrawsEveryPixelExactlyOnce) {
  useTarget(16, 16);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  // A 4x4 grid over [1, 15) with interior points moved off the pixel grid, in both windings.
  auto point = [](int i, int j) {
    float x = 1.0f + 3.5f * static_cast<float>(i), y = 1.0f + 3.5f * static_cast<float>(j);
    if (i > 0 && i < 4 && j > 0 && j < 4) {
      x += 0.37f * static_cast<float>((i * 7 + j * 3) % 5 - 2);
      y += 0.29f * static_cast<float>((i * 3 + j * 5) % 5 - 2);
    }
    return ScreenVertex9{x, y, 0.5f, 1, 0x00010101, 0, 0};
  };
  std::vector<ScreenVertex9> triangles;
  for (int j = 0; j < 4; ++j) {
    for (int i = 0; i < 4; ++i) {
      ScreenVertex9 a = point(i, j), b = point(i + 1, j), c = point(i, j + 1), d = point(i + 1, j + 1);
      if ((i + j) % 2) {
        triangles.insert(triangles.end(), {a, b, d, a, d, c});
      } else {
        triangles.insert(triangles.end(), {a, c, b, b, c, d});
      }
    }
  }
  ASSERT_EQ(drawScreen(D3DPT_TRIANGLELIST, triangles, static_cast<UINT>(triangles.size() / 3)), D3D_OK);
  for (UINT y = 0; y < 16; ++y) {
    for (UINT x = 0; x < 16; ++x) {
      D3DCOLOR expected = (x >= 1 && x < 15 && y >= 1 && y < 15) ? 0x00010101u : 0u;
      EXPECT_EQ(pixel(x, y) & 0x00FFFFFF, expected) << x << "," << y;
    }
  }
}

TEST_F(RasterizerTest, PretransformedQuadFillsPixelsAndTheHalfPixelOffsetMapsTexelsOneToOne) {
  std::vector<D3DCOLOR> texels(16);
  for (UINT i = 0; i < 16; ++i) texels[i] = 0xFF000000 | (i * 0x101010);
  ComPtr<IDirect3DTexture9> texture = makeTexture(4, 4, texels);
  device->SetTexture(0, texture.get());
  for (DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR}) {
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    ASSERT_EQ(drawRect(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFF), D3D_OK);
    for (UINT y = 0; y < 8; ++y) {
      for (UINT x = 0; x < 8; ++x) {
        D3DCOLOR expected = (x < 4 && y < 4) ? texels[y * 4 + x] : 0;
        EXPECT_EQ(pixel(x, y), expected) << "filter " << filter << " at " << x << "," << y;
      }
    }
  }
  // Without the offset the same quad still covers pixels 0..3 only.
  device->SetTexture(0, nullptr);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  ASSERT_EQ(drawRect(0, 0, 4, 4, kBlue), D3D_OK);
  EXPECT_EQ(count(kBlue), 16);
  EXPECT_EQ(pixel(3, 3), kBlue);
  EXPECT_EQ(pixel(4, 3), 0u);
}

TEST_F(RasterizerTest, DepthTestKeepsTheNearestSurfaceWhateverTheDrawingOrder) {
  ASSERT_EQ(drawRect(0, 0, 8, 8, kRed, 0.8f), D3D_OK);
  ASSERT_EQ(drawRect(0, 0, 4, 8, kGreen, 0.2f), D3D_OK);
  ASSERT_EQ(drawRect(0, 0, 8, 8, kBlue, 0.5f), D3D_OK);
  EXPECT_EQ(pixel(1, 1), kGreen);
  EXPECT_EQ(pixel(6, 1), kBlue);
  // Without depth writes the later far surface still loses to what is stored.
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  ASSERT_EQ(drawRect(0, 0, 8, 8, kRed, 0.1f), D3D_OK);
  ASSERT_EQ(drawRect(0, 0, 8, 8, kGreen, 0.3f), D3D_OK);
  EXPECT_EQ(pixel(6, 1), kGreen);
}

TEST_F(RasterizerTest, EveryDepthCompareFunctionAgainstAStoredHalf) {
  struct Case {
    DWORD function;
    bool nearer, equal, farther;
  };
  const Case cases[] = {{D3DCMP_NEVER, false, false, false},      {D3DCMP_LESS, true, false, false},
                        {D3DCMP_EQUAL, false, true, false},       {D3DCMP_LESSEQUAL, true, true, false},
                        {D3DCMP_GREATER, false, false, true},     {D3DCMP_NOTEQUAL, true, false, true},
                        {D3DCMP_GREATEREQUAL, false, true, true}, {D3DCMP_ALWAYS, true, true, true}};
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  for (const Case& c : cases) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 0.5f, 0);
    device->SetRenderState(D3DRS_ZFUNC, c.function);
    drawRect(0, 0, 1, 1, kRed, 0.25f);
    drawRect(1, 0, 2, 1, kRed, 0.5f);
    drawRect(2, 0, 3, 1, kRed, 0.75f);
    EXPECT_EQ(pixel(0, 0) == kRed, c.nearer) << "function " << c.function;
    EXPECT_EQ(pixel(1, 0) == kRed, c.equal) << "function " << c.function;
    EXPECT_EQ(pixel(2, 0) == kRed, c.farther) << "function " << c.function;
  }
}

TEST_F(RasterizerTest, ClearsOfDepthOrStencilAloneKeepTheOtherAndRespectRectangles) {
  // Depth 0.5 and stencil 5 everywhere, then stencil 7 alone, then depth 0.25 alone on the left half.
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 0.5f, 5);
  device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 0.0f, 7);
  const D3DRECT left{0, 0, 2, 4};
  device->Clear(1, &left, D3DCLEAR_ZBUFFER, 0, 0.25f, 0);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
  device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
  device->SetRenderState(D3DRS_STENCILREF, 7);
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_EQUAL);
  drawRect(0, 0, 4, 1, kRed, 0.5f);     // depth 0.5 kept on the right only
  drawRect(0, 1, 4, 2, kGreen, 0.25f);  // depth 0.25 on the left only
  EXPECT_EQ(pixel(0, 0), 0u);
  EXPECT_EQ(pixel(3, 0), kRed);
  EXPECT_EQ(pixel(1, 1), kGreen);
  EXPECT_EQ(pixel(2, 1), 0u);
  device->SetRenderState(D3DRS_STENCILREF, 5);  // the old stencil value is gone everywhere
  drawRect(0, 2, 4, 3, kRed, 0.5f);
  EXPECT_EQ(pixel(3, 2), 0u);
  device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
}

TEST_F(RasterizerTest, CullModesRemoveTrianglesByTheirScreenWinding) {
  std::vector<ScreenVertex9> clockwise{
      {0, 0, 0.5f, 1, kRed, 0, 0}, {4, 0, 0.5f, 1, kRed, 0, 0}, {0, 4, 0.5f, 1, kRed, 0, 0}};
  std::vector<ScreenVertex9> counter{
      {4, 4, 0.5f, 1, kGreen, 0, 0}, {8, 8, 0.5f, 1, kGreen, 0, 0}, {8, 4, 0.5f, 1, kGreen, 0, 0}};
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  drawScreen(D3DPT_TRIANGLELIST, clockwise, 1);
  drawScreen(D3DPT_TRIANGLELIST, counter, 1);
  EXPECT_GT(count(kRed), 0);
  EXPECT_EQ(count(kGreen), 0);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  drawScreen(D3DPT_TRIANGLELIST, clockwise, 1);
  drawScreen(D3DPT_TRIANGLELIST, counter, 1);
  EXPECT_EQ(count(kRed), 0);
  EXPECT_GT(count(kGreen), 0);
}

TEST_F(RasterizerTest, WireframeDrawsTheOutlineOnly) {
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  std::vector<ScreenVertex9> t{{1, 1, 0.5f, 1, kRed, 0, 0}, {6, 1, 0.5f, 1, kRed, 0, 0}, {1, 6, 0.5f, 1, kRed, 0, 0}};
  ASSERT_EQ(drawScreen(D3DPT_TRIANGLELIST, t, 1), D3D_OK);
  for (UINT x = 1; x <= 6; ++x) EXPECT_EQ(pixel(x, 1), kRed) << "top edge " << x;
  for (UINT y = 1; y <= 6; ++y) EXPECT_EQ(pixel(1, y), kRed) << "left edge " << y;
  for (UINT i = 1; i <= 6; ++i) EXPECT_EQ(pixel(i, 7 - i), kRed) << "diagonal " << i;
  EXPECT_EQ(pixel(2, 2), 0u);
  EXPECT_EQ(pixel(3, 3), 0u);
  EXPECT_EQ(count(kRed), 15);
}

TEST_F(RasterizerTest, LinesFarLargerThanTheTargetDrawJustTheirVisiblePart) {
  std::vector<ScreenVertex9> line{{-1e6f, 3, 0.5f, 1, kRed, 0, 0}, {1e6f, 3, 0.5f, 1, kRed, 0, 0}};
  ASSERT_EQ(drawScreen(D3DPT_LINELIST, line, 1), D3D_OK);
  EXPECT_EQ(count(kRed), 8);
  for (UINT x = 0; x < 8; ++x) EXPECT_EQ(pixel(x, 3), kRed) << x;
}

TEST_F(RasterizerTest, PointFillAndPointListsDrawOnePixelPerVertex) {
  std::vector<ScreenVertex9> points{{1, 1, 0.5f, 1, kRed, 0, 0}, {5.4f, 2.6f, 0.5f, 1, kRed, 0, 0}};
  ASSERT_EQ(drawScreen(D3DPT_POINTLIST, points, 2), D3D_OK);
  EXPECT_EQ(pixel(1, 1), kRed);
  EXPECT_EQ(pixel(5, 3), kRed);
  EXPECT_EQ(count(kRed), 2);
}

TEST_F(RasterizerTest, ScissorRectangleLimitsDrawing) {
  RECT scissor{2, 3, 5, 6};
  device->SetScissorRect(&scissor);
  device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
  ASSERT_EQ(drawRect(0, 0, 8, 8, kRed), D3D_OK);
  EXPECT_EQ(count(kRed), 9);
  EXPECT_EQ(pixel(2, 3), kRed);
  EXPECT_EQ(pixel(4, 5), kRed);
  EXPECT_EQ(pixel(5, 5), 0u);
}

struct PositionColor {
  float x, y, z;
  D3DCOLOR color;
};

TEST_F(RasterizerTest, TransformedVerticesMapThroughTheViewportAndAreClippedToTheViewVolume) {
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  // Identity transforms: clip space is the input; a quad at the volume's edges fills the target.
  PositionColor quad[] = {{-1, 1, 0.5f, kRed}, {1, 1, 0.5f, kRed}, {-1, -1, 0.5f, kRed}, {1, -1, 0.5f, kRed}};
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(PositionColor)), D3D_OK);
  EXPECT_EQ(count(kRed), 64);
  // Screen x = (1 + x) * 4: the left half of clip space covers columns 0..3.
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  PositionColor left[] = {{-1, 1, 0.5f, kGreen}, {0, 1, 0.5f, kGreen}, {-1, -1, 0.5f, kGreen}, {0, -1, 0.5f, kGreen}};
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, left, sizeof(PositionColor)), D3D_OK);
  EXPECT_EQ(count(kGreen), 32);
  EXPECT_EQ(pixel(3, 0), kGreen);
  EXPECT_EQ(pixel(4, 0), 0u);
  // A huge triangle reaching behind the viewer and past the far plane is clipped, not lost.
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  PositionColor huge[] = {{-1e6f, -1e6f, -1, kBlue}, {1e6f, -1e6f, 0.5f, kBlue}, {0, 1e6f, 1.5f, kBlue}};
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, huge, sizeof(PositionColor)), D3D_OK);
  EXPECT_GT(count(kBlue), 0);
}

TEST_F(RasterizerTest, GouraudInterpolatesAndFlatTakesTheFirstVertexColour) {
  std::vector<ScreenVertex9> t{{-0.5f, -0.5f, 0.5f, 1, 0xFF000000, 0, 0},
                               {7.5f, -0.5f, 0.5f, 1, 0xFFFF0000, 0, 0},
                               {-0.5f, 7.5f, 0.5f, 1, 0xFF000000, 0, 0}};
  ASSERT_EQ(drawScreen(D3DPT_TRIANGLELIST, t, 1), D3D_OK);
  // Red grows by 255/8 per pixel from the left edge: pixel x samples (x + 0.5) / 8 of the way.
  EXPECT_EQ(pixel(0, 0), 0xFF100000u);
  EXPECT_EQ(pixel(3, 0), 0xFF700000u);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
  t[0].color = kGreen;
  ASSERT_EQ(drawScreen(D3DPT_TRIANGLELIST, t, 1), D3D_OK);
  EXPECT_EQ(pixel(3, 0), kGreen);
  EXPECT_EQ(pixel(0, 3), kGreen);
  // Clipping away the first vertex keeps its colour for the pieces that remain.
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  PositionColor clipped[] = {{0, 4, -1, kRed}, {-4, -4, 0.9f, kGreen}, {4, -4, 0.9f, kGreen}};
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, clipped, sizeof(PositionColor)), D3D_OK);
  EXPECT_GT(count(kRed), 0);
  EXPECT_EQ(count(kGreen), 0);
}

TEST_F(RasterizerTest, TheImageDoesNotDependOnTheNumberOfWorkers) {
  useTarget(256, 200);
  std::vector<D3DCOLOR> texels(64);
  for (UINT i = 0; i < 64; ++i) texels[i] = 0x80000000u | (i * 0x040301);
  ComPtr<IDirect3DTexture9> texture = makeTexture(8, 8, texels);
  device->SetTexture(0, texture.get());
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  auto render = [&](unsigned workers) {
    EXPECT_TRUE(testing::setRenderWorkers(device.get(), workers));
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030, 1.0f, 0);
    std::vector<ScreenVertex9> t{
        {3.3f, 1.7f, 0.2f, 1, 0xFFFFFFFF, 0, 0},     {250.1f, 20.9f, 0.6f, 0.5f, 0xFF80FF80, 3, 0},
        {30.5f, 197.2f, 0.9f, 2, 0xFFFF8080, 0, 2},  {200, 190, 0.1f, 1, 0x80FFFFFF, 1, 1},
        {10, 100, 0.3f, 1, 0xFF0000FF, 0.5f, 0.25f}, {240, 5, 0.7f, 1, 0xFF00FF00, 2, 2}};
    drawScreen(D3DPT_TRIANGLELIST, t, 2);
    return pixels();
  };
  std::vector<D3DCOLOR> one = render(1);
  EXPECT_EQ(render(3), one);
  EXPECT_EQ(render(2), one);
}

TEST_F(RasterizerTest, HostileGeometryNeitherCrashesNorDrawsGarbage) {
  float nan = std::numeric_limits<float>::quiet_NaN();
  float inf = std::numeric_limits<float>::infinity();
  std::vector<ScreenVertex9> bad{
      {nan, 0, 0.5f, 1, kRed, 0, 0}, {4, 0, 0.5f, 1, kRed, 0, 0}, {0, 4, 0.5f, 1, kRed, 0, 0},
      {inf, 0, 0.5f, 1, kRed, 0, 0}, {4, 0, 0.5f, 1, kRed, 0, 0}, {0, 4, 0.5f, 1, kRed, 0, 0},
      {1, 1, 0.5f, 1, kRed, 0, 0},   {1, 1, 0.5f, 1, kRed, 0, 0}, {1, 1, 0.5f, 1, kRed, 0, 0}};
  EXPECT_EQ(drawScreen(D3DPT_TRIANGLELIST, bad, 3), D3D_OK);
  EXPECT_EQ(count(kRed), 0);
  // Enormous pre-transformed triangles are limited to the target.
  std::vector<ScreenVertex9> huge{{-1e30f, -1e30f, 0.5f, 1, kGreen, 0, 0},
                                  {1e30f, -1e30f, 0.5f, 1, kGreen, 0, 0},
                                  {0, 1e30f, 0.5f, 1, kGreen, 0, 0}};
  EXPECT_EQ(drawScreen(D3DPT_TRIANGLELIST, huge, 1), D3D_OK);
  EXPECT_EQ(drawScreen(D3DPT_LINELIST, huge, 1), D3D_OK);
  // Indices far outside the vertices read default vertices instead of memory past the data.
  device->SetFVF(kScreenVertexFvf);
  WORD indices[] = {0, 1, 60000};
  EXPECT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, indices, D3DFMT_INDEX16, huge.data(),
                                           sizeof(ScreenVertex9)),
            D3D_OK);
  // More primitives than the caps allow are refused before anything is read.
  EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 0x100000, huge.data(), sizeof(ScreenVertex9)),
            D3DERR_INVALIDCALL);
  // No declaration bound and no stream bound are refused.
  device->SetVertexDeclaration(nullptr);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
  device->SetFVF(kScreenVertexFvf);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
}

}  // namespace
}  // namespace platform::d3d9
