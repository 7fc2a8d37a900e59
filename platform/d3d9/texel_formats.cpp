#include "platform/d3d9/texel_formats.h"
#include "platform/d3d9/raw_bits.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace platform::d3d9 {
namespace {

float unorm(std::uint32_t value, unsigned bits) {
  return static_cast<float>(value) / static_cast<float>((1u << bits) - 1);
}
float bits(std::uint32_t word, unsigned shift, unsigned count) {
  return unorm((word >> shift) & ((1u << count) - 1), count);
}
float snorm8(std::uint32_t value) {
  auto s = static_cast<std::int8_t>(value & 0xFF);
  return s <= -127 ? -1.0f : static_cast<float>(s) / 127.0f;
}
float snorm16(std::uint32_t value) {
  auto s = static_cast<std::int16_t>(value & 0xFFFF);
  return s <= -32767 ? -1.0f : static_cast<float>(s) / 32767.0f;
}
float snormBits(std::uint32_t value, unsigned count) {
  std::int32_t s = static_cast<std::int32_t>(value << (32 - count)) >> (32 - count);
  float maximum = static_cast<float>((1 << (count - 1)) - 1);
  return std::fmax(static_cast<float>(s) / maximum, -1.0f);
}

TexelColor readA8R8G8B8(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint32_t>(row + 4 * x);
  return {bits(w, 16, 8), bits(w, 8, 8), bits(w, 0, 8), bits(w, 24, 8)};
}
TexelColor readX8R8G8B8(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint32_t>(row + 4 * x);
  return {bits(w, 16, 8), bits(w, 8, 8), bits(w, 0, 8), 1.0f};
}
TexelColor readA8B8G8R8(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint32_t>(row + 4 * x);
  return {bits(w, 0, 8), bits(w, 8, 8), bits(w, 16, 8), bits(w, 24, 8)};
}
TexelColor readX8B8G8R8(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint32_t>(row + 4 * x);
  return {bits(w, 0, 8), bits(w, 8, 8), bits(w, 16, 8), 1.0f};
}
TexelColor readR8G8B8(const std::byte* row, unsigned x, unsigned) {
  const std::byte* p = row + 3 * x;
  return {unorm(std::to_integer<unsigned>(p[2]), 8), unorm(std::to_integer<unsigned>(p[1]), 8),
          unorm(std::to_integer<unsigned>(p[0]), 8), 1.0f};
}
TexelColor readR5G6B5(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint16_t>(row + 2 * x);
  return {bits(w, 11, 5), bits(w, 5, 6), bits(w, 0, 5), 1.0f};
}
TexelColor readX1R5G5B5(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint16_t>(row + 2 * x);
  return {bits(w, 10, 5), bits(w, 5, 5), bits(w, 0, 5), 1.0f};
}
TexelColor readA1R5G5B5(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint16_t>(row + 2 * x);
  return {bits(w, 10, 5), bits(w, 5, 5), bits(w, 0, 5), bits(w, 15, 1)};
}
TexelColor readA4R4G4B4(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint16_t>(row + 2 * x);
  return {bits(w, 8, 4), bits(w, 4, 4), bits(w, 0, 4), bits(w, 12, 4)};
}
TexelColor readX4R4G4B4(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint16_t>(row + 2 * x);
  return {bits(w, 8, 4), bits(w, 4, 4), bits(w, 0, 4), 1.0f};
}
TexelColor readR3G3B2(const std::byte* row, unsigned x, unsigned) {
  auto w = std::to_integer<std::uint32_t>(row[x]);
  return {bits(w, 5, 3), bits(w, 2, 3), bits(w, 0, 2), 1.0f};
}
TexelColor readA8R3G3B2(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint16_t>(row + 2 * x);
  return {bits(w, 5, 3), bits(w, 2, 3), bits(w, 0, 2), bits(w, 8, 8)};
}
TexelColor readA8(const std::byte* row, unsigned x, unsigned) {
  return {0, 0, 0, unorm(std::to_integer<unsigned>(row[x]), 8)};
}
TexelColor readA2R10G10B10(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint32_t>(row + 4 * x);
  return {bits(w, 20, 10), bits(w, 10, 10), bits(w, 0, 10), bits(w, 30, 2)};
}
TexelColor readA2B10G10R10(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint32_t>(row + 4 * x);
  return {bits(w, 0, 10), bits(w, 10, 10), bits(w, 20, 10), bits(w, 30, 2)};
}
TexelColor readG16R16(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint32_t>(row + 4 * x);
  return {bits(w, 0, 16), bits(w, 16, 16), 1.0f, 1.0f};
}
TexelColor readA16B16G16R16(const std::byte* row, unsigned x, unsigned) {
  const std::byte* p = row + 8 * x;
  return {unorm(loadUnaligned<std::uint16_t>(p), 16), unorm(loadUnaligned<std::uint16_t>(p + 2), 16),
          unorm(loadUnaligned<std::uint16_t>(p + 4), 16), unorm(loadUnaligned<std::uint16_t>(p + 6), 16)};
}
TexelColor readL8(const std::byte* row, unsigned x, unsigned) {
  float l = unorm(std::to_integer<unsigned>(row[x]), 8);
  return {l, l, l, 1.0f};
}
TexelColor readL16(const std::byte* row, unsigned x, unsigned) {
  float l = unorm(loadUnaligned<std::uint16_t>(row + 2 * x), 16);
  return {l, l, l, 1.0f};
}
TexelColor readA8L8(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint16_t>(row + 2 * x);
  float l = bits(w, 0, 8);
  return {l, l, l, bits(w, 8, 8)};
}
TexelColor readA4L4(const std::byte* row, unsigned x, unsigned) {
  auto w = std::to_integer<std::uint32_t>(row[x]);
  float l = bits(w, 0, 4);
  return {l, l, l, bits(w, 4, 4)};
}
TexelColor readV8U8(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint16_t>(row + 2 * x);
  return {snorm8(w), snorm8(w >> 8), 1.0f, 1.0f};
}
TexelColor readCxV8U8(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint16_t>(row + 2 * x);
  float u = snorm8(w), v = snorm8(w >> 8);
  return {u, v, std::sqrt(std::fmax(0.0f, 1.0f - u * u - v * v)), 1.0f};
}
TexelColor readL6V5U5(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint16_t>(row + 2 * x);
  return {snormBits(w & 0x1F, 5), snormBits((w >> 5) & 0x1F, 5), bits(w, 10, 6), 1.0f};
}
TexelColor readX8L8V8U8(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint32_t>(row + 4 * x);
  return {snorm8(w), snorm8(w >> 8), bits(w, 16, 8), 1.0f};
}
TexelColor readQ8W8V8U8(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint32_t>(row + 4 * x);
  return {snorm8(w), snorm8(w >> 8), snorm8(w >> 16), snorm8(w >> 24)};
}
TexelColor readV16U16(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint32_t>(row + 4 * x);
  return {snorm16(w), snorm16(w >> 16), 1.0f, 1.0f};
}
TexelColor readQ16W16V16U16(const std::byte* row, unsigned x, unsigned) {
  const std::byte* p = row + 8 * x;
  return {snorm16(loadUnaligned<std::uint16_t>(p)), snorm16(loadUnaligned<std::uint16_t>(p + 2)),
          snorm16(loadUnaligned<std::uint16_t>(p + 4)), snorm16(loadUnaligned<std::uint16_t>(p + 6))};
}
TexelColor readA2W10V10U10(const std::byte* row, unsigned x, unsigned) {
  auto w = loadUnaligned<std::uint32_t>(row + 4 * x);
  return {snormBits(w & 0x3FF, 10), snormBits((w >> 10) & 0x3FF, 10), snormBits((w >> 20) & 0x3FF, 10), bits(w, 30, 2)};
}
TexelColor readR16F(const std::byte* row, unsigned x, unsigned) {
  return {halfToFloat(loadUnaligned<std::uint16_t>(row + 2 * x)), 1.0f, 1.0f, 1.0f};
}
TexelColor readG16R16F(const std::byte* row, unsigned x, unsigned) {
  const std::byte* p = row + 4 * x;
  return {halfToFloat(loadUnaligned<std::uint16_t>(p)), halfToFloat(loadUnaligned<std::uint16_t>(p + 2)), 1.0f, 1.0f};
}
TexelColor readA16B16G16R16F(const std::byte* row, unsigned x, unsigned) {
  const std::byte* p = row + 8 * x;
  return {halfToFloat(loadUnaligned<std::uint16_t>(p)), halfToFloat(loadUnaligned<std::uint16_t>(p + 2)),
          halfToFloat(loadUnaligned<std::uint16_t>(p + 4)), halfToFloat(loadUnaligned<std::uint16_t>(p + 6))};
}
TexelColor readR32F(const std::byte* row, unsigned x, unsigned) {
  return {loadUnaligned<float>(row + 4 * x), 1.0f, 1.0f, 1.0f};
}
TexelColor readG32R32F(const std::byte* row, unsigned x, unsigned) {
  return {loadUnaligned<float>(row + 8 * x), loadUnaligned<float>(row + 8 * x + 4), 1.0f, 1.0f};
}
TexelColor readA32B32G32R32F(const std::byte* row, unsigned x, unsigned) {
  const std::byte* p = row + 16 * x;
  return {loadUnaligned<float>(p), loadUnaligned<float>(p + 4), loadUnaligned<float>(p + 8),
          loadUnaligned<float>(p + 12)};
}

// The colour block shared by the DXT formats: two 5:6:5 end points and 2-bit indices.
TexelColor dxtColor(const std::byte* block, unsigned x, unsigned y, bool allowTransparent) {
  auto c0 = loadUnaligned<std::uint16_t>(block);
  auto c1 = loadUnaligned<std::uint16_t>(block + 2);
  auto indices = loadUnaligned<std::uint32_t>(block + 4);
  unsigned index = (indices >> (2 * ((y & 3) * 4 + (x & 3)))) & 3;
  TexelColor a{bits(c0, 11, 5), bits(c0, 5, 6), bits(c0, 0, 5), 1.0f};
  TexelColor b{bits(c1, 11, 5), bits(c1, 5, 6), bits(c1, 0, 5), 1.0f};
  TexelColor out{};
  bool fourColors = !allowTransparent || c0 > c1;
  for (int i = 0; i < 3; ++i) {
    switch (index) {
      case 0: out[i] = a[i]; break;
      case 1: out[i] = b[i]; break;
      case 2: out[i] = fourColors ? (2 * a[i] + b[i]) / 3 : (a[i] + b[i]) / 2; break;
      default: out[i] = fourColors ? (a[i] + 2 * b[i]) / 3 : 0.0f; break;
    }
  }
  out[3] = (!fourColors && index == 3) ? 0.0f : 1.0f;
  return out;
}
TexelColor readDxt1(const std::byte* row, unsigned x, unsigned y) { return dxtColor(row + 8 * (x / 4), x, y, true); }
TexelColor readDxt3(const std::byte* row, unsigned x, unsigned y) {
  const std::byte* block = row + 16 * (x / 4);
  TexelColor out = dxtColor(block + 8, x, y, false);
  auto alphas = loadUnaligned<std::uint64_t>(block);
  out[3] = unorm(static_cast<std::uint32_t>((alphas >> (4 * ((y & 3) * 4 + (x & 3)))) & 0xF), 4);
  return out;
}
TexelColor readDxt5(const std::byte* row, unsigned x, unsigned y) {
  const std::byte* block = row + 16 * (x / 4);
  TexelColor out = dxtColor(block + 8, x, y, false);
  float a0 = unorm(std::to_integer<unsigned>(block[0]), 8);
  float a1 = unorm(std::to_integer<unsigned>(block[1]), 8);
  std::uint64_t indices = 0;
  std::memcpy(&indices, block + 2, 6);
  unsigned index = static_cast<unsigned>((indices >> (3 * ((y & 3) * 4 + (x & 3)))) & 7);
  if (index == 0) {
    out[3] = a0;
  } else if (index == 1) {
    out[3] = a1;
  } else if (a0 > a1) {
    out[3] = (static_cast<float>(8 - index) * a0 + static_cast<float>(index - 1) * a1) / 7.0f;
  } else if (index < 6) {
    out[3] = (static_cast<float>(6 - index) * a0 + static_cast<float>(index - 1) * a1) / 5.0f;
  } else {
    out[3] = index == 6 ? 0.0f : 1.0f;
  }
  return out;
}

struct ReaderRow {
  D3DFORMAT format;
  TexelReader reader;
};

constexpr ReaderRow kReaders[] = {
    {D3DFMT_A8R8G8B8, readA8R8G8B8},
    {D3DFMT_X8R8G8B8, readX8R8G8B8},
    {D3DFMT_A8B8G8R8, readA8B8G8R8},
    {D3DFMT_X8B8G8R8, readX8B8G8R8},
    {D3DFMT_R8G8B8, readR8G8B8},
    {D3DFMT_R5G6B5, readR5G6B5},
    {D3DFMT_X1R5G5B5, readX1R5G5B5},
    {D3DFMT_A1R5G5B5, readA1R5G5B5},
    {D3DFMT_A4R4G4B4, readA4R4G4B4},
    {D3DFMT_X4R4G4B4, readX4R4G4B4},
    {D3DFMT_R3G3B2, readR3G3B2},
    {D3DFMT_A8R3G3B2, readA8R3G3B2},
    {D3DFMT_A8, readA8},
    {D3DFMT_A2R10G10B10, readA2R10G10B10},
    {D3DFMT_A2B10G10R10, readA2B10G10R10},
    {D3DFMT_G16R16, readG16R16},
    {D3DFMT_A16B16G16R16, readA16B16G16R16},
    {D3DFMT_L8, readL8},
    {D3DFMT_L16, readL16},
    {D3DFMT_A8L8, readA8L8},
    {D3DFMT_A4L4, readA4L4},
    {D3DFMT_V8U8, readV8U8},
    {D3DFMT_CxV8U8, readCxV8U8},
    {D3DFMT_L6V5U5, readL6V5U5},
    {D3DFMT_X8L8V8U8, readX8L8V8U8},
    {D3DFMT_Q8W8V8U8, readQ8W8V8U8},
    {D3DFMT_V16U16, readV16U16},
    {D3DFMT_Q16W16V16U16, readQ16W16V16U16},
    {D3DFMT_A2W10V10U10, readA2W10V10U10},
    {D3DFMT_R16F, readR16F},
    {D3DFMT_G16R16F, readG16R16F},
    {D3DFMT_A16B16G16R16F, readA16B16G16R16F},
    {D3DFMT_R32F, readR32F},
    {D3DFMT_G32R32F, readG32R32F},
    {D3DFMT_A32B32G32R32F, readA32B32G32R32F},
    {D3DFMT_DXT1, readDxt1},
    {D3DFMT_DXT2, readDxt3},
    {D3DFMT_DXT3, readDxt3},
    {D3DFMT_DXT4, readDxt5},
    {D3DFMT_DXT5, readDxt5},
};

}  // namespace

float halfToFloat(unsigned short half) {
  unsigned sign = (half >> 15) & 1;
  unsigned exponent = (half >> 10) & 0x1F;
  unsigned mantissa = half & 0x3FF;
  float value;
  if (exponent == 0) {
    value = std::ldexp(static_cast<float>(mantissa), -24);
  } else if (exponent == 31) {
    value = mantissa ? NAN : INFINITY;
  } else {
    value = std::ldexp(static_cast<float>(mantissa | 0x400), static_cast<int>(exponent) - 25);
  }
  return sign ? -value : value;
}

TexelReader texelReaderFor(D3DFORMAT format) {
  for (const ReaderRow& row : kReaders) {
    if (row.format == format) return row.reader;
  }
  return nullptr;
}

}  // namespace platform::d3d9
