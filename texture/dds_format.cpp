#include "texture/dds_format.h"

#include <array>

#include "texture/pixel_formats.h"

namespace {

constexpr DdsFormatRow code(D3DFORMAT format) { return {format, kDdsFourCcFlag, 0, 0, 0, 0, 0}; }

// First match wins. Rows with the four-character-code flag match by the code alone (stored in
// `format`), for the formats without a code of their own the format number.
constexpr std::array<DdsFormatRow, 48> kDdsFormats{{
    {D3DFMT_R8G8B8, 0x40, 24, 0xFF0000, 0xFF00, 0xFF, 0},
    {D3DFMT_A8R8G8B8, 0x41, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    {D3DFMT_X8R8G8B8, 0x40, 32, 0xFF0000, 0xFF00, 0xFF, 0},
    {D3DFMT_R5G6B5, 0x40, 16, 0xF800, 0x7E0, 0x1F, 0},
    {D3DFMT_X1R5G5B5, 0x40, 16, 0x7C00, 0x3E0, 0x1F, 0},
    {D3DFMT_A1R5G5B5, 0x41, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
    {D3DFMT_A4R4G4B4, 0x41, 16, 0xF00, 0xF0, 0xF, 0xF000},
    {D3DFMT_R3G3B2, 0x40, 8, 0xE0, 0x1C, 0x3, 0},
    {D3DFMT_A8, 0x2, 8, 0, 0, 0, 0xFF},
    {D3DFMT_A8R3G3B2, 0x41, 16, 0xE0, 0x1C, 0x3, 0xFF00},
    {D3DFMT_X4R4G4B4, 0x40, 16, 0xF00, 0xF0, 0xF, 0},
    {D3DFMT_A2B10G10R10, 0x41, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
    {D3DFMT_A8B8G8R8, 0x41, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
    {D3DFMT_X8B8G8R8, 0x40, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {D3DFMT_G16R16, 0x40, 32, 0xFFFF, 0xFFFF0000, 0, 0},
    {D3DFMT_A2R10G10B10, 0x41, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
    {D3DFMT_A8P8, 0x21, 16, 0, 0, 0, 0xFF00},
    {D3DFMT_P8, 0x20, 8, 0, 0, 0, 0},
    {D3DFMT_L8, 0x20000, 8, 0xFF, 0, 0, 0},
    {D3DFMT_A8L8, 0x20001, 16, 0xFF, 0, 0, 0xFF00},
    {D3DFMT_A4L4, 0x20001, 8, 0xF, 0, 0, 0xF0},
    {D3DFMT_L16, 0x20000, 16, 0xFFFF, 0, 0, 0},
    {D3DFMT_V8U8, 0x80000, 16, 0xFF, 0xFF00, 0, 0},
    {D3DFMT_L6V5U5, 0x40000, 16, 0x1F, 0x3E0, 0xFC00, 0},
    {D3DFMT_X8L8V8U8, 0x40000, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {D3DFMT_Q8W8V8U8, 0x80000, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
    {D3DFMT_V16U16, 0x80000, 32, 0xFFFF, 0xFFFF0000, 0, 0},
    {D3DFMT_A2W10V10U10, 0x80001, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
    {D3DFMT_D16_LOCKABLE, 0x400, 16, 0, 0xFFFF, 0, 0},
    code(D3DFMT_UYVY),
    code(D3DFMT_R8G8_B8G8),
    code(D3DFMT_YUY2),
    code(D3DFMT_G8R8_G8B8),
    code(D3DFMT_DXT1),
    code(D3DFMT_DXT2),
    code(D3DFMT_DXT3),
    code(D3DFMT_DXT4),
    code(D3DFMT_DXT5),
    code(D3DFMT_D32F_LOCKABLE),
    code(D3DFMT_A16B16G16R16),
    code(D3DFMT_Q16W16V16U16),
    code(D3DFMT_R16F),
    code(D3DFMT_G16R16F),
    code(D3DFMT_A16B16G16R16F),
    code(D3DFMT_R32F),
    code(D3DFMT_G32R32F),
    code(D3DFMT_A32B32G32R32F),
    code(D3DFMT_CxV8U8),
}};

// Which fields a row compares, by the flags that make them meaningful.
constexpr std::uint32_t kComparesBitCount = 0xC4462;
constexpr std::uint32_t kComparesRed = 0xE4040;
constexpr std::uint32_t kComparesGreen = 0xC4440;
constexpr std::uint32_t kComparesBlue = 0xC4040;
constexpr std::uint32_t kComparesAlpha = 0x80003;

}  // namespace

std::span<const DdsFormatRow> ddsFormatRows() { return kDdsFormats; }

D3DFORMAT ddsFormatOf(const DdsPixelFormat& pf) {
  if (pf.size != 32) return D3DFMT_UNKNOWN;
  const std::uint32_t flags = (pf.flags & kDdsFourCcFlag) ? kDdsFourCcFlag : pf.flags;
  for (const auto& row : kDdsFormats) {
    if (row.flags != flags) continue;
    if (flags == kDdsFourCcFlag) {
      if (pf.fourCc == static_cast<std::uint32_t>(row.format)) return row.format;
      continue;
    }
    if ((flags & kComparesBitCount) && pf.bitCount != row.bitCount) continue;
    if ((flags & kComparesRed) && pf.red != row.red) continue;
    if ((flags & kComparesGreen) && pf.green != row.green) continue;
    if ((flags & kComparesBlue) && pf.blue != row.blue) continue;
    if ((flags & kComparesAlpha) && pf.alpha != row.alpha) continue;
    return row.format;
  }
  return D3DFMT_UNKNOWN;
}

const DdsFormatRow* ddsFormatRowFor(D3DFORMAT format) {
  for (const auto& row : kDdsFormats) {
    if (row.format == format) return &row;
  }
  return nullptr;
}

DdsLevelLayout ddsLevelLayout(D3DFORMAT format, std::uint32_t width, std::uint32_t height) {
  std::uint64_t blockBytes = format == D3DFMT_DXT1 ? 8 : 16;
  switch (format) {
    case D3DFMT_DXT1:
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5: {
      std::uint64_t pitch = (std::uint64_t{width} + 3) / 4 * blockBytes;
      return {pitch, pitch * ((std::uint64_t{height} + 3) / 4)};
    }
    case D3DFMT_UYVY:
    case D3DFMT_YUY2:
    case D3DFMT_R8G8_B8G8:
    case D3DFMT_G8R8_G8B8: {
      std::uint64_t pitch = (std::uint64_t{width} + 1) / 2 * 4;
      return {pitch, pitch * height};
    }
    default: {
      std::uint64_t pitch = std::uint64_t{width} * describeFormat(format).bitsPerPixel / 8;
      return {pitch, pitch * height};
    }
  }
}
