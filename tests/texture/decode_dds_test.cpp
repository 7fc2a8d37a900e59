#include <gtest/gtest.h>

#include "tests/texture/image_file_builders.h"
#include "texture/pixel_formats.h"

namespace {

using namespace test_images;

Bytes dds(const DdsFields& fields, std::size_t dataBytes) {
  Bytes file = ddsHeader(fields);
  for (std::size_t i = 0; i < dataBytes; ++i) file.push_back(static_cast<std::uint8_t>(i));
  return file;
}

DdsFields masked(std::uint32_t pfFlags, std::uint32_t bits, std::uint32_t r, std::uint32_t g, std::uint32_t b,
                 std::uint32_t a) {
  DdsFields fields{.width = 1, .height = 1, .pfFlags = pfFlags, .bitCount = bits};
  fields.masks[0] = r, fields.masks[1] = g, fields.masks[2] = b, fields.masks[3] = a;
  return fields;
}

DdsFields coded(D3DFORMAT format) {
  return {.width = 1, .height = 1, .pfFlags = 0x4, .fourCc = static_cast<std::uint32_t>(format)};
}

TEST(DdsDecoderTest, PixelFormatBlocksMatchTheirTableRow) {
  struct Case {
    DdsFields fields;
    D3DFORMAT format;
  };
  const Case cases[] = {
      {masked(0x40, 24, 0xFF0000, 0xFF00, 0xFF, 0), D3DFMT_R8G8B8},
      {masked(0x41, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000), D3DFMT_A8R8G8B8},
      {masked(0x40, 16, 0xF800, 0x7E0, 0x1F, 0), D3DFMT_R5G6B5},
      {masked(0x2, 8, 0, 0, 0, 0xFF), D3DFMT_A8},
      {masked(0x41, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000), D3DFMT_A2R10G10B10},
      {masked(0x20000, 16, 0xFFFF, 0, 0, 0), D3DFMT_L16},
      {masked(0x20001, 8, 0xF, 0, 0, 0xF0), D3DFMT_A4L4},
      {masked(0x40000, 16, 0x1F, 0x3E0, 0xFC00, 0), D3DFMT_L6V5U5},
      {masked(0x80001, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000), D3DFMT_A2W10V10U10},
      {masked(0x400, 16, 0, 0xFFFF, 0, 0), D3DFMT_D16_LOCKABLE},
      // Masks outside the compared set do not matter: P8 compares only the bit count.
      {masked(0x20, 8, 1, 2, 3, 4), D3DFMT_P8},
      {coded(D3DFMT_DXT1), D3DFMT_DXT1},
      {coded(D3DFMT_DXT5), D3DFMT_DXT5},
      {coded(D3DFMT_YUY2), D3DFMT_YUY2},
      {coded(D3DFMT_A16B16G16R16F), D3DFMT_A16B16G16R16F},
      {coded(D3DFMT_CxV8U8), D3DFMT_CxV8U8},
  };
  for (const auto& c : cases) {
    Bytes file = dds(c.fields, 2048);
    DecodedImage image;
    ImageSummary summary{};
    ASSERT_EQ(decode(image, file, &summary), S_OK) << c.format;
    EXPECT_EQ(image.format, c.format);
    EXPECT_EQ(summary.ImageFileKind, ImageFileKind::DDS);
    EXPECT_EQ(summary.ResourceType, D3DRTYPE_TEXTURE);
    EXPECT_TRUE(pointsInto(image, file));
    const bool palettised = describeFormat(c.format).formatClass == FormatClass::palettised;
    EXPECT_EQ(image.pixels - file.data(), palettised ? 1152 : 128) << c.format;
    EXPECT_EQ(image.palette != nullptr, palettised);
  }
  // The four-character-code flag wins over any other flag; unknown codes and masks fail.
  DdsFields withExtraFlags = coded(D3DFMT_DXT3);
  withExtraFlags.pfFlags |= 0x40;
  DecodedImage image;
  ASSERT_EQ(decode(image, dds(withExtraFlags, 64)), S_OK);
  EXPECT_EQ(image.format, D3DFMT_DXT3);
  EXPECT_EQ(decode(image, dds(coded(static_cast<D3DFORMAT>(MAKEFOURCC('A', 'T', 'I', '2'))), 64)), ResultInvalidData);
  EXPECT_EQ(decode(image, dds(masked(0x40, 32, 0xFF, 0xFF, 0xFF, 0), 64)), ResultInvalidData);
  EXPECT_EQ(decode(image, dds(masked(0x41, 32, 0xFF0000, 0xFF00, 0xFF, 0), 64)), ResultInvalidData);
}

TEST(DdsDecoderTest, MipChainsHaveTheirPitchesAndSizes) {
  // 8 × 4 DXT1, three levels: 8×4 (2×1 blocks = 16 bytes), 4×2 (8), 2×1 (8).
  DdsFields fields = coded(D3DFMT_DXT1);
  fields.width = 8, fields.height = 4, fields.mipCount = 3;
  Bytes file = dds(fields, 32);
  DecodedImage image;
  ImageSummary summary{};
  ASSERT_EQ(decode(image, file, &summary), S_OK);
  EXPECT_EQ(summary.MipLevels, 3u);
  EXPECT_EQ(image.rowPitch, 16u);
  EXPECT_EQ(image.slicePitch, 16u);
  ASSERT_NE(image.nextLevel, nullptr);
  const DecodedImage& second = *image.nextLevel;
  EXPECT_EQ(second.width, 4u);
  EXPECT_EQ(second.height, 2u);
  EXPECT_EQ(second.rowPitch, 8u);
  EXPECT_EQ(second.pixels, image.pixels + 16);
  ASSERT_NE(second.nextLevel, nullptr);
  EXPECT_EQ(second.nextLevel->width, 2u);
  EXPECT_EQ(second.nextLevel->height, 1u);
  EXPECT_EQ(second.nextLevel->box.Right, 2u);
  EXPECT_EQ(decode(image, dds(fields, 31)), ResultInvalidData);

  // Packed YUV formats: pairs of pixels in 4 bytes; plain formats: width × bytes per pixel.
  DdsFields yuv = coded(D3DFMT_UYVY);
  yuv.width = 3, yuv.height = 2;
  ASSERT_EQ(decode(image, dds(yuv, 16)), S_OK);
  EXPECT_EQ(image.rowPitch, 8u);
  DdsFields wide = coded(D3DFMT_A16B16G16R16);
  wide.width = 3;
  ASSERT_EQ(decode(image, dds(wide, 24)), S_OK);
  EXPECT_EQ(image.rowPitch, 24u);

  // More levels than a full chain are cut to the full chain.
  DdsFields deep = masked(0x40, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  deep.width = 4, deep.height = 1, deep.mipCount = 40;
  ASSERT_EQ(decode(image, dds(deep, 16 + 8 + 4 + 4), &summary), S_OK);
  EXPECT_EQ(summary.MipLevels, 3u);
}

TEST(DdsDecoderTest, CubeMapsNeedAllSixFacesAndVolumesReportTheirType) {
  DdsFields cube = masked(0x40, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  cube.width = cube.height = 2, cube.mipCount = 2, cube.caps2 = 0xFE00;
  const std::size_t faceBytes = 16 + 4;
  Bytes file = dds(cube, 6 * faceBytes);
  DecodedImage image;
  ImageSummary summary{};
  ASSERT_EQ(decode(image, file, &summary), S_OK);
  EXPECT_EQ(summary.ResourceType, D3DRTYPE_CUBETEXTURE);
  EXPECT_EQ(summary.MipLevels, 2u);
  int faces = 0;
  for (const DecodedImage* face = &image; face; face = face->nextFace.get(), ++faces) {
    EXPECT_EQ(face->pixels, file.data() + 128 + faces * faceBytes);
    ASSERT_NE(face->nextLevel, nullptr);
    EXPECT_EQ(face->nextLevel->width, 1u);
    EXPECT_EQ(face->nextLevel->nextFace, nullptr);
  }
  EXPECT_EQ(faces, 6);
  EXPECT_EQ(decode(image, dds(cube, 6 * faceBytes - 1)), ResultInvalidData);
  cube.caps2 = 0x0600;  // positive and negative X only
  EXPECT_EQ(decode(image, dds(cube, 6 * faceBytes)), ResultInvalidData);

  DdsFields volume = masked(0x40, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  volume.flags |= 0x800000;
  volume.width = volume.height = 2, volume.depth = 4, volume.mipCount = 2;
  // Level 0: 4 slices of 16 bytes; level 1: 2 slices of 4 bytes.
  ASSERT_EQ(decode(image, dds(volume, 64 + 8), &summary), S_OK);
  EXPECT_EQ(summary.ResourceType, D3DRTYPE_VOLUMETEXTURE);
  EXPECT_EQ(summary.Depth, 4u);
  EXPECT_EQ(image.slicePitch, 16u);
  EXPECT_EQ(image.box.Back, 4u);
  EXPECT_EQ(image.nextLevel->depth, 2u);
  EXPECT_EQ(image.nextLevel->pixels, image.pixels + 64);
  EXPECT_EQ(decode(image, dds(volume, 64 + 7)), ResultInvalidData);
}

TEST(DdsDecoderTest, HostileSizesAreRefusedWithoutWrapping) {
  DecodedImage image;
  DdsFields huge = coded(D3DFMT_A32B32G32R32F);
  huge.width = huge.height = 0xFFFFFFFF;
  EXPECT_EQ(decode(image, dds(huge, 64)), ResultInvalidData);
  DdsFields volume = masked(0x40, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  volume.flags |= 0x800000;
  volume.width = volume.height = 0x10000, volume.depth = 0xFFFFFFFF;
  EXPECT_EQ(decode(image, dds(volume, 64)), ResultInvalidData);
  DdsFields empty = masked(0x40, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  empty.width = 0;
  EXPECT_EQ(decode(image, dds(empty, 64)), ResultInvalidData);
  DdsFields palette = masked(0x20, 8, 0, 0, 0, 0);
  EXPECT_EQ(decode(image, dds(palette, 1024)), ResultInvalidData);  // palette but no pixel
  Bytes shortHeader = ddsHeader(masked(0x40, 32, 0xFF0000, 0xFF00, 0xFF, 0));
  shortHeader.resize(127);
  EXPECT_EQ(decode(image, shortHeader), ResultInvalidData);
}

}  // namespace

namespace {

using namespace test_images;

TEST(DdsDecoderTest, EveryRowOfTheFormatTableIsReachable) {
  struct Row {
    D3DFORMAT format;
    std::uint32_t flags, bits, r, g, b, a;
  };
  const Row masked[] = {
      {D3DFMT_R8G8B8, 0x40, 24, 0xFF0000, 0xFF00, 0xFF, 0},
      {D3DFMT_A8R8G8B8, 0x41, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
      {D3DFMT_X8R8G8B8, 0x40, 32, 0xFF0000, 0xFF00, 0xFF, 0},
      {D3DFMT_R5G6B5, 0x40, 16, 0xF800, 0x7E0, 0x1F, 0},
      {D3DFMT_X1R5G5B5, 0x40, 16, 0x7C00, 0x3E0, 0x1F, 0},
      {D3DFMT_A1R5G5B5, 0x41, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
      {D3DFMT_A4R4G4B4, 0x41, 16, 0xF00, 0xF0, 0xF, 0xF000},
      {D3DFMT_R3G3B2, 0x40, 8, 0xE0, 0x1C, 0x3, 0},
      {D3DFMT_A8, 0x2, 8, 0, 0, 0, 0xFF},
      {D3DFMT_A8R3G3B2, 0x41, 16, 0xE0, 0x1C, 0x3, 0xFF00},
      {D3DFMT_X4R4G4B4, 0x40, 16, 0xF00, 0xF0, 0xF, 0},
      {D3DFMT_A2B10G10R10, 0x41, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
      {D3DFMT_A8B8G8R8, 0x41, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
      {D3DFMT_X8B8G8R8, 0x40, 32, 0xFF, 0xFF00, 0xFF0000, 0},
      {D3DFMT_G16R16, 0x40, 32, 0xFFFF, 0xFFFF0000, 0, 0},
      {D3DFMT_A2R10G10B10, 0x41, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
      {D3DFMT_A8P8, 0x21, 16, 0, 0, 0, 0xFF00},
      {D3DFMT_P8, 0x20, 8, 0, 0, 0, 0},
      {D3DFMT_L8, 0x20000, 8, 0xFF, 0, 0, 0},
      {D3DFMT_A8L8, 0x20001, 16, 0xFF, 0, 0, 0xFF00},
      {D3DFMT_A4L4, 0x20001, 8, 0xF, 0, 0, 0xF0},
      {D3DFMT_L16, 0x20000, 16, 0xFFFF, 0, 0, 0},
      {D3DFMT_V8U8, 0x80000, 16, 0xFF, 0xFF00, 0, 0},
      {D3DFMT_L6V5U5, 0x40000, 16, 0x1F, 0x3E0, 0xFC00, 0},
      {D3DFMT_X8L8V8U8, 0x40000, 32, 0xFF, 0xFF00, 0xFF0000, 0},
      {D3DFMT_Q8W8V8U8, 0x80000, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
      {D3DFMT_V16U16, 0x80000, 32, 0xFFFF, 0xFFFF0000, 0, 0},
      {D3DFMT_A2W10V10U10, 0x80001, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
      {D3DFMT_D16_LOCKABLE, 0x400, 16, 0, 0xFFFF, 0, 0},
  };
  const D3DFORMAT coded[] = {
      D3DFMT_UYVY,         D3DFMT_R8G8_B8G8,    D3DFMT_YUY2,          D3DFMT_G8R8_G8B8, D3DFMT_DXT1,
      D3DFMT_DXT2,         D3DFMT_DXT3,         D3DFMT_DXT4,          D3DFMT_DXT5,      D3DFMT_D32F_LOCKABLE,
      D3DFMT_A16B16G16R16, D3DFMT_Q16W16V16U16, D3DFMT_R16F,          D3DFMT_G16R16F,   D3DFMT_A16B16G16R16F,
      D3DFMT_R32F,         D3DFMT_G32R32F,      D3DFMT_A32B32G32R32F, D3DFMT_CxV8U8,
  };
  EXPECT_EQ(std::size(masked) + std::size(coded), 48u);
  auto decodeWith = [](const DdsFields& fields) {
    Bytes file = ddsHeader(fields);
    file.resize(file.size() + 1024 + 64, 0);
    DecodedImage image;
    return decode(image, file) == S_OK ? image.format : D3DFMT_UNKNOWN;
  };
  for (const auto& row : masked) {
    DdsFields fields{.width = 1, .height = 1, .pfFlags = row.flags, .bitCount = row.bits};
    fields.masks[0] = row.r, fields.masks[1] = row.g, fields.masks[2] = row.b, fields.masks[3] = row.a;
    EXPECT_EQ(decodeWith(fields), row.format);
  }
  for (D3DFORMAT format : coded) {
    EXPECT_EQ(decodeWith({.width = 1, .height = 1, .pfFlags = 0x4, .fourCc = static_cast<std::uint32_t>(format)}),
              format);
  }
}

}  // namespace
