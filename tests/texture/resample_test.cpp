// The conversion methods on known inputs: validation, box (float, integer and SIMD paths),
// none, point, linear and triangle, with wrapping and mirrored edges.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "conversion_test_support.h"
#include "texture/box_integer.h"
#include "texture/filter_weights.h"

namespace {

std::vector<Float4> greyRow(std::initializer_list<float> values) {
  std::vector<Float4> pixels;
  for (float v : values) pixels.push_back({v, v, v, 1.0f});
  return pixels;
}

std::vector<float> reds(const std::vector<Float4>& pixels) {
  std::vector<float> out;
  for (const auto& p : pixels) out.push_back(p[kRed]);
  return out;
}

// Resamples a float image and returns the red channel of the result.
std::vector<float> resampleReds(const std::vector<Float4>& pixels, std::uint32_t width, std::uint32_t height,
                                std::uint32_t outWidth, std::uint32_t outHeight, std::uint32_t filter,
                                std::uint32_t depth = 1, std::uint32_t outDepth = 1) {
  TestImage source = floatImage(pixels, width, height, depth);
  TestImage out(D3DFMT_A32B32G32R32F, outWidth, outHeight, outDepth);
  EXPECT_EQ(convertChecked(out, source, filter), S_OK);
  return reds(decodeToFloats(out));
}

void expectNear(const std::vector<float>& actual, const std::vector<float>& expected, float tolerance = 1e-5f) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << "index " << i;
}

TEST(ResampleTest, RejectsBadFiltersDescriptionsAndFormats) {
  TestImage a(D3DFMT_A8R8G8B8, 2, 2), b(D3DFMT_A8R8G8B8, 2, 2);
  for (std::uint32_t filter : {0u, 6u, 0xFFFFu, RESAMPLE_BOX | 0x400000u, 0xFFFFFFFFu}) {
    EXPECT_EQ(convertPixels(a.block(), b.block(), filter), D3DERR_INVALIDCALL) << filter;
  }
  PixelBlock empty = b.block();
  empty.box.Right = empty.box.Left;
  EXPECT_EQ(convertPixels(a.block(), empty, RESAMPLE_POINT), D3DERR_INVALIDCALL);
  PixelBlock missing = b.block();
  missing.pixels = nullptr;
  EXPECT_EQ(convertPixels(a.block(), missing, RESAMPLE_POINT), D3DERR_INVALIDCALL);

  for (D3DFORMAT noCodec : {D3DFMT_D24S8, D3DFMT_INDEX16, D3DFMT_MULTI2_ARGB8, D3DFMT_UNKNOWN}) {
    PixelBlock depth = b.block();
    depth.format = noCodec;
    EXPECT_EQ(convertPixels(a.block(), depth, RESAMPLE_POINT), E_FAIL);
    EXPECT_EQ(convertPixels(depth, a.block(), RESAMPLE_POINT), E_FAIL);
  }
  // A lockable depth format converts like its colour twin.
  TestImage d16(D3DFMT_D16_LOCKABLE, 2, 2);
  EXPECT_EQ(convertChecked(d16, b, RESAMPLE_POINT), S_OK);
}

TEST(ResampleTest, BoxHalvingEdgeCases) {
  // 5 by 5: the last row and column take no part.
  std::vector<Float4> pixels(25, Float4{0.25f, 0.25f, 0.25f, 1.0f});
  for (int i = 0; i < 5; ++i) pixels[4 * 5 + i] = pixels[i * 5 + 4] = Float4{1.0f, 1.0f, 1.0f, 1.0f};
  expectNear(resampleReds(pixels, 5, 5, 2, 2, RESAMPLE_BOX), {0.25f, 0.25f, 0.25f, 0.25f});

  // A width or height of 1 uses its pixel twice; 1 by 1 stays.
  expectNear(resampleReds(greyRow({0.2f, 0.6f, 0.8f, 0.0f}), 4, 1, 2, 1, RESAMPLE_BOX), {0.4f, 0.4f});
  expectNear(resampleReds(greyRow({0.3f}), 1, 1, 1, 1, RESAMPLE_BOX | RESAMPLE_DITHER), {0.3f});

  // Red bytes 0, 1, 1, 1: (3 + 2) >> 2 = 1 on the integer path.
  TestImage argb(D3DFMT_A8R8G8B8, 2, 2);
  argb.setBoxBytes({0, 0, 0, 255, 0, 0, 1, 255, 0, 0, 1, 255, 0, 0, 1, 255});
  TestImage half(D3DFMT_A8R8G8B8, 1, 1);
  ASSERT_EQ(convertChecked(half, argb, RESAMPLE_BOX), S_OK);
  EXPECT_EQ(half.boxBytes(), (std::vector<std::uint8_t>{0, 0, 1, 255}));

  // Anything else (here 16-bit channels) averages in floats.
  TestImage wide(D3DFMT_A16B16G16R16, 2, 2);
  std::vector<std::uint8_t> bytes(32, 0);
  const std::uint16_t redValues[4] = {0, 100, 200, 301};
  for (int i = 0; i < 4; ++i) std::memcpy(&bytes[i * 8], &redValues[i], 2);
  wide.setBoxBytes(bytes);
  TestImage wideHalf(D3DFMT_A16B16G16R16, 1, 1);
  ASSERT_EQ(convertChecked(wideHalf, wide, RESAMPLE_BOX), S_OK);
  std::uint16_t red;
  auto result = wideHalf.boxBytes();
  std::memcpy(&red, result.data(), 2);
  EXPECT_EQ(red, 150);  // 601 / 4 = 150.25

  // Volumes halve in all three directions.
  std::vector<Float4> cube;
  for (int i = 0; i < 8; ++i) cube.push_back({static_cast<float>(i) / 8, 0, 0, 1});
  expectNear(resampleReds(cube, 2, 2, 1, 1, RESAMPLE_BOX, 2, 1), {3.5f / 8});
}

TEST(ResampleTest, IntegerAndSimdBoxPathsAgreeWithEachOtherAndTheFloatPath) {
  std::mt19937 random(11);
  for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A4R4G4B4, D3DFMT_A8L8}) {
    auto layout = findIntegerBoxFormat(format);
    ASSERT_TRUE(layout.has_value());
    for (std::uint32_t width : {1u, 2u, 3u, 6u, 9u, 34u}) {
      std::uint32_t outWidth = std::max(1u, width / 2);
      std::vector<std::uint8_t> rows(2 * width * layout->bytesPerPixel);
      for (auto& b : rows) b = static_cast<std::uint8_t>(random());
      // X bits as a writer would leave them, so that the float path can be compared.
      if (format == D3DFMT_X8R8G8B8) {
        for (std::size_t i = 3; i < rows.size(); i += 4) rows[i] = 0xFF;
      }
      const auto* row0 = reinterpret_cast<const std::byte*>(rows.data());
      const auto* row1 = row0 + width * layout->bytesPerPixel;
      std::vector<std::byte> portable(outWidth * layout->bytesPerPixel), simd(portable.size());
      boxHalveRow(*layout, row0, row1, portable.data(), outWidth, width);
      if (hasSimdBoxPath(format)) {
        boxHalveRowArgbSimd(row0, row1, simd.data(), outWidth, width);
        EXPECT_EQ(simd, portable) << "format " << format << " width " << width;
      }
      if (layout->wholeByteFields) {
        IntegerBoxFormat byField = *layout;
        byField.wholeByteFields = false;
        std::vector<std::byte> masked(portable.size());
        boxHalveRow(byField, row0, row1, masked.data(), outWidth, width);
        EXPECT_EQ(masked, portable) << "format " << format << " width " << width;
      }
      // The float path rounds the same average; it may differ by one step at exact halves.
      TestImage source(format, width, 2);
      source.setBoxBytes(rows);
      TestImage viaFloats(format, outWidth, 1);
      ASSERT_EQ(convertChecked(viaFloats, source, RESAMPLE_BOX | RESAMPLE_DITHER), S_OK);
      auto integerPixels = [&] {
        TestImage image(format, outWidth, 1);
        std::vector<std::uint8_t> bytes(portable.size());
        std::memcpy(bytes.data(), portable.data(), bytes.size());
        image.setBoxBytes(bytes);
        return decodeToFloats(image);
      }();
      auto floatPixels = decodeToFloats(viaFloats);
      for (std::uint32_t x = 0; x < outWidth; ++x) {
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(integerPixels[x][c], floatPixels[x][c], 1.0f / 15 + 1e-6f);
      }
    }
  }
}

TEST(ResampleTest, NoneAndPointSampling) {
  // RESAMPLE_NONE into a larger destination: the rest is transparent black.
  TestImage source(D3DFMT_A8R8G8B8, 1, 1);
  source.setBoxBytes({10, 20, 30, 40});
  TestImage larger(D3DFMT_A8R8G8B8, 2, 2);
  ASSERT_EQ(convertChecked(larger, source, RESAMPLE_NONE), S_OK);
  EXPECT_EQ(larger.boxBytes(), (std::vector<std::uint8_t>{10, 20, 30, 40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  // ... and a smaller one takes the top-left part.
  expectNear(resampleReds(greyRow({0.1f, 0.2f, 0.3f, 0.4f}), 2, 2, 1, 1, RESAMPLE_NONE), {0.1f});

  // Point sampling 3 to 2 takes pixels 0 and 1; 2 to 5 repeats without a half-pixel offset.
  expectNear(resampleReds(greyRow({0.1f, 0.2f, 0.3f}), 3, 1, 2, 1, RESAMPLE_POINT), {0.1f, 0.2f});
  expectNear(resampleReds(greyRow({0.1f, 0.2f}), 2, 1, 5, 1, RESAMPLE_POINT), {0.1f, 0.1f, 0.1f, 0.2f, 0.2f});
  expectNear(resampleReds(greyRow({0.1f, 0.2f, 0.3f, 0.4f}), 1, 4, 1, 2, RESAMPLE_POINT), {0.1f, 0.3f});
}

TEST(ResampleTest, LinearWrapsOrClampsAtTheEdges) {
  // 2 to 4: the outer destination pixels reach a quarter past the edge.
  expectNear(resampleReds(greyRow({0.0f, 1.0f}), 2, 1, 4, 1, RESAMPLE_LINEAR), {0.25f, 0.25f, 0.75f, 0.75f});
  expectNear(resampleReds(greyRow({0.0f, 1.0f}), 2, 1, 4, 1, RESAMPLE_LINEAR | RESAMPLE_MIRROR_U),
             {0.0f, 0.25f, 0.75f, 1.0f});
  // The vertical axis follows its own flag.
  expectNear(resampleReds(greyRow({0.0f, 1.0f}), 1, 2, 1, 4, RESAMPLE_LINEAR | RESAMPLE_MIRROR_U),
             {0.25f, 0.25f, 0.75f, 0.75f});
  expectNear(resampleReds(greyRow({0.0f, 1.0f}), 1, 2, 1, 4, RESAMPLE_LINEAR | RESAMPLE_MIRROR_V),
             {0.0f, 0.25f, 0.75f, 1.0f});
  // Halving interpolates between each pair.
  expectNear(resampleReds(greyRow({0.0f, 0.4f, 0.6f, 1.0f}), 4, 1, 2, 1, RESAMPLE_LINEAR), {0.2f, 0.8f});
  // Volumes interpolate along depth as well.
  expectNear(resampleReds(greyRow({0.0f, 1.0f}), 1, 1, 1, 1, RESAMPLE_LINEAR | RESAMPLE_MIRROR_W, 2, 4),
             {0.0f, 0.25f, 0.75f, 1.0f});
}

TEST(ResampleTest, TriangleWeightsSumToOneAndMatchHandComputedValues) {
  for (bool clampEdges : {false, true}) {
    for (std::uint32_t source : {1u, 2u, 3u, 5u, 8u, 17u}) {
      for (std::uint32_t destination : {1u, 2u, 3u, 4u, 7u, 16u, 40u}) {
        std::vector<double> totals(destination, 0.0);
        for (const auto& list : triangleWeights(source, destination, clampEdges)) {
          for (const auto& w : list) totals[w.destination] += w.weight;
        }
        for (std::uint32_t j = 0; j < destination; ++j) {
          EXPECT_NEAR(totals[j], 1.0, 1e-4) << source << " to " << destination << " clamp " << clampEdges;
        }
      }
    }
  }
  // 4 to 2 with a single bright pixel: wrapping spreads 1/16 of it to the far side.
  expectNear(resampleReds(greyRow({1.0f, 0.0f, 0.0f, 0.0f}), 4, 1, 2, 1, RESAMPLE_TRIANGLE), {0.4375f, 0.0625f});
  expectNear(resampleReds(greyRow({1.0f, 0.0f, 0.0f, 0.0f}), 4, 1, 2, 1, RESAMPLE_TRIANGLE | RESAMPLE_MIRROR),
             {0.5f, 0.0f});
  // 2 to 1 averages; a flat image stays flat in 3D too.
  expectNear(resampleReds(greyRow({0.2f, 0.6f}), 2, 1, 1, 1, RESAMPLE_TRIANGLE | RESAMPLE_MIRROR), {0.4f});
  std::vector<Float4> flat(3 * 2 * 3, Float4{0.7f, 0.7f, 0.7f, 1.0f});
  expectNear(resampleReds(flat, 3, 2, 5, 3, RESAMPLE_TRIANGLE, 3, 2), std::vector<float>(30, 0.7f));
}

TEST(ResampleTest, TriangleWithDitherKeepsTheAverage) {
  // A flat 10.3/255 image dithered down to bytes keeps its mean within a small fraction.
  std::vector<Float4> pixels(16 * 16, Float4{10.3f / 255, 10.3f / 255, 10.3f / 255, 1.0f});
  TestImage source = floatImage(pixels, 16, 16);
  TestImage out(D3DFMT_L8, 8, 8);
  ASSERT_EQ(convertChecked(out, source, RESAMPLE_DEFAULT), S_OK);
  double sum = 0;
  for (std::uint8_t b : out.boxBytes()) sum += b;
  EXPECT_NEAR(sum / 64, 10.3, 0.05);
}

TEST(ResampleTest, SameFormatCopiesRawUnlessPalettesDiffer) {
  // DXT blocks are copied, not re-encoded.
  TestImage dxt(D3DFMT_DXT5, 8, 4);
  std::vector<std::uint8_t> blocks(32);
  for (std::size_t i = 0; i < blocks.size(); ++i) blocks[i] = static_cast<std::uint8_t>(i * 37 + 5);
  dxt.setBoxBytes(blocks);
  TestImage copy(D3DFMT_DXT5, 8, 4);
  ASSERT_EQ(convertChecked(copy, dxt, RESAMPLE_TRIANGLE), S_OK);
  EXPECT_EQ(copy.boxBytes(), blocks);

  // P8 with a different palette maps through colours.
  PALETTEENTRY from[256] = {}, to[256] = {};
  from[1] = {255, 0, 0, 255};
  to[7] = {255, 0, 0, 255};
  to[0] = {0, 0, 255, 255};
  TestImage p8(D3DFMT_P8, 2, 1);
  p8.setBoxBytes({1, 1});
  TestImage mapped(D3DFMT_P8, 2, 1);
  ASSERT_EQ(convertChecked(mapped, p8, RESAMPLE_NONE, 0, from, to), S_OK);
  EXPECT_EQ(mapped.boxBytes(), (std::vector<std::uint8_t>{7, 7}));
  ASSERT_EQ(convertChecked(mapped, p8, RESAMPLE_NONE, 0, from, from), S_OK);
  EXPECT_EQ(mapped.boxBytes(), (std::vector<std::uint8_t>{1, 1}));
}

}  // namespace

namespace {

const char* methodFor(const TestImage& to, const TestImage& from, std::uint32_t filter, D3DCOLOR key = 0) {
  PixelBlock source = from.block();
  source.colourKey = key;
  PixelConverter converter(to.block(), source, filter);
  EXPECT_EQ(converter.run(), S_OK);
  return converter.methodUsed() ? converter.methodUsed() : "(none)";
}

TEST(ResampleTest, MethodsAreTriedInOrder) {
  TestImage a4(D3DFMT_A8R8G8B8, 4, 4), x4(D3DFMT_X8R8G8B8, 4, 4), a2(D3DFMT_A8R8G8B8, 2, 2), a3(D3DFMT_A8R8G8B8, 3, 3);
  TestImage v2(D3DFMT_A8R8G8B8, 2, 2, 2), v1(D3DFMT_A8R8G8B8, 1, 1, 1);
  EXPECT_STREQ(methodFor(a4, a4, RESAMPLE_BOX), "same");
  EXPECT_STREQ(methodFor(a4, a4, RESAMPLE_BOX, 0xFF000000), "copy");
  EXPECT_STREQ(methodFor(a4, a4, RESAMPLE_BOX | RESAMPLE_GAMMA_IN), "copy");
  EXPECT_STREQ(methodFor(x4, a4, RESAMPLE_TRIANGLE), "copy");
  EXPECT_STREQ(methodFor(a2, a4, RESAMPLE_NONE), "none");
  EXPECT_STREQ(methodFor(a2, a4, RESAMPLE_POINT), "point");
  EXPECT_STREQ(methodFor(a2, a4, RESAMPLE_BOX), "box 2D");
  EXPECT_STREQ(methodFor(v1, v2, RESAMPLE_BOX), "box 3D");
  EXPECT_STREQ(methodFor(a3, a4, RESAMPLE_LINEAR), "linear 2D");
  EXPECT_STREQ(methodFor(v2, a4, RESAMPLE_LINEAR), "linear 3D");
  EXPECT_STREQ(methodFor(a3, a4, RESAMPLE_TRIANGLE), "triangle 2D");
  EXPECT_STREQ(methodFor(v1, v2, RESAMPLE_TRIANGLE), "triangle 3D");
  // Box filtering of sizes that do not halve has no method.
  PixelConverter converter(a3.block(), a4.block(), RESAMPLE_BOX);
  EXPECT_EQ(converter.run(), E_FAIL);
  EXPECT_EQ(converter.methodUsed(), nullptr);
}

}  // namespace
