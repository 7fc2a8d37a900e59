#include "platform/d3d9/block_rasterizer.h"

#include <algorithm>
#include <cstdlib>

namespace platform::d3d9 {
namespace {

// 65536 pixels in 24.8 fixed point keeps every edge value far inside 64 bits.
constexpr std::int64_t kBlockCoordinateLimit = std::int64_t{1} << 24;

[[gnu::always_inline]] inline BlockFloats atLanes(const Plane& p, BlockFloats dx, BlockFloats dy) {
  return p.value + p.dx * dx + p.dy * dy;
}

// Depth and attributes of a block's lanes, into element b of the batch's rows: the quad
// rasteriser's expressions, lane for lane.
void interpolateBlock(const TriangleSetup& s, const BlockComponents& components, int x, int y, BlockBatch& batch,
                      std::size_t b) {
  const BlockFloats dx = (static_cast<float>(x) + kBlockColumns) - s.originX;
  const BlockFloats dy = (static_cast<float>(y) + kBlockRows) - s.originY;
  const BlockFloats zero = {}, one = zero + 1.0f;
  const BlockFloats z = atLanes(s.z, dx, dy), rhw = atLanes(s.rhw, dx, dy);
  batch.z[b] = z < zero ? zero : (one < z ? one : z);
  const BlockFloats w = rhw != zero ? one / (rhw != zero ? rhw : one) : zero;
  for (std::size_t slot = 0; slot < kVaryingSlots; ++slot) {
    const auto& planes = s.varyings[slot];
    auto& out = batch.varyings[slot];
    const bool flat = s.flatSlots & (1u << slot);
    for (unsigned mask = components[slot]; mask; mask &= mask - 1) {
      const auto c = static_cast<std::size_t>(__builtin_ctz(mask));
      out[c][b] = flat ? zero + planes[c].value : atLanes(planes[c], dx, dy) * w;
    }
  }
}

// Edge values of a block's lanes, exact in 64 bits.
using EdgeLanes = std::int64_t __attribute__((vector_size(8 * kBlockLanes)));

}  // namespace

bool fitsBlockRasterizer(const TriangleSetup& s, const ClipRegion& region) {
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::llabs(s.x[i]) >= kBlockCoordinateLimit || std::llabs(s.y[i]) >= kBlockCoordinateLimit) return false;
  }
  const std::int64_t limit = kBlockCoordinateLimit / 256 - 4;
  return region.left > -limit && region.top > -limit && region.right < limit && region.bottom < limit;
}

void rasterizeTriangleBlocks(const TriangleSetup& s, const ClipRegion& region, const BlockComponents& components,
                             BlockBatch& batch, BlockSink& sink) {
  const int minX = std::max(s.minX, region.left), maxX = std::min(s.maxX, region.right - 1);
  const int minY = std::max(s.minY, region.top), maxY = std::min(s.maxY, region.bottom - 1);
  if (minX > maxX || minY > maxY) return;
  const int firstX = minX & ~(kBlockWidth - 1), firstY = minY & ~(kBlockHeight - 1);
  // Edge i at pixel (x, y): (x[i+1] - x[i]) * (256y - y[i]) - (y[i+1] - y[i]) * (256x - x[i]) + bias;
  // inside when positive. Each lane adds its column and row steps to the block's value.
  std::array<std::int64_t, 3> stepX{}, stepY{}, rowStart{};
  std::array<EdgeLanes, 3> laneOffsets{};
  for (std::size_t i = 0; i < 3; ++i) {
    const std::size_t next = (i + 1) % 3;
    const std::int64_t dx = s.x[next] - s.x[i], dy = s.y[next] - s.y[i];
    stepX[i] = -dy * 256;
    stepY[i] = dx * 256;
    rowStart[i] = dx * (std::int64_t{firstY} * 256 - s.y[i]) - dy * (std::int64_t{firstX} * 256 - s.x[i]) + s.bias[i];
    for (int l = 0; l < kBlockLanes; ++l) {
      laneOffsets[i][l] = (l % kBlockWidth) * stepX[i] + (l / kBlockWidth) * stepY[i];
    }
  }
  // The lanes of one block column.
  constexpr unsigned kColumnLanes = [] {
    unsigned lanes = 0;
    for (int row = 0; row < kBlockHeight; ++row) lanes |= 1u << (row * kBlockWidth);
    return lanes;
  }();
  for (int y = firstY; y <= maxY; y += kBlockHeight) {
    // Lanes whose row lies inside the bounds.
    unsigned rowLanes = kAllBlockLanes;
    for (int row = 0; row < kBlockHeight; ++row) {
      if (y + row < minY || y + row > maxY) rowLanes &= ~(kBlockRowLanes << (row * kBlockWidth));
    }
    std::array<std::int64_t, 3> e = rowStart;
    for (int x = firstX; x <= maxX; x += kBlockWidth) {
      unsigned lanes = rowLanes;
      if (x < minX || x + kBlockWidth - 1 > maxX) {
        for (int column = 0; column < kBlockWidth; ++column) {
          if (x + column < minX || x + column > maxX) lanes &= ~(kColumnLanes << column);
        }
      }
      const EdgeLanes zero = {};
      const EdgeLanes inside =
          (e[0] + laneOffsets[0] > zero) & (e[1] + laneOffsets[1] > zero) & (e[2] + laneOffsets[2] > zero);
      const unsigned covered = laneBits(__builtin_convertvector(inside, BlockInts)) & lanes;
      if (covered) {
        const auto b = static_cast<std::size_t>(batch.count);
        batch.x[b] = x;
        batch.y[b] = y;
        batch.coverage[b] = static_cast<std::uint16_t>(covered);
        batch.frontFacing[b] = s.frontFacing;
        interpolateBlock(s, components, x, y, batch, b);
        if (++batch.count == kBatchBlocks) sink.blocks(batch);
      }
      for (std::size_t i = 0; i < 3; ++i) e[i] += kBlockWidth * stepX[i];
    }
    for (std::size_t i = 0; i < 3; ++i) rowStart[i] += kBlockHeight * stepY[i];
  }
}

}  // namespace platform::d3d9
