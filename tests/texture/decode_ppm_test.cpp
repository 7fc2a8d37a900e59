#include <gtest/gtest.h>

#include "tests/texture/image_file_builders.h"
#include "texture/image_decoders.h"

namespace {

using namespace test_images;

Bytes text(const std::string& value) { return Bytes(value.begin(), value.end()); }

TEST(PpmDecoderTest, BinaryAndTextSamplesScaleToEightBitsWithOpaqueAlpha) {
  Bytes binary = text("P6\n# comment\n2 1\n# another\n100\n");
  binary.insert(binary.end(), {100, 50, 0, 10, 20, 30});
  DecodedImage image;
  ImageSummary summary{};
  ASSERT_EQ(decode(image, binary, &summary), S_OK);
  EXPECT_EQ(summary.ImageFileKind, ImageFileKind::PPM);
  EXPECT_EQ(image.format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(image.rowPitch, 8u);
  EXPECT_TRUE(image.ownsPixels);
  EXPECT_EQ(rowBytes(image, 0, 4), (Bytes{0, 127, 255, 255, 76, 51, 25, 255}));

  Bytes plain = text("P3 2 1 65535\n65535 0 32768\t1 2 3");
  ASSERT_EQ(decode(image, plain), S_OK);
  EXPECT_EQ(rowBytes(image, 0, 4), (Bytes{127, 0, 255, 255, 0, 0, 0, 255}));
}

TEST(PpmDecoderTest, CarriageReturnAndLineFeedAfterTheMaximumCountAsOneSeparator) {
  Bytes binary = text("P6 1 1 255\r\n");
  binary.insert(binary.end(), {1, 2, 3});
  DecodedImage image;
  ASSERT_EQ(decode(image, binary), S_OK);
  EXPECT_EQ(rowBytes(image, 0, 4), (Bytes{3, 2, 1, 255}));
}

TEST(PpmDecoderTest, LimitsAndMalformedHeadersAreRefused) {
  const std::vector<std::pair<const char*, Bytes>> bad = {
      {"P6 maximum 65535", text("P6 1 1 65535 \x01\x02\x03\x04\x05\x06")},
      {"P6 one byte short", text("P6 2 1 255 abcde")},
      {"P3 runs out of samples", text("P3 2 1 255 1 2 3 4 5")},
      {"zero width", text("P6 0 1 255 abc")},
      {"zero maximum", text("P3 1 1 0 0 0 0")},
      {"non-digit inside a number", text("P3 1x 1 255 1 2 3")},
      {"number beyond 32 bits", text("P3 99999999999 1 255 1 2 3")},
      {"size beyond the data", text("P6 65535 65535 255 abc")},
      {"P5 is not handled", text("P5 1 1 255 a")},
  };
  for (const auto& [name, file] : bad) {
    DecodedImage image;
    EXPECT_EQ(decode(image, file), ResultInvalidData) << name;
  }
}

TEST(PpmDecoderTest, TextSamplesAboveTheMaximumAreClamped) {
  DecodedImage image;
  ASSERT_EQ(decode(image, text("P3 1 1 15 99 15 0")), S_OK);
  EXPECT_EQ(rowBytes(image, 0, 4), (Bytes{0, 255, 255, 255}));
}

}  // namespace

namespace {

TEST(PpmDecoderTest, FullRangeFastPathMatchesTheScaledPath) {
  test_images::Bytes samples(256 * 3);
  for (int i = 0; i < 256 * 3; ++i) samples[i] = static_cast<std::uint8_t>(i * 7 + i / 3);
  for (std::uint32_t maximum : {255u, 254u, 100u, 1u}) {
    test_images::Bytes pixels(256 * 4);
    storeBinaryPixels(samples.data(), pixels.data(), 256, maximum);
    for (int i = 0; i < 256; ++i) {
      for (int c = 0; c < 3; ++c) {
        const std::uint32_t sample = std::min<std::uint32_t>(samples[3 * i + 2 - c], maximum);
        ASSERT_EQ(pixels[4 * i + c], sample * 255 / maximum) << maximum << " " << i;
      }
      ASSERT_EQ(pixels[4 * i + 3], 255);
    }
  }
}

}  // namespace
