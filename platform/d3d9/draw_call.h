// One draw call carried out: vertices processed once each, primitives assembled, clipped to
// the view volume and the enabled user clip planes, mapped to the viewport (triangles with
// their depth bias, point sprites as squares of two triangles) and rasterised; pixels shaded
// and merged. Large draws are rasterised by several workers, each owning a fixed band of rows
// and walking all primitives in order, so the result does not depend on the number of workers;
// long triangle lists are also assembled by them, each a run of triangles kept in draw order.
#pragma once

#include <array>
#include <cstdint>

#include "platform/d3d9/band_workers.h"
#include "platform/d3d9/device_state.h"
#include "platform/d3d9/surface.h"
#include "platform/d3d9/texture_sampler.h"

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

}  // namespace platform::d3d9
