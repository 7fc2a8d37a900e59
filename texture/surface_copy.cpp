// The converting copies into surfaces and volumes: lock, describe, convert, unlock.
#include "texture/surface_lock.h"
#include "texture/texture_loader.h"

namespace {

DWORD resolvedFilter(DWORD filter) { return filter == TEXTURE_DEFAULT ? RESAMPLE_DEFAULT : filter; }

bool filterIsValid(DWORD filter) {
  DWORD kind = filter & 0xFFFF;
  return kind >= RESAMPLE_NONE && kind <= RESAMPLE_BOX && filter < RESAMPLE_FIRST_INVALID_FLAG;
}

bool coversWholeSurface(IDirect3DSurface9* surface, const RECT* rect) {
  if (!rect) return true;
  D3DSURFACE_DESC desc{};
  if (FAILED(surface->GetDesc(&desc))) return false;
  return rect->left == 0 && rect->top == 0 && rect->right == static_cast<LONG>(desc.Width) &&
         rect->bottom == static_cast<LONG>(desc.Height);
}

// Converts into a locked destination and releases the lock; the conversion's failure wins.
HRESULT convertAndRelease(PixelBlock& destination, const PixelBlock& source, DWORD filter, auto& destinationLock) {
  HRESULT converted = convertPixels(destination, source, filter);
  HRESULT released = destinationLock.release();
  return FAILED(converted) ? converted : released;
}

bool samePalettes(const PALETTEENTRY* a, const PALETTEENTRY* b) {
  if (a == b) return true;
  if (!a || !b) return false;
  for (int i = 0; i < 256; ++i) {
    if (a[i].peRed != b[i].peRed || a[i].peGreen != b[i].peGreen || a[i].peBlue != b[i].peBlue ||
        a[i].peFlags != b[i].peFlags) {
      return false;
    }
  }
  return true;
}

// The device's own copy, for surfaces of one format and size that need no conversion. Only
// tried where the device can do it (system memory into the default pool, or within the
// default pool); any failure leaves the work to the conversion.
bool copiedByDevice(IDirect3DSurface9* destination, const PALETTEENTRY* destinationPalette, const RECT* destinationRect,
                    IDirect3DSurface9* source, const PALETTEENTRY* sourcePalette, const RECT* sourceRect, DWORD filter,
                    D3DCOLOR colourKey) {
  D3DSURFACE_DESC to{};
  D3DSURFACE_DESC from{};
  if (colourKey != 0 || (filter & (RESAMPLE_GAMMA_IN | RESAMPLE_GAMMA_OUT)) || FAILED(destination->GetDesc(&to)) ||
      FAILED(source->GetDesc(&from))) {
    return false;
  }
  D3DBOX toBox;
  D3DBOX fromBox;
  if (to.Format != from.Format || !rectToBox(destinationRect, to.Width, to.Height, &toBox) ||
      !rectToBox(sourceRect, from.Width, from.Height, &fromBox) ||
      toBox.Right - toBox.Left != fromBox.Right - fromBox.Left ||
      toBox.Bottom - toBox.Top != fromBox.Bottom - fromBox.Top) {
    return false;
  }
  const FormatClass kind = describeFormat(to.Format).formatClass;
  if (kind == FormatClass::palettised && !samePalettes(destinationPalette, sourcePalette)) return false;
  bool updatable = from.Pool == D3DPOOL_SYSTEMMEM && to.Pool == D3DPOOL_DEFAULT;
  bool stretchable = from.Pool == D3DPOOL_DEFAULT && to.Pool == D3DPOOL_DEFAULT;
  if (!updatable && !stretchable) return false;
  platform::d3d9::ComPtr<IDirect3DDevice9> device;
  if (FAILED(destination->GetDevice(device.put()))) return false;
  DebugMute(TRUE);
  HRESULT result;
  if (updatable) {
    POINT origin{static_cast<LONG>(toBox.Left), static_cast<LONG>(toBox.Top)};
    result = device->UpdateSurface(source, sourceRect, destination, &origin);
  } else {
    result = device->StretchRect(source, sourceRect, destination, destinationRect, D3DTEXF_NONE);
  }
  DebugMute(FALSE);
  return SUCCEEDED(result);
}

}  // namespace

HRESULT copyMemoryToSurface(IDirect3DSurface9* destination, const PALETTEENTRY* destinationPalette,
                            const RECT* destinationRect, const void* source, D3DFORMAT sourceFormat,
                            UINT sourceRowPitch, const PALETTEENTRY* sourcePalette, const RECT* sourceRect,
                            DWORD filter, D3DCOLOR colourKey) {
  filter = resolvedFilter(filter);
  if (!destination || !source || !sourceRect || !filterIsValid(filter)) return D3DERR_INVALIDCALL;
  if (sourceRect->left < 0 || sourceRect->top < 0 || sourceRect->left >= sourceRect->right ||
      sourceRect->top >= sourceRect->bottom) {
    return D3DERR_INVALIDCALL;
  }
  PixelBlock from{};
  from.pixels = const_cast<void*>(source);
  from.format = sourceFormat;
  from.rowPitch = sourceRowPitch;
  from.box = {static_cast<UINT>(sourceRect->left),
              static_cast<UINT>(sourceRect->top),
              static_cast<UINT>(sourceRect->right),
              static_cast<UINT>(sourceRect->bottom),
              0,
              1};
  from.palette = sourcePalette;
  from.colourKey = colourKey;

  SurfaceLock lock;
  PixelBlock to{};
  if (HRESULT result = lock.acquire(destination, destinationRect, false,
                                    coversWholeSurface(destination, destinationRect), destinationPalette, &to);
      FAILED(result)) {
    return result;
  }
  return convertAndRelease(to, from, filter, lock);
}

HRESULT copyMemoryToVolume(IDirect3DVolume9* destination, const PALETTEENTRY* destinationPalette,
                           const D3DBOX* destinationBox, const void* source, D3DFORMAT sourceFormat,
                           UINT sourceRowPitch, UINT sourceSlicePitch, const PALETTEENTRY* sourcePalette,
                           const D3DBOX* sourceBox, DWORD filter, D3DCOLOR colourKey) {
  filter = resolvedFilter(filter);
  if (!destination || !source || !sourceBox || !filterIsValid(filter)) return D3DERR_INVALIDCALL;
  if (sourceBox->Left >= sourceBox->Right || sourceBox->Top >= sourceBox->Bottom ||
      sourceBox->Front >= sourceBox->Back) {
    return D3DERR_INVALIDCALL;
  }
  PixelBlock from{};
  from.pixels = const_cast<void*>(source);
  from.format = sourceFormat;
  from.rowPitch = sourceRowPitch;
  from.slicePitch = sourceSlicePitch;
  from.box = *sourceBox;
  from.palette = sourcePalette;
  from.colourKey = colourKey;

  VolumeLock lock;
  PixelBlock to{};
  if (HRESULT result = lock.acquire(destination, destinationBox, false, destinationPalette, &to); FAILED(result)) {
    return result;
  }
  return convertAndRelease(to, from, filter, lock);
}

HRESULT copySurfaceToSurface(IDirect3DSurface9* destination, const PALETTEENTRY* destinationPalette,
                             const RECT* destinationRect, IDirect3DSurface9* source, const PALETTEENTRY* sourcePalette,
                             const RECT* sourceRect, DWORD filter, D3DCOLOR colourKey) {
  filter = resolvedFilter(filter);
  if (!destination || !source || !filterIsValid(filter)) return D3DERR_INVALIDCALL;
  if (copiedByDevice(destination, destinationPalette, destinationRect, source, sourcePalette, sourceRect, filter,
                     colourKey)) {
    return D3D_OK;
  }
  SurfaceLock sourceLock;
  PixelBlock from{};
  if (HRESULT result = sourceLock.acquire(source, sourceRect, true, false, sourcePalette, &from); FAILED(result)) {
    return result;
  }
  from.colourKey = colourKey;
  SurfaceLock destinationLock;
  PixelBlock to{};
  if (HRESULT result =
          destinationLock.acquire(destination, destinationRect, false, coversWholeSurface(destination, destinationRect),
                                  destinationPalette, &to);
      FAILED(result)) {
    return result;
  }
  HRESULT result = convertAndRelease(to, from, filter, destinationLock);
  HRESULT released = sourceLock.release();
  return FAILED(result) ? result : released;
}

HRESULT copyVolumeToVolume(IDirect3DVolume9* destination, const PALETTEENTRY* destinationPalette,
                           const D3DBOX* destinationBox, IDirect3DVolume9* source, const PALETTEENTRY* sourcePalette,
                           const D3DBOX* sourceBox, DWORD filter, D3DCOLOR colourKey) {
  filter = resolvedFilter(filter);
  if (!destination || !source || !filterIsValid(filter)) return D3DERR_INVALIDCALL;
  VolumeLock sourceLock;
  PixelBlock from{};
  if (HRESULT result = sourceLock.acquire(source, sourceBox, true, sourcePalette, &from); FAILED(result)) {
    return result;
  }
  from.colourKey = colourKey;
  VolumeLock destinationLock;
  PixelBlock to{};
  if (HRESULT result = destinationLock.acquire(destination, destinationBox, false, destinationPalette, &to);
      FAILED(result)) {
    return result;
  }
  HRESULT result = convertAndRelease(to, from, filter, destinationLock);
  HRESULT released = sourceLock.release();
  return FAILED(result) ? result : released;
}
