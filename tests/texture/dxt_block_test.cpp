// DXT1-DXT5 blocks: decoding of hand-built blocks byte for byte, and the encoder's modes.
#include "texture/dxt_block.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "conversion_test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Decodes one block to A8R8G8B8 bytes (B, G, R, A per pixel, row order).
Bytes decodeToArgb(D3DFORMAT format, const Bytes& block) {
  TestImage source(format, 4, 4);
  source.setBoxBytes(block);
  TestImage out(D3DFMT_A8R8G8B8, 4, 4);
  EXPECT_EQ(convertChecked(out, source, RESAMPLE_NONE), S_OK);
  return out.boxBytes();
}

Bytes argbPixel(const Bytes& argbImage, int pixel) {
  return Bytes(argbImage.begin() + pixel * 4, argbImage.begin() + pixel * 4 + 4);
}

// 3-bit alpha indices of 16 pixels as the six index bytes.
Bytes alphaIndexBytes(const int indices[16]) {
  std::uint64_t bits = 0;
  for (int i = 0; i < 16; ++i) bits |= std::uint64_t(indices[i]) << (3 * i);
  Bytes bytes;
  for (int b = 0; b < 6; ++b) bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * b)));
  return bytes;
}

Bytes encode(D3DFORMAT format, const Float4 pixels[16]) {
  Bytes block(blockBytes(format));
  encodeBlock(format, pixels, block.data());
  return block;
}

std::array<Float4, 16> decode(D3DFORMAT format, const Bytes& block) {
  std::array<Float4, 16> pixels;
  decodeBlock(format, block.data(), pixels.data());
  return pixels;
}

TEST(DxtBlockTest, DecodesDxt1FourAndThreeColourBlocks) {
  // Red and blue endpoints, each row using indices 0, 1, 2, 3.
  Bytes fourColour = decodeToArgb(D3DFMT_DXT1, {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0xE4, 0xE4, 0xE4});
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(argbPixel(fourColour, row * 4 + 0), (Bytes{0, 0, 255, 255}));
    EXPECT_EQ(argbPixel(fourColour, row * 4 + 1), (Bytes{255, 0, 0, 255}));
    EXPECT_EQ(argbPixel(fourColour, row * 4 + 2), (Bytes{85, 0, 170, 255}));
    EXPECT_EQ(argbPixel(fourColour, row * 4 + 3), (Bytes{170, 0, 85, 255}));
  }
  // Endpoints in the other order select three colours and transparent black.
  Bytes threeColour = decodeToArgb(D3DFMT_DXT1, {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0xE4, 0xE4, 0xE4});
  EXPECT_EQ(argbPixel(threeColour, 0), (Bytes{255, 0, 0, 255}));
  EXPECT_EQ(argbPixel(threeColour, 1), (Bytes{0, 0, 255, 255}));
  EXPECT_EQ(argbPixel(threeColour, 2), (Bytes{128, 0, 128, 255}));
  EXPECT_EQ(argbPixel(threeColour, 3), (Bytes{0, 0, 0, 0}));
  // Equal endpoints also mean three colours.
  Bytes equal = decodeToArgb(D3DFMT_DXT1, {0xE0, 0x07, 0xE0, 0x07, 0xFF, 0xFF, 0xFF, 0xFF});
  EXPECT_EQ(argbPixel(equal, 5), (Bytes{0, 0, 0, 0}));
}

TEST(DxtBlockTest, DecodesExplicitAndInterpolatedAlpha) {
  // DXT3: nibble i is pixel i's alpha; the colour block always has four colours.
  Bytes dxt3{0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  Bytes explicitAlpha = decodeToArgb(D3DFMT_DXT3, dxt3);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(argbPixel(explicitAlpha, i), (Bytes{170, 170, 170, static_cast<std::uint8_t>(17 * i)})) << i;
  }

  // DXT5, eight values (first endpoint greater) and six values plus 0 and 255.
  const int indices[16] = {0, 1, 2, 3, 4, 5, 6, 7, 7, 6, 5, 4, 3, 2, 1, 0};
  const std::uint8_t eight[8] = {200, 60, 180, 160, 140, 120, 100, 80};
  const std::uint8_t six[8] = {40, 240, 80, 120, 160, 200, 0, 255};
  for (bool sixValues : {false, true}) {
    Bytes block = sixValues ? Bytes{40, 240} : Bytes{200, 60};
    Bytes indexBytes = alphaIndexBytes(indices);
    block.insert(block.end(), indexBytes.begin(), indexBytes.end());
    block.insert(block.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0});
    Bytes pixels = decodeToArgb(D3DFMT_DXT5, block);
    for (int i = 0; i < 16; ++i) {
      std::uint8_t expected = sixValues ? six[indices[i]] : eight[indices[i]];
      EXPECT_EQ(argbPixel(pixels, i), (Bytes{255, 255, 255, expected})) << "pixel " << i << " six " << sixValues;
    }
  }
}

TEST(DxtBlockTest, PremultipliedFormatsDivideByAlpha) {
  // DXT2: pixel 0 opaque, pixel 1 alpha 8/15, pixel 2 alpha 0, pixel 3 colour above its alpha.
  Bytes dxt2{0x8F, 0x10, 0, 0, 0, 0, 0, 0, 0x10, 0x84, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  Bytes pixels = decodeToArgb(D3DFMT_DXT2, dxt2);
  EXPECT_EQ(argbPixel(pixels, 0), (Bytes{132, 130, 132, 255}));
  EXPECT_EQ(argbPixel(pixels, 1), (Bytes{247, 243, 247, 136}));
  EXPECT_EQ(argbPixel(pixels, 2), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(argbPixel(pixels, 3), (Bytes{255, 255, 255, 17}));

  // Encoding multiplies first; dividing again restores the colour to within one 5-bit step
  // of the premultiplied value.
  Float4 in[16];
  for (auto& p : in) p = {1.0f, 0.0f, 1.0f, 0.6f};
  auto out = decode(D3DFMT_DXT4, encode(D3DFMT_DXT4, in));
  float redSum = 0.0f;
  for (const auto& p : out) {
    EXPECT_NEAR(p[kRed], 1.0f, 1.0f / 31 / 0.6f);
    EXPECT_NEAR(p[kGreen], 0.0f, 1e-6f);
    EXPECT_NEAR(p[kAlpha], 0.6f, 1.0f / 510);
    redSum += p[kRed] * p[kAlpha];
  }
  EXPECT_NEAR(redSum / 16, 0.6f, 0.01f);  // error diffusion keeps the block's mean
}

TEST(DxtBlockTest, EncoderSpecialBlocks) {
  Float4 solid[16], clear[16], opaque[16];
  for (int i = 0; i < 16; ++i) {
    solid[i] = {1.0f, 0.0f, 0.0f, 1.0f};
    clear[i] = {0.3f, 0.6f, 0.9f, 0.1f};
    opaque[i] = {0.5f, 0.5f, 0.5f, 1.0f};
  }
  // One colour in four-colour mode: the value twice, indices 0.
  EXPECT_EQ(encode(D3DFMT_DXT1, solid), (Bytes{0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0}));
  // Fully transparent DXT1 block.
  EXPECT_EQ(encode(D3DFMT_DXT1, clear), (Bytes{0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  // Fully opaque DXT5 alpha: both endpoints 255, indices 0.
  Bytes dxt5 = encode(D3DFMT_DXT5, opaque);
  EXPECT_EQ(Bytes(dxt5.begin(), dxt5.begin() + 8), (Bytes{255, 255, 0, 0, 0, 0, 0, 0}));
}

TEST(DxtBlockTest, RepresentableBlocksRoundTripExactly) {
  // Two colours exactly on the 5:6:5 grid and alpha exactly on each format's grid.
  Float4 pixels[16];
  for (int i = 0; i < 16; ++i) {
    bool first = (i * 7) % 3 == 0;
    pixels[i] = first ? Float4{1.0f, 0.0f, 0.0f, 1.0f} : Float4{0.0f, 0.0f, 1.0f, 1.0f};
  }
  for (D3DFORMAT format : {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5}) {
    auto out = decode(format, encode(format, pixels));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(out[i], pixels[i]) << "format " << format << " pixel " << i;
  }

  // DXT1 with transparency: opaque pixels keep their colour, transparent ones become black.
  Float4 holes[16];
  for (int i = 0; i < 16; ++i) holes[i] = i % 5 == 0 ? Float4{0.2f, 0.4f, 0.6f, 0.0f} : pixels[i];
  auto out = decode(D3DFMT_DXT1, encode(D3DFMT_DXT1, holes));
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(out[i], i % 5 == 0 ? Float4{} : pixels[i]) << "pixel " << i;
  }

  // Alpha on the 4-bit grid (DXT3) and two 8-bit levels (DXT5, eight-value mode), and the
  // extremes 0 and 1 (DXT5, six-value mode).
  Float4 alpha3[16], alpha5[16], extremes[16];
  for (int i = 0; i < 16; ++i) {
    alpha3[i] = {0.0f, 0.0f, 0.0f, static_cast<float>(i) / 15.0f};
    alpha5[i] = {0.0f, 0.0f, 0.0f, (i & 1 ? 100.0f : 200.0f) / 255.0f};
    extremes[i] = {0.0f, 0.0f, 0.0f, i % 3 == 0 ? 1.0f : 0.0f};
  }
  auto a3 = decode(D3DFMT_DXT3, encode(D3DFMT_DXT3, alpha3));
  auto a5 = decode(D3DFMT_DXT5, encode(D3DFMT_DXT5, alpha5));
  auto ex = decode(D3DFMT_DXT5, encode(D3DFMT_DXT5, extremes));
  for (int i = 0; i < 16; ++i) {
    EXPECT_FLOAT_EQ(a3[i][kAlpha], alpha3[i][kAlpha]) << i;
    EXPECT_FLOAT_EQ(a5[i][kAlpha], alpha5[i][kAlpha]) << i;
    EXPECT_EQ(ex[i][kAlpha], extremes[i][kAlpha]) << i;
  }
}

TEST(DxtBlockTest, SmoothBlocksEncodeCloselyAndStoreModeByEndpointOrder) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  for (int trial = 0; trial < 200; ++trial) {
    Float4 start{unit(random), unit(random), unit(random), unit(random)};
    Float4 end{unit(random), unit(random), unit(random), unit(random)};
    Float4 pixels[16];
    for (int i = 0; i < 16; ++i) {
      float t = static_cast<float>((i % 4) + (i / 4)) / 6.0f;
      for (int c = 0; c < 4; ++c) pixels[i][c] = start[c] + (end[c] - start[c]) * t;
    }
    for (D3DFORMAT format : {D3DFMT_DXT1, D3DFMT_DXT5}) {
      // DXT1 diffuses alpha to one bit: opaque pixels keep it in four-colour mode.
      if (format == D3DFMT_DXT1) {
        for (auto& p : pixels) p[kAlpha] = 1.0f;
      }
      Bytes block = encode(format, pixels);
      const std::uint8_t* colour = format == D3DFMT_DXT1 ? block.data() : block.data() + 8;
      int c0 = colour[0] | (colour[1] << 8);
      int c1 = colour[2] | (colour[3] << 8);
      EXPECT_GE(c0, c1) << "four-colour blocks store the larger endpoint first";
      auto out = decode(format, block);
      double squared = 0;
      for (int i = 0; i < 16; ++i) {
        for (int c = 0; c < 3; ++c) squared += std::pow(out[i][c] - pixels[i][c], 2.0);
        if (format == D3DFMT_DXT5) {
          EXPECT_NEAR(out[i][kAlpha], pixels[i][kAlpha], 0.04f);
        }
      }
      EXPECT_LT(std::sqrt(squared / 48), 0.1) << "trial " << trial;
    }
  }
}

}  // namespace
