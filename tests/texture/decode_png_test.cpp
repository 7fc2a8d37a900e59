#include <gtest/gtest.h>

#include <cmath>

#include "tests/texture/image_file_builders.h"
#include "texture/pixel_formats.h"

namespace {

using namespace test_images;

Bytes big16(std::uint32_t value) { return {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)}; }
Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}
PngChunk gammaChunk(std::uint32_t gammaTimes100000) {
  return {"gAMA",
          {static_cast<std::uint8_t>(gammaTimes100000 >> 24), static_cast<std::uint8_t>(gammaTimes100000 >> 16),
           static_cast<std::uint8_t>(gammaTimes100000 >> 8), static_cast<std::uint8_t>(gammaTimes100000)}};
}

struct PngCase {
  const char* name;
  int bitDepth, colourType;
  Bytes row;  // one row of two pixels, as stored in the file
  std::vector<PngChunk> chunks;
  D3DFORMAT format;
  D3DFORMAT summaryFormat;
  Bytes decoded;  // the decoded row
};

TEST(PngDecoderTest, ColourTypesAndDepthsGiveTheirFormatsAndByteOrders) {
  const std::vector<PngCase> cases = {
      {"grey 8", 8, 0, {10, 200}, {}, D3DFMT_L8, D3DFMT_L8, {10, 200}},
      {"rgb 8: blue first, filler 255",
       8,
       2,
       {1, 2, 3, 4, 5, 6},
       {},
       D3DFMT_X8R8G8B8,
       D3DFMT_X8R8G8B8,
       {3, 2, 1, 255, 6, 5, 4, 255}},
      {"grey+alpha 8", 8, 4, {1, 2, 3, 4}, {}, D3DFMT_A8L8, D3DFMT_A8L8, {1, 2, 3, 4}},
      {"rgba 8: blue first",
       8,
       6,
       {1, 2, 3, 4, 5, 6, 7, 8},
       {},
       D3DFMT_A8R8G8B8,
       D3DFMT_A8R8G8B8,
       {3, 2, 1, 4, 7, 6, 5, 8}},
      {"grey 16: little-endian", 16, 0, {0x12, 0x34, 0x56, 0x78}, {}, D3DFMT_L16, D3DFMT_L16, {0x34, 0x12, 0x78, 0x56}},
      {"rgb 16: blue first",
       16,
       2,
       concat({big16(0x0102), big16(0x0304), big16(0x0506), big16(1), big16(2), big16(3)}),
       {},
       D3DFMT_INTERNAL_R16,
       D3DFMT_R8G8B8,
       {6, 5, 4, 3, 2, 1, 3, 0, 2, 0, 1, 0}},
      {"rgba 16: red first",
       16,
       6,
       concat({big16(1), big16(2), big16(3), big16(4), big16(5), big16(6), big16(7), big16(0x0809)}),
       {},
       D3DFMT_A16B16G16R16,
       D3DFMT_A16B16G16R16,
       {1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 9, 8}},
      {"grey+alpha 16",
       16,
       4,
       concat({big16(0x0102), big16(0x0304), big16(5), big16(6)}),
       {},
       D3DFMT_INTERNAL_AL16,
       D3DFMT_A8L8,
       {2, 1, 4, 3, 5, 0, 6, 0}},
      {"grey 1: expanded to 8 bits", 1, 0, {0x80}, {}, D3DFMT_L8, D3DFMT_L8, {255, 0}},
      {"grey 4: expanded to 8 bits", 4, 0, {0x3F}, {}, D3DFMT_L8, D3DFMT_L8, {0x33, 0xFF}},
      {"rgb 8 with tRNS: alpha 0 on the key colour",
       8,
       2,
       {1, 2, 3, 4, 5, 6},
       {{"tRNS", concat({big16(4), big16(5), big16(6)})}},
       D3DFMT_A8R8G8B8,
       D3DFMT_A8R8G8B8,
       {3, 2, 1, 255, 6, 5, 4, 0}},
      {"grey 8 with tRNS", 8, 0, {7, 9}, {{"tRNS", big16(9)}}, D3DFMT_A8L8, D3DFMT_A8L8, {7, 255, 9, 0}},
      {"grey 16 with tRNS",
       16,
       0,
       concat({big16(0x0102), big16(0x0304)}),
       {{"tRNS", big16(0x0304)}},
       D3DFMT_INTERNAL_AL16,
       D3DFMT_A8L8,
       {2, 1, 0xFF, 0xFF, 4, 3, 0, 0}},
      {"rgb 16 with tRNS",
       16,
       2,
       concat({big16(1), big16(2), big16(3), big16(4), big16(5), big16(6)}),
       {{"tRNS", concat({big16(1), big16(2), big16(3)})}},
       D3DFMT_A16B16G16R16,
       D3DFMT_A16B16G16R16,
       {1, 0, 2, 0, 3, 0, 0, 0, 4, 0, 5, 0, 6, 0, 0xFF, 0xFF}},
      {"sRGB leaves samples alone", 8, 0, {10, 128}, {{"sRGB", {0}}}, D3DFMT_L8, D3DFMT_L8, {10, 128}},
      {"gamma 1/2.2 leaves samples alone", 8, 0, {10, 128}, {gammaChunk(45455)}, D3DFMT_L8, D3DFMT_L8, {10, 128}},
  };
  for (const auto& c : cases) {
    Bytes file = pngFile(2, 1, c.bitDepth, c.colourType, {c.row}, c.chunks);
    DecodedImage image;
    ImageSummary summary{};
    ASSERT_EQ(decode(image, file, &summary), S_OK) << c.name;
    EXPECT_EQ(summary.ImageFileKind, ImageFileKind::PNG);
    EXPECT_EQ(image.format, c.format) << c.name;
    EXPECT_EQ(summary.Format, c.summaryFormat) << c.name;
    EXPECT_EQ(image.rowPitch, c.decoded.size()) << c.name;
    EXPECT_EQ(Bytes(image.pixels, image.pixels + c.decoded.size()), c.decoded) << c.name;
  }
}

TEST(PngDecoderTest, FileGammaIsCorrectedForAScreenGammaOf2_2) {
  // File gamma 1.0: samples brighten by the power 1 / 2.2.
  Bytes file = pngFile(2, 1, 8, 0, {{64, 128}}, {gammaChunk(100000)});
  DecodedImage image;
  ASSERT_EQ(decode(image, file), S_OK);
  for (int i = 0; i < 2; ++i) {
    double expected = 255.0 * std::pow((i == 0 ? 64 : 128) / 255.0, 1.0 / 2.2);
    EXPECT_NEAR(image.pixels[i], expected, 1.0);
  }
}

TEST(PngDecoderTest, PalettesGetGammaTransparencyAndOpaqueWhiteBeyondTheirEntries) {
  // Three entries, two with transparency; 2-bit indices 0 1 2 unpack to one byte each.
  PngChunk plte{"PLTE", {0, 64, 255, 128, 128, 128, 255, 0, 0}};
  PngChunk trns{"tRNS", {0, 77}};
  Bytes file = pngFile(3, 1, 2, 3, {{0x18}}, {plte, trns});
  DecodedImage image;
  ASSERT_EQ(decode(image, file), S_OK);
  EXPECT_EQ(image.format, D3DFMT_P8);
  EXPECT_EQ(Bytes(image.pixels, image.pixels + 3), (Bytes{0, 1, 2}));
  ASSERT_NE(image.palette, nullptr);
  EXPECT_EQ(image.palette[0].peFlags, 0);
  EXPECT_EQ(image.palette[1].peFlags, 77);
  EXPECT_EQ(image.palette[1].peRed, 128);
  EXPECT_EQ(image.palette[2].peFlags, 255);
  EXPECT_EQ(image.palette[3].peRed, 0xFF);
  EXPECT_EQ(image.palette[3].peFlags, 0xFF);

  // With file gamma 1.0 the palette goes through the table, once.
  file = pngFile(3, 1, 2, 3, {{0x18}}, {gammaChunk(100000), plte});
  ASSERT_EQ(decode(image, file), S_OK);
  const int expected128 = static_cast<int>(255.0 * std::pow(128 / 255.0, 1.0 / 2.2) + 0.5);
  EXPECT_EQ(image.palette[1].peGreen, expected128);
  EXPECT_EQ(image.palette[0].peGreen, static_cast<int>(255.0 * std::pow(64 / 255.0, 1.0 / 2.2) + 0.5));
  EXPECT_EQ(image.palette[2].peRed, 255);
  EXPECT_EQ(image.palette[2].peGreen, 0);
}

TEST(PngDecoderTest, DamagedFilesAreRefused) {
  const Bytes good = pngFile(4, 4, 8, 2, std::vector<Bytes>(4, Bytes(12, 9)));
  DecodedImage image;
  ASSERT_EQ(decode(image, good), S_OK);

  for (std::size_t length : {std::size_t{8}, std::size_t{20}, std::size_t{40}, good.size() - 20}) {
    Bytes truncated(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_EQ(decode(image, truncated), ResultInvalidData) << length;
  }
  Bytes badCrc = good;
  badCrc[29] ^= 1;  // inside the IHDR checksum
  EXPECT_EQ(decode(image, badCrc), ResultInvalidData);
  Bytes badSignature = good;
  badSignature[1] = 'Q';
  EXPECT_EQ(decode(image, badSignature), ResultInvalidData);

  // A header far larger than its compressed data could ever fill.
  Bytes huge = pngFile(30000, 30000, 8, 6, {Bytes(4, 0)});
  EXPECT_EQ(decode(image, huge), ResultInvalidData);
}

TEST(PngDecoderTest, HeaderOnlyDecodingGivesTheFieldsWithoutPixels) {
  Bytes file = pngFile(2, 1, 16, 2, {Bytes(12, 1)}, {{"tRNS", Bytes(6, 0)}});
  DecodedImage image;
  ImageSummary summary{};
  ASSERT_EQ(decodeImage(image, file.data(), static_cast<UINT>(file.size()), &summary, false), S_OK);
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(image.format, D3DFMT_A16B16G16R16);
  EXPECT_EQ(image.rowPitch, 16u);
  EXPECT_EQ(summary.Width, 2u);
  EXPECT_EQ(summary.MipLevels, 1u);
}

}  // namespace
