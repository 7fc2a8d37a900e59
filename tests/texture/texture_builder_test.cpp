#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "tests/support/scoped_environment.h"
#include "tests/texture/loading_fixture.h"
#include "texture/pixel_converter.h"
#include "texture/texture_loader.h"

namespace {

using loading_test::Bytes;
using loading_test::ComPtr;
using loading_test::levelPixels;
using loading_test::LoadingTest;

D3DSURFACE_DESC levelDesc(IDirect3DBaseTexture9* texture, UINT level = 0) {
  D3DSURFACE_DESC desc{};
  void* found = nullptr;
  if (SUCCEEDED(texture->QueryInterface(IID_IDirect3DTexture9, &found))) {
    auto plain = ComPtr<IDirect3DTexture9>::adopt(static_cast<IDirect3DTexture9*>(found));
    plain->GetLevelDesc(level, &desc);
  } else if (SUCCEEDED(texture->QueryInterface(IID_IDirect3DCubeTexture9, &found))) {
    auto cube = ComPtr<IDirect3DCubeTexture9>::adopt(static_cast<IDirect3DCubeTexture9*>(found));
    cube->GetLevelDesc(level, &desc);
  }
  return desc;
}

// `source` (width × height 32-bit pixels of `format`) converted into a destination of the given
// size with `filter`, as the loader must have done it.
std::vector<std::uint32_t> converted(const std::vector<std::uint32_t>& source, D3DFORMAT format, UINT width,
                                     UINT height, UINT toWidth, UINT toHeight, DWORD filter) {
  std::vector<std::uint32_t> result(std::size_t{toWidth} * toHeight);
  PixelBlock from{};
  from.pixels = const_cast<std::uint32_t*>(source.data());
  from.format = format;
  from.rowPitch = 4 * width;
  from.box = {0, 0, width, height, 0, 1};
  PixelBlock to{};
  to.pixels = result.data();
  to.format = format;
  to.rowPitch = 4 * toWidth;
  to.box = {0, 0, toWidth, toHeight, 0, 1};
  EXPECT_EQ(convertPixels(to, from, filter), D3D_OK);
  return result;
}

std::vector<std::uint32_t> gradient(UINT width, UINT height) {
  std::vector<std::uint32_t> pixels;
  for (UINT y = 0; y < height; ++y) {
    for (UINT x = 0; x < width; ++x)
      pixels.push_back(0xFF000000u | ((x * 255 / width) << 16) | ((y * 255 / height) << 8) | ((x ^ y) & 0xFF));
  }
  return pixels;
}

TEST_F(LoadingTest, DefaultsResampleIntoAPowerOfTwoAndAverageEveryLevel) {
  const std::vector<std::uint32_t> image = gradient(640, 480);
  const Bytes file = loading_test::tgaImage(640, 480, image, false);
  ComPtr<IDirect3DBaseTexture9> texture;
  ImageSummary info{};
  ASSERT_EQ(build(file, TextureRequest{}, &texture, &info), D3D_OK);
  EXPECT_EQ(info.Width, 640u);
  EXPECT_EQ(info.Format, D3DFMT_R8G8B8);
  ASSERT_EQ(texture->GetLevelCount(), 11u);
  D3DSURFACE_DESC top = levelDesc(texture.get());
  EXPECT_EQ(top.Width, 1024u);
  EXPECT_EQ(top.Height, 512u);
  EXPECT_EQ(top.Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(top.Pool, D3DPOOL_MANAGED);

  // Level 0: the image through the triangle filter with dithering.
  std::vector<std::uint32_t> level = levelPixels(texture.get(), 0);
  EXPECT_EQ(level, converted(image, D3DFMT_X8R8G8B8, 640, 480, 1024, 512, RESAMPLE_TRIANGLE | RESAMPLE_DITHER));
  // Every further level: 2-by-2 averages of the one before.
  UINT width = 1024;
  UINT height = 512;
  for (UINT index = 1; index < 11; ++index) {
    std::vector<std::uint32_t> next = levelPixels(texture.get(), index);
    UINT halfWidth = std::max(width / 2, 1u);
    UINT halfHeight = std::max(height / 2, 1u);
    EXPECT_EQ(next, converted(level, D3DFMT_X8R8G8B8, width, height, halfWidth, halfHeight, RESAMPLE_BOX))
        << "level " << index;
    level = next;
    width = halfWidth;
    height = halfHeight;
  }
}

TEST_F(LoadingTest, TwentyFourBitImagesAndColourKeys) {
  const std::vector<std::uint32_t> image{0xFF102030, 0xFFFF00FF, 0xFF405060, 0xFFFF00FE};
  const Bytes file = loading_test::tgaImage(2, 2, image, false);
  ComPtr<IDirect3DBaseTexture9> texture;
  ASSERT_EQ(build(file, TextureRequest{.mipLevels = 1}, &texture), D3D_OK);
  EXPECT_EQ(levelDesc(texture.get()).Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(levelPixels(texture.get(), 0), image);

  ASSERT_EQ(build(file, TextureRequest{.mipLevels = 1, .colourKey = 0xFFFF00FF}, &texture), D3D_OK);
  EXPECT_EQ(levelDesc(texture.get()).Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(levelPixels(texture.get(), 0), (std::vector<std::uint32_t>{0xFF102030, 0, 0xFF405060, 0xFFFF00FE}));

  // Scratch textures keep the 24-bit format.
  ASSERT_EQ(build(file, TextureRequest{.mipLevels = 1, .pool = D3DPOOL_SCRATCH}, &texture), D3D_OK);
  EXPECT_EQ(levelDesc(texture.get()).Format, D3DFMT_R8G8B8);
}

TEST_F(LoadingTest, PalettesDecideTheFormat) {
  std::vector<std::uint32_t> grey;
  for (std::uint32_t j = 0; j < 256; ++j) grey.push_back(0xFF000000u | j * 0x010101u);
  const Bytes indices{0, 127, 200, 255};
  ComPtr<IDirect3DBaseTexture9> texture;
  ASSERT_EQ(build(loading_test::colourMappedTga(2, 2, grey, indices, false), TextureRequest{.mipLevels = 1}, &texture),
            D3D_OK);
  EXPECT_EQ(levelDesc(texture.get()).Format, D3DFMT_L8);

  std::vector<std::uint32_t> colours(256, 0xFF336699);
  colours[1] = 0xFFFF0000;
  ASSERT_EQ(build(loading_test::colourMappedTga(2, 2, colours, {0, 1, 1, 0}, false), TextureRequest{.mipLevels = 1},
                  &texture),
            D3D_OK);
  EXPECT_EQ(levelDesc(texture.get()).Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(levelPixels(texture.get(), 0),
            (std::vector<std::uint32_t>{0xFF336699, 0xFFFF0000, 0xFFFF0000, 0xFF336699}));

  // A colour key clears the matching palette entries, which then need alpha.
  ASSERT_EQ(build(loading_test::colourMappedTga(2, 2, colours, {0, 1, 1, 0}, false),
                  TextureRequest{.mipLevels = 1, .colourKey = 0xFFFF0000}, &texture),
            D3D_OK);
  EXPECT_EQ(levelDesc(texture.get()).Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(levelPixels(texture.get(), 0), (std::vector<std::uint32_t>{0xFF336699, 0, 0, 0xFF336699}));

  colours[2] = 0x80FFFFFF;
  ASSERT_EQ(
      build(loading_test::colourMappedTga(2, 2, colours, {0, 2, 2, 0}, true), TextureRequest{.mipLevels = 1}, &texture),
      D3D_OK);
  EXPECT_EQ(levelDesc(texture.get()).Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(levelPixels(texture.get(), 0)[1], 0x80FFFFFFu);

  // The caller can have the palette, keyed entries cleared.
  PALETTEENTRY palette[256];
  ASSERT_EQ(build(loading_test::colourMappedTga(2, 2, colours, {0, 1, 1, 0}, true),
                  TextureRequest{.mipLevels = 1, .colourKey = 0xFFFF0000}, &texture, nullptr, palette),
            D3D_OK);
  EXPECT_EQ(palette[0].peRed, 0x33);
  EXPECT_EQ(palette[0].peBlue, 0x99);
  EXPECT_EQ(palette[1].peRed, 0);
  EXPECT_EQ(palette[1].peFlags, 0);
  EXPECT_EQ(palette[2].peFlags, 0x80);
}

std::uint32_t levelColour(std::uint32_t face, std::uint32_t level) { return 0xFF000000u | (face << 16) | (level * 40); }

TEST_F(LoadingTest, OwnMipLevelsAreUsedAndOnlyTheMissingOnesMade) {
  const Bytes file = loading_test::ddsImage(16, 16, 1, 3, 1, levelColour);
  ComPtr<IDirect3DBaseTexture9> texture;
  ImageSummary info{};
  ASSERT_EQ(build(file, TextureRequest{}, &texture, &info), D3D_OK);
  EXPECT_EQ(info.MipLevels, 3u);
  ASSERT_EQ(texture->GetLevelCount(), 5u);
  for (UINT level = 0; level < 5; ++level) {
    std::vector<std::uint32_t> pixels = levelPixels(texture.get(), level);
    ASSERT_FALSE(pixels.empty());
    // Levels 3 and 4 are averages of level 2, whose pixels are all alike.
    EXPECT_EQ(pixels[0], levelColour(0, std::min(level, 2u))) << "level " << level;
  }
  // Without cascading every missing level is loaded from the smallest source level.
  ASSERT_EQ(build(file, TextureRequest{.mipFilter = RESAMPLE_LINEAR}, &texture), D3D_OK);
  EXPECT_EQ(levelPixels(texture.get(), 4)[0], levelColour(0, 2));
}

TEST_F(LoadingTest, CubeAndVolumeTexturesFromDdsFiles) {
  const Bytes cubeFile = loading_test::ddsImage(8, 8, 1, 2, 6, levelColour);
  ComPtr<IDirect3DBaseTexture9> texture;
  ASSERT_EQ(build(cubeFile, TextureRequest{.resourceType = TEXTURE_TYPE_FROM_FILE}, &texture), D3D_OK);
  ASSERT_EQ(texture->GetType(), D3DRTYPE_CUBETEXTURE);
  EXPECT_EQ(texture->GetLevelCount(), 4u);
  for (UINT face = 0; face < 6; ++face) {
    EXPECT_EQ(levelPixels(texture.get(), 0, face)[0], levelColour(face, 0));
    EXPECT_EQ(levelPixels(texture.get(), 1, face)[0], levelColour(face, 1));
    EXPECT_EQ(levelPixels(texture.get(), 3, face)[0], levelColour(face, 1));
  }
  // A 2D file is not a cube.
  const Bytes flat = loading_test::ddsImage(8, 8, 1, 1, 1, levelColour);
  EXPECT_EQ(build(flat, TextureRequest{.resourceType = D3DRTYPE_CUBETEXTURE}, &texture), E_FAIL);
  EXPECT_FALSE(texture);

  const Bytes volumeFile = loading_test::ddsImage(4, 4, 4, 1, 1, levelColour);
  ASSERT_EQ(
      build(volumeFile, TextureRequest{.depth = TEXTURE_DEFAULT, .resourceType = TEXTURE_TYPE_FROM_FILE}, &texture),
      D3D_OK);
  ASSERT_EQ(texture->GetType(), D3DRTYPE_VOLUMETEXTURE);
  EXPECT_EQ(texture->GetLevelCount(), 3u);
  EXPECT_EQ(levelPixels(texture.get(), 0), std::vector<std::uint32_t>(64, levelColour(0, 0)));
  EXPECT_EQ(levelPixels(texture.get(), 2), std::vector<std::uint32_t>(1, levelColour(0, 0)));
}

TEST_F(LoadingTest, ExactSizesAndBlockFormats) {
  const Bytes file = loading_test::tgaImage(5, 3, gradient(5, 3), true);
  ComPtr<IDirect3DBaseTexture9> texture;
  // The software device needs powers of two for mipmapped textures, but not for one level.
  ASSERT_EQ(
      build(file, TextureRequest{.width = TEXTURE_DEFAULT_NONPOW2, .height = TEXTURE_DEFAULT_NONPOW2, .mipLevels = 1},
            &texture),
      D3D_OK);
  EXPECT_EQ(levelDesc(texture.get()).Width, 5u);
  EXPECT_EQ(levelDesc(texture.get()).Height, 3u);
  EXPECT_EQ(levelPixels(texture.get(), 0), gradient(5, 3));
  ASSERT_EQ(build(file, TextureRequest{.width = TEXTURE_DEFAULT_NONPOW2, .height = TEXTURE_DEFAULT_NONPOW2}, &texture),
            D3D_OK);
  EXPECT_EQ(levelDesc(texture.get()).Width, 8u);
  EXPECT_EQ(levelDesc(texture.get()).Height, 4u);

  ASSERT_EQ(build(file,
                  TextureRequest{.width = TEXTURE_DEFAULT_NONPOW2,
                                 .height = TEXTURE_DEFAULT_NONPOW2,
                                 .mipLevels = 1,
                                 .format = D3DFMT_DXT5},
                  &texture),
            D3D_OK);
  D3DSURFACE_DESC dxt = levelDesc(texture.get());
  EXPECT_EQ(dxt.Format, D3DFMT_DXT5);
  EXPECT_EQ(dxt.Width % 4, 0u);
  EXPECT_EQ(dxt.Height % 4, 0u);
}

TEST_F(LoadingTest, FailuresHandOutNothing) {
  const Bytes file = loading_test::tgaImage(2, 2, gradient(2, 2), false);
  IDirect3DBaseTexture9* texture = reinterpret_cast<IDirect3DBaseTexture9*>(std::uintptr_t{1});
  EXPECT_EQ(buildTextureFromImage(nullptr, file.data(), 10, TextureRequest{}, nullptr, nullptr, &texture),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(texture, nullptr);
  EXPECT_EQ(buildTextureFromImage(device.get(), nullptr, 10, TextureRequest{}, nullptr, nullptr, &texture),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(buildTextureFromImage(device.get(), file.data(), 0, TextureRequest{}, nullptr, nullptr, &texture),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(buildTextureFromImage(device.get(), file.data(), 10, TextureRequest{}, nullptr, nullptr, nullptr),
            D3DERR_INVALIDCALL);
  const Bytes garbage{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
  EXPECT_EQ(buildTextureFromImage(device.get(), garbage.data(), static_cast<UINT>(garbage.size()), TextureRequest{},
                                  nullptr, nullptr, &texture),
            ResultInvalidData);
  EXPECT_EQ(buildTextureFromImage(device.get(), file.data(), static_cast<UINT>(file.size()),
                                  TextureRequest{.filter = 7}, nullptr, nullptr, &texture),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(buildTextureFromImage(device.get(), file.data(), static_cast<UINT>(file.size()),
                                  TextureRequest{.usage = D3DUSAGE_WRITEONLY}, nullptr, nullptr, &texture),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(texture, nullptr);
}

TEST_F(LoadingTest, FilesAreReadThroughTheEntryPoints) {
  prism_test::TemporaryDirectory directory;
  const Bytes file = loading_test::tgaImage(2, 2, gradient(2, 2), false);
  const std::string path = directory.write("image.tga", std::string(file.begin(), file.end()));
  const std::string empty = directory.write("empty.tga", "");
  ComPtr<IDirect3DTexture9> texture;
  ASSERT_EQ(loadTextureFromFile(device.get(), path.c_str(), texture.put()), D3D_OK);
  EXPECT_EQ(texture->GetLevelCount(), 2u);
  EXPECT_EQ(levelPixels(texture.get(), 0), gradient(2, 2));
  EXPECT_EQ(loadTextureFromFile(device.get(), nullptr, texture.put()), D3DERR_INVALIDCALL);
  EXPECT_EQ(loadTextureFromFile(device.get(), directory.file("missing.tga").c_str(), texture.put()), ResultInvalidData);
  EXPECT_EQ(loadTextureFromFile(device.get(), empty.c_str(), texture.put()), D3DERR_INVALIDCALL);
  EXPECT_FALSE(texture);
  // A file of 4 GiB or more does not fit the 32-bit size: refused rather than read truncated.
  const std::string huge = directory.write("huge.tga", std::string(file.begin(), file.end()));
  std::error_code error;
  std::filesystem::resize_file(huge, 0x100000000ull + file.size(), error);
  if (!error) {
    EXPECT_EQ(loadTextureFromFile(device.get(), huge.c_str(), texture.put()), ResultInvalidData);
    std::filesystem::remove(huge, error);
  }

  ImageSummary info{};
  ASSERT_EQ(loadTextureFromFileWithOptions(device.get(), path.c_str(), 4, 4, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_DEFAULT,
                                           RESAMPLE_POINT, TEXTURE_DEFAULT, 0, &info, nullptr, texture.put()),
            D3D_OK);
  D3DSURFACE_DESC desc{};
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Format, D3DFMT_A4R4G4B4);
  EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
  EXPECT_EQ(desc.Width, 4u);
  EXPECT_EQ(info.ImageFileKind, ImageFileKind::TGA);
}

}  // namespace
