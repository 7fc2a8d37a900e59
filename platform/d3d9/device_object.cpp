#include "platform/d3d9/device_object.h"

#include "platform/d3d9/device.h"

namespace platform::d3d9 {

DeviceChild::DeviceChild(Device& device, Start start, DeviceChild* container)
    : device_(&device), container_(container) {
  switch (start) {
    case Start::ownedByApplication:
      applicationCount_ = 1;
      device_->AddRef();
      break;
    case Start::ownedByDevice: deviceCount_ = 1; break;
    case Start::insideContainer: break;
  }
  device_->trackObject(this);
}

DeviceChild::~DeviceChild() { device_->untrackObject(this); }

ULONG DeviceChild::addApplicationReference() {
  if (container_) return container_->addApplicationReference();
  if (applicationCount_++ == 0) device_->AddRef();
  return applicationCount_;
}

ULONG DeviceChild::releaseApplicationReference() {
  if (container_) return container_->releaseApplicationReference();
  if (applicationCount_ == 0) return 0;  // an over-release is ignored rather than corrupting the counts
  ULONG remaining = --applicationCount_;
  if (remaining == 0) {
    Device* device = device_;
    if (deviceCount_ == 0) delete this;
    device->Release();
  }
  return remaining;
}

void DeviceChild::addDeviceReference() {
  if (container_) {
    container_->addDeviceReference();
    return;
  }
  ++deviceCount_;
}

void DeviceChild::releaseDeviceReference() {
  if (container_) {
    container_->releaseDeviceReference();
    return;
  }
  if (deviceCount_ == 0) return;
  if (--deviceCount_ == 0 && applicationCount_ == 0) delete this;
}

template <typename Interface>
HRESULT DeviceObject<Interface>::getDevice(IDirect3DDevice9** device) const {
  if (!device) return D3DERR_INVALIDCALL;
  *device = &this->device();
  (*device)->AddRef();
  return D3D_OK;
}

template class DeviceObject<IDirect3DTexture9>;
template class DeviceObject<IDirect3DCubeTexture9>;
template class DeviceObject<IDirect3DVolumeTexture9>;
template class DeviceObject<IDirect3DSurface9>;
template class DeviceObject<IDirect3DVolume9>;
template class DeviceObject<IDirect3DVertexBuffer9>;
template class DeviceObject<IDirect3DIndexBuffer9>;
template class DeviceObject<IDirect3DVertexDeclaration9>;
template class DeviceObject<IDirect3DVertexShader9>;
template class DeviceObject<IDirect3DPixelShader9>;
template class DeviceObject<IDirect3DStateBlock9>;

}  // namespace platform::d3d9
