#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/texture/image_file_builders.h"

namespace {

using namespace test_images;

TEST(JpegDecoderTest, GreyDecodesToL8AndColourToX8R8G8B8WithBlueFirst) {
  const std::uint32_t width = 16, height = 8;
  Bytes grey(width * height, 90);
  Bytes file = jpegFile(width, height, 1, grey);
  DecodedImage image;
  ImageSummary summary{};
  ASSERT_EQ(decode(image, file, &summary), S_OK);
  EXPECT_EQ(summary.ImageFileKind, ImageFileKind::JPG);
  EXPECT_EQ(image.format, D3DFMT_L8);
  EXPECT_EQ(image.rowPitch, width);
  EXPECT_EQ(image.depth, 1u);
  for (std::uint32_t i = 0; i < width * height; ++i) EXPECT_NEAR(image.pixels[i], 90, 2) << i;

  Bytes rgb;
  for (std::uint32_t i = 0; i < width * height; ++i) rgb.insert(rgb.end(), {200, 100, 30});
  file = jpegFile(width, height, 3, rgb);
  ASSERT_EQ(decode(image, file), S_OK);
  EXPECT_EQ(image.format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(image.rowPitch, 4 * width);
  const std::uint8_t* last = image.pixels + (height - 1) * image.rowPitch + (width - 1) * 4;
  EXPECT_NEAR(last[0], 30, 4);
  EXPECT_NEAR(last[1], 100, 4);
  EXPECT_NEAR(last[2], 200, 4);
  EXPECT_EQ(last[3], 0);
}

TEST(JpegDecoderTest, FourComponentAndDamagedFilesAreRefused) {
  DecodedImage image;
  EXPECT_EQ(decode(image, jpegFile(8, 8, 4, Bytes(8 * 8 * 4, 50))), ResultInvalidData);

  const Bytes good = jpegFile(32, 32, 3, Bytes(32 * 32 * 3, 128));
  for (std::size_t length : {std::size_t{2}, std::size_t{20}, std::size_t{200}}) {
    Bytes truncated(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_EQ(decode(image, truncated), ResultInvalidData) << length;
  }
  Bytes corrupt = good;
  for (std::size_t i = 20; i < 200; ++i) corrupt[i] = static_cast<std::uint8_t>(i * 37);
  EXPECT_EQ(decode(image, corrupt), ResultInvalidData);
  EXPECT_EQ(image.pixels, nullptr);
}

TEST(JpegDecoderTest, DataEndingBeforeTheLastScanlineIsRefusedButAMissingEndMarkerIsNot) {
  Bytes pixels(64 * 64 * 3);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 31 + i / 7);
  const Bytes good = jpegFile(64, 64, 3, pixels);
  DecodedImage image;
  Bytes cut(good.begin(), good.end() - 2);
  EXPECT_EQ(decode(image, cut), S_OK);
  cut.assign(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() * 3 / 4));
  EXPECT_EQ(decode(image, cut), ResultInvalidData);
}

TEST(JpegDecoderTest, SegmentLengthsPastTheEndAreSkippedSafely) {
  // An application segment claiming 0xFFFF bytes right after the start-of-image marker.
  Bytes file = {0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xFF, 1, 2, 3};
  DecodedImage image;
  EXPECT_EQ(decode(image, file), ResultInvalidData);
}

TEST(JpegDecoderTest, HeaderOnlyDecodingReadsTheSize) {
  Bytes file = jpegFile(24, 10, 3, Bytes(24 * 10 * 3, 7));
  DecodedImage image;
  ImageSummary summary{};
  ASSERT_EQ(decodeImage(image, file.data(), static_cast<UINT>(file.size()), &summary, false), S_OK);
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(summary.Width, 24u);
  EXPECT_EQ(summary.Height, 10u);
  EXPECT_EQ(summary.Format, D3DFMT_X8R8G8B8);
}

}  // namespace

#include "math/mmx_test.h"
#include "tests/support/scoped_environment.h"

namespace {

TEST(JpegDecoderTest, WithoutMmxTheFastIntegerTransformIsUsed) {
  if (!mmxAvailable()) GTEST_SKIP() << "the processor has no MMX: both decodes would use the fast transform";
  Bytes noisy(64 * 64 * 3);
  std::uint32_t seed = 7;
  for (auto& sample : noisy) sample = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 24);
  const Bytes file = jpegFile(64, 64, 3, noisy, 98);
  DecodedImage accurate;
  ASSERT_EQ(decode(accurate, file), S_OK);

  prism_test::TemporaryDirectory directory;
  prism_test::ScopedRegistry registry(
      directory, "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Orvance\\Direct3D]\n\"DisableMMX\"=dword:00000001\n");
  DecodedImage fast;
  ASSERT_EQ(decode(fast, file), S_OK);
  const std::size_t bytes = std::size_t{accurate.rowPitch} * accurate.height;
  int differing = 0, largest = 0;
  for (std::size_t i = 0; i < bytes; ++i) {
    const int difference = std::abs(accurate.pixels[i] - fast.pixels[i]);
    differing += difference != 0;
    largest = std::max(largest, difference);
  }
  EXPECT_GT(differing, 0);  // a different transform ran
  EXPECT_LE(largest, 16);   // and it decodes the same picture
}

}  // namespace
