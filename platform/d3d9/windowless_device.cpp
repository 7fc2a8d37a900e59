#include "platform/d3d9/windowless_device.h"

#include <cstdint>

namespace platform::d3d9 {

HRESULT createWindowlessDevice(const WindowlessDeviceOptions& options, ComPtr<IDirect3DDevice9>* device) {
  if (device == nullptr) return E_POINTER;
  auto direct3D = ComPtr<IDirect3D9>::adopt(Direct3DCreate9(D3D_SDK_VERSION));
  if (!direct3D) return E_FAIL;
  // Any non-null handle will do: the offscreen display system presents nowhere.
  HWND window = reinterpret_cast<HWND>(std::uintptr_t{0x0D3D});
  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferWidth = options.width;
  parameters.BackBufferHeight = options.height;
  parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
  parameters.BackBufferCount = 1;
  parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
  parameters.hDeviceWindow = window;
  parameters.Windowed = TRUE;
  parameters.EnableAutoDepthStencil = options.depthBuffer ? TRUE : FALSE;
  parameters.AutoDepthStencilFormat = options.depthBuffer ? D3DFMT_D24S8 : D3DFMT_UNKNOWN;
  return direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                &parameters, device->put());
}

}  // namespace platform::d3d9
