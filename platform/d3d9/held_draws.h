// Draws held back until their target's pixels are needed: at the end of the scene, or before
// anything reads or changes the target, the depth buffer or a texture. Rendering them together
// lets a visibility pass first find the pixels later draws paint over, which earlier draws then
// skip; the image is the same as drawing each one as it came.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/d3d9/band_workers.h"
#include "platform/d3d9/draw_call.h"
#include "platform/d3d9/hidden_pixels.h"
#include "platform/d3d9/visibility_pass.h"

namespace platform::d3d9 {

class HeldDraws {
 public:
  // Holds a draw made for `target` and `depthStencil`, rendering what is held first when it
  // is full.
  void hold(std::unique_ptr<PreparedDraw> draw, Surface* target, Surface* depthStencil, BandWorkers& bandWorkers,
            unsigned workers);
  // Renders the held draws in order and lets them go.
  void finish(BandWorkers& bandWorkers, unsigned workers);
  // Lets the held draws go unrendered (the device is going away).
  void discard();
  // How many draws of the last run the visibility pass went through (for tests).
  std::size_t lastVisibilityDraws() const { return lastSeen_; }

 private:
  std::vector<std::unique_ptr<PreparedDraw>> draws_;
  std::size_t heldBytes_ = 0;
  Surface* target_ = nullptr;
  Surface* depthStencil_ = nullptr;
  std::size_t lastSeen_ = 0;
  HiddenPixels hidden_;
  CoveredBlocks covered_;
  VisibilityPass visibility_;
};

}  // namespace platform::d3d9
