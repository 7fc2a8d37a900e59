// The Direct3D object: adapters, their modes, caps and format answers, and device creation.
#pragma once

#include <vector>

#include "platform/d3d9/adapter.h"
#include "platform/d3d9/d3d9.h"

namespace platform::d3d9 {

class Direct3D final : public IDirect3D9 {
 public:
  Direct3D();

  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT RegisterSoftwareDevice(void* initializeFunction) override;
  UINT GetAdapterCount() override;
  HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* identifier) override;
  UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override;
  HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* displayMode) override;
  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) override;
  HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat, D3DFORMAT backBufferFormat,
                          BOOL windowed) override;
  HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat, DWORD usage,
                            D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override;
  HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT surfaceFormat, BOOL windowed,
                                     D3DMULTISAMPLE_TYPE multiSampleType, DWORD* qualityLevels) override;
  HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat,
                                 D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) override;
  HRESULT CheckDeviceFormatConversion(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT sourceFormat,
                                      D3DFORMAT targetFormat) override;
  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS9* caps) override;
  HMONITOR GetAdapterMonitor(UINT adapter) override;
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                       D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) override;

  Adapter& adapter(UINT ordinal) { return adapters_[ordinal]; }

 private:
  ~Direct3D() = default;
  // D3D_OK when the adapter exists and the device type is one this layer offers; the
  // D3DERR_INVALIDCALL or D3DERR_NOTAVAILABLE otherwise.
  HRESULT checkAdapterAndType(UINT adapter, D3DDEVTYPE type) const;

  ULONG referenceCount_ = 1;
  std::vector<Adapter> adapters_;
};

}  // namespace platform::d3d9
