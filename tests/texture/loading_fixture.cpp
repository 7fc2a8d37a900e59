#include "tests/texture/loading_fixture.h"

#include <cstring>

#include "texture/texture_loader.h"

namespace loading_test {

namespace {

HWND testWindow() { return reinterpret_cast<HWND>(std::uintptr_t{0x5678}); }

void appendArgb(test_images::ByteWriter& writer, std::uint32_t argb, bool alpha) {
  writer.u8(argb).u8(argb >> 8).u8(argb >> 16);
  if (alpha) writer.u8(argb >> 24);
}

}  // namespace

Bytes tgaImage(std::uint16_t width, std::uint16_t height, const std::vector<std::uint32_t>& argb, bool alpha) {
  test_images::ByteWriter writer;
  writer.append(test_images::tgaHeader({.width = width,
                                        .height = height,
                                        .pixelBits = static_cast<std::uint8_t>(alpha ? 32 : 24),
                                        .descriptor = static_cast<std::uint8_t>(alpha ? 0x28 : 0x20)}));
  for (std::uint32_t pixel : argb) appendArgb(writer, pixel, alpha);
  return writer.bytes;
}

Bytes colourMappedTga(std::uint16_t width, std::uint16_t height, const std::vector<std::uint32_t>& map,
                      const Bytes& indices, bool alpha) {
  test_images::ByteWriter writer;
  writer.append(test_images::tgaHeader({.colourMapType = 1,
                                        .imageType = 1,
                                        .mapLength = static_cast<std::uint16_t>(map.size()),
                                        .entryBits = static_cast<std::uint8_t>(alpha ? 32 : 24),
                                        .width = width,
                                        .height = height,
                                        .pixelBits = 8}));
  for (std::uint32_t entry : map) appendArgb(writer, entry, alpha);
  writer.append(indices);
  return writer.bytes;
}

Bytes ddsImage(std::uint32_t width, std::uint32_t height, std::uint32_t depth, std::uint32_t levels,
               std::uint32_t faces, std::uint32_t (*pixel)(std::uint32_t, std::uint32_t)) {
  test_images::DdsFields fields;
  fields.width = width;
  fields.height = height;
  fields.flags = 0x1007 | (levels > 1 ? 0x20000 : 0) | (depth > 1 ? 0x800000 : 0);
  fields.depth = depth > 1 ? depth : 0;
  fields.mipCount = levels;
  fields.pfFlags = 0x41;
  fields.masks[3] = 0xFF000000;
  if (faces == 6) fields.caps2 = 0xFE00;
  if (depth > 1) fields.caps2 = 0x200000;
  test_images::ByteWriter writer;
  writer.append(test_images::ddsHeader(fields));
  for (std::uint32_t face = 0; face < faces; ++face) {
    for (std::uint32_t level = 0; level < levels; ++level) {
      std::uint32_t count =
          std::max(width >> level, 1u) * std::max(height >> level, 1u) * std::max(std::max(depth, 1u) >> level, 1u);
      for (std::uint32_t i = 0; i < count; ++i) writer.u32(pixel(face, level));
    }
  }
  return writer.bytes;
}

std::vector<std::uint32_t> levelPixels(IDirect3DBaseTexture9* texture, UINT level, UINT face) {
  std::vector<std::uint32_t> pixels;
  void* found = nullptr;
  if (texture->GetType() == D3DRTYPE_VOLUMETEXTURE) {
    texture->QueryInterface(IID_IDirect3DVolumeTexture9, &found);
    auto volume = ComPtr<IDirect3DVolumeTexture9>::adopt(static_cast<IDirect3DVolumeTexture9*>(found));
    D3DVOLUME_DESC desc{};
    D3DLOCKED_BOX box{};
    if (!volume || FAILED(volume->GetLevelDesc(level, &desc)) ||
        FAILED(volume->LockBox(level, &box, nullptr, D3DLOCK_READONLY))) {
      return pixels;
    }
    for (UINT z = 0; z < desc.Depth; ++z) {
      for (UINT y = 0; y < desc.Height; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(box.pBits) + z * box.SlicePitch + y * box.RowPitch;
        for (UINT x = 0; x < desc.Width; ++x) {
          std::uint32_t value;
          std::memcpy(&value, row + 4 * x, 4);
          pixels.push_back(value);
        }
      }
    }
    volume->UnlockBox(level);
    return pixels;
  }
  ComPtr<IDirect3DSurface9> surface;
  if (texture->GetType() == D3DRTYPE_CUBETEXTURE) {
    texture->QueryInterface(IID_IDirect3DCubeTexture9, &found);
    auto cube = ComPtr<IDirect3DCubeTexture9>::adopt(static_cast<IDirect3DCubeTexture9*>(found));
    if (!cube || FAILED(cube->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(face), level, surface.put()))) {
      return pixels;
    }
  } else {
    texture->QueryInterface(IID_IDirect3DTexture9, &found);
    auto plain = ComPtr<IDirect3DTexture9>::adopt(static_cast<IDirect3DTexture9*>(found));
    if (!plain || FAILED(plain->GetSurfaceLevel(level, surface.put()))) return pixels;
  }
  D3DSURFACE_DESC desc{};
  D3DLOCKED_RECT rect{};
  if (FAILED(surface->GetDesc(&desc)) || FAILED(surface->LockRect(&rect, nullptr, D3DLOCK_READONLY))) return pixels;
  for (UINT y = 0; y < desc.Height; ++y) {
    const auto* row = static_cast<const std::uint8_t*>(rect.pBits) + y * rect.Pitch;
    for (UINT x = 0; x < desc.Width; ++x) {
      std::uint32_t value;
      std::memcpy(&value, row + 4 * x, 4);
      pixels.push_back(value);
    }
  }
  surface->UnlockRect();
  return pixels;
}

std::vector<std::uint32_t> renderTargetPixels(IDirect3DDevice9* device, IDirect3DTexture9* texture, UINT level) {
  ComPtr<IDirect3DSurface9> surface;
  D3DSURFACE_DESC desc{};
  if (FAILED(texture->GetSurfaceLevel(level, surface.put())) || FAILED(surface->GetDesc(&desc))) return {};
  ComPtr<IDirect3DTexture9> copy;
  if (FAILED(
          device->CreateTexture(desc.Width, desc.Height, 1, 0, desc.Format, D3DPOOL_SYSTEMMEM, copy.put(), nullptr))) {
    return {};
  }
  ComPtr<IDirect3DSurface9> target;
  copy->GetSurfaceLevel(0, target.put());
  if (FAILED(device->GetRenderTargetData(surface.get(), target.get()))) return {};
  return levelPixels(copy.get(), 0);
}

void LoadingTest::SetUp() {
  platform::d3d9::offscreenDisplaySystem().clear();
  direct3D = ComPtr<IDirect3D9>::adopt(Direct3DCreate9(D3D_SDK_VERSION));
  ASSERT_TRUE(direct3D);
  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferWidth = 64;
  parameters.BackBufferHeight = 48;
  parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
  parameters.BackBufferCount = 1;
  parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
  parameters.hDeviceWindow = testWindow();
  parameters.Windowed = TRUE;
  ASSERT_EQ(direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, testWindow(),
                                   D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, device.put()),
            D3D_OK);
}

void LoadingTest::TearDown() {
  if (device) {
    EXPECT_EQ(device.detach()->Release(), 0u) << "the loader leaked objects";
  }
  platform::d3d9::offscreenDisplaySystem().clear();
}

HRESULT LoadingTest::build(const Bytes& file, const TextureRequest& request, ComPtr<IDirect3DBaseTexture9>* texture,
                           ImageSummary* info, PALETTEENTRY* palette) {
  return buildTextureFromImage(device.get(), file.data(), static_cast<UINT>(file.size()), request, info, palette,
                               texture->put());
}

}  // namespace loading_test
