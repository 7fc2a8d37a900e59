// A batch's covered lanes packed together and spread back: where shading one lane needs none of
// its neighbours, only the lanes a primitive covers are shaded, and on small triangles a block
// covers only half of its lanes or fewer.
#pragma once

#include <bit>

#include "platform/d3d9/pixel_block.h"

namespace platform::d3d9 {

// Where each block's covered lanes go in the packed rows, worked out once per batch.
struct LanePacking {
  explicit LanePacking(const BlockBatch& batch) : blocks(batch.count) {
    for (std::size_t b = 0; b < static_cast<std::size_t>(blocks); ++b) {
      lanes[b] = batch.coverage[b];
      first[b] = count;
      count += std::popcount(lanes[b]);
    }
  }
  // The blocks the packed lanes fill, the last one perhaps in part.
  int packedBlocks() const { return (count + kBlockLanes - 1) / kBlockLanes; }

  int blocks;
  int count = 0;  // covered lanes in all
  BatchRow<unsigned> lanes;
  BatchRow<int> first;
};

// The covered lanes of `row`, in order, into `packed` (room for a batch's lanes).
[[gnu::always_inline]] inline void packLanes(const LanePacking& packing, const BatchRow<BlockFloats>& row,
                                             float* packed) {
  for (std::size_t b = 0; b < static_cast<std::size_t>(packing.blocks); ++b) {
    const unsigned lanes = packing.lanes[b];
    float* out = packed + packing.first[b];
#if defined(PRISM_BLOCKS_OF_16)
    const __m512 kept = _mm512_maskz_compress_ps(static_cast<__mmask16>(lanes), reinterpret_cast<__m512>(row[b]));
    _mm512_mask_storeu_ps(out, static_cast<__mmask16>((1u << std::popcount(lanes)) - 1), kept);
#else
    for (unsigned left = lanes; left; left &= left - 1) *out++ = row[b][std::countr_zero(left)];
#endif
  }
}

// Block `b`'s lanes back from `packed`; the lanes it does not cover become 0.
[[gnu::always_inline]] inline BlockFloats unpackBlock(const LanePacking& packing, const float* packed, std::size_t b) {
  const unsigned lanes = packing.lanes[b];
  const float* in = packed + packing.first[b];
#if defined(PRISM_BLOCKS_OF_16)
  const __m512 kept = _mm512_maskz_loadu_ps(static_cast<__mmask16>((1u << std::popcount(lanes)) - 1), in);
  return reinterpret_cast<BlockFloats>(_mm512_maskz_expand_ps(static_cast<__mmask16>(lanes), kept));
#else
  BlockFloats spread = {};
  for (unsigned left = lanes; left; left &= left - 1) spread[std::countr_zero(left)] = *in++;
  return spread;
#endif
}

// All blocks of a row back from `packed`.
inline void unpackLanes(const LanePacking& packing, const float* packed, BatchRow<BlockFloats>& row) {
  for (std::size_t b = 0; b < static_cast<std::size_t>(packing.blocks); ++b) row[b] = unpackBlock(packing, packed, b);
}

}  // namespace platform::d3d9
