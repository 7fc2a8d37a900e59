// Draws shaded and merged a block of pixels at a time against the general paths: the same random
// triangles, with the fixed stages' defaults or a straight-line shader, give the same bits with
// the fast paths on and off, whether the sampler is the wrapped bilinear one or needs the
// quads' derivatives, and when some triangles reach too far for the block rasteriser.
#include <gtest/gtest.h>

#include <random>

#include "tests/platform/d3d9/assemble_text.h"
#include "tests/platform/d3d9/render_fixture.h"

namespace platform::d3d9 {
namespace {

struct ProjectedVertex {
  float x, y, z, rhw;
  D3DCOLOR color;
  float s, t, r, q;
};
constexpr DWORD kProjectedFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE4(0);

// How the shaded colour is merged: alpha-tested, blended, or written as it is.
enum class Merge { alphaTest, blend, opaque };

class BlockPathsTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    std::vector<D3DCOLOR> texels(16 * 16 + 8 * 8 + 4 * 4 + 2 * 2 + 1);
    std::mt19937 random(3);
    for (D3DCOLOR& t : texels) t = random();
    // The shader's wrapped texture has no alpha; the fixed stages' reads cover one with.
    wrapped_ = makeTexture(16, 16, texels, 1, D3DFMT_X8R8G8B8);
    mipmapped_ = makeTexture(16, 16, texels, 5);
    const std::string shader =
        "ps_2_0\n"
        "dcl v0\n"
        "dcl t0\n"
        "dcl_2d s0\n"
        "dcl_2d s1\n"
        "texld r0, t0, s0\n"
        "texldp r1, t0, s1\n"
        "texldb r2, t0, s1\n"
        "texld r3, t0, s1\n"
        "mad r0, r0, v0, r1\n"
        "add r0, r0, r3\n"
        "lrp_sat r0, v0.w, r0, r2\n"
        "mov oC0, r0\n";
    // Shaders whose lanes need no neighbour (texture reads without derivatives) are shaded
    // with the covered lanes packed together; vPos keeps a shader on the blocks' own lanes.
    const std::string alone =
        "ps_2_0\n"
        "def c0, 0.5, 1.5, -0.25, 2\n"
        "dcl v0\n"
        "dcl t0\n"
        "dcl_2d s0\n"
        "texld r0, t0, s0\n"
        "mad r1, t0.yxzw, c0, c0.z\n"
        "texld r1, r1, s0\n"
        "mad r0, r0, v0, r1\n"
        "mov oC0, r0\n";
    const std::string positioned =
        "ps_3_0\n"
        "def c0, 0.0625, 0.125, 0, 1\n"
        "dcl vPos.xy\n"
        "dcl_texcoord0 v1\n"
        "dcl_2d s0\n"
        "mad r0, vPos.xyxy, c0.xyxy, v1\n"
        "texld r0, r0, s0\n"
        "mov oC0, r0\n";
    const std::string* texts[] = {&shader, &alone, &positioned};
    for (std::size_t i = 0; i < shaders_.size(); ++i) {
      std::vector<DWORD> tokens = assembleText(*texts[i]);
      ASSERT_EQ(device->CreatePixelShader(tokens.data(), shaders_[i].put()), D3D_OK);
    }
  }
  void TearDown() override {
    device->SetTexture(0, nullptr);
    device->SetTexture(1, nullptr);
    device->SetPixelShader(nullptr);
    wrapped_.reset();
    mipmapped_.reset();
    for (auto& shader : shaders_) shader.reset();
    RenderTest::TearDown();
  }

  // `shader`: 0 none, else one of shaders_.
  std::vector<D3DCOLOR> render(int shader, Merge merge, bool fastPaths, UINT width = 37, UINT height = 23,
                               D3DFORMAT format = D3DFMT_A8R8G8B8) {
    const bool useShader = shader > 0, blend = merge == Merge::blend;
    useTarget(width, height, format);
    testing::setFastPaths(device.get(), fastPaths);
    device->SetPixelShader(useShader ? shaders_[static_cast<std::size_t>(shader - 1)].get() : nullptr);
    device->SetTexture(0, useShader ? wrapped_.get() : mipmapped_.get());
    device->SetTexture(1, mipmapped_.get());
    for (DWORD s = 0; s < 2; ++s) {
      device->SetSamplerState(s, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
      device->SetSamplerState(s, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    }
    device->SetSamplerState(1, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR);
    // Without a shader, stage 0 reads the mipmapped texture through the quads' derivatives
    // in one pass and the wrapped one in the other.
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, blend ? D3DTEXF_NONE : D3DTEXF_POINT);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, blend);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, merge == Merge::alphaTest);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    device->SetRenderState(D3DRS_ALPHAREF, 0x40);
    std::mt19937 random(11);
    std::uniform_real_distribution<float> position(-6.0f, 42.0f), depth(0.0f, 1.0f), coordinate(-2.0f, 3.0f),
        q(0.5f, 2.0f), rhw(0.25f, 4.0f);
    std::vector<ProjectedVertex> vertices;
    for (int i = 0; i < 30 * 3; ++i) {
      vertices.push_back({position(random), position(random), depth(random), rhw(random),
                          static_cast<D3DCOLOR>(random()), coordinate(random), coordinate(random), coordinate(random),
                          q(random)});
    }
    // A triangle far beyond what the block rasteriser takes, drawn in between.
    vertices[40].x = 3.0e5f;
    vertices[41].y = -2.0e5f;
    device->SetFVF(kProjectedFvf);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 30, vertices.data(), sizeof(ProjectedVertex)), D3D_OK);
    std::vector<D3DCOLOR> image = pixels();
    testing::setFastPaths(device.get(), true);
    return image;
  }

  ComPtr<IDirect3DTexture9> wrapped_, mipmapped_;
  // Without a shader, and the three shaders above.
  std::array<ComPtr<IDirect3DPixelShader9>, 3> shaders_;
};

TEST_F(BlockPathsTest, FixedStagesAndShadersGiveTheGeneralPathsBits) {
  for (int shader = 0; shader <= 3; ++shader) {
    for (Merge merge : {Merge::alphaTest, Merge::blend}) {
      SCOPED_TRACE(::testing::Message() << "shader " << shader << " merge " << static_cast<int>(merge));
      std::vector<D3DCOLOR> general = render(shader, merge, false);
      EXPECT_EQ(render(shader, merge, true), general);
      // Guards the comparison against a scene that draws nothing.
      EXPECT_LT(std::count(general.begin(), general.end(), D3DCOLOR{0}), static_cast<long>(general.size() / 2));
    }
  }
}

TEST_F(BlockPathsTest, TargetsSmallerThanABlockGiveTheGeneralPathsBits) {
  // Every block reaches past the target's edge, so every pixel goes lane by lane.
  for (int shader = 0; shader <= 3; ++shader) {
    SCOPED_TRACE(::testing::Message() << "shader " << shader);
    EXPECT_EQ(render(shader, Merge::alphaTest, true, 3, 1), render(shader, Merge::alphaTest, false, 3, 1));
    EXPECT_EQ(render(shader, Merge::blend, true, 2, 3), render(shader, Merge::blend, false, 2, 3));
  }
}

TEST_F(BlockPathsTest, ColoursWrittenAsTheyAreGiveTheGeneralPathsBits) {
  // Without an alpha test or blending, an X8R8G8B8 target reads no alpha from the shading, and
  // the block paths leave it out; an A8R8G8B8 target keeps it.
  for (D3DFORMAT format : {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8}) {
    for (int shader = 0; shader <= 3; ++shader) {
      SCOPED_TRACE(::testing::Message() << "shader " << shader << " format " << format);
      const std::vector<D3DCOLOR> general = render(shader, Merge::opaque, false, 37, 23, format);
      EXPECT_EQ(render(shader, Merge::opaque, true, 37, 23, format), general);
      EXPECT_LT(std::count(general.begin(), general.end(), D3DCOLOR{0}), static_cast<long>(general.size() / 2));
    }
  }
}

}  // namespace
}  // namespace platform::d3d9
