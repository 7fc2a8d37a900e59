// Codecs of the floating-point formats: one to four channels of 32-bit floats in red, green,
// blue, alpha order. Missing channels read as 1. Values are taken as they are.
#include <cstring>

#include "texture/codec_factories.h"

namespace {

struct FloatLayout {
  D3DFORMAT format;
  unsigned channels;
};

constexpr FloatLayout kFloatLayouts[] = {
    {D3DFMT_R32F, 1},
    {D3DFMT_G32R32F, 2},
    {D3DFMT_A32B32G32R32F, 4},
    {D3DFMT_D32F_LOCKABLE, 1},
};

class FloatCodec final : public PixelCodec {
 public:
  FloatCodec(const PixelBlock& block, const FloatLayout& layout)
      : PixelCodec(block, ValueClass::floatingPoint), channels_(layout.channels) {}

 private:
  unsigned bytesPerPixel() const { return channels_ * 4; }

  void unpackRow(std::uint32_t y, std::uint32_t z, Float4* out) override {
    const std::byte* p = rowAddress(y, z, bytesPerPixel());
    for (std::uint32_t x = 0; x < width(); ++x, p += bytesPerPixel()) {
      Float4 pixel{1.0f, 1.0f, 1.0f, 1.0f};
      std::memcpy(pixel.data(), p, bytesPerPixel());
      out[x] = pixel;
    }
  }

  void packRow(std::uint32_t y, std::uint32_t z, const Float4* in) override {
    std::byte* p = rowAddress(y, z, bytesPerPixel());
    for (std::uint32_t x = 0; x < width(); ++x, p += bytesPerPixel()) std::memcpy(p, in[x].data(), bytesPerPixel());
  }

  Float4 roundTrip(const Float4& pixel) override {
    Float4 out{1.0f, 1.0f, 1.0f, 1.0f};
    std::memcpy(out.data(), pixel.data(), bytesPerPixel());
    return out;
  }

  unsigned channels_;
};

}  // namespace

std::unique_ptr<PixelCodec> createFloatCodec(const PixelBlock& block) {
  for (const auto& layout : kFloatLayouts) {
    if (layout.format == block.format) return std::make_unique<FloatCodec>(block, layout);
  }
  return nullptr;
}
