// Codecs of the formats that share components between two neighbouring pixels: UYVY and YUY2
// (studio-range BT.601 Y'CbCr, one luma per pixel and one chroma pair per two pixels) and
// RGBG / GRGB (one green per pixel, one red and blue per two pixels). Pairs start at even
// columns counted from the description's pixel address.
#include <algorithm>

#include "texture/codec_factories.h"

namespace {

struct PairLayout {
  D3DFORMAT format;
  bool luma;  // Y'CbCr rather than RGB
  // Byte offsets within the 4-byte pair: the shared first and second component (Cb / red,
  // Cr / blue) and the per-pixel component (Y / green) of pixels 0 and 1.
  std::uint8_t shared0;
  std::uint8_t shared1;
  std::uint8_t pixel0;
  std::uint8_t pixel1;
};

constexpr PairLayout kPairLayouts[] = {
    {D3DFMT_UYVY, true, 0, 2, 1, 3},
    {D3DFMT_YUY2, true, 1, 3, 0, 2},
    {D3DFMT_R8G8_B8G8, false, 0, 2, 1, 3},
    {D3DFMT_G8R8_G8B8, false, 1, 3, 0, 2},
};

float clampUnit(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

std::byte quantise(float v255, float t) {
  float q = v255 + t;
  if (!(q > 0.0f)) return std::byte{0};
  return static_cast<std::byte>(q >= 255.0f ? 255 : static_cast<int>(q));
}

float unit(float v) { return v != v ? 0.0f : clampUnit(v); }

void decodePair(const PairLayout& layout, const std::byte* pair, Float4 out[2]) {
  auto byteAt = [pair](int offset) { return static_cast<float>(std::to_integer<std::uint8_t>(pair[offset])); };
  float first = byteAt(layout.shared0);
  float second = byteAt(layout.shared1);
  float perPixel[2] = {byteAt(layout.pixel0), byteAt(layout.pixel1)};
  for (int i = 0; i < 2; ++i) {
    if (layout.luma) {
      float y = 0.0045662f * (perPixel[i] - 16.0f);
      float cb = first - 128.0f;
      float cr = second - 128.0f;
      out[i] = Float4{clampUnit(y + 0.0062589f * cr), clampUnit(y - 0.0031881f * cr - 0.0015363f * cb),
                      clampUnit(y + 0.0079107f * cb), 1.0f};
    } else {
      out[i] = Float4{first / 255.0f, perPixel[i] / 255.0f, second / 255.0f, 1.0f};
    }
  }
}

// The shared components come from the average of the two pixels.
void encodePair(const PairLayout& layout, const Float4 in[2], const float thresholds[2], std::byte* pair) {
  Float4 p[2];
  for (int i = 0; i < 2; ++i) {
    for (int c = 0; c < 3; ++c) p[i][c] = unit(in[i][c]);
  }
  float r = 0.5f * (p[0][kRed] + p[1][kRed]);
  float g = 0.5f * (p[0][kGreen] + p[1][kGreen]);
  float b = 0.5f * (p[0][kBlue] + p[1][kBlue]);
  if (layout.luma) {
    for (int i = 0; i < 2; ++i) {
      float y = 16.0f + 65.481f * p[i][kRed] + 128.553f * p[i][kGreen] + 24.966f * p[i][kBlue];
      pair[i == 0 ? layout.pixel0 : layout.pixel1] = quantise(y, thresholds[i]);
    }
    pair[layout.shared0] = quantise(128.0f - 37.797f * r - 74.203f * g + 112.0f * b, thresholds[0]);
    pair[layout.shared1] = quantise(128.0f + 112.0f * r - 93.786f * g - 18.214f * b, thresholds[0]);
  } else {
    pair[layout.pixel0] = quantise(255.0f * p[0][kGreen], thresholds[0]);
    pair[layout.pixel1] = quantise(255.0f * p[1][kGreen], thresholds[1]);
    pair[layout.shared0] = quantise(255.0f * r, thresholds[0]);
    pair[layout.shared1] = quantise(255.0f * b, thresholds[0]);
  }
}

class PairCodec final : public PixelCodec {
 public:
  PairCodec(const PixelBlock& block, const PairLayout& layout)
      : PixelCodec(block, ValueClass::unsignedUnit), layout_(layout) {}

 private:
  std::byte* pairAddress(std::uint32_t y, std::uint32_t z, std::uint64_t absoluteColumn) const {
    return absoluteRow(std::int64_t{block_.box.Top} + y, std::int64_t{block_.box.Front} + z) +
           static_cast<std::int64_t>(absoluteColumn / 2 * 4);
  }

  void unpackRow(std::uint32_t y, std::uint32_t z, Float4* out) override {
    Float4 pair[2];
    std::uint64_t decodedPair = ~std::uint64_t{0};
    for (std::uint32_t x = 0; x < width(); ++x) {
      std::uint64_t column = std::uint64_t{block_.box.Left} + x;
      if (column / 2 != decodedPair) {
        decodePair(layout_, pairAddress(y, z, column), pair);
        decodedPair = column / 2;
      }
      out[x] = pair[column & 1];
    }
  }

  void packRow(std::uint32_t y, std::uint32_t z, const Float4* in) override {
    std::uint64_t left = block_.box.Left;
    std::uint64_t right = block_.box.Right;
    for (std::uint64_t first = left & ~std::uint64_t{1}; first < right; first += 2) {
      Float4 pixels[2];
      bool partial = first < left || first + 1 >= right;
      std::byte* pair = pairAddress(y, z, first);
      if (partial) decodePair(layout_, pair, pixels);
      float thresholds[2] = {0.5f, 0.5f};
      for (int i = 0; i < 2; ++i) {
        std::uint64_t column = first + i;
        if (column < left || column >= right) continue;
        auto x = static_cast<std::uint32_t>(column - left);
        pixels[i] = in[x];
        thresholds[i] = threshold(x, y, z);
      }
      if (first < left) thresholds[0] = thresholds[1];
      encodePair(layout_, pixels, thresholds, pair);
    }
  }

  Float4 roundTrip(const Float4& pixel) override {
    Float4 in[2] = {pixel, pixel};
    Float4 out[2];
    const float thresholds[2] = {0.5f, 0.5f};
    std::byte pair[4]{};
    encodePair(layout_, in, thresholds, pair);
    decodePair(layout_, pair, out);
    return out[0];
  }

  const PairLayout& layout_;
};

}  // namespace

std::unique_ptr<PixelCodec> createPairCodec(const PixelBlock& block) {
  for (const auto& layout : kPairLayouts) {
    if (layout.format == block.format) return std::make_unique<PairCodec>(block, layout);
  }
  return nullptr;
}
