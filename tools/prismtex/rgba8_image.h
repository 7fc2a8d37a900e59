// Level 0 of the first face of a decoded image as 8-bit RGBA, through the pixel converter, for
// looking at decoded pixels outside a texture.
#pragma once

#include <cstdint>
#include <vector>

#include "texture/image_decoder.h"

namespace prismtex {

// width × height × 4 bytes (red, green, blue, alpha), rows top to bottom. Returns the
// converter's result; `rgba` is untouched on failure.
HRESULT decodedImageToRgba8(const DecodedImage& image, std::vector<std::uint8_t>& rgba);

}  // namespace prismtex
