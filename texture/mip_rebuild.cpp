// Regeneration of a texture's smaller mipmap levels from one of its levels.
#include <bit>

#include "texture/texture_levels.h"
#include "texture/texture_loader.h"

using platform::d3d9::ComPtr;

HRESULT rebuildMipLevels(IDirect3DBaseTexture9* texture, const PALETTEENTRY* palette, UINT sourceLevel, DWORD filter) {
  TextureLevels levels(texture);
  if (!levels.valid()) return D3DERR_INVALIDCALL;
  if (filter == TEXTURE_DEFAULT) {
    UINT width = 0;
    UINT height = 0;
    UINT depth = 0;
    if (HRESULT result = levels.topSize(&width, &height, &depth); FAILED(result)) return result;
    bool powersOfTwo = std::has_single_bit(width) && std::has_single_bit(height) && std::has_single_bit(depth);
    filter = powersOfTwo ? RESAMPLE_BOX : RESAMPLE_DEFAULT;
  }
  if (levels.type() == D3DRTYPE_CUBETEXTURE) filter |= RESAMPLE_MIRROR;
  // Source and destination are levels of one texture, so they share one encoding.
  if (filter & RESAMPLE_GAMMA_OUT) {
    filter |= RESAMPLE_GAMMA_IN;
  } else {
    filter &= ~(RESAMPLE_GAMMA_IN | RESAMPLE_GAMMA_OUT);
  }
  if (sourceLevel == TEXTURE_DEFAULT) sourceLevel = 0;
  const UINT count = levels.levelCount();
  if (sourceLevel >= count) return D3D_OK;
  const DWORD kind = filter & 0xFFFF;
  const bool cascade = kind == RESAMPLE_POINT || kind == RESAMPLE_BOX;

  for (UINT face = 0; face < levels.faceCount(); ++face) {
    if (levels.type() == D3DRTYPE_VOLUMETEXTURE) {
      ComPtr<IDirect3DVolume9> source;
      if (HRESULT result = levels.volume(sourceLevel, &source); FAILED(result)) return result;
      for (UINT level = sourceLevel + 1; level < count; ++level) {
        ComPtr<IDirect3DVolume9> destination;
        if (HRESULT result = levels.volume(level, &destination); FAILED(result)) return result;
        if (HRESULT result =
                copyVolumeToVolume(destination.get(), palette, nullptr, source.get(), palette, nullptr, filter, 0);
            FAILED(result)) {
          return result;
        }
        if (cascade) source = destination;
      }
      continue;
    }
    ComPtr<IDirect3DSurface9> source;
    if (HRESULT result = levels.surface(face, sourceLevel, &source); FAILED(result)) return result;
    for (UINT level = sourceLevel + 1; level < count; ++level) {
      ComPtr<IDirect3DSurface9> destination;
      if (HRESULT result = levels.surface(face, level, &destination); FAILED(result)) return result;
      if (HRESULT result =
              copySurfaceToSurface(destination.get(), palette, nullptr, source.get(), palette, nullptr, filter, 0);
          FAILED(result)) {
        return result;
      }
      if (cascade) source = destination;
    }
  }
  return D3D_OK;
}
