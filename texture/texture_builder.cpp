// Creation of a texture from an image file held in memory.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "texture/texture_levels.h"
#include "texture/texture_loader.h"

using platform::d3d9::ComPtr;

namespace {

constexpr DWORD kQueryOnlyUsageBits = 0x001F8000;
constexpr UINT kCubeFaceCount = 6;

using Palette = std::array<PALETTEENTRY, 256>;

// The texture size for one axis: the image's own size (-2, or an image too large to round),
// the image's size rounded up to a power of two (-1 or 0), or the wanted size.
UINT chooseSize(UINT wanted, UINT image) {
  if (wanted == TEXTURE_DEFAULT_NONPOW2 || image >= 0x80000000u) return image;
  if (wanted == 0 || wanted == TEXTURE_DEFAULT) return std::bit_ceil(std::max(image, 1u));
  return wanted;
}

UINT chainLength(const DecodedImage& first) {
  UINT count = 0;
  for (const DecodedImage* level = &first; level; level = level->nextLevel.get()) ++count;
  return count;
}

const DecodedImage& levelOf(const DecodedImage& first, UINT index) {
  const DecodedImage* level = &first;
  while (index-- > 0 && level->nextLevel) level = level->nextLevel.get();
  return *level;
}

bool sameEntry(const PALETTEENTRY& a, const PALETTEENTRY& b) {
  return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue && a.peFlags == b.peFlags;
}

bool isGreyRamp(const Palette& palette) {
  for (UINT j = 0; j < palette.size(); ++j) {
    auto value = static_cast<BYTE>(j);
    if (!sameEntry(palette[j], {value, value, value, 255})) return false;
  }
  return true;
}

bool isR3G3B2Ramp(const Palette& palette) {
  constexpr std::array<BYTE, 8> kThreeBits{0, 36, 73, 109, 146, 182, 219, 255};
  constexpr std::array<BYTE, 4> kTwoBits{0, 85, 170, 255};
  for (UINT k = 0; k < palette.size(); ++k) {
    if (!sameEntry(palette[k], {kThreeBits[k >> 5], kThreeBits[(k >> 2) & 7], kTwoBits[k & 3], 255})) return false;
  }
  return true;
}

PALETTEENTRY paletteEntryOf(D3DCOLOR argb) {
  return {static_cast<BYTE>(argb >> 16), static_cast<BYTE>(argb >> 8), static_cast<BYTE>(argb),
          static_cast<BYTE>(argb >> 24)};
}

// Everything decided about the texture before it is created.
struct TexturePlan {
  D3DRESOURCETYPE type = D3DRTYPE_TEXTURE;
  UINT width = 0;
  UINT height = 0;
  UINT depth = 1;
  UINT mipLevels = 0;
  DWORD usage = 0;
  D3DFORMAT format = D3DFMT_UNKNOWN;
  D3DPOOL pool = D3DPOOL_MANAGED;
  DWORD filter = RESAMPLE_DEFAULT;
  DWORD mipFilter = RESAMPLE_BOX;
  bool cascade = true;
  D3DCOLOR colourKey = 0;
  D3DFORMAT sourceFormat = D3DFMT_UNKNOWN;  // the image's format as the conversion reads it
  Palette palette{};
  bool staging = false;
};

HRESULT createTexture(IDirect3DDevice9* device, const TexturePlan& plan, DWORD usage, D3DPOOL pool,
                      ComPtr<IDirect3DBaseTexture9>* texture) {
  HRESULT result = D3DERR_INVALIDCALL;
  if (plan.type == D3DRTYPE_VOLUMETEXTURE) {
    IDirect3DVolumeTexture9* created = nullptr;
    result = device->CreateVolumeTexture(plan.width, plan.height, plan.depth, plan.mipLevels, usage, plan.format, pool,
                                         &created, nullptr);
    *texture = ComPtr<IDirect3DBaseTexture9>::adopt(created);
  } else if (plan.type == D3DRTYPE_CUBETEXTURE) {
    IDirect3DCubeTexture9* created = nullptr;
    result = device->CreateCubeTexture(plan.width, plan.mipLevels, usage, plan.format, pool, &created, nullptr);
    *texture = ComPtr<IDirect3DBaseTexture9>::adopt(created);
  } else if (plan.type == D3DRTYPE_TEXTURE) {
    IDirect3DTexture9* created = nullptr;
    result =
        device->CreateTexture(plan.width, plan.height, plan.mipLevels, usage, plan.format, pool, &created, nullptr);
    *texture = ComPtr<IDirect3DBaseTexture9>::adopt(created);
  }
  if (SUCCEEDED(result) && !*texture) result = E_FAIL;
  return result;
}

// Converts one source level into one texture level.
HRESULT loadLevel(const TextureLevels& levels, UINT face, UINT level, const DecodedImage& source,
                  const TexturePlan& plan, DWORD filter, PALETTEENTRY* callerPalette) {
  if (levels.type() == D3DRTYPE_VOLUMETEXTURE) {
    ComPtr<IDirect3DVolume9> volume;
    if (HRESULT result = levels.volume(level, &volume); FAILED(result)) return result;
    D3DBOX box = source.box;
    if (box.Back <= box.Front) box.Back = box.Front + 1;
    UINT slicePitch = source.slicePitch != 0 ? source.slicePitch : source.rowPitch * source.height;
    return copyMemoryToVolume(volume.get(), callerPalette, nullptr, source.pixels, plan.sourceFormat, source.rowPitch,
                              slicePitch, plan.palette.data(), &box, filter, plan.colourKey);
  }
  ComPtr<IDirect3DSurface9> surface;
  if (HRESULT result = levels.surface(face, level, &surface); FAILED(result)) return result;
  RECT rect{static_cast<LONG>(source.box.Left), static_cast<LONG>(source.box.Top), static_cast<LONG>(source.box.Right),
            static_cast<LONG>(source.box.Bottom)};
  return copyMemoryToSurface(surface.get(), callerPalette, nullptr, source.pixels, plan.sourceFormat, source.rowPitch,
                             plan.palette.data(), &rect, filter, plan.colourKey);
}

// Steps 2 to 8 of the build: everything the image and the wishes decide.
HRESULT planTexture(const DecodedImage& image, const ImageSummary& summary, const TextureRequest& request,
                    PALETTEENTRY* callerPalette, TexturePlan* plan) {
  plan->type = request.resourceType == TEXTURE_TYPE_FROM_FILE ? summary.ResourceType : request.resourceType;
  plan->width = chooseSize(request.width, image.width);
  plan->height = chooseSize(request.height, image.height);
  plan->depth = chooseSize(request.depth, std::max(image.depth, 1u));
  plan->mipLevels = request.mipLevels;
  plan->usage = request.usage;
  plan->pool = request.pool;

  plan->filter = request.filter == TEXTURE_DEFAULT ? RESAMPLE_DEFAULT : request.filter;
  plan->mipFilter = request.mipFilter == TEXTURE_DEFAULT ? RESAMPLE_DEFAULT_MIP : request.mipFilter;
  if (plan->type == D3DRTYPE_CUBETEXTURE) {
    plan->filter |= RESAMPLE_MIRROR;
    plan->mipFilter |= RESAMPLE_MIRROR;
  }
  const DWORD filterKind = plan->filter & 0xFF;
  const DWORD mipKind = plan->mipFilter & 0xFF;
  plan->cascade = filterKind == RESAMPLE_NONE || mipKind == RESAMPLE_POINT || mipKind == RESAMPLE_BOX;

  // A palette carries the colour key itself: keyed entries become transparent black.
  plan->colourKey = request.colourKey;
  plan->sourceFormat = image.format;
  if (image.palette) {
    std::memcpy(plan->palette.data(), image.palette, sizeof(Palette));
    if (plan->colourKey != 0) {
      const PALETTEENTRY key = paletteEntryOf(plan->colourKey);
      for (PALETTEENTRY& entry : plan->palette) {
        if (sameEntry(entry, key)) entry = {0, 0, 0, 0};
      }
      plan->colourKey = 0;
    }
    if (request.format != D3DFMT_P8 && image.format == D3DFMT_P8) {
      if (isGreyRamp(plan->palette)) {
        plan->sourceFormat = D3DFMT_L8;
      } else if (isR3G3B2Ramp(plan->palette)) {
        plan->sourceFormat = D3DFMT_R3G3B2;
      }
    }
  } else {
    plan->palette.fill({255, 255, 255, 255});
  }

  D3DFORMAT format = request.format;
  if (format == D3DFMT_UNKNOWN) {
    format = plan->sourceFormat;
    const FormatDescriptor& row = describeFormat(format);
    bool colourLike = row.formatClass == FormatClass::colour || row.formatClass == FormatClass::palettised ||
                      row.formatClass == FormatClass::luminance;
    if (plan->colourKey != 0 && colourLike && row.alphaBits == 0) {
      // The altered row describes no format of its own, so the search cannot stop at the image's.
      FormatDescriptor withAlpha = row;
      withAlpha.format = D3DFMT_UNKNOWN;
      withAlpha.alphaBits = 1;
      if (D3DFORMAT keyed = pickNearestFormat(nullptr, 0, plan->type, withAlpha); keyed != D3DFMT_UNKNOWN) {
        format = keyed;
      }
    }
    format = toTextureFormat(format);
    if (plan->pool != D3DPOOL_SCRATCH && format == D3DFMT_R8G8B8) format = D3DFMT_X8R8G8B8;
  }

  const bool palettisedImage = plan->sourceFormat == D3DFMT_P8 || plan->sourceFormat == D3DFMT_A8P8;
  if (callerPalette) std::memcpy(callerPalette, plan->palette.data(), sizeof(Palette));
  if (!(callerPalette && palettisedImage)) {
    if (format == D3DFMT_A8P8) {
      format = D3DFMT_A8R8G8B8;
    } else if (format == D3DFMT_P8) {
      bool translucent = std::any_of(plan->palette.begin(), plan->palette.end(),
                                     [](const PALETTEENTRY& entry) { return entry.peFlags != 255; });
      format = translucent ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    }
  }
  plan->format = format;
  plan->staging = plan->pool == D3DPOOL_DEFAULT && !(plan->usage & D3DUSAGE_DYNAMIC);
  return D3D_OK;
}

// Steps 12 and 13: every face's source levels, then the missing levels.
HRESULT fillTexture(IDirect3DBaseTexture9* texture, const DecodedImage& image, UINT faceCount, const TexturePlan& plan,
                    PALETTEENTRY* callerPalette) {
  TextureLevels levels(texture);
  if (!levels.valid()) return E_FAIL;
  const UINT levelCount = levels.levelCount();
  UINT fewestSourceLevels = levelCount;
  const DecodedImage* face = &image;
  for (UINT faceIndex = 0; faceIndex < faceCount && face; ++faceIndex, face = face->nextFace.get()) {
    const UINT sourceLevels = chainLength(*face);
    fewestSourceLevels = std::min(fewestSourceLevels, sourceLevels);
    UINT level = 0;
    for (; level < levelCount && level < sourceLevels; ++level) {
      if (HRESULT result = loadLevel(levels, faceIndex, level, levelOf(*face, level), plan, plan.filter, callerPalette);
          FAILED(result)) {
        return result;
      }
    }
    if (!plan.cascade) {
      const DecodedImage& smallest = levelOf(*face, sourceLevels - 1);
      for (; level < levelCount; ++level) {
        if (HRESULT result = loadLevel(levels, faceIndex, level, smallest, plan, plan.filter, callerPalette);
            FAILED(result)) {
          return result;
        }
      }
    }
  }
  if (plan.cascade && levelCount > fewestSourceLevels) {
    return rebuildMipLevels(texture, plan.palette.data(), fewestSourceLevels - 1, plan.mipFilter);
  }
  return D3D_OK;
}

}  // namespace

HRESULT buildTextureFromImage(IDirect3DDevice9* device, const void* data, UINT size, const TextureRequest& request,
                              ImageSummary* info, PALETTEENTRY* palette, IDirect3DBaseTexture9** texture) {
  if (texture) *texture = nullptr;
  if (!device || !data || size == 0 || !texture) return D3DERR_INVALIDCALL;

  DecodedImage image;
  ImageSummary summary{};
  if (HRESULT result = decodeImage(image, data, size, &summary, true); FAILED(result)) return result;
  if (info) *info = summary;

  TexturePlan plan;
  if (HRESULT result = planTexture(image, summary, request, palette, &plan); FAILED(result)) return result;
  UINT faceCount = 1;
  if (plan.type == D3DRTYPE_CUBETEXTURE) {
    faceCount = 0;
    for (const DecodedImage* face = &image; face; face = face->nextFace.get()) ++faceCount;
    if (faceCount != kCubeFaceCount) return E_FAIL;
  }

  if (HRESULT result = fitTextureToDevice(device, &plan.width, &plan.height, &plan.depth, &plan.mipLevels, plan.usage,
                                          &plan.format, plan.pool, plan.type);
      FAILED(result)) {
    return result;
  }

  ComPtr<IDirect3DBaseTexture9> created;
  if (HRESULT result = createTexture(device, plan, plan.usage & ~kQueryOnlyUsageBits, plan.pool, &created);
      FAILED(result)) {
    return result;
  }
  ComPtr<IDirect3DBaseTexture9> staging;
  if (plan.staging) {
    if (HRESULT result = createTexture(device, plan, 0, D3DPOOL_SYSTEMMEM, &staging); FAILED(result)) return result;
  }
  IDirect3DBaseTexture9* filled = staging ? staging.get() : created.get();
  if (HRESULT result = fillTexture(filled, image, faceCount, plan, palette); FAILED(result)) return result;
  if (staging) {
    if (HRESULT result = device->UpdateTexture(staging.get(), created.get()); FAILED(result)) return result;
  }
  *texture = created.detach();
  return D3D_OK;
}

HRESULT buildTextureFromImage(IDirect3DDevice9* device, const void* data, UINT size, UINT width, UINT height,
                              UINT depth, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                              DWORD mipFilter, D3DCOLOR colourKey, ImageSummary* info, PALETTEENTRY* palette,
                              D3DRESOURCETYPE resourceType, IDirect3DBaseTexture9** texture) {
  TextureRequest request{width, height, depth,     mipLevels, usage,       format,
                         pool,  filter, mipFilter, colourKey, resourceType};
  return buildTextureFromImage(device, data, size, request, info, palette, texture);
}

HRESULT loadTextureFromImageData(IDirect3DDevice9* device, const void* data, UINT size, UINT width, UINT height,
                                 UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                 DWORD mipFilter, D3DCOLOR colourKey, ImageSummary* info, PALETTEENTRY* palette,
                                 IDirect3DTexture9** texture) {
  if (texture) *texture = nullptr;
  if (!texture) return D3DERR_INVALIDCALL;
  IDirect3DBaseTexture9* built = nullptr;
  HRESULT result = buildTextureFromImage(device, data, size, width, height, 1, mipLevels, usage, format, pool, filter,
                                         mipFilter, colourKey, info, palette, D3DRTYPE_TEXTURE, &built);
  if (FAILED(result)) return result;
  // A 2D build yields a 2D texture.
  *texture = static_cast<IDirect3DTexture9*>(built);
  return result;
}
