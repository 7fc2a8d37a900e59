#include "platform/d3d9/block_rasterizer.h"

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
  const BlockFloats rhw = atLanes(s.rhw, dx, dy);
  batch.z[b] = blockDepth(s, x, y);
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

}  // namespace

bool fitsBlockRasterizer(const TriangleSetup& s, const ClipRegion& region) {
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::llabs(s.x[i]) >= kBlockCoordinateLimit || std::llabs(s.y[i]) >= kBlockCoordinateLimit) return false;
  }
  const std::int64_t limit = kBlockCoordinateLimit / 256 - 4;
  return region.left > -limit && region.top > -limit && region.right < limit && region.bottom < limit;
}

void rasterizeTriangleBlocks(const TriangleSetup& s, const ClipRegion& region, const BlockComponents& components,
                             BlockBatch& batch, BlockSink& sink, const DrawVisibility& visibility,
                             std::size_t triangle) {
  const Interpolants interpolants(s, components, batch);
  auto add = [&](int x, int y, unsigned covered) __attribute__((always_inline)) {
    if (visibility.hidden) {
      covered &= ~visibility.hidden->hiddenLanes(x, y, visibility.draw);
      if (!covered) return;
    }
    const auto b = static_cast<std::size_t>(batch.count);
    batch.x[b] = x;
    batch.y[b] = y;
    batch.coverage[b] = static_cast<std::uint16_t>(covered);
    batch.frontFacing[b] = s.frontFacing;
    interpolateBlock(s, interpolants, x, y, batch, b);
    if (++batch.count == kBatchBlocks) sink.blocks(batch);
  };
  if (!visibility.covered) {
    forEachCoveredBlock(s, region, add);
    return;
  }
  // The pass found the blocks over the whole region, band by band; this region's rows are
  // some of them.
  for (const CoveredBlocks::Band& band : visibility.covered->bands) {
    if (band.bottom <= region.top || band.top >= region.bottom) continue;
    const bool whole = band.top >= region.top && band.bottom <= region.bottom;
    for (const CoveredBlock& block : visibility.covered->of(band, visibility.firstTriangle + triangle)) {
      const unsigned lanes = whole ? block.lanes : block.lanes & lanesInRows(block.y, region.top, region.bottom);
      if (lanes) add(block.x, block.y, lanes);
    }
  }
}

}  // namespace platform::d3d9
