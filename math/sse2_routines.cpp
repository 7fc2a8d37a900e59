// The SSE2 set: the SSE set's routines (without its quaternionInverse) plus forms that use
// SSE2's integer side: one-register lane shuffles, sign flips by XOR, integer bit work for
// half floats, and array transforms that stream their results past the cache.
#include <emmintrin.h>

#include <cmath>
#include <cstdint>

#include "math/sse_helpers.h"
#include "math/strided.h"
#include "math/variant_sets.h"

namespace math_sse2 {
namespace {

using namespace math_sse_helpers;
using math_detail::forEachElement;
using math_detail::stridedAt;

// A shuffle of one register's lanes, named in reading order.
template <int A, int B, int C, int D>
inline __m128 lanes(__m128 v) {
  return _mm_castsi128_ps(_mm_shuffle_epi32(_mm_castps_si128(v), _MM_SHUFFLE(D, C, B, A)));
}

// Flips the sign of the lanes whose flag is set.
template <bool X, bool Y, bool Z, bool W>
inline __m128 negateLanes(__m128 v) {
  const __m128i mask = _mm_setr_epi32(X ? INT32_MIN : 0, Y ? INT32_MIN : 0, Z ? INT32_MIN : 0, W ? INT32_MIN : 0);
  return _mm_xor_ps(v, _mm_castsi128_ps(mask));
}

// Keeps lanes x, y, z and clears w.
inline __m128 clearW(__m128 v) { return _mm_and_ps(v, _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0))); }

inline __m128 normalisedPlane(__m128 p) {
  __m128 squared = dot4(clearW(p), p);
  if (!(lane0(squared) > FLT_MIN)) return _mm_setzero_ps();
  return _mm_div_ps(p, _mm_sqrt_ps(squared));
}

// Results of large arrays go straight to memory when every output is 16-byte aligned: they
// will not be read back soon, and streaming saves reading the lines in first.
constexpr UINT kStreamingThreshold = 4096;
inline bool canStream(const void* out, UINT outStride, UINT count) {
  return count >= kStreamingThreshold && outStride % 16 == 0 && reinterpret_cast<std::uintptr_t>(out) % 16 == 0;
}

// Four-float results: streamed when possible, stored plainly otherwise.
template <typename Out, typename In, typename Compute>
inline Out* transformToVec4(Out* out, UINT outStride, const In* in, UINT inStride, UINT count, Compute compute) {
  if (canStream(out, outStride, count)) {
    forEachElement(out, outStride, in, inStride, count,
                   [&](float* o, const float* i) { _mm_stream_ps(o, compute(i)); });
    _mm_sfence();
    return out;
  }
  return forEachElement(out, outStride, in, inStride, count, [&](float* o, const float* i) { store4(o, compute(i)); });
}

// Loads of 2- and 3-float records through the integer unit (one 8-byte load, one 4-byte load).
inline __m128 load2i(const float* p) { return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))); }
inline __m128 load3i(const float* p) {
  __m128i z = _mm_cvtsi32_si128(*reinterpret_cast<const int*>(p + 2));
  return _mm_castsi128_ps(_mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), z));
}

inline __m128 point2(__m128 v, const Rows& m) {
  return _mm_add_ps(_mm_add_ps(_mm_mul_ps(lanes<0, 0, 0, 0>(v), m.r0), _mm_mul_ps(lanes<1, 1, 1, 1>(v), m.r1)), m.r3);
}
inline __m128 normal2(__m128 v, const Rows& m) {
  return _mm_add_ps(_mm_mul_ps(lanes<0, 0, 0, 0>(v), m.r0), _mm_mul_ps(lanes<1, 1, 1, 1>(v), m.r1));
}
inline __m128 normal3(__m128 v, const Rows& m) {
  return _mm_add_ps(normal2(v, m), _mm_mul_ps(lanes<2, 2, 2, 2>(v), m.r2));
}
inline __m128 point3(__m128 v, const Rows& m) { return _mm_add_ps(normal3(v, m), m.r3); }
inline __m128 byW(__m128 v) { return _mm_div_ps(v, lanes<3, 3, 3, 3>(v)); }

// Sine and cosine of four angles: the angle less the nearest multiple of pi/2 (in three parts,
// exact for |angle| up to 8192), minimax polynomials on [-pi/4, pi/4], and the quadrant's
// swap and signs. Larger angles, where that reduction loses precision, use the library.
inline void sinCos(__m128 angles, __m128& sines, __m128& cosines) {
  constexpr float kReductionLimit = 8192.0f;
  alignas(16) float a[4];
  _mm_store_ps(a, angles);
  if (!(std::fabs(a[0]) <= kReductionLimit && std::fabs(a[1]) <= kReductionLimit &&
        std::fabs(a[2]) <= kReductionLimit && std::fabs(a[3]) <= kReductionLimit)) {
    sines = _mm_setr_ps(std::sin(a[0]), std::sin(a[1]), std::sin(a[2]), std::sin(a[3]));
    cosines = _mm_setr_ps(std::cos(a[0]), std::cos(a[1]), std::cos(a[2]), std::cos(a[3]));
    return;
  }
  __m128i quadrant = _mm_cvtps_epi32(_mm_mul_ps(angles, _mm_set1_ps(0.636619772367581f)));  // round(a * 2 / pi)
  __m128 q = _mm_cvtepi32_ps(quadrant);
  __m128 r = _mm_sub_ps(angles, _mm_mul_ps(q, _mm_set1_ps(1.5703125f)));  // pi/2 in three parts
  r = _mm_sub_ps(r, _mm_mul_ps(q, _mm_set1_ps(4.837512969970703125e-4f)));
  r = _mm_sub_ps(r, _mm_mul_ps(q, _mm_set1_ps(7.54978995489188216e-8f)));
  __m128 r2 = _mm_mul_ps(r, r);
  __m128 sine = _mm_add_ps(_mm_mul_ps(r2, _mm_set1_ps(-1.9515295891e-4f)), _mm_set1_ps(8.3321608736e-3f));
  sine = _mm_add_ps(_mm_mul_ps(sine, r2), _mm_set1_ps(-1.6666654611e-1f));
  sine = _mm_add_ps(r, _mm_mul_ps(_mm_mul_ps(sine, r2), r));
  __m128 cosine = _mm_add_ps(_mm_mul_ps(r2, _mm_set1_ps(2.443315711809948e-5f)), _mm_set1_ps(-1.388731625493765e-3f));
  cosine = _mm_add_ps(_mm_mul_ps(cosine, r2), _mm_set1_ps(4.166664568298827e-2f));
  cosine = _mm_add_ps(_mm_sub_ps(_mm_set1_ps(1.0f), _mm_mul_ps(r2, _mm_set1_ps(0.5f))),
                      _mm_mul_ps(_mm_mul_ps(cosine, r2), r2));
  // Quadrants 1 and 3 swap sine and cosine; sine is negated in quadrants 2 and 3, cosine in 1 and 2.
  __m128 swap = _mm_castsi128_ps(_mm_cmpeq_epi32(_mm_and_si128(quadrant, _mm_set1_epi32(1)), _mm_set1_epi32(1)));
  __m128 s = _mm_or_ps(_mm_and_ps(swap, cosine), _mm_andnot_ps(swap, sine));
  __m128 c = _mm_or_ps(_mm_and_ps(swap, sine), _mm_andnot_ps(swap, cosine));
  __m128i sineSign = _mm_slli_epi32(_mm_and_si128(quadrant, _mm_set1_epi32(2)), 30);
  __m128i cosineSign = _mm_slli_epi32(_mm_and_si128(_mm_add_epi32(quadrant, _mm_set1_epi32(1)), _mm_set1_epi32(2)), 30);
  sines = _mm_xor_ps(s, _mm_castsi128_ps(sineSign));
  cosines = _mm_xor_ps(c, _mm_castsi128_ps(cosineSign));
}

}  // namespace

// Array transforms.

Vec4* vec2TransformArray(Vec4* out, UINT outStride, const Vec2* in, UINT inStride, const Matrix4x4* m, UINT count) {
  Rows rows = loadRows(m);
  return transformToVec4(out, outStride, in, inStride, count, [&](const float* i) { return point2(load2i(i), rows); });
}
Vec2* vec2TransformCoordArray(Vec2* out, UINT outStride, const Vec2* in, UINT inStride, const Matrix4x4* m,
                              UINT count) {
  Rows rows = loadRows(m);
  return forEachElement(out, outStride, in, inStride, count,
                        [&](float* o, const float* i) { store2(o, byW(point2(load2i(i), rows))); });
}
Vec2* vec2TransformNormalArray(Vec2* out, UINT outStride, const Vec2* in, UINT inStride, const Matrix4x4* m,
                               UINT count) {
  Rows rows = loadRows(m);
  return forEachElement(out, outStride, in, inStride, count,
                        [&](float* o, const float* i) { store2(o, normal2(load2i(i), rows)); });
}
Vec4* vec3TransformArray(Vec4* out, UINT outStride, const Vec3* in, UINT inStride, const Matrix4x4* m, UINT count) {
  Rows rows = loadRows(m);
  return transformToVec4(out, outStride, in, inStride, count, [&](const float* i) { return point3(load3i(i), rows); });
}
Vec3* vec3TransformCoordArray(Vec3* out, UINT outStride, const Vec3* in, UINT inStride, const Matrix4x4* m,
                              UINT count) {
  Rows rows = loadRows(m);
  return forEachElement(out, outStride, in, inStride, count,
                        [&](float* o, const float* i) { store3(o, byW(point3(load3i(i), rows))); });
}
Vec3* vec3TransformNormalArray(Vec3* out, UINT outStride, const Vec3* in, UINT inStride, const Matrix4x4* m,
                               UINT count) {
  Rows rows = loadRows(m);
  return forEachElement(out, outStride, in, inStride, count,
                        [&](float* o, const float* i) { store3(o, normal3(load3i(i), rows)); });
}

// 4-vector cross product, quaternions, planes and the matrices built from planes.

Vec4* vec4Cross(Vec4* out, const Vec4* v1, const Vec4* v2, const Vec4* v3) {
  // The same lane patterns as the SSE form (see there), with one-register shuffles and the
  // alternating signs applied by XOR.
  __m128 a = load4(&v1->x), b = load4(&v2->x), c = load4(&v3->x);
  auto minor = [](__m128 bi, __m128 bj, __m128 ci, __m128 cj) {
    return _mm_sub_ps(_mm_mul_ps(bi, cj), _mm_mul_ps(bj, ci));
  };
  __m128 b1 = lanes<1, 0, 0, 0>(b), b2 = lanes<2, 2, 1, 1>(b), b3 = lanes<3, 3, 3, 2>(b);
  __m128 c1 = lanes<1, 0, 0, 0>(c), c2 = lanes<2, 2, 1, 1>(c), c3 = lanes<3, 3, 3, 2>(c);
  __m128 sum = _mm_mul_ps(lanes<1, 0, 0, 0>(a), minor(b2, b3, c2, c3));
  sum = _mm_sub_ps(sum, _mm_mul_ps(lanes<2, 2, 1, 1>(a), minor(b1, b3, c1, c3)));
  sum = _mm_add_ps(sum, _mm_mul_ps(lanes<3, 3, 3, 2>(a), minor(b1, b2, c1, c2)));
  store4(&out->x, negateLanes<false, true, false, true>(sum));
  return out;
}

Quaternion* quaternionFromMatrix(Quaternion* out, const Matrix4x4* matrix) {
  // All four candidates 1 +- m00 +- m11 +- m22 (for 4x^2, 4y^2, 4z^2, 4w^2) come out of one
  // vector expression with XOR sign flips; the choice is the portable form's (w while the
  // trace is positive, else the largest diagonal element), and the chosen branch's numerators,
  // its candidate in its own lane, are scaled by 1 / (2 sqrt(candidate)).
  const auto& m = matrix->m;
  __m128 diagonal = _mm_setr_ps(m[0][0], m[1][1], m[2][2], 0);
  __m128 candidates = _mm_add_ps(_mm_set1_ps(1.0f), negateLanes<false, true, true, false>(lanes<0, 0, 0, 0>(diagonal)));
  candidates = _mm_add_ps(candidates, negateLanes<true, false, true, false>(lanes<1, 1, 1, 1>(diagonal)));
  candidates = _mm_add_ps(candidates, negateLanes<true, true, false, false>(lanes<2, 2, 2, 2>(diagonal)));
  // (m12, m20, m01) against (m21, m02, m10): sums in one vector, differences in the other.
  __m128 upper = _mm_setr_ps(m[1][2], m[2][0], m[0][1], 0);
  __m128 lower = _mm_setr_ps(m[2][1], m[0][2], m[1][0], 0);
  alignas(16) float c[4], s[4], d[4];
  _mm_store_ps(c, candidates);
  _mm_store_ps(s, _mm_add_ps(upper, lower));
  _mm_store_ps(d, _mm_sub_ps(upper, lower));
  float trace = m[0][0] + m[1][1] + m[2][2];
  int chosen = trace > 0.0f ? 3 : (m[0][0] >= m[1][1] && m[0][0] >= m[2][2]) ? 0 : m[1][1] >= m[2][2] ? 1 : 2;
  __m128 numerators;
  switch (chosen) {
    case 0: numerators = _mm_setr_ps(c[0], s[2], s[1], d[0]); break;
    case 1: numerators = _mm_setr_ps(s[2], c[1], s[0], d[1]); break;
    case 2: numerators = _mm_setr_ps(s[1], s[0], c[2], d[2]); break;
    default: numerators = _mm_setr_ps(d[0], d[1], d[2], c[3]); break;
  }
  __m128 scale = _mm_div_ss(_mm_set_ss(0.5f), _mm_sqrt_ss(_mm_set_ss(c[chosen])));
  store4(&out->x, _mm_mul_ps(numerators, lanes<0, 0, 0, 0>(scale)));
  return out;
}

Quaternion* quaternionFromYawPitchRoll(Quaternion* out, float yaw, float pitch, float roll) {
  // Cosines and sines of the three half angles at once, spread to the product patterns
  // (cy sp cr, sy cp cr, cy cp sr, cy cp cr) + (sy cp sr, cy sp sr, sy sp cr, sy sp sr) * (1, -1, -1, 1).
  __m128 cosines, sines;
  sinCos(_mm_mul_ps(_mm_setr_ps(yaw, pitch, roll, 0), _mm_set1_ps(0.5f)), sines, cosines);
  // Lane 0: yaw, 1: pitch, 2: roll. Mixed vectors hold (c, s) choices per factor.
  __m128 yawCs = _mm_unpacklo_ps(cosines, sines);   // (cy, sy, cp, sp)
  __m128 rollCs = _mm_unpackhi_ps(cosines, sines);  // (cr, sr, 0, 0)
  __m128 pitchCs = lanes<2, 3, 2, 3>(yawCs);        // (cp, sp, cp, sp)
  __m128 first =
      _mm_mul_ps(_mm_mul_ps(lanes<0, 1, 0, 0>(yawCs), lanes<1, 0, 0, 0>(pitchCs)), lanes<0, 0, 1, 0>(rollCs));
  __m128 second =
      _mm_mul_ps(_mm_mul_ps(lanes<1, 0, 1, 1>(yawCs), lanes<0, 1, 1, 1>(pitchCs)), lanes<1, 1, 0, 1>(rollCs));
  store4(&out->x, _mm_add_ps(first, negateLanes<false, true, true, false>(second)));
  return out;
}

Plane* planeFromPoints(Plane* out, const Vec3* v1, const Vec3* v2, const Vec3* v3) {
  __m128 a = load3i(&v1->x);
  __m128 e1 = _mm_sub_ps(load3i(&v2->x), a), e2 = _mm_sub_ps(load3i(&v3->x), a);
  __m128 normal = _mm_sub_ps(_mm_mul_ps(lanes<1, 2, 0, 3>(e1), lanes<2, 0, 1, 3>(e2)),
                             _mm_mul_ps(lanes<2, 0, 1, 3>(e1), lanes<1, 2, 0, 3>(e2)));
  normal = normalised(clearW(normal), dot4(normal, clearW(normal)));
  // (n, -n . v1) in one store.
  __m128 d = negateLanes<true, true, true, true>(dot4(normal, a));
  store4(&out->a, _mm_or_ps(clearW(normal), _mm_andnot_ps(_mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0)), d)));
  return out;
}

Matrix4x4* matrixShadow(Matrix4x4* out, const Vec4* light, const Plane* plane) {
  // Row i = (P . L) e_i - P_i L; the diagonal term goes in by masking the dot product.
  __m128 p = normalisedPlane(load4(&plane->a));
  __m128 l = load4(&light->x);
  __m128 d = dot4(p, l);
  auto row = [&](__m128 pi, __m128i unit) {
    return _mm_sub_ps(_mm_and_ps(d, _mm_castsi128_ps(unit)), _mm_mul_ps(pi, l));
  };
  Rows rows{
      row(lanes<0, 0, 0, 0>(p), _mm_setr_epi32(-1, 0, 0, 0)), row(lanes<1, 1, 1, 1>(p), _mm_setr_epi32(0, -1, 0, 0)),
      row(lanes<2, 2, 2, 2>(p), _mm_setr_epi32(0, 0, -1, 0)), row(lanes<3, 3, 3, 3>(p), _mm_setr_epi32(0, 0, 0, -1))};
  storeRows(out, rows);
  return out;
}

Matrix4x4* matrixReflect(Matrix4x4* out, const Plane* plane) {
  // Row i = e_i - 2 P_i (a, b, c, 0).
  __m128 p = normalisedPlane(load4(&plane->a));
  __m128 twiceNormal = clearW(_mm_add_ps(p, p));
  auto row = [&](__m128 pi, __m128 unit) { return _mm_sub_ps(unit, _mm_mul_ps(pi, twiceNormal)); };
  storeRows(out,
            {row(lanes<0, 0, 0, 0>(p), _mm_setr_ps(1, 0, 0, 0)), row(lanes<1, 1, 1, 1>(p), _mm_setr_ps(0, 1, 0, 0)),
             row(lanes<2, 2, 2, 2>(p), _mm_setr_ps(0, 0, 1, 0)), row(lanes<3, 3, 3, 3>(p), _mm_setr_ps(0, 0, 0, 1))});
  return out;
}

// Half floats.

float* float16To32Array(float* out, const Float16Bits* in, UINT count) {
  // Eight halves per step, all in the integer unit except one rebiasing multiply: the
  // exponent and mantissa placed 13 bits up read as a float 2^112 too small (subnormals
  // included), and the sign goes back in with an OR.
  // Subnormal halves rely on subnormal floats being honoured (no denormals-are-zero mode).
  const __m128 rebias = _mm_set1_ps(0x1p112f);
  const __m128i magnitudeMask = _mm_set1_epi32(0x7FFF);
  const __m128i signMask = _mm_set1_epi32(0x8000);
  auto convert = [&](__m128i halves) {  // four halves, zero-extended to 32 bits
    __m128 magnitude = _mm_castsi128_ps(_mm_slli_epi32(_mm_and_si128(halves, magnitudeMask), 13));
    __m128 sign = _mm_castsi128_ps(_mm_slli_epi32(_mm_and_si128(halves, signMask), 16));
    return _mm_or_ps(_mm_mul_ps(magnitude, rebias), sign);
  };
  UINT i = 0;
  for (; i + 8 <= count; i += 8) {
    __m128i halves = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    _mm_storeu_ps(out + i, convert(_mm_unpacklo_epi16(halves, _mm_setzero_si128())));
    _mm_storeu_ps(out + i + 4, convert(_mm_unpackhi_epi16(halves, _mm_setzero_si128())));
  }
  for (; i < count; ++i) _mm_store_ss(out + i, convert(_mm_cvtsi32_si128(in[i])));
  return out;
}

}  // namespace math_sse2

void installSse2Routines(MathRoutineTable& table) {
  // The SSE set without its quaternionInverse, then the SSE2 forms over it.
  auto quaternionInverse = table.quaternionInverse;
  installSseRoutines(table);
  table.quaternionInverse = quaternionInverse;

  table.vec2TransformArray = &math_sse2::vec2TransformArray;
  table.vec2TransformCoordArray = &math_sse2::vec2TransformCoordArray;
  table.vec2TransformNormalArray = &math_sse2::vec2TransformNormalArray;
  table.vec3TransformArray = &math_sse2::vec3TransformArray;
  table.vec3TransformCoordArray = &math_sse2::vec3TransformCoordArray;
  table.vec3TransformNormalArray = &math_sse2::vec3TransformNormalArray;
  table.vec4Cross = &math_sse2::vec4Cross;
  table.quaternionFromMatrix = &math_sse2::quaternionFromMatrix;
  table.quaternionFromYawPitchRoll = &math_sse2::quaternionFromYawPitchRoll;
  table.planeFromPoints = &math_sse2::planeFromPoints;
  table.matrixShadow = &math_sse2::matrixShadow;
  table.matrixReflect = &math_sse2::matrixReflect;
  table.float16To32Array = &math_sse2::float16To32Array;
}
