// Draws held back until the scene's pixels are needed: random runs of draws give the bits the
// general paths give drawing each at once (colour, and depth where the buffer can be read),
// whatever the states; the visibility pass finds the draws it should; and every way of
// reading or changing pixels in the middle of a scene sees the draws before it.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/d3d9/d3d9_testing.h"
#include "tests/platform/d3d9/assemble_text.h"
#include "tests/platform/d3d9/render_fixture.h"

namespace platform::d3d9 {
namespace {

constexpr D3DCOLOR kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

struct Image {
  std::vector<D3DCOLOR> color;
  std::vector<std::uint16_t> depth;  // when the buffer is lockable
  bool operator==(const Image&) const = default;
};

class HeldDrawsTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    const char* texts[] = {
        // Kills pixels by their texture coordinates.
        "ps_2_0\ndcl v0\ndcl t0\ntexkill t0\nmov oC0, v0\n",
        // Writes its own depth.
        "ps_2_0\ndcl v0\ndcl t0\nmov oDepth, t0.x\nmov oC0, v0\n",
    };
    for (std::size_t i = 0; i < shaders_.size(); ++i) {
      std::vector<DWORD> tokens = assembleText(texts[i]);
      ASSERT_EQ(device->CreatePixelShader(tokens.data(), shaders_[i].put()), D3D_OK);
    }
    // The fixed stages' texture-times-diffuse (the state drawn a block at a time) with a white
    // texture leaves the vertex colours as they are.
    white_ = makeTexture(1, 1, {0xFFFFFFFF});
    device->SetTexture(0, white_.get());
  }
  void TearDown() override {
    device->SetPixelShader(nullptr);
    device->SetTexture(0, nullptr);
    for (auto& shader : shaders_) shader.reset();
    white_.reset();
    RenderTest::TearDown();
  }

  // A target of width x height with a depth buffer of the format and size given, cleared, in
  // a scene.
  void useTargets(UINT width, UINT height, D3DFORMAT depthFormat, UINT depthWidth, UINT depthHeight) {
    useTarget(width, height);
    device->EndScene();
    inScene_ = false;
    ASSERT_EQ(device->CreateDepthStencilSurface(depthWidth, depthHeight, depthFormat, D3DMULTISAMPLE_NONE, 0, FALSE,
                                                depth_.put(), nullptr),
              D3D_OK);
    ASSERT_EQ(device->SetDepthStencilSurface(depth_.get()), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    inScene_ = true;
  }

  Image image(bool lockableDepth) {
    Image out{pixels(), {}};
    if (!lockableDepth) return out;
    D3DSURFACE_DESC desc{};
    depth_->GetDesc(&desc);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(depth_->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    for (UINT y = 0; y < desc.Height; ++y) {
      const auto* row =
          reinterpret_cast<const std::uint16_t*>(static_cast<const char*>(locked.pBits) + y * locked.Pitch);
      out.depth.insert(out.depth.end(), row, row + desc.Width);
    }
    depth_->UnlockRect();
    return out;
  }

  // A random run of draws: a few triangles each (many at the same few depths), with random
  // depth, alpha, blend, stencil, mask, fill and scissor states and shaders that kill pixels or
  // write depth.
  Image randomRun(std::uint32_t seed, bool fastPaths, D3DFORMAT depthFormat, UINT width, UINT height, UINT depthWidth,
                  UINT depthHeight) {
    useTargets(width, height, depthFormat, depthWidth, depthHeight);
    std::mt19937 random(seed);
    auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    auto pick = [&](std::initializer_list<DWORD> values) { return *(values.begin() + random() % values.size()); };
    device->EndScene();
    const DWORD clearFlags = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | (depthFormat == D3DFMT_D24S8 ? D3DCLEAR_STENCIL : 0);
    EXPECT_EQ(device->Clear(0, nullptr, clearFlags, random(), chance(70) ? 1.0f : 0.6f, 0), D3D_OK);
    device->BeginScene();
    testing::setFastPaths(device.get(), fastPaths);
    std::uniform_real_distribution<float> x(-4.0f, static_cast<float>(width) + 4.0f),
        y(-4.0f, static_cast<float>(height) + 4.0f), anyDepth(0.0f, 1.0f), coordinate(-0.3f, 1.0f);
    const int draws = 2 + static_cast<int>(random() % 6);
    for (int d = 0; d < draws; ++d) {
      device->SetRenderState(D3DRS_ZENABLE, chance(90));
      device->SetRenderState(D3DRS_ZWRITEENABLE, chance(75));
      device->SetRenderState(D3DRS_ZFUNC, chance(70) ? pick({D3DCMP_LESSEQUAL, D3DCMP_LESS})
                                                     : pick({D3DCMP_ALWAYS, D3DCMP_GREATER, D3DCMP_EQUAL,
                                                             D3DCMP_NOTEQUAL, D3DCMP_GREATEREQUAL, D3DCMP_NEVER}));
      device->SetRenderState(D3DRS_ALPHATESTENABLE, chance(15));
      device->SetRenderState(D3DRS_ALPHAREF, 0x80);
      device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
      device->SetRenderState(D3DRS_ALPHABLENDENABLE, chance(15));
      device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
      device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
      device->SetRenderState(D3DRS_COLORWRITEENABLE, chance(85) ? 0xF : random() % 16);
      const bool stencil = chance(10);
      device->SetRenderState(D3DRS_STENCILENABLE, stencil);
      device->SetRenderState(D3DRS_STENCILFUNC, pick({D3DCMP_ALWAYS, D3DCMP_EQUAL}));
      device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INCR);
      device->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_REPLACE);
      device->SetRenderState(D3DRS_STENCILREF, 1);
      device->SetRenderState(D3DRS_FILLMODE, chance(8) ? D3DFILL_WIREFRAME : D3DFILL_SOLID);
      device->SetRenderState(D3DRS_SCISSORTESTENABLE, chance(15));
      RECT scissor{static_cast<LONG>(random() % width), static_cast<LONG>(random() % height),
                   static_cast<LONG>(width / 2 + random() % width), static_cast<LONG>(height / 2 + random() % height)};
      device->SetScissorRect(&scissor);
      device->SetRenderState(D3DRS_DEPTHBIAS, floatBits(chance(10) ? -0.01f : 0.0f));
      const int shader = chance(80) ? 0 : 1 + static_cast<int>(random() % 2);
      device->SetPixelShader(shader ? shaders_[static_cast<std::size_t>(shader - 1)].get() : nullptr);
      std::vector<ScreenVertex9> vertices;
      const int triangles = 1 + static_cast<int>(random() % 5);
      for (int t = 0; t < triangles; ++t) {
        // Many triangles share a depth, so that ties between draws come up.
        const float z = chance(60) ? pick({0, 1, 2}) * 0.25f + 0.25f : anyDepth(random);
        for (int v = 0; v < 3; ++v) {
          vertices.push_back({x(random), y(random), chance(85) ? z : anyDepth(random), 1.0f,
                              static_cast<D3DCOLOR>(random()), coordinate(random), coordinate(random)});
        }
      }
      EXPECT_EQ(drawScreen(D3DPT_TRIANGLELIST, vertices, static_cast<UINT>(triangles)), D3D_OK);
    }
    device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device->SetRenderState(D3DRS_DEPTHBIAS, 0);
    device->SetPixelShader(nullptr);
    device->EndScene();
    Image out = image(depthFormat == D3DFMT_D16_LOCKABLE);
    device->BeginScene();
    testing::setFastPaths(device.get(), true);
    return out;
  }

  // An 8x8 texture that can be drawn into, its level made the render target.
  ComPtr<IDirect3DSurface9> drawIntoTexture(ComPtr<IDirect3DTexture9>* texture) {
    ComPtr<IDirect3DSurface9> level;
    EXPECT_EQ(device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture->put(),
                                    nullptr),
              D3D_OK);
    if (!*texture) return level;
    EXPECT_EQ((*texture)->GetSurfaceLevel(0, level.put()), D3D_OK);
    EXPECT_EQ(device->SetRenderTarget(0, level.get()), D3D_OK);
    return level;
  }

  // The top row of an 8-pixel-wide render target, read back through GetRenderTargetData.
  std::vector<D3DCOLOR> topRow(IDirect3DSurface9* target) {
    ComPtr<IDirect3DSurface9> readable;
    EXPECT_EQ(device->CreateOffscreenPlainSurface(8, 8, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, readable.put(), nullptr),
              D3D_OK);
    EXPECT_EQ(device->GetRenderTargetData(target, readable.get()), D3D_OK);
    D3DLOCKED_RECT locked{};
    if (readable->LockRect(&locked, nullptr, D3DLOCK_READONLY) != D3D_OK) return {};
    const auto* row = static_cast<const D3DCOLOR*>(locked.pBits);
    std::vector<D3DCOLOR> out(row, row + 8);
    readable->UnlockRect();
    return out;
  }

  std::size_t lastVisibilityDraws() {
    std::size_t draws = 0;
    EXPECT_TRUE(testing::lastVisibilityDraws(device.get(), &draws));
    return draws;
  }

  std::array<ComPtr<IDirect3DPixelShader9>, 2> shaders_;
  ComPtr<IDirect3DTexture9> white_;
};

TEST_F(HeldDrawsTest, RandomRunsGiveTheBitsOfDrawingEachAtOnce) {
  struct Setup {
    D3DFORMAT depth;
    UINT width, height, depthWidth, depthHeight;
    int runs;
  };
  // Lockable 16-bit depth compares the depth buffers too; D24S8 brings stencil; a smaller
  // depth buffer leaves pixels untested; the large target renders each draw in bands.
  for (const Setup& s : {Setup{D3DFMT_D16_LOCKABLE, 37, 23, 37, 23, 60}, Setup{D3DFMT_D24S8, 37, 23, 37, 23, 60},
                         Setup{D3DFMT_D16_LOCKABLE, 29, 19, 17, 11, 30}, Setup{D3DFMT_D24S8, 260, 150, 260, 150, 6}}) {
    for (int run = 0; run < s.runs; ++run) {
      SCOPED_TRACE(::testing::Message() << "depth " << s.depth << " " << s.width << "x" << s.height << " run " << run);
      const auto seed = static_cast<std::uint32_t>(run * 7919 + s.width);
      const Image general = randomRun(seed, false, s.depth, s.width, s.height, s.depthWidth, s.depthHeight);
      ASSERT_EQ(randomRun(seed, true, s.depth, s.width, s.height, s.depthWidth, s.depthHeight), general);
    }
  }
}

TEST_F(HeldDrawsTest, OpaqueDrawsInFrontAreFoundAndOthersAreNot) {
  auto run = [&](auto setUpPatch) -> std::size_t {
    useTarget(16, 16);
    EXPECT_EQ(drawRect(-0.5f, -0.5f, 15.5f, 15.5f, kRed, 0.5f), D3D_OK);
    setUpPatch();
    EXPECT_EQ(drawRect(3.5f, 3.5f, 11.5f, 11.5f, kGreen, 0.25f), D3D_OK);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->EndScene();
    inScene_ = false;
    EXPECT_EQ(count(kGreen), 64);
    return lastVisibilityDraws();
  };
  EXPECT_EQ(run([] {}), 2u);
  // A patch that may let the card show through, or keeps its depth, hides nothing, and the
  // card, opaque itself, has nothing before it to hide: no pass.
  EXPECT_EQ(run([&] { device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE); }), 0u);
  EXPECT_EQ(run([&] {
              device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
              device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
              device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
            }),
            0u);
  EXPECT_EQ(run([&] { device->SetRenderState(D3DRS_COLORWRITEENABLE, 0x7); }), 0u);
  EXPECT_EQ(run([&] { device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE); }), 0u);
}

TEST_F(HeldDrawsTest, ReadingTheTargetInTheSceneSeesTheDrawsBeforeIt) {
  ASSERT_EQ(drawRect(-0.5f, -0.5f, 3.5f, 7.5f, kRed), D3D_OK);
  EXPECT_EQ(count(kRed), 32);  // locks the target
  ASSERT_EQ(drawRect(3.5f, -0.5f, 7.5f, 7.5f, kGreen), D3D_OK);
  EXPECT_EQ(topRow(target_.get()), std::vector<D3DCOLOR>({kRed, kRed, kRed, kRed, kGreen, kGreen, kGreen, kGreen}));
}

TEST_F(HeldDrawsTest, ATextureChangedBetweenDrawsKeepsEachDrawsTexels) {
  ComPtr<IDirect3DTexture9> texture = makeTexture(1, 1, {kRed});
  device->SetTexture(0, texture.get());
  ASSERT_EQ(drawRect(-0.5f, -0.5f, 3.5f, 7.5f, 0xFFFFFFFF), D3D_OK);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  std::memcpy(locked.pBits, &kBlue, 4);
  texture->UnlockRect(0);
  ASSERT_EQ(drawRect(3.5f, -0.5f, 7.5f, 7.5f, 0xFFFFFFFF), D3D_OK);
  EXPECT_EQ(count(kRed), 32);
  EXPECT_EQ(count(kBlue), 32);
}

TEST_F(HeldDrawsTest, SwitchingTargetsInTheSceneRendersIntoEachItsOwnDraws) {
  ComPtr<IDirect3DTexture9> rendered;
  ASSERT_TRUE(drawIntoTexture(&rendered));
  ASSERT_EQ(drawRect(-0.5f, -0.5f, 7.5f, 7.5f, kGreen), D3D_OK);
  // Back on the first target, the texture just drawn is read while drawing, and a draw that
  // reads its own target is drawn at once.
  ASSERT_EQ(device->SetRenderTarget(0, target_.get()), D3D_OK);
  device->SetTexture(0, rendered.get());
  ASSERT_EQ(drawRect(-0.5f, -0.5f, 7.5f, 7.5f, 0xFFFFFFFF), D3D_OK);
  EXPECT_EQ(count(kGreen), 64);
}

TEST_F(HeldDrawsTest, ADrawReadingItsOwnTargetSeesTheDrawsBeforeItWhole) {
  ComPtr<IDirect3DTexture9> rendered;
  ComPtr<IDirect3DSurface9> level = drawIntoTexture(&rendered);
  ASSERT_TRUE(level);
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlue, 1.0f, 0), D3D_OK);
  ASSERT_EQ(drawRect(-0.5f, -0.5f, 3.5f, 7.5f, kRed, 0.5f), D3D_OK);
  // The right half copies the left half from the target itself...
  device->SetTexture(0, rendered.get());
  std::vector<ScreenVertex9> copy{{3.5f, -0.5f, 0.5f, 1, 0xFFFFFFFF, 0.0f, 0.0f},
                                  {7.5f, -0.5f, 0.5f, 1, 0xFFFFFFFF, 0.5f, 0.0f},
                                  {3.5f, 7.5f, 0.5f, 1, 0xFFFFFFFF, 0.0f, 1.0f},
                                  {7.5f, 7.5f, 0.5f, 1, 0xFFFFFFFF, 0.5f, 1.0f}};
  ASSERT_EQ(drawScreen(D3DPT_TRIANGLESTRIP, copy, 2), D3D_OK);
  // ... before a nearer draw covers the left half, and so must see it red.
  device->SetTexture(0, white_.get());
  ASSERT_EQ(drawRect(-0.5f, -0.5f, 3.5f, 7.5f, kGreen, 0.25f), D3D_OK);
  EXPECT_EQ(topRow(level.get()), std::vector<D3DCOLOR>({kGreen, kGreen, kGreen, kGreen, kRed, kRed, kRed, kRed}));
  ASSERT_EQ(device->SetRenderTarget(0, target_.get()), D3D_OK);
}

TEST_F(HeldDrawsTest, ADeviceReleasedWithDrawsHeldLetsThemGo) {
  ComPtr<IDirect3DTexture9> texture = makeTexture(1, 1, {kRed});
  device->SetTexture(0, texture.get());
  ASSERT_EQ(drawRect(-0.5f, -0.5f, 7.5f, 7.5f, kGreen), D3D_OK);
  device->SetTexture(0, white_.get());
  // The held draw keeps the texture; the device's release frees both (the fixture checks that
  // nothing is leaked).
  texture.reset();
  inScene_ = false;
}

}  // namespace
}  // namespace platform::d3d9
