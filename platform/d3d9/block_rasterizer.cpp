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

// The attribute components a triangle's blocks need: each plane with the batch row it fills,
// worked out once per triangle so that each block only runs down the list.
struct Interpolants {
  struct Entry {
    const Plane* plane;
    BatchRow<BlockFloats>* row;
  };
  std::array<Entry, kVaryingSlots * 4> perspective, flat;
  int perspectiveCount = 0, flatCount = 0;

  Interpolants(const TriangleSetup& s, const BlockComponents& components, BlockBatch& batch) {
    for (std::size_t slot = 0; slot < kVaryingSlots; ++slot) {
      const bool constant = s.flatSlots & (1u << slot);
      for (unsigned mask = components[slot]; mask; mask &= mask - 1) {
        const auto c = static_cast<std::size_t>(__builtin_ctz(mask));
        const Entry entry{&s.varyings[slot][c], &batch.varyings[slot][c]};
        if (constant) {
          flat[static_cast<std::size_t>(flatCount++)] = entry;
        } else {
          perspective[static_cast<std::size_t>(perspectiveCount++)] = entry;
        }
      }
    }
  }
};

// Depth and attributes of a block's lanes, into element b of the batch's rows: the quad
// rasteriser's expressions, lane for lane.
void interpolateBlock(const TriangleSetup& s, const Interpolants& interpolants, int x, int y, BlockBatch& batch,
                      std::size_t b) {
  const BlockFloats dx = (static_cast<float>(x) + kBlockColumns) - s.originX;
  const BlockFloats dy = (static_cast<float>(y) + kBlockRows) - s.originY;
  const BlockFloats zero = {}, one = zero + 1.0f;
  const BlockFloats z = atLanes(s.z, dx, dy), rhw = atLanes(s.rhw, dx, dy);
  batch.z[b] = z < zero ? zero : (one < z ? one : z);
  const BlockFloats w = rhw != zero ? one / (rhw != zero ? rhw : one) : zero;
  for (int i = 0; i < interpolants.perspectiveCount; ++i) {
    const auto& entry = interpolants.perspective[static_cast<std::size_t>(i)];
    (*entry.row)[b] = atLanes(*entry.plane, dx, dy) * w;
  }
  for (int i = 0; i < interpolants.flatCount; ++i) {
    const auto& entry = interpolants.flat[static_cast<std::size_t>(i)];
    (*entry.row)[b] = zero + entry.plane->value;
  }
}

// Edge values of a block's lanes, exact in 64 bits.
using EdgeLanes = std::int64_t __attribute__((vector_size(8 * kBlockLanes)));
const EdgeLanes kLaneColumns = __builtin_convertvector(kBlockColumns, EdgeLanes);
const EdgeLanes kLaneRows = __builtin_convertvector(kBlockRows, EdgeLanes);

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
  std::array<EdgeLanes, 3> laneOffsets;
  for (std::size_t i = 0; i < 3; ++i) {
    const std::size_t next = (i + 1) % 3;
    const std::int64_t dx = s.x[next] - s.x[i], dy = s.y[next] - s.y[i];
    stepX[i] = -dy * 256;
    stepY[i] = dx * 256;
    rowStart[i] = dx * (std::int64_t{firstY} * 256 - s.y[i]) - dy * (std::int64_t{firstX} * 256 - s.x[i]) + s.bias[i];
    laneOffsets[i] = kLaneColumns * stepX[i] + kLaneRows * stepY[i];
  }
  // The lanes of one block column.
  constexpr unsigned kColumnLanes = [] {
    unsigned lanes = 0;
    for (int row = 0; row < kBlockHeight; ++row) lanes |= 1u << (row * kBlockWidth);
    return lanes;
  }();
  const Interpolants interpolants(s, components, batch);
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
        interpolateBlock(s, interpolants, x, y, batch, b);
        if (++batch.count == kBatchBlocks) sink.blocks(batch);
      }
      for (std::size_t i = 0; i < 3; ++i) e[i] += kBlockWidth * stepX[i];
    }
    for (std::size_t i = 0; i < 3; ++i) rowStart[i] += kBlockHeight * stepY[i];
  }
}

}  // namespace platform::d3d9
