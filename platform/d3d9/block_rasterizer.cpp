#include "platform/d3d9/block_rasterizer.h"

#include <cstdlib>
#include <span>

namespace platform::d3d9 {
namespace {

// 65536 pixels in 24.8 fixed point keeps every edge value far inside 64 bits.
constexpr std::int64_t kBlockCoordinateLimit = std::int64_t{1} << 24;

[[gnu::always_inline]] inline BlockFloats atLanes(const Plane& p, BlockFloats dx, BlockFloats dy) {
  return p.value + p.dx * dx + p.dy * dy;
}

// The attribute components a draw's blocks need, each with the batch row it fills, split into
// the interpolated and the constant (flat) ones; worked out once so that each block only runs
// down the list.
struct Interpolants {
  struct Entry {
    std::uint8_t slot, component;
    BatchRow<BlockFloats>* row;
  };
  std::array<Entry, kVaryingSlots * 4> perspective, flat;
  int perspectiveCount = 0, flatCount = 0;

  Interpolants(std::uint32_t flatSlots, const BlockComponents& components, BlockBatch& batch) {
    for (std::size_t slot = 0; slot < kVaryingSlots; ++slot) {
      const bool constant = flatSlots & (1u << slot);
      for (unsigned mask = components[slot]; mask; mask &= mask - 1) {
        const auto c = static_cast<std::size_t>(__builtin_ctz(mask));
        const Entry entry{static_cast<std::uint8_t>(slot), static_cast<std::uint8_t>(c), &batch.varyings[slot][c]};
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
// rasteriser's expressions, lane for lane. `Whole`: every lane is written; else only `lanes`,
// the others keeping what another triangle wrote there.
template <bool Whole>
[[gnu::always_inline]] inline void interpolateBlock(const TriangleSetup& s, const Interpolants& interpolants, int x,
                                                    int y, BlockBatch& batch, std::size_t b, unsigned lanes) {
  const BlockFloats dx = (static_cast<float>(x) + kBlockColumns) - s.originX;
  const BlockFloats dy = (static_cast<float>(y) + kBlockRows) - s.originY;
  const BlockFloats zero = {}, one = zero + 1.0f;
  const BlockInts mask = Whole ? BlockInts{} : laneMask(lanes);
  auto put = [&](BlockFloats & to, BlockFloats value) __attribute__((always_inline)) {
    if constexpr (Whole) {
      to = value;
    } else {
      to = mask ? value : to;
    }
  };
  const BlockFloats rhw = atLanes(s.rhw, dx, dy);
  put(batch.z[b], blockDepth(s, x, y));
  const BlockFloats w = rhw != zero ? one / (rhw != zero ? rhw : one) : zero;
  for (int i = 0; i < interpolants.perspectiveCount; ++i) {
    const auto& entry = interpolants.perspective[static_cast<std::size_t>(i)];
    put((*entry.row)[b], atLanes(s.varyings[entry.slot][entry.component], dx, dy) * w);
  }
  for (int i = 0; i < interpolants.flatCount; ++i) {
    const auto& entry = interpolants.flat[static_cast<std::size_t>(i)];
    put((*entry.row)[b], zero + s.varyings[entry.slot][entry.component].value);
  }
}

// Gives the batch's next element, already filled, its covered lanes and counts it in, handing a
// full batch to the sink.
[[gnu::always_inline]] inline void closeElement(BlockBatch& batch, BlockSink& sink, unsigned lanes) {
  batch.coverage[static_cast<std::size_t>(batch.count)] = static_cast<std::uint16_t>(lanes);
  if (++batch.count == kBatchBlocks) sink.blocks(batch);
}

// Calls visit(band, rowLanes) for each band of the pass's that meets the region's rows, with
// rowLanes(y) the lanes of a block whose top row is y that lie in those rows: the pass found the
// blocks over the whole target, band by band, and a region's rows are some of them.
template <typename Visit>
void forEachBandIn(const CoveredBlocks& covered, const ClipRegion& region, Visit&& visit) {
  for (const CoveredBlocks::Band& band : covered.bands) {
    if (band.bottom <= region.top || band.top >= region.bottom) continue;
    const bool whole = band.top >= region.top && band.bottom <= region.bottom;
    visit(band, [&](int y) { return whole ? kAllBlockLanes : lanesInRows(y, region.top, region.bottom); });
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
  const Interpolants interpolants(s.flatSlots, components, batch);
  auto add = [&](int x, int y, unsigned covered) __attribute__((always_inline)) {
    if (visibility.hidden) {
      covered &= ~visibility.hidden->hiddenLanes(x, y, visibility.draw);
      if (!covered) return;
    }
    const auto b = static_cast<std::size_t>(batch.count);
    batch.x[b] = x;
    batch.y[b] = y;
    batch.frontFacing[b] = s.frontFacing;
    interpolateBlock<true>(s, interpolants, x, y, batch, b, covered);
    closeElement(batch, sink, covered);
  };
  if (!visibility.covered) {
    forEachCoveredBlock(s, region, add);
    return;
  }
  forEachBandIn(*visibility.covered, region, [&](const CoveredBlocks::Band& band, auto rowLanes) {
    for (const CoveredBlock& block : visibility.covered->of(band, visibility.firstTriangle + triangle)) {
      const unsigned lanes = block.lanes & rowLanes(block.y);
      if (lanes) add(block.x, block.y, lanes);
    }
  });
}

void rasterizeGatheredBlocks(std::span<const TriangleSetup* const> triangles, const ClipRegion& region,
                             const BlockComponents& components, BlockBatch& batch, BlockSink& sink,
                             const DrawVisibility& visibility) {
  const Interpolants interpolants(triangles.empty() ? 0 : triangles.front()->flatSlots, components, batch);
  const std::size_t draw = static_cast<std::size_t>(visibility.draw) - 1;
  forEachBandIn(*visibility.covered, region, [&](const CoveredBlocks::Band& band, auto rowLanes) {
    for (const GatheredBlock& block : visibility.covered->gatheredOf(band, draw)) {
      const int x = block.x, y = block.y;
      unsigned keep = rowLanes(y);
      if (visibility.hidden) keep &= ~visibility.hidden->hiddenLanes(x, y, visibility.draw);
      if (!keep) continue;
      // The triangles' lanes go into one element of the batch for as long as they are apart and
      // the triangles face the same way; a pixel covered again starts the next, merged after it.
      unsigned taken = 0;
      for (std::uint32_t i = 0; i < block.count; ++i) {
        const unsigned lanes = block.lanes[i] & keep;
        if (!lanes) continue;
        const TriangleSetup& t = *triangles[block.triangles[i] - visibility.firstTriangle];
        auto b = static_cast<std::size_t>(batch.count);
        if (taken && ((taken & lanes) || batch.frontFacing[b] != t.frontFacing)) {
          closeElement(batch, sink, taken);
          taken = 0;
          b = static_cast<std::size_t>(batch.count);
        }
        if (!taken) {
          batch.x[b] = x;
          batch.y[b] = y;
          batch.frontFacing[b] = t.frontFacing;
          interpolateBlock<true>(t, interpolants, x, y, batch, b, lanes);
        } else {
          interpolateBlock<false>(t, interpolants, x, y, batch, b, lanes);
        }
        taken |= lanes;
      }
      if (taken) closeElement(batch, sink, taken);
    }
  });
}

}  // namespace platform::d3d9
