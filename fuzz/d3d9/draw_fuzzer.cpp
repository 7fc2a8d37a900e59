// Draws arbitrary vertex bytes on a small target: the first bytes pick the primitive type,
// fill, cull and shade modes, whether the vertices are pre-transformed, a texture, and a few
// states;
// the rest are vertices (floats of any value) followed by 16-bit indices of any value.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3d9/com_ptr.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/display_system.h"

using namespace platform::d3d9;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  offscreenDisplaySystem().clear();
  auto direct3D = ComPtr<IDirect3D9>::adopt(Direct3DCreate9(D3D_SDK_VERSION));
  if (!direct3D) return 0;
  D3DPRESENT_PARAMETERS p{};
  p.BackBufferWidth = 16;
  p.BackBufferHeight = 16;
  p.BackBufferFormat = D3DFMT_X8R8G8B8;
  p.BackBufferCount = 1;
  p.SwapEffect = D3DSWAPEFFECT_DISCARD;
  p.hDeviceWindow = reinterpret_cast<HWND>(std::uintptr_t{0x1234});
  p.Windowed = TRUE;
  p.EnableAutoDepthStencil = TRUE;
  p.AutoDepthStencilFormat = D3DFMT_D24S8;
  ComPtr<IDirect3DDevice9> device;
  if (direct3D->CreateDevice(0, D3DDEVTYPE_HAL, p.hDeviceWindow, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p,
                             device.put()) != D3D_OK) {
    return 0;
  }
  const auto type = static_cast<D3DPRIMITIVETYPE>(1 + data[0] % 6);
  const bool pretransformed = data[1] & 1;
  device->SetRenderState(D3DRS_FILLMODE, 1 + data[1] / 2 % 3);
  device->SetRenderState(D3DRS_CULLMODE, 1 + data[2] % 3);
  device->SetRenderState(D3DRS_SHADEMODE, 1 + data[2] / 3 % 2);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, data[3] & 1);
  device->SetRenderState(D3DRS_STENCILENABLE, data[3] & 2);
  device->SetRenderState(D3DRS_LIGHTING, data[3] & 4);
  device->SetRenderState(D3DRS_FOGENABLE, data[3] & 8);
  device->SetRenderState(D3DRS_FOGTABLEMODE, data[3] / 16 % 4);
  const UINT stride = pretransformed ? 28 : 24;
  // Pre-transformed: XYZRHW, diffuse, (u, v) = 28 bytes; transformed: XYZ, diffuse, (u, v) = 24 bytes.
  const DWORD fvf = (pretransformed ? D3DFVF_XYZRHW : D3DFVF_XYZ) | D3DFVF_DIFFUSE | D3DFVF_TEX1;
  const std::size_t vertexBytes = std::min<std::size_t>((size - 4) / 2 / stride * stride, 64 * stride);
  const UINT vertexCount = static_cast<UINT>(vertexBytes / stride);
  if (vertexCount == 0) return 0;
  std::vector<std::uint8_t> vertices(data + 4, data + 4 + vertexBytes);
  std::vector<WORD> indices((size - 4 - vertexBytes) / 2);
  if (!indices.empty()) std::memcpy(indices.data(), data + 4 + vertexBytes, indices.size() * 2);
  // Half the inputs draw with a small wrapped, filtered texture, which takes the common draws
  // down the block path; its texels are the input's first bytes.
  ComPtr<IDirect3DTexture9> texture;
  if ((data[3] & 64) && device->CreateTexture(4, 4, 1, 0, (data[3] & 128) ? D3DFMT_X8R8G8B8 : D3DFMT_A8R8G8B8,
                                              D3DPOOL_MANAGED, texture.put(), nullptr) == D3D_OK) {
    D3DLOCKED_RECT locked{};
    if (texture->LockRect(0, &locked, nullptr, 0) == D3D_OK) {
      for (UINT y = 0; y < 4; ++y) {
        for (UINT x = 0; x < 16; ++x) {
          static_cast<std::uint8_t*>(locked.pBits)[y * static_cast<UINT>(locked.Pitch) + x] = data[(y * 16 + x) % size];
        }
      }
      texture->UnlockRect(0);
    }
    device->SetTexture(0, texture.get());
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, data[2] & 64);
    device->SetRenderState(D3DRS_ALPHAREF, data[2]);
  }
  device->SetFVF(fvf);
  device->BeginScene();
  UINT primitives = 0;
  for (UINT n = 1; n <= vertexCount; ++n) {
    std::uint64_t needed = type == D3DPT_POINTLIST      ? n
                           : type == D3DPT_LINELIST     ? 2ull * n
                           : type == D3DPT_LINESTRIP    ? n + 1ull
                           : type == D3DPT_TRIANGLELIST ? 3ull * n
                                                        : n + 2ull;
    if (needed <= vertexCount) primitives = n;
  }
  if (primitives) device->DrawPrimitiveUP(type, primitives, vertices.data(), stride);
  // The second draw may take another depth function: the two draws are rendered together at
  // the end of the scene, the second perhaps painting over the first.
  device->SetRenderState(D3DRS_ZFUNC, 1 + data[1] / 8 % 8);
  if (!indices.empty() && type != D3DPT_POINTLIST) {
    UINT indexed = 0;
    for (UINT n = 1; n <= indices.size(); ++n) {
      std::uint64_t needed = type == D3DPT_LINELIST       ? 2ull * n
                             : type == D3DPT_LINESTRIP    ? n + 1ull
                             : type == D3DPT_TRIANGLELIST ? 3ull * n
                                                          : n + 2ull;
      if (needed <= indices.size()) indexed = n;
    }
    if (indexed) {
      device->DrawIndexedPrimitiveUP(type, 0, vertexCount, indexed, indices.data(), D3DFMT_INDEX16, vertices.data(),
                                     stride);
    }
  }
  device->EndScene();
  device->SetTexture(0, nullptr);
  texture.reset();
  device.reset();
  return 0;
}
