// The hologram frame's image is pinned by hash: every fast path of the pipeline must give the
// bits the plain paths gave when the hash was taken, with one worker or several.
#include <gtest/gtest.h>

#include "tests/platform/d3d9/hologram_frame.h"

namespace platform::d3d9 {
namespace {

using hologram_frame::Frame;

std::uint64_t renderedHash(UINT width, UINT height, unsigned workers, int frames) {
  Frame frame(width, height, workers);
  EXPECT_TRUE(frame.ok());
  if (!frame.ok()) return 0;
  for (int i = 0; i < frames; ++i) frame.render();
  return frame.imageHash();
}

TEST(FrameImage, HologramFrameKeepsItsBitsWithAnyWorkerCount) {
  constexpr std::uint64_t kHash800x600 = 0x704546651ef99309ull;
  std::uint64_t single = renderedHash(800, 600, 1, 1);
  EXPECT_EQ(single, kHash800x600);
  // A second frame over the first must give the same image (no state left behind by a draw).
  EXPECT_EQ(renderedHash(800, 600, 3, 2), single);
}

TEST(FrameImage, OddSizedFrameKeepsItsBits) {
  constexpr std::uint64_t kHash331x197 = 0xded95a7419fd2060ull;
  std::uint64_t single = renderedHash(331, 197, 1, 1);
  EXPECT_EQ(single, kHash331x197);
  EXPECT_EQ(renderedHash(331, 197, 2, 1), single);
}

}  // namespace
}  // namespace platform::d3d9
