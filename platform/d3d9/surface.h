// Surfaces (standalone, back buffers, depth buffers and texture levels) and volumes (levels of
// volume textures), each keeping its pixels in plain memory.
#pragma once

#include "platform/d3d9/resource.h"

namespace platform::d3d9 {

inline constexpr DWORD kValidLockFlags =
    D3DLOCK_READONLY | D3DLOCK_NOSYSLOCK | D3DLOCK_DISCARD | D3DLOCK_DONOTWAIT | D3DLOCK_NO_DIRTY_UPDATE;

class Surface final : public ResourceObject<IDirect3DSurface9> {
 public:
  // `lockable` says whether LockRect may be used at all (a DEFAULT-pool texture level that is
  // not dynamic, a render target made not lockable, most depth formats: no).
  Surface(Device& device, Start start, DeviceChild* container, const D3DSURFACE_DESC& desc, bool lockable,
          PixelStore pixels);

  // IDirect3DResource9
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
  // IDirect3DSurface9
  HRESULT GetContainer(REFIID riid, void** container) override;
  HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
  HRESULT LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
  HRESULT UnlockRect() override;
  HRESULT GetDC(HDC* dc) override;
  HRESULT ReleaseDC(HDC dc) override;

  const D3DSURFACE_DESC& desc() const { return desc_; }
  PixelStore& pixels() { return pixels_; }
  bool isLocked() const { return locked_; }
  bool blocksReset() const override { return desc_.Pool == D3DPOOL_DEFAULT; }

 protected:
  bool implements(REFIID riid) const override;

 private:
  D3DSURFACE_DESC desc_;
  bool lockable_;
  bool locked_ = false;
  PixelStore pixels_;
};

class Volume final : public DeviceObject<IDirect3DVolume9> {
 public:
  Volume(Device& device, DeviceChild* container, const D3DVOLUME_DESC& desc, bool lockable, PixelStore pixels);

  HRESULT GetDevice(IDirect3DDevice9** device) override { return getDevice(device); }
  HRESULT SetPrivateData(REFIID guid, const void* data, DWORD size, DWORD flags) override {
    return privateData_.set(guid, data, size, flags);
  }
  HRESULT GetPrivateData(REFIID guid, void* data, DWORD* size) override { return privateData_.get(guid, data, size); }
  HRESULT FreePrivateData(REFIID guid) override { return privateData_.free(guid); }
  HRESULT GetContainer(REFIID riid, void** container) override;
  HRESULT GetDesc(D3DVOLUME_DESC* desc) override;
  HRESULT LockBox(D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) override;
  HRESULT UnlockBox() override;

  const D3DVOLUME_DESC& desc() const { return desc_; }
  PixelStore& pixels() { return pixels_; }
  bool isLocked() const { return locked_; }

 protected:
  bool implements(REFIID riid) const override;

 private:
  D3DVOLUME_DESC desc_;
  bool lockable_;
  bool locked_ = false;
  PixelStore pixels_;
  PrivateData privateData_;
};

// Whether an object's container answers QueryInterface for riid (the device for standalone
// surfaces).
HRESULT containerOf(DeviceChild& child, REFIID riid, void** container);

}  // namespace platform::d3d9
