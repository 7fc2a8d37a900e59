#include "texture/pixel_codec.h"

#include <algorithm>

#include "texture/codec_factories.h"
#include "texture/gamma_tables.h"

namespace {

// Ordered-dither thresholds, M[y mod 4][(x + z) mod 4]. Each row holds its four values twice
// so that a row can be read from offset (z mod 4) without wrapping.
constexpr float kDitherMatrix[4][8] = {
    {31 / 32.f, 15 / 32.f, 27 / 32.f, 11 / 32.f, 31 / 32.f, 15 / 32.f, 27 / 32.f, 11 / 32.f},
    {7 / 32.f, 23 / 32.f, 3 / 32.f, 19 / 32.f, 7 / 32.f, 23 / 32.f, 3 / 32.f, 19 / 32.f},
    {25 / 32.f, 9 / 32.f, 29 / 32.f, 13 / 32.f, 25 / 32.f, 9 / 32.f, 29 / 32.f, 13 / 32.f},
    {1 / 32.f, 17 / 32.f, 5 / 32.f, 21 / 32.f, 1 / 32.f, 17 / 32.f, 5 / 32.f, 21 / 32.f},
};

float clampTo(float v, float low, float high) {
  if (!(v >= low)) return low;  // also NaN
  return v > high ? high : v;
}

float signedToUnit(float v) { return (v + 1.0f) * 0.5f; }
float unitToSigned(float v) { return 2.0f * v - 1.0f; }

}  // namespace

Float4 clampToClass(Float4 p, ValueClass valueClass) {
  switch (valueClass) {
    case ValueClass::unsignedUnit:
      for (float& v : p) v = clampTo(v, 0.0f, 1.0f);
      break;
    case ValueClass::signedColour:
      for (int c = 0; c < 3; ++c) p[c] = clampTo(p[c], -1.0f, 1.0f);
      p[kAlpha] = clampTo(p[kAlpha], 0.0f, 1.0f);
      break;
    case ValueClass::signedAll:
      for (float& v : p) v = clampTo(v, -1.0f, 1.0f);
      break;
    case ValueClass::floatingPoint: break;
  }
  return p;
}

Float4 convertClass(Float4 p, ValueClass to, ValueClass from) {
  using enum ValueClass;
  if (to == from || to == floatingPoint) return p;
  if (from == floatingPoint) return clampToClass(p, to);
  switch (to) {
    case unsignedUnit:
      for (int c = 0; c < 3; ++c) p[c] = signedToUnit(p[c]);
      if (from == signedAll) p[kAlpha] = signedToUnit(p[kAlpha]);
      break;
    case signedColour:
      if (from == unsignedUnit) {
        for (int c = 0; c < 3; ++c) p[c] = unitToSigned(p[c]);
      } else {
        p[kAlpha] = signedToUnit(p[kAlpha]);
      }
      break;
    case signedAll:
      if (from == unsignedUnit) {
        for (float& v : p) v = unitToSigned(v);
      } else {
        p[kAlpha] = unitToSigned(p[kAlpha]);
      }
      break;
    case floatingPoint: break;
  }
  return p;
}

std::unique_ptr<PixelCodec> PixelCodec::create(const PixelBlock& block) {
  for (auto factory : {createPackedCodec, createFloatCodec, createPairCodec, createBlockCodec}) {
    if (auto codec = factory(block)) {
      codec->setGamma(block.gamma);
      if (block.colourKey != 0) codec->prepareColourKey();
      return codec;
    }
  }
  return nullptr;
}

PixelCodec::PixelCodec(const PixelBlock& block, ValueClass valueClass)
    : block_(block),
      width_(block.box.Right - block.box.Left),
      height_(block.box.Bottom - block.box.Top),
      depth_(block.box.Back - block.box.Front),
      valueClass_(valueClass),
      convertFrom_(valueClass),
      scratch_(width_) {}

std::array<bool, 3> PixelCodec::gammaChannels() const {
  if (valueClass_ == ValueClass::signedColour || valueClass_ == ValueClass::signedAll) return {false, false, false};
  return {true, true, true};
}

bool PixelCodec::gammaAllowed() const {
  auto channels = gammaChannels();
  return channels[0] || channels[1] || channels[2];
}

void PixelCodec::decodeRow(std::uint32_t y, std::uint32_t z, Float4* out) {
  unpackRow(y, z, out);
  if (hasKey_) {
    for (std::uint32_t x = 0; x < width_; ++x) {
      if (out[x] == key_) out[x] = Float4{};
    }
  }
  if (gamma_) {
    auto channels = gammaChannels();
    for (std::uint32_t x = 0; x < width_; ++x) {
      for (int c = 0; c < 3; ++c) {
        if (channels[c]) out[x][c] = gammaDecode(out[x][c]);
      }
    }
  }
}

void PixelCodec::encodeRow(std::uint32_t y, std::uint32_t z, const Float4* in) {
  if (convertFrom_ == valueClass_ && !gamma_) {
    packRow(y, z, in);
    return;
  }
  auto channels = gammaChannels();
  for (std::uint32_t x = 0; x < width_; ++x) {
    Float4 p = convertClass(in[x], valueClass_, convertFrom_);
    if (gamma_) {
      for (int c = 0; c < 3; ++c) {
        if (channels[c]) p[c] = gammaEncode(p[c]);
      }
    }
    scratch_[x] = p;
  }
  packRow(y, z, scratch_.data());
}

void PixelCodec::convertRowsFrom(ValueClass sourceClass) { convertFrom_ = sourceClass; }

void PixelCodec::prepareColourKey() {
  D3DCOLOR key = block_.colourKey;
  hasKey_ = key != 0;
  if (!hasKey_) return;
  auto byte = [key](int shift) { return static_cast<float>((key >> shift) & 0xFF) / 255.0f; };
  Float4 unit{byte(16), byte(8), byte(0), byte(24)};
  key_ = roundTrip(convertClass(unit, valueClass_, ValueClass::unsignedUnit));
}

float PixelCodec::threshold(std::uint32_t x, std::uint32_t y, std::uint32_t z) const {
  if (!block_.dither) return 0.5f;
  return kDitherMatrix[y & 3][(z & 3) + (x & 3)];
}

std::byte* PixelCodec::absoluteRow(std::int64_t row, std::int64_t slice) const {
  return static_cast<std::byte*>(block_.pixels) + slice * block_.slicePitch + row * block_.rowPitch;
}

std::byte* PixelCodec::rowAddress(std::uint32_t y, std::uint32_t z, std::uint32_t bytesPerPixel) const {
  return absoluteRow(std::int64_t{block_.box.Top} + y, std::int64_t{block_.box.Front} + z) +
         std::int64_t{block_.box.Left} * bytesPerPixel;
}
