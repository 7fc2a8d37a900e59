// The kept band threads: every band of every run is rendered once, on its own thread, and a run
// returns only when all its bands are done, whatever the runs before it asked for.
#include "platform/d3d9/band_workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

namespace platform::d3d9 {
namespace {

TEST(BandWorkersTest, EachRunRendersEveryBandOnceAndWaitsForThemAll) {
  BandWorkers workers;
  // More bands than before, fewer, one, and many more, in turn.
  for (unsigned bands : {3u, 2u, 1u, 5u, 4u, 5u, 1u, 2u}) {
    std::vector<std::atomic<int>> times(bands);
    std::vector<std::thread::id> threads(bands);
    workers.run(bands, [&](unsigned band) {
      // A slow band must still be finished when run returns.
      if (band == bands - 1) std::this_thread::sleep_for(std::chrono::milliseconds(2));
      threads[band] = std::this_thread::get_id();
      times[band].fetch_add(1);
    });
    for (unsigned band = 0; band < bands; ++band) EXPECT_EQ(times[band].load(), 1) << bands << " bands, band " << band;
    EXPECT_EQ(threads[0], std::this_thread::get_id()) << "band 0 runs on the caller";
    EXPECT_EQ(std::set<std::thread::id>(threads.begin(), threads.end()).size(), bands) << "one thread per band";
  }
}

TEST(BandWorkersTest, RunsFromTwoThreadsTakeTurns) {
  // Two threads drawing on one device at once each get all their bands.
  BandWorkers workers;
  std::atomic<int> total{0};
  auto draw = [&] {
    for (int run = 0; run < 50; ++run) workers.run(3, [&](unsigned) { total.fetch_add(1); });
  };
  std::thread other(draw);
  draw();
  other.join();
  EXPECT_EQ(total.load(), 2 * 50 * 3);
}

}  // namespace
}  // namespace platform::d3d9
