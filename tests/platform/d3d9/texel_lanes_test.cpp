// The block texel reads: every byte value becomes the float the division gives, and words are
// read from any byte offset.
#include "platform/d3d9/texel_lanes.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <vector>

namespace platform::d3d9 {
namespace {

TEST(TexelLanesTest, EveryByteBecomesItsQuotientBy255) {
  for (int first = 0; first < 256; first += kBlockLanes) {
    BlockInts bytes;
    for (int l = 0; l < kBlockLanes; ++l) bytes[l] = first + l;
    const BlockFloats unit = unitBytesLanes(bytes);
    for (int l = 0; l < kBlockLanes; ++l) {
      const float expected = static_cast<float>(first + l) / 255.0f;
      EXPECT_EQ(std::bit_cast<std::uint32_t>(unit[l]), std::bit_cast<std::uint32_t>(expected)) << first + l;
    }
  }
}

TEST(TexelLanesTest, GathersWordsAtUnalignedOffsets) {
  std::vector<std::byte> bytes(64);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::byte>(i);
  const BlockInts offsets = {0, 1, 5, 60, 17, 17, 32, 3};
  const BlockInts words = gatherWords(bytes.data(), offsets);
  for (int l = 0; l < kBlockLanes; ++l) {
    const auto o = static_cast<std::uint32_t>(offsets[l]);
    const std::uint32_t expected = o | (o + 1) << 8 | (o + 2) << 16 | (o + 3) << 24;
    EXPECT_EQ(static_cast<std::uint32_t>(words[l]), expected) << l;
  }
}

}  // namespace
}  // namespace platform::d3d9
