// Scenes, Clear and the draw calls. Draw calls check their arguments against the bound state
// and hand the work to executeDraw.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "platform/d3d9/device.h"
#include "platform/d3d9/draw_call.h"
#include "platform/d3d9/pixel_codec.h"
#include "platform/d3d9/raw_bits.h"

namespace platform::d3d9 {
namespace {

constexpr DWORD kClearFlags = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;

// Vertices a primitive count takes; 0 for an unknown type or more primitives than the caps allow.
std::uint64_t verticesFor(D3DPRIMITIVETYPE type, UINT primitives) {
  return primitives > kMaxPrimitiveCount ? 0 : verticesForPrimitives(type, primitives);
}

}  // namespace

HRESULT Device::BeginScene() {
  if (inScene_) return D3DERR_INVALIDCALL;
  inScene_ = true;
  return D3D_OK;
}

HRESULT Device::EndScene() {
  finishDraws();
  if (!inScene_) return D3DERR_INVALIDCALL;
  inScene_ = false;
  return D3D_OK;
}

namespace {

// Copies one pixel's bytes into `count` pixels in a row; 32-bit pixels as words.
void fillPixels(std::byte* row, LONG count, const std::byte* value, std::size_t size) {
  if (size == 4) {
    std::uint32_t word;
    std::memcpy(&word, value, 4);
    for (LONG x = 0; x < count; ++x) std::memcpy(row + 4 * x, &word, 4);
    return;
  }
  for (LONG x = 0; x < count; ++x) std::memcpy(row + static_cast<std::size_t>(x) * size, value, size);
}

// Each pixel of a row becomes (pixel & keep) | set, byte for byte; whole words at a time for
// the usual sizes.
void maskPixels(std::byte* row, LONG count, const std::byte* keep, const std::byte* set, std::size_t size) {
  auto words = [&]<typename Word>(Word) {
    const auto keepWord = loadUnaligned<Word>(keep), setWord = loadUnaligned<Word>(set);
    for (LONG x = 0; x < count; ++x) {
      std::byte* at = row + static_cast<std::size_t>(x) * sizeof(Word);
      const auto word = static_cast<Word>((loadUnaligned<Word>(at) & keepWord) | setWord);
      std::memcpy(at, &word, sizeof word);
    }
  };
  if (size == 4) return words(std::uint32_t{});
  if (size == 2) return words(std::uint16_t{});
  for (LONG x = 0; x < count; ++x, row += size) {
    for (std::size_t b = 0; b < size; ++b) row[b] = (row[b] & keep[b]) | set[b];
  }
}

}  // namespace

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
  finishDraws();
  if ((count != 0) != (rects != nullptr) || flags == 0 || (flags & ~kClearFlags)) return D3DERR_INVALIDCALL;
  Surface* depth = depthStencil_.get();
  if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !depth) return D3DERR_INVALIDCALL;
  if ((flags & D3DCLEAR_STENCIL) && depth->pixels().format->stencilBits == 0) return D3DERR_INVALIDCALL;
  if ((flags & D3DCLEAR_ZBUFFER) && !(z >= 0.0f && z <= 1.0f)) return D3DERR_INVALIDCALL;
  if (isLost() || !renderTarget_) return D3D_OK;  // a lost device draws nothing

  Surface* target = renderTarget_.get();
  // Clearing is limited to the viewport, and to the scissor rectangle when that test is on.
  const D3DVIEWPORT9& viewport = state_.viewport;
  LONG left = static_cast<LONG>(viewport.X);
  LONG top = static_cast<LONG>(viewport.Y);
  LONG right = static_cast<LONG>(viewport.X + viewport.Width);
  LONG bottom = static_cast<LONG>(viewport.Y + viewport.Height);
  if (state_.renderStates[D3DRS_SCISSORTESTENABLE]) {
    left = std::max(left, state_.scissorRect.left);
    top = std::max(top, state_.scissorRect.top);
    right = std::min(right, state_.scissorRect.right);
    bottom = std::min(bottom, state_.scissorRect.bottom);
  }
  right = std::min<LONG>(right, static_cast<LONG>(target->desc().Width));
  bottom = std::min<LONG>(bottom, static_cast<LONG>(target->desc().Height));
  D3DRECT whole{left, top, right, bottom};
  const D3DRECT* areas = rects ? rects : &whole;
  DWORD areaCount = rects ? count : 1;

  std::vector<std::byte> colorPixel(target->pixels().format->bytesPerBlock);
  const bool clearColor =
      (flags & D3DCLEAR_TARGET) && encodePixel(target->desc().Format, colorFromArgb(color), colorPixel.data());
  // A depth-stencil clear sets the same bits in every pixel and keeps the rest: encoding over
  // all-zero and all-one pixels gives the bits to set and the bits to keep, once per clear.
  const bool clearDepth = depth && (flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL));
  const std::size_t depthBytes = clearDepth ? depth->pixels().format->bytesPerBlock : 0;
  std::array<std::byte, 8> depthSet{}, depthKeep{};
  bool depthEncodable = false;
  if (clearDepth && depthBytes <= depthSet.size()) {
    std::array<std::byte, 8> ones;
    ones.fill(std::byte{0xFF});
    depthEncodable = encodeDepthStencil(depth->desc().Format, z, stencil, flags & D3DCLEAR_ZBUFFER,
                                        flags & D3DCLEAR_STENCIL, depthSet.data()) &&
                     encodeDepthStencil(depth->desc().Format, z, stencil, flags & D3DCLEAR_ZBUFFER,
                                        flags & D3DCLEAR_STENCIL, ones.data());
    for (std::size_t b = 0; b < depthBytes; ++b) depthKeep[b] = ones[b] & ~depthSet[b];
  }
  const bool wholeDepthBytes =
      std::all_of(depthKeep.begin(), depthKeep.end(), [](std::byte b) { return b == std::byte{0}; });
  const FormatInfo& colorFormat = *target->pixels().format;
  const bool colorByPixel = colorFormat.blockWidth == 1 && colorFormat.blockHeight == 1;
  for (DWORD i = 0; i < areaCount; ++i) {
    LONG x0 = std::max(areas[i].x1, left);
    LONG y0 = std::max(areas[i].y1, top);
    LONG x1 = std::min(areas[i].x2, right);
    LONG y1 = std::min(areas[i].y2, bottom);
    if (x0 >= x1 || y0 >= y1) continue;
    for (LONG y = y0; y < y1; ++y) {
      if (clearColor) {
        if (colorByPixel) {
          fillPixels(target->pixels().at(static_cast<UINT>(x0), static_cast<UINT>(y)), x1 - x0, colorPixel.data(),
                     colorPixel.size());
        } else {
          for (LONG x = x0; x < x1; ++x) {
            std::copy(colorPixel.begin(), colorPixel.end(),
                      target->pixels().at(static_cast<UINT>(x), static_cast<UINT>(y)));
          }
        }
      }
      if (depthEncodable && static_cast<UINT>(y) < depth->desc().Height) {
        LONG end = std::min<LONG>(x1, static_cast<LONG>(depth->desc().Width));
        if (x0 >= end) continue;
        std::byte* pixel = depth->pixels().at(static_cast<UINT>(x0), static_cast<UINT>(y));
        if (wholeDepthBytes) {
          fillPixels(pixel, end - x0, depthSet.data(), depthBytes);
          continue;
        }
        maskPixels(pixel, end - x0, depthKeep.data(), depthSet.data(), depthBytes);
      }
    }
  }
  return D3D_OK;
}

// The checks every draw makes: inside a scene, an input layout, and the vertex range read
// from stream 0 inside its buffer.
HRESULT Device::validateDraw(UINT vertexEnd, bool indexed) const {
  if (!inScene_) return D3DERR_INVALIDCALL;
  if (!state_.vertexDeclaration) return D3DERR_INVALIDCALL;
  if (indexed && !state_.indices) return D3DERR_INVALIDCALL;
  const StreamSource& stream = state_.streams[0];
  if (!stream.buffer || stream.stride == 0) return D3DERR_INVALIDCALL;
  std::uint64_t end = std::uint64_t{stream.offset} + std::uint64_t{vertexEnd} * stream.stride;
  if (end > stream.buffer->store().size()) return D3DERR_INVALIDCALL;
  return D3D_OK;
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) {
  std::uint64_t vertices = verticesFor(primitiveType, primitiveCount);
  if (vertices == 0 || primitiveCount == 0) return D3DERR_INVALIDCALL;
  std::uint64_t end = std::uint64_t{startVertex} + vertices;
  if (end > 0xFFFFFFFFu) return D3DERR_INVALIDCALL;
  if (HRESULT result = validateDraw(static_cast<UINT>(end), false); FAILED(result)) return result;
  DrawRequest request;
  request.type = primitiveType;
  request.primitiveCount = primitiveCount;
  request.startVertex = startVertex;
  return draw(request);
}

HRESULT Device::draw(const DrawRequest& request) {
  if (isLost() || !renderTarget_) return D3D_OK;
  DrawTargets targets{renderTarget_.get(), depthStencil_.get(), renderWorkers_,
                      fastPaths_,          &texelScratch_,      &bandWorkers_};
  if (!mayHoldDraw()) {
    finishDraws();
    return executeDraw(state_, targets, request);
  }
  std::unique_ptr<PreparedDraw> prepared;
  const HRESULT result = prepareDraw(state_, targets, request, &prepared);
  if (prepared)
    heldDraws_.hold(std::move(prepared), renderTarget_.get(), depthStencil_.get(), bandWorkers_, renderWorkers_);
  return result;
}

bool Device::mayHoldDraw() const {
  // The general paths draw each draw as it comes, as the fast paths' reference.
  if (!fastPaths_) return false;
  // Stencil writes outlive the pixels drawn over them.
  if (state_.renderStates[D3DRS_STENCILENABLE]) return false;
  // A draw that reads the target or depth buffer as a texture reads pixels earlier draws may skip.
  const DeviceChild* targetTexture = renderTarget_->container();
  const DeviceChild* depthTexture = depthStencil_ ? depthStencil_->container() : nullptr;
  return std::none_of(state_.textures.begin(), state_.textures.end(), [&](const auto& texture) {
    const auto* child = texture ? dynamic_cast<const DeviceChild*>(texture.get()) : nullptr;
    return child && (child == targetTexture || child == depthTexture);
  });
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, INT baseVertexIndex, UINT minVertexIndex,
                                     UINT numVertices, UINT startIndex, UINT primitiveCount) {
  std::uint64_t indices = verticesFor(primitiveType, primitiveCount);
  if (primitiveType == D3DPT_POINTLIST || indices == 0 || primitiveCount == 0 || numVertices == 0) {
    return D3DERR_INVALIDCALL;
  }
  std::int64_t first = std::int64_t{baseVertexIndex} + minVertexIndex;
  std::int64_t end = first + numVertices;
  if (first < 0 || end > 0xFFFFFFFFll) return D3DERR_INVALIDCALL;
  if (HRESULT result = validateDraw(static_cast<UINT>(end), true); FAILED(result)) return result;
  const IndexBuffer& buffer = *state_.indices.get();
  UINT indexSize = buffer.desc().Format == D3DFMT_INDEX32 ? 4 : 2;
  if ((std::uint64_t{startIndex} + indices) * indexSize > buffer.store().size()) return D3DERR_INVALIDCALL;
  DrawRequest request;
  request.type = primitiveType;
  request.primitiveCount = primitiveCount;
  request.indexed = true;
  request.startIndex = startIndex;
  request.baseVertex = baseVertexIndex;
  return draw(request);
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount, const void* vertexData,
                                UINT vertexStride) {
  if (!vertexData || vertexStride == 0 || primitiveCount == 0 || verticesFor(primitiveType, primitiveCount) == 0 ||
      !inScene_ || !state_.vertexDeclaration) {
    return D3DERR_INVALIDCALL;
  }
  DrawRequest request;
  request.type = primitiveType;
  request.primitiveCount = primitiveCount;
  request.userVertices = vertexData;
  request.userStride = vertexStride;
  request.userVertexCount = static_cast<UINT>(verticesFor(primitiveType, primitiveCount));
  HRESULT result = draw(request);
  // Drawing from user memory leaves stream 0 unset.
  state_.streams[0] = {};
  return result;
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex, UINT numVertices,
                                       UINT primitiveCount, const void* indexData, D3DFORMAT indexDataFormat,
                                       const void* vertexData, UINT vertexStride) {
  if (!indexData || !vertexData || vertexStride == 0 || primitiveCount == 0 || numVertices == 0 ||
      primitiveType == D3DPT_POINTLIST || verticesFor(primitiveType, primitiveCount) == 0 ||
      (indexDataFormat != D3DFMT_INDEX16 && indexDataFormat != D3DFMT_INDEX32) || !inScene_ ||
      !state_.vertexDeclaration) {
    return D3DERR_INVALIDCALL;
  }
  if (std::uint64_t{minVertexIndex} + numVertices > 0xFFFFFFFFu) return D3DERR_INVALIDCALL;
  DrawRequest request;
  request.type = primitiveType;
  request.primitiveCount = primitiveCount;
  request.userVertices = vertexData;
  request.userStride = vertexStride;
  request.userVertexCount = minVertexIndex + numVertices;
  request.indexed = true;
  request.userIndices = indexData;
  request.indexFormat = indexDataFormat;
  HRESULT result = draw(request);
  // Drawing from user memory leaves stream 0 and the indices unset.
  state_.streams[0] = {};
  state_.indices = {};
  return result;
}

HRESULT Device::ProcessVertices(UINT, UINT, UINT, IDirect3DVertexBuffer9*, IDirect3DVertexDeclaration9*, DWORD) {
  return D3DERR_INVALIDCALL;
}

// The rasteriser draws no higher-order patches.
HRESULT Device::DrawRectPatch(UINT, const float*, const D3DRECTPATCH_INFO*) { return D3DERR_INVALIDCALL; }
HRESULT Device::DrawTriPatch(UINT, const float*, const D3DTRIPATCH_INFO*) { return D3DERR_INVALIDCALL; }
HRESULT Device::DeletePatch(UINT) { return D3DERR_INVALIDCALL; }

HRESULT Device::CreateQuery(D3DQUERYTYPE, IDirect3DQuery9** query) {
  if (query) *query = nullptr;
  return D3DERR_NOTAVAILABLE;
}

}  // namespace platform::d3d9
