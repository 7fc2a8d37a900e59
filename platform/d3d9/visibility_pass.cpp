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

template <typename Lanes, typename Value>
[[gnu::always_inline]] inline void storeLanes(Value* at, const Lanes& lanes) {
  std::memcpy(at, &lanes, sizeof lanes);
}

// Lane bits as a lane mask: all ones in the lanes whose bit is set.
[[gnu::always_inline]] inline BlockInts laneMask(unsigned bits) {
  BlockInts laneBit;
  for (int l = 0; l < kBlockLanes; ++l) laneBit[l] = 1 << l;
  return (laneBit & static_cast<std::int32_t>(bits)) != 0;
}

// The depths the depth buffer holds at the block's `lanes`, as its integers (the others 0).
// `inside`: the whole block lies inside the buffer.
template <int Bytes>
[[gnu::always_inline]] inline BlockWords storedWords(const PixelStore& depth, int x, int y, unsigned lanes,
                                                     bool inside) {
  const BlockPixels<Bytes, const std::byte> pixels(
      depth.bytes.data() + static_cast<std::size_t>(y) * depth.rowPitch + static_cast<std::size_t>(x) * Bytes,
      depth.rowPitch, inside);
  return reinterpret_cast<BlockWords>(pixels.load(lanes));
}
[[gnu::always_inline]] inline BlockInts storedDepth(const PixelStore& depth, const IntegerDepth& format, int x, int y,
                                                    unsigned lanes, bool inside) {
  const DWORD mask = ((1u << format.bits) - 1) << format.shift;
  const BlockWords words =
      format.bytes == 4 ? storedWords<4>(depth, x, y, lanes, inside) : storedWords<2>(depth, x, y, lanes, inside);
  return reinterpret_cast<BlockInts>((words & mask) >> format.shift);
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
  draws = draws.first(count);
  blocksPerRow_ = (width + kBlockWidth - 1) / kBlockWidth;
  const int blockRows = (height + kBlockHeight - 1) / kBlockHeight;
  least_.start(static_cast<std::size_t>(blocksPerRow_) * static_cast<std::size_t>(blockRows));
  // Bands of whole block rows, one per worker.
  workers = std::max(1u, std::min<unsigned>(workers, static_cast<unsigned>(blockRows)));
  const int band = (blockRows + static_cast<int>(workers) - 1) / static_cast<int>(workers) * kBlockHeight;
  covered.bands.resize(static_cast<std::size_t>((height + band - 1) / band));
  for (std::size_t b = 0; b < covered.bands.size(); ++b) {
    covered.bands[b].top = static_cast<int>(b) * band;
    covered.bands[b].bottom = std::min(height, covered.bands[b].top + band);
  }
  auto job = [&](unsigned b) { runBand(draws, depth, format, hidden, covered.bands[b], width); };
  if (covered.bands.size() == 1) {
    job(0);
  } else {
    bandWorkers.run(static_cast<unsigned>(covered.bands.size()), job);
  }
  return count;
}

void VisibilityPass::runBand(std::span<const DrawCoverage> draws, const PixelStore& depth, const IntegerDepth& format,
                             HiddenPixels& hidden, CoveredBlocks::Band& band, int width) {
  auto blockAt = [&](int x, int y) {
    return static_cast<std::size_t>(y / kBlockHeight) * static_cast<std::size_t>(blocksPerRow_) +
           static_cast<std::size_t>(x / kBlockWidth);
  };
  // Depths stored where the pass cannot follow them rule out every later sure pass there.
  auto forget = [&](const ClipRegion& area) {
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
  };
  const int depthWidth = static_cast<int>(depth.width), depthHeight = static_cast<int>(depth.height);
  const float belowStored = depthAtMostScale(format);
  band.blocks.clear();
  band.starts.clear();
  for (std::size_t d = 0; d < draws.size(); ++d) {
    const DrawCoverage& draw = draws[d];
    const ClipRegion region = intersect(draw.region, {0, band.top, width, band.bottom});
    const bool inside = region.left < region.right && region.top < region.bottom;
    const bool owns = mayOwnPixels(draw);
    const bool tracked = draw.writesDepth || owns;
    if (inside && draw.writesDepth && draw.linesOrPoints) forget(region);
    const auto number = static_cast<std::uint16_t>(d + 1);
    for (std::span<const TriangleSetup> run : draw.triangles) {
      for (const TriangleSetup& t : run) {
        band.starts.push_back(static_cast<std::uint32_t>(band.blocks.size()));
        if (!inside) continue;
        if (!fitsBlockRasterizer(t, region)) {
          if (draw.writesDepth) forget(region);
          continue;
        }
        forEachCoveredBlock(
            t, region, [&](int x, int y, unsigned lanes) __attribute__((always_inline)) {
              // Field by field: a whole-struct copy here made the compiler reload two 32-bit
              // stores as one 64-bit word, a stall on every block.
              CoveredBlock& block = band.blocks.emplace_back();
              block.x = x;
              block.y = y;
              block.lanes = lanes;
              if (!tracked) return;
              const std::size_t at = blockAt(x, y);
              if (!draw.knownDepth) {
                float* least = least_.write(at);
                storeLanes(least, laneMask(lanes) ? BlockFloats{} + kUnknownStored : loadLanes<BlockFloats>(least));
                return;
              }
              const BlockFloats z = saturateLanes(blockDepth(t, x, y));
              // Only a draw that stores depth changes the least; painting over implies it does.
              float* leastAt = draw.writesDepth ? least_.write(at) : nullptr;
              const auto least = loadLanes<BlockFloats>(leastAt ? leastAt : least_.read(at));
              if (owns) {
                // Sure to pass against the buffer as the run found it, and against every depth the
                // run's draws may have stored since: the least, as the buffer's integers keep the
                // order of the depths they come from.
                const unsigned inDepth = lanesInside(x, y, depthWidth, depthHeight);
                unsigned sure = lanes & inDepth;
                if (sure && draw.depthPasses != 7) {
                  const BlockInts stored = storedDepth(depth, format, x, y, sure, inDepth == kAllBlockLanes);
                  sure &= surelyPassingLanes(draw.depthPasses, z, least, stored, format, belowStored);
                }
                if (sure) {
                  std::uint16_t* ownersAt = hidden.block(x, y);
                  const auto owners = loadLanes<BlockShorts>(ownersAt);
                  const auto taken = __builtin_convertvector(laneMask(sure), BlockShorts);
                  storeLanes(ownersAt, (owners & ~taken) | (taken & number));
                }
              }
              if (leastAt) storeLanes(leastAt, laneMask(lanes) ? (z < least ? z : least) : least);
            });
      }
    }
  }
  band.starts.push_back(static_cast<std::uint32_t>(band.blocks.size()));
}

}  // namespace platform::d3d9
