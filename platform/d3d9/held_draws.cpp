#include "platform/d3d9/held_draws.h"

#include <optional>

#include "platform/d3d9/surface.h"

namespace platform::d3d9 {
namespace {

// Beyond these a run of held draws is rendered, keeping the memory bounded (and the draw
// numbers inside 16 bits).
constexpr std::size_t kMostHeldDraws = 1024;
constexpr std::size_t kMostHeldBytes = std::size_t{64} << 20;

}  // namespace

void HeldDraws::hold(std::unique_ptr<PreparedDraw> draw, Surface* target, Surface* depthStencil,
                     BandWorkers& bandWorkers, unsigned workers) {
  if (!draws_.empty() && (target != target_ || depthStencil != depthStencil_)) finish(bandWorkers, workers);
  target_ = target;
  depthStencil_ = depthStencil;
  heldBytes_ += draw->heldBytes();
  draws_.push_back(std::move(draw));
  if (draws_.size() >= kMostHeldDraws || heldBytes_ >= kMostHeldBytes) finish(bandWorkers, workers);
}

void HeldDraws::finish(BandWorkers& bandWorkers, unsigned workers) {
  if (draws_.empty()) return;
  // Taken first, so that whatever a render does cannot find these draws still held.
  std::vector<std::unique_ptr<PreparedDraw>> draws = std::move(draws_);
  draws_.clear();
  heldBytes_ = 0;
  std::size_t seen = 0;                     // draws the visibility pass went through
  std::vector<std::size_t> firstTriangles;  // each draw's, numbered through the run
  std::vector<DrawCoverage> coverage;
  if (draws.size() > 1 && target_ && depthStencil_) {
    coverage.reserve(draws.size());
    std::size_t triangles = 0;
    for (const auto& draw : draws) {
      coverage.push_back(draw->coverage());
      firstTriangles.push_back(triangles);
      for (const auto& run : coverage.back().triangles) triangles += run.size();
    }
    // All the draws share the depth buffer.
    if (const std::optional<IntegerDepth> format = coverage.front().depthFormat) {
      const D3DSURFACE_DESC& desc = target_->desc();
      hidden_.reset(static_cast<int>(desc.Width), static_cast<int>(desc.Height));
      seen = visibility_.run(coverage, depthStencil_->pixels(), *format, hidden_, covered_, bandWorkers, workers);
    }
  }
  lastSeen_ = seen;
  for (std::size_t d = 0; d < draws.size(); ++d) {
    DrawVisibility visibility;
    // The last draw the pass went through has no later one to paint over its pixels, nor have
    // those after it, which take their blocks from the pass when it gathered them.
    if (d < seen || (seen > 0 && coverage[d].gathersBlocks)) {
      visibility = {d + 1 < seen ? &hidden_ : nullptr, static_cast<std::uint16_t>(d + 1), &covered_, firstTriangles[d]};
    }
    draws[d]->render(visibility);
  }
}

void HeldDraws::discard() {
  draws_.clear();
  heldBytes_ = 0;
}

}  // namespace platform::d3d9
