// The hologram frame on the software device. Arguments: target width, height, rasteriser workers
// (0 = one per processor), and whether the fast paths for common states are on (off, every
// pixel takes the general paths: the ratio of the two shows what the fast paths are worth).
// CPU time is the whole process's, so it includes the workers.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "tests/platform/d3d9/hologram_frame.h"

namespace platform::d3d9 {
namespace {

using hologram_frame::Frame;

void BM_HologramFrame(benchmark::State& state) {
  Frame frame(static_cast<UINT>(state.range(0)), static_cast<UINT>(state.range(1)),
              static_cast<unsigned>(state.range(2)));
  if (!frame.ok()) {
    state.SkipWithError("no device");
    return;
  }
  frame.setFastPaths(state.range(3) != 0);
  for (auto _ : state) frame.render();
}
BENCHMARK(BM_HologramFrame)
    ->ArgNames({"width", "height", "workers", "fast"})
    ->Args({800, 600, 1, 1})
    ->Args({800, 600, 1, 0})
    ->Args({800, 600, 0, 1})
    ->Args({1920, 1080, 1, 1})
    ->Args({1920, 1080, 0, 1})
    ->Unit(benchmark::kMillisecond)
    // On a shared host the fastest repetition is the least disturbed one.
    ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace
}  // namespace platform::d3d9
