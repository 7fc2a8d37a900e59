// The hologram frame on the software device. Arguments: target width, height, rasteriser workers
// (0 = one per processor). CPU time is the whole process's, so it includes the workers.
#include <benchmark/benchmark.h>

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
  for (auto _ : state) frame.render();
}
BENCHMARK(BM_HologramFrame)
    ->ArgNames({"width", "height", "workers"})
    ->Args({800, 600, 1})
    ->Args({800, 600, 0})
    ->Args({1920, 1080, 1})
    ->Args({1920, 1080, 0})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace
}  // namespace platform::d3d9
