// DXT1-DXT5 (S3TC) blocks: decoding a 4-by-4 block into float pixels and encoding float pixels
// into a block. Pixels are in row order, values 0..1.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/d3d9/d3d9_types.h"
#include "texture/pixel_codec.h"

inline constexpr int kBlockPixels = 16;

bool isBlockFormat(D3DFORMAT format);
// 8 for DXT1, 16 for DXT2-DXT5.
unsigned blockBytes(D3DFORMAT format);

void decodeBlock(D3DFORMAT format, const std::uint8_t* block, Float4 pixels[kBlockPixels]);
void encodeBlock(D3DFORMAT format, const Float4 pixels[kBlockPixels], std::uint8_t* block);

// A colour rounded as the block format stores its endpoints: 5:6:5 colour, and alpha to
// 15 levels (DXT2, DXT3) or 255 levels (the others).
Float4 roundToBlockPrecision(D3DFORMAT format, const Float4& pixel);
