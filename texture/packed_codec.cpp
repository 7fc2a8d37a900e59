// Codecs of the formats stored as one integer per pixel (table-driven by PackedLayout) and of
// the palettised formats P8 and A8P8.
#include <limits>

#include "texture/codec_factories.h"
#include "texture/packed_layouts.h"

namespace {

class PackedCodec final : public PixelCodec {
 public:
  PackedCodec(const PixelBlock& block, const PackedLayout& layout)
      : PixelCodec(block, layout.valueClass), layout_(layout) {}

 private:
  void unpackRow(std::uint32_t y, std::uint32_t z, Float4* out) override {
    const std::byte* p = rowAddress(y, z, layout_.bytesPerPixel);
    for (std::uint32_t x = 0; x < width(); ++x, p += layout_.bytesPerPixel) {
      out[x] = unpackPixel(layout_, loadPixelBits(p, layout_.bytesPerPixel));
    }
  }

  void packRow(std::uint32_t y, std::uint32_t z, const Float4* in) override {
    std::byte* p = rowAddress(y, z, layout_.bytesPerPixel);
    for (std::uint32_t x = 0; x < width(); ++x, p += layout_.bytesPerPixel) {
      storePixelBits(p, layout_.bytesPerPixel, packPixel(layout_, in[x], threshold(x, y, z)));
    }
  }

  Float4 roundTrip(const Float4& pixel) override { return unpackPixel(layout_, packPixel(layout_, pixel, 0.5f)); }

  std::array<bool, 3> gammaChannels() const override { return layout_.gammaChannels; }

  const PackedLayout& layout_;
};

// P8 (one index byte) and A8P8 (index byte, then an alpha byte that replaces the entry's alpha).
// Encoding picks the nearest palette entry.
class PaletteCodec final : public PixelCodec {
 public:
  explicit PaletteCodec(const PixelBlock& block)
      : PixelCodec(block, ValueClass::unsignedUnit), hasOwnAlpha_(block.format == D3DFMT_A8P8) {
    for (int i = 0; i < 256; ++i) {
      if (block.palette == nullptr) {
        palette_[i] = Float4{1.0f, 1.0f, 1.0f, 1.0f};
        continue;
      }
      const PALETTEENTRY& e = block.palette[i];
      palette_[i] = Float4{e.peRed / 255.0f, e.peGreen / 255.0f, e.peBlue / 255.0f, e.peFlags / 255.0f};
    }
  }

 private:
  unsigned bytesPerPixel() const { return hasOwnAlpha_ ? 2 : 1; }

  void unpackRow(std::uint32_t y, std::uint32_t z, Float4* out) override {
    const std::byte* p = rowAddress(y, z, bytesPerPixel());
    for (std::uint32_t x = 0; x < width(); ++x, p += bytesPerPixel()) {
      out[x] = palette_[std::to_integer<std::uint8_t>(p[0])];
      if (hasOwnAlpha_) out[x][kAlpha] = std::to_integer<std::uint8_t>(p[1]) / 255.0f;
    }
  }

  void packRow(std::uint32_t y, std::uint32_t z, const Float4* in) override {
    std::byte* p = rowAddress(y, z, bytesPerPixel());
    for (std::uint32_t x = 0; x < width(); ++x, p += bytesPerPixel()) {
      p[0] = static_cast<std::byte>(nearestEntry(in[x]));
      if (hasOwnAlpha_) p[1] = static_cast<std::byte>(quantiseByte(in[x][kAlpha], threshold(x, y, z)));
    }
  }

  // Colour keys are compared with palette entries, which hold 8-bit values already.
  Float4 roundTrip(const Float4& pixel) override {
    Float4 out;
    for (int c = 0; c < 4; ++c) out[c] = static_cast<float>(quantiseByte(pixel[c], 0.5f)) / 255.0f;
    return out;
  }

  static unsigned quantiseByte(float v, float t) {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return static_cast<unsigned>(v * 255.0f + t);
  }

  int nearestEntry(const Float4& pixel) {
    if (pixel == lastPixel_) return lastEntry_;
    int channels = hasOwnAlpha_ ? 3 : 4;
    float best = std::numeric_limits<float>::infinity();
    int bestIndex = 0;
    for (int i = 0; i < 256; ++i) {
      float distance = 0.0f;
      for (int c = 0; c < channels; ++c) {
        float d = palette_[i][c] - pixel[c];
        distance += d * d;
      }
      if (distance < best) {
        best = distance;
        bestIndex = i;
      }
    }
    lastPixel_ = pixel;
    lastEntry_ = bestIndex;
    return bestIndex;
  }

  bool hasOwnAlpha_;
  std::array<Float4, 256> palette_{};
  Float4 lastPixel_{-1.0f, -1.0f, -1.0f, -1.0f};
  int lastEntry_ = 0;
};

}  // namespace

std::unique_ptr<PixelCodec> createPackedCodec(const PixelBlock& block) {
  if (block.format == D3DFMT_P8 || block.format == D3DFMT_A8P8) return std::make_unique<PaletteCodec>(block);
  const PackedLayout* layout = findPackedLayout(block.format);
  if (layout == nullptr) return nullptr;
  return std::make_unique<PackedCodec>(block, *layout);
}
