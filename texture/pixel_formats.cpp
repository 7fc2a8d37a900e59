#include "texture/pixel_formats.h"

#include <array>

namespace {

constexpr FormatClass colour = FormatClass::colour;
constexpr FormatClass palettised = FormatClass::palettised;
constexpr FormatClass luminance = FormatClass::luminance;
constexpr FormatClass bump = FormatClass::signedBump;
constexpr FormatClass depth = FormatClass::depthStencil;

// Rows in search order. Columns: format, class, bits per pixel, extra bits,
// channel widths (A R G B / Q W V U / 0 0 stencil depth), returnable.
constexpr std::array formatTable = std::to_array<FormatDescriptor>({
    {D3DFMT_R8G8B8, colour, 24, 0, 0, 8, 8, 8, 0},
    {D3DFMT_A8R8G8B8, colour, 32, 0, 8, 8, 8, 8, 1},
    {D3DFMT_X8R8G8B8, colour, 32, 0, 0, 8, 8, 8, 1},
    {D3DFMT_R5G6B5, colour, 16, 0, 0, 5, 6, 5, 1},
    {D3DFMT_X1R5G5B5, colour, 16, 0, 0, 5, 5, 5, 1},
    {D3DFMT_A8P8, palettised, 16, 0, 8, 8, 8, 8, 1},
    {D3DFMT_P8, palettised, 8, 0, 8, 8, 8, 8, 1},
    {D3DFMT_A1R5G5B5, colour, 16, 0, 1, 5, 5, 5, 1},
    {D3DFMT_A4R4G4B4, colour, 16, 0, 4, 4, 4, 4, 1},
    {D3DFMT_R3G3B2, colour, 8, 0, 0, 3, 3, 2, 1},
    {D3DFMT_A8, colour, 8, 0, 8, 0, 0, 0, 1},
    {D3DFMT_A8R3G3B2, colour, 16, 0, 8, 3, 3, 2, 1},
    {D3DFMT_X4R4G4B4, colour, 16, 0, 0, 4, 4, 4, 1},
    {D3DFMT_A2B10G10R10, colour, 32, 0, 2, 10, 10, 10, 1},
    {D3DFMT_A8B8G8R8, colour, 32, 0, 8, 8, 8, 8, 1},
    {D3DFMT_X8B8G8R8, colour, 32, 0, 0, 8, 8, 8, 1},
    {D3DFMT_G16R16, colour, 32, 0, 0, 16, 16, 0, 1},
    {D3DFMT_A2R10G10B10, colour, 32, 0, 2, 10, 10, 10, 1},
    {D3DFMT_A16B16G16R16, colour, 64, 0, 16, 16, 16, 16, 1},

    {D3DFMT_L8, luminance, 8, 0, 0, 8, 8, 8, 1},
    {D3DFMT_A8L8, luminance, 16, 0, 8, 8, 8, 8, 1},
    {D3DFMT_A4L4, luminance, 8, 0, 4, 4, 4, 4, 1},
    {D3DFMT_L16, luminance, 16, 0, 0, 16, 16, 16, 1},

    {D3DFMT_V8U8, bump, 16, 0, 0, 0, 8, 8, 1},
    {D3DFMT_L6V5U5, bump, 16, 6, 0, 0, 5, 5, 1},
    {D3DFMT_X8L8V8U8, bump, 32, 8, 0, 0, 8, 8, 1},
    {D3DFMT_Q8W8V8U8, bump, 32, 0, 8, 8, 8, 8, 1},
    {D3DFMT_V16U16, bump, 32, 0, 0, 0, 16, 16, 1},
    {D3DFMT_A2W10V10U10, bump, 32, 2, 0, 10, 10, 10, 1},
    {D3DFMT_Q16W16V16U16, bump, 64, 0, 16, 16, 16, 16, 1},
    {D3DFMT_CxV8U8, bump, 16, 0, 0, 0, 8, 8, 0},

    {D3DFMT_UYVY, colour, 16, 0, 0, 8, 8, 8, 0},
    {D3DFMT_R8G8_B8G8, colour, 16, 0, 0, 8, 8, 8, 0},
    {D3DFMT_YUY2, colour, 16, 0, 0, 8, 8, 8, 0},
    {D3DFMT_G8R8_G8B8, colour, 16, 0, 0, 8, 8, 8, 0},
    {D3DFMT_DXT1, colour, 16, 0, 1, 5, 6, 5, 0},
    {D3DFMT_DXT2, colour, 16, 0, 4, 5, 6, 5, 0},
    {D3DFMT_DXT3, colour, 16, 0, 4, 5, 6, 5, 0},
    {D3DFMT_DXT4, colour, 16, 0, 8, 5, 6, 5, 0},
    {D3DFMT_DXT5, colour, 16, 0, 8, 5, 6, 5, 0},

    {D3DFMT_D16_LOCKABLE, depth, 16, 1, 0, 0, 0, 16, 1},
    {D3DFMT_D32F_LOCKABLE, depth, 32, 1, 0, 0, 0, 32, 0},
    {D3DFMT_D32, depth, 32, 0, 0, 0, 0, 32, 1},
    {D3DFMT_D15S1, depth, 16, 0, 0, 0, 1, 15, 1},
    {D3DFMT_D24S8, depth, 32, 0, 0, 0, 8, 24, 1},
    {D3DFMT_D16, depth, 16, 0, 0, 0, 0, 16, 1},
    {D3DFMT_D24X8, depth, 32, 0, 0, 0, 0, 24, 1},
    {D3DFMT_D24X4S4, depth, 32, 0, 0, 0, 4, 24, 1},
    {D3DFMT_D24FS8, depth, 32, 0, 0, 0, 8, 24, 0},

    {D3DFMT_R16F, colour, 16, 0, 0, 16, 0, 0, 0},
    {D3DFMT_G16R16F, colour, 32, 0, 0, 16, 16, 0, 0},
    {D3DFMT_A16B16G16R16F, colour, 64, 0, 16, 16, 16, 16, 0},
    {D3DFMT_R32F, colour, 32, 0, 0, 32, 0, 0, 0},
    {D3DFMT_G32R32F, colour, 64, 0, 0, 32, 32, 0, 0},
    {D3DFMT_A32B32G32R32F, colour, 128, 0, 32, 32, 32, 32, 0},

    {D3DFMT_INTERNAL_AL16, luminance, 32, 0, 16, 16, 16, 16, 0},
    {D3DFMT_INTERNAL_R16, colour, 48, 0, 0, 16, 16, 16, 0},
});

constexpr FormatDescriptor fallbackRow{D3DFMT_UNKNOWN, colour, 32, 0, 8, 8, 8, 8, 0};

}  // namespace

std::span<const FormatDescriptor> formatDescriptors() { return formatTable; }

const FormatDescriptor& describeFormat(D3DFORMAT format) {
  for (const auto& row : formatTable) {
    if (row.format == format) return row;
  }
  return fallbackRow;
}

D3DFORMAT toTextureFormat(D3DFORMAT format) {
  if (format == D3DFMT_INTERNAL_AL16) return D3DFMT_A8L8;
  if (format == D3DFMT_INTERNAL_R16) return D3DFMT_R8G8B8;
  return format;
}
