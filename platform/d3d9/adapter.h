// One adapter of the software Direct3D: the display it drives, its identifier, its mode list,
// and the device types, caps and format answers it gives.
#pragma once

#include <vector>

#include "platform/d3d9/display_system.h"

namespace platform::d3d9 {

struct Adapter {
  DisplayDescription display;
  D3DADAPTER_IDENTIFIER9 identifier;
  // Modes in X8R8G8B8 first, then the same sizes in R5G6B5; each list by width, then height.
  std::vector<D3DDISPLAYMODE> modes;
  // The mode a fullscreen device has set, if any; the desktop otherwise.
  D3DDISPLAYMODE currentMode;
};

// Adapters for the displays the display system reports, in its order.
std::vector<Adapter> describeAdapters(const DisplaySystem& system);

// The device types that exist: HAL and REF, both the software rasteriser. SW needs a
// registered software device, and there is none.
inline bool deviceTypeExists(D3DDEVTYPE type) { return type == D3DDEVTYPE_HAL || type == D3DDEVTYPE_REF; }
// NULLREF and unknown values are refused outright (D3DERR_INVALIDCALL); SW only fails the checks.
inline bool deviceTypeIsValid(D3DDEVTYPE type) { return type >= D3DDEVTYPE_HAL && type <= D3DDEVTYPE_SW; }

// The caps of the software rasteriser.
D3DCAPS9 softwareDeviceCaps(UINT adapterOrdinal, D3DDEVTYPE type);

// Format answers of an existing device type, in result codes (D3D_OK, D3DOK_NOAUTOGEN or
// D3DERR_NOTAVAILABLE). Arguments that are plainly invalid give D3DERR_INVALIDCALL.
HRESULT checkDeviceType(D3DFORMAT displayFormat, D3DFORMAT backBufferFormat, bool windowed);
HRESULT checkDeviceFormat(D3DFORMAT adapterFormat, DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format);
HRESULT checkDepthStencilMatch(D3DFORMAT adapterFormat, D3DFORMAT renderTargetFormat, D3DFORMAT depthFormat);
HRESULT checkMultiSampleType(D3DFORMAT surfaceFormat, D3DMULTISAMPLE_TYPE type, DWORD* qualityLevels);
HRESULT checkFormatConversion(D3DFORMAT sourceFormat, D3DFORMAT targetFormat);

// The display format a fullscreen back buffer of this format is shown in (the same format
// without alpha), or D3DFMT_UNKNOWN.
D3DFORMAT displayFormatForBackBuffer(D3DFORMAT backBufferFormat);

}  // namespace platform::d3d9
