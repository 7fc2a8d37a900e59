// What the texture code knows about each pixel format: one descriptor row per format, the
// two internal formats that decoders produce, and the filter values of conversion and loading.
#pragma once

#include <cstdint>
#include <span>

#include "platform/d3d9/d3d9_types.h"

// Decoder-only formats: 16-bit luminance with 16-bit alpha, and 16-bit-per-channel RGB.
inline constexpr D3DFORMAT D3DFMT_INTERNAL_AL16 = static_cast<D3DFORMAT>(MAKEFOURCC('A', 'L', '1', '6'));
inline constexpr D3DFORMAT D3DFMT_INTERNAL_R16 = static_cast<D3DFORMAT>(MAKEFOURCC(' ', 'R', '1', '6'));

enum class FormatClass : std::uint32_t {
  colour = 0,
  palettised = 1,
  luminance = 2,
  signedBump = 3,
  depthStencil = 4,
};

// Nine 32-bit fields. Channel widths are alpha, red, green, blue for the colour, palette and
// luminance classes; Q, W, V, U for bump formats; 0, 0, stencil, depth for depth formats.
struct FormatDescriptor {
  D3DFORMAT format;
  FormatClass formatClass;
  std::uint32_t bitsPerPixel;
  // Luminance bits of the mixed bump formats; 1 for the lockable depth formats.
  std::uint32_t extraBits;
  std::uint32_t alphaBits;
  std::uint32_t redBits;
  std::uint32_t greenBits;
  std::uint32_t blueBits;
  // The closest-format search may return this row.
  std::uint32_t returnable;
};
static_assert(sizeof(FormatDescriptor) == 9 * 4);

// Every row, in the closest-format search's order.
std::span<const FormatDescriptor> formatDescriptors();
// The row of `format`, or the fallback row (format 0, colour, 32 bpp, 8-8-8-8, not returnable).
const FormatDescriptor& describeFormat(D3DFORMAT format);
// The internal formats as texture formats: "AL16" is D3DFMT_A8L8, " R16" is D3DFMT_R8G8B8.
D3DFORMAT toTextureFormat(D3DFORMAT format);

// Filters: one of the first five in the low 16 bits, plus flags.
inline constexpr std::uint32_t RESAMPLE_NONE = 1;
inline constexpr std::uint32_t RESAMPLE_POINT = 2;
inline constexpr std::uint32_t RESAMPLE_LINEAR = 3;
inline constexpr std::uint32_t RESAMPLE_TRIANGLE = 4;
inline constexpr std::uint32_t RESAMPLE_BOX = 5;
inline constexpr std::uint32_t RESAMPLE_MIRROR_U = 0x10000;
inline constexpr std::uint32_t RESAMPLE_MIRROR_V = 0x20000;
inline constexpr std::uint32_t RESAMPLE_MIRROR_W = 0x40000;
inline constexpr std::uint32_t RESAMPLE_MIRROR = RESAMPLE_MIRROR_U | RESAMPLE_MIRROR_V | RESAMPLE_MIRROR_W;
inline constexpr std::uint32_t RESAMPLE_DITHER = 0x80000;
inline constexpr std::uint32_t RESAMPLE_GAMMA_IN = 0x100000;
inline constexpr std::uint32_t RESAMPLE_GAMMA_OUT = 0x200000;
// Bits at or above this one are not filter flags.
inline constexpr std::uint32_t RESAMPLE_FIRST_INVALID_FLAG = 0x400000;
// "-1" as a filter argument: triangle filtering with dithering.
inline constexpr std::uint32_t RESAMPLE_DEFAULT = RESAMPLE_TRIANGLE | RESAMPLE_DITHER;
