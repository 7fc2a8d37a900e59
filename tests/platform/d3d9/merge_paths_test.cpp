// The specialised merges of common states against the general merge: the same overlapping,
// blended, depth-tested triangles drawn with fast paths on and off give the same bits, for
// every depth and alpha comparison, both 32-bit targets, both integer depth layouts and a depth
// buffer smaller than the target. Untextured draws take the quad merge; textured ones the
// block merge.
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "tests/platform/d3d9/render_fixture.h"

namespace platform::d3d9 {
namespace {

struct MergeCase {
  D3DFORMAT target;
  D3DFORMAT depth;
  bool blend;
  UINT depthWidth = 13, depthHeight = 11;
};

class MergePathsTest : public RenderTest {
 protected:
  // Draws the same scene with the given state and returns the target's pixels.
  std::vector<D3DCOLOR> render(const MergeCase& c, DWORD zFunc, DWORD alphaFunc, bool zWrite, bool fastPaths,
                               bool textured = false) {
    useTarget(13, 11, c.target);
    ComPtr<IDirect3DSurface9> depth;
    EXPECT_EQ(device->CreateDepthStencilSurface(c.depthWidth, c.depthHeight, c.depth, D3DMULTISAMPLE_NONE, 0, FALSE,
                                                depth.put(), nullptr),
              D3D_OK);
    ComPtr<IDirect3DTexture9> texture;
    if (textured) {
      std::vector<D3DCOLOR> texels(16);
      std::mt19937 texelRandom(5);
      for (D3DCOLOR& t : texels) t = texelRandom();
      texture = makeTexture(4, 4, texels);
      device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
      device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    }
    device->SetTexture(0, texture.get());
    device->SetDepthStencilSurface(depth.get());
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x40302010, 0.6f, 0);
    testing::setFastPaths(device.get(), fastPaths);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ZFUNC, zFunc);
    device->SetRenderState(D3DRS_ZWRITEENABLE, zWrite);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, alphaFunc != 0);
    device->SetRenderState(D3DRS_ALPHAFUNC, alphaFunc);
    device->SetRenderState(D3DRS_ALPHAREF, 0x80);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, c.blend);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> x(-3.0f, 16.0f), z(-0.1f, 1.1f);
    std::uniform_int_distribution<DWORD> colour(0, 0xFFFFFFFF);
    std::uniform_real_distribution<float> coordinate(-1.0f, 2.0f);
    std::vector<ScreenVertex9> vertices;
    for (int i = 0; i < 24 * 3; ++i) {
      vertices.push_back({x(random), x(random), z(random), 1, colour(random), coordinate(random), coordinate(random)});
    }
    // The last triangles repeat earlier ones exactly, so EQUAL and LESSEQUAL meet equal depths.
    vertices.insert(vertices.end(), vertices.begin(), vertices.begin() + 12);
    EXPECT_EQ(drawScreen(D3DPT_TRIANGLELIST, vertices, static_cast<UINT>(vertices.size() / 3)), D3D_OK);
    std::vector<D3DCOLOR> image = pixels();
    device->SetTexture(0, nullptr);
    device->SetDepthStencilSurface(depth_.get());
    testing::setFastPaths(device.get(), true);
    return image;
  }
};

TEST_F(MergePathsTest, CommonStatesGiveTheGeneralMergesBits) {
  const MergeCase cases[] = {{D3DFMT_A8R8G8B8, D3DFMT_D24S8, false},
                             {D3DFMT_X8R8G8B8, D3DFMT_D24X8, true},
                             {D3DFMT_A8R8G8B8, D3DFMT_D16, true},
                             {D3DFMT_X8R8G8B8, D3DFMT_D16, false},
                             {D3DFMT_A8R8G8B8, D3DFMT_D24S8, true, 9, 6}};
  for (const MergeCase& c : cases) {
    for (DWORD zFunc = D3DCMP_NEVER; zFunc <= D3DCMP_ALWAYS; ++zFunc) {
      for (DWORD alphaFunc : {DWORD{0}, DWORD{D3DCMP_LESS}, DWORD{D3DCMP_EQUAL}, DWORD{D3DCMP_GREATEREQUAL}}) {
        for (bool zWrite : {false, true}) {
          for (bool textured : {false, true}) {
            SCOPED_TRACE(::testing::Message()
                         << "target " << c.target << " depth " << c.depth << " " << c.depthWidth << "x" << c.depthHeight
                         << " blend " << c.blend << " zfunc " << zFunc << " alphafunc " << alphaFunc << " zwrite "
                         << zWrite << " textured " << textured);
            std::vector<D3DCOLOR> general = render(c, zFunc, alphaFunc, zWrite, false, textured);
            std::vector<D3DCOLOR> fast = render(c, zFunc, alphaFunc, zWrite, true, textured);
            ASSERT_EQ(fast, general);
          }
        }
      }
    }
  }
}

TEST_F(MergePathsTest, ScenesDifferWhenTheStateDoes) {
  // Guards the comparison above against scenes that draw nothing.
  const MergeCase c{D3DFMT_A8R8G8B8, D3DFMT_D24S8, true};
  EXPECT_NE(render(c, D3DCMP_LESS, 0, true, true), render(c, D3DCMP_GREATER, 0, true, true));
  EXPECT_NE(render(c, D3DCMP_ALWAYS, 0, true, true), render(c, D3DCMP_ALWAYS, D3DCMP_LESS, true, true));
}

}  // namespace
}  // namespace platform::d3d9
