#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/win/modules.h"
#include "tests/support/fake_device9.h"
#include "tests/support/scoped_environment.h"
#include "tests/texture/loading_fixture.h"
#include "texture/surface_lock.h"
#include "texture/texture_loader.h"

namespace {

using loading_test::Bytes;
using loading_test::ComPtr;
using loading_test::levelPixels;
using loading_test::LoadingTest;
using loading_test::renderTargetPixels;

std::vector<std::uint32_t> pattern(UINT count, std::uint32_t seed) {
  std::vector<std::uint32_t> pixels;
  for (UINT i = 0; i < count; ++i) pixels.push_back(0xFF000000u | ((i * 0x9E3779B9u + seed) & 0xFFFFFF));
  return pixels;
}

RECT wholeRect(UINT width, UINT height) { return {0, 0, static_cast<LONG>(width), static_cast<LONG>(height)}; }

TEST(PixelGridTest, LockAreasAreWidenedToWholeBlocksAndPairs) {
  D3DBOX box{5, 6, 7, 9, 0, 1};
  D3DBOX blocks = widenToGrid(box, pixelGridOf(D3DFMT_DXT1), 10, 10);
  EXPECT_EQ(blocks.Left, 4u);
  EXPECT_EQ(blocks.Top, 4u);
  EXPECT_EQ(blocks.Right, 8u);
  EXPECT_EQ(blocks.Bottom, 10u);  // not past the surface
  D3DBOX pairs = widenToGrid(box, pixelGridOf(D3DFMT_YUY2), 10, 10);
  EXPECT_EQ(pairs.Left, 4u);
  EXPECT_EQ(pairs.Right, 8u);
  EXPECT_EQ(pairs.Top, 6u);
  EXPECT_EQ(pairs.Bottom, 9u);
  D3DBOX checked;
  RECT outside{0, 0, 11, 4};
  RECT empty{2, 2, 2, 4};
  RECT negative{-1, 0, 2, 2};
  EXPECT_FALSE(rectToBox(&outside, 10, 10, &checked));
  EXPECT_FALSE(rectToBox(&empty, 10, 10, &checked));
  EXPECT_FALSE(rectToBox(&negative, 10, 10, &checked));
}

TEST_F(LoadingTest, CopiesIntoPartOfABlockSurfaceKeepTheRestOfItsBlocks) {
  ComPtr<IDirect3DTexture9> texture;
  ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, texture.put(), nullptr), D3D_OK);
  ComPtr<IDirect3DSurface9> surface;
  texture->GetSurfaceLevel(0, surface.put());
  const std::vector<std::uint32_t> red(64, 0xFFFF0000);
  const std::vector<std::uint32_t> blue(4, 0xFF0000FF);
  RECT all = wholeRect(8, 8);
  ASSERT_EQ(copyMemoryToSurface(surface.get(), nullptr, nullptr, red.data(), D3DFMT_A8R8G8B8, 32, nullptr, &all,
                                RESAMPLE_NONE, 0),
            D3D_OK);
  RECT source = wholeRect(2, 2);
  RECT target{5, 5, 7, 7};
  ASSERT_EQ(copyMemoryToSurface(surface.get(), nullptr, &target, blue.data(), D3DFMT_A8R8G8B8, 8, nullptr, &source,
                                RESAMPLE_NONE, 0),
            D3D_OK);
  // Read the whole surface back as A8R8G8B8.
  std::vector<std::uint32_t> back(64);
  ComPtr<IDirect3DTexture9> plain;
  ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, plain.put(), nullptr), D3D_OK);
  ComPtr<IDirect3DSurface9> plainSurface;
  plain->GetSurfaceLevel(0, plainSurface.put());
  ASSERT_EQ(
      copySurfaceToSurface(plainSurface.get(), nullptr, nullptr, surface.get(), nullptr, nullptr, RESAMPLE_NONE, 0),
      D3D_OK);
  std::vector<std::uint32_t> pixels = levelPixels(plain.get(), 0);
  for (UINT y = 0; y < 8; ++y) {
    for (UINT x = 0; x < 8; ++x) {
      bool inside = x >= 5 && x < 7 && y >= 5 && y < 7;
      EXPECT_EQ(pixels[y * 8 + x], inside ? 0xFF0000FFu : 0xFFFF0000u) << x << "," << y;
    }
  }
}

TEST_F(LoadingTest, SurfacesThatRefuseLocksAreWrittenThroughACopy) {
  ComPtr<IDirect3DTexture9> texture;
  ASSERT_EQ(
      device->CreateTexture(8, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture.put(), nullptr),
      D3D_OK);
  ComPtr<IDirect3DSurface9> surface;
  texture->GetSurfaceLevel(0, surface.put());
  D3DLOCKED_RECT refused{};
  ASSERT_NE(surface->LockRect(&refused, nullptr, 0), D3D_OK) << "the device was expected to refuse the lock";

  const std::vector<std::uint32_t> first = pattern(32, 1);
  RECT all = wholeRect(8, 4);
  SurfaceLock lock;
  PixelBlock block{};
  ASSERT_EQ(lock.acquire(surface.get(), nullptr, false, true, nullptr, &block), D3D_OK);
  EXPECT_TRUE(lock.usedFallback());
  EXPECT_EQ(lock.release(), D3D_OK);

  ASSERT_EQ(copyMemoryToSurface(surface.get(), nullptr, nullptr, first.data(), D3DFMT_A8R8G8B8, 32, nullptr, &all,
                                RESAMPLE_NONE, 0),
            D3D_OK);
  EXPECT_EQ(renderTargetPixels(device.get(), texture.get(), 0), first);

  // A partial write first brings the current pixels into the copy, so the rest survives.
  const std::vector<std::uint32_t> patch(4, 0xFF123456);
  RECT source = wholeRect(2, 2);
  RECT target{3, 1, 5, 3};
  ASSERT_EQ(copyMemoryToSurface(surface.get(), nullptr, &target, patch.data(), D3DFMT_A8R8G8B8, 8, nullptr, &source,
                                RESAMPLE_NONE, 0),
            D3D_OK);
  std::vector<std::uint32_t> expected = first;
  for (UINT y = 1; y < 3; ++y) {
    for (UINT x = 3; x < 5; ++x) expected[y * 8 + x] = 0xFF123456;
  }
  EXPECT_EQ(renderTargetPixels(device.get(), texture.get(), 0), expected);
}

TEST_F(LoadingTest, SmallBlockLevelsThatRefuseLocksGoThroughALargerCopy) {
  ComPtr<IDirect3DTexture9> texture;
  ASSERT_EQ(device->CreateTexture(8, 8, 4, 0, D3DFMT_DXT1, D3DPOOL_DEFAULT, texture.put(), nullptr), D3D_OK);
  const std::vector<std::uint32_t> white(64, 0xFFFFFFFF);
  for (UINT level = 0; level < 4; ++level) {
    ComPtr<IDirect3DSurface9> surface;
    texture->GetSurfaceLevel(level, surface.put());
    UINT size = 8 >> level;
    RECT all = wholeRect(size, size);
    SurfaceLock lock;
    PixelBlock block{};
    ASSERT_EQ(lock.acquire(surface.get(), nullptr, false, true, nullptr, &block), D3D_OK) << "level " << level;
    EXPECT_TRUE(lock.usedFallback());
    EXPECT_EQ(block.box.Right, size);
    EXPECT_EQ(block.box.Bottom, size);
    EXPECT_EQ(lock.release(), D3D_OK);
    EXPECT_EQ(copyMemoryToSurface(surface.get(), nullptr, nullptr, white.data(), D3DFMT_A8R8G8B8, 4 * size, nullptr,
                                  &all, RESAMPLE_NONE, 0),
              D3D_OK)
        << "level " << level;
  }
}

TEST_F(LoadingTest, UnreadableSurfacesAreNotPartlyOverwritten) {
  // A default-pool texture that is no render target can be neither locked nor read back.
  ComPtr<IDirect3DTexture9> texture;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture.put(), nullptr), D3D_OK);
  ComPtr<IDirect3DSurface9> surface;
  texture->GetSurfaceLevel(0, surface.put());
  const std::vector<std::uint32_t> patch(4, 0xFF123456);
  RECT source = wholeRect(2, 2);
  RECT target{1, 1, 3, 3};
  EXPECT_EQ(copyMemoryToSurface(surface.get(), nullptr, &target, patch.data(), D3DFMT_A8R8G8B8, 8, nullptr, &source,
                                RESAMPLE_NONE, 0),
            D3DERR_INVALIDCALL);
  // Volumes of the default pool are refused outright.
  ComPtr<IDirect3DVolumeTexture9> volume;
  ASSERT_EQ(device->CreateVolumeTexture(2, 2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, volume.put(), nullptr),
            D3D_OK);
  ComPtr<IDirect3DVolume9> level;
  volume->GetVolumeLevel(0, level.put());
  D3DBOX box{0, 0, 2, 2, 0, 1};
  EXPECT_EQ(copyMemoryToVolume(level.get(), nullptr, nullptr, patch.data(), D3DFMT_A8R8G8B8, 8, 16, nullptr, &box,
                               RESAMPLE_POINT, 0),
            D3DERR_INVALIDCALL);
}

TEST_F(LoadingTest, CopiesRefuseBadArguments) {
  ComPtr<IDirect3DTexture9> texture;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.put(), nullptr), D3D_OK);
  ComPtr<IDirect3DSurface9> surface;
  texture->GetSurfaceLevel(0, surface.put());
  const std::vector<std::uint32_t> pixels(16, 0xFF000000);
  RECT source = wholeRect(4, 4);
  RECT outside{2, 2, 6, 6};
  auto copy = [&](const RECT* to, const void* from, const RECT* fromRect, DWORD filter) {
    return copyMemoryToSurface(surface.get(), nullptr, to, from, D3DFMT_A8R8G8B8, 16, nullptr, fromRect, filter, 0);
  };
  EXPECT_EQ(copy(nullptr, pixels.data(), &source, TEXTURE_DEFAULT), D3D_OK);
  EXPECT_EQ(copy(nullptr, nullptr, &source, RESAMPLE_POINT), D3DERR_INVALIDCALL);
  EXPECT_EQ(copy(nullptr, pixels.data(), nullptr, RESAMPLE_POINT), D3DERR_INVALIDCALL);
  EXPECT_EQ(copy(&outside, pixels.data(), &source, RESAMPLE_POINT), D3DERR_INVALIDCALL);
  EXPECT_EQ(copy(nullptr, pixels.data(), &source, 6), D3DERR_INVALIDCALL);
  EXPECT_EQ(copy(nullptr, pixels.data(), &source, RESAMPLE_POINT | RESAMPLE_FIRST_INVALID_FLAG), D3DERR_INVALIDCALL);
  // Nothing was left locked by the refusals.
  D3DLOCKED_RECT locked{};
  EXPECT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
  surface->UnlockRect();
}

TEST_F(LoadingTest, ADeviceWhoseTexturesRefuseLocksLoadsTheSameTexture) {
  std::vector<std::uint32_t> image = pattern(24 * 20, 7);
  const Bytes file = loading_test::tgaImage(24, 20, image, true);
  ComPtr<IDirect3DBaseTexture9> plain;
  ASSERT_EQ(build(file, TextureRequest{}, &plain), D3D_OK);

  prism_test::FakeDevice9 refusing;
  refusing.inner = device.get();
  refusing.unlockableTextures = true;
  IDirect3DBaseTexture9* created = nullptr;
  ASSERT_EQ(buildTextureFromImage(&refusing, file.data(), static_cast<UINT>(file.size()), TextureRequest{}, nullptr,
                                  nullptr, &created),
            D3D_OK);
  auto texture = ComPtr<IDirect3DTexture9>::adopt(static_cast<IDirect3DTexture9*>(created));
  ASSERT_EQ(texture->GetLevelCount(), plain->GetLevelCount());
  for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
    EXPECT_EQ(renderTargetPixels(device.get(), texture.get(), level), levelPixels(plain.get(), level))
        << "level " << level;
  }
  EXPECT_EQ(refusing.references, 1u);
}

TEST_F(LoadingTest, RebuildingMipLevels) {
  ComPtr<IDirect3DTexture9> texture;
  ASSERT_EQ(device->CreateTexture(4, 4, 3, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.put(), nullptr), D3D_OK);
  ComPtr<IDirect3DSurface9> top;
  texture->GetSurfaceLevel(0, top.put());
  std::vector<std::uint32_t> pixels(16, 0xFF000000);
  pixels[0] = 0xFF040000;  // red 4 in one corner: the 2-by-2 average of that quarter is 1
  RECT all = wholeRect(4, 4);
  ASSERT_EQ(copyMemoryToSurface(top.get(), nullptr, nullptr, pixels.data(), D3DFMT_A8R8G8B8, 16, nullptr, &all,
                                RESAMPLE_NONE, 0),
            D3D_OK);
  ASSERT_EQ(rebuildMipLevels(texture.get(), nullptr, TEXTURE_DEFAULT, TEXTURE_DEFAULT), D3D_OK);
  EXPECT_EQ(levelPixels(texture.get(), 1),
            (std::vector<std::uint32_t>{0xFF010000, 0xFF000000, 0xFF000000, 0xFF000000}));
  EXPECT_EQ(levelPixels(texture.get(), 2), (std::vector<std::uint32_t>{0xFF000000}));
  // A source level past the chain does nothing; no texture is refused.
  EXPECT_EQ(rebuildMipLevels(texture.get(), nullptr, 3, RESAMPLE_BOX), D3D_OK);
  EXPECT_EQ(rebuildMipLevels(nullptr, nullptr, 0, RESAMPLE_BOX), D3DERR_INVALIDCALL);
  EXPECT_EQ(rebuildMipLevels(texture.get(), nullptr, 0, 9), D3DERR_INVALIDCALL);
}

// DebugSetMute of a fake debug runtime, counting calls.
std::vector<DWORD> muteCalls;
void recordMute(DWORD mute) { muteCalls.push_back(mute); }
const platform::ModuleExport kDebugRuntimeExports[] = {{"DebugSetMute", platform::exportAddress(&recordMute)}};

class DebugMuteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    muteCalls.clear();
    debugRuntime_.emplace("d3d9d.dll", kDebugRuntimeExports);
    texture_loader_testing::resetDebugMute();
  }
  void TearDown() override {
    debugRuntime_.reset();
    texture_loader_testing::resetDebugMute();
  }
  prism_test::TemporaryDirectory directory;
  std::optional<platform::ScopedModuleReplacement> debugRuntime_;
};

TEST_F(DebugMuteTest, MutesTheLoadedRuntimesUnlessTheRegistrySaysNot) {
  prism_test::ScopedRegistry registry(directory, "REGEDIT4\n");
  DebugMute(TRUE);
  DebugMute(FALSE);
  EXPECT_EQ(muteCalls, (std::vector<DWORD>{1, 0}));
}

TEST_F(DebugMuteTest, PrismDoNotMuteIsReadOnce) {
  {
    prism_test::ScopedRegistry registry(directory,
                                        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvance\\Direct3D]\n"
                                        "\"PrismDoNotMute\"=dword:00000001\n");
    DebugMute(TRUE);
  }
  DebugMute(TRUE);
  EXPECT_TRUE(muteCalls.empty());
}

TEST_F(DebugMuteTest, OnlyADwordOtherThanZeroKeepsTheOutput) {
  prism_test::ScopedRegistry registry(directory,
                                      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvance\\Direct3D]\n"
                                      "\"PrismDoNotMute\"=\"1\"\n");
  DebugMute(TRUE);
  EXPECT_EQ(muteCalls, (std::vector<DWORD>{1}));
}

}  // namespace
