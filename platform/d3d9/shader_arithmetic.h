// The interpreter's arithmetic on single values, shared by the general interpreter and the
// straight-line quad programs so that both give the same bits.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstddef>

#if defined(__SSE__)
#include <immintrin.h>
#endif

#include "platform/win/types.h"

namespace platform::d3d9::shader_arithmetic {

inline float saturate(float x) { return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f; }

// Source modifiers by their token code (0 none, 1 negate, ... 12 -abs); the divide and not
// codes are handled by their instructions.
inline float modify(float x, BYTE modifier) {
  switch (modifier) {
    case 1: return -x;
    case 2: return x - 0.5f;
    case 3: return -(x - 0.5f);
    case 4: return 2.0f * (x - 0.5f);
    case 5: return -2.0f * (x - 0.5f);
    case 6: return 1.0f - x;
    case 7: return 2.0f * x;
    case 8: return -2.0f * x;
    case 11: return std::fabs(x);
    case 12: return -std::fabs(x);
    default: return x;
  }
}

// floor without a library call for the values that fit a 32-bit integer exactly; the same
// result as std::floor for every input, zeros keep their sign.
inline float floorExact(float x) {
  if (std::fabs(x) < 8388608.0f && x != 0.0f) {
    float t = static_cast<float>(static_cast<int>(x));
    return t > x ? t - 1.0f : t;
  }
  return std::floor(x);
}

// floorExact on every lane of a vector (Ints: the same number of 32-bit integers).
template <typename Floats, typename Ints>
[[gnu::always_inline]] inline Floats floorExactLanes(Floats x) {
  // Where the processor rounds towards minus infinity in one instruction, that is floor.
#if defined(__AVX512F__)
  if constexpr (sizeof(Floats) == 64) {
    return reinterpret_cast<Floats>(
        _mm512_roundscale_ps(reinterpret_cast<__m512>(x), _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC));
  }
#endif
#if defined(__AVX__)
  if constexpr (sizeof(Floats) == 32) {
    return reinterpret_cast<Floats>(
        _mm256_round_ps(reinterpret_cast<__m256>(x), _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC));
  }
#endif
#if defined(__SSE4_1__)
  if constexpr (sizeof(Floats) == 16) {
    return reinterpret_cast<Floats>(
        _mm_round_ps(reinterpret_cast<__m128>(x), _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC));
  }
#endif
  const Floats zero = {}, limit = zero + 8388608.0f;
  Floats t = __builtin_convertvector(__builtin_convertvector(x, Ints), Floats);
  t = t > x ? t - 1.0f : t;
  return (x < limit && x > -limit && x != zero) ? t : x;
}

// The correctly rounded square root of every lane, as std::sqrt gives it.
template <typename Floats>
[[gnu::always_inline]] inline Floats sqrtLanes(Floats x) {
#if defined(__AVX512F__)
  if constexpr (sizeof(Floats) == 64) return reinterpret_cast<Floats>(_mm512_sqrt_ps(reinterpret_cast<__m512>(x)));
#endif
#if defined(__AVX__)
  if constexpr (sizeof(Floats) == 32) return reinterpret_cast<Floats>(_mm256_sqrt_ps(reinterpret_cast<__m256>(x)));
#endif
#if defined(__SSE__)
  if constexpr (sizeof(Floats) == 16) return reinterpret_cast<Floats>(_mm_sqrt_ps(reinterpret_cast<__m128>(x)));
#endif
  for (std::size_t l = 0; l < sizeof(Floats) / sizeof(float); ++l) x[l] = std::sqrt(x[l]);
  return x;
}

// rcp and rsq keep 1.0 exact and give FLT_MAX for 0; log of 0 is -FLT_MAX.
inline float reciprocal(float x) {
  if (x == 1.0f) return 1.0f;
  if (x == 0.0f) return FLT_MAX;
  return 1.0f / x;
}
inline float reciprocalRoot(float x) {
  x = std::fabs(x);
  if (x == 1.0f) return 1.0f;
  if (x == 0.0f) return FLT_MAX;
  return 1.0f / std::sqrt(x);
}
inline float logarithm(float x) {
  x = std::fabs(x);
  return x == 0.0f ? -FLT_MAX : std::log2(x);
}

}  // namespace platform::d3d9::shader_arithmetic
