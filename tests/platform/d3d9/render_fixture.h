// A device drawing into a small lockable A8R8G8B8 target with a D24S8 depth buffer, inside a
// scene, with helpers to draw pre-transformed vertices and read pixels back.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "platform/d3d9/d3d9_testing.h"
#include "tests/platform/d3d9/device_fixture.h"

namespace platform::d3d9 {

// Screen-space vertex with a colour and one texture coordinate set.
struct ScreenVertex9 {
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
};
inline constexpr DWORD kScreenVertexFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// A float render or stage state's value as the DWORD SetRenderState takes.
inline DWORD floatBits(float f) { return std::bit_cast<DWORD>(f); }

class RenderTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    useTarget(8, 8);
  }

  void TearDown() override {
    if (inScene_) device->EndScene();
    target_.reset();
    depth_.reset();
    DeviceTest::TearDown();
  }

  void useTarget(UINT width, UINT height, D3DFORMAT format = D3DFMT_A8R8G8B8) {
    if (inScene_) device->EndScene();
    inScene_ = false;
    width_ = width;
    height_ = height;
    ASSERT_EQ(device->CreateRenderTarget(width, height, format, D3DMULTISAMPLE_NONE, 0, TRUE, target_.put(), nullptr),
              D3D_OK);
    ASSERT_EQ(device->CreateDepthStencilSurface(width, height, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE,
                                                depth_.put(), nullptr),
              D3D_OK);
    ASSERT_EQ(device->SetRenderTarget(0, target_.get()), D3D_OK);
    ASSERT_EQ(device->SetDepthStencilSurface(depth_.get()), D3D_OK);
    D3DVIEWPORT9 viewport{0, 0, width, height, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    inScene_ = true;
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  }

  std::vector<D3DCOLOR> pixels() {
    std::vector<D3DCOLOR> out(std::size_t{width_} * height_);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(target_->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    for (UINT y = 0; y < height_; ++y) {
      std::memcpy(&out[std::size_t{y} * width_], static_cast<const char*>(locked.pBits) + y * locked.Pitch, width_ * 4);
    }
    target_->UnlockRect();
    return out;
  }
  D3DCOLOR pixel(UINT x, UINT y) { return pixels()[std::size_t{y} * width_ + x]; }
  int count(D3DCOLOR color) {
    int n = 0;
    for (D3DCOLOR c : pixels()) n += c == color;
    return n;
  }
  // How many different colours the target holds.
  std::size_t distinctColors() {
    std::vector<D3DCOLOR> image = pixels();
    std::sort(image.begin(), image.end());
    return static_cast<std::size_t>(std::unique(image.begin(), image.end()) - image.begin());
  }

  HRESULT drawScreen(D3DPRIMITIVETYPE type, const std::vector<ScreenVertex9>& vertices, UINT primitives) {
    device->SetFVF(kScreenVertexFvf);
    return device->DrawPrimitiveUP(type, primitives, vertices.data(), sizeof(ScreenVertex9));
  }
  // A rectangle of two triangles covering [x0, x1) x [y0, y1) with texture coordinates 0..1.
  HRESULT drawRect(float x0, float y0, float x1, float y1, D3DCOLOR color, float z = 0.5f) {
    std::vector<ScreenVertex9> v{{x0, y0, z, 1, color, 0, 0},
                                 {x1, y0, z, 1, color, 1, 0},
                                 {x0, y1, z, 1, color, 0, 1},
                                 {x1, y1, z, 1, color, 1, 1}};
    return drawScreen(D3DPT_TRIANGLESTRIP, v, 2);
  }

  ComPtr<IDirect3DTexture9> makeTexture(UINT width, UINT height, const std::vector<D3DCOLOR>& texels, UINT levels = 1,
                                        D3DFORMAT format = D3DFMT_A8R8G8B8) {
    ComPtr<IDirect3DTexture9> texture;
    EXPECT_EQ(device->CreateTexture(width, height, levels, 0, format, D3DPOOL_MANAGED, texture.put(), nullptr), D3D_OK);
    std::size_t offset = 0;
    for (UINT level = 0; level < levels; ++level) {
      UINT w = std::max(1u, width >> level), h = std::max(1u, height >> level);
      D3DLOCKED_RECT locked{};
      EXPECT_EQ(texture->LockRect(level, &locked, nullptr, 0), D3D_OK);
      for (UINT y = 0; y < h; ++y) {
        for (UINT x = 0; x < w; ++x) {
          D3DCOLOR c = offset < texels.size() ? texels[offset] : 0;
          ++offset;
          std::memcpy(static_cast<char*>(locked.pBits) + y * locked.Pitch + x * 4, &c, 4);
        }
      }
      texture->UnlockRect(level);
    }
    return texture;
  }

  ComPtr<IDirect3DSurface9> target_;
  ComPtr<IDirect3DSurface9> depth_;
  UINT width_ = 0, height_ = 0;
  bool inScene_ = false;
};

}  // namespace platform::d3d9
