// Bit layouts of the formats stored as one little-endian integer of 1 to 8 bytes per pixel:
// where each float channel of a decoded pixel comes from, table-driven for the packed codec,
// the integer copy and the integer box filter alike.
#pragma once

#include <array>
#include <cstdint>

#include "platform/d3d9/d3d9_types.h"
#include "texture/pixel_codec.h"

enum class ChannelKind : std::uint8_t {
  absent,       // decodes as `absentValue` of the layout row's slot
  unsignedInt,  // n-bit unsigned, v / (2^n - 1)
  signedInt,    // n-bit two's complement, s / (2^(n-1) - 1), the most negative value read as -1
  luminance,    // unsigned, stored in the red slot; decodes into red, green and blue
  sameAsRed,    // green and blue of luminance formats
  derivedZ,     // sqrt(1 - x^2 - y^2) of the red and green slots (CxV8U8's third component)
};

struct ChannelField {
  ChannelKind kind = ChannelKind::absent;
  std::uint8_t shift = 0;
  std::uint8_t bits = 0;
  // Value of an absent channel.
  float absentValue = 1.0f;
};

struct PackedLayout {
  D3DFORMAT format;
  std::uint8_t bytesPerPixel;
  ValueClass valueClass;
  // Red, green, blue, alpha (for bump formats: U, V, W, Q).
  std::array<ChannelField, 4> channels;
  // Unused bits (the X of X8R8G8B8), written as ones.
  std::uint64_t unusedBits;
  // Gamma coding applies to these of red, green and blue.
  std::array<bool, 3> gammaChannels;
};

// The layout of `format`, or null when it is not a packed format.
const PackedLayout* findPackedLayout(D3DFORMAT format);

// Reads and writes one pixel of `bytes` bytes as a little-endian integer.
std::uint64_t loadPixelBits(const std::byte* p, unsigned bytes);
void storePixelBits(std::byte* p, unsigned bytes, std::uint64_t value);

// One channel, n-bit unsigned: trunc(clamp(v, 0, 1) (2^n - 1) + t).
std::uint32_t quantiseUnsigned(float v, unsigned bits, float t);
// One channel, n-bit signed, rounded symmetrically about 0: the magnitude is trunc(|v| max + t)
// with max = 2^(n-1) - 1. Returns the value in two's complement within the n bits.
std::uint32_t quantiseSigned(float v, unsigned bits, float t);
float unpackUnsigned(std::uint32_t raw, unsigned bits);
float unpackSigned(std::uint32_t raw, unsigned bits);

// Decodes and encodes one pixel without key or gamma (used by the packed codec and its tests).
Float4 unpackPixel(const PackedLayout& layout, std::uint64_t bits);
std::uint64_t packPixel(const PackedLayout& layout, const Float4& pixel, float threshold);
