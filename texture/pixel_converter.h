// Pixel-format conversion with resampling: copies a box of pixels from a source in one format
// into a destination box in another, scaling with one of the RESAMPLE_* filters when the sizes
// differ. Works on described memory; the surface and volume entry points lock their resources
// and describe them here.
#pragma once

#include <cstdint>

#include "platform/d3d9/d3d9_types.h"
#include "texture/pixel_formats.h"

// One side of a conversion. `box` is in pixels relative to `pixels`; Right, Bottom and Back are
// exclusive (a 2D surface has Front 0 and Back 1). Block formats (DXT1-DXT5) address whole 4-by-4 blocks and the pair
// formats (UYVY, YUY2, RGBG, GRGB) whole 2-pixel groups counted from `pixels`, so the memory behind such a box must
// cover the box widened to those grids.
struct PixelBlock {
  void* pixels = nullptr;
  D3DFORMAT format = D3DFMT_UNKNOWN;
  std::int64_t rowPitch = 0;
  std::int64_t slicePitch = 0;
  D3DBOX box{};
  // 256 entries, or null (every entry then reads as opaque white).
  const PALETTEENTRY* palette = nullptr;
  // Set by convertPixels from RESAMPLE_GAMMA_IN (source) and RESAMPLE_GAMMA_OUT (destination).
  bool gamma = false;
  // Destination only; set by convertPixels from RESAMPLE_DITHER.
  bool dither = false;
  // Source only: pixels of this ARGB colour (compared at the source format's precision)
  // become transparent black. 0 for none.
  D3DCOLOR colourKey = 0;
};

class PixelCodec;

// One conversion: validates the descriptions and filter, creates a codec for each side (the
// destination's first) and lets the first method that accepts the pair do the whole job.
class PixelConverter {
 public:
  PixelConverter(const PixelBlock& destination, const PixelBlock& source, std::uint32_t filter);
  ~PixelConverter();
  PixelConverter(const PixelConverter&) = delete;
  PixelConverter& operator=(const PixelConverter&) = delete;

  // The result convertPixels returns. Call once.
  HRESULT run();
  // The method that did the work ("same", "copy", "none", "point", "box 2D", "box 3D",
  // "linear 2D", "linear 3D", "triangle 2D", "triangle 3D"), or null when none ran.
  const char* methodUsed() const { return methodUsed_; }

 private:
  HRESULT convert();

  PixelBlock destination_;
  PixelBlock source_;
  std::uint32_t filter_;
  const char* methodUsed_ = nullptr;
};

// Converts `source` into `destination` with `filter` (RESAMPLE_NONE..RESAMPLE_BOX in the low
// 16 bits plus RESAMPLE_* flags). Returns D3DERR_INVALIDCALL for a bad filter or description,
// E_FAIL when a format has no codec or no method suits the pair of boxes, E_OUTOFMEMORY when
// row buffers cannot be allocated.
HRESULT convertPixels(const PixelBlock& destination, const PixelBlock& source, std::uint32_t filter);
