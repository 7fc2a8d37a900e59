// Triangle rasterisation into pixel blocks: the same coverage (edge functions, pixel
// centres, top-left rule) and the same interpolated values, lane for lane, as the quad
// rasteriser, for the draws processed a block of pixels at a time.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "platform/d3d9/hidden_pixels.h"
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
// `sink` whenever it fills; the caller hands over what is left after its last triangle. With a
// visibility pass's findings, pixels later draws paint over are left out, and the blocks are
// taken from those the pass found for triangle `triangle` of its run. Call only when
// fitsBlockRasterizer.
void rasterizeTriangleBlocks(const TriangleSetup& setup, const ClipRegion& region, const BlockComponents& components,
                             BlockBatch& batch, BlockSink& sink, const DrawVisibility& visibility = {},
                             std::size_t triangle = 0);

// Adds a draw's blocks as the visibility pass gathered them: block by block, the entries of the
// draw's triangles (`triangles`, numbered from the draw's first in the run) at each block put
// into as few elements of the batch as keep every pixel's triangles in order, with the pixels
// later draws paint over left out. For draws whose lanes are shaded alone (no derivatives
// between them), whose triangles all take the block path and share their flat slots.
void rasterizeGatheredBlocks(std::span<const TriangleSetup* const> triangles, const ClipRegion& region,
                             const BlockComponents& components, BlockBatch& batch, BlockSink& sink,
                             const DrawVisibility& visibility);

// The depth of a block's lanes, clamped to [0, 1]: the quad rasteriser's expression.
[[gnu::always_inline]] inline BlockFloats blockDepth(const TriangleSetup& s, int x, int y) {
  const BlockFloats dx = (static_cast<float>(x) + kBlockColumns) - s.originX;
  const BlockFloats dy = (static_cast<float>(y) + kBlockRows) - s.originY;
  const BlockFloats zero = {}, one = zero + 1.0f;
  const BlockFloats z = s.z.value + s.z.dx * dx + s.z.dy * dy;
  return z < zero ? zero : (one < z ? one : z);
}

// The lanes of a block whose top row is `y` that lie in rows `top` to `bottom`, bottom excluded.
[[gnu::always_inline]] inline unsigned lanesInRows(int y, int top, int bottom) {
  unsigned lanes = kAllBlockLanes;
  for (int row = 0; row < kBlockHeight; ++row) {
    if (y + row < top || y + row >= bottom) lanes &= ~(kBlockRowLanes << (row * kBlockWidth));
  }
  return lanes;
}

// A block's edge values as vectors of 32- or 64-bit lanes.
template <typename Edge>
struct EdgeLanesOf;
template <>
struct EdgeLanesOf<std::int32_t> {
  using type = std::int32_t __attribute__((vector_size(4 * kBlockLanes)));
};
template <>
struct EdgeLanesOf<std::int64_t> {
  using type = std::int64_t __attribute__((vector_size(8 * kBlockLanes)));
};

// forEachCoveredBlock with the edge values of a block's lanes held as `Edge` integers, which
// must hold every edge value of the triangle's blocks exactly.
template <typename Edge, typename Visit>
[[gnu::always_inline]] inline void forEachCoveredBlockAs(const TriangleSetup& s, const ClipRegion& region,
                                                         Visit& visit) {
  using EdgeLanes = typename EdgeLanesOf<Edge>::type;
  const int minX = std::max(s.minX, region.left), maxX = std::min(s.maxX, region.right - 1);
  const int minY = std::max(s.minY, region.top), maxY = std::min(s.maxY, region.bottom - 1);
  if (minX > maxX || minY > maxY) return;
  const int firstX = minX & ~(kBlockWidth - 1), firstY = minY & ~(kBlockHeight - 1);
  // Edge i at pixel (x, y): (x[i+1] - x[i]) * (256y - y[i]) - (y[i+1] - y[i]) * (256x - x[i]) + bias;
  // inside when positive. Each lane adds its column and row steps to the block's value.
  std::array<std::int64_t, 3> stepX{}, stepY{}, rowStart{};
  std::array<EdgeLanes, 3> laneOffsets;
  const EdgeLanes laneColumns = __builtin_convertvector(kBlockColumns, EdgeLanes);
  const EdgeLanes laneRows = __builtin_convertvector(kBlockRows, EdgeLanes);
  for (std::size_t i = 0; i < 3; ++i) {
    const std::size_t next = (i + 1) % 3;
    const std::int64_t dx = s.x[next] - s.x[i], dy = s.y[next] - s.y[i];
    stepX[i] = -dy * 256;
    stepY[i] = dx * 256;
    rowStart[i] = dx * (std::int64_t{firstY} * 256 - s.y[i]) - dy * (std::int64_t{firstX} * 256 - s.x[i]) + s.bias[i];
    laneOffsets[i] = laneColumns * static_cast<Edge>(stepX[i]) + laneRows * static_cast<Edge>(stepY[i]);
  }
  // The lanes of one block column.
  constexpr unsigned kColumnLanes = [] {
    unsigned lanes = 0;
    for (int row = 0; row < kBlockHeight; ++row) lanes |= 1u << (row * kBlockWidth);
    return lanes;
  }();
  for (int y = firstY; y <= maxY; y += kBlockHeight) {
    const unsigned rowLanes = lanesInRows(y, minY, maxY + 1);
    std::array<std::int64_t, 3> e = rowStart;
    for (int x = firstX; x <= maxX; x += kBlockWidth) {
      unsigned lanes = rowLanes;
      if (x < minX || x + kBlockWidth - 1 > maxX) {
        for (int column = 0; column < kBlockWidth; ++column) {
          if (x + column < minX || x + column > maxX) lanes &= ~(kColumnLanes << column);
        }
      }
      const EdgeLanes zero = {};
      const EdgeLanes inside = (static_cast<Edge>(e[0]) + laneOffsets[0] > zero) &
                               (static_cast<Edge>(e[1]) + laneOffsets[1] > zero) &
                               (static_cast<Edge>(e[2]) + laneOffsets[2] > zero);
      const unsigned covered = laneBits(__builtin_convertvector(inside, BlockInts)) & lanes;
      if (covered) visit(x, y, covered);
      for (std::size_t i = 0; i < 3; ++i) e[i] += kBlockWidth * stepX[i];
    }
    for (std::size_t i = 0; i < 3; ++i) rowStart[i] += kBlockHeight * stepY[i];
  }
}

// Calls visit(x, y, lanes) for each block, left to right and top to bottom, that the triangle
// covers inside `region`: (x, y) its top-left pixel, `lanes` its covered lanes as bits. Call
// only when fitsBlockRasterizer.
template <typename Visit>
void forEachCoveredBlock(const TriangleSetup& s, const ClipRegion& region, Visit&& visit) {
  // An edge value is a product of a vertex difference and a pixel's distance from a vertex
  // (within the triangle's bounds and a few pixels of block padding), twice, plus the bias: for
  // vertices less than 30000 apart (117 pixels, in 24.8 fixed point) below 2^31.
  const auto [lowX, highX] = std::minmax({s.x[0], s.x[1], s.x[2]});
  const auto [lowY, highY] = std::minmax({s.y[0], s.y[1], s.y[2]});
  if (highX - lowX < 30000 && highY - lowY < 30000) {
    forEachCoveredBlockAs<std::int32_t>(s, region, visit);
  } else {
    forEachCoveredBlockAs<std::int64_t>(s, region, visit);
  }
}

}  // namespace platform::d3d9
