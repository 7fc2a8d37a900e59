// Fitting a wanted texture description to what a device can create.
#include <algorithm>
#include <bit>

#include "texture/texture_loader.h"

namespace {

// Every usage bit but render target, depth stencil, software processing, dynamic, automatic
// mipmaps, displacement maps and the query bits.
constexpr DWORD kInvalidUsageBits = 0xFFE039EC;

constexpr UINT kLargestPowerOfTwo = 0x80000000u;

// The smallest power of two not below `value` (1 for 0), saturating at 2^31.
UINT roundUpToPowerOfTwo(UINT value) {
  if (value > kLargestPowerOfTwo) return kLargestPowerOfTwo;
  return std::bit_ceil(std::max(value, 1u));
}

UINT roundUpToMultipleOf4(UINT value) { return value > 0xFFFFFFFCu ? 0xFFFFFFFCu : (value + 3) & ~3u; }

// A device limit; 0 (a device that states none) leaves the value as it is.
UINT clampTo(UINT value, DWORD limit) { return limit == 0 ? value : std::min<UINT>(value, limit); }

UINT fullChainLength(UINT largest) { return static_cast<UINT>(std::bit_width(std::max(largest, 1u))); }

bool isBlockCompressed(D3DFORMAT format) {
  return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
         format == D3DFMT_DXT5;
}

struct KindCaps {
  DWORD powerOfTwo;
  DWORD mipmaps;
};

KindCaps capsOfKind(D3DRESOURCETYPE type) {
  switch (type) {
    case D3DRTYPE_VOLUMETEXTURE: return {D3DPTEXTURECAPS_VOLUMEMAP_POW2, D3DPTEXTURECAPS_MIPVOLUMEMAP};
    case D3DRTYPE_CUBETEXTURE: return {D3DPTEXTURECAPS_CUBEMAP_POW2, D3DPTEXTURECAPS_MIPCUBEMAP};
    default: return {D3DPTEXTURECAPS_POW2, D3DPTEXTURECAPS_MIPMAP};
  }
}

}  // namespace

HRESULT fitTextureToDevice(IDirect3DDevice9* device, UINT* widthInOut, UINT* heightInOut, UINT* depthInOut,
                           UINT* mipLevelsInOut, DWORD usage, D3DFORMAT* formatInOut, D3DPOOL pool,
                           D3DRESOURCETYPE resourceType) {
  if (!device) return D3DERR_INVALIDCALL;
  if (usage == TEXTURE_DEFAULT) usage = 0;
  if ((usage & kInvalidUsageBits) || static_cast<DWORD>(pool) > D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
  const bool scratch = pool == D3DPOOL_SCRATCH;
  const bool volume = resourceType == D3DRTYPE_VOLUMETEXTURE;
  const bool cube = resourceType == D3DRTYPE_CUBETEXTURE;

  D3DFORMAT format = formatInOut ? *formatInOut : D3DFMT_UNKNOWN;
  if (scratch) {
    if (format == D3DFMT_UNKNOWN) format = D3DFMT_A8R8G8B8;
  } else {
    format = pickNearestFormat(device, usage, resourceType, describeFormat(format));
    if (format == D3DFMT_UNKNOWN) return D3DERR_NOTAVAILABLE;
  }

  UINT width = widthInOut ? *widthInOut : TEXTURE_DEFAULT;
  UINT height = heightInOut ? *heightInOut : TEXTURE_DEFAULT;
  UINT depth = depthInOut ? *depthInOut : 1;
  UINT mipLevels = mipLevelsInOut ? *mipLevelsInOut : TEXTURE_DEFAULT;
  if (width == TEXTURE_DEFAULT && height == TEXTURE_DEFAULT) {
    width = height = 256;
  } else if (width == TEXTURE_DEFAULT) {
    width = height;
  } else if (height == TEXTURE_DEFAULT) {
    height = width;
  }
  width = std::max(width, 1u);
  height = std::max(height, 1u);
  if (cube) width = height = std::max(width, height);
  if (depth == TEXTURE_DEFAULT || depth == 0) depth = 1;

  D3DCAPS9 caps{};
  const KindCaps kindCaps = capsOfKind(resourceType);
  if (!scratch) {
    if (HRESULT result = device->GetDeviceCaps(&caps); FAILED(result)) return result;
    if (volume) {
      width = clampTo(width, caps.MaxVolumeExtent);
      height = clampTo(height, caps.MaxVolumeExtent);
      depth = clampTo(depth, caps.MaxVolumeExtent);
    } else {
      width = clampTo(width, caps.MaxTextureWidth);
      height = clampTo(height, caps.MaxTextureHeight);
      if (!cube) {
        DWORD aspect = (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) ? 1 : caps.MaxTextureAspectRatio;
        if (aspect != 0) {
          width = static_cast<UINT>(std::min<std::uint64_t>(width, std::uint64_t{aspect} * height));
          height = static_cast<UINT>(std::min<std::uint64_t>(height, std::uint64_t{aspect} * width));
        }
      }
    }
    bool conditional = (caps.TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL) != 0;
    if ((caps.TextureCaps & kindCaps.powerOfTwo) && !(mipLevels == 1 && conditional)) {
      width = roundUpToPowerOfTwo(width);
      height = roundUpToPowerOfTwo(height);
      depth = roundUpToPowerOfTwo(depth);
    }
  }

  if (isBlockCompressed(format)) {
    width = roundUpToMultipleOf4(width);
    height = roundUpToMultipleOf4(height);
  }

  const bool allPowersOfTwo = std::has_single_bit(width) && std::has_single_bit(height) && std::has_single_bit(depth);
  const bool mipmapsAllowed = scratch || ((caps.TextureCaps & kindCaps.mipmaps) &&
                                          (!(caps.TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL) || allPowersOfTwo));
  if (mipmapsAllowed) {
    UINT fullChain = fullChainLength(std::max({width, height, volume ? depth : 1u}));
    if (mipLevels == 0 || mipLevels > fullChain) mipLevels = fullChain;
    if (mipLevels != 1 && (usage & D3DUSAGE_AUTOGENMIPMAP)) mipLevels = 0;
  } else {
    mipLevels = 1;
  }

  if (widthInOut) *widthInOut = width;
  if (heightInOut) *heightInOut = height;
  if (depthInOut) *depthInOut = depth;
  if (mipLevelsInOut) *mipLevelsInOut = mipLevels;
  if (formatInOut) *formatInOut = format;
  return D3D_OK;
}
