// Finds, for a run of held-back draws on one target and depth buffer, the pixels a later draw
// of the run paints over whole, before any of them is shaded. Where a draw's pixel is sure to
// pass its depth test (against the depth the buffer held and every depth the run could have
// stored there since) and then replaces colour and depth, what earlier draws put there cannot
// show: they skip those pixels.
// The blocks each triangle covers are kept, so that the draws do not find them again.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/d3d9/band_workers.h"
#include "platform/d3d9/hidden_pixels.h"
#include "platform/d3d9/output_merger.h"
#include "platform/d3d9/rasterizer.h"
#include "platform/d3d9/resource.h"

namespace platform::d3d9 {

// One held-back draw as the pass sees it.
struct DrawCoverage {
  std::vector<std::span<const TriangleSetup>> triangles;  // in draw order
  ClipRegion region;                                      // viewport and scissor, inside the target
  std::optional<IntegerDepth> depthFormat;                // the depth buffer's, when it holds integers
  bool writesDepth = false;                               // its passing pixels store a depth
  bool knownDepth = true;      // ... and for its triangles, that depth is the interpolated one
  bool linesOrPoints = false;  // it also draws lines or points, which the pass does not follow
  bool paintsOver = false;     // each covered pixel that passes the depth test replaces colour and depth whole
  unsigned depthPasses = 7;    // the depth function as comparisonMask gives it
  // Its triangles' blocks are kept gathered block by block, for the draw to shade and merge a
  // block's pixels from several triangles at once.
  bool gathersBlocks = false;
};

// A scale s such that every depth z <= k * s (k a depth integer of `format`, as a float) has an
// integer of k at most: k / maximum shrunk by 2^-21, far enough below it to absorb the float
// roundings of the scale and the product (2^-24 each).
float depthAtMostScale(const IntegerDepth& format);

class VisibilityPass {
 public:
  // Fills `hidden` (just reset to the target's size) and `covered` for `draws` on `depth` as it
  // holds now. Returns how many draws, from the first, it went through: up to the last that
  // paints over, or none when that is the first draw or there is none. The draws after those
  // that gather their blocks have them gathered too (nothing can hide their pixels), so that
  // they need not find them again. The rows are shared out between `workers` threads.
  std::size_t run(std::span<const DrawCoverage> draws, const PixelStore& depth, const IntegerDepth& format,
                  HiddenPixels& hidden, CoveredBlocks& covered, BandWorkers& bandWorkers, unsigned workers);

 private:
  // What every draw's visit of a band needs.
  struct BandContext {
    std::span<const DrawCoverage> draws;
    const PixelStore& depth;
    const IntegerDepth& format;
    HiddenPixels& hidden;
    CoveredBlocks::Band& band;
    int width;
  };

  // `owned`: the draws, from the first, whose depths the pass follows.
  void runBand(std::span<const DrawCoverage> draws, std::size_t owned, const PixelStore& depth,
               const IntegerDepth& format, HiddenPixels& hidden, CoveredBlocks::Band& band, int width);
  // A draw that may own pixels, with the choices made once for all its blocks: whether it keeps
  // the least depth up to date for draws after it, its depth function and depth word size.
  template <bool UpdatesLeast>
  void passOwner(const DrawCoverage& draw, std::uint16_t number, const BandContext& context);
  template <bool UpdatesLeast, unsigned DepthPasses, int DepthBytes>
  void passOwner(const DrawCoverage& draw, std::uint16_t number, const BandContext& context);
  // Records the blocks of each of the draw's triangles in the band and calls
  // visit(triangle, x, y, lanes) for each.
  // `followsDepth`: the draw's depths count for later draws (else they are not followed).
  template <typename Visit>
  void passDraw(const DrawCoverage& draw, const BandContext& context, bool followsDepth, Visit&& visit);
  // Lowers the least depths of a block's `lanes` to `z` where it is less.
  void updateLeast(std::size_t block, unsigned lanes, BlockFloats z);
  // Marks the area's least depths as unknown.
  void forget(const ClipRegion& area);
  std::size_t blockAt(int x, int y) const { return grid_.index(x, y); }

  // Per pixel, block by block, the least depth any draw so far could have stored there:
  // infinity where none has, -1 where a draw may have stored a depth the pass cannot tell.
  RunBlocks<float> least_{__builtin_inff()};
  // Per block, the stamp of the draw that last gathered there and the index of that gathered
  // block in its band: a stamp per draw, new for every run.
  std::vector<std::uint32_t> gatherStamps_, gatheredAt_;
  std::uint32_t gatherRound_ = 0, firstGatherStamp_ = 0;  // the first this run's draws take
  BlockGrid grid_;                                        // the target's, as the run's hidden pixels have it
};

}  // namespace platform::d3d9
