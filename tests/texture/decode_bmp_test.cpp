#include <gtest/gtest.h>

#include <cstring>

#include "tests/texture/image_file_builders.h"
#include "texture/pixel_formats.h"

namespace {

using namespace test_images;

Bytes greyTable(int entries) {
  ByteWriter w;
  for (int i = 0; i < entries; ++i) w.u8(i * 10).u8(i * 10 + 1).u8(i * 10 + 2).u8(0);
  return w.bytes;
}

TEST(BmpDecoderTest, TopDownRowsAreUsedInPlaceAndBottomUpRowsAreCopiedUpsideDown) {
  // Two 24-bit pixels a row, padded to 8 bytes.
  Bytes pixels = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  Bytes topDown = bmpFile({.width = 2, .height = -2, .bitCount = 24}, {}, pixels);
  DecodedImage image;
  ImageSummary summary{};
  ASSERT_EQ(decode(image, topDown, &summary), S_OK);
  EXPECT_EQ(summary.ImageFileKind, ImageFileKind::BMP);
  EXPECT_EQ(image.format, D3DFMT_R8G8B8);
  EXPECT_EQ(image.rowPitch, 8u);
  EXPECT_TRUE(pointsInto(image, topDown));
  EXPECT_EQ(rowBytes(image, 1, 3), (Bytes{7, 8, 9, 10, 11, 12}));

  // Without the last row's padding the rows cannot be used whole: copied, padding zeroed.
  Bytes unpadded = bmpFile({.width = 2, .height = -2, .bitCount = 24}, {}, Bytes(pixels.begin(), pixels.end() - 2));
  ASSERT_EQ(decode(image, unpadded), S_OK);
  EXPECT_TRUE(image.ownsPixels);
  EXPECT_EQ(Bytes(image.pixels + 8, image.pixels + 16), (Bytes{7, 8, 9, 10, 11, 12, 0, 0}));

  Bytes bottomUp = bmpFile({.width = 2, .height = 2, .bitCount = 24}, {}, pixels);
  ASSERT_EQ(decode(image, bottomUp), S_OK);
  EXPECT_TRUE(image.ownsPixels);
  EXPECT_EQ(rowBytes(image, 0, 3), (Bytes{7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(rowBytes(image, 1, 3), (Bytes{1, 2, 3, 4, 5, 6}));
}

TEST(BmpDecoderTest, IndexedPixelsUnpackToOneBytePerPixelWithAFullPalette) {
  // 1 bit, 10 pixels: 1011 0010 01.. ; 4 bits, 3 pixels: 0x1F 0x2.
  Bytes oneBit = bmpFile({.width = 10, .height = -1, .bitCount = 1}, greyTable(2), {0xB2, 0x40, 0, 0});
  DecodedImage image;
  ASSERT_EQ(decode(image, oneBit), S_OK);
  EXPECT_EQ(image.format, D3DFMT_P8);
  EXPECT_EQ(image.rowPitch, 12u);
  EXPECT_EQ(rowBytes(image, 0, 1), (Bytes{1, 0, 1, 1, 0, 0, 1, 0, 0, 1}));
  ASSERT_NE(image.palette, nullptr);
  EXPECT_EQ(image.palette[1].peRed, 12);
  EXPECT_EQ(image.palette[1].peGreen, 11);
  EXPECT_EQ(image.palette[1].peBlue, 10);
  EXPECT_EQ(image.palette[1].peFlags, 255);
  EXPECT_EQ(image.palette[2].peRed, 0xFF);
  EXPECT_EQ(image.palette[255].peFlags, 0xFF);

  Bytes fourBit = bmpFile({.width = 3, .height = 1, .bitCount = 4, .coloursUsed = 3}, greyTable(3), {0x1F, 0x20, 0, 0});
  ASSERT_EQ(decode(image, fourBit), S_OK);
  EXPECT_EQ(rowBytes(image, 0, 1), (Bytes{1, 15, 2}));
  EXPECT_EQ(image.palette[2].peBlue, 20);
  EXPECT_EQ(image.palette[3].peBlue, 0xFF);
}

TEST(BmpDecoderTest, OldCoreHeaderHasThreeByteColourEntries) {
  ByteWriter w;
  w.u8('B').u8('M').u32(0).u32(0).u32(0);
  w.u32(12).u16(2).u16(1).u16(1).u16(8);                    // core header
  for (int i = 0; i < 256; ++i) w.u8(i).u8(0).u8(255 - i);  // blue, green, red
  w.u8(3).u8(200).u8(0).u8(0);
  DecodedImage image;
  ASSERT_EQ(decode(image, w.bytes), S_OK);
  EXPECT_EQ(rowBytes(image, 0, 1), (Bytes{3, 200}));
  EXPECT_EQ(image.palette[200].peRed, 55);
  EXPECT_EQ(image.palette[200].peBlue, 200);
}

TEST(BmpDecoderTest, RunLengthDataCoversRunsLiteralsDeltasAndLineEnds) {
  // 6 × 3, bottom-up. Row 0 (bottom): run of 3 × 7, literal 5 6 7 (padded), EOL.
  // Row 1: delta right 2 down 1 to row 2; row 2: run 2 × 9 from x = 2, EOB.
  Bytes rle8 = {3, 7, 0, 3, 5, 6, 7, 0, 0, 0, 0, 2, 2, 1, 2, 9, 0, 1};
  Bytes file = bmpFile({.width = 6, .height = 3, .bitCount = 8, .compression = 1}, greyTable(256), rle8);
  DecodedImage image;
  ASSERT_EQ(decode(image, file), S_OK);
  EXPECT_EQ(image.format, D3DFMT_P8);
  EXPECT_EQ(rowBytes(image, 2, 1), (Bytes{7, 7, 7, 5, 6, 7}));
  EXPECT_EQ(rowBytes(image, 1, 1), (Bytes{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(rowBytes(image, 0, 1), (Bytes{0, 0, 9, 9, 0, 0}));

  // RLE4: a run alternates the two nibbles; a literal of 3 nibbles takes 2 bytes (padded to even).
  Bytes rle4 = {5, 0x12, 0, 3, 0x34, 0x50, 0, 1};
  file = bmpFile({.width = 8, .height = 1, .bitCount = 4, .compression = 2}, greyTable(16), rle4);
  ASSERT_EQ(decode(image, file), S_OK);
  EXPECT_EQ(rowBytes(image, 0, 1), (Bytes{1, 2, 1, 2, 1, 3, 4, 5}));
}

TEST(BmpDecoderTest, RunLengthDataThatLeavesTheImageOrEndsEarlyIsRefused) {
  const DibFields fields{.width = 4, .height = 2, .bitCount = 8, .compression = 1};
  const std::vector<Bytes> bad = {
      {5, 1, 0, 1},              // run longer than the row
      {0, 5, 1, 2, 3, 4, 5, 0},  // literal longer than the row
      {0, 2, 5, 0, 0, 1},        // delta off the right edge
      {0, 2, 0, 3, 0, 1},        // delta below the bottom
      {0, 0, 0, 0, 0, 0, 1, 1},  // a run after the last row
      {2, 1, 0},                 // input ends before the end-of-image mark
      {0, 4, 1, 2},              // literal cut short
  };
  for (const auto& data : bad) {
    DecodedImage image;
    EXPECT_EQ(decode(image, bmpFile(fields, greyTable(256), data)), ResultInvalidData) << testing::PrintToString(data);
    EXPECT_EQ(image.pixels, nullptr);
  }
  // Run-length data is always stored bottom-up and only with its own bit count.
  DecodedImage image;
  EXPECT_EQ(decode(image, bmpFile({.width = 4, .height = -2, .bitCount = 8, .compression = 1}, greyTable(256), {0, 1})),
            ResultInvalidData);
  EXPECT_EQ(decode(image, bmpFile({.width = 4, .height = 2, .bitCount = 4, .compression = 1}, greyTable(16), {0, 1})),
            ResultInvalidData);
}

struct BitFieldCase {
  std::uint32_t bits, red, green, blue, alpha;
  D3DFORMAT format;
};

TEST(BmpDecoderTest, BitFieldMasksSelectTheirFormat) {
  const BitFieldCase cases[] = {
      {16, 0xF800, 0x7E0, 0x1F, 0, D3DFMT_R5G6B5},
      {16, 0xF00, 0xF0, 0xF, 0xF000, D3DFMT_A4R4G4B4},
      {16, 0xFF, 0xFF, 0xFF, 0xFF00, D3DFMT_A8L8},
      {24, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_R8G8B8},
      {32, 0xFFFF, 0xFFFF0000, 0, 0, D3DFMT_G16R16},
      {32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000, D3DFMT_A2B10G10R10},
      {32, 0xFF, 0xFF00, 0xFF0000, 0, D3DFMT_X8B8G8R8},
  };
  for (const auto& c : cases) {
    DibFields fields{.headerSize = 56, .width = 1, .height = -1, .bitCount = c.bits, .compression = 3};
    fields.masks[0] = c.red, fields.masks[1] = c.green, fields.masks[2] = c.blue, fields.masks[3] = c.alpha;
    Bytes file = bmpFile(fields, {}, {1, 2, 3, 4});
    DecodedImage image;
    ASSERT_EQ(decode(image, file), S_OK) << c.format;
    EXPECT_EQ(image.format, c.format);
    EXPECT_TRUE(pointsInto(image, file));
  }
  // A 52-byte header has no alpha mask: A1R5G5B5 masks without alpha read as X1R5G5B5.
  DibFields fields{.headerSize = 52, .width = 1, .height = -1, .bitCount = 16, .compression = 3};
  fields.masks[0] = 0x7C00, fields.masks[1] = 0x3E0, fields.masks[2] = 0x1F, fields.masks[3] = 0x8000;
  DecodedImage image;
  ASSERT_EQ(decode(image, bmpFile(fields, {}, {1, 2, 3, 4})), S_OK);
  EXPECT_EQ(image.format, D3DFMT_X1R5G5B5);
  // Masks after a plain 40-byte header lie outside it: refused.
  fields.headerSize = 40;
  EXPECT_EQ(decode(image, bmpFile(fields, {}, {1, 2, 3, 4})), ResultInvalidData);
}

TEST(BmpDecoderTest, ByteShiftedMasksReadFromOneByteOn) {
  DibFields fields{.headerSize = 56, .width = 2, .height = -1, .bitCount = 32, .compression = 3};
  fields.masks[0] = 0xFF000000, fields.masks[1] = 0xFF0000, fields.masks[2] = 0xFF00;
  // Pixels stored as (x, b, g, r): read from one byte on they are (b, g, r, next x).
  Bytes pixels = {0, 10, 20, 30, 0, 40, 50, 60};
  DecodedImage image;
  Bytes file = bmpFile(fields, {}, pixels);
  ASSERT_EQ(decode(image, file), S_OK);
  EXPECT_EQ(image.format, D3DFMT_X8R8G8B8);
  const Bytes row = rowBytes(image, 0, 4);
  EXPECT_EQ(row[0], 10);
  EXPECT_EQ(row[4], 40);
  EXPECT_EQ(row[6], 60);
  // The shifted read never goes past the data: the last byte comes from a copy.
  EXPECT_TRUE(image.ownsPixels);
  EXPECT_EQ(row[7], 0);
}

TEST(BmpDecoderTest, OtherMasksDecodeToFloatsAndEmptyColourMasksAreRefused) {
  // 16-bit 2-3-1 style masks: red 0xC000 (2 bits), green 0x3800 (3 bits), blue 0x0400 (1 bit).
  DibFields fields{.headerSize = 56, .width = 1, .height = 1, .bitCount = 16, .compression = 3};
  fields.masks[0] = 0xC000, fields.masks[1] = 0x3800, fields.masks[2] = 0x0400;
  DecodedImage image;
  ASSERT_EQ(decode(image, bmpFile(fields, {}, {0x00, 0xD4, 0, 0})), S_OK);  // 0xD400: red 3, green 2, blue 1
  EXPECT_EQ(image.format, D3DFMT_A32B32G32R32F);
  EXPECT_EQ(image.rowPitch, 16u);
  float rgba[4];
  std::memcpy(rgba, image.pixels, sizeof(rgba));
  EXPECT_FLOAT_EQ(rgba[0], 1.0f);
  EXPECT_FLOAT_EQ(rgba[1], 2.0f / 7.0f);
  EXPECT_FLOAT_EQ(rgba[2], 1.0f);
  EXPECT_FLOAT_EQ(rgba[3], 1.0f);  // no alpha mask

  fields.masks[0] = fields.masks[1] = fields.masks[2] = 0;
  fields.masks[3] = 0xFF00;
  EXPECT_EQ(decode(image, bmpFile(fields, {}, {0, 0, 0, 0})), ResultInvalidData);
}

TEST(BmpDecoderTest, ThirtyTwoBitPixelsWithAnyTopByteCarryAlpha) {
  DecodedImage image;
  ASSERT_EQ(decode(image, bmpFile({.width = 2, .height = 1, .bitCount = 32}, {}, {1, 2, 3, 0, 4, 5, 6, 0})), S_OK);
  EXPECT_EQ(image.format, D3DFMT_X8R8G8B8);
  ASSERT_EQ(decode(image, bmpFile({.width = 2, .height = 1, .bitCount = 32}, {}, {1, 2, 3, 0, 4, 5, 6, 9})), S_OK);
  EXPECT_EQ(image.format, D3DFMT_A8R8G8B8);
}

TEST(BmpDecoderTest, PixelOffsetPastTheColourTableIsHonoured) {
  // A gap of 6 bytes between the header and the pixels.
  Bytes file = bmpFile({.width = 1, .height = -1, .bitCount = 24}, {}, {9, 8, 7, 0}, 14 + 40 + 6);
  DecodedImage image;
  ASSERT_EQ(decode(image, file), S_OK);
  EXPECT_EQ(rowBytes(image, 0, 3), (Bytes{9, 8, 7}));
  // An offset inside the colour table (or past the file) is ignored: pixels follow the table.
  Bytes table = greyTable(2);
  Bytes pixels = {0x80, 0, 0, 0};
  file = bmpFile({.width = 1, .height = 1, .bitCount = 1}, table, pixels);
  file[10] = 14 + 40 + 2;
  ASSERT_EQ(decode(image, file), S_OK);
  EXPECT_EQ(rowBytes(image, 0, 1), (Bytes{1}));
  file[10] = 0xF0, file[11] = 0xFF;
  ASSERT_EQ(decode(image, file), S_OK);
  EXPECT_EQ(rowBytes(image, 0, 1), (Bytes{1}));
}

TEST(BmpDecoderTest, LyingHeadersAreRefused) {
  const Bytes pixels(16, 0);
  const std::vector<std::pair<const char*, Bytes>> bad = {
      {"pixels short by one byte", bmpFile({.width = 2, .height = 2, .bitCount = 24}, {}, Bytes(8 + 5, 0))},
      {"width × height beyond any buffer",
       bmpFile({.width = 0x7FFFFFFF, .height = 0x7FFFFFFF, .bitCount = 32}, {}, pixels)},
      {"height of INT_MIN", bmpFile({.width = 1, .height = INT32_MIN, .bitCount = 8}, greyTable(256), pixels)},
      {"negative width", bmpFile({.width = -4, .height = 1, .bitCount = 24}, {}, pixels)},
      {"zero width", bmpFile({.width = 0, .height = 1, .bitCount = 24}, {}, pixels)},
      {"colour table beyond the data",
       bmpFile({.width = 1, .height = 1, .bitCount = 8, .coloursUsed = 0x40000000}, {}, pixels)},
      {"bit count 7", bmpFile({.width = 1, .height = 1, .bitCount = 7}, {}, pixels)},
      {"compression 4", bmpFile({.width = 1, .height = 1, .bitCount = 24, .compression = 4}, {}, pixels)},
      {"header size 39", bmpFile({.headerSize = 39}, {}, pixels)},
  };
  for (const auto& [name, file] : bad) {
    DecodedImage image;
    EXPECT_EQ(decode(image, file), ResultInvalidData) << name;
  }
  // File size larger than the data, planes not 1, header size past the data.
  Bytes file = bmpFile({.width = 1, .height = 1, .bitCount = 24}, {}, {1, 2, 3, 0});
  DecodedImage image;
  Bytes lying = file;
  lying[2] = static_cast<std::uint8_t>(file.size() + 1);
  EXPECT_EQ(decode(image, lying), ResultInvalidData);
  lying = file;
  lying[14 + 12] = 2;
  EXPECT_EQ(decode(image, lying), ResultInvalidData);
  lying = file;
  lying[14 + 1] = 0x10;
  EXPECT_EQ(decode(image, lying), ResultInvalidData);
}

TEST(BmpDecoderTest, BareDibIsDecodedByTheLastDecoder) {
  Bytes dib = dibHeader({.width = 1, .height = -1, .bitCount = 24});
  dib.insert(dib.end(), {1, 2, 3, 0});
  DecodedImage image;
  ImageSummary summary{};
  ASSERT_EQ(decode(image, dib, &summary), S_OK);
  EXPECT_EQ(summary.ImageFileKind, ImageFileKind::DIB);
  EXPECT_EQ(image.fileFormat, ImageFileKind::DIB);
  EXPECT_TRUE(pointsInto(image, dib));
}

}  // namespace
