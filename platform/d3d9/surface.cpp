#include "platform/d3d9/surface.h"

#include "platform/d3d9/device.h"

namespace platform::d3d9 {

HRESULT containerOf(DeviceChild& child, REFIID riid, void** container) {
  if (!container) return D3DERR_INVALIDCALL;
  *container = nullptr;
  if (DeviceChild* owner = child.container()) {
    auto* unknown = dynamic_cast<IUnknown*>(owner);
    return unknown ? unknown->QueryInterface(riid, container) : E_NOINTERFACE;
  }
  return child.device().QueryInterface(riid, container);
}

// --- Surface ---------------------------------------------------------------------------------

Surface::Surface(Device& device, Start start, DeviceChild* container, const D3DSURFACE_DESC& desc, bool lockable,
                 PixelStore pixels)
    : ResourceObject(device, start, desc.Pool, container),
      desc_(desc),
      lockable_(lockable),
      pixels_(std::move(pixels)) {}

bool Surface::implements(REFIID riid) const { return riid == IID_IDirect3DSurface9 || riid == IID_IDirect3DResource9; }

HRESULT Surface::GetContainer(REFIID riid, void** container) { return containerOf(*this, riid, container); }

HRESULT Surface::GetDesc(D3DSURFACE_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = desc_;
  return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
  device().finishDraws();
  if (!lockedRect) return D3DERR_INVALIDCALL;
  lockedRect->pBits = nullptr;
  lockedRect->Pitch = 0;
  if ((flags & ~kValidLockFlags) || !lockable_ || locked_) return D3DERR_INVALIDCALL;
  D3DBOX box;
  if (!boxFromRect(rect, desc_.Width, desc_.Height, &box) ||
      !regionIsValid(*pixels_.format, desc_.Width, desc_.Height, 1, box)) {
    return D3DERR_INVALIDCALL;
  }
  // Discarding is for dynamic resources, and always of the whole surface.
  if ((flags & D3DLOCK_DISCARD) && (rect || !(desc_.Usage & D3DUSAGE_DYNAMIC))) return D3DERR_INVALIDCALL;
  lockedRect->Pitch = static_cast<INT>(pixels_.rowPitch);
  lockedRect->pBits = pixels_.at(box.Left, box.Top);
  locked_ = true;
  return D3D_OK;
}

HRESULT Surface::UnlockRect() {
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  return D3D_OK;
}

// The software device has no GDI surfaces.
HRESULT Surface::GetDC(HDC* dc) {
  if (dc) *dc = nullptr;
  return D3DERR_INVALIDCALL;
}

HRESULT Surface::ReleaseDC(HDC) { return D3DERR_INVALIDCALL; }

// --- Volume ----------------------------------------------------------------------------------

Volume::Volume(Device& device, DeviceChild* container, const D3DVOLUME_DESC& desc, bool lockable, PixelStore pixels)
    : DeviceObject(device, Start::insideContainer, container),
      desc_(desc),
      lockable_(lockable),
      pixels_(std::move(pixels)) {}

bool Volume::implements(REFIID riid) const { return riid == IID_IDirect3DVolume9; }

HRESULT Volume::GetContainer(REFIID riid, void** container) { return containerOf(*this, riid, container); }

HRESULT Volume::GetDesc(D3DVOLUME_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = desc_;
  return D3D_OK;
}

HRESULT Volume::LockBox(D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) {
  device().finishDraws();
  if (!lockedVolume) return D3DERR_INVALIDCALL;
  *lockedVolume = {};
  if ((flags & ~kValidLockFlags) || !lockable_ || locked_) return D3DERR_INVALIDCALL;
  D3DBOX region = box ? *box : wholeBox(desc_.Width, desc_.Height, desc_.Depth);
  if (!regionIsValid(*pixels_.format, desc_.Width, desc_.Height, desc_.Depth, region)) return D3DERR_INVALIDCALL;
  if ((flags & D3DLOCK_DISCARD) && (box || !(desc_.Usage & D3DUSAGE_DYNAMIC))) return D3DERR_INVALIDCALL;
  lockedVolume->RowPitch = static_cast<INT>(pixels_.rowPitch);
  lockedVolume->SlicePitch = static_cast<INT>(pixels_.slicePitch);
  lockedVolume->pBits = pixels_.at(region.Left, region.Top, region.Front);
  locked_ = true;
  return D3D_OK;
}

HRESULT Volume::UnlockBox() {
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  return D3D_OK;
}

}  // namespace platform::d3d9
