// Integer conversion between two packed formats whose channels carry over without loss (equal
// widths, or a missing source channel that reads as 0 or 1): each destination pixel is the
// source's channel bits moved into place. Gives the same bits as decoding and encoding.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "texture/packed_layouts.h"

struct PackedRemap {
  unsigned sourceBytes;
  unsigned destinationBytes;
  std::uint64_t constantBits;  // unused bits and channels fixed at 0 or all ones
  unsigned moveCount;
  struct Move {
    std::uint8_t sourceShift;
    std::uint8_t destinationShift;
    std::uint64_t mask;  // before shifting
  };
  std::array<Move, 4> moves;
  // Every moved channel keeps its bit position (4-byte pixels only): out = (in & keep) | constant.
  bool inPlace;
  std::uint32_t keepMask;
};

std::optional<PackedRemap> planPackedRemap(const PackedLayout& destination, const PackedLayout& source);
void remapRow(const PackedRemap& remap, const std::byte* in, std::byte* out, std::uint32_t count);
