// A pixel block's words on a surface (a render target or depth buffer) and the lane arithmetic
// of the depth test, shared by the block merge and the visibility pass so that both read, compare
// and round depths the same way.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/d3d9/pixel_block.h"
#include "platform/d3d9/raw_bits.h"

namespace platform::d3d9 {

// A 16- or 32-bit pixel word of a depth buffer or target, at any alignment.
template <int Bytes>
[[gnu::always_inline]] inline DWORD readSurfaceWord(const std::byte* p) {
  if constexpr (Bytes == 4) {
    DWORD word;
    std::memcpy(&word, p, 4);
    return word;
  } else {
    std::uint16_t half;
    std::memcpy(&half, p, 2);
    return half;
  }
}

template <int Bytes>
[[gnu::always_inline]] inline void writeSurfaceWord(std::byte* p, DWORD word) {
  if constexpr (Bytes == 4) {
    std::memcpy(p, &word, 4);
  } else {
    auto half = static_cast<std::uint16_t>(word);
    std::memcpy(p, &half, 2);
  }
}

// The lanes of the block whose top-left pixel is (x, y) that lie inside a width x height surface.
[[gnu::always_inline]] inline unsigned lanesInside(int x, int y, int width, int height) {
  if (x + kBlockWidth <= width && y + kBlockHeight <= height) return kAllBlockLanes;
  unsigned lanes = 0;
  for (int l = 0; l < kBlockLanes; ++l) {
    if (x + l % kBlockWidth < width && y + l / kBlockWidth < height) lanes |= 1u << l;
  }
  return lanes;
}

// Depths in [0, 1] as the integers of a depth buffer whose largest is `maximum`, in double as
// the general merge works them out.
[[gnu::always_inline]] inline BlockInts depthIntegers(BlockFloats unit, double maximum) {
  using BlockDoubles = double __attribute__((vector_size(8 * kBlockLanes)));
  return __builtin_convertvector(__builtin_convertvector(unit, BlockDoubles) * maximum + 0.5, BlockInts);
}

// The lanes (as bits) where a D3DCMPFUNC, as comparisonMask gives it, passes `incoming`
// against `stored`; both below 2^31.
[[gnu::always_inline]] inline unsigned passingLanes(unsigned mask, BlockInts incoming, BlockInts stored) {
#if defined(PRISM_BLOCKS_OF_16)
  // One comparison per function; a draw keeps its function, so the branch is always foreseen.
  const auto a = reinterpret_cast<__m512i>(incoming), b = reinterpret_cast<__m512i>(stored);
  switch (mask & 7) {
    case 0: return 0;
    case 1: return _mm512_cmplt_epi32_mask(a, b);
    case 2: return _mm512_cmpeq_epi32_mask(a, b);
    case 3: return _mm512_cmple_epi32_mask(a, b);
    case 4: return _mm512_cmpgt_epi32_mask(a, b);
    case 5: return _mm512_cmpneq_epi32_mask(a, b);
    case 6: return _mm512_cmpge_epi32_mask(a, b);
    default: return kAllBlockLanes;
  }
#else
  const BlockInts less = BlockInts{} - static_cast<std::int32_t>(mask & 1);
  const BlockInts equal = BlockInts{} - static_cast<std::int32_t>((mask >> 1) & 1);
  const BlockInts greater = BlockInts{} - static_cast<std::int32_t>((mask >> 2) & 1);
  return laneBits(((incoming < stored) & less) | ((incoming == stored) & equal) | ((incoming > stored) & greater));
#endif
}

// A block's pixels on a surface of `Bytes`-wide words: its top row at `at`, each next one a
// pitch below (`Byte` const for reading only). Inside the surface a row is read and written whole when it has lanes to
// touch (a row without may belong to another band), or with AVX-512 lane by lane through masks; lane by lane at the
// edges.
template <int Bytes, typename Byte = std::byte>
class BlockPixels {
 public:
  BlockPixels(Byte* at, std::size_t pitch, bool inside) : at_(at), pitch_(pitch), inside_(inside) {}

  // The words of `lanes` (the others 0).
  [[gnu::always_inline]] BlockInts load(unsigned lanes) const {
    std::array<Ints4, kBlockHeight> rows{};
    for (int row = 0; row < kBlockHeight; ++row) {
      const unsigned rowLanes = (lanes >> (kBlockWidth * row)) & kBlockRowLanes;
      const std::byte* rowAt = at_ + static_cast<std::size_t>(row) * pitch_;
      Ints4& words = rows[static_cast<std::size_t>(row)];
#if defined(PRISM_BLOCKS_OF_16)
      if (inside_) {
        words = loadLanes(rowAt, rowLanes);
        continue;
      }
#endif
      if (!rowLanes) continue;
      if (inside_) {
        words = loadRow(rowAt);
        continue;
      }
      for (unsigned left = rowLanes; left; left &= left - 1) {
        const int column = __builtin_ctz(left);
        words[column] = static_cast<std::int32_t>(readSurfaceWord<Bytes>(rowAt + column * Bytes));
      }
    }
    return joinBlockRows(rows);
  }

  // Writes the words of `lanes`, leaving the block's other pixels as they are.
  [[gnu::always_inline]] void store(unsigned lanes, BlockInts words) {
    const std::array<Ints4, kBlockHeight> rows = splitBlockRows(words);
    for (int row = 0; row < kBlockHeight; ++row) {
      const unsigned rowLanes = (lanes >> (kBlockWidth * row)) & kBlockRowLanes;
      std::byte* rowAt = at_ + static_cast<std::size_t>(row) * pitch_;
      const Ints4 four = rows[static_cast<std::size_t>(row)];
#if defined(PRISM_BLOCKS_OF_16)
      if (inside_) {
        storeLanes(rowAt, rowLanes, four);
        continue;
      }
#endif
      if (!rowLanes) continue;
      if (inside_) {
        const Ints4 keep = (Ints4{1, 2, 4, 8} & static_cast<std::int32_t>(rowLanes)) == 0;
        storeRow(rowAt, rowLanes == kBlockRowLanes ? four : (keep ? loadRow(rowAt) : four));
        continue;
      }
      for (unsigned left = rowLanes; left; left &= left - 1) {
        const int column = __builtin_ctz(left);
        writeSurfaceWord<Bytes>(rowAt + column * Bytes, static_cast<DWORD>(four[column]));
      }
    }
  }

 private:
  using Halves4 = std::uint16_t __attribute__((vector_size(8)));
  static Ints4 loadRow(const std::byte* at) {
    if constexpr (Bytes == 4) {
      return loadUnaligned<Ints4>(at);
    } else {
      return __builtin_convertvector(loadUnaligned<Halves4>(at), Ints4);
    }
  }
#if defined(PRISM_BLOCKS_OF_16)
  // Masked moves touch only the lanes asked for, without branches on how a row is covered.
  static Ints4 loadLanes(const std::byte* at, unsigned lanes) {
    const auto mask = static_cast<__mmask8>(lanes);
    if constexpr (Bytes == 4) {
      return reinterpret_cast<Ints4>(_mm_maskz_loadu_epi32(mask, at));
    } else {
      using Halves8 = std::uint16_t __attribute__((vector_size(16)));
      const auto halves = reinterpret_cast<Halves8>(_mm_maskz_loadu_epi16(mask, at));
      return __builtin_convertvector(__builtin_shufflevector(halves, halves, 0, 1, 2, 3), Ints4);
    }
  }
  static void storeLanes(std::byte* at, unsigned lanes, Ints4 four) {
    const auto mask = static_cast<__mmask8>(lanes);
    if constexpr (Bytes == 4) {
      _mm_mask_storeu_epi32(at, mask, reinterpret_cast<__m128i>(four));
    } else {
      const Halves4 halves = __builtin_convertvector(four, Halves4);
      const auto wide = __builtin_shufflevector(halves, halves, 0, 1, 2, 3, 0, 1, 2, 3);
      _mm_mask_storeu_epi16(at, mask, reinterpret_cast<__m128i>(wide));
    }
  }
#endif
  static void storeRow(std::byte* at, Ints4 four) {
    if constexpr (Bytes == 4) {
      std::memcpy(at, &four, sizeof four);
    } else {
      const Halves4 halves = __builtin_convertvector(four, Halves4);
      std::memcpy(at, &halves, sizeof halves);
    }
  }

  Byte* at_;
  std::size_t pitch_;
  bool inside_;
};

}  // namespace platform::d3d9
