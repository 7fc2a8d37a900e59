// What the software device knows about each D3DFORMAT: its memory layout (bytes per pixel,
// or per block for the 4x4 block and 2x1 pair formats) and what it may be used for. One table
// answers the IDirect3D9 format checks and sizes every resource.
#pragma once

#include <cstddef>

#include "platform/d3d9/d3d9_types.h"

namespace platform::d3d9 {

// Uses a format supports.
enum FormatSupport : DWORD {
  kSupportTexture = 1u << 0,         // 2D, cube and volume textures the rasteriser can sample
  kSupportRenderTarget = 1u << 1,    // render target, with post-pixel-shader blending
  kSupportDepthStencil = 1u << 2,    // depth-stencil surface
  kSupportDisplay = 1u << 3,         // display (adapter) format
  kSupportBackBuffer = 1u << 4,      // back-buffer format
  kSupportFullscreenOnly = 1u << 5,  // display format allowed only in fullscreen
  kSupportLockableDepth = 1u << 6,   // depth format whose surfaces may be locked
  kSupportOffscreen = 1u << 7,       // offscreen plain surface outside the scratch pool
  kSupportIndices = 1u << 8,         // index-buffer format
};

struct FormatInfo {
  D3DFORMAT format;
  BYTE blockWidth;     // pixels per block horizontally (1 for plain formats)
  BYTE blockHeight;    // pixels per block vertically
  BYTE bytesPerBlock;  // bytes of one pixel or one block
  BYTE depthBits;
  BYTE stencilBits;
  DWORD support;  // FormatSupport bits
};

// The row of a format, or null for a format the device has no layout for.
const FormatInfo* findFormat(D3DFORMAT format);

inline bool formatHas(D3DFORMAT format, DWORD support) {
  const FormatInfo* info = findFormat(format);
  return info && (info->support & support) == support;
}
inline bool isBlockFormat(const FormatInfo& info) { return info.blockHeight > 1; }

// Bytes between rows of blocks: whole blocks, rounded up to 4 bytes.
UINT rowPitchOf(const FormatInfo& info, UINT width);
// Rows of blocks in a surface of this height.
UINT blockRowsOf(const FormatInfo& info, UINT height);

// The number of levels of a full mip chain for these sizes.
UINT fullMipChainLength(UINT width, UINT height, UINT depth = 1);
// Size of a level: halved per level, never below 1.
inline UINT mipSize(UINT size, UINT level) { return (size >> level) ? (size >> level) : 1; }

}  // namespace platform::d3d9
