// Reading one texel of any format the device samples, as four floats (red, green, blue,
// alpha) with the platform's values for the channels a format lacks.
#pragma once

#include <array>
#include <cstddef>

#include "platform/d3d9/d3d9_types.h"

namespace platform::d3d9 {

using TexelColor = std::array<float, 4>;

// Reads texel (x, y) of a row of blocks starting at `row` (block formats pick the texel inside
// their 4x4 block; `y` is the row inside the block for them, `x` the column in the surface).
using TexelReader = TexelColor (*)(const std::byte* row, unsigned x, unsigned y);

// The reader for a format, or null for a format the sampler cannot read.
TexelReader texelReaderFor(D3DFORMAT format);

// 16-bit float to float.
float halfToFloat(unsigned short half);

}  // namespace platform::d3d9
