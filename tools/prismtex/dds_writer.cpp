#include "tools/prismtex/dds_writer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/d3d9/com_ptr.h"
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
// Pixel-format flags.
constexpr std::uint32_t kFourCc = 0x4;
// Caps.
constexpr std::uint32_t kComplex = 0x8, kTexture = 0x1000, kMipMap = 0x400000;
constexpr std::uint32_t kCubeMap = 0x200, kAllFaces = 0xFC00, kVolume = 0x200000;

struct DdsPixelFormat {
  D3DFORMAT format;
  std::uint32_t flags;
  std::uint32_t bitCount;
  std::uint32_t red, green, blue, alpha;
};

// The masked formats, with the masks common tools write for them.
constexpr std::array<DdsPixelFormat, 27> kMaskedFormats{{
    {D3DFMT_R8G8B8, 0x40, 24, 0xFF0000, 0xFF00, 0xFF, 0},
    {D3DFMT_A8R8G8B8, 0x41, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    {D3DFMT_X8R8G8B8, 0x40, 32, 0xFF0000, 0xFF00, 0xFF, 0},
    {D3DFMT_R5G6B5, 0x40, 16, 0xF800, 0x7E0, 0x1F, 0},
    {D3DFMT_X1R5G5B5, 0x40, 16, 0x7C00, 0x3E0, 0x1F, 0},
    {D3DFMT_A1R5G5B5, 0x41, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
    {D3DFMT_A4R4G4B4, 0x41, 16, 0xF00, 0xF0, 0xF, 0xF000},
    {D3DFMT_R3G3B2, 0x40, 8, 0xE0, 0x1C, 0x3, 0},
    {D3DFMT_A8, 0x2, 8, 0, 0, 0, 0xFF},
    {D3DFMT_A8R3G3B2, 0x41, 16, 0xE0, 0x1C, 0x3, 0xFF00},
    {D3DFMT_X4R4G4B4, 0x40, 16, 0xF00, 0xF0, 0xF, 0},
    // The two 10-bit layouts carry each other's masks in files, a long-standing convention.
    {D3DFMT_A2B10G10R10, 0x41, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
    {D3DFMT_A8B8G8R8, 0x41, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
    {D3DFMT_X8B8G8R8, 0x40, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {D3DFMT_G16R16, 0x40, 32, 0xFFFF, 0xFFFF0000, 0, 0},
    {D3DFMT_A2R10G10B10, 0x41, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
    {D3DFMT_L8, 0x20000, 8, 0xFF, 0, 0, 0},
    {D3DFMT_A8L8, 0x20001, 16, 0xFF, 0, 0, 0xFF00},
    {D3DFMT_A4L4, 0x20001, 8, 0xF, 0, 0, 0xF0},
    {D3DFMT_L16, 0x20000, 16, 0xFFFF, 0, 0, 0},
    {D3DFMT_V8U8, 0x80000, 16, 0xFF, 0xFF00, 0, 0},
    {D3DFMT_L6V5U5, 0x40000, 16, 0x1F, 0x3E0, 0xFC00, 0},
    {D3DFMT_X8L8V8U8, 0x40000, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {D3DFMT_Q8W8V8U8, 0x80000, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
    {D3DFMT_V16U16, 0x80000, 32, 0xFFFF, 0xFFFF0000, 0, 0},
    {D3DFMT_A2W10V10U10, 0x80001, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
    {D3DFMT_D16_LOCKABLE, 0x400, 16, 0, 0xFFFF, 0, 0},
}};

// Formats written by code: the four-character ones and those known by their number.
constexpr std::array<D3DFORMAT, 19> kCodedFormats{
    D3DFMT_UYVY,         D3DFMT_R8G8_B8G8,     D3DFMT_YUY2,    D3DFMT_G8R8_G8B8,     D3DFMT_DXT1,
    D3DFMT_DXT2,         D3DFMT_DXT3,          D3DFMT_DXT4,    D3DFMT_DXT5,          D3DFMT_A16B16G16R16,
    D3DFMT_Q16W16V16U16, D3DFMT_R16F,          D3DFMT_G16R16F, D3DFMT_A16B16G16R16F, D3DFMT_R32F,
    D3DFMT_G32R32F,      D3DFMT_A32B32G32R32F, D3DFMT_CxV8U8,  D3DFMT_D32F_LOCKABLE};

bool pixelFormatOf(D3DFORMAT format, DdsPixelFormat* pixelFormat) {
  for (const DdsPixelFormat& row : kMaskedFormats) {
    if (row.format == format) {
      *pixelFormat = row;
      return true;
    }
  }
  if (std::find(kCodedFormats.begin(), kCodedFormats.end(), format) != kCodedFormats.end()) {
    *pixelFormat = {format, kFourCc, 0, 0, 0, 0, 0};
    return true;
  }
  return false;
}

bool isBlock(D3DFORMAT format) {
  return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
         format == D3DFMT_DXT5;
}

bool isPair(D3DFORMAT format) {
  return format == D3DFMT_UYVY || format == D3DFMT_YUY2 || format == D3DFMT_R8G8_B8G8 || format == D3DFMT_G8R8_G8B8;
}

// Bytes of one stored row and the number of stored rows of a `width` × `height` level.
struct LevelLayout {
  std::size_t rowBytes;
  UINT rows;
};

LevelLayout layoutOf(D3DFORMAT format, UINT width, UINT height) {
  if (isBlock(format)) {
    return {static_cast<std::size_t>((width + 3) / 4) * (format == D3DFMT_DXT1 ? 8 : 16), (height + 3) / 4};
  }
  if (isPair(format)) return {static_cast<std::size_t>((width + 1) / 2) * 4, height};
  return {(static_cast<std::size_t>(width) * describeFormat(format).bitsPerPixel + 7) / 8, height};
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
  DdsPixelFormat pixelFormat{};
  if (!pixelFormatOf(format, &pixelFormat)) return E_FAIL;

  const bool coded = pixelFormat.flags == kFourCc;
  const LevelLayout top = layoutOf(format, width, height);
  std::uint32_t flags = kCaps | kHeight | kWidth | kPixelFormat | (levels > 1 ? kMipMapCount : 0) |
                        (isBlock(format) ? kLinearSize : kPitch) | (volume ? kDepth : 0);
  std::uint32_t pitchOrLinearSize =
      static_cast<std::uint32_t>(isBlock(format) ? top.rowBytes * top.rows : top.rowBytes);
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
