// Reading and writing single pixels of the unsigned-normalised colour formats the device
// clears, presents, stretches and draws its cursor with. Colours travel as four floats
// (alpha, red, green, blue order is not used: index 0 red, 1 green, 2 blue, 3 alpha).
#pragma once

#include <cstddef>

#include "platform/d3d9/d3d9_types.h"

namespace platform::d3d9 {

struct Color4 {
  float r = 0, g = 0, b = 0, a = 1;
};

bool hasPixelCodec(D3DFORMAT format);
// Both return false for a format without a codec. Channels a format lacks read as 1
// (alpha) or as luminance (for the luminance formats).
bool decodePixel(D3DFORMAT format, const std::byte* pixel, Color4* color);
bool encodePixel(D3DFORMAT format, const Color4& color, std::byte* pixel);

Color4 colorFromArgb(D3DCOLOR argb);
D3DCOLOR argbFromColor(const Color4& color);

// Depth and stencil as the depth formats store them: depth in the high bits of the pixel
// word (after the stencil bits of the formats that have them), unsigned normalised.
bool encodeDepthStencil(D3DFORMAT format, float depth, DWORD stencil, bool writeDepth, bool writeStencil,
                        std::byte* pixel);

}  // namespace platform::d3d9
