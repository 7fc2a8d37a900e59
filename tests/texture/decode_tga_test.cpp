#include <gtest/gtest.h>

#include "tests/texture/image_file_builders.h"

namespace {

using namespace test_images;

Bytes tga(const TgaFields& fields, const Bytes& rest) {
  Bytes file = tgaHeader(fields);
  file.insert(file.end(), rest.begin(), rest.end());
  return file;
}

// Four 8-bit grey pixels 1 2 / 3 4 as stored in file order.
const Bytes kGrey2x2 = {1, 2, 3, 4};

TEST(TgaDecoderTest, TopToBottomLeftToRightPixelsAreUsedInPlace) {
  Bytes file = tga({.imageType = 3, .width = 2, .height = 2, .pixelBits = 8, .descriptor = 0x20}, kGrey2x2);
  DecodedImage image;
  ImageSummary summary{};
  ASSERT_EQ(decode(image, file, &summary), S_OK);
  EXPECT_EQ(summary.ImageFileKind, ImageFileKind::TGA);
  EXPECT_EQ(image.format, D3DFMT_L8);
  EXPECT_EQ(image.rowPitch, 2u);
  EXPECT_EQ(image.slicePitch, 0u);
  EXPECT_TRUE(pointsInto(image, file));
}

TEST(TgaDecoderTest, EveryRowAndColumnOrderEndsTopToBottomLeftToRight) {
  struct Case {
    std::uint8_t descriptor;
    Bytes rows;  // decoded, top row first
  };
  const Case cases[] = {
      {0x00, {3, 4, 1, 2}},  // bottom to top
      {0x10, {4, 3, 2, 1}},  // bottom to top, right to left
      {0x30, {2, 1, 4, 3}},  // top to bottom, right to left
  };
  for (const auto& c : cases) {
    Bytes file = tga({.imageType = 3, .width = 2, .height = 2, .pixelBits = 8, .descriptor = c.descriptor}, kGrey2x2);
    DecodedImage image;
    ASSERT_EQ(decode(image, file), S_OK);
    EXPECT_TRUE(image.ownsPixels);
    EXPECT_EQ(Bytes(image.pixels, image.pixels + 4), c.rows) << int{c.descriptor};
  }
}

TEST(TgaDecoderTest, RunLengthPacketsContinueAcrossRowsAndStopAtTheImageEnd) {
  // 3 × 2 grey, top to bottom: a run of 4 × 7 crosses into row 1, a literal of 3 (5 6 8)
  // has one pixel too many for the image, which is dropped.
  Bytes packets = {0x83, 7, 0x02, 5, 6, 8};
  Bytes file = tga({.imageType = 11, .width = 3, .height = 2, .pixelBits = 8, .descriptor = 0x20}, packets);
  DecodedImage image;
  ASSERT_EQ(decode(image, file), S_OK);
  EXPECT_EQ(Bytes(image.pixels, image.pixels + 6), (Bytes{7, 7, 7, 7, 5, 6}));

  // Bottom to top and right to left, 24-bit: runs fill from the last row's last pixel.
  packets = {0x81, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9};
  file = tga({.imageType = 10, .width = 2, .height = 2, .pixelBits = 24, .descriptor = 0x10}, packets);
  ASSERT_EQ(decode(image, file), S_OK);
  EXPECT_EQ(rowBytes(image, 1, 3), (Bytes{1, 2, 3, 1, 2, 3}));
  EXPECT_EQ(rowBytes(image, 0, 3), (Bytes{7, 8, 9, 4, 5, 6}));

  // Running out of packets before the image is full.
  file = tga({.imageType = 11, .width = 3, .height = 2, .pixelBits = 8}, {0x83, 7, 0x01, 5});
  EXPECT_EQ(decode(image, file), ResultInvalidData);
}

TEST(TgaDecoderTest, AlphaThatIsAllZeroMeansNoAlpha) {
  DecodedImage image;
  Bytes file = tga({.width = 2, .height = 1, .pixelBits = 32}, {1, 2, 3, 0, 4, 5, 6, 0});
  ASSERT_EQ(decode(image, file), S_OK);
  EXPECT_EQ(image.format, D3DFMT_X8R8G8B8);
  file = tga({.width = 2, .height = 1, .pixelBits = 32}, {1, 2, 3, 0, 4, 5, 6, 1});
  ASSERT_EQ(decode(image, file), S_OK);
  EXPECT_EQ(image.format, D3DFMT_A8R8G8B8);
  file = tga({.width = 2, .height = 1, .pixelBits = 16}, {0xFF, 0x7F, 0x00, 0x00});
  ASSERT_EQ(decode(image, file), S_OK);
  EXPECT_EQ(image.format, D3DFMT_X1R5G5B5);
  file = tga({.width = 2, .height = 1, .pixelBits = 16}, {0xFF, 0x7F, 0x00, 0x80});
  ASSERT_EQ(decode(image, file), S_OK);
  EXPECT_EQ(image.format, D3DFMT_A1R5G5B5);
  file = tga({.width = 1, .height = 1, .pixelBits = 15}, {0, 0});
  ASSERT_EQ(decode(image, file), S_OK);
  EXPECT_EQ(image.format, D3DFMT_X1R5G5B5);
}

TEST(TgaDecoderTest, ColourMapsFillThePaletteFromTheFirstIndex) {
  // 32-bit map of 2 entries from index 5 with alpha 0 everywhere: made opaque.
  Bytes file = tga({.colourMapType = 1,
                    .imageType = 1,
                    .firstEntry = 5,
                    .mapLength = 2,
                    .entryBits = 32,
                    .width = 1,
                    .height = 1,
                    .pixelBits = 8},
                   {10, 20, 30, 0, 40, 50, 60, 0, 6});
  DecodedImage image;
  ASSERT_EQ(decode(image, file), S_OK);
  EXPECT_EQ(image.format, D3DFMT_P8);
  ASSERT_NE(image.palette, nullptr);
  EXPECT_EQ(image.palette[5].peRed, 30);
  EXPECT_EQ(image.palette[5].peBlue, 10);
  EXPECT_EQ(image.palette[6].peFlags, 255);
  EXPECT_EQ(image.palette[4].peRed, 0xFF);
  EXPECT_EQ(image.pixels[0], 6);

  // 16-bit entries: 5-bit channels widened, alpha from bit 15; one entry with alpha keeps them.
  file = tga(
      {.colourMapType = 1, .imageType = 1, .mapLength = 2, .entryBits = 16, .width = 1, .height = 1, .pixelBits = 8},
      {0x1F, 0x7C, 0x00, 0x80, 0});
  ASSERT_EQ(decode(image, file), S_OK);
  EXPECT_EQ(image.palette[0].peRed, 255);
  EXPECT_EQ(image.palette[0].peGreen, 0);
  EXPECT_EQ(image.palette[0].peBlue, 255);
  EXPECT_EQ(image.palette[0].peFlags, 0);
  EXPECT_EQ(image.palette[1].peFlags, 255);

  // A map reaching past entry 255 is refused.
  file = tga({.colourMapType = 1,
              .imageType = 1,
              .firstEntry = 255,
              .mapLength = 2,
              .entryBits = 24,
              .width = 1,
              .height = 1,
              .pixelBits = 8},
             {1, 2, 3, 4, 5, 6, 0});
  EXPECT_EQ(decode(image, file), ResultInvalidData);
}

TEST(TgaDecoderTest, IdentificationAndUnusedColourMapsAreSkipped) {
  // True-colour image with a 3-byte id and a 2-entry 24-bit map that is not used.
  Bytes file = tga({.idLength = 3,
                    .colourMapType = 1,
                    .imageType = 2,
                    .mapLength = 2,
                    .entryBits = 24,
                    .width = 1,
                    .height = 1,
                    .pixelBits = 24},
                   {'a', 'b', 'c', 1, 1, 1, 2, 2, 2, 7, 8, 9});
  DecodedImage image;
  ASSERT_EQ(decode(image, file), S_OK);
  EXPECT_EQ(rowBytes(image, 0, 3), (Bytes{7, 8, 9}));
  EXPECT_EQ(image.palette, nullptr);
}

TEST(TgaDecoderTest, HeadersOutsideTheAcceptedValuesAreRefused) {
  const std::vector<std::pair<const char*, Bytes>> bad = {
      {"image type 4", tga({.imageType = 4, .pixelBits = 8}, {0})},
      {"image type 0", tga({.imageType = 0, .pixelBits = 8}, {0})},
      {"colour-map type 2", tga({.colourMapType = 2, .pixelBits = 24}, {0, 0, 0})},
      {"map entry bits 8",
       tga({.colourMapType = 1, .imageType = 1, .mapLength = 1, .entryBits = 8, .pixelBits = 8}, {0, 0})},
      {"colour-mapped without map", tga({.imageType = 1, .pixelBits = 8}, {0})},
      {"grey 16 bits", tga({.imageType = 3, .pixelBits = 16}, {0, 0})},
      {"true colour 8 bits", tga({.imageType = 2, .pixelBits = 8}, {0})},
      {"zero width", tga({.width = 0, .pixelBits = 24}, {0, 0, 0})},
      {"pixels short", tga({.width = 2, .height = 2, .pixelBits = 24}, Bytes(11, 0))},
      {"id past the end", tga({.idLength = 200, .pixelBits = 24}, {0, 0, 0})},
      {"run-length image far beyond its data",
       tga({.imageType = 10, .width = 0xFFFF, .height = 0xFFFF, .pixelBits = 32}, {0xFF, 0, 0, 0, 0})},
  };
  for (const auto& [name, file] : bad) {
    DecodedImage image;
    EXPECT_EQ(decode(image, file), ResultInvalidData) << name;
  }
}

}  // namespace
