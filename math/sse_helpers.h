// Small SSE building blocks shared by the SSE and SSE2 sets: loads and stores that touch
// exactly a record's floats, lane shuffles, dot products and row-vector transforms. Only SSE
// instructions, with internal linkage (see math/strided.h for why).
#pragma once

#include <xmmintrin.h>

#include <cfloat>
#include <cmath>

#include "math/vector_math.h"

namespace math_sse_helpers {
namespace {

// Lanes named in reading order: swizzle<1, 0, 3, 2>(v) is (v.y, v.x, v.w, v.z).
template <int A, int B, int C, int D>
inline __m128 swizzle(__m128 v) {
  return _mm_shuffle_ps(v, v, _MM_SHUFFLE(D, C, B, A));
}

// Loads and stores that touch exactly the floats of the record.
inline __m128 load2(const float* p) { return _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(p)); }
inline __m128 load3(const float* p) { return _mm_movelh_ps(load2(p), _mm_load_ss(p + 2)); }
inline __m128 load4(const float* p) { return _mm_loadu_ps(p); }
inline void store2(float* p, __m128 v) { _mm_storel_pi(reinterpret_cast<__m64*>(p), v); }
inline void store3(float* p, __m128 v) {
  store2(p, v);
  _mm_store_ss(p + 2, _mm_movehl_ps(v, v));
}
inline void store4(float* p, __m128 v) { _mm_storeu_ps(p, v); }

template <int Lane>
inline __m128 broadcast(__m128 v) {
  return _mm_shuffle_ps(v, v, _MM_SHUFFLE(Lane, Lane, Lane, Lane));
}

inline float lane0(__m128 v) { return _mm_cvtss_f32(v); }

// The sum of all four lanes, in every lane.
inline __m128 horizontalSum(__m128 v) {
  __m128 pairs = _mm_add_ps(v, _mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 3, 0, 1)));
  return _mm_add_ps(pairs, _mm_shuffle_ps(pairs, pairs, _MM_SHUFFLE(1, 0, 3, 2)));
}
inline __m128 dot4(__m128 a, __m128 b) { return horizontalSum(_mm_mul_ps(a, b)); }

struct Rows {
  __m128 r0, r1, r2, r3;
};
inline Rows loadRows(const Matrix4x4* m) { return {load4(m->m[0]), load4(m->m[1]), load4(m->m[2]), load4(m->m[3])}; }
inline void storeRows(Matrix4x4* m, const Rows& rows) {
  store4(m->m[0], rows.r0);
  store4(m->m[1], rows.r1);
  store4(m->m[2], rows.r2);
  store4(m->m[3], rows.r3);
}

// v x M for the row vector v.
inline __m128 transform(__m128 v, const Rows& m) {
  __m128 sum = _mm_mul_ps(broadcast<0>(v), m.r0);
  sum = _mm_add_ps(sum, _mm_mul_ps(broadcast<1>(v), m.r1));
  sum = _mm_add_ps(sum, _mm_mul_ps(broadcast<2>(v), m.r2));
  return _mm_add_ps(sum, _mm_mul_ps(broadcast<3>(v), m.r3));
}
// (x, y, 0, 1) x M and (x, y, z, 1) x M: the translation row added instead of multiplied.
inline __m128 transformPoint2(__m128 v, const Rows& m) {
  return _mm_add_ps(_mm_add_ps(_mm_mul_ps(broadcast<0>(v), m.r0), _mm_mul_ps(broadcast<1>(v), m.r1)), m.r3);
}
inline __m128 transformPoint3(__m128 v, const Rows& m) {
  __m128 sum = _mm_add_ps(_mm_mul_ps(broadcast<0>(v), m.r0), _mm_mul_ps(broadcast<1>(v), m.r1));
  return _mm_add_ps(_mm_add_ps(sum, _mm_mul_ps(broadcast<2>(v), m.r2)), m.r3);
}
inline __m128 transformNormal2(__m128 v, const Rows& m) {
  return _mm_add_ps(_mm_mul_ps(broadcast<0>(v), m.r0), _mm_mul_ps(broadcast<1>(v), m.r1));
}
inline __m128 transformNormal3(__m128 v, const Rows& m) {
  __m128 sum = _mm_add_ps(_mm_mul_ps(broadcast<0>(v), m.r0), _mm_mul_ps(broadcast<1>(v), m.r1));
  return _mm_add_ps(sum, _mm_mul_ps(broadcast<2>(v), m.r2));
}
inline __m128 divideByW(__m128 v) { return _mm_div_ps(v, broadcast<3>(v)); }

// v scaled to unit length under the portable rule: within 2^-23 of unit length it is kept,
// below the smallest normal float it becomes zero. `squared` holds the squared length in
// every lane.
inline __m128 normalised(__m128 v, __m128 squared) {
  float s = lane0(squared);
  if (std::fabs(s - 1.0f) <= FLT_EPSILON) return v;
  if (!(s > FLT_MIN)) return _mm_setzero_ps();
  return _mm_div_ps(v, _mm_sqrt_ps(squared));
}

// Record loads and stores by float count.
template <int N>
inline __m128 loadN(const float* p) {
  if constexpr (N == 2) return load2(p);
  if constexpr (N == 3) return load3(p);
  if constexpr (N == 4) return load4(p);
}
template <int N>
inline void storeN(float* p, __m128 v) {
  if constexpr (N == 2) store2(p, v);
  if constexpr (N == 3) store3(p, v);
  if constexpr (N == 4) store4(p, v);
}

inline __m128 cross3(__m128 a, __m128 b) {
  __m128 aYzx = _mm_shuffle_ps(a, a, _MM_SHUFFLE(3, 0, 2, 1));
  __m128 bYzx = _mm_shuffle_ps(b, b, _MM_SHUFFLE(3, 0, 2, 1));
  __m128 c = _mm_sub_ps(_mm_mul_ps(a, bYzx), _mm_mul_ps(aYzx, b));
  return _mm_shuffle_ps(c, c, _MM_SHUFFLE(3, 0, 2, 1));
}

// The six 2 x 2 minors of two matrix rows u and l (u_i l_j - l_i u_j): pairs 01, 02, 03, 12
// in the first vector, 13, 23 in the first two lanes of the second.
inline __m128 minors0123(__m128 u, __m128 l) {
  return _mm_sub_ps(_mm_mul_ps(swizzle<0, 0, 0, 1>(u), swizzle<1, 2, 3, 2>(l)),
                    _mm_mul_ps(swizzle<0, 0, 0, 1>(l), swizzle<1, 2, 3, 2>(u)));
}
inline __m128 minors45(__m128 u, __m128 l) {
  return _mm_sub_ps(_mm_mul_ps(swizzle<1, 2, 1, 2>(u), swizzle<3, 3, 3, 3>(l)),
                    _mm_mul_ps(swizzle<1, 2, 1, 2>(l), swizzle<3, 3, 3, 3>(u)));
}

}  // namespace
}  // namespace math_sse_helpers
