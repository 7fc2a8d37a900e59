// Format codecs: exact round trips, decoded values, quantisation, class conversion, colour keys,
// gamma and the pair formats.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "conversion_test_support.h"
#include "texture/gamma_tables.h"
#include "texture/packed_layouts.h"
#include "texture/packed_remap.h"
#include "texture/pixel_formats.h"

namespace {

std::vector<std::uint8_t> bytesOf(const std::vector<std::uint64_t>& values, unsigned bytesPerPixel) {
  std::vector<std::uint8_t> bytes;
  for (std::uint64_t v : values) {
    for (unsigned i = 0; i < bytesPerPixel; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  return bytes;
}

// Every pattern a layout can store exactly: unused bits set, the most negative code of
// signed channels left out (it reads like its neighbour), luminance formats' channels as stored.
std::vector<std::uint64_t> representablePatterns(const PackedLayout& layout) {
  std::vector<std::uint64_t> patterns;
  unsigned bits = layout.bytesPerPixel * 8;
  auto valid = [&](std::uint64_t v) {
    for (const ChannelField& field : layout.channels) {
      if (field.kind != ChannelKind::signedInt) continue;
      std::uint64_t raw = (v >> field.shift) & ((std::uint64_t{1} << field.bits) - 1);
      if (raw == std::uint64_t{1} << (field.bits - 1)) return false;
    }
    return true;
  };
  auto canonical = [&](std::uint64_t v) {
    std::uint64_t used = layout.unusedBits;
    for (const ChannelField& field : layout.channels) {
      if (field.bits > 0) used |= ((std::uint64_t{1} << field.bits) - 1) << field.shift;
    }
    return (v & used) | layout.unusedBits;
  };
  if (bits <= 16) {
    for (std::uint64_t v = 0; v < (std::uint64_t{1} << bits); ++v) {
      if (valid(v) && canonical(v) == v) patterns.push_back(v);
    }
    return patterns;
  }
  std::mt19937_64 random(bits);
  for (int i = 0; i < 4096; ++i) {
    std::uint64_t v = canonical(random() & (bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1));
    if (valid(v)) patterns.push_back(v);
  }
  return patterns;
}

TEST(PixelCodecTest, PackedFormatsRoundTripExactlyThroughFloats) {
  const D3DFORMAT formats[] = {
      D3DFMT_R8G8B8,       D3DFMT_A8R8G8B8,     D3DFMT_X8R8G8B8,      D3DFMT_R5G6B5,
      D3DFMT_X1R5G5B5,     D3DFMT_A1R5G5B5,     D3DFMT_A4R4G4B4,      D3DFMT_R3G3B2,
      D3DFMT_A8,           D3DFMT_A8R3G3B2,     D3DFMT_X4R4G4B4,      D3DFMT_A2B10G10R10,
      D3DFMT_A8B8G8R8,     D3DFMT_X8B8G8R8,     D3DFMT_G16R16,        D3DFMT_A2R10G10B10,
      D3DFMT_A16B16G16R16, D3DFMT_L8,           D3DFMT_A8L8,          D3DFMT_A4L4,
      D3DFMT_L16,          D3DFMT_D16_LOCKABLE, D3DFMT_INTERNAL_AL16, D3DFMT_INTERNAL_R16,
      D3DFMT_V8U8,         D3DFMT_L6V5U5,       D3DFMT_X8L8V8U8,      D3DFMT_V16U16,
      D3DFMT_A2W10V10U10,  D3DFMT_CxV8U8,       D3DFMT_Q8W8V8U8,      D3DFMT_Q16W16V16U16,
  };
  for (D3DFORMAT format : formats) {
    const PackedLayout* layout = findPackedLayout(format);
    ASSERT_NE(layout, nullptr);
    std::vector<std::uint64_t> patterns = representablePatterns(*layout);
    auto count = static_cast<std::uint32_t>(patterns.size());
    TestImage source(format, count, 1);
    source.setBoxBytes(bytesOf(patterns, layout->bytesPerPixel));
    TestImage floats(D3DFMT_A32B32G32R32F, count, 1);
    ASSERT_EQ(convertChecked(floats, source, RESAMPLE_NONE), S_OK);
    TestImage back(format, count, 1);
    ASSERT_EQ(convertChecked(back, floats, RESAMPLE_NONE), S_OK);
    EXPECT_EQ(back.boxBytes(), source.boxBytes()) << "format " << format;
    // Dithering must not disturb values that the format holds exactly.
    TestImage dithered(format, count, 1);
    ASSERT_EQ(convertChecked(dithered, floats, RESAMPLE_NONE | RESAMPLE_DITHER), S_OK);
    EXPECT_EQ(dithered.boxBytes(), source.boxBytes()) << "format " << format;
  }
}

TEST(PixelCodecTest, FloatFormatsRoundTripEveryHalfAndFillMissingChannelsWithOne) {
  std::vector<std::uint8_t> halves;
  for (unsigned v = 0; v < 0x10000; ++v) {
    halves.push_back(static_cast<std::uint8_t>(v));
    halves.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  for (D3DFORMAT format : {D3DFMT_R16F, D3DFMT_G16R16F, D3DFMT_A16B16G16R16F}) {
    std::uint32_t bytesPerPixel = describeFormat(format).bitsPerPixel / 8;
    auto count = static_cast<std::uint32_t>(halves.size() / bytesPerPixel);
    TestImage source(format, count, 1);
    source.setBoxBytes(halves);
    TestImage floats(D3DFMT_A32B32G32R32F, count, 1);
    ASSERT_EQ(convertChecked(floats, source, RESAMPLE_NONE), S_OK);
    TestImage back(format, count, 1);
    ASSERT_EQ(convertChecked(back, floats, RESAMPLE_POINT | RESAMPLE_DITHER), S_OK);
    EXPECT_EQ(back.boxBytes(), halves) << "format " << format;
  }
  TestImage g16r16f(D3DFMT_G16R16F, 1, 1);
  g16r16f.setBoxBytes({0x00, 0x38, 0x00, 0xC0});  // 0.5, -2
  EXPECT_EQ(decodeToFloats(g16r16f)[0], (Float4{0.5f, -2.0f, 1.0f, 1.0f}));
  TestImage r32f = floatImage({{-3.5f, 0.0f, 0.0f, 0.0f}}, 1, 1);
  TestImage d32f(D3DFMT_D32F_LOCKABLE, 1, 1);
  ASSERT_EQ(convertChecked(d32f, r32f, RESAMPLE_NONE), S_OK);
  EXPECT_EQ(decodeToFloats(d32f)[0], (Float4{-3.5f, 1.0f, 1.0f, 1.0f}));
}

TEST(PixelCodecTest, PaletteIndicesRoundTripWhenEntriesDiffer) {
  PALETTEENTRY palette[256];
  for (int i = 0; i < 256; ++i) {
    palette[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7), static_cast<BYTE>(i / 2)};
  }
  for (D3DFORMAT format : {D3DFMT_P8, D3DFMT_A8P8}) {
    unsigned bytes = format == D3DFMT_P8 ? 1 : 2;
    std::vector<std::uint64_t> patterns;
    for (std::uint64_t i = 0; i < 256; ++i) patterns.push_back(i | ((255 - i) << 8));
    TestImage source(format, 256, 1);
    source.setBoxBytes(bytesOf(patterns, bytes));
    TestImage floats(D3DFMT_A32B32G32R32F, 256, 1);
    ASSERT_EQ(convertChecked(floats, source, RESAMPLE_NONE, 0, palette), S_OK);
    TestImage back(format, 256, 1);
    ASSERT_EQ(convertChecked(back, floats, RESAMPLE_NONE, 0, nullptr, palette), S_OK);
    EXPECT_EQ(back.boxBytes(), source.boxBytes());
  }
}

TEST(PixelCodecTest, DecodedValuesOfSpecialFormats) {
  // Signed bytes -128 and -127 both give -1; V8U8 has 1 in blue and alpha.
  TestImage v8u8(D3DFMT_V8U8, 3, 1);
  v8u8.setBoxBytes({0x80, 0x81, 0x7F, 0x00, 0x40, 0xC0});
  auto bump = decodeToFloats(v8u8);
  EXPECT_EQ(bump[0], (Float4{-1.0f, -1.0f, 1.0f, 1.0f}));
  EXPECT_EQ(bump[1], (Float4{1.0f, 0.0f, 1.0f, 1.0f}));
  EXPECT_EQ(bump[2], (Float4{64 / 127.0f, -64 / 127.0f, 1.0f, 1.0f}));

  // CxV8U8 derives its third component; 0 where 1 - U^2 - V^2 is negative.
  TestImage cx(D3DFMT_CxV8U8, 2, 1);
  cx.setBoxBytes({0x00, 0x00, 0x7F, 0x7F});
  auto normal = decodeToFloats(cx);
  EXPECT_FLOAT_EQ(normal[0][kBlue], 1.0f);
  EXPECT_EQ(normal[1][kBlue], 0.0f);

  // A8P8 takes the colour from the palette and the alpha from its own byte; a missing palette
  // reads as opaque white.
  PALETTEENTRY palette[256] = {};
  palette[3] = {51, 102, 153, 255};
  TestImage a8p8(D3DFMT_A8P8, 1, 1);
  a8p8.setBoxBytes({3, 0x80});
  PixelBlock from = a8p8.block();
  from.palette = palette;
  TestImage out(D3DFMT_A32B32G32R32F, 1, 1);
  ASSERT_EQ(convertPixels(out.block(), from, RESAMPLE_NONE), S_OK);
  Float4 entry;
  std::memcpy(entry.data(), out.boxBytes().data(), sizeof entry);
  EXPECT_EQ(entry, (Float4{51 / 255.0f, 102 / 255.0f, 153 / 255.0f, 128 / 255.0f}));
  TestImage p8(D3DFMT_P8, 1, 1);
  p8.setBoxBytes({9});
  EXPECT_EQ(decodeToFloats(p8)[0], (Float4{1.0f, 1.0f, 1.0f, 1.0f}));

  // Channel widths: n bits divide by 2^n - 1; luminance goes to red, green and blue.
  TestImage a4l4(D3DFMT_A4L4, 1, 1);
  a4l4.setBoxBytes({0x5A});
  EXPECT_EQ(decodeToFloats(a4l4)[0], (Float4{10 / 15.0f, 10 / 15.0f, 10 / 15.0f, 5 / 15.0f}));
  TestImage a8(D3DFMT_A8, 1, 1);
  a8.setBoxBytes({0x33});
  EXPECT_EQ(decodeToFloats(a8)[0], (Float4{0.0f, 0.0f, 0.0f, 0x33 / 255.0f}));
}

TEST(PixelCodecTest, QuantisationTruncatesAfterTheThreshold) {
  // 10.3 / 255 rounds down without dithering and follows the ordered-dither matrix with it.
  constexpr float kMatrix[4][4] = {{31, 15, 27, 11}, {7, 23, 3, 19}, {25, 9, 29, 13}, {1, 17, 5, 21}};
  std::vector<Float4> pixels(16, Float4{10.3f / 255.0f, 0.0f, 0.0f, 1.0f});
  TestImage source = floatImage(pixels, 4, 4);
  TestImage plain(D3DFMT_A8R8G8B8, 4, 4);
  ASSERT_EQ(convertChecked(plain, source, RESAMPLE_NONE), S_OK);
  TestImage dithered(D3DFMT_A8R8G8B8, 4, 4);
  ASSERT_EQ(convertChecked(dithered, source, RESAMPLE_NONE | RESAMPLE_DITHER), S_OK);
  auto plainBytes = plain.boxBytes();
  auto ditheredBytes = dithered.boxBytes();
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(plainBytes[i * 4 + 2], 10);
    int expected = static_cast<int>(10.3f + kMatrix[i / 4][i % 4] / 32.0f);
    EXPECT_EQ(ditheredBytes[i * 4 + 2], expected) << "pixel " << i;
  }
  // In volumes each slice shifts the matrix column by one.
  TestImage volume = floatImage(std::vector<Float4>(16, pixels[0]), 4, 1, 4);
  TestImage ditheredVolume(D3DFMT_A8R8G8B8, 4, 1, 4);
  ASSERT_EQ(convertChecked(ditheredVolume, volume, RESAMPLE_NONE | RESAMPLE_DITHER), S_OK);
  auto volumeBytes = ditheredVolume.boxBytes();
  for (int z = 0; z < 4; ++z) {
    for (int x = 0; x < 4; ++x) {
      int expected = static_cast<int>(10.3f + kMatrix[0][(x + z) % 4] / 32.0f);
      EXPECT_EQ(volumeBytes[(z * 4 + x) * 4 + 2], expected) << "x " << x << " z " << z;
    }
  }
}

TEST(PixelCodecTest, ClassConversionAndClamping) {
  // Floating point above 1 (and below 0, and NaN) clamp into unsigned formats.
  TestImage wide = floatImage({{2.0f, -1.0f, NAN, 1.5f}}, 1, 1);
  TestImage argb(D3DFMT_A8R8G8B8, 1, 1);
  ASSERT_EQ(convertChecked(argb, wide, RESAMPLE_NONE), S_OK);
  EXPECT_EQ(argb.boxBytes(), (std::vector<std::uint8_t>{0, 0, 255, 255}));

  // Signed to unsigned: (v + 1) / 2, alpha copied for class 2 and converted for class 3.
  TestImage q8(D3DFMT_Q8W8V8U8, 1, 1);
  q8.setBoxBytes({0x81, 0x7F, 0x00, 0x81});  // U -1, V 1, W 0, Q -1
  TestImage unsignedOut(D3DFMT_A8B8G8R8, 1, 1);
  ASSERT_EQ(convertChecked(unsignedOut, q8, RESAMPLE_NONE), S_OK);
  EXPECT_EQ(unsignedOut.boxBytes(), (std::vector<std::uint8_t>{0, 255, 128, 0}));

  // Unsigned to class 2: 2v - 1 for colours.
  TestImage grey(D3DFMT_A8R8G8B8, 1, 1);
  grey.setBoxBytes({255, 0, 255, 77});  // B 255, G 0, R 255, A 77
  TestImage v8u8(D3DFMT_V8U8, 1, 1);
  ASSERT_EQ(convertChecked(v8u8, grey, RESAMPLE_NONE), S_OK);
  EXPECT_EQ(v8u8.boxBytes(), (std::vector<std::uint8_t>{0x7F, 0x81}));

  // Class 2 to class 3: colours copied, alpha 2v - 1.
  TestImage a2w10(D3DFMT_A2W10V10U10, 1, 1);
  a2w10.setBoxBytes({0x00, 0x00, 0x00, 0x00});  // all zero: alpha 0
  TestImage q16(D3DFMT_Q16W16V16U16, 1, 1);
  ASSERT_EQ(convertChecked(q16, a2w10, RESAMPLE_NONE), S_OK);
  EXPECT_EQ(q16.boxBytes(), (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0x01, 0x80}));
}

TEST(PixelCodecTest, ColourKeyComparesAtTheSourcePrecision) {
  // Exactly the key: transparent black. Others unchanged.
  TestImage argb(D3DFMT_A8R8G8B8, 2, 1);
  argb.setBoxBytes({0x00, 0xFF, 0xFF, 0xFF, 0x01, 0xFF, 0xFF, 0xFF});
  TestImage out(D3DFMT_A8R8G8B8, 2, 1);
  ASSERT_EQ(convertChecked(out, argb, RESAMPLE_NONE, 0xFFFFFF00), S_OK);
  EXPECT_EQ(out.boxBytes(), (std::vector<std::uint8_t>{0, 0, 0, 0, 0x01, 0xFF, 0xFF, 0xFF}));

  // R5G6B5 holds magenta as 0xF81F; a key a few steps off in the low bits still matches.
  TestImage rgb565(D3DFMT_R5G6B5, 2, 1);
  rgb565.setBoxBytes({0x1F, 0xF8, 0x1F, 0x00});
  TestImage keyed(D3DFMT_A8R8G8B8, 2, 1);
  ASSERT_EQ(convertChecked(keyed, rgb565, RESAMPLE_NONE, 0xFFFC01FC), S_OK);
  EXPECT_EQ(keyed.boxBytes(), (std::vector<std::uint8_t>{0, 0, 0, 0, 0xFF, 0, 0, 0xFF}));

  // Block formats compare at 5:6:5: the red endpoint of a DXT1 block matches a key that is
  // red to within that precision; the interpolated colours do not.
  TestImage dxt1(D3DFMT_DXT1, 4, 4);
  dxt1.setBoxBytes({0x00, 0xF8, 0x1F, 0x00, 0xE4, 0xE4, 0xE4, 0xE4});
  TestImage unkeyed(D3DFMT_A8R8G8B8, 4, 4);
  ASSERT_EQ(convertChecked(unkeyed, dxt1, RESAMPLE_NONE, 0xFFFD0102), S_OK);
  auto blockPixels = unkeyed.boxBytes();
  for (int i = 0; i < 16; ++i) {
    std::uint8_t alpha = blockPixels[i * 4 + 3];
    EXPECT_EQ(alpha, i % 4 == 0 ? 0 : 255) << "pixel " << i;
  }

  // The key also forces the decode path for equal formats.
  TestImage copy(D3DFMT_R5G6B5, 2, 1);
  ASSERT_EQ(convertChecked(copy, rgb565, RESAMPLE_NONE, 0xFFFF00FF), S_OK);
  EXPECT_EQ(copy.boxBytes(), (std::vector<std::uint8_t>{0, 0, 0x1F, 0x00}));
}

TEST(PixelCodecTest, GammaCodingFollowsTheCurveAndCancelsOnEqualFlags) {
  for (float v = 0.0f; v <= 1.0f; v += 1.0f / 64) {
    EXPECT_NEAR(gammaEncode(v), std::pow(v, 1.0f / 2.2f), 2e-3f) << v;
    EXPECT_NEAR(gammaDecode(v), std::pow(v, 2.2f), 2e-3f) << v;
    EXPECT_NEAR(gammaDecode(gammaEncode(v)), v, 2e-3f) << v;
  }
  EXPECT_EQ(gammaEncode(1.0f), 1.0f);
  EXPECT_EQ(gammaDecode(0.0f), 0.0f);

  TestImage linear = floatImage({{0.5f, 0.25f, 1.0f, 0.5f}}, 1, 1);
  TestImage encoded(D3DFMT_A8R8G8B8, 1, 1);
  ASSERT_EQ(convertChecked(encoded, linear, RESAMPLE_NONE | RESAMPLE_GAMMA_OUT), S_OK);
  auto bytes = encoded.boxBytes();
  EXPECT_EQ(bytes[2], 186);  // 255 * 0.5^(1/2.2) = 186.1
  EXPECT_EQ(bytes[1], 136);  // 255 * 0.25^(1/2.2) = 136.0
  EXPECT_EQ(bytes[3], 128);  // alpha is not gamma coded

  // Decoding undoes it.
  PixelBlock gammaSource = encoded.block();
  TestImage decoded(D3DFMT_A32B32G32R32F, 1, 1);
  ASSERT_EQ(convertPixels(decoded.block(), gammaSource, RESAMPLE_NONE | RESAMPLE_GAMMA_IN), S_OK);
  Float4 back;
  std::memcpy(back.data(), decoded.boxBytes().data(), sizeof back);
  EXPECT_NEAR(back[kRed], 0.5f, 0.005f);
  EXPECT_NEAR(back[kGreen], 0.25f, 0.005f);
  EXPECT_EQ(back[kAlpha], 128 / 255.0f);

  // Both flags on a copy: values pass untouched.
  TestImage source(D3DFMT_A8R8G8B8, 1, 1);
  source.setBoxBytes({1, 2, 3, 4});
  TestImage same(D3DFMT_X8R8G8B8, 1, 1);
  ASSERT_EQ(convertChecked(same, source, RESAMPLE_NONE | RESAMPLE_GAMMA_IN | RESAMPLE_GAMMA_OUT), S_OK);
  EXPECT_EQ(same.boxBytes(), (std::vector<std::uint8_t>{1, 2, 3, 255}));
}

TEST(PixelCodecTest, PairFormats) {
  // Studio-range white and black decode to 1 and 0.
  TestImage uyvy(D3DFMT_UYVY, 2, 1);
  uyvy.setBoxBytes({128, 235, 128, 16});
  auto yuv = decodeToFloats(uyvy);
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(yuv[0][c], 1.0f, 1e-3f);
    EXPECT_NEAR(yuv[1][c], 0.0f, 1e-6f);
  }
  // Grey encodes to its luma with neutral chroma, in YUY2's order.
  TestImage grey = floatImage({{0.5f, 0.5f, 0.5f, 1.0f}, {0.5f, 0.5f, 0.5f, 1.0f}}, 2, 1);
  TestImage yuy2(D3DFMT_YUY2, 2, 1);
  ASSERT_EQ(convertChecked(yuy2, grey, RESAMPLE_NONE), S_OK);
  EXPECT_EQ(yuy2.boxBytes(), (std::vector<std::uint8_t>{126, 128, 126, 128}));

  // RGBG and GRGB keep green per pixel; pairs that share red and blue round-trip exactly.
  for (D3DFORMAT format : {D3DFMT_R8G8_B8G8, D3DFMT_G8R8_G8B8}) {
    TestImage rgbg(format, 4, 1);
    std::vector<std::uint8_t> bytes{10, 20, 30, 40, 50, 60, 70, 80};
    rgbg.setBoxBytes(bytes);
    TestImage floats(D3DFMT_A32B32G32R32F, 4, 1);
    ASSERT_EQ(convertChecked(floats, rgbg, RESAMPLE_NONE), S_OK);
    TestImage back(format, 4, 1);
    ASSERT_EQ(convertChecked(back, floats, RESAMPLE_NONE), S_OK);
    EXPECT_EQ(back.boxBytes(), bytes);
  }
  auto rgbgPixels = [] {
    TestImage image(D3DFMT_R8G8_B8G8, 2, 1);
    image.setBoxBytes({255, 0, 51, 102});
    return decodeToFloats(image);
  }();
  EXPECT_EQ(rgbgPixels[0], (Float4{1.0f, 0.0f, 0.2f, 1.0f}));
  EXPECT_EQ(rgbgPixels[1], (Float4{1.0f, 0.4f, 0.2f, 1.0f}));
}

TEST(PixelCodecTest, PartlyCoveredPairsKeepTheirOtherPixel) {
  // A box starting at an odd column writes the second pixel of its first pair only.
  TestImage target(D3DFMT_R8G8_B8G8, 4, 1);
  target.setBoxBytes({100, 10, 100, 20, 100, 30, 100, 40});
  PixelBlock to = target.block();
  to.box.Left += 1;
  to.box.Right -= 1;
  TestImage source = floatImage({{100 / 255.0f, 0.8f, 100 / 255.0f, 1}, {100 / 255.0f, 0.4f, 100 / 255.0f, 1}}, 2, 1);
  ASSERT_EQ(convertPixels(to, source.block(), RESAMPLE_NONE), S_OK);
  EXPECT_EQ(target.boxBytes(), (std::vector<std::uint8_t>{100, 10, 100, 204, 100, 102, 100, 40}));
}

}  // namespace

namespace {

TEST(PixelCodecTest, IntegerRemapEqualsDecodingAndEncoding) {
  std::mt19937_64 random(5);
  int planned = 0;
  for (const FormatDescriptor& toRow : formatDescriptors()) {
    for (const FormatDescriptor& fromRow : formatDescriptors()) {
      const PackedLayout* to = findPackedLayout(toRow.format);
      const PackedLayout* from = findPackedLayout(fromRow.format);
      if (to == nullptr || from == nullptr) continue;
      auto plan = planPackedRemap(*to, *from);
      if (!plan) continue;
      ++planned;
      for (int i = 0; i < 64; ++i) {
        std::uint64_t pixel = random();
        std::byte in[8], out[8];
        storePixelBits(in, from->bytesPerPixel, pixel);
        remapRow(*plan, in, out, 1);
        std::uint64_t expected = packPixel(*to, unpackPixel(*from, loadPixelBits(in, from->bytesPerPixel)), 0.5f);
        EXPECT_EQ(loadPixelBits(out, to->bytesPerPixel), expected) << toRow.format << " from " << fromRow.format;
      }
    }
  }
  EXPECT_GT(planned, 20);
  const PackedLayout& argb = *findPackedLayout(D3DFMT_A8R8G8B8);
  EXPECT_TRUE(planPackedRemap(*findPackedLayout(D3DFMT_X8R8G8B8), argb)->inPlace);
  EXPECT_FALSE(planPackedRemap(*findPackedLayout(D3DFMT_R5G6B5), argb).has_value());
}

}  // namespace
