#include "texture/surface_lock.h"

#include <algorithm>
#include <cstring>

#include "texture/texture_loader.h"

using platform::d3d9::ComPtr;

namespace {

bool isBlockFormat(D3DFORMAT format) {
  return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
         format == D3DFMT_DXT5;
}

// Bytes of one row of pixel groups and the number of such rows in `box`.
struct RowLayout {
  std::size_t bytesPerRow;
  UINT rows;
};

RowLayout rowLayoutOf(D3DFORMAT format, const D3DBOX& box) {
  UINT width = box.Right - box.Left;
  UINT height = box.Bottom - box.Top;
  if (isBlockFormat(format)) {
    std::size_t blockBytes = format == D3DFMT_DXT1 ? 8 : 16;
    return {((width + 3) / 4) * blockBytes, (height + 3) / 4};
  }
  std::size_t bits = describeFormat(format).bitsPerPixel;
  return {(static_cast<std::size_t>(width) * bits + 7) / 8, height};
}

void copyRows(void* destination, INT destinationPitch, const void* source, INT sourcePitch, RowLayout layout) {
  auto* to = static_cast<std::uint8_t*>(destination);
  const auto* from = static_cast<const std::uint8_t*>(source);
  for (UINT row = 0; row < layout.rows; ++row) {
    std::memcpy(to + static_cast<std::ptrdiff_t>(row) * destinationPitch,
                from + static_cast<std::ptrdiff_t>(row) * sourcePitch, layout.bytesPerRow);
  }
}

RECT rectOf(const D3DBOX& box) {
  return {static_cast<LONG>(box.Left), static_cast<LONG>(box.Top), static_cast<LONG>(box.Right),
          static_cast<LONG>(box.Bottom)};
}

// A discard lock is allowed only for a whole dynamic surface of a texture with one level.
bool mayDiscard(IDirect3DSurface9* surface, const D3DSURFACE_DESC& desc, const RECT* rect) {
  if (rect || !(desc.Usage & D3DUSAGE_DYNAMIC)) return false;
  void* container = nullptr;
  DebugMute(TRUE);
  HRESULT result = surface->GetContainer(IID_IDirect3DBaseTexture9, &container);
  DebugMute(FALSE);
  if (FAILED(result) || !container) return false;
  auto texture = ComPtr<IDirect3DBaseTexture9>::adopt(static_cast<IDirect3DBaseTexture9*>(container));
  return texture->GetLevelCount() == 1;
}

void describe(PixelBlock* block, void* bits, INT rowPitch, INT slicePitch, D3DFORMAT format, const D3DBOX& wanted,
              const D3DBOX& widened, const PALETTEENTRY* palette) {
  *block = PixelBlock{};
  block->pixels = bits;
  block->format = format;
  block->rowPitch = rowPitch;
  block->slicePitch = slicePitch;
  block->box = {wanted.Left - widened.Left,  wanted.Top - widened.Top,     wanted.Right - widened.Left,
                wanted.Bottom - widened.Top, wanted.Front - widened.Front, wanted.Back - widened.Front};
  block->palette = palette;
}

}  // namespace

PixelGrid pixelGridOf(D3DFORMAT format) {
  if (isBlockFormat(format)) return {4, 4};
  if (format == D3DFMT_UYVY || format == D3DFMT_YUY2 || format == D3DFMT_R8G8_B8G8 || format == D3DFMT_G8R8_G8B8) {
    return {2, 1};
  }
  return {1, 1};
}

bool rectToBox(const RECT* rect, UINT width, UINT height, D3DBOX* box) {
  if (!rect) {
    *box = {0, 0, width, height, 0, 1};
    return width > 0 && height > 0;
  }
  if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
      static_cast<UINT>(rect->right) > width || static_cast<UINT>(rect->bottom) > height) {
    return false;
  }
  *box = {static_cast<UINT>(rect->left),
          static_cast<UINT>(rect->top),
          static_cast<UINT>(rect->right),
          static_cast<UINT>(rect->bottom),
          0,
          1};
  return true;
}

D3DBOX widenToGrid(const D3DBOX& box, PixelGrid grid, UINT width, UINT height) {
  auto down = [](UINT value, UINT step) { return value - value % step; };
  auto up = [](UINT value, UINT step, UINT limit) {
    UINT rest = value % step;
    if (rest == 0) return value;
    return static_cast<UINT>(std::min<std::uint64_t>(std::uint64_t{value} + (step - rest), limit));
  };
  return {down(box.Left, grid.width),
          down(box.Top, grid.height),
          up(box.Right, grid.width, width),
          up(box.Bottom, grid.height, height),
          box.Front,
          box.Back};
}

// --- SurfaceLock -------------------------------------------------------------------------------

HRESULT SurfaceLock::acquire(IDirect3DSurface9* surface, const RECT* rect, bool readOnly, bool overwriteAll,
                             const PALETTEENTRY* palette, PixelBlock* block) {
  if (!surface || !block || locked_) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc{};
  if (HRESULT result = surface->GetDesc(&desc); FAILED(result)) return result;
  D3DBOX wanted;
  if (!rectToBox(rect, desc.Width, desc.Height, &wanted)) return D3DERR_INVALIDCALL;
  widened_ = widenToGrid(wanted, pixelGridOf(desc.Format), desc.Width, desc.Height);
  bool whole =
      widened_.Left == 0 && widened_.Top == 0 && widened_.Right == desc.Width && widened_.Bottom == desc.Height;
  RECT lockRect = rectOf(widened_);
  const RECT* lockArea = whole ? nullptr : &lockRect;

  DWORD flags = D3DLOCK_NOSYSLOCK;
  if (readOnly) flags |= D3DLOCK_READONLY;
  if (!readOnly && overwriteAll && mayDiscard(surface, desc, lockArea)) flags |= D3DLOCK_DISCARD;

  surface_ = ComPtr<IDirect3DSurface9>::share(surface);
  D3DLOCKED_RECT locked{};
  HRESULT result = surface->LockRect(&locked, lockArea, flags);
  if (SUCCEEDED(result)) {
    locked_ = surface;
  } else {
    result = lockFallback(desc, widened_, flags & ~D3DLOCK_DISCARD, overwriteAll && whole, &locked);
    if (FAILED(result)) {
      copy_.reset();
      surface_.reset();
      return result;
    }
    writeBack_ = !readOnly;
  }
  describe(block, locked.pBits, locked.Pitch, 0, desc.Format, wanted, widened_, palette);
  return D3D_OK;
}

HRESULT SurfaceLock::lockFallback(const D3DSURFACE_DESC& desc, const D3DBOX& widened, DWORD flags, bool overwriteAll,
                                  D3DLOCKED_RECT* locked) {
  ComPtr<IDirect3DDevice9> device;
  if (HRESULT result = surface_->GetDevice(device.put()); FAILED(result)) return result;
  // A block-format copy must have whole blocks: double its size until it has, and use the level
  // that is as large as the surface.
  UINT width = desc.Width;
  UINT height = desc.Height;
  UINT levels = 1;
  if (pixelGridOf(desc.Format).width == 4) {
    // Two doublings always suffice.
    while ((width % 4 != 0 || height % 4 != 0) && levels < 3) {
      width *= 2;
      height *= 2;
      ++levels;
    }
  }
  D3DPOOL pool = desc.Pool == D3DPOOL_SCRATCH ? D3DPOOL_SCRATCH : D3DPOOL_SYSTEMMEM;
  ComPtr<IDirect3DTexture9> texture;
  if (HRESULT result = device->CreateTexture(width, height, levels, 0, desc.Format, pool, texture.put(), nullptr);
      FAILED(result)) {
    return result;
  }
  if (HRESULT result = texture->GetSurfaceLevel(levels - 1, copy_.put()); FAILED(result)) return result;
  if (!overwriteAll) {
    if (HRESULT result = fillFallback(desc); FAILED(result)) return result;
  }
  RECT lockRect = rectOf(widened);
  if (HRESULT result = copy_->LockRect(locked, &lockRect, flags); FAILED(result)) return result;
  locked_ = copy_.get();
  return D3D_OK;
}

// Brings the surface's current pixels into the copy: from a read-only lock if the surface allows
// one, else through a lockable render target.
HRESULT SurfaceLock::fillFallback(const D3DSURFACE_DESC& desc) {
  D3DBOX whole{0, 0, desc.Width, desc.Height, 0, 1};
  RowLayout layout = rowLayoutOf(desc.Format, whole);
  D3DLOCKED_RECT to{};
  if (HRESULT result = copy_->LockRect(&to, nullptr, D3DLOCK_NOSYSLOCK); FAILED(result)) return result;
  D3DLOCKED_RECT from{};
  DebugMute(TRUE);
  HRESULT result = surface_->LockRect(&from, nullptr, D3DLOCK_NOSYSLOCK | D3DLOCK_READONLY);
  DebugMute(FALSE);
  if (SUCCEEDED(result)) {
    copyRows(to.pBits, to.Pitch, from.pBits, from.Pitch, layout);
    surface_->UnlockRect();
    copy_->UnlockRect();
    return D3D_OK;
  }
  ComPtr<IDirect3DDevice9> device;
  ComPtr<IDirect3DSurface9> target;
  DebugMute(TRUE);
  result = surface_->GetDevice(device.put());
  if (SUCCEEDED(result)) {
    result = device->CreateRenderTarget(desc.Width, desc.Height, desc.Format, D3DMULTISAMPLE_NONE, 0, TRUE,
                                        target.put(), nullptr);
  }
  if (SUCCEEDED(result)) result = device->StretchRect(surface_.get(), nullptr, target.get(), nullptr, D3DTEXF_NONE);
  DebugMute(FALSE);
  if (SUCCEEDED(result)) result = target->LockRect(&from, nullptr, D3DLOCK_NOSYSLOCK | D3DLOCK_READONLY);
  if (SUCCEEDED(result)) {
    copyRows(to.pBits, to.Pitch, from.pBits, from.Pitch, layout);
    target->UnlockRect();
  }
  copy_->UnlockRect();
  return result;
}

HRESULT SurfaceLock::release() {
  if (!locked_) return D3D_OK;
  HRESULT result = locked_->UnlockRect();
  locked_ = nullptr;
  if (copy_ && writeBack_ && SUCCEEDED(result)) {
    RECT area = rectOf(widened_);
    POINT origin{static_cast<LONG>(widened_.Left), static_cast<LONG>(widened_.Top)};
    DebugMute(TRUE);
    ComPtr<IDirect3DDevice9> device;
    result = surface_->GetDevice(device.put());
    if (SUCCEEDED(result)) result = device->UpdateSurface(copy_.get(), &area, surface_.get(), &origin);
    DebugMute(FALSE);
    if (FAILED(result)) {
      // The device would not copy: write the rows through a lock, if the surface now allows one.
      D3DLOCKED_RECT to{};
      D3DLOCKED_RECT from{};
      result = surface_->LockRect(&to, &area, D3DLOCK_NOSYSLOCK);
      if (SUCCEEDED(result)) {
        result = copy_->LockRect(&from, &area, D3DLOCK_NOSYSLOCK | D3DLOCK_READONLY);
        if (SUCCEEDED(result)) {
          D3DSURFACE_DESC desc{};
          surface_->GetDesc(&desc);
          copyRows(to.pBits, to.Pitch, from.pBits, from.Pitch, rowLayoutOf(desc.Format, widened_));
          copy_->UnlockRect();
        }
        surface_->UnlockRect();
      }
    }
  }
  copy_.reset();
  surface_.reset();
  writeBack_ = false;
  return result;
}

// --- VolumeLock --------------------------------------------------------------------------------

HRESULT VolumeLock::acquire(IDirect3DVolume9* volume, const D3DBOX* box, bool readOnly, const PALETTEENTRY* palette,
                            PixelBlock* block) {
  if (!volume || !block || locked_) return D3DERR_INVALIDCALL;
  D3DVOLUME_DESC desc{};
  if (HRESULT result = volume->GetDesc(&desc); FAILED(result)) return result;
  if (desc.Pool == D3DPOOL_DEFAULT && !(desc.Usage & D3DUSAGE_DYNAMIC)) return D3DERR_INVALIDCALL;
  D3DBOX wanted = box ? *box : D3DBOX{0, 0, desc.Width, desc.Height, 0, desc.Depth};
  if (wanted.Left >= wanted.Right || wanted.Top >= wanted.Bottom || wanted.Front >= wanted.Back ||
      wanted.Right > desc.Width || wanted.Bottom > desc.Height || wanted.Back > desc.Depth) {
    return D3DERR_INVALIDCALL;
  }
  D3DBOX widened = widenToGrid(wanted, pixelGridOf(desc.Format), desc.Width, desc.Height);
  bool whole = widened.Left == 0 && widened.Top == 0 && widened.Right == desc.Width && widened.Bottom == desc.Height &&
               widened.Front == 0 && widened.Back == desc.Depth;
  DWORD flags = D3DLOCK_NOSYSLOCK | (readOnly ? D3DLOCK_READONLY : 0);
  D3DLOCKED_BOX locked{};
  if (HRESULT result = volume->LockBox(&locked, whole ? nullptr : &widened, flags); FAILED(result)) return result;
  volume_ = ComPtr<IDirect3DVolume9>::share(volume);
  locked_ = true;
  describe(block, locked.pBits, locked.RowPitch, locked.SlicePitch, desc.Format, wanted, widened, palette);
  return D3D_OK;
}

HRESULT VolumeLock::release() {
  if (!locked_) return D3D_OK;
  locked_ = false;
  HRESULT result = volume_->UnlockBox();
  volume_.reset();
  return result;
}
