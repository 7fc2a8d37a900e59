// A small conversion of the decoders' own output formats to 8-bit RGBA, for tools and tests
// that need to look at decoded pixels before texture creation is involved.
#pragma once

#include <cstdint>
#include <vector>

#include "texture/image_decoder.h"

// Level 0 of `image` as width × height RGBA bytes, rows top to bottom; false (and `rgba`
// untouched) when the image's format is not one the decoders produce.
bool convertToRgba8(const DecodedImage& image, std::vector<std::uint8_t>& rgba);
