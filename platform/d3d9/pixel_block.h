// Blocks of 4-pixel rows (2x2 quads side by side and stacked) with every value held per
// component across the block's lanes, for the draws whose pixels can be processed many at a
// time. Lanes run row by row: 0-3 are the top row left to right, 4-7 the row below, and so on;
// the top-left quad is lanes 0 1 4 5 and the one to its right 2 3 6 7.
#pragma once

#include <array>
#include <cstdint>

#include "platform/d3d9/pipeline_types.h"

#if defined(__AVX2__)
#include <immintrin.h>
#endif

namespace platform::d3d9 {

// With 512-bit vectors a block is 4x4 pixels, one register per value; else (or when the build
// asks for narrow blocks, as the sanitizer build does so that both shapes are tested) 4x2.
#if defined(__AVX512F__) && !defined(PRISM_NARROW_BLOCKS)
#define PRISM_BLOCKS_OF_16 1
#endif
inline constexpr int kBlockWidth = 4;
#if defined(PRISM_BLOCKS_OF_16)
inline constexpr int kBlockHeight = 4;
#else
inline constexpr int kBlockHeight = 2;
#endif
inline constexpr int kBlockLanes = kBlockWidth * kBlockHeight;
// The lanes of a block's top row; row r's are these shifted up by r times the width.
inline constexpr unsigned kBlockRowLanes = (1u << kBlockWidth) - 1;
inline constexpr unsigned kAllBlockLanes = (1u << kBlockLanes) - 1;

// Block vectors pay off only where the processor has 256-bit integer and float arithmetic;
// elsewhere the compiler splits them and the quad paths are faster.
#if defined(__AVX2__)
inline constexpr bool kBlocksPayOff = true;
#else
inline constexpr bool kBlocksPayOff = false;
#endif

using BlockFloats = float __attribute__((vector_size(4 * kBlockLanes)));
using BlockInts = std::int32_t __attribute__((vector_size(4 * kBlockLanes)));
using BlockWords = std::uint32_t __attribute__((vector_size(4 * kBlockLanes)));
using BlockShorts = std::uint16_t __attribute__((vector_size(2 * kBlockLanes)));

using Floats4 = float __attribute__((vector_size(16)));
using Ints4 = std::int32_t __attribute__((vector_size(16)));

// Four vectors of four turned into their transpose: out[j][i] = in[i][j].
[[gnu::always_inline]] inline void transpose4x4(const Floats4* in, Floats4* out) {
  const Floats4 low01 = __builtin_shufflevector(in[0], in[1], 0, 4, 1, 5);
  const Floats4 low23 = __builtin_shufflevector(in[2], in[3], 0, 4, 1, 5);
  const Floats4 high01 = __builtin_shufflevector(in[0], in[1], 2, 6, 3, 7);
  const Floats4 high23 = __builtin_shufflevector(in[2], in[3], 2, 6, 3, 7);
  out[0] = __builtin_shufflevector(low01, low23, 0, 1, 4, 5);
  out[1] = __builtin_shufflevector(low01, low23, 2, 3, 6, 7);
  out[2] = __builtin_shufflevector(high01, high23, 0, 1, 4, 5);
  out[3] = __builtin_shufflevector(high01, high23, 2, 3, 6, 7);
}

// saturate on every lane of a vector: below 0 and NaN give 0, above 1 gives 1.
template <typename Floats>
[[gnu::always_inline]] inline Floats saturateLanes(Floats x) {
  const Floats zero = {}, one = zero + 1.0f;
  return x > zero ? (x < one ? x : one) : zero;
}

// Lane bits as a lane mask: all bits set in the lanes whose bit is set, the inverse of laneBits.
[[gnu::always_inline]] inline BlockInts laneMask(unsigned bits) {
  BlockInts laneBit;
  for (int l = 0; l < kBlockLanes; ++l) laneBit[l] = 1 << l;
  return (laneBit & static_cast<std::int32_t>(bits)) != 0;
}

// The lanes of a comparison's result (all bits set where true) as bits: bit l for lane l.
[[gnu::always_inline]] inline unsigned laneBits(BlockInts truth) {
#if defined(PRISM_BLOCKS_OF_16)
  return _mm512_cmpneq_epi32_mask(reinterpret_cast<__m512i>(truth), _mm512_setzero_si512());
#elif defined(__AVX2__)
  return static_cast<unsigned>(_mm256_movemask_ps(reinterpret_cast<__m256>(truth)));
#else
  unsigned bits = 0;
  for (int l = 0; l < kBlockLanes; ++l) bits |= (truth[l] != 0 ? 1u : 0u) << l;
  return bits;
#endif
}

// Column and row of each lane inside its block.
#if defined(PRISM_BLOCKS_OF_16)
inline constexpr BlockFloats kBlockColumns = {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3};
inline constexpr BlockFloats kBlockRows = {0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3};
#else
inline constexpr BlockFloats kBlockColumns = {0, 1, 2, 3, 0, 1, 2, 3};
inline constexpr BlockFloats kBlockRows = {0, 0, 0, 0, 1, 1, 1, 1};
#endif

// A block's lanes from its rows of four lanes, top first, and the rows from the lanes.
[[gnu::always_inline]] inline BlockInts joinBlockRows(const std::array<Ints4, kBlockHeight>& rows) {
#if defined(PRISM_BLOCKS_OF_16)
  using Ints8 = std::int32_t __attribute__((vector_size(32)));
  const Ints8 top = __builtin_shufflevector(rows[0], rows[1], 0, 1, 2, 3, 4, 5, 6, 7);
  const Ints8 bottom = __builtin_shufflevector(rows[2], rows[3], 0, 1, 2, 3, 4, 5, 6, 7);
  return __builtin_shufflevector(top, bottom, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
#else
  return __builtin_shufflevector(rows[0], rows[1], 0, 1, 2, 3, 4, 5, 6, 7);
#endif
}
[[gnu::always_inline]] inline std::array<Ints4, kBlockHeight> splitBlockRows(BlockInts lanes) {
#if defined(PRISM_BLOCKS_OF_16)
  return {__builtin_shufflevector(lanes, lanes, 0, 1, 2, 3), __builtin_shufflevector(lanes, lanes, 4, 5, 6, 7),
          __builtin_shufflevector(lanes, lanes, 8, 9, 10, 11), __builtin_shufflevector(lanes, lanes, 12, 13, 14, 15)};
#else
  return {__builtin_shufflevector(lanes, lanes, 0, 1, 2, 3), __builtin_shufflevector(lanes, lanes, 4, 5, 6, 7)};
#endif
}

// The lanes of the block's quads, each in quad lane order (0 1 / 2 3).
inline constexpr int kBlockQuads = kBlockLanes / 4;
inline constexpr std::array<std::array<int, 4>, kBlockQuads> kBlockQuadLanes = [] {
  std::array<std::array<int, 4>, kBlockQuads> quads{};
  for (int q = 0; q < kBlockQuads; ++q) {
    const int topLeft = (q / 2) * 2 * kBlockWidth + (q % 2) * 2;
    quads[static_cast<std::size_t>(q)] = {topLeft, topLeft + 1, topLeft + kBlockWidth, topLeft + kBlockWidth + 1};
  }
  return quads;
}();

// Blocks gathered from the triangles of a draw, in the order they were rasterised, so that
// shading and merging run each step over many blocks at once. Every value is held as rows
// over the blocks: block b's lanes in row element b. 256 lanes share out each step's and each
// batch's fixed costs better than 128 did, and the rows a batch works on still stay in the
// first-level cache, as with 512 they no longer do.
inline constexpr int kBatchBlocks = 256 / kBlockLanes;
inline constexpr int kBatchLanes = kBatchBlocks * kBlockLanes;

template <typename T>
using BatchRow = std::array<T, kBatchBlocks>;

struct BlockBatch {
  int count = 0;                       // blocks held
  BatchRow<int> x{}, y{};              // top-left pixels, multiples of the block's width and height
  BatchRow<std::uint16_t> coverage{};  // bit l: lane l is inside the primitive and the clip region
  BatchRow<bool> frontFacing{};
  BatchRow<BlockFloats> z{};                                                   // depth per lane, in [0, 1]
  std::array<std::array<BatchRow<BlockFloats>, 4>, kVaryingSlots> varyings{};  // [slot][component]
};

// Per attribute slot, the components (bit c: component c) a block's shading reads; the block
// rasteriser interpolates only those.
using BlockComponents = std::array<std::uint8_t, kVaryingSlots>;

// A colour per lane, component by component: of one block, and of a batch's blocks.
using BlockColor = std::array<BlockFloats, 4>;
using BatchColor = std::array<BatchRow<BlockFloats>, 4>;

}  // namespace platform::d3d9
