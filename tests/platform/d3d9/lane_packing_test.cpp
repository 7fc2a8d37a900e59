// Packing a batch's covered lanes and spreading them back, against the plain lane-by-lane
// reading of what the two should do.
#include "platform/d3d9/lane_packing.h"

#include <gtest/gtest.h>

#include <random>

namespace platform::d3d9 {
namespace {

TEST(LanePackingTest, CoveredLanesPackInOrderAndSpreadBackToTheirPlaces) {
  std::mt19937 random(5);
  BlockBatch batch;
  BatchRow<BlockFloats> row{};
  for (int round = 0; round < 50; ++round) {
    batch.count = 1 + static_cast<int>(random() % kBatchBlocks);
    for (std::size_t b = 0; b < kBatchBlocks; ++b) {
      // Full, single-lane and random blocks (never empty: the rasteriser keeps none of those).
      const unsigned kind = random() % 4;
      unsigned lanes = kind == 0 ? kAllBlockLanes : kind == 1 ? 1u << (random() % kBlockLanes) : random();
      lanes &= kAllBlockLanes;
      batch.coverage[b] = static_cast<std::uint16_t>(lanes ? lanes : 1u);
      for (int l = 0; l < kBlockLanes; ++l) row[b][l] = static_cast<float>(b * 100 + static_cast<std::size_t>(l));
    }
    const LanePacking packing(batch);
    std::vector<float> expected;
    for (std::size_t b = 0; b < static_cast<std::size_t>(batch.count); ++b) {
      for (int l = 0; l < kBlockLanes; ++l) {
        if (batch.coverage[b] & (1u << l)) expected.push_back(row[b][l]);
      }
    }
    ASSERT_EQ(packing.count, static_cast<int>(expected.size()));
    EXPECT_EQ(packing.packedBlocks(), (packing.count + kBlockLanes - 1) / kBlockLanes);
    // Guard lanes after the packed ones must stay as they were.
    std::vector<float> packed(kBatchLanes + 1, -1.0f);
    packLanes(packing, row, packed.data());
    EXPECT_EQ(std::vector<float>(packed.begin(), packed.begin() + packing.count), expected);
    EXPECT_EQ(packed[static_cast<std::size_t>(packing.count)], -1.0f);

    BatchRow<BlockFloats> spread;
    for (auto& block : spread) block = BlockFloats{} + 7.0f;
    unpackLanes(packing, packed.data(), spread);
    for (std::size_t b = 0; b < static_cast<std::size_t>(batch.count); ++b) {
      for (int l = 0; l < kBlockLanes; ++l) {
        const bool covered = batch.coverage[b] & (1u << l);
        EXPECT_EQ(spread[b][l], covered ? row[b][l] : 0.0f) << "block " << b << " lane " << l;
      }
    }
  }
}

}  // namespace
}  // namespace platform::d3d9
