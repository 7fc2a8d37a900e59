#include "texture/image_decoder.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/texture/image_file_builders.h"

namespace {

using namespace test_images;

Bytes smallTga() {
  TgaFields fields{.imageType = 3, .width = 2, .height = 1, .pixelBits = 8, .descriptor = 0};
  Bytes file = tgaHeader(fields);
  file.insert(file.end(), {5, 6});
  return file;
}

TEST(DecodeImageTest, MissingDataIsAnInvalidCallAndNothingWantedIsANoOp) {
  DecodedImage image;
  ImageSummary summary{};
  const std::uint8_t byte = 0;
  EXPECT_EQ(decodeImage(image, nullptr, 10, &summary, true), D3DERR_INVALIDCALL);
  EXPECT_EQ(decodeImage(image, &byte, 0, &summary, true), D3DERR_INVALIDCALL);
  // Neither a summary nor pixels wanted: the data is not even looked at.
  EXPECT_EQ(decodeImage(image, &byte, 1, nullptr, false), S_OK);
  EXPECT_EQ(image.format, D3DFMT_UNKNOWN);
}

TEST(DecodeImageTest, UndecodableDataLeavesAClearedImageAndAnUntouchedSummary) {
  DecodedImage image;
  const Bytes good = smallTga();
  ASSERT_EQ(decode(image, good), S_OK);
  ASSERT_TRUE(image.ownsPixels);
  const Bytes garbage = {0x00, 0x07, 0x77, 0x01, 0x02};
  ImageSummary summary{};
  summary.Width = 77;
  EXPECT_EQ(decode(image, garbage, &summary), ResultInvalidData);
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_FALSE(image.ownsPixels);
  EXPECT_EQ(image.format, D3DFMT_UNKNOWN);
  EXPECT_EQ(summary.Width, 77u);
}

TEST(DecodeImageTest, SummaryAndBoxDescribeTheDecodedImage) {
  DecodedImage image;
  const Bytes file = smallTga();
  ImageSummary summary;
  std::memset(&summary, 0xAB, sizeof(summary));
  ASSERT_EQ(decode(image, file, &summary), S_OK);
  EXPECT_EQ(summary.Width, 2u);
  EXPECT_EQ(summary.Height, 1u);
  EXPECT_EQ(summary.Depth, 1u);
  EXPECT_EQ(summary.MipLevels, 1u);
  EXPECT_EQ(summary.Format, D3DFMT_L8);
  EXPECT_EQ(summary.ResourceType, D3DRTYPE_TEXTURE);
  EXPECT_EQ(summary.ImageFileKind, ImageFileKind::TGA);
  EXPECT_EQ(image.box.Left, 0u);
  EXPECT_EQ(image.box.Right, 2u);
  EXPECT_EQ(image.box.Bottom, 1u);
  EXPECT_EQ(image.box.Back, 1u);
  EXPECT_EQ(image.resourceType, D3DRTYPE_TEXTURE);
}

TEST(DecodeImageTest, HeaderOnlyDecodingOwnsNothing) {
  DecodedImage image;
  TgaFields fields{
      .colourMapType = 1, .imageType = 9, .mapLength = 1, .entryBits = 24, .width = 4, .height = 4, .pixelBits = 8};
  Bytes file = tgaHeader(fields);
  file.insert(file.end(), {1, 2, 3, 0x83, 0, 0x8B, 0});
  ImageSummary summary{};
  ASSERT_EQ(decodeImage(image, file.data(), static_cast<UINT>(file.size()), &summary, false), S_OK);
  EXPECT_FALSE(image.decodePixels);
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(image.palette, nullptr);
  EXPECT_EQ(summary.Format, D3DFMT_P8);
  ASSERT_EQ(decode(image, file), S_OK);
  ASSERT_NE(image.palette, nullptr);
  EXPECT_EQ(image.palette[0].peRed, 3);
}

TEST(DecodedImageTest, DestroyingALongChainDoesNotRecurseOncePerLevel) {
  auto image = std::make_unique<DecodedImage>();
  DecodedImage* last = image.get();
  for (int i = 0; i < 200000; ++i) {
    last->nextLevel = std::make_unique<DecodedImage>();
    last = last->nextLevel.get();
  }
  last->allocatePixels(16);
  image.reset();
}

}  // namespace

#include "texture/decode_limits.h"

namespace {

TEST(DecodeLimitsTest, SizesThatOverflowOrPassTheCapAreRefused) {
  EXPECT_FALSE(checkedMultiply(1ull << 32, 1ull << 32).has_value());
  EXPECT_FALSE(checkedMultiply(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu).has_value());
  EXPECT_EQ(checkedMultiply(0xFFFFFFFFu, 0xFFFFFFFFu), 0xFFFFFFFE00000001ull);
  EXPECT_TRUE(allocationAllowed(kMaxDecodedBytes, kMaxDecodedBytes, 1));
  EXPECT_FALSE(allocationAllowed(kMaxDecodedBytes + 1, kMaxDecodedBytes * 2, 1));
  EXPECT_FALSE(allocationAllowed(std::nullopt, 100, 1));
  EXPECT_FALSE(allocationAllowed(1000, 9, 100));  // 9 input bytes fill at most 900
  EXPECT_TRUE(allocationAllowed(900, 9, 100));
}

TEST(DecodeLimitsTest, ImagesLargerThanTheCapAreRefusedEvenWithTheDataPresent) {
  if (kMaxDecodedBytes > (std::uint64_t{1} << 24)) GTEST_SKIP() << "only with the small-limits build";
  // A bottom-up 24-bit TGA one row larger than the cap, with all its pixel data.
  const std::uint16_t width = 4096;
  const auto height = static_cast<std::uint16_t>(kMaxDecodedBytes / (width * 3) + 1);
  test_images::Bytes file =
      test_images::tgaHeader({.width = width, .height = height, .pixelBits = 24, .descriptor = 0});
  file.resize(file.size() + std::size_t{width} * height * 3, 0x10);
  DecodedImage image;
  EXPECT_EQ(test_images::decode(image, file), ResultInvalidData);
  file[17] = 0x20;  // top to bottom: used in place, nothing allocated, still over the cap
  EXPECT_EQ(test_images::decode(image, file), ResultInvalidData);
}

}  // namespace
