// Texture creation from image files: reads and decodes a file, chooses the texture's size,
// format and mipmap levels from the image, the caller's wishes and the device's caps, creates
// the texture, converts every source level into it and generates the missing levels.
// Also the surface and volume copies that convert pixels on the way, and the device-format
// search they rely on.
#pragma once

#include <cstdint>

#include "platform/d3d9/d3d9.h"
#include "texture/image_decoder.h"
#include "texture/pixel_formats.h"

// "-1" for a size, mip count or filter argument: the default (sizes: the image's size rounded
// up to a power of two; mip levels: the full chain; filters: see below).
inline constexpr UINT TEXTURE_DEFAULT = 0xFFFFFFFFu;
// "-2" for a size: exactly the image's size.
inline constexpr UINT TEXTURE_DEFAULT_NONPOW2 = 0xFFFFFFFEu;
// "-1" for a resource type: the image's own type.
inline constexpr D3DRESOURCETYPE TEXTURE_TYPE_FROM_FILE = static_cast<D3DRESOURCETYPE>(0xFFFFFFFFu);
// The default mip filter.
inline constexpr DWORD RESAMPLE_DEFAULT_MIP = RESAMPLE_BOX;

// The caller's wishes for one texture. The defaults are those of loadTextureFromFile.
struct TextureRequest {
  UINT width = TEXTURE_DEFAULT;
  UINT height = TEXTURE_DEFAULT;
  UINT depth = 1;
  UINT mipLevels = TEXTURE_DEFAULT;
  DWORD usage = 0;
  D3DFORMAT format = D3DFMT_UNKNOWN;  // unknown: chosen from the image
  D3DPOOL pool = D3DPOOL_MANAGED;
  DWORD filter = TEXTURE_DEFAULT;     // -1: RESAMPLE_TRIANGLE | RESAMPLE_DITHER
  DWORD mipFilter = TEXTURE_DEFAULT;  // -1: RESAMPLE_BOX
  D3DCOLOR colourKey = 0;             // 0: none
  D3DRESOURCETYPE resourceType = D3DRTYPE_TEXTURE;
};

// The general routine. `info` and `palette` (256 entries) may be null. On failure nothing is
// handed out and `*texture` is null.
HRESULT buildTextureFromImage(IDirect3DDevice9* device, const void* data, UINT size, UINT width, UINT height,
                              UINT depth, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                              DWORD mipFilter, D3DCOLOR colourKey, ImageSummary* info, PALETTEENTRY* palette,
                              D3DRESOURCETYPE resourceType, IDirect3DBaseTexture9** texture);
// The same with the wishes gathered in one record.
HRESULT buildTextureFromImage(IDirect3DDevice9* device, const void* data, UINT size, const TextureRequest& request,
                              ImageSummary* info, PALETTEENTRY* palette, IDirect3DBaseTexture9** texture);

// 2D textures from a file in memory.
HRESULT loadTextureFromImageData(IDirect3DDevice9* device, const void* data, UINT size, UINT width, UINT height,
                                 UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                 DWORD mipFilter, D3DCOLOR colourKey, ImageSummary* info, PALETTEENTRY* palette,
                                 IDirect3DTexture9** texture);
// 2D textures from a named file. A null name gives D3DERR_INVALIDCALL; a file that cannot be
// opened, mapped or sized gives ResultInvalidData.
HRESULT loadTextureFromFileWithOptions(IDirect3DDevice9* device, const char* fileName, UINT width, UINT height,
                                       UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                       DWORD mipFilter, D3DCOLOR colourKey, ImageSummary* info, PALETTEENTRY* palette,
                                       IDirect3DTexture9** texture);
HRESULT loadTextureFromFile(IDirect3DDevice9* device, const char* fileName, IDirect3DTexture9** texture);

// Adjusts the wanted size, mip count and format to what `device` can create. Every pointer may
// be null. D3DERR_INVALIDCALL for no device, bad usage or pool; D3DERR_NOTAVAILABLE when no
// device format is close to the wanted one.
HRESULT fitTextureToDevice(IDirect3DDevice9* device, UINT* width, UINT* height, UINT* depth, UINT* mipLevels,
                           DWORD usage, D3DFORMAT* format, D3DPOOL pool, D3DRESOURCETYPE resourceType);

// The format the device supports (any format when `device` is null) that is closest to
// `wanted`, or D3DFMT_UNKNOWN.
D3DFORMAT pickNearestFormat(IDirect3DDevice9* device, DWORD usage, D3DRESOURCETYPE resourceType,
                            const FormatDescriptor& wanted);
// The score pickNearestFormat gives `candidate` for `wanted` (lower is closer), or -1 when the
// candidate cannot stand in for it.
std::int64_t formatDistance(const FormatDescriptor& wanted, const FormatDescriptor& candidate);

// Regenerates every level below `sourceLevel` (-1: level 0) from it. `filter` -1 chooses
// RESAMPLE_BOX for power-of-two textures and RESAMPLE_TRIANGLE | RESAMPLE_DITHER otherwise.
HRESULT rebuildMipLevels(IDirect3DBaseTexture9* texture, const PALETTEENTRY* palette, UINT sourceLevel, DWORD filter);

// Converting copies into surfaces and volumes. Null destination rectangles and boxes mean the
// whole resource; filter -1 means RESAMPLE_TRIANGLE | RESAMPLE_DITHER.
HRESULT copyMemoryToSurface(IDirect3DSurface9* destination, const PALETTEENTRY* destinationPalette,
                            const RECT* destinationRect, const void* source, D3DFORMAT sourceFormat,
                            UINT sourceRowPitch, const PALETTEENTRY* sourcePalette, const RECT* sourceRect,
                            DWORD filter, D3DCOLOR colourKey);
HRESULT copyMemoryToVolume(IDirect3DVolume9* destination, const PALETTEENTRY* destinationPalette,
                           const D3DBOX* destinationBox, const void* source, D3DFORMAT sourceFormat,
                           UINT sourceRowPitch, UINT sourceSlicePitch, const PALETTEENTRY* sourcePalette,
                           const D3DBOX* sourceBox, DWORD filter, D3DCOLOR colourKey);
HRESULT copySurfaceToSurface(IDirect3DSurface9* destination, const PALETTEENTRY* destinationPalette,
                             const RECT* destinationRect, IDirect3DSurface9* source, const PALETTEENTRY* sourcePalette,
                             const RECT* sourceRect, DWORD filter, D3DCOLOR colourKey);
HRESULT copyVolumeToVolume(IDirect3DVolume9* destination, const PALETTEENTRY* destinationPalette,
                           const D3DBOX* destinationBox, IDirect3DVolume9* source, const PALETTEENTRY* sourcePalette,
                           const D3DBOX* sourceBox, DWORD filter, D3DCOLOR colourKey);

// Mutes (non-zero) or unmutes (0) the debug output of the platform's Direct3D runtime around
// calls that are expected to fail, unless "PrismDoNotMute" is set in the registry.
void DebugMute(BOOL mute);

namespace texture_loader_testing {
// Forgets the looked-up exports and the registry setting, so the next DebugMute starts afresh.
void resetDebugMute();
}  // namespace texture_loader_testing
