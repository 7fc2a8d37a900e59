// Texel reads across a block's lanes: one 32-bit word per lane from byte offsets, and
// bytes turned into the [0, 1] values the texel readers give (k / 255, correctly rounded).
#pragma once

#include <cstddef>
#include <cstring>

#include "platform/d3d9/pixel_block.h"

#if defined(__AVX2__) || defined(__FMA__)
#include <immintrin.h>
#endif

namespace platform::d3d9 {

// The 32-bit word at base + offsets[l] for every lane.
[[gnu::always_inline]] inline BlockInts gatherWords(const std::byte* base, BlockInts offsets) {
#if defined(PRISM_BLOCKS_OF_16)
  return reinterpret_cast<BlockInts>(_mm512_i32gather_epi32(reinterpret_cast<__m512i>(offsets), base, 1));
#elif defined(__AVX2__)
  return reinterpret_cast<BlockInts>(
      _mm256_i32gather_epi32(reinterpret_cast<const int*>(base), reinterpret_cast<__m256i>(offsets), 1));
#else
  BlockInts words;
  for (int l = 0; l < kBlockLanes; ++l) std::memcpy(&words[l], base + offsets[l], 4);
  return words;
#endif
}

// k / 255 for byte values k in every lane, the same float the division gives. With fused
// multiply-add a product and one correction against its remainder cost less than a division
// and round the same way for all 256 values (the tests go through every one).
[[gnu::always_inline]] inline BlockFloats unitBytesLanes(BlockInts bytes) {
  const BlockFloats k = __builtin_convertvector(bytes, BlockFloats);
#if defined(PRISM_BLOCKS_OF_16)
  const __m512 x = reinterpret_cast<__m512>(k), inverse = _mm512_set1_ps(1.0f / 255.0f);
  const __m512 quotient = _mm512_mul_ps(x, inverse);
  const __m512 remainder = _mm512_fnmadd_ps(quotient, _mm512_set1_ps(255.0f), x);
  return reinterpret_cast<BlockFloats>(_mm512_fmadd_ps(remainder, inverse, quotient));
#elif defined(__FMA__)
  const __m256 x = reinterpret_cast<__m256>(k), inverse = _mm256_set1_ps(1.0f / 255.0f);
  const __m256 quotient = _mm256_mul_ps(x, inverse);
  const __m256 remainder = _mm256_fnmadd_ps(quotient, _mm256_set1_ps(255.0f), x);
  return reinterpret_cast<BlockFloats>(_mm256_fmadd_ps(remainder, inverse, quotient));
#else
  return k / 255.0f;
#endif
}

// k / 255 * 2^32 for the byte at bit `shift` (0, 8, 16 or 24) of every lane's word: the float
// k / 255 gives, scaled exactly. With AVX-512 the byte repeated four times is k * 0x01010101,
// k / 255 * 2^32 cut short by less than one; its low byte, which the conversion to float drops,
// is k itself, whose top bit is set, so the correctly rounded quotient is that integer rounded
// up: one conversion rounding up after the byte shuffle.
inline constexpr float kScaledChannel = 0x1p32f, kUnscaleChannel = 0x1p-32f;
[[gnu::always_inline]] inline BlockFloats scaledChannelLanes(BlockInts words, int shift) {
#if defined(PRISM_BLOCKS_OF_16)
  // Byte `shift / 8` of each word, to all four bytes of the word (the shuffle works within each
  // 16-byte quarter: words at byte 0, 4, 8 and 12).
  const int b = shift / 8, everyByte = 0x01010101;
  const __m512i repeat =
      _mm512_set4_epi32((12 + b) * everyByte, (8 + b) * everyByte, (4 + b) * everyByte, b * everyByte);
  const __m512i repeated = _mm512_shuffle_epi8(reinterpret_cast<__m512i>(words), repeat);
  return reinterpret_cast<BlockFloats>(_mm512_cvt_roundepu32_ps(repeated, _MM_FROUND_TO_POS_INF | _MM_FROUND_NO_EXC));
#else
  return unitBytesLanes((words >> shift) & 0xFF) * kScaledChannel;
#endif
}

// k / 255 for the byte at bit `shift` of every lane's word, the same float the division gives.
[[gnu::always_inline]] inline BlockFloats unitChannelLanes(BlockInts words, int shift) {
  return scaledChannelLanes(words, shift) * kUnscaleChannel;
}

}  // namespace platform::d3d9
