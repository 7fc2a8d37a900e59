#include "texture/rgba8_preview.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "texture/pixel_formats.h"

namespace {

// Packed formats of up to 32 bits: channel masks of the little-endian pixel value.
struct PackedLayout {
  D3DFORMAT format;
  std::uint32_t bytes;
  std::uint32_t red, green, blue, alpha;
  bool luminance;  // the red mask holds luminance
};

constexpr std::array<PackedLayout, 21> kPackedLayouts{{
    {D3DFMT_R8G8B8, 3, 0xFF0000, 0xFF00, 0xFF, 0, false},
    {D3DFMT_A8R8G8B8, 4, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, false},
    {D3DFMT_X8R8G8B8, 4, 0xFF0000, 0xFF00, 0xFF, 0, false},
    {D3DFMT_R5G6B5, 2, 0xF800, 0x7E0, 0x1F, 0, false},
    {D3DFMT_X1R5G5B5, 2, 0x7C00, 0x3E0, 0x1F, 0, false},
    {D3DFMT_A1R5G5B5, 2, 0x7C00, 0x3E0, 0x1F, 0x8000, false},
    {D3DFMT_A4R4G4B4, 2, 0xF00, 0xF0, 0xF, 0xF000, false},
    {D3DFMT_X4R4G4B4, 2, 0xF00, 0xF0, 0xF, 0, false},
    {D3DFMT_R3G3B2, 1, 0xE0, 0x1C, 0x3, 0, false},
    {D3DFMT_A8R3G3B2, 2, 0xE0, 0x1C, 0x3, 0xFF00, false},
    {D3DFMT_A8, 1, 0, 0, 0, 0xFF, false},
    {D3DFMT_A2B10G10R10, 4, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000, false},
    {D3DFMT_A2R10G10B10, 4, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000, false},
    {D3DFMT_A8B8G8R8, 4, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, false},
    {D3DFMT_X8B8G8R8, 4, 0xFF, 0xFF00, 0xFF0000, 0, false},
    {D3DFMT_G16R16, 4, 0xFFFF, 0xFFFF0000, 0, 0, false},
    {D3DFMT_L8, 1, 0xFF, 0, 0, 0, true},
    {D3DFMT_A8L8, 2, 0xFF, 0, 0, 0xFF00, true},
    {D3DFMT_A4L4, 1, 0xF, 0, 0, 0xF0, true},
    {D3DFMT_L16, 2, 0xFFFF, 0, 0, 0, true},
    {D3DFMT_INTERNAL_AL16, 4, 0xFFFF, 0, 0, 0xFFFF0000, true},
}};

std::uint8_t extract(std::uint32_t pixel, std::uint32_t mask, std::uint8_t missing) {
  if (mask == 0) return missing;
  const int shift = std::countr_zero(mask);
  const std::uint64_t maximum = mask >> shift;
  const std::uint64_t value = (pixel & mask) >> shift;
  return static_cast<std::uint8_t>((value * 255 + maximum / 2) / maximum);
}

std::uint8_t from16(const std::uint8_t* sample) {
  const std::uint32_t value = sample[0] | (std::uint32_t{sample[1]} << 8);
  return static_cast<std::uint8_t>((value * 255 + 32767) / 65535);
}

std::uint8_t fromFloat(const std::uint8_t* sample) {
  float value = 0;
  std::memcpy(&value, sample, sizeof(value));
  if (!(value > 0.0f)) return 0;  // NaN as well
  return value >= 1.0f ? 255 : static_cast<std::uint8_t>(value * 255.0f + 0.5f);
}

}  // namespace

bool convertToRgba8(const DecodedImage& image, std::vector<std::uint8_t>& rgba) {
  if (!image.pixels) return false;
  const std::size_t width = image.width;
  std::vector<std::uint8_t> out(width * image.height * 4);
  const auto* packed = std::find_if(kPackedLayouts.begin(), kPackedLayouts.end(),
                                    [&](const PackedLayout& layout) { return layout.format == image.format; });
  for (std::size_t y = 0; y < image.height; ++y) {
    const std::uint8_t* row = image.pixels + y * image.rowPitch;
    std::uint8_t* target = out.data() + y * width * 4;
    for (std::size_t x = 0; x < width; ++x, target += 4) {
      if (packed != kPackedLayouts.end()) {
        std::uint32_t pixel = 0;
        for (std::uint32_t b = 0; b < packed->bytes; ++b) pixel |= std::uint32_t{row[x * packed->bytes + b]} << (8 * b);
        target[0] = extract(pixel, packed->red, 0);
        target[1] = packed->luminance ? target[0] : extract(pixel, packed->green, 0);
        target[2] = packed->luminance ? target[0] : extract(pixel, packed->blue, 0);
        target[3] = extract(pixel, packed->alpha, 255);
      } else if (image.format == D3DFMT_P8) {
        if (!image.palette) return false;
        const PALETTEENTRY& entry = image.palette[row[x]];
        target[0] = entry.peRed;
        target[1] = entry.peGreen;
        target[2] = entry.peBlue;
        target[3] = entry.peFlags;
      } else if (image.format == D3DFMT_INTERNAL_R16) {
        const std::uint8_t* pixel = row + x * 6;  // blue, green, red
        target[0] = from16(pixel + 4);
        target[1] = from16(pixel + 2);
        target[2] = from16(pixel);
        target[3] = 255;
      } else if (image.format == D3DFMT_A16B16G16R16) {
        for (int c = 0; c < 4; ++c) target[c] = from16(row + x * 8 + 2 * c);
      } else if (image.format == D3DFMT_A32B32G32R32F) {
        for (int c = 0; c < 4; ++c) target[c] = fromFloat(row + x * 16 + 4 * c);
      } else {
        return false;
      }
    }
  }
  rgba = std::move(out);
  return true;
}
