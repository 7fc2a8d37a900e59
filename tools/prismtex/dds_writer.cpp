#include "tools/prismtex/dds_writer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/d3d9/com_ptr.h"
#include "texture/dds_format.h"
#include "texture/pixel_formats.h"

namespace prismtex {
namespace {

using platform::d3d9::ComPtr;

constexpr std::uint32_t kMagic = 0x20534444;  // "DDS "
constexpr std::uint32_t kHeaderSize = 124;
constexpr std::uint32_t kPixelFormatSize = 32;
// Header flags.
constexpr std::uint32_t kCaps = 0x1, kHeight = 0x2, kWidth = 0x4, kPitch = 0x8, kPixelFormat = 0x1000,
                        kMipMapCount = 0x20000, kLinearSize = 0x80000, kDepth = 0x800000;
// Caps.
constexpr std::uint32_t kComplex = 0x8, kTexture = 0x1000, kMipMap = 0x400000;
constexpr std::uint32_t kCubeMap = 0x200, kAllFaces = 0xFC00, kVolume = 0x200000;

// The header's pixel format for `format`: the first row of the reader's own table that names
// it, so that every file written here reads back as the same format. Palettised formats are not
// written (their palette is not part of a texture).
const DdsFormatRow* pixelFormatOf(D3DFORMAT format) {
  if (describeFormat(format).formatClass == FormatClass::palettised) return nullptr;
  return ddsFormatRowFor(format);
}

// Bytes of one stored row and the number of stored rows of a `width` × `height` level.
struct LevelLayout {
  std::size_t rowBytes;
  UINT rows;
};

LevelLayout layoutOf(D3DFORMAT format, UINT width, UINT height) {
  DdsLevelLayout layout = ddsLevelLayout(format, width, height);
  UINT rows = layout.pitch == 0 ? 0 : static_cast<UINT>(layout.levelBytes / layout.pitch);
  return {static_cast<std::size_t>(layout.pitch), rows};
}

void put32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

void appendRows(std::vector<std::uint8_t>& bytes, const void* bits, INT pitch, LevelLayout layout) {
  const auto* from = static_cast<const std::uint8_t*>(bits);
  for (UINT row = 0; row < layout.rows; ++row) {
    const std::uint8_t* start = from + static_cast<std::ptrdiff_t>(row) * pitch;
    bytes.insert(bytes.end(), start, start + layout.rowBytes);
  }
}

template <typename Interface>
ComPtr<Interface> query(IDirect3DBaseTexture9* texture, REFIID id) {
  void* found = nullptr;
  if (FAILED(texture->QueryInterface(id, &found))) return nullptr;
  return ComPtr<Interface>::adopt(static_cast<Interface*>(found));
}

HRESULT appendSurface(std::vector<std::uint8_t>& bytes, IDirect3DSurface9* surface) {
  D3DSURFACE_DESC desc{};
  if (HRESULT result = surface->GetDesc(&desc); FAILED(result)) return result;
  D3DLOCKED_RECT locked{};
  if (HRESULT result = surface->LockRect(&locked, nullptr, D3DLOCK_READONLY); FAILED(result)) return result;
  appendRows(bytes, locked.pBits, locked.Pitch, layoutOf(desc.Format, desc.Width, desc.Height));
  return surface->UnlockRect();
}

HRESULT appendVolume(std::vector<std::uint8_t>& bytes, IDirect3DVolume9* volume) {
  D3DVOLUME_DESC desc{};
  if (HRESULT result = volume->GetDesc(&desc); FAILED(result)) return result;
  D3DLOCKED_BOX locked{};
  if (HRESULT result = volume->LockBox(&locked, nullptr, D3DLOCK_READONLY); FAILED(result)) return result;
  for (UINT slice = 0; slice < desc.Depth; ++slice) {
    appendRows(bytes,
               static_cast<const std::uint8_t*>(locked.pBits) + static_cast<std::ptrdiff_t>(slice) * locked.SlicePitch,
               locked.RowPitch, layoutOf(desc.Format, desc.Width, desc.Height));
  }
  return volume->UnlockBox();
}

}  // namespace

HRESULT textureToDds(IDirect3DBaseTexture9* texture, std::vector<std::uint8_t>& bytes) {
  const D3DRESOURCETYPE type = texture->GetType();
  const UINT levels = texture->GetLevelCount();
  auto plain = query<IDirect3DTexture9>(texture, IID_IDirect3DTexture9);
  auto cube = query<IDirect3DCubeTexture9>(texture, IID_IDirect3DCubeTexture9);
  auto volume = query<IDirect3DVolumeTexture9>(texture, IID_IDirect3DVolumeTexture9);

  D3DFORMAT format = D3DFMT_UNKNOWN;
  UINT width = 0, height = 0, depth = 0;
  if (type == D3DRTYPE_VOLUMETEXTURE && volume) {
    D3DVOLUME_DESC desc{};
    if (HRESULT result = volume->GetLevelDesc(0, &desc); FAILED(result)) return result;
    format = desc.Format;
    width = desc.Width;
    height = desc.Height;
    depth = desc.Depth;
  } else {
    D3DSURFACE_DESC desc{};
    HRESULT result = plain ? plain->GetLevelDesc(0, &desc) : cube ? cube->GetLevelDesc(0, &desc) : E_FAIL;
    if (FAILED(result)) return result;
    format = desc.Format;
    width = desc.Width;
    height = desc.Height;
  }
  const DdsFormatRow* row = pixelFormatOf(format);
  if (row == nullptr) return E_FAIL;
  const DdsFormatRow& pixelFormat = *row;

  const bool coded = pixelFormat.flags == kDdsFourCcFlag;
  const bool blocks = format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 ||
                      format == D3DFMT_DXT4 || format == D3DFMT_DXT5;
  const LevelLayout top = layoutOf(format, width, height);
  std::uint32_t flags = kCaps | kHeight | kWidth | kPixelFormat | (levels > 1 ? kMipMapCount : 0) |
                        (blocks ? kLinearSize : kPitch) | (volume ? kDepth : 0);
  std::uint32_t pitchOrLinearSize = static_cast<std::uint32_t>(blocks ? top.rowBytes * top.rows : top.rowBytes);
  std::uint32_t caps = kTexture | (levels > 1 || cube || volume ? kComplex : 0) | (levels > 1 ? kMipMap : 0);
  std::uint32_t caps2 = cube ? kCubeMap | kAllFaces : volume ? kVolume : 0;

  bytes.clear();
  put32(bytes, kMagic);
  put32(bytes, kHeaderSize);
  put32(bytes, flags);
  put32(bytes, height);
  put32(bytes, width);
  put32(bytes, pitchOrLinearSize);
  put32(bytes, volume ? depth : 0);
  put32(bytes, levels);
  for (int i = 0; i < 11; ++i) put32(bytes, 0);
  put32(bytes, kPixelFormatSize);
  put32(bytes, pixelFormat.flags);
  put32(bytes, coded ? static_cast<std::uint32_t>(format) : 0);
  put32(bytes, pixelFormat.bitCount);
  put32(bytes, pixelFormat.red);
  put32(bytes, pixelFormat.green);
  put32(bytes, pixelFormat.blue);
  put32(bytes, pixelFormat.alpha);
  put32(bytes, caps);
  put32(bytes, caps2);
  for (int i = 0; i < 3; ++i) put32(bytes, 0);

  const UINT faces = cube ? 6 : 1;
  for (UINT face = 0; face < faces; ++face) {
    for (UINT level = 0; level < levels; ++level) {
      HRESULT result = E_FAIL;
      if (volume) {
        ComPtr<IDirect3DVolume9> levelVolume;
        result = volume->GetVolumeLevel(level, levelVolume.put());
        if (SUCCEEDED(result)) result = appendVolume(bytes, levelVolume.get());
      } else {
        ComPtr<IDirect3DSurface9> surface;
        result = cube ? cube->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(face), level, surface.put())
                      : plain->GetSurfaceLevel(level, surface.put());
        if (SUCCEEDED(result)) result = appendSurface(bytes, surface.get());
      }
      if (FAILED(result)) return result;
    }
  }
  return D3D_OK;
}

}  // namespace prismtex
