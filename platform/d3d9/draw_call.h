// One draw call carried out: vertices processed once each, primitives assembled, clipped to
// the view volume and the enabled user clip planes, mapped to the viewport (triangles with
// their depth bias, point sprites as squares of two triangles) and rasterised; pixels shaded
// and merged. Large draws are rasterised by several workers, each owning a fixed band of rows
// and walking all primitives in order, so the result does not depend on the number of workers;
// long triangle lists are also assembled by them, each a run of triangles kept in draw order.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/d3d9/band_workers.h"
#include "platform/d3d9/device_state.h"
#include "platform/d3d9/hidden_pixels.h"
#include "platform/d3d9/surface.h"
#include "platform/d3d9/texture_sampler.h"
#include "platform/d3d9/visibility_pass.h"

namespace platform::d3d9 {

struct DrawRequest {
  D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
  UINT primitiveCount = 0;
  // Vertices: from the bound streams, or stream 0 from user memory.
  const void* userVertices = nullptr;
  UINT userStride = 0;
  UINT userVertexCount = 0;  // how many vertices the user memory holds
  UINT startVertex = 0;      // first vertex of a non-indexed draw
  // Indices: none, the bound index buffer from startIndex, or user memory.
  bool indexed = false;
  const void* userIndices = nullptr;
  D3DFORMAT indexFormat = D3DFMT_INDEX16;
  UINT startIndex = 0;
  INT baseVertex = 0;
};

struct DrawTargets {
  Surface* renderTarget = nullptr;
  Surface* depthStencil = nullptr;
  unsigned workers = 1;
  bool fastPaths = true;                                                 // false: every pixel through the general paths
  std::array<TexelScratch, kPixelSamplerCount>* texelScratch = nullptr;  // the device's, kept between draws
  BandWorkers* bandWorkers = nullptr;  // the device's; without them a draw starts threads of its own
};

// Vertices a primitive count takes; 0 for an unknown primitive type.
std::uint64_t verticesForPrimitives(D3DPRIMITIVETYPE type, UINT primitives);

// Draws; D3DERR_INVALIDCALL when a bound shader cannot run.
HRESULT executeDraw(const DeviceState& state, const DrawTargets& targets, const DrawRequest& request);

// A draw whose vertices are processed and whose primitives are set up, with its pixels still to
// come. It keeps a copy of the state it was made under (and so its textures), and its targets
// as they were: whoever holds it renders it before the targets change or are read.
class PreparedDraw {
 public:
  virtual ~PreparedDraw() = default;
  // Rasterises, shades and merges the draw, with what a visibility pass found for it.
  virtual void render(const DrawVisibility& visibility) = 0;
  // Its triangles, region and use of depth, for the visibility pass.
  virtual DrawCoverage coverage() = 0;
  // About how much memory it holds.
  virtual std::size_t heldBytes() const = 0;
};

// Prepares a draw to be rendered later; D3DERR_INVALIDCALL when a bound shader cannot run.
// `*prepared` stays empty when the draw has nothing to rasterise.
HRESULT prepareDraw(const DeviceState& state, const DrawTargets& targets, const DrawRequest& request,
                    std::unique_ptr<PreparedDraw>* prepared);

}  // namespace platform::d3d9
