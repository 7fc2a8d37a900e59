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

TEST(TexelLanesTest, EveryByteOfAWordBecomesItsQuotientBy255) {
  // Each byte position takes every value while the other bytes hold others.
  for (int shift = 0; shift < 32; shift += 8) {
    for (int first = 0; first < 256; first += kBlockLanes) {
      BlockInts words;
      for (int l = 0; l < kBlockLanes; ++l) {
        const auto k = static_cast<std::uint32_t>(first + l);
        const std::uint32_t others = 0x9D5A3Cu * (k + 1) ^ 0xA5C3E1F7u;
        words[l] = static_cast<std::int32_t>((others & ~(0xFFu << shift)) | k << shift);
      }
      const BlockFloats unit = unitChannelLanes(words, shift);
      for (int l = 0; l < kBlockLanes; ++l) {
        const float expected = static_cast<float>(first + l) / 255.0f;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(unit[l]), std::bit_cast<std::uint32_t>(expected))
            << "byte " << shift / 8 << " value " << first + l;
      }
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
