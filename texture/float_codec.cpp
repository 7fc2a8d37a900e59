// Codecs of the floating-point formats: one to four channels of 16-bit (half) or 32-bit floats
// in red, green, blue, alpha order. Missing channels read as 1. Values are taken as they are.
#include <cstring>

#include "math/vector_math.h"
#include "texture/codec_factories.h"

namespace {

struct FloatLayout {
  D3DFORMAT format;
  unsigned channels;
  bool half;
};

constexpr FloatLayout kFloatLayouts[] = {
    {D3DFMT_R16F, 1, true},           {D3DFMT_G16R16F, 2, true},  {D3DFMT_A16B16G16R16F, 4, true},
    {D3DFMT_R32F, 1, false},          {D3DFMT_G32R32F, 2, false}, {D3DFMT_A32B32G32R32F, 4, false},
    {D3DFMT_D32F_LOCKABLE, 1, false},
};

// One pixel's channels between memory and floats; the rest of `pixel` is left as it is.
void loadChannels(const std::byte* p, unsigned channels, bool half, Float4& pixel) {
  if (!half) {
    std::memcpy(pixel.data(), p, channels * sizeof(float));
    return;
  }
  Float16Bits bits[4];
  std::memcpy(bits, p, channels * sizeof(Float16Bits));
  float16To32Array(pixel.data(), bits, channels);
}

void storeChannels(std::byte* p, unsigned channels, bool half, const Float4& pixel) {
  if (!half) {
    std::memcpy(p, pixel.data(), channels * sizeof(float));
    return;
  }
  Float16Bits bits[4];
  float32To16Array(bits, pixel.data(), channels);
  std::memcpy(p, bits, channels * sizeof(Float16Bits));
}

class FloatCodec final : public PixelCodec {
 public:
  FloatCodec(const PixelBlock& block, const FloatLayout& layout)
      : PixelCodec(block, ValueClass::floatingPoint), layout_(layout) {}

 private:
  unsigned bytesPerPixel() const { return layout_.channels * (layout_.half ? 2 : 4); }

  void unpackRow(std::uint32_t y, std::uint32_t z, Float4* out) override {
    const std::byte* p = rowAddress(y, z, bytesPerPixel());
    for (std::uint32_t x = 0; x < width(); ++x, p += bytesPerPixel()) {
      out[x] = Float4{1.0f, 1.0f, 1.0f, 1.0f};
      loadChannels(p, layout_.channels, layout_.half, out[x]);
    }
  }

  void packRow(std::uint32_t y, std::uint32_t z, const Float4* in) override {
    std::byte* p = rowAddress(y, z, bytesPerPixel());
    for (std::uint32_t x = 0; x < width(); ++x, p += bytesPerPixel()) {
      storeChannels(p, layout_.channels, layout_.half, in[x]);
    }
  }

  Float4 roundTrip(const Float4& pixel) override {
    std::byte bytes[16];
    storeChannels(bytes, layout_.channels, layout_.half, pixel);
    Float4 out{1.0f, 1.0f, 1.0f, 1.0f};
    loadChannels(bytes, layout_.channels, layout_.half, out);
    return out;
  }

  const FloatLayout& layout_;
};

}  // namespace

std::unique_ptr<PixelCodec> createFloatCodec(const PixelBlock& block) {
  for (const auto& layout : kFloatLayouts) {
    if (layout.format == block.format) return std::make_unique<FloatCodec>(block, layout);
  }
  return nullptr;
}
