// Writes every level and face of a lockable texture as a DDS file: the standard header for
// the format (masks where the format has them, else its four-character or numeric code), the
// mipmap count, cube faces and volume depth.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"

namespace prismtex {

// The whole file in `bytes`. E_FAIL for a format that has no DDS description (palettes, depth
// formats); lock failures are passed on.
HRESULT textureToDds(IDirect3DBaseTexture9* texture, std::vector<std::uint8_t>& bytes);

}  // namespace prismtex
