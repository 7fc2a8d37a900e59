// Builds a texture from arbitrary bytes on the software device. The first byte chooses the
// wishes (size, format, filters, resource type, colour key) so that every path of texture
// creation sees hostile images; the rest is the file.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/windowless_device.h"
#include "texture/pixel_formats.h"
#include "texture/texture_loader.h"

namespace {

IDirect3DDevice9* fuzzDevice() {
  static platform::d3d9::ComPtr<IDirect3DDevice9> device = [] {
    platform::d3d9::ComPtr<IDirect3DDevice9> created;
    if (FAILED(platform::d3d9::createWindowlessDevice({}, &created))) std::abort();
    return created;
  }();
  return device.get();
}

constexpr std::array<D3DFORMAT, 8> kFormats = {D3DFMT_UNKNOWN, D3DFMT_A8R8G8B8, D3DFMT_R5G6B5, D3DFMT_DXT1,
                                               D3DFMT_DXT5,    D3DFMT_L8,       D3DFMT_P8,     D3DFMT_A16B16G16R16F};
constexpr std::array<DWORD, 4> kFilters = {RESAMPLE_DEFAULT, RESAMPLE_POINT, RESAMPLE_LINEAR | RESAMPLE_MIRROR,
                                           RESAMPLE_BOX};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  std::uint8_t choice = data[0];
  const UINT wanted = (choice & 0x80) != 0 ? 0xFFFFFFFEu : 0xFFFFFFFFu;  // exact size, or the next powers of two
  D3DFORMAT format = kFormats[choice & 0x7];
  DWORD filter = kFilters[(choice >> 3) & 0x3];
  D3DCOLOR colourKey = (choice & 0x20) != 0 ? 0xFF000000u : 0u;
  auto resourceType = (choice & 0x40) != 0 ? static_cast<D3DRESOURCETYPE>(0xFFFFFFFFu) : D3DRTYPE_TEXTURE;

  IDirect3DBaseTexture9* texture = nullptr;
  ImageSummary info{};
  PALETTEENTRY palette[256];
  HRESULT result = buildTextureFromImage(fuzzDevice(), data + 1, static_cast<UINT>(size - 1), wanted, wanted, 1,
                                         0xFFFFFFFFu, 0, format, D3DPOOL_MANAGED, filter, RESAMPLE_BOX, colourKey,
                                         &info, palette, resourceType, &texture);
  if (SUCCEEDED(result) != (texture != nullptr)) std::abort();  // success and a texture go together
  if (texture != nullptr) texture->Release();
  return 0;
}
