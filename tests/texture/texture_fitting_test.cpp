#include <gtest/gtest.h>

#include <set>

#include "tests/support/fake_device9.h"
#include "tests/support/fake_direct3d9.h"
#include "texture/texture_loader.h"

namespace {

using prism_test::FakeDevice9;
using prism_test::FakeDirect3D9;

// A device with scripted caps whose Direct3D object accepts every format but those refused.
class FittingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    direct3D.addAdapter("fake").caps[D3DDEVTYPE_HAL] = FakeDirect3D9::capableCaps(D3DDEVTYPE_HAL);
    direct3D.deviceFormatCheck = [this](UINT, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE, D3DFORMAT format) {
      return refused.count(format) ? D3DERR_NOTAVAILABLE : D3D_OK;
    };
    device.direct3D = &direct3D;
    device.caps = FakeDirect3D9::capableCaps(D3DDEVTYPE_HAL);
    device.caps->TextureCaps = D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_MIPVOLUMEMAP | D3DPTEXTURECAPS_MIPCUBEMAP;
    device.displayMode = D3DDISPLAYMODE{1024, 768, 60, D3DFMT_X8R8G8B8};
    device.creationParameters = D3DDEVICE_CREATION_PARAMETERS{0, D3DDEVTYPE_HAL, nullptr, 0};
  }
  void TearDown() override { EXPECT_EQ(direct3D.references, 1u) << "the Direct3D object was not released"; }

  struct Fitted {
    HRESULT result;
    UINT width, height, depth, levels;
    D3DFORMAT format;
  };
  Fitted fit(UINT width, UINT height, UINT levels, D3DFORMAT format = D3DFMT_A8R8G8B8,
             D3DRESOURCETYPE type = D3DRTYPE_TEXTURE, UINT depth = 1, DWORD usage = 0, D3DPOOL pool = D3DPOOL_MANAGED) {
    Fitted fitted{E_FAIL, width, height, depth, levels, format};
    fitted.result = fitTextureToDevice(&device, &fitted.width, &fitted.height, &fitted.depth, &fitted.levels, usage,
                                       &fitted.format, pool, type);
    return fitted;
  }

  FakeDirect3D9 direct3D;
  FakeDevice9 device;
  std::set<D3DFORMAT> refused;
};

TEST_F(FittingTest, UnknownSizesAndZeroes) {
  Fitted both = fit(TEXTURE_DEFAULT, TEXTURE_DEFAULT, TEXTURE_DEFAULT);
  EXPECT_EQ(both.result, D3D_OK);
  EXPECT_EQ(both.width, 256u);
  EXPECT_EQ(both.height, 256u);
  EXPECT_EQ(both.levels, 9u);
  Fitted one = fit(TEXTURE_DEFAULT, 32, 0);
  EXPECT_EQ(one.width, 32u);
  EXPECT_EQ(one.levels, 6u);
  Fitted zero = fit(0, 0, 0);
  EXPECT_EQ(zero.width, 1u);
  EXPECT_EQ(zero.height, 1u);
  EXPECT_EQ(zero.levels, 1u);
  Fitted cube = fit(16, 64, 3, D3DFMT_A8R8G8B8, D3DRTYPE_CUBETEXTURE);
  EXPECT_EQ(cube.width, 64u);
  EXPECT_EQ(cube.height, 64u);
  EXPECT_EQ(cube.levels, 3u);
}

TEST_F(FittingTest, PowersOfTwoUnlessOneLevelOnAConditionalDevice) {
  device.caps->TextureCaps |= D3DPTEXTURECAPS_POW2;
  Fitted rounded = fit(300, 200, TEXTURE_DEFAULT);
  EXPECT_EQ(rounded.width, 512u);
  EXPECT_EQ(rounded.height, 256u);
  EXPECT_EQ(rounded.levels, 10u);
  // Without the conditional cap even one level is rounded.
  EXPECT_EQ(fit(300, 200, 1).width, 512u);

  device.caps->TextureCaps |= D3DPTEXTURECAPS_NONPOW2CONDITIONAL;
  Fitted kept = fit(300, 200, 1);
  EXPECT_EQ(kept.width, 300u);
  EXPECT_EQ(kept.height, 200u);
  EXPECT_EQ(kept.levels, 1u);
  EXPECT_EQ(fit(300, 200, 0).width, 512u);

  // Conditional support alone: any size, but no mipmaps unless every size is a power of two.
  device.caps->TextureCaps &= ~D3DPTEXTURECAPS_POW2;
  Fitted odd = fit(300, 200, 0);
  EXPECT_EQ(odd.width, 300u);
  EXPECT_EQ(odd.levels, 1u);
  EXPECT_EQ(fit(256, 64, 0).levels, 9u);
}

TEST_F(FittingTest, MaximumSizesAndAspectRatio) {
  device.caps->MaxTextureWidth = 2048;
  device.caps->MaxTextureHeight = 1024;
  Fitted clamped = fit(4096, 4096, 0);
  EXPECT_EQ(clamped.width, 2048u);
  EXPECT_EQ(clamped.height, 1024u);
  EXPECT_EQ(clamped.levels, 12u);

  device.caps->MaxTextureAspectRatio = 2;
  Fitted wide = fit(1024, 64, 1);
  EXPECT_EQ(wide.width, 128u);
  EXPECT_EQ(wide.height, 64u);
  Fitted tall = fit(64, 1024, 1);
  EXPECT_EQ(tall.width, 64u);
  EXPECT_EQ(tall.height, 128u);

  device.caps->TextureCaps |= D3DPTEXTURECAPS_SQUAREONLY;
  Fitted square = fit(512, 128, 1);
  EXPECT_EQ(square.width, 128u);
  EXPECT_EQ(square.height, 128u);
  // Cube faces are square anyway and are not cut by the aspect ratio.
  EXPECT_EQ(fit(512, 128, 1, D3DFMT_A8R8G8B8, D3DRTYPE_CUBETEXTURE).width, 512u);
}

TEST_F(FittingTest, VolumesUseTheirOwnExtentAndCaps) {
  device.caps->MaxVolumeExtent = 64;
  device.caps->TextureCaps |= D3DPTEXTURECAPS_VOLUMEMAP_POW2;
  Fitted volume = fit(100, 30, 0, D3DFMT_A8R8G8B8, D3DRTYPE_VOLUMETEXTURE, 200);
  EXPECT_EQ(volume.width, 64u);
  EXPECT_EQ(volume.height, 32u);
  EXPECT_EQ(volume.depth, 64u);
  EXPECT_EQ(volume.levels, 7u);
  // The 2D power-of-two cap does not apply to volumes, nor the volume one to textures.
  EXPECT_EQ(fit(100, 30, 1).width, 100u);
  // Depth counts for the chain length of volumes only.
  EXPECT_EQ(fit(4, 4, 0, D3DFMT_A8R8G8B8, D3DRTYPE_VOLUMETEXTURE, 32).levels, 6u);
  EXPECT_EQ(fit(4, 4, 0, D3DFMT_A8R8G8B8, D3DRTYPE_TEXTURE, 32).levels, 3u);
  // A device that states no limit leaves the size alone instead of cutting it to nothing.
  device.caps->MaxVolumeExtent = 0;
  EXPECT_EQ(fit(16, 16, 1, D3DFMT_A8R8G8B8, D3DRTYPE_VOLUMETEXTURE, 8).depth, 8u);
}

TEST_F(FittingTest, MipmapCapsPerKind) {
  device.caps->TextureCaps = D3DPTEXTURECAPS_MIPCUBEMAP;
  EXPECT_EQ(fit(64, 64, 0).levels, 1u);
  EXPECT_EQ(fit(64, 64, 0, D3DFMT_A8R8G8B8, D3DRTYPE_VOLUMETEXTURE, 64).levels, 1u);
  EXPECT_EQ(fit(64, 64, 0, D3DFMT_A8R8G8B8, D3DRTYPE_CUBETEXTURE).levels, 7u);
  device.caps->TextureCaps = D3DPTEXTURECAPS_MIPMAP;
  EXPECT_EQ(fit(64, 64, 3).levels, 3u);
  EXPECT_EQ(fit(64, 64, 99).levels, 7u);
  EXPECT_EQ(fit(64, 64, 3, D3DFMT_A8R8G8B8, D3DRTYPE_TEXTURE, 1, D3DUSAGE_AUTOGENMIPMAP).levels, 0u);
  EXPECT_EQ(fit(64, 64, 1, D3DFMT_A8R8G8B8, D3DRTYPE_TEXTURE, 1, D3DUSAGE_AUTOGENMIPMAP).levels, 1u);
}

TEST_F(FittingTest, BlockFormatsGetWholeBlocks) {
  Fitted dxt = fit(5, 7, 1, D3DFMT_DXT5);
  EXPECT_EQ(dxt.format, D3DFMT_DXT5);
  EXPECT_EQ(dxt.width, 8u);
  EXPECT_EQ(dxt.height, 8u);
  Fitted small = fit(1, 2, 0, D3DFMT_DXT1);
  EXPECT_EQ(small.width, 4u);
  EXPECT_EQ(small.height, 4u);
  EXPECT_EQ(small.levels, 3u);
}

TEST_F(FittingTest, FormatsArePickedFromWhatTheDeviceSupports) {
  refused = {D3DFMT_A8R8G8B8};
  EXPECT_EQ(fit(8, 8, 1, D3DFMT_A8R8G8B8).format, D3DFMT_A8B8G8R8);
  EXPECT_EQ(fit(8, 8, 1, D3DFMT_UNKNOWN).format, D3DFMT_A8B8G8R8);
  refused = {D3DFMT_V8U8,   D3DFMT_L6V5U5,      D3DFMT_X8L8V8U8,     D3DFMT_Q8W8V8U8,
             D3DFMT_V16U16, D3DFMT_A2W10V10U10, D3DFMT_Q16W16V16U16, D3DFMT_CxV8U8};
  Fitted bump = fit(8, 8, 1, D3DFMT_V8U8);
  EXPECT_EQ(bump.result, D3DERR_NOTAVAILABLE);
  // Scratch textures take any format without asking the device.
  Fitted scratch = fit(8, 8, 1, D3DFMT_UNKNOWN, D3DRTYPE_TEXTURE, 1, 0, D3DPOOL_SCRATCH);
  EXPECT_EQ(scratch.result, D3D_OK);
  EXPECT_EQ(scratch.format, D3DFMT_A8R8G8B8);
}

TEST_F(FittingTest, RefusesBadArgumentsAndToleratesNullOutputs) {
  EXPECT_EQ(fit(8, 8, 1, D3DFMT_A8R8G8B8, D3DRTYPE_TEXTURE, 1, D3DUSAGE_WRITEONLY).result, D3DERR_INVALIDCALL);
  EXPECT_EQ(fit(8, 8, 1, D3DFMT_A8R8G8B8, D3DRTYPE_TEXTURE, 1, 0, static_cast<D3DPOOL>(4)).result, D3DERR_INVALIDCALL);
  EXPECT_EQ(fit(8, 8, 1, D3DFMT_A8R8G8B8, D3DRTYPE_TEXTURE, 1, TEXTURE_DEFAULT).result, D3D_OK);
  UINT width = 8;
  EXPECT_EQ(
      fitTextureToDevice(nullptr, &width, nullptr, nullptr, nullptr, 0, nullptr, D3DPOOL_MANAGED, D3DRTYPE_TEXTURE),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(
      fitTextureToDevice(&device, nullptr, nullptr, nullptr, nullptr, 0, nullptr, D3DPOOL_MANAGED, D3DRTYPE_TEXTURE),
      D3D_OK);
  // Sizes near the top of the range saturate instead of wrapping to 0.
  device.caps->MaxTextureWidth = 0xFFFFFFFF;
  device.caps->MaxTextureHeight = 0xFFFFFFFF;
  device.caps->TextureCaps |= D3DPTEXTURECAPS_POW2;
  Fitted huge = fit(0xFFFFFFF0u, 3, 1, D3DFMT_DXT1);
  EXPECT_EQ(huge.result, D3D_OK);
  EXPECT_EQ(huge.width, 0x80000000u);
  EXPECT_EQ(huge.height, 4u);
}

}  // namespace
