// A device of the software Direct3D 9 for programs without a window: the command-line tools,
// benchmarks and fuzz targets that only create resources or draw into the back buffer.
#pragma once

#include "platform/d3d9/com_ptr.h"
#include "platform/d3d9/d3d9.h"

namespace platform::d3d9 {

struct WindowlessDeviceOptions {
  UINT width = 16;
  UINT height = 16;
  bool depthBuffer = false;  // a D24S8 automatic depth-stencil buffer
};

// A windowed HAL device on the default adapter, with hardware vertex processing and an
// X8R8G8B8 back buffer. The Direct3D object is kept alive by the device.
HRESULT createWindowlessDevice(const WindowlessDeviceOptions& options, ComPtr<IDirect3DDevice9>* device);

}  // namespace platform::d3d9
