// Every format pair and method stays inside its boxes: the test images surround each box with
// margins, padded pitches and guards that must come back untouched.
#include <gtest/gtest.h>

#include <random>

#include "conversion_test_support.h"

namespace {

constexpr D3DFORMAT kFormats[] = {
    D3DFMT_A8R8G8B8,      D3DFMT_R8G8B8,       D3DFMT_R5G6B5,        D3DFMT_A2B10G10R10,
    D3DFMT_A16B16G16R16,  D3DFMT_P8,           D3DFMT_A8P8,          D3DFMT_L8,
    D3DFMT_INTERNAL_AL16, D3DFMT_INTERNAL_R16, D3DFMT_V8U8,          D3DFMT_L6V5U5,
    D3DFMT_Q16W16V16U16,  D3DFMT_CxV8U8,       D3DFMT_UYVY,          D3DFMT_G8R8_G8B8,
    D3DFMT_DXT1,          D3DFMT_DXT3,         D3DFMT_DXT4,          D3DFMT_A32B32G32R32F,
    D3DFMT_R32F,          D3DFMT_G16R16F,      D3DFMT_A16B16G16R16F,
};

constexpr std::uint32_t kFilters[] = {
    RESAMPLE_NONE,
    RESAMPLE_POINT,
    RESAMPLE_LINEAR,
    RESAMPLE_LINEAR | RESAMPLE_MIRROR,
    RESAMPLE_TRIANGLE | RESAMPLE_DITHER,
    RESAMPLE_TRIANGLE | RESAMPLE_MIRROR | RESAMPLE_GAMMA_IN,
    RESAMPLE_BOX,
    RESAMPLE_BOX | RESAMPLE_DITHER | RESAMPLE_GAMMA_OUT,
};

struct Size {
  std::uint32_t width, height, depth;
};

TEST(ConversionBoundsTest, NoFormatPairOrMethodWritesOutsideItsBox) {
  std::mt19937 random(3);
  const Size sizes[][2] = {
      {{5, 3, 1}, {2, 1, 1}},                          // halving with odd sizes
      {{3, 2, 1}, {7, 5, 1}},                          // enlarging
      {{6, 6, 1}, {6, 6, 1}},                          // equal
      {{1, 1, 1}, {3, 2, 1}}, {{4, 4, 3}, {2, 2, 1}},  // volumes
      {{2, 3, 2}, {3, 1, 3}},
  };
  for (D3DFORMAT from : kFormats) {
    for (D3DFORMAT to : kFormats) {
      for (const auto& pair : sizes) {
        std::uint32_t filter = kFilters[random() % std::size(kFilters)];
        TestImage source(from, pair[0].width, pair[0].height, pair[0].depth, 1 + random() % 5);
        std::vector<std::uint8_t> bytes(source.boxByteCount());
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        source.setBoxBytes(bytes);
        TestImage destination(to, pair[1].width, pair[1].height, pair[1].depth, 1 + random() % 5);
        HRESULT result = convertChecked(destination, source, filter, random() % 2 ? 0xFF000000u | random() : 0u);
        EXPECT_TRUE(result == S_OK || (result == E_FAIL && (filter & 0xFFFF) == RESAMPLE_BOX))
            << "from " << from << " to " << to << " filter " << filter << " result " << std::hex << result;
      }
    }
  }
}

TEST(ConversionBoundsTest, BlockAndPairBoxesInsideTheirUnits) {
  // Boxes that start and end inside blocks and pairs rewrite those units but keep the pixels of
  // them that lie outside the box.
  for (D3DFORMAT format : {D3DFMT_DXT1, D3DFMT_DXT5, D3DFMT_YUY2}) {
    TestImage target(format, 8, 8);
    TestImage white = floatImage(std::vector<Float4>(64, Float4{1, 1, 1, 1}), 8, 8);
    ASSERT_EQ(convertChecked(target, white, RESAMPLE_NONE), S_OK);
    PixelBlock inner = target.block();
    inner.box.Left += 1;
    inner.box.Top += 2;
    inner.box.Right -= 3;
    inner.box.Bottom -= 1;
    TestImage black = floatImage(std::vector<Float4>(4 * 5, Float4{0, 0, 0, 1}), 4, 5);
    ASSERT_EQ(convertPixels(inner, black.block(), RESAMPLE_NONE), S_OK);
    EXPECT_TRUE(target.outsideUntouched());
    auto pixels = decodeToFloats(target);
    for (std::uint32_t y = 0; y < 8; ++y) {
      for (std::uint32_t x = 0; x < 8; ++x) {
        bool inside = x >= 1 && x < 5 && y >= 2 && y < 7;
        EXPECT_NEAR(pixels[y * 8 + x][kGreen], inside ? 0.0f : 1.0f, 0.01f) << format << " at " << x << "," << y;
      }
    }
  }
}

TEST(ConversionBoundsTest, BlockRowsFinishedOutOfOrderAreEncodedWhole) {
  // Wrapping triangle filtering finishes destination row 0 last; its blocks must still be
  // encoded from complete rows.
  std::vector<Float4> pixels(8 * 8);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = Float4{0.4f, 0.8f, 0.2f, 1.0f};
  TestImage source = floatImage(pixels, 8, 8);
  TestImage dxt(D3DFMT_DXT1, 4, 8);
  ASSERT_EQ(convertChecked(dxt, source, RESAMPLE_TRIANGLE), S_OK);
  for (const Float4& p : decodeToFloats(dxt)) {
    EXPECT_NEAR(p[kRed], 0.4f, 0.02f);
    EXPECT_NEAR(p[kGreen], 0.8f, 0.02f);
    EXPECT_NEAR(p[kBlue], 0.2f, 0.02f);
    EXPECT_EQ(p[kAlpha], 1.0f);
  }
}

}  // namespace
