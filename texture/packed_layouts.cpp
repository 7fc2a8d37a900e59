#include "texture/packed_layouts.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr ChannelField U(int shift, int bits) {
  return {ChannelKind::unsignedInt, static_cast<std::uint8_t>(shift), static_cast<std::uint8_t>(bits)};
}
constexpr ChannelField S(int shift, int bits) {
  return {ChannelKind::signedInt, static_cast<std::uint8_t>(shift), static_cast<std::uint8_t>(bits)};
}
constexpr ChannelField L(int shift, int bits) {
  return {ChannelKind::luminance, static_cast<std::uint8_t>(shift), static_cast<std::uint8_t>(bits)};
}
constexpr ChannelField kOne{ChannelKind::absent, 0, 0, 1.0f};
constexpr ChannelField kZero{ChannelKind::absent, 0, 0, 0.0f};
constexpr ChannelField kFromRed{ChannelKind::sameAsRed, 0, 0, 0.0f};
constexpr ChannelField kDerivedZ{ChannelKind::derivedZ, 0, 0, 0.0f};

constexpr ValueClass kUnsigned = ValueClass::unsignedUnit;
constexpr ValueClass kSignedColour = ValueClass::signedColour;
constexpr ValueClass kSignedAll = ValueClass::signedAll;
constexpr std::array<bool, 3> kAllGamma{true, true, true};
constexpr std::array<bool, 3> kNoGamma{false, false, false};

// Bit positions follow the D3DFORMAT names, most significant channel first.
constexpr std::array kLayouts = std::to_array<PackedLayout>({
    {D3DFMT_R8G8B8, 3, kUnsigned, {U(16, 8), U(8, 8), U(0, 8), kOne}, 0, kAllGamma},
    {D3DFMT_A8R8G8B8, 4, kUnsigned, {U(16, 8), U(8, 8), U(0, 8), U(24, 8)}, 0, kAllGamma},
    {D3DFMT_X8R8G8B8, 4, kUnsigned, {U(16, 8), U(8, 8), U(0, 8), kOne}, 0xFF000000, kAllGamma},
    {D3DFMT_R5G6B5, 2, kUnsigned, {U(11, 5), U(5, 6), U(0, 5), kOne}, 0, kAllGamma},
    {D3DFMT_X1R5G5B5, 2, kUnsigned, {U(10, 5), U(5, 5), U(0, 5), kOne}, 0x8000, kAllGamma},
    {D3DFMT_A1R5G5B5, 2, kUnsigned, {U(10, 5), U(5, 5), U(0, 5), U(15, 1)}, 0, kAllGamma},
    {D3DFMT_A4R4G4B4, 2, kUnsigned, {U(8, 4), U(4, 4), U(0, 4), U(12, 4)}, 0, kAllGamma},
    {D3DFMT_R3G3B2, 1, kUnsigned, {U(5, 3), U(2, 3), U(0, 2), kOne}, 0, kAllGamma},
    {D3DFMT_A8, 1, kUnsigned, {kZero, kZero, kZero, U(0, 8)}, 0, kAllGamma},
    {D3DFMT_A8R3G3B2, 2, kUnsigned, {U(5, 3), U(2, 3), U(0, 2), U(8, 8)}, 0, kAllGamma},
    {D3DFMT_X4R4G4B4, 2, kUnsigned, {U(8, 4), U(4, 4), U(0, 4), kOne}, 0xF000, kAllGamma},
    {D3DFMT_A2B10G10R10, 4, kUnsigned, {U(0, 10), U(10, 10), U(20, 10), U(30, 2)}, 0, kAllGamma},
    {D3DFMT_A8B8G8R8, 4, kUnsigned, {U(0, 8), U(8, 8), U(16, 8), U(24, 8)}, 0, kAllGamma},
    {D3DFMT_X8B8G8R8, 4, kUnsigned, {U(0, 8), U(8, 8), U(16, 8), kOne}, 0xFF000000, kAllGamma},
    {D3DFMT_G16R16, 4, kUnsigned, {U(0, 16), U(16, 16), kOne, kOne}, 0, kAllGamma},
    {D3DFMT_A2R10G10B10, 4, kUnsigned, {U(20, 10), U(10, 10), U(0, 10), U(30, 2)}, 0, kAllGamma},
    {D3DFMT_A16B16G16R16, 8, kUnsigned, {U(0, 16), U(16, 16), U(32, 16), U(48, 16)}, 0, kAllGamma},
    {D3DFMT_L8, 1, kUnsigned, {L(0, 8), kFromRed, kFromRed, kOne}, 0, kAllGamma},
    {D3DFMT_A8L8, 2, kUnsigned, {L(0, 8), kFromRed, kFromRed, U(8, 8)}, 0, kAllGamma},
    {D3DFMT_A4L4, 1, kUnsigned, {L(0, 4), kFromRed, kFromRed, U(4, 4)}, 0, kAllGamma},
    {D3DFMT_L16, 2, kUnsigned, {L(0, 16), kFromRed, kFromRed, kOne}, 0, kAllGamma},
    {D3DFMT_D16_LOCKABLE, 2, kUnsigned, {L(0, 16), kFromRed, kFromRed, kOne}, 0, kAllGamma},
    {D3DFMT_INTERNAL_AL16, 4, kUnsigned, {L(0, 16), kFromRed, kFromRed, U(16, 16)}, 0, kAllGamma},
    {D3DFMT_INTERNAL_R16, 6, kUnsigned, {U(32, 16), U(16, 16), U(0, 16), kOne}, 0, kAllGamma},
    // Bump formats: U, V, W, Q in red, green, blue, alpha; the luminance of the mixed formats
    // sits in the W slot.
    {D3DFMT_V8U8, 2, kSignedColour, {S(0, 8), S(8, 8), kOne, kOne}, 0, kNoGamma},
    {D3DFMT_L6V5U5, 2, kSignedColour, {S(0, 5), S(5, 5), U(10, 6), kOne}, 0, {false, false, true}},
    {D3DFMT_X8L8V8U8, 4, kSignedColour, {S(0, 8), S(8, 8), U(16, 8), kOne}, 0xFF000000, kNoGamma},
    {D3DFMT_V16U16, 4, kSignedColour, {S(0, 16), S(16, 16), kOne, kOne}, 0, kNoGamma},
    {D3DFMT_A2W10V10U10, 4, kSignedColour, {S(0, 10), S(10, 10), S(20, 10), U(30, 2)}, 0, kNoGamma},
    {D3DFMT_CxV8U8, 2, kSignedColour, {S(0, 8), S(8, 8), kDerivedZ, kOne}, 0, kNoGamma},
    {D3DFMT_Q8W8V8U8, 4, kSignedAll, {S(0, 8), S(8, 8), S(16, 8), S(24, 8)}, 0, kNoGamma},
    {D3DFMT_Q16W16V16U16, 8, kSignedAll, {S(0, 16), S(16, 16), S(32, 16), S(48, 16)}, 0, kNoGamma},
});

constexpr bool layoutsFitTheirPixels() {
  for (const auto& layout : kLayouts) {
    std::uint64_t used = layout.unusedBits;
    for (const auto& field : layout.channels) {
      if (field.bits == 0) continue;
      if (field.shift + field.bits > layout.bytesPerPixel * 8) return false;
      std::uint64_t mask = ((std::uint64_t{1} << field.bits) - 1) << field.shift;
      if (used & mask) return false;
      used |= mask;
    }
  }
  return true;
}
static_assert(layoutsFitTheirPixels(), "channel fields overlap or exceed their pixel");

std::uint32_t fieldMask(unsigned bits) { return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1; }

}  // namespace

const PackedLayout* findPackedLayout(D3DFORMAT format) {
  auto row = std::find_if(kLayouts.begin(), kLayouts.end(), [format](const auto& l) { return l.format == format; });
  return row == kLayouts.end() ? nullptr : &*row;
}

std::uint64_t loadPixelBits(const std::byte* p, unsigned bytes) {
  std::uint64_t value = 0;
  for (unsigned i = 0; i < bytes; ++i) value |= std::uint64_t{std::to_integer<std::uint8_t>(p[i])} << (8 * i);
  return value;
}

void storePixelBits(std::byte* p, unsigned bytes, std::uint64_t value) {
  for (unsigned i = 0; i < bytes; ++i) p[i] = static_cast<std::byte>(value >> (8 * i));
}

std::uint32_t quantiseUnsigned(float v, unsigned bits, float t) {
  if (!(v > 0.0f)) v = 0.0f;
  if (v > 1.0f) v = 1.0f;
  std::uint32_t max = fieldMask(bits);
  auto q = static_cast<std::uint32_t>(v * static_cast<float>(max) + t);
  return std::min(q, max);
}

std::uint32_t quantiseSigned(float v, unsigned bits, float t) {
  if (!(v >= -1.0f)) v = -1.0f;
  if (v > 1.0f) v = 1.0f;
  auto max = static_cast<std::int32_t>(fieldMask(bits - 1));
  auto magnitude = std::min(static_cast<std::int32_t>(std::fabs(v) * static_cast<float>(max) + t), max);
  std::int32_t q = v < 0.0f ? -magnitude : magnitude;
  return static_cast<std::uint32_t>(q) & fieldMask(bits);
}

float unpackUnsigned(std::uint32_t raw, unsigned bits) {
  return static_cast<float>(raw) / static_cast<float>(fieldMask(bits));
}

float unpackSigned(std::uint32_t raw, unsigned bits) {
  auto max = static_cast<std::int32_t>(fieldMask(bits - 1));
  std::int32_t value = static_cast<std::int32_t>(raw & fieldMask(bits));
  if (value > max) value -= static_cast<std::int32_t>(fieldMask(bits)) + 1;
  // The most negative code has no positive partner and reads as -1 like its neighbour.
  if (value < -max) value = -max;
  return static_cast<float>(value) / static_cast<float>(max);
}

Float4 unpackPixel(const PackedLayout& layout, std::uint64_t bits) {
  Float4 out{};
  for (int c = 0; c < 4; ++c) {
    const ChannelField& field = layout.channels[c];
    auto raw = static_cast<std::uint32_t>(bits >> field.shift) & fieldMask(field.bits);
    switch (field.kind) {
      case ChannelKind::absent: out[c] = field.absentValue; break;
      case ChannelKind::sameAsRed: break;
      case ChannelKind::unsignedInt: out[c] = unpackUnsigned(raw, field.bits); break;
      case ChannelKind::signedInt: out[c] = unpackSigned(raw, field.bits); break;
      case ChannelKind::luminance: out[kRed] = out[kGreen] = out[kBlue] = unpackUnsigned(raw, field.bits); break;
      case ChannelKind::derivedZ: {
        float z = 1.0f - out[kRed] * out[kRed] - out[kGreen] * out[kGreen];
        out[c] = z > 0.0f ? std::sqrt(z) : 0.0f;
        break;
      }
    }
  }
  return out;
}

std::uint64_t packPixel(const PackedLayout& layout, const Float4& pixel, float threshold) {
  std::uint64_t bits = layout.unusedBits;
  for (int c = 0; c < 4; ++c) {
    const ChannelField& field = layout.channels[c];
    std::uint32_t raw = 0;
    switch (field.kind) {
      case ChannelKind::absent:
      case ChannelKind::sameAsRed:
      case ChannelKind::derivedZ: continue;
      case ChannelKind::unsignedInt: raw = quantiseUnsigned(pixel[c], field.bits, threshold); break;
      case ChannelKind::signedInt: raw = quantiseSigned(pixel[c], field.bits, threshold); break;
      case ChannelKind::luminance: {
        float luminance = 0.2125f * pixel[kRed] + 0.7154f * pixel[kGreen] + 0.0721f * pixel[kBlue];
        raw = quantiseUnsigned(luminance, field.bits, threshold);
        break;
      }
    }
    bits |= std::uint64_t{raw} << field.shift;
  }
  return bits;
}
