// Resource creation, copies between resources, and the render-target bindings.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/d3d9/buffer.h"
#include "platform/d3d9/device.h"
#include "platform/d3d9/pixel_codec.h"

namespace platform::d3d9 {
namespace {

constexpr DWORD kTextureUsage = D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL | D3DUSAGE_DYNAMIC |
                                D3DUSAGE_AUTOGENMIPMAP | D3DUSAGE_SOFTWAREPROCESSING | D3DUSAGE_DMAP;
constexpr DWORD kBufferUsage = D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC | D3DUSAGE_SOFTWAREPROCESSING |
                               D3DUSAGE_DONOTCLIP | D3DUSAGE_POINTS | D3DUSAGE_RTPATCHES | D3DUSAGE_NPATCHES;

bool isPowerOfTwo(UINT value) { return value != 0 && (value & (value - 1)) == 0; }

HRESULT outOfMemoryFor(D3DPOOL pool) { return pool == D3DPOOL_DEFAULT ? D3DERR_OUTOFVIDEOMEMORY : E_OUTOFMEMORY; }

// Copies the blocks of `box` in `source` to the same-sized region at (x, y, z) of `target`.
void copyRegion(PixelStore& source, const D3DBOX& box, PixelStore& target, UINT x, UINT y, UINT z) {
  const FormatInfo& format = *source.format;
  UINT rowBytes = (box.Right - box.Left + format.blockWidth - 1) / format.blockWidth * format.bytesPerBlock;
  UINT rows = (box.Bottom - box.Top + format.blockHeight - 1) / format.blockHeight;
  for (UINT slice = 0; slice < box.Back - box.Front; ++slice) {
    for (UINT row = 0; row < rows; ++row) {
      std::memcpy(target.at(x, y + row * format.blockHeight, z + slice),
                  source.at(box.Left, box.Top + row * format.blockHeight, box.Front + slice), rowBytes);
    }
  }
}

bool isRenderTargetSurface(const Surface& surface) { return (surface.desc().Usage & D3DUSAGE_RENDERTARGET) != 0; }
bool isDepthSurface(const Surface& surface) { return (surface.desc().Usage & D3DUSAGE_DEPTHSTENCIL) != 0; }
bool isPlainSurface(const Surface& surface) {
  return surface.container() == nullptr && !isRenderTargetSurface(surface) && !isDepthSurface(surface);
}

}  // namespace

HRESULT Device::createSurface(const D3DSURFACE_DESC& desc, bool lockable, DeviceChild::Start start, Surface** surface) {
  const FormatInfo* format = findFormat(desc.Format);
  if (!format) return D3DERR_INVALIDCALL;
  PixelStore pixels;
  if (FAILED(allocatePixels(*format, desc.Width, desc.Height, 1, &pixels))) return outOfMemoryFor(desc.Pool);
  *surface = new Surface(*this, start, nullptr, desc, lockable, std::move(pixels));
  return D3D_OK;
}

HRESULT Device::checkTextureDescription(TextureDescription* d) const {
  const FormatInfo* format = findFormat(d->format);
  if (!format || d->width == 0 || d->height == 0 || d->depth == 0 || d->pool > D3DPOOL_SCRATCH) {
    return D3DERR_INVALIDCALL;
  }
  if (d->usage & ~kTextureUsage) return D3DERR_INVALIDCALL;
  if ((d->usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) && d->pool != D3DPOOL_DEFAULT) {
    return D3DERR_INVALIDCALL;
  }
  if ((d->usage & D3DUSAGE_DYNAMIC) && (d->pool == D3DPOOL_MANAGED || (d->usage & D3DUSAGE_RENDERTARGET))) {
    return D3DERR_INVALIDCALL;
  }
  if (d->usage & D3DUSAGE_AUTOGENMIPMAP) {
    if (d->type == D3DRTYPE_VOLUMETEXTURE || d->pool == D3DPOOL_SYSTEMMEM || d->pool == D3DPOOL_SCRATCH ||
        d->levels > 1) {
      return D3DERR_INVALIDCALL;
    }
    d->levels = 1;  // the lower levels belong to the generator
  }
  if (isBlockFormat(*format) && (d->width % format->blockWidth || d->height % format->blockHeight)) {
    return D3DERR_INVALIDCALL;
  }
  UINT full = fullMipChainLength(d->width, d->height, d->depth);
  if (d->levels == 0) d->levels = full;
  if (d->levels > full) return D3DERR_INVALIDCALL;
  if (d->pool == D3DPOOL_SCRATCH) return D3D_OK;  // scratch memory is free of the device's limits

  DWORD checkedUsage = d->usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL | D3DUSAGE_AUTOGENMIPMAP);
  if (FAILED(checkDeviceFormat(adapter().display.desktop.Format, checkedUsage, d->type, d->format))) {
    return D3DERR_INVALIDCALL;
  }
  UINT limit = d->type == D3DRTYPE_VOLUMETEXTURE ? kMaxVolumeExtent : kMaxTextureSize;
  if (d->width > limit || d->height > limit || d->depth > limit) return D3DERR_INVALIDCALL;
  // Sizes other than powers of two are conditional for 2D textures: one level, no block formats.
  if (d->type == D3DRTYPE_TEXTURE && !(isPowerOfTwo(d->width) && isPowerOfTwo(d->height)) &&
      (d->levels != 1 || isBlockFormat(*format))) {
    return D3DERR_INVALIDCALL;
  }
  return D3D_OK;
}

HRESULT Device::createTexture(const TextureDescription& d, IUnknown** texture) {
  const FormatInfo& format = *findFormat(d.format);
  UINT faces = d.type == D3DRTYPE_CUBETEXTURE ? 6 : 1;
  std::vector<PixelStore> levels(std::size_t{faces} * d.levels);
  for (UINT face = 0; face < faces; ++face) {
    for (UINT level = 0; level < d.levels; ++level) {
      UINT depth = d.type == D3DRTYPE_VOLUMETEXTURE ? mipSize(d.depth, level) : 1;
      if (FAILED(allocatePixels(format, mipSize(d.width, level), mipSize(d.height, level), depth,
                                &levels[face * d.levels + level]))) {
        return outOfMemoryFor(d.pool);
      }
    }
  }
  switch (d.type) {
    case D3DRTYPE_TEXTURE: *texture = new Texture(*this, d, std::move(levels)); break;
    case D3DRTYPE_CUBETEXTURE: *texture = new CubeTexture(*this, d, std::move(levels)); break;
    default: *texture = new VolumeTexture(*this, d, std::move(levels)); break;
  }
  return D3D_OK;
}

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DTexture9** texture, HANDLE* sharedHandle) {
  if (!texture || sharedHandle) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  TextureDescription d{D3DRTYPE_TEXTURE, width, height, 1, levels, usage, format, pool};
  if (HRESULT result = checkTextureDescription(&d); FAILED(result)) return result;
  IUnknown* created = nullptr;
  if (HRESULT result = createTexture(d, &created); FAILED(result)) return result;
  *texture = static_cast<Texture*>(created);
  return D3D_OK;
}

HRESULT Device::CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage, D3DFORMAT format,
                                    D3DPOOL pool, IDirect3DVolumeTexture9** volumeTexture, HANDLE* sharedHandle) {
  if (!volumeTexture || sharedHandle) return D3DERR_INVALIDCALL;
  *volumeTexture = nullptr;
  TextureDescription d{D3DRTYPE_VOLUMETEXTURE, width, height, depth, levels, usage, format, pool};
  if ((usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL))) return D3DERR_INVALIDCALL;
  if (HRESULT result = checkTextureDescription(&d); FAILED(result)) return result;
  IUnknown* created = nullptr;
  if (HRESULT result = createTexture(d, &created); FAILED(result)) return result;
  *volumeTexture = static_cast<VolumeTexture*>(created);
  return D3D_OK;
}

HRESULT Device::CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DCubeTexture9** cubeTexture, HANDLE* sharedHandle) {
  if (!cubeTexture || sharedHandle) return D3DERR_INVALIDCALL;
  *cubeTexture = nullptr;
  TextureDescription d{D3DRTYPE_CUBETEXTURE, edgeLength, edgeLength, 1, levels, usage, format, pool};
  if (HRESULT result = checkTextureDescription(&d); FAILED(result)) return result;
  IUnknown* created = nullptr;
  if (HRESULT result = createTexture(d, &created); FAILED(result)) return result;
  *cubeTexture = static_cast<CubeTexture*>(created);
  return D3D_OK;
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer9** vertexBuffer, HANDLE* sharedHandle) {
  if (!vertexBuffer || sharedHandle) return D3DERR_INVALIDCALL;
  *vertexBuffer = nullptr;
  if (length == 0 || (usage & ~kBufferUsage) || pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
  if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
  if (fvf != 0) {
    UINT vertexSize = fvfVertexSize(fvf);
    if (vertexSize == 0 || length < vertexSize) return D3DERR_INVALIDCALL;
  }
  std::vector<std::byte> bytes;
  try {
    bytes.assign(length, std::byte{0});
  } catch (const std::bad_alloc&) {
    return outOfMemoryFor(pool);
  }
  *vertexBuffer =
      new VertexBuffer(*this, {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf}, std::move(bytes));
  return D3D_OK;
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) {
  if (!indexBuffer || sharedHandle) return D3DERR_INVALIDCALL;
  *indexBuffer = nullptr;
  if (length == 0 || (usage & ~kBufferUsage) || pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
  if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
  if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
  std::vector<std::byte> bytes;
  try {
    bytes.assign(length, std::byte{0});
  } catch (const std::bad_alloc&) {
    return outOfMemoryFor(pool);
  }
  *indexBuffer = new IndexBuffer(*this, {format, D3DRTYPE_INDEXBUFFER, usage, pool, length}, std::move(bytes));
  return D3D_OK;
}

HRESULT Device::CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                   DWORD multisampleQuality, BOOL lockable, IDirect3DSurface9** surface,
                                   HANDLE* sharedHandle) {
  if (!surface || sharedHandle) return D3DERR_INVALIDCALL;
  *surface = nullptr;
  DWORD qualityLevels = 0;
  if (width == 0 || height == 0 || width > kMaxTextureSize || height > kMaxTextureSize ||
      !formatHas(format, kSupportRenderTarget) || FAILED(checkMultiSampleType(format, multiSample, &qualityLevels)) ||
      multisampleQuality >= qualityLevels) {
    return D3DERR_INVALIDCALL;
  }
  D3DSURFACE_DESC desc{
      format, D3DRTYPE_SURFACE, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, multiSample, multisampleQuality, width, height};
  Surface* created = nullptr;
  if (HRESULT result = createSurface(desc, lockable != FALSE, DeviceChild::Start::ownedByApplication, &created);
      FAILED(result)) {
    return result;
  }
  *surface = created;
  return D3D_OK;
}

HRESULT Device::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                          DWORD multisampleQuality, BOOL, IDirect3DSurface9** surface,
                                          HANDLE* sharedHandle) {
  if (!surface || sharedHandle) return D3DERR_INVALIDCALL;
  *surface = nullptr;
  DWORD qualityLevels = 0;
  if (width == 0 || height == 0 || width > kMaxTextureSize || height > kMaxTextureSize ||
      !formatHas(format, kSupportDepthStencil) || FAILED(checkMultiSampleType(format, multiSample, &qualityLevels)) ||
      multisampleQuality >= qualityLevels) {
    return D3DERR_INVALIDCALL;
  }
  D3DSURFACE_DESC desc{
      format, D3DRTYPE_SURFACE, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, multiSample, multisampleQuality, width, height};
  Surface* created = nullptr;
  bool lockable = formatHas(format, kSupportLockableDepth);
  if (HRESULT result = createSurface(desc, lockable, DeviceChild::Start::ownedByApplication, &created);
      FAILED(result)) {
    return result;
  }
  *surface = created;
  return D3D_OK;
}

HRESULT Device::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DSurface9** surface, HANDLE* sharedHandle) {
  if (!surface || sharedHandle) return D3DERR_INVALIDCALL;
  *surface = nullptr;
  const FormatInfo* info = findFormat(format);
  if (!info || width == 0 || height == 0 || pool == D3DPOOL_MANAGED || pool > D3DPOOL_SCRATCH) {
    return D3DERR_INVALIDCALL;
  }
  if (isBlockFormat(*info) && (width % info->blockWidth || height % info->blockHeight)) return D3DERR_INVALIDCALL;
  if (pool != D3DPOOL_SCRATCH &&
      (!(info->support & kSupportOffscreen) || width > kMaxTextureSize || height > kMaxTextureSize)) {
    return D3DERR_INVALIDCALL;
  }
  D3DSURFACE_DESC desc{format, D3DRTYPE_SURFACE, 0, pool, D3DMULTISAMPLE_NONE, 0, width, height};
  Surface* created = nullptr;
  if (HRESULT result = createSurface(desc, true, DeviceChild::Start::ownedByApplication, &created); FAILED(result)) {
    return result;
  }
  *surface = created;
  return D3D_OK;
}

// --- Copies ------------------------------------------------------------------------------------

HRESULT Device::UpdateSurface(IDirect3DSurface9* sourceSurface, const RECT* sourceRect,
                              IDirect3DSurface9* destinationSurface, const POINT* destPoint) {
  finishDraws();
  Surface* source = surfaceOf(sourceSurface);
  Surface* target = surfaceOf(destinationSurface);
  if (!source || !target || source == target) return D3DERR_INVALIDCALL;
  const D3DSURFACE_DESC& from = source->desc();
  const D3DSURFACE_DESC& to = target->desc();
  if (from.Pool != D3DPOOL_SYSTEMMEM || to.Pool != D3DPOOL_DEFAULT || from.Format != to.Format ||
      isDepthSurface(*source) || isDepthSurface(*target) || source->isLocked() || target->isLocked()) {
    return D3DERR_INVALIDCALL;
  }
  D3DBOX box;
  if (!boxFromRect(sourceRect, from.Width, from.Height, &box) ||
      !regionIsValid(*source->pixels().format, from.Width, from.Height, 1, box)) {
    return D3DERR_INVALIDCALL;
  }
  if (destPoint && (destPoint->x < 0 || destPoint->y < 0)) return D3DERR_INVALIDCALL;
  UINT x = destPoint ? static_cast<UINT>(destPoint->x) : 0;
  UINT y = destPoint ? static_cast<UINT>(destPoint->y) : 0;
  D3DBOX targetBox{x, y, x + (box.Right - box.Left), y + (box.Bottom - box.Top), 0, 1};
  if (targetBox.Right < x || targetBox.Bottom < y ||
      !regionIsValid(*target->pixels().format, to.Width, to.Height, 1, targetBox)) {
    return D3DERR_INVALIDCALL;
  }
  copyRegion(source->pixels(), box, target->pixels(), x, y, 0);
  return D3D_OK;
}

HRESULT Device::UpdateTexture(IDirect3DBaseTexture9* sourceTexture, IDirect3DBaseTexture9* destinationTexture) {
  finishDraws();
  TextureBase* source = textureBaseOf(sourceTexture);
  TextureBase* target = textureBaseOf(destinationTexture);
  if (!source || !target || source == target || &childOf(sourceTexture)->device() != this ||
      &childOf(destinationTexture)->device() != this) {
    return D3DERR_INVALIDCALL;
  }
  const TextureDescription& from = source->description();
  const TextureDescription& to = target->description();
  if (from.type != to.type || from.format != to.format || from.pool != D3DPOOL_SYSTEMMEM ||
      to.pool != D3DPOOL_DEFAULT) {
    return D3DERR_INVALIDCALL;
  }
  // The destination's top level matches the source level of the same size.
  UINT first = 0;
  while (first < from.levels && (mipSize(from.width, first) != to.width || mipSize(from.height, first) != to.height ||
                                 mipSize(from.depth, first) != to.depth)) {
    ++first;
  }
  if (first == from.levels || from.levels - first < to.levels) return D3DERR_INVALIDCALL;
  for (UINT face = 0; face < source->faceCount(); ++face) {
    for (UINT level = 0; level < to.levels; ++level) {
      if (from.type == D3DRTYPE_VOLUMETEXTURE) {
        Volume* in = source->volume(first + level);
        Volume* out = target->volume(level);
        if (in->isLocked() || out->isLocked()) return D3DERR_INVALIDCALL;
        copyRegion(in->pixels(), wholeBox(in->desc().Width, in->desc().Height, in->desc().Depth), out->pixels(), 0, 0,
                   0);
      } else {
        Surface* in = source->surface(face, first + level);
        Surface* out = target->surface(face, level);
        if (in->isLocked() || out->isLocked()) return D3DERR_INVALIDCALL;
        copyRegion(in->pixels(), wholeBox(in->desc().Width, in->desc().Height), out->pixels(), 0, 0, 0);
      }
    }
  }
  return D3D_OK;
}

HRESULT Device::GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destSurface) {
  finishDraws();
  Surface* source = surfaceOf(renderTarget);
  Surface* target = surfaceOf(destSurface);
  if (!source || !target || !isRenderTargetSurface(*source) || target->desc().Pool != D3DPOOL_SYSTEMMEM ||
      source->desc().Format != target->desc().Format || source->desc().Width != target->desc().Width ||
      source->desc().Height != target->desc().Height || target->isLocked()) {
    return D3DERR_INVALIDCALL;
  }
  copyRegion(source->pixels(), wholeBox(source->desc().Width, source->desc().Height), target->pixels(), 0, 0, 0);
  return D3D_OK;
}

HRESULT Device::GetFrontBufferData(UINT swapChain, IDirect3DSurface9* destSurface) {
  finishDraws();
  Surface* target = surfaceOf(destSurface);
  if (swapChain != 0 || !target || target->desc().Format != D3DFMT_A8R8G8B8 ||
      target->desc().Pool != D3DPOOL_SYSTEMMEM || target->isLocked()) {
    return D3DERR_INVALIDCALL;
  }
  UINT width = std::min(target->desc().Width, lastPresented_.width);
  UINT height = std::min(target->desc().Height, lastPresented_.height);
  for (UINT y = 0; y < height; ++y) {
    for (UINT x = 0; x < width; ++x) {
      encodePixel(D3DFMT_A8R8G8B8, colorFromArgb(lastPresented_.pixels[std::size_t{y} * lastPresented_.width + x]),
                  target->pixels().at(x, y));
    }
  }
  return D3D_OK;
}

HRESULT Device::StretchRect(IDirect3DSurface9* sourceSurface, const RECT* sourceRect, IDirect3DSurface9* destSurface,
                            const RECT* destRect, D3DTEXTUREFILTERTYPE filter) {
  finishDraws();
  Surface* source = surfaceOf(sourceSurface);
  Surface* target = surfaceOf(destSurface);
  if (!source || !target || filter > D3DTEXF_LINEAR) return D3DERR_INVALIDCALL;
  const D3DSURFACE_DESC& from = source->desc();
  const D3DSURFACE_DESC& to = target->desc();
  // Between surfaces of the default pool: from plain surfaces, render targets and render-target
  // texture levels, into render targets and plain surfaces. Depth buffers are not copied.
  bool sourceUsable = isRenderTargetSurface(*source) || isPlainSurface(*source);
  bool targetUsable = isRenderTargetSurface(*target) || isPlainSurface(*target);
  if (from.Pool != D3DPOOL_DEFAULT || to.Pool != D3DPOOL_DEFAULT || !sourceUsable || !targetUsable ||
      source->isLocked() || target->isLocked()) {
    return D3DERR_INVALIDCALL;
  }
  D3DBOX in;
  D3DBOX out;
  if (!boxFromRect(sourceRect, from.Width, from.Height, &in) || !boxFromRect(destRect, to.Width, to.Height, &out) ||
      !regionIsValid(*source->pixels().format, from.Width, from.Height, 1, in) ||
      !regionIsValid(*target->pixels().format, to.Width, to.Height, 1, out)) {
    return D3DERR_INVALIDCALL;
  }
  UINT inWidth = in.Right - in.Left;
  UINT inHeight = in.Bottom - in.Top;
  UINT outWidth = out.Right - out.Left;
  UINT outHeight = out.Bottom - out.Top;
  if (source == target &&
      !(in.Right <= out.Left || out.Right <= in.Left || in.Bottom <= out.Top || out.Bottom <= in.Top)) {
    return D3DERR_INVALIDCALL;  // overlapping copies within one surface
  }
  if (from.Format == to.Format && inWidth == outWidth && inHeight == outHeight) {
    copyRegion(source->pixels(), in, target->pixels(), out.Left, out.Top, 0);
    return D3D_OK;
  }
  if (!hasPixelCodec(from.Format) || !hasPixelCodec(to.Format)) return D3DERR_INVALIDCALL;
  auto sample = [&](float u, float v) {
    // u, v in source pixels, relative to the source rectangle, pixel centres at +0.5.
    auto texel = [&](int x, int y) {
      x = std::clamp(x, 0, static_cast<int>(inWidth) - 1);
      y = std::clamp(y, 0, static_cast<int>(inHeight) - 1);
      Color4 color;
      decodePixel(from.Format, source->pixels().at(in.Left + x, in.Top + y), &color);
      return color;
    };
    if (filter != D3DTEXF_LINEAR) return texel(static_cast<int>(u), static_cast<int>(v));
    float fx = u - 0.5f;
    float fy = v - 0.5f;
    int x0 = static_cast<int>(std::floor(fx));
    int y0 = static_cast<int>(std::floor(fy));
    float ax = fx - x0;
    float ay = fy - y0;
    Color4 c00 = texel(x0, y0), c10 = texel(x0 + 1, y0), c01 = texel(x0, y0 + 1), c11 = texel(x0 + 1, y0 + 1);
    auto mix = [&](float a, float b, float c, float d) {
      return (a * (1 - ax) + b * ax) * (1 - ay) + (c * (1 - ax) + d * ax) * ay;
    };
    return Color4{mix(c00.r, c10.r, c01.r, c11.r), mix(c00.g, c10.g, c01.g, c11.g), mix(c00.b, c10.b, c01.b, c11.b),
                  mix(c00.a, c10.a, c01.a, c11.a)};
  };
  for (UINT y = 0; y < outHeight; ++y) {
    for (UINT x = 0; x < outWidth; ++x) {
      float u = (static_cast<float>(x) + 0.5f) * static_cast<float>(inWidth) / static_cast<float>(outWidth);
      float v = (static_cast<float>(y) + 0.5f) * static_cast<float>(inHeight) / static_cast<float>(outHeight);
      encodePixel(to.Format, sample(u, v), target->pixels().at(out.Left + x, out.Top + y));
    }
  }
  return D3D_OK;
}

HRESULT Device::ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) {
  finishDraws();
  Surface* target = surfaceOf(surface);
  if (!target || target->desc().Pool != D3DPOOL_DEFAULT ||
      !(isRenderTargetSurface(*target) || isPlainSurface(*target)) || !hasPixelCodec(target->desc().Format) ||
      target->isLocked()) {
    return D3DERR_INVALIDCALL;
  }
  D3DBOX box;
  if (!boxFromRect(rect, target->desc().Width, target->desc().Height, &box) ||
      !regionIsValid(*target->pixels().format, target->desc().Width, target->desc().Height, 1, box)) {
    return D3DERR_INVALIDCALL;
  }
  for (UINT y = box.Top; y < box.Bottom; ++y) {
    for (UINT x = box.Left; x < box.Right; ++x)
      encodePixel(target->desc().Format, colorFromArgb(color), target->pixels().at(x, y));
  }
  return D3D_OK;
}

// --- Render target and depth buffer ------------------------------------------------------------

HRESULT Device::SetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9* renderTarget) {
  finishDraws();
  Surface* surface = surfaceOf(renderTarget);
  if (renderTargetIndex != 0 || !surface || !isRenderTargetSurface(*surface)) return D3DERR_INVALIDCALL;
  renderTarget_ = Binding<Surface>(surface);
  // A new target brings a viewport and scissor rectangle that cover it.
  state_.viewport = {0, 0, surface->desc().Width, surface->desc().Height, 0.0f, 1.0f};
  state_.scissorRect = {0, 0, static_cast<LONG>(surface->desc().Width), static_cast<LONG>(surface->desc().Height)};
  return D3D_OK;
}

HRESULT Device::GetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9** renderTarget) {
  if (!renderTarget) return D3DERR_INVALIDCALL;
  *renderTarget = nullptr;
  if (renderTargetIndex != 0) return D3DERR_INVALIDCALL;
  if (!renderTarget_) return D3DERR_NOTFOUND;
  *renderTarget = renderTarget_.get();
  (*renderTarget)->AddRef();
  return D3D_OK;
}

HRESULT Device::SetDepthStencilSurface(IDirect3DSurface9* newZStencil) {
  finishDraws();
  if (!newZStencil) {
    depthStencil_ = {};
    return D3D_OK;
  }
  Surface* surface = surfaceOf(newZStencil);
  if (!surface || !isDepthSurface(*surface)) return D3DERR_INVALIDCALL;
  depthStencil_ = Binding<Surface>(surface);
  return D3D_OK;
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface9** zStencilSurface) {
  if (!zStencilSurface) return D3DERR_INVALIDCALL;
  *zStencilSurface = nullptr;
  if (!depthStencil_) return D3DERR_NOTFOUND;
  *zStencilSurface = depthStencil_.get();
  (*zStencilSurface)->AddRef();
  return D3D_OK;
}

}  // namespace platform::d3d9
