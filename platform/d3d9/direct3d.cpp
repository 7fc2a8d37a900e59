#include "platform/d3d9/direct3d.h"

#include "platform/d3d9/device.h"

namespace platform::d3d9 {
namespace {

constexpr DWORD D3DENUM_WHQL_LEVEL = 0x00000002;

}  // namespace

Direct3D::Direct3D() : adapters_(describeAdapters(displaySystem())) {}

HRESULT Direct3D::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3D9) {
    *object = static_cast<IDirect3D9*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG Direct3D::AddRef() { return ++referenceCount_; }

ULONG Direct3D::Release() {
  ULONG remaining = --referenceCount_;
  if (remaining == 0) delete this;
  return remaining;
}

HRESULT Direct3D::checkAdapterAndType(UINT adapter, D3DDEVTYPE type) const {
  if (adapter >= adapters_.size() || !deviceTypeIsValid(type)) return D3DERR_INVALIDCALL;
  return deviceTypeExists(type) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

// No software device can be plugged in: the rasteriser already is one.
HRESULT Direct3D::RegisterSoftwareDevice(void*) { return D3DERR_NOTAVAILABLE; }

UINT Direct3D::GetAdapterCount() { return static_cast<UINT>(adapters_.size()); }

HRESULT Direct3D::GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* identifier) {
  if (adapter >= adapters_.size() || !identifier || (flags & ~D3DENUM_WHQL_LEVEL)) return D3DERR_INVALIDCALL;
  *identifier = adapters_[adapter].identifier;
  return D3D_OK;
}

UINT Direct3D::GetAdapterModeCount(UINT adapter, D3DFORMAT format) {
  if (adapter >= adapters_.size()) return 0;
  UINT count = 0;
  for (const D3DDISPLAYMODE& mode : adapters_[adapter].modes) count += mode.Format == format ? 1 : 0;
  return count;
}

HRESULT Direct3D::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* displayMode) {
  if (adapter >= adapters_.size() || !displayMode) return D3DERR_INVALIDCALL;
  UINT index = 0;
  for (const D3DDISPLAYMODE& candidate : adapters_[adapter].modes) {
    if (candidate.Format != format) continue;
    if (index++ == mode) {
      *displayMode = candidate;
      return D3D_OK;
    }
  }
  return D3DERR_INVALIDCALL;
}

HRESULT Direct3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) {
  if (adapter >= adapters_.size() || !displayMode) return D3DERR_INVALIDCALL;
  *displayMode = adapters_[adapter].currentMode;
  return D3D_OK;
}

HRESULT Direct3D::CheckDeviceType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat,
                                  D3DFORMAT backBufferFormat, BOOL windowed) {
  // A device type that does not exist is an invalid call here, as documented for this check.
  if (FAILED(checkAdapterAndType(adapter, deviceType))) return D3DERR_INVALIDCALL;
  return checkDeviceType(adapterFormat, backBufferFormat, windowed != FALSE);
}

HRESULT Direct3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat, DWORD usage,
                                    D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) {
  if (HRESULT result = checkAdapterAndType(adapter, deviceType); FAILED(result)) return result;
  return checkDeviceFormat(adapterFormat, usage, resourceType, checkFormat);
}

HRESULT Direct3D::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT surfaceFormat, BOOL,
                                             D3DMULTISAMPLE_TYPE multiSampleType, DWORD* qualityLevels) {
  if (HRESULT result = checkAdapterAndType(adapter, deviceType); FAILED(result)) return result;
  return checkMultiSampleType(surfaceFormat, multiSampleType, qualityLevels);
}

HRESULT Direct3D::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat,
                                         D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) {
  if (HRESULT result = checkAdapterAndType(adapter, deviceType); FAILED(result)) return result;
  return checkDepthStencilMatch(adapterFormat, renderTargetFormat, depthStencilFormat);
}

HRESULT Direct3D::CheckDeviceFormatConversion(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT sourceFormat,
                                              D3DFORMAT targetFormat) {
  if (HRESULT result = checkAdapterAndType(adapter, deviceType); FAILED(result)) return result;
  return checkFormatConversion(sourceFormat, targetFormat);
}

HRESULT Direct3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS9* caps) {
  if (!caps) return D3DERR_INVALIDCALL;
  if (HRESULT result = checkAdapterAndType(adapter, deviceType); FAILED(result)) return result;
  *caps = softwareDeviceCaps(adapter, deviceType);
  return D3D_OK;
}

HMONITOR Direct3D::GetAdapterMonitor(UINT adapter) {
  return adapter < adapters_.size() ? adapters_[adapter].display.monitor : nullptr;
}

HRESULT Direct3D::CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                               D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) {
  if (!device) return D3DERR_INVALIDCALL;
  *device = nullptr;
  if (!parameters) return D3DERR_INVALIDCALL;
  if (HRESULT result = checkAdapterAndType(adapter, deviceType); FAILED(result)) return result;
  constexpr DWORD kProcessing =
      D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING;
  DWORD processing = behaviorFlags & kProcessing;
  // Exactly one kind of vertex processing; a pure device processes vertices in "hardware".
  if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING && processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
      processing != D3DCREATE_MIXED_VERTEXPROCESSING) {
    return D3DERR_INVALIDCALL;
  }
  if ((behaviorFlags & D3DCREATE_PUREDEVICE) && processing != D3DCREATE_HARDWARE_VERTEXPROCESSING) {
    return D3DERR_INVALIDCALL;
  }
  D3DPRESENT_PARAMETERS completed = *parameters;
  HRESULT result = completePresentParameters(adapters_[adapter], deviceType, focusWindow, &completed);
  *parameters = completed;
  if (FAILED(result)) return result;
  return Device::create(*this, {adapter, deviceType, focusWindow, behaviorFlags}, completed, device);
}

}  // namespace platform::d3d9
