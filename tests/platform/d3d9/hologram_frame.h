// One frame of the hologram scene on the software device: the card mesh with the fixed-function
// pipeline and a 512x512 bilinear texture, the hologram mesh with the scene's vertex and pixel
// shaders, and 100 alpha-blended text quads. Shared by the frame benchmark and the test that
// pins the frame's image.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/d3d9/com_ptr.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/d3d9_testing.h"
#include "platform/d3d9/display_system.h"
#include "shader_asm/shader_assembler.h"
#include "tests/platform/d3d9/hologram_shaders.h"

namespace platform::d3d9 {
namespace hologram_frame {

using Matrix = std::array<float, 16>;

Matrix lookAtRH(const float eye[3], const float at[3], const float up[3]) {
  auto normalize = [](std::array<float, 3> v) {
    float l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return std::array<float, 3>{v[0] / l, v[1] / l, v[2] / l};
  };
  auto cross = [](const std::array<float, 3>& a, const std::array<float, 3>& b) {
    return std::array<float, 3>{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  };
  auto dot = [](const std::array<float, 3>& a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
  std::array<float, 3> z = normalize({eye[0] - at[0], eye[1] - at[1], eye[2] - at[2]});
  std::array<float, 3> x = normalize(cross({up[0], up[1], up[2]}, z));
  std::array<float, 3> y = cross(z, x);
  return {x[0], y[0], z[0], 0, x[1], y[1], z[1], 0, x[2], y[2], z[2], 0, -dot(x, eye), -dot(y, eye), -dot(z, eye), 1};
}

Matrix perspectiveFovRH(float fov, float aspect, float zn, float zf) {
  // The tangent in double, rounded to float: the same value whether the compiler folds it or
  // the library computes it, so the frame is the same in every build.
  float yScale = 1.0f / static_cast<float>(std::tan(static_cast<double>(fov) / 2)), xScale = yScale / aspect;
  return {xScale, 0, 0, 0, 0, yScale, 0, 0, 0, 0, zf / (zn - zf), -1, 0, 0, zn * zf / (zn - zf), 0};
}

Matrix multiply(const Matrix& a, const Matrix& b) {
  Matrix out{};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      for (int k = 0; k < 4; ++k)
        out[static_cast<std::size_t>(r * 4 + c)] +=
            a[static_cast<std::size_t>(r * 4 + k)] * b[static_cast<std::size_t>(k * 4 + c)];
    }
  }
  return out;
}

D3DMATRIX toD3D(const Matrix& m) {
  D3DMATRIX out;
  std::memcpy(out.m, m.data(), sizeof out.m);
  return out;
}

constexpr int kGrid = 30;

std::vector<CardVertex> mesh(bool card) {
  std::vector<CardVertex> vertices;
  const float n1 = kGrid - 1, t = 1.0f / n1, pi = 3.1415927f;
  for (int j = 0; j < kGrid; ++j) {
    for (int k = 0; k < kGrid; ++k) {
      float fk = static_cast<float>(k), fj = static_cast<float>(j);
      if (card) {
        vertices.push_back(
            {{(fk / n1 - 0.83f) * 9.424778f, (fj / n1 - 0.5f) * 6.2831855f, -0.001f}, {0, 0, 1}, fk * t, 1 - fj * t});
      } else {
        vertices.push_back(
            {{(fk / n1 - 0.5f) * pi, (fj / n1 - 0.5f) * pi, 0}, {1, 0, 0}, 0.9f - fk * t * 0.9f, 1 - fj * t});
      }
    }
  }
  return vertices;
}

std::vector<WORD> meshIndices() {
  std::vector<WORD> indices;
  for (int j = 1; j < kGrid; ++j) {
    for (int k = 1; k < kGrid; ++k) {
      auto at = [](int row, int column) { return static_cast<WORD>(row * kGrid + column); };
      indices.insert(indices.end(),
                     {at(j - 1, k - 1), at(j, k - 1), at(j - 1, k), at(j - 1, k), at(j, k - 1), at(j, k)});
    }
  }
  return indices;
}

struct TextVertex {
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
};

class Frame {
 public:
  Frame(UINT width, UINT height, unsigned workers) : width_(width), height_(height) {
    offscreenDisplaySystem().clear();
    direct3D_ = ComPtr<IDirect3D9>::adopt(Direct3DCreate9(D3D_SDK_VERSION));
    D3DPRESENT_PARAMETERS p{};
    p.BackBufferWidth = width;
    p.BackBufferHeight = height;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.hDeviceWindow = reinterpret_cast<HWND>(std::uintptr_t{0x1234});
    p.Windowed = TRUE;
    p.EnableAutoDepthStencil = TRUE;
    p.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;  // so tests can read the image back
    p.AutoDepthStencilFormat = D3DFMT_D24S8;
    ok_ = direct3D_ && direct3D_->CreateDevice(0, D3DDEVTYPE_HAL, p.hDeviceWindow, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                               &p, device_.put()) == D3D_OK;
    if (!ok_) return;
    testing::setRenderWorkers(device_.get(),
                              workers == 0 ? std::max(1u, std::thread::hardware_concurrency()) : workers);
    build();
    ok_ = ok_ && vs_ && ps_;
  }
  ~Frame() {
    texture_.reset();
    glyphs_.reset();
    vs_.reset();
    ps_.reset();
    declaration_.reset();
    for (auto& b : vertices_) b.reset();
    indices_.reset();
    device_.reset();
    direct3D_.reset();
  }
  bool ok() const { return ok_; }
  // Off: every pixel through the general paths (the fast paths must give the same image).
  void setFastPaths(bool enabled) { testing::setFastPaths(device_.get(), enabled); }

  // FNV-1a over the back buffer's pixels, row by row (0 when it cannot be read).
  std::uint64_t imageHash() {
    ComPtr<IDirect3DSurface9> surface;
    if (device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, surface.put()) != D3D_OK) return 0;
    D3DLOCKED_RECT locked{};
    if (surface->LockRect(&locked, nullptr, D3DLOCK_READONLY) != D3D_OK) return 0;
    std::uint64_t hash = 14695981039346656037ull;
    for (UINT y = 0; y < height_; ++y) {
      const auto* row = static_cast<const unsigned char*>(locked.pBits) + std::size_t{y} * locked.Pitch;
      for (std::size_t i = 0; i < std::size_t{width_} * 4; ++i) hash = (hash ^ row[i]) * 1099511628211ull;
    }
    surface->UnlockRect();
    return hash;
  }

  void render() {
    IDirect3DDevice9* d = device_.get();
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x000000FF, 1.0f, 0);
    d->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    d->BeginScene();
    d->SetVertexDeclaration(declaration_.get());
    d->SetIndices(indices_.get());
    // The card: fixed function, alpha test GREATER 15.
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d->SetTexture(0, texture_.get());
    d->SetVertexShader(nullptr);
    d->SetPixelShader(nullptr);
    d->SetStreamSource(0, vertices_[1].get(), 0, sizeof(CardVertex));
    d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 900, 0, 1682);
    // The hologram: the scene's shaders.
    d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    d->SetVertexShader(vs_.get());
    d->SetPixelShader(ps_.get());
    d->SetStreamSource(0, vertices_[0].get(), 0, sizeof(CardVertex));
    d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 900, 0, 1682);
    // Text: 100 blended glyph quads of 9x16 pixels.
    d->SetVertexShader(nullptr);
    d->SetPixelShader(nullptr);
    d->SetTexture(0, glyphs_.get());
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHAREF, 8);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 200, text_.data(), sizeof(TextVertex));
    d->SetRenderState(D3DRS_ZENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    d->SetRenderState(D3DRS_ALPHAREF, 15);
    d->EndScene();
  }

 private:
  void build() {
    IDirect3DDevice9* d = device_.get();
    std::vector<DWORD> vs = assemble(kHologramVertexShaderText), ps = assemble(kHologramPixelShaderText);
    if (vs.empty() || ps.empty()) {
      ok_ = false;
      return;
    }
    d->CreateVertexShader(vs.data(), vs_.put());
    d->CreatePixelShader(ps.data(), ps_.put());
    d->CreateVertexDeclaration(cardVertexElements(), declaration_.put());
    std::vector<WORD> indices = meshIndices();
    void* data = nullptr;
    d->CreateIndexBuffer(static_cast<UINT>(indices.size() * 2), 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, indices_.put(),
                         nullptr);
    indices_->Lock(0, 0, &data, 0);
    std::memcpy(data, indices.data(), indices.size() * 2);
    indices_->Unlock();
    for (int model = 0; model < 2; ++model) {
      std::vector<CardVertex> v = mesh(model == 1);
      d->CreateVertexBuffer(static_cast<UINT>(v.size() * sizeof(CardVertex)), 0, 0, D3DPOOL_DEFAULT,
                            vertices_[static_cast<std::size_t>(model)].put(), nullptr);
      vertices_[static_cast<std::size_t>(model)]->Lock(0, 0, &data, 0);
      std::memcpy(data, v.data(), v.size() * sizeof(CardVertex));
      vertices_[static_cast<std::size_t>(model)]->Unlock();
    }
    texture_ = makeTexture(512, [](UINT x, UINT y) {
      return 0xFF000000u | ((x * 7) & 0xFF) << 16 | ((y * 5) & 0xFF) << 8 | ((x ^ y) & 0xFF);
    });
    glyphs_ = makeTexture(256, [](UINT x, UINT y) { return ((x / 3 + y / 5) % 3 ? 0xFF000000u : 0u) | 0x00FFFFFFu; });
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    d->SetRenderState(D3DRS_ALPHAREF, 15);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    const float eye[3] = {0.6f, 0.3f, 3.0f}, at[3] = {0, 0, 0}, up[3] = {0, 1, 0};
    Matrix view = lookAtRH(eye, at, up);
    Matrix projection =
        perspectiveFovRH(1.0471976f, static_cast<float>(width_) / static_cast<float>(height_), 0.1f, 100.0f);
    D3DMATRIX v = toD3D(view), p = toD3D(projection);
    d->SetTransform(D3DTS_VIEW, &v);
    d->SetTransform(D3DTS_PROJECTION, &p);
    Matrix viewProjection = multiply(view, projection);
    float transposed[16];
    for (int r = 0; r < 4; ++r) {
      for (int c = 0; c < 4; ++c) transposed[r * 4 + c] = viewProjection[static_cast<std::size_t>(c * 4 + r)];
    }
    const float c4[4] = {0.0f, 0.1f, 0.2f, 1.0f}, c5[4] = {0.5f, 2.0f, 1.6f, 2.0f}, c6[4] = {eye[0], eye[1], eye[2], 1};
    const float pc0[4] = {3.0f, 0.33333f, 0.0f, 1.0f};
    d->SetVertexShaderConstantF(0, transposed, 4);
    d->SetVertexShaderConstantF(4, c4, 1);
    d->SetVertexShaderConstantF(5, c5, 1);
    d->SetVertexShaderConstantF(6, c6, 1);
    d->SetPixelShaderConstantF(0, pc0, 1);
    for (int i = 0; i < 100; ++i) {
      float x = static_cast<float>(2 + (i % 40) * 10) - 0.5f, y = static_cast<float>(2 + (i / 40) * 20) - 0.5f;
      float u = static_cast<float>(i % 16) / 16.0f, v = static_cast<float>(i / 16) / 16.0f, s = 1.0f / 16.0f;
      TextVertex a{x, y, 0, 1, 0xFFFFFF00, u, v}, b{x + 9, y, 0, 1, 0xFFFFFF00, u + s, v};
      TextVertex c{x, y + 16, 0, 1, 0xFFFFFF00, u, v + s}, e{x + 9, y + 16, 0, 1, 0xFFFFFF00, u + s, v + s};
      text_.insert(text_.end(), {a, b, c, b, e, c});
    }
  }

  static std::vector<DWORD> assemble(const char* text) {
    shader_asm::ShaderBuffer* shader = nullptr;
    std::vector<DWORD> tokens;
    if (shader_asm::assembleShaderFromMemory(text, std::strlen(text), "Hologram", nullptr, nullptr, 0, &shader,
                                             nullptr) == S_OK &&
        shader) {
      tokens.resize(shader->GetSize() / 4);
      std::memcpy(tokens.data(), shader->GetData(), tokens.size() * 4);
    }
    if (shader) shader->Release();
    return tokens;
  }

  template <typename Texel>
  ComPtr<IDirect3DTexture9> makeTexture(UINT size, Texel texel) {
    ComPtr<IDirect3DTexture9> texture;
    device_->CreateTexture(size, size, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.put(), nullptr);
    D3DLOCKED_RECT locked{};
    texture->LockRect(0, &locked, nullptr, 0);
    for (UINT y = 0; y < size; ++y) {
      auto* row = reinterpret_cast<DWORD*>(static_cast<char*>(locked.pBits) + y * locked.Pitch);
      for (UINT x = 0; x < size; ++x) row[x] = texel(x, y);
    }
    texture->UnlockRect(0);
    return texture;
  }

  UINT width_, height_;
  bool ok_ = false;
  ComPtr<IDirect3D9> direct3D_;
  ComPtr<IDirect3DDevice9> device_;
  ComPtr<IDirect3DVertexShader9> vs_;
  ComPtr<IDirect3DPixelShader9> ps_;
  ComPtr<IDirect3DVertexDeclaration9> declaration_;
  std::array<ComPtr<IDirect3DVertexBuffer9>, 2> vertices_;
  ComPtr<IDirect3DIndexBuffer9> indices_;
  ComPtr<IDirect3DTexture9> texture_;
  ComPtr<IDirect3DTexture9> glyphs_;
  std::vector<TextVertex> text_;
};

}  // namespace hologram_frame
}  // namespace platform::d3d9
