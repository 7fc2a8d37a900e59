// A Direct3D object and a windowed device on the offscreen display, for the device tests.
#pragma once

#include <gtest/gtest.h>

#include "platform/d3d9/com_ptr.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/display_system.h"

namespace platform::d3d9 {

inline HWND testWindow() { return reinterpret_cast<HWND>(std::uintptr_t{0x1234}); }

inline D3DPRESENT_PARAMETERS windowedParameters(UINT width = 64, UINT height = 48) {
  D3DPRESENT_PARAMETERS p{};
  p.BackBufferWidth = width;
  p.BackBufferHeight = height;
  p.BackBufferFormat = D3DFMT_X8R8G8B8;
  p.BackBufferCount = 1;
  p.SwapEffect = D3DSWAPEFFECT_DISCARD;
  p.hDeviceWindow = testWindow();
  p.Windowed = TRUE;
  p.EnableAutoDepthStencil = TRUE;
  p.AutoDepthStencilFormat = D3DFMT_D24S8;
  return p;
}

inline D3DPRESENT_PARAMETERS fullscreenParameters() {
  D3DPRESENT_PARAMETERS p = windowedParameters(640, 480);
  p.Windowed = FALSE;
  return p;
}

class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    offscreenDisplaySystem().clear();
    direct3D = ComPtr<IDirect3D9>::adopt(Direct3DCreate9(D3D_SDK_VERSION));
    ASSERT_TRUE(direct3D);
    parameters = windowedParameters();
    ASSERT_EQ(createDevice(&parameters, D3DCREATE_HARDWARE_VERTEXPROCESSING, device.put()), D3D_OK);
  }

  void TearDown() override {
    if (device) {
      EXPECT_EQ(device.detach()->Release(), 0u) << "objects were leaked";
    }
    offscreenDisplaySystem().clear();
  }

  HRESULT createDevice(D3DPRESENT_PARAMETERS* p, DWORD flags, IDirect3DDevice9** out) {
    return direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, testWindow(), flags, p, out);
  }

  ComPtr<IDirect3D9> direct3D;
  ComPtr<IDirect3DDevice9> device;
  D3DPRESENT_PARAMETERS parameters{};
};

}  // namespace platform::d3d9
