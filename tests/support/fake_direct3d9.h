// A scripted IDirect3D9 for tests of code that enumerates and creates devices: adapters with
// their identifiers, modes and caps per device type, and refusals of format checks and device
// creation. It records the calls it receives. It never deletes itself: the test owns it, and
// `references` shows whether the code under test released what it took.
#pragma once

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"

namespace prism_test {

class FakeDirect3D9 : public IDirect3D9 {
 public:
  struct Adapter {
    D3DADAPTER_IDENTIFIER9 identifier{};
    D3DDISPLAYMODE desktop{1024, 768, 60, D3DFMT_X8R8G8B8};
    std::vector<D3DDISPLAYMODE> modes;
    // Device types without caps fail GetDeviceCaps with D3DERR_NOTAVAILABLE.
    std::map<D3DDEVTYPE, D3DCAPS9> caps;
  };

  // Refusals: each returns the result of the check; unset ones accept (D3D_OK).
  using DeviceTypeCheck = std::function<HRESULT(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, BOOL)>;
  using DeviceFormatCheck = std::function<HRESULT(UINT, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE, D3DFORMAT)>;
  using DepthStencilCheck = std::function<HRESULT(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT)>;
  // Returns the result and the quality count to report.
  using MultiSampleCheck =
      std::function<HRESULT(UINT, D3DDEVTYPE, D3DFORMAT, BOOL, D3DMULTISAMPLE_TYPE, DWORD* qualityLevels)>;
  using DeviceFactory =
      std::function<HRESULT(UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*, IDirect3DDevice9**)>;

  std::vector<Adapter> adapters;
  DeviceTypeCheck deviceTypeCheck;
  DeviceFormatCheck deviceFormatCheck;
  DepthStencilCheck depthStencilCheck;
  // Unset: only D3DMULTISAMPLE_NONE is accepted, with one quality level.
  MultiSampleCheck multiSampleCheck;
  // Unset: CreateDevice fails with D3DERR_NOTAVAILABLE.
  DeviceFactory createDevice;

  ULONG references = 1;
  std::vector<std::string> calls;  // method names in call order

  // An adapter with this description and desktop, its desktop mode listed, and no device types.
  Adapter& addAdapter(const char* description, D3DDISPLAYMODE desktop = {1024, 768, 60, D3DFMT_X8R8G8B8}) {
    Adapter adapter;
    std::strncpy(adapter.identifier.Description, description, sizeof adapter.identifier.Description - 1);
    std::strncpy(adapter.identifier.Driver, "fake.dll", sizeof adapter.identifier.Driver - 1);
    adapter.desktop = desktop;
    adapter.modes.push_back(desktop);
    adapters.push_back(adapter);
    return adapters.back();
  }

  // Caps of a capable hardware device: shaders 2.0, hardware transform and lighting, pure
  // device, the usual present intervals.
  static D3DCAPS9 capableCaps(D3DDEVTYPE type, UINT adapter = 0) {
    D3DCAPS9 caps{};
    caps.DeviceType = type;
    caps.AdapterOrdinal = adapter;
    caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE | D3DDEVCAPS_HWRASTERIZATION;
    caps.PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_TWO;
    caps.TextureCaps = D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_NONPOW2CONDITIONAL | D3DPTEXTURECAPS_MIPMAP;
    caps.MaxTextureWidth = 4096;
    caps.MaxTextureHeight = 4096;
    caps.MaxVolumeExtent = 256;
    caps.VertexShaderVersion = D3DVS_VERSION(2, 0);
    caps.PixelShaderVersion = D3DPS_VERSION(2, 0);
    caps.MaxVertexShaderConst = 256;
    caps.NumSimultaneousRTs = 1;
    return caps;
  }

  // IUnknown
  HRESULT QueryInterface(REFIID riid, void** object) override {
    calls.push_back("QueryInterface");
    if (riid == IID_IUnknown || riid == IID_IDirect3D9) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return references == 0 ? 0 : --references; }

  // IDirect3D9
  HRESULT RegisterSoftwareDevice(void*) override {
    calls.push_back("RegisterSoftwareDevice");
    return D3DERR_NOTAVAILABLE;
  }
  UINT GetAdapterCount() override {
    calls.push_back("GetAdapterCount");
    return static_cast<UINT>(adapters.size());
  }
  HRESULT GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER9* identifier) override {
    calls.push_back("GetAdapterIdentifier");
    if (adapter >= adapters.size() || !identifier) return D3DERR_INVALIDCALL;
    *identifier = adapters[adapter].identifier;
    return D3D_OK;
  }
  UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override {
    calls.push_back("GetAdapterModeCount");
    return static_cast<UINT>(modesOf(adapter, format).size());
  }
  HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* displayMode) override {
    calls.push_back("EnumAdapterModes");
    std::vector<D3DDISPLAYMODE> modes = modesOf(adapter, format);
    if (mode >= modes.size() || !displayMode) return D3DERR_INVALIDCALL;
    *displayMode = modes[mode];
    return D3D_OK;
  }
  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) override {
    calls.push_back("GetAdapterDisplayMode");
    if (adapter >= adapters.size() || !displayMode) return D3DERR_INVALIDCALL;
    *displayMode = adapters[adapter].desktop;
    return D3D_OK;
  }
  HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, D3DFORMAT backBufferFormat,
                          BOOL windowed) override {
    calls.push_back("CheckDeviceType");
    if (HRESULT known = knownDevice(adapter, type); FAILED(known)) return known;
    return deviceTypeCheck ? deviceTypeCheck(adapter, type, adapterFormat, backBufferFormat, windowed) : D3D_OK;
  }
  HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                            D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override {
    calls.push_back("CheckDeviceFormat");
    if (HRESULT known = knownDevice(adapter, type); FAILED(known)) return known;
    return deviceFormatCheck ? deviceFormatCheck(adapter, type, adapterFormat, usage, resourceType, checkFormat)
                             : D3D_OK;
  }
  HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT surfaceFormat, BOOL windowed,
                                     D3DMULTISAMPLE_TYPE multiSampleType, DWORD* qualityLevels) override {
    calls.push_back("CheckDeviceMultiSampleType");
    if (HRESULT known = knownDevice(adapter, type); FAILED(known)) return known;
    DWORD quality = 0;
    HRESULT result = multiSampleCheck
                         ? multiSampleCheck(adapter, type, surfaceFormat, windowed, multiSampleType, &quality)
                         : (multiSampleType == D3DMULTISAMPLE_NONE ? (quality = 1, D3D_OK) : D3DERR_NOTAVAILABLE);
    if (qualityLevels) *qualityLevels = quality;
    return result;
  }
  HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, D3DFORMAT renderTargetFormat,
                                 D3DFORMAT depthStencilFormat) override {
    calls.push_back("CheckDepthStencilMatch");
    if (HRESULT known = knownDevice(adapter, type); FAILED(known)) return known;
    return depthStencilCheck ? depthStencilCheck(adapter, type, adapterFormat, renderTargetFormat, depthStencilFormat)
                             : D3D_OK;
  }
  HRESULT CheckDeviceFormatConversion(UINT adapter, D3DDEVTYPE type, D3DFORMAT, D3DFORMAT) override {
    calls.push_back("CheckDeviceFormatConversion");
    return knownDevice(adapter, type);
  }
  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override {
    calls.push_back("GetDeviceCaps");
    if (HRESULT known = knownDevice(adapter, type); FAILED(known)) return known;
    if (!caps) return D3DERR_INVALIDCALL;
    *caps = adapters[adapter].caps.at(type);
    return D3D_OK;
  }
  HMONITOR GetAdapterMonitor(UINT) override {
    calls.push_back("GetAdapterMonitor");
    return nullptr;
  }
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                       D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) override {
    calls.push_back("CreateDevice");
    if (device) *device = nullptr;
    if (HRESULT known = knownDevice(adapter, type); FAILED(known)) return known;
    return createDevice ? createDevice(adapter, type, focusWindow, behaviorFlags, parameters, device)
                        : D3DERR_NOTAVAILABLE;
  }

 private:
  HRESULT knownDevice(UINT adapter, D3DDEVTYPE type) const {
    if (adapter >= adapters.size()) return D3DERR_INVALIDCALL;
    return adapters[adapter].caps.count(type) ? D3D_OK : D3DERR_NOTAVAILABLE;
  }
  std::vector<D3DDISPLAYMODE> modesOf(UINT adapter, D3DFORMAT format) const {
    std::vector<D3DDISPLAYMODE> result;
    if (adapter >= adapters.size()) return result;
    for (const D3DDISPLAYMODE& mode : adapters[adapter].modes) {
      if (mode.Format == format) result.push_back(mode);
    }
    return result;
  }
};

}  // namespace prism_test
