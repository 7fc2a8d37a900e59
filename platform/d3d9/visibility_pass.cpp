#include "platform/d3d9/visibility_pass.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/d3d9/block_rasterizer.h"
#include "platform/d3d9/block_surface.h"

namespace platform::d3d9 {
namespace {

template <typename Lanes, typename Value>
[[gnu::always_inline]] inline Lanes loadLanes(const Value* at) {
  Lanes lanes;
  std::memcpy(&lanes, at, sizeof lanes);
  return lanes;
}

// Writes `value` to the lanes of a block's values whose bit is set in `lanes`, leaving the others.
[[gnu::always_inline]] inline void storeWhere(float* at, unsigned lanes, BlockFloats value) {
#if defined(PRISM_BLOCKS_OF_16)
  _mm512_mask_storeu_ps(at, static_cast<__mmask16>(lanes), reinterpret_cast<__m512>(value));
#else
  const BlockFloats kept = loadLanes<BlockFloats>(at), written = laneMask(lanes) ? value : kept;
  std::memcpy(at, &written, sizeof written);
#endif
}
[[gnu::always_inline]] inline void storeWhere(std::uint16_t* at, unsigned lanes, std::uint16_t value) {
#if defined(PRISM_BLOCKS_OF_16)
  _mm256_mask_storeu_epi16(at, static_cast<__mmask16>(lanes), _mm256_set1_epi16(static_cast<short>(value)));
#else
  const auto kept = loadLanes<BlockShorts>(at), taken = __builtin_convertvector(laneMask(lanes), BlockShorts);
  const BlockShorts written = (kept & ~taken) | (taken & value);
  std::memcpy(at, &written, sizeof written);
#endif
}

// Values of `least_`: no draw of the run has stored a depth at the pixel yet, or one may have
// stored a depth the pass cannot tell.
constexpr float kNothingStored = __builtin_inff();
constexpr float kUnknownStored = -1.0f;

// The lanes of a block, at depths `z`, sure to pass a depth function of LESS or LESSEQUAL: against
// the integers `stored` in the buffer as the run found it, and against the `least` depth the
// run's draws may have stored since (the integers keep the order of the depths they come
// from). `belowStored` is depthAtMostScale.
[[gnu::always_inline]] inline unsigned surelyPassingLanes(unsigned depthPasses, BlockFloats z, BlockFloats least,
                                                          BlockInts stored, const IntegerDepth& format,
                                                          float belowStored) {
  if (depthPasses == 3) {
    // Depths compared as floats: z <= least gives integers in the same order, and so does z at
    // most just below stored / maximum. An unknown least (-1) fails, none (infinity) passes.
    const BlockFloats threshold = __builtin_convertvector(stored, BlockFloats) * belowStored;
    return laneBits((z <= least) & (z <= threshold));
  }
  // LESS, on the integers themselves.
  const BlockInts incoming = depthIntegers(z, format.maximum);
  const unsigned untouched = laneBits(least == kNothingStored);
  const unsigned lower =
      laneBits(least >= 0.0f) & passingLanes(1, incoming, depthIntegers(saturateLanes(least), format.maximum));
  return passingLanes(1, incoming, stored) & (untouched | lower);
}

// Whether a draw's pixels can be sure to land: it paints over, with a depth function that lets
// through whatever lies behind (LESS, LESSEQUAL or ALWAYS).
bool mayOwnPixels(const DrawCoverage& draw) {
  return draw.paintsOver && (draw.depthPasses == 1 || draw.depthPasses == 3 || draw.depthPasses == 7);
}

ClipRegion intersect(const ClipRegion& a, const ClipRegion& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

}  // namespace

float depthAtMostScale(const IntegerDepth& format) {
  return static_cast<float>(1.0 / format.maximum * (1.0 - 0x1p-21));
}

std::size_t VisibilityPass::run(std::span<const DrawCoverage> draws, const PixelStore& depth,
                                const IntegerDepth& format, HiddenPixels& hidden, CoveredBlocks& covered,
                                BandWorkers& bandWorkers, unsigned workers) {
  // Only draws up to the last that paints over matter, and only when there are draws before it
  // for it to hide.
  std::size_t count = draws.size();
  while (count > 0 && !mayOwnPixels(draws[count - 1])) --count;
  const int width = hidden.width(), height = hidden.height();
  if (count < 2 || width <= 0 || height <= 0) return 0;
  grid_ = hidden.grid();
  const int blockRows = grid_.blockRows;
  const std::size_t blocks = grid_.blocks();
  least_.start(blocks);
  // Each draw gathers its blocks under a stamp of its own.
  if (gatherStamps_.size() != blocks || gatherRound_ > 0xFFFFFFFFu - draws.size()) {
    gatherStamps_.assign(blocks, 0);
    gatheredAt_.resize(blocks);
    gatherRound_ = 0;
  }
  firstGatherStamp_ = gatherRound_ + 1;
  gatherRound_ += static_cast<std::uint32_t>(draws.size());
  // Bands of whole block rows, one per worker.
  workers = std::max(1u, std::min<unsigned>(workers, static_cast<unsigned>(blockRows)));
  const int band = (blockRows + static_cast<int>(workers) - 1) / static_cast<int>(workers) * kBlockHeight;
  covered.bands.resize(static_cast<std::size_t>((height + band - 1) / band));
  for (std::size_t b = 0; b < covered.bands.size(); ++b) {
    covered.bands[b].top = static_cast<int>(b) * band;
    covered.bands[b].bottom = std::min(height, covered.bands[b].top + band);
  }
  auto job = [&](unsigned b) { runBand(draws, count, depth, format, hidden, covered.bands[b], width); };
  if (covered.bands.size() == 1) {
    job(0);
  } else {
    bandWorkers.run(static_cast<unsigned>(covered.bands.size()), job);
  }
  return count;
}

[[gnu::always_inline]] inline void VisibilityPass::updateLeast(std::size_t block, unsigned lanes, BlockFloats z) {
  float* at = least_.write(block);
  const auto least = loadLanes<BlockFloats>(at);
  storeWhere(at, lanes, z < least ? z : least);
}

void VisibilityPass::runBand(std::span<const DrawCoverage> draws, std::size_t owned, const PixelStore& depth,
                             const IntegerDepth& format, HiddenPixels& hidden, CoveredBlocks::Band& band, int width) {
  band.blocks.clear();
  band.starts.clear();
  band.gathered.clear();
  band.gatheredStarts.clear();
  const BandContext context{draws, depth, format, hidden, band, width};
  // The run ends with a draw that may own pixels, and only such draws read the least depth: every
  // draw before the last that stores depth keeps it up to date, the last need not.
  for (std::size_t d = 0; d < draws.size(); ++d) {
    const DrawCoverage& draw = draws[d];
    const auto number = static_cast<std::uint16_t>(d + 1);
    const bool last = d + 1 == owned;
    band.gatheredStarts.push_back(static_cast<std::uint32_t>(band.gathered.size()));
    if (d >= owned) {
      // After the last owner nothing reads the depths: a draw that gathers only gathers, and the
      // others' triangles keep no blocks.
      if (draw.gathersBlocks) {
        passDraw(draw, context, false, [](const TriangleSetup&, int, int, unsigned) {});
      } else {
        for (std::span<const TriangleSetup> run : draw.triangles) {
          band.starts.insert(band.starts.end(), run.size(), static_cast<std::uint32_t>(band.blocks.size()));
        }
      }
    } else if (mayOwnPixels(draw)) {
      if (last) {
        passOwner<false>(draw, number, context);
      } else {
        passOwner<true>(draw, number, context);
      }
    } else if (!draw.writesDepth) {
      passDraw(draw, context, true, [](const TriangleSetup&, int, int, unsigned) {});
    } else if (!draw.knownDepth) {
      passDraw(
          draw, context, true, [&](const TriangleSetup&, int x, int y, unsigned lanes) __attribute__((always_inline)) {
            updateLeast(blockAt(x, y), lanes, BlockFloats{} + kUnknownStored);
          });
    } else {
      passDraw(
          draw, context,
          true, [&](const TriangleSetup& t, int x, int y, unsigned lanes) __attribute__((always_inline)) {
            updateLeast(blockAt(x, y), lanes, saturateLanes(blockDepth(t, x, y)));
          });
    }
  }
  band.starts.push_back(static_cast<std::uint32_t>(band.blocks.size()));
  band.gatheredStarts.push_back(static_cast<std::uint32_t>(band.gathered.size()));
}

template <bool UpdatesLeast>
void VisibilityPass::passOwner(const DrawCoverage& draw, std::uint16_t number, const BandContext& context) {
  switch (draw.depthPasses) {
    case 1:
      return context.format.bytes == 4 ? passOwner<UpdatesLeast, 1, 4>(draw, number, context)
                                       : passOwner<UpdatesLeast, 1, 2>(draw, number, context);
    case 3:
      return context.format.bytes == 4 ? passOwner<UpdatesLeast, 3, 4>(draw, number, context)
                                       : passOwner<UpdatesLeast, 3, 2>(draw, number, context);
    default: return passOwner<UpdatesLeast, 7, 4>(draw, number, context);
  }
}

template <bool UpdatesLeast, unsigned DepthPasses, int DepthBytes>
void VisibilityPass::passOwner(const DrawCoverage& draw, std::uint16_t number, const BandContext& context) {
  const int depthWidth = static_cast<int>(context.depth.width), depthHeight = static_cast<int>(context.depth.height);
  const float belowStored = depthAtMostScale(context.format);
  const DWORD depthBits = ((1u << context.format.bits) - 1) << context.format.shift;
  passDraw(
      draw, context, true, [&](const TriangleSetup& t, int x, int y, unsigned lanes) __attribute__((always_inline)) {
        const std::size_t at = blockAt(x, y);
        float* leastAt = UpdatesLeast ? least_.write(at) : nullptr;
        const BlockFloats z = saturateLanes(blockDepth(t, x, y));
        const auto least = loadLanes<BlockFloats>(UpdatesLeast ? leastAt : least_.read(at));
        // Sure to pass against the buffer as the run found it, and against every depth the run's
        // draws may have stored since: the least, as the buffer's integers keep the order of the
        // depths they come from.
        const unsigned inDepth = lanesInside(x, y, depthWidth, depthHeight);
        unsigned sure = lanes & inDepth;
        if constexpr (DepthPasses != 7) {
          if (sure) {
            const BlockPixels<DepthBytes, const std::byte> pixels(
                context.depth.bytes.data() + static_cast<std::size_t>(y) * context.depth.rowPitch +
                    static_cast<std::size_t>(x) * DepthBytes,
                context.depth.rowPitch, inDepth == kAllBlockLanes);
            const BlockWords words = reinterpret_cast<BlockWords>(pixels.load(sure));
            const auto stored = reinterpret_cast<BlockInts>((words & depthBits) >> context.format.shift);
            sure &= surelyPassingLanes(DepthPasses, z, least, stored, context.format, belowStored);
          }
        }
        if (sure) storeWhere(context.hidden.block(x, y), sure, number);
        if constexpr (UpdatesLeast) storeWhere(leastAt, lanes, z < least ? z : least);
      });
}

template <typename Visit>
void VisibilityPass::passDraw(const DrawCoverage& draw, const BandContext& context, bool followsDepth, Visit&& visit) {
  CoveredBlocks::Band& band = context.band;
  const ClipRegion region = intersect(draw.region, {0, band.top, context.width, band.bottom});
  const bool inside = region.left < region.right && region.top < region.bottom;
  const std::uint32_t gatherStamp = firstGatherStamp_ + static_cast<std::uint32_t>(&draw - context.draws.data());
  // Depths stored where the pass cannot follow them rule out every later sure pass there.
  if (followsDepth && inside && draw.writesDepth && draw.linesOrPoints) forget(region);
  for (std::span<const TriangleSetup> run : draw.triangles) {
    for (const TriangleSetup& t : run) {
      const auto triangle = static_cast<std::uint32_t>(band.starts.size());
      band.starts.push_back(static_cast<std::uint32_t>(band.blocks.size()));
      if (!inside) continue;
      if (!fitsBlockRasterizer(t, region)) {
        if (followsDepth && draw.writesDepth) forget(region);
        continue;
      }
      forEachCoveredBlock(
          t, region, [&](int x, int y, unsigned lanes) __attribute__((always_inline)) {
            if (draw.gathersBlocks) {
              // Into the draw's gathered block here, or a new one when there is none yet or it is
              // full.
              const std::size_t at = blockAt(x, y);
              std::uint32_t index = gatheredAt_[at];
              if (gatherStamps_[at] != gatherStamp || band.gathered[index].count == GatheredBlock::kMost) {
                index = static_cast<std::uint32_t>(band.gathered.size());
                GatheredBlock& fresh = band.gathered.emplace_back();
                fresh.x = x;
                fresh.y = y;
                fresh.count = 0;
                gatherStamps_[at] = gatherStamp;
                gatheredAt_[at] = index;
              }
              GatheredBlock& gathered = band.gathered[index];
              gathered.lanes[gathered.count] = static_cast<std::uint16_t>(lanes);
              gathered.triangles[gathered.count] = triangle;
              ++gathered.count;
            } else {
              // Field by field: a whole-struct copy here made the compiler reload two 32-bit
              // stores as one 64-bit word, a stall on every block.
              CoveredBlock& block = band.blocks.emplace_back();
              block.x = x;
              block.y = y;
              block.lanes = lanes;
            }
            visit(t, x, y, lanes);
          });
    }
  }
}

void VisibilityPass::forget(const ClipRegion& area) {
  const int firstX = area.left & ~(kBlockWidth - 1), firstY = area.top & ~(kBlockHeight - 1);
  for (int y = firstY; y < area.bottom; y += kBlockHeight) {
    for (int x = firstX; x < area.right; x += kBlockWidth) {
      float* least = least_.write(blockAt(x, y));
      for (int l = 0; l < kBlockLanes; ++l) {
        const int px = x + l % kBlockWidth, py = y + l / kBlockWidth;
        if (px >= area.left && px < area.right && py >= area.top && py < area.bottom) least[l] = kUnknownStored;
      }
    }
  }
}

}  // namespace platform::d3d9
