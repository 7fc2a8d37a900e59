// Triangle rasterisation into pixel blocks: the same coverage (edge functions, pixel
// centres, top-left rule) and the same interpolated values, lane for lane, as the quad
// rasteriser, for the draws processed a block of pixels at a time.
#pragma once

#include <cstdint>

#include "platform/d3d9/pixel_block.h"
#include "platform/d3d9/rasterizer.h"

namespace platform::d3d9 {

class BlockSink {
 public:
  virtual ~BlockSink() = default;
  // Shades and merges the batch's blocks in order; the batch is then emptied.
  virtual void blocks(BlockBatch& batch) = 0;
};

// Whether the triangle's edge values stay small enough for the block rasteriser's lane offsets.
// Triangles reaching further than 65536 pixels from the origin go the quad way.
bool fitsBlockRasterizer(const TriangleSetup& setup, const ClipRegion& region);

// Adds the triangle's covered blocks inside `region` to `batch` with the components
// `components` names interpolated (the others hold whatever was there), handing the batch to
// `sink` whenever it fills; the caller hands over what is left after its last triangle. Call
// only when fitsBlockRasterizer.
void rasterizeTriangleBlocks(const TriangleSetup& setup, const ClipRegion& region, const BlockComponents& components,
                             BlockBatch& batch, BlockSink& sink);

}  // namespace platform::d3d9
