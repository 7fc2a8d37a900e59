// Locked access to surfaces and volumes for the converting copies: the lock rectangle widened to
// whole blocks and pixel pairs, and, for surfaces the device will not lock, a system-memory copy
// that is locked instead and written back on release.
#pragma once

#include "platform/d3d9/com_ptr.h"
#include "platform/d3d9/d3d9.h"
#include "texture/pixel_converter.h"

// Width and height of the pixel groups a format is addressed in: 4 by 4 for DXT1-DXT5, 2 by 1
// for the pair formats, 1 by 1 otherwise.
struct PixelGrid {
  UINT width;
  UINT height;
};
PixelGrid pixelGridOf(D3DFORMAT format);

// `rect` (null: the whole area) as a box, checked to lie inside `width` × `height` and not to be
// empty. False for anything else.
bool rectToBox(const RECT* rect, UINT width, UINT height, D3DBOX* box);
// `box` widened outwards to `grid`, without leaving `width` × `height`.
D3DBOX widenToGrid(const D3DBOX& box, PixelGrid grid, UINT width, UINT height);

class SurfaceLock {
 public:
  SurfaceLock() = default;
  SurfaceLock(const SurfaceLock&) = delete;
  SurfaceLock& operator=(const SurfaceLock&) = delete;
  ~SurfaceLock() { release(); }

  // Locks `rect` of `surface` and describes it in `block` (pixels at the widened lock's origin,
  // box relative to it, `palette` as the block's palette). `readOnly` for sources. When
  // `overwriteAll` the caller will write every pixel of the surface, so a fallback copy need not
  // be filled first.
  HRESULT acquire(IDirect3DSurface9* surface, const RECT* rect, bool readOnly, bool overwriteAll,
                  const PALETTEENTRY* palette, PixelBlock* block);
  // Unlocks, writing a fallback copy back into the surface. Returns the first failure.
  HRESULT release();
  // Whether the lock went through a system-memory copy.
  bool usedFallback() const { return static_cast<bool>(copy_); }

 private:
  HRESULT lockFallback(const D3DSURFACE_DESC& desc, const D3DBOX& widened, DWORD flags, bool overwriteAll,
                       D3DLOCKED_RECT* locked);
  HRESULT fillFallback(const D3DSURFACE_DESC& desc);

  platform::d3d9::ComPtr<IDirect3DSurface9> surface_;
  platform::d3d9::ComPtr<IDirect3DSurface9> copy_;
  IDirect3DSurface9* locked_ = nullptr;  // surface_ or copy_ while locked
  D3DBOX widened_{};
  bool writeBack_ = false;
};

class VolumeLock {
 public:
  VolumeLock() = default;
  VolumeLock(const VolumeLock&) = delete;
  VolumeLock& operator=(const VolumeLock&) = delete;
  ~VolumeLock() { release(); }

  // Locks `box` (null: whole) of `volume` and describes it in `block`. A default-pool volume
  // that is not dynamic cannot be locked: D3DERR_INVALIDCALL.
  HRESULT acquire(IDirect3DVolume9* volume, const D3DBOX* box, bool readOnly, const PALETTEENTRY* palette,
                  PixelBlock* block);
  HRESULT release();

 private:
  platform::d3d9::ComPtr<IDirect3DVolume9> volume_;
  bool locked_ = false;
};
