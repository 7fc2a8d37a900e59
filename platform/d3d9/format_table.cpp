#include "platform/d3d9/format_table.h"

#include <algorithm>
#include <array>

namespace platform::d3d9 {
namespace {

constexpr DWORD kSampled = kSupportTexture | kSupportOffscreen;
constexpr DWORD kTarget = kSupportRenderTarget | kSupportBackBuffer | kSampled;
constexpr DWORD kDepth = kSupportDepthStencil;

// One row per format: layout, depth and stencil bits, uses.
constexpr std::array kFormats = {
    FormatInfo{D3DFMT_R8G8B8, 1, 1, 3, 0, 0, kSupportOffscreen},
    FormatInfo{D3DFMT_A8R8G8B8, 1, 1, 4, 0, 0, kTarget},
    FormatInfo{D3DFMT_X8R8G8B8, 1, 1, 4, 0, 0, kTarget | kSupportDisplay},
    FormatInfo{D3DFMT_R5G6B5, 1, 1, 2, 0, 0, kTarget | kSupportDisplay},
    FormatInfo{D3DFMT_X1R5G5B5, 1, 1, 2, 0, 0, kTarget | kSupportDisplay},
    FormatInfo{D3DFMT_A1R5G5B5, 1, 1, 2, 0, 0, kTarget},
    FormatInfo{D3DFMT_A4R4G4B4, 1, 1, 2, 0, 0, kSampled},
    FormatInfo{D3DFMT_R3G3B2, 1, 1, 1, 0, 0, kSampled},
    FormatInfo{D3DFMT_A8, 1, 1, 1, 0, 0, kSampled},
    FormatInfo{D3DFMT_A8R3G3B2, 1, 1, 2, 0, 0, kSampled},
    FormatInfo{D3DFMT_X4R4G4B4, 1, 1, 2, 0, 0, kSampled},
    FormatInfo{D3DFMT_A2B10G10R10, 1, 1, 4, 0, 0, kSampled},
    FormatInfo{D3DFMT_A8B8G8R8, 1, 1, 4, 0, 0, kSampled},
    FormatInfo{D3DFMT_X8B8G8R8, 1, 1, 4, 0, 0, kSampled},
    FormatInfo{D3DFMT_G16R16, 1, 1, 4, 0, 0, kSampled},
    FormatInfo{D3DFMT_A2R10G10B10, 1, 1, 4, 0, 0, kTarget | kSupportDisplay | kSupportFullscreenOnly},
    FormatInfo{D3DFMT_A16B16G16R16, 1, 1, 8, 0, 0, kSampled},
    FormatInfo{D3DFMT_A8P8, 1, 1, 2, 0, 0, kSupportOffscreen},
    FormatInfo{D3DFMT_P8, 1, 1, 1, 0, 0, kSupportOffscreen},
    FormatInfo{D3DFMT_L8, 1, 1, 1, 0, 0, kSampled},
    FormatInfo{D3DFMT_A8L8, 1, 1, 2, 0, 0, kSampled},
    FormatInfo{D3DFMT_A4L4, 1, 1, 1, 0, 0, kSampled},
    FormatInfo{D3DFMT_V8U8, 1, 1, 2, 0, 0, kSampled},
    FormatInfo{D3DFMT_L6V5U5, 1, 1, 2, 0, 0, kSampled},
    FormatInfo{D3DFMT_X8L8V8U8, 1, 1, 4, 0, 0, kSampled},
    FormatInfo{D3DFMT_Q8W8V8U8, 1, 1, 4, 0, 0, kSampled},
    FormatInfo{D3DFMT_V16U16, 1, 1, 4, 0, 0, kSampled},
    FormatInfo{D3DFMT_A2W10V10U10, 1, 1, 4, 0, 0, kSampled},
    FormatInfo{D3DFMT_UYVY, 2, 1, 4, 0, 0, kSupportOffscreen},
    FormatInfo{D3DFMT_R8G8_B8G8, 2, 1, 4, 0, 0, kSupportOffscreen},
    FormatInfo{D3DFMT_YUY2, 2, 1, 4, 0, 0, kSupportOffscreen},
    FormatInfo{D3DFMT_G8R8_G8B8, 2, 1, 4, 0, 0, kSupportOffscreen},
    FormatInfo{D3DFMT_DXT1, 4, 4, 8, 0, 0, kSampled},
    FormatInfo{D3DFMT_DXT2, 4, 4, 16, 0, 0, kSampled},
    FormatInfo{D3DFMT_DXT3, 4, 4, 16, 0, 0, kSampled},
    FormatInfo{D3DFMT_DXT4, 4, 4, 16, 0, 0, kSampled},
    FormatInfo{D3DFMT_DXT5, 4, 4, 16, 0, 0, kSampled},
    FormatInfo{D3DFMT_D16_LOCKABLE, 1, 1, 2, 16, 0, kDepth | kSupportLockableDepth},
    FormatInfo{D3DFMT_D32, 1, 1, 4, 32, 0, kDepth},
    FormatInfo{D3DFMT_D15S1, 1, 1, 2, 15, 1, kDepth},
    FormatInfo{D3DFMT_D24S8, 1, 1, 4, 24, 8, kDepth},
    FormatInfo{D3DFMT_D24X8, 1, 1, 4, 24, 0, kDepth},
    FormatInfo{D3DFMT_D24X4S4, 1, 1, 4, 24, 4, kDepth},
    FormatInfo{D3DFMT_D16, 1, 1, 2, 16, 0, kDepth},
    // Float depth formats: scratch surfaces only (the texture converter reads and writes them).
    FormatInfo{D3DFMT_D32F_LOCKABLE, 1, 1, 4, 32, 0, 0},
    FormatInfo{D3DFMT_D24FS8, 1, 1, 4, 24, 8, 0},
    FormatInfo{D3DFMT_L16, 1, 1, 2, 0, 0, kSampled},
    FormatInfo{D3DFMT_INDEX16, 1, 1, 2, 0, 0, kSupportIndices},
    FormatInfo{D3DFMT_INDEX32, 1, 1, 4, 0, 0, kSupportIndices},
    FormatInfo{D3DFMT_Q16W16V16U16, 1, 1, 8, 0, 0, kSampled},
    FormatInfo{D3DFMT_R16F, 1, 1, 2, 0, 0, kSampled},
    FormatInfo{D3DFMT_G16R16F, 1, 1, 4, 0, 0, kSampled},
    FormatInfo{D3DFMT_A16B16G16R16F, 1, 1, 8, 0, 0, kSampled},
    FormatInfo{D3DFMT_R32F, 1, 1, 4, 0, 0, kSampled},
    FormatInfo{D3DFMT_G32R32F, 1, 1, 8, 0, 0, kSampled},
    FormatInfo{D3DFMT_A32B32G32R32F, 1, 1, 16, 0, 0, kSampled},
    FormatInfo{D3DFMT_CxV8U8, 1, 1, 2, 0, 0, kSampled},
};

constexpr bool formatsAreUnique() {
  for (std::size_t i = 0; i < kFormats.size(); ++i) {
    for (std::size_t j = i + 1; j < kFormats.size(); ++j) {
      if (kFormats[i].format == kFormats[j].format) return false;
    }
  }
  return true;
}
static_assert(formatsAreUnique(), "one row per format");

}  // namespace

const FormatInfo* findFormat(D3DFORMAT format) {
  auto found =
      std::find_if(kFormats.begin(), kFormats.end(), [&](const FormatInfo& row) { return row.format == format; });
  return found == kFormats.end() ? nullptr : &*found;
}

UINT rowPitchOf(const FormatInfo& info, UINT width) {
  UINT blocks = (width + info.blockWidth - 1) / info.blockWidth;
  UINT bytes = blocks * info.bytesPerBlock;
  return (bytes + 3u) & ~3u;
}

UINT blockRowsOf(const FormatInfo& info, UINT height) { return (height + info.blockHeight - 1) / info.blockHeight; }

UINT fullMipChainLength(UINT width, UINT height, UINT depth) {
  UINT largest = std::max({width, height, depth});
  UINT levels = 1;
  while (largest > 1) {
    largest >>= 1;
    ++levels;
  }
  return levels;
}

}  // namespace platform::d3d9
