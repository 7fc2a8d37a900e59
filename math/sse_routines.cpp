// The SSE set: single-precision SIMD forms of the transforms, normalisers, matrix, quaternion,
// plane and spline routines. Built with SSE and without SSE2.
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "math/spline_entry_points.h"
#include "math/sse_helpers.h"
#include "math/strided.h"
#include "math/variant_sets.h"

namespace math_sse {
namespace {

using namespace math_sse_helpers;
using math_detail::forEachElement;
using math_detail::stridedAt;

// Constants as functions rather than globals: a global would be set by a dynamic initialiser,
// too late for a routine called from another file's static initialisation.
inline __m128 alternateSigns() { return _mm_setr_ps(1, -1, 1, -1); }
inline __m128 xyzOnly() { return _mm_setr_ps(1, 1, 1, 0); }
inline __m128 unitW() { return _mm_setr_ps(0, 0, 0, 1); }

// The adjugate and determinant of a matrix from its 2 x 2 minors.
struct Adjugate {
  Rows rows;
  float determinant;
};
Adjugate adjugateOf(const Rows& m) {
  __m128 top0123 = minors0123(m.r0, m.r1), top45 = minors45(m.r0, m.r1);
  __m128 bottom0123 = minors0123(m.r2, m.r3), bottom45 = minors45(m.r2, m.r3);
  // det = s0 c5 - s1 c4 + s2 c3 + s3 c2 - s4 c1 + s5 c0.
  __m128 c5432 = _mm_shuffle_ps(bottom45, bottom0123, _MM_SHUFFLE(2, 3, 0, 1));
  __m128 terms = _mm_mul_ps(_mm_mul_ps(top0123, c5432), _mm_setr_ps(1, -1, 1, 1));
  __m128 rest = _mm_mul_ps(_mm_mul_ps(top45, swizzle<1, 0, 1, 0>(bottom0123)), _mm_setr_ps(-1, 1, 0, 0));
  float determinant = lane0(horizontalSum(_mm_add_ps(terms, rest)));

  // Columns of the matrix with rows taken in the order 1, 0, 3, 2, and each minor paired as
  // (c_k, c_k, s_k, s_k): every adjugate row is then three products of these.
  __m128 col0 = m.r1, col1 = m.r0, col2 = m.r3, col3 = m.r2;
  _MM_TRANSPOSE4_PS(col0, col1, col2, col3);
  __m128 k5 = _mm_shuffle_ps(bottom45, top45, _MM_SHUFFLE(1, 1, 1, 1));
  __m128 k4 = _mm_shuffle_ps(bottom45, top45, _MM_SHUFFLE(0, 0, 0, 0));
  __m128 k3 = _mm_shuffle_ps(bottom0123, top0123, _MM_SHUFFLE(3, 3, 3, 3));
  __m128 k2 = _mm_shuffle_ps(bottom0123, top0123, _MM_SHUFFLE(2, 2, 2, 2));
  __m128 k1 = _mm_shuffle_ps(bottom0123, top0123, _MM_SHUFFLE(1, 1, 1, 1));
  __m128 k0 = _mm_shuffle_ps(bottom0123, top0123, _MM_SHUFFLE(0, 0, 0, 0));
  auto combine = [](__m128 a, __m128 ka, __m128 b, __m128 kb, __m128 c, __m128 kc) {
    return _mm_add_ps(_mm_sub_ps(_mm_mul_ps(a, ka), _mm_mul_ps(b, kb)), _mm_mul_ps(c, kc));
  };
  __m128 negated = _mm_sub_ps(_mm_setzero_ps(), alternateSigns());
  Rows adjugate{_mm_mul_ps(alternateSigns(), combine(col1, k5, col2, k4, col3, k3)),
                _mm_mul_ps(negated, combine(col0, k5, col2, k2, col3, k1)),
                _mm_mul_ps(alternateSigns(), combine(col0, k4, col1, k2, col3, k0)),
                _mm_mul_ps(negated, combine(col0, k3, col1, k1, col2, k0))};
  return {adjugate, determinant};
}

// The quaternion product a b.
inline __m128 hamilton(__m128 a, __m128 b) {
  __m128 sum = _mm_mul_ps(broadcast<3>(a), b);
  sum = _mm_add_ps(sum, _mm_mul_ps(broadcast<0>(a), _mm_mul_ps(swizzle<3, 2, 1, 0>(b), _mm_setr_ps(1, -1, 1, -1))));
  sum = _mm_add_ps(sum, _mm_mul_ps(broadcast<1>(a), _mm_mul_ps(swizzle<2, 3, 0, 1>(b), _mm_setr_ps(1, 1, -1, -1))));
  return _mm_add_ps(sum, _mm_mul_ps(broadcast<2>(a), _mm_mul_ps(swizzle<1, 0, 3, 2>(b), _mm_setr_ps(-1, 1, 1, -1))));
}

// The plane scaled by the length of its normal; zeros for a plane without a normal.
inline __m128 normalisedPlane(__m128 p) {
  __m128 squared = dot4(_mm_mul_ps(p, xyzOnly()), p);
  if (!(lane0(squared) > FLT_MIN)) return _mm_setzero_ps();
  return _mm_div_ps(p, _mm_sqrt_ps(squared));
}

// The spline forms in this set's arithmetic, for the routine table's entries.
struct SplineForms {
  template <int N>
  static void hermite(float* out, const float* v1, const float* t1, const float* v2, const float* t2, float s) {
    float s2 = s * s, s3 = s2 * s;
    __m128 sum = _mm_mul_ps(_mm_set1_ps(2 * s3 - 3 * s2 + 1), loadN<N>(v1));
    sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(s3 - 2 * s2 + s), loadN<N>(t1)));
    sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(-2 * s3 + 3 * s2), loadN<N>(v2)));
    storeN<N>(out, _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(s3 - s2), loadN<N>(t2))));
  }

  template <int N>
  static void catmullRom(float* out, const float* v0, const float* v1, const float* v2, const float* v3, float s) {
    float s2 = s * s, s3 = s2 * s;
    __m128 sum = _mm_mul_ps(_mm_set1_ps(0.5f * (-s3 + 2 * s2 - s)), loadN<N>(v0));
    sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(0.5f * (3 * s3 - 5 * s2 + 2)), loadN<N>(v1)));
    sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(0.5f * (-3 * s3 + 4 * s2 + s)), loadN<N>(v2)));
    storeN<N>(out, _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(0.5f * (s3 - s2)), loadN<N>(v3))));
  }

  template <int N>
  static void baryCentric(float* out, const float* v1, const float* v2, const float* v3, float f, float g) {
    __m128 a = loadN<N>(v1);
    __m128 sum = _mm_add_ps(a, _mm_mul_ps(_mm_set1_ps(f), _mm_sub_ps(loadN<N>(v2), a)));
    storeN<N>(out, _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(g), _mm_sub_ps(loadN<N>(v3), a))));
  }
};

}  // namespace

// Transforms of 2- and 3-vectors, single and array.

Vec4* vec2Transform(Vec4* out, const Vec2* v, const Matrix4x4* m) {
  store4(&out->x, transformPoint2(load2(&v->x), loadRows(m)));
  return out;
}
Vec2* vec2TransformCoord(Vec2* out, const Vec2* v, const Matrix4x4* m) {
  store2(&out->x, divideByW(transformPoint2(load2(&v->x), loadRows(m))));
  return out;
}
Vec2* vec2TransformNormal(Vec2* out, const Vec2* v, const Matrix4x4* m) {
  store2(&out->x, transformNormal2(load2(&v->x), loadRows(m)));
  return out;
}
Vec4* vec3Transform(Vec4* out, const Vec3* v, const Matrix4x4* m) {
  store4(&out->x, transformPoint3(load3(&v->x), loadRows(m)));
  return out;
}
Vec3* vec3TransformCoord(Vec3* out, const Vec3* v, const Matrix4x4* m) {
  store3(&out->x, divideByW(transformPoint3(load3(&v->x), loadRows(m))));
  return out;
}
Vec3* vec3TransformNormal(Vec3* out, const Vec3* v, const Matrix4x4* m) {
  store3(&out->x, transformNormal3(load3(&v->x), loadRows(m)));
  return out;
}

Vec4* vec2TransformArray(Vec4* out, UINT outStride, const Vec2* in, UINT inStride, const Matrix4x4* m, UINT count) {
  Rows rows = loadRows(m);
  return forEachElement(out, outStride, in, inStride, count,
                        [&](float* o, const float* i) { store4(o, transformPoint2(load2(i), rows)); });
}
Vec2* vec2TransformCoordArray(Vec2* out, UINT outStride, const Vec2* in, UINT inStride, const Matrix4x4* m,
                              UINT count) {
  Rows rows = loadRows(m);
  return forEachElement(out, outStride, in, inStride, count,
                        [&](float* o, const float* i) { store2(o, divideByW(transformPoint2(load2(i), rows))); });
}
Vec2* vec2TransformNormalArray(Vec2* out, UINT outStride, const Vec2* in, UINT inStride, const Matrix4x4* m,
                               UINT count) {
  Rows rows = loadRows(m);
  return forEachElement(out, outStride, in, inStride, count,
                        [&](float* o, const float* i) { store2(o, transformNormal2(load2(i), rows)); });
}
Vec4* vec3TransformArray(Vec4* out, UINT outStride, const Vec3* in, UINT inStride, const Matrix4x4* m, UINT count) {
  Rows rows = loadRows(m);
  return forEachElement(out, outStride, in, inStride, count,
                        [&](float* o, const float* i) { store4(o, transformPoint3(load3(i), rows)); });
}
Vec3* vec3TransformCoordArray(Vec3* out, UINT outStride, const Vec3* in, UINT inStride, const Matrix4x4* m,
                              UINT count) {
  Rows rows = loadRows(m);
  return forEachElement(out, outStride, in, inStride, count,
                        [&](float* o, const float* i) { store3(o, divideByW(transformPoint3(load3(i), rows))); });
}
Vec3* vec3TransformNormalArray(Vec3* out, UINT outStride, const Vec3* in, UINT inStride, const Matrix4x4* m,
                               UINT count) {
  Rows rows = loadRows(m);
  return forEachElement(out, outStride, in, inStride, count,
                        [&](float* o, const float* i) { store3(o, transformNormal3(load3(i), rows)); });
}
Vec4* vec4TransformArray(Vec4* out, UINT outStride, const Vec4* in, UINT inStride, const Matrix4x4* m, UINT count) {
  Rows rows = loadRows(m);
  return forEachElement(out, outStride, in, inStride, count,
                        [&](float* o, const float* i) { store4(o, transform(load4(i), rows)); });
}
Plane* planeTransformArray(Plane* out, UINT outStride, const Plane* in, UINT inStride, const Matrix4x4* m, UINT count) {
  Rows rows = loadRows(m);
  return forEachElement(out, outStride, in, inStride, count,
                        [&](float* o, const float* i) { store4(o, transform(load4(i), rows)); });
}

// Normalisers.

Vec3* vec3Normalize(Vec3* out, const Vec3* v) {
  __m128 a = load3(&v->x);
  store3(&out->x, normalised(a, dot4(a, a)));
  return out;
}
Vec4* vec4Normalize(Vec4* out, const Vec4* v) {
  __m128 a = load4(&v->x);
  store4(&out->x, normalised(a, dot4(a, a)));
  return out;
}
Quaternion* quaternionNormalize(Quaternion* out, const Quaternion* q) {
  math_sse::vec4Normalize(reinterpret_cast<Vec4*>(out), reinterpret_cast<const Vec4*>(q));
  return out;
}

// Matrices.

Matrix4x4* matrixMultiply(Matrix4x4* out, const Matrix4x4* a, const Matrix4x4* b) {
  Rows left = loadRows(a), right = loadRows(b);  // both read before out is written
  storeRows(out, {transform(left.r0, right), transform(left.r1, right), transform(left.r2, right),
                  transform(left.r3, right)});
  return out;
}

Matrix4x4* matrixMultiplyTranspose(Matrix4x4* out, const Matrix4x4* a, const Matrix4x4* b) {
  Rows left = loadRows(a), right = loadRows(b);
  Rows product{transform(left.r0, right), transform(left.r1, right), transform(left.r2, right),
               transform(left.r3, right)};
  _MM_TRANSPOSE4_PS(product.r0, product.r1, product.r2, product.r3);
  storeRows(out, product);
  return out;
}

float matrixDeterminant(const Matrix4x4* m) { return adjugateOf(loadRows(m)).determinant; }

Matrix4x4* matrixInverse(Matrix4x4* out, float* determinant, const Matrix4x4* m) {
  Adjugate adjugate = adjugateOf(loadRows(m));
  if (determinant != nullptr) *determinant = adjugate.determinant;
  float scale = 1.0f / adjugate.determinant;
  if (adjugate.determinant == 0.0f || !std::isfinite(scale)) return nullptr;
  __m128 k = _mm_set1_ps(scale);
  const Rows& r = adjugate.rows;
  storeRows(out, {_mm_mul_ps(r.r0, k), _mm_mul_ps(r.r1, k), _mm_mul_ps(r.r2, k), _mm_mul_ps(r.r3, k)});
  return out;
}

Matrix4x4* matrixShadow(Matrix4x4* out, const Vec4* light, const Plane* plane) {
  // Row i = (P . L) e_i - P_i L.
  __m128 p = normalisedPlane(load4(&plane->a));
  __m128 l = load4(&light->x);
  __m128 d = dot4(p, l);
  storeRows(out, {_mm_sub_ps(_mm_mul_ps(d, _mm_setr_ps(1, 0, 0, 0)), _mm_mul_ps(broadcast<0>(p), l)),
                  _mm_sub_ps(_mm_mul_ps(d, _mm_setr_ps(0, 1, 0, 0)), _mm_mul_ps(broadcast<1>(p), l)),
                  _mm_sub_ps(_mm_mul_ps(d, _mm_setr_ps(0, 0, 1, 0)), _mm_mul_ps(broadcast<2>(p), l)),
                  _mm_sub_ps(_mm_mul_ps(d, unitW()), _mm_mul_ps(broadcast<3>(p), l))});
  return out;
}

Matrix4x4* matrixReflect(Matrix4x4* out, const Plane* plane) {
  // Row i = e_i - 2 P_i (a, b, c, 0).
  __m128 p = normalisedPlane(load4(&plane->a));
  __m128 twiceNormal = _mm_mul_ps(_mm_mul_ps(p, xyzOnly()), _mm_set1_ps(2.0f));
  storeRows(out, {_mm_sub_ps(_mm_setr_ps(1, 0, 0, 0), _mm_mul_ps(broadcast<0>(p), twiceNormal)),
                  _mm_sub_ps(_mm_setr_ps(0, 1, 0, 0), _mm_mul_ps(broadcast<1>(p), twiceNormal)),
                  _mm_sub_ps(_mm_setr_ps(0, 0, 1, 0), _mm_mul_ps(broadcast<2>(p), twiceNormal)),
                  _mm_sub_ps(unitW(), _mm_mul_ps(broadcast<3>(p), twiceNormal))});
  return out;
}

// 4-vector cross product and quaternions.

Vec4* vec4Cross(Vec4* out, const Vec4* v1, const Vec4* v2, const Vec4* v3) {
  // With the lane patterns I1 = (y, x, x, x), I2 = (z, z, y, y), I3 = (w, w, w, z), the
  // result is the alternating-sign sum v1[I1] m(I2, I3) - v1[I2] m(I1, I3) + v1[I3] m(I1, I2)
  // of the 2 x 2 minors m(I, J) = v2[I] v3[J] - v2[J] v3[I].
  __m128 a = load4(&v1->x), b = load4(&v2->x), c = load4(&v3->x);
  auto minor = [&](__m128 bi, __m128 bj, __m128 ci, __m128 cj) {
    return _mm_sub_ps(_mm_mul_ps(bi, cj), _mm_mul_ps(bj, ci));
  };
  __m128 b1 = swizzle<1, 0, 0, 0>(b), b2 = swizzle<2, 2, 1, 1>(b), b3 = swizzle<3, 3, 3, 2>(b);
  __m128 c1 = swizzle<1, 0, 0, 0>(c), c2 = swizzle<2, 2, 1, 1>(c), c3 = swizzle<3, 3, 3, 2>(c);
  __m128 sum = _mm_mul_ps(swizzle<1, 0, 0, 0>(a), minor(b2, b3, c2, c3));
  sum = _mm_sub_ps(sum, _mm_mul_ps(swizzle<2, 2, 1, 1>(a), minor(b1, b3, c1, c3)));
  sum = _mm_add_ps(sum, _mm_mul_ps(swizzle<3, 3, 3, 2>(a), minor(b1, b2, c1, c2)));
  store4(&out->x, _mm_mul_ps(sum, alternateSigns()));
  return out;
}

Quaternion* quaternionMultiply(Quaternion* out, const Quaternion* q1, const Quaternion* q2) {
  store4(&out->x, hamilton(load4(&q2->x), load4(&q1->x)));
  return out;
}

Quaternion* quaternionInverse(Quaternion* out, const Quaternion* q) {
  __m128 a = load4(&q->x);
  __m128 squared = dot4(a, a);
  if (!(lane0(squared) > FLT_MIN)) {
    store4(&out->x, _mm_setzero_ps());
    return out;
  }
  store4(&out->x, _mm_div_ps(_mm_mul_ps(a, _mm_setr_ps(-1, -1, -1, 1)), squared));
  return out;
}

Quaternion* quaternionFromMatrix(Quaternion* out, const Matrix4x4* matrix) {
  // The same choice of the largest candidate as the portable form; each branch is one vector
  // of numerators, the candidate itself in its own lane, times 1 / (2 sqrt(candidate)).
  const auto& m = matrix->m;
  __m128 sums = _mm_add_ps(_mm_setr_ps(m[1][2], m[2][0], m[0][1], 0), _mm_setr_ps(m[2][1], m[0][2], m[1][0], 0));
  __m128 differences = _mm_sub_ps(_mm_setr_ps(m[1][2], m[2][0], m[0][1], 0), _mm_setr_ps(m[2][1], m[0][2], m[1][0], 0));
  alignas(16) float s[4], d[4];
  _mm_store_ps(s, sums);
  _mm_store_ps(d, differences);
  float trace = m[0][0] + m[1][1] + m[2][2];
  float candidate;
  __m128 numerators;
  if (trace > 0.0f) {
    candidate = trace + 1.0f;
    numerators = _mm_setr_ps(d[0], d[1], d[2], candidate);
  } else if (m[0][0] >= m[1][1] && m[0][0] >= m[2][2]) {
    candidate = 1.0f + m[0][0] - m[1][1] - m[2][2];
    numerators = _mm_setr_ps(candidate, s[2], s[1], d[0]);
  } else if (m[1][1] >= m[2][2]) {
    candidate = 1.0f + m[1][1] - m[0][0] - m[2][2];
    numerators = _mm_setr_ps(s[2], candidate, s[0], d[1]);
  } else {
    candidate = 1.0f + m[2][2] - m[0][0] - m[1][1];
    numerators = _mm_setr_ps(s[1], s[0], candidate, d[2]);
  }
  __m128 root = _mm_sqrt_ss(_mm_set_ss(candidate));
  __m128 scale = _mm_div_ss(_mm_set_ss(0.5f), root);
  store4(&out->x, _mm_mul_ps(numerators, broadcast<0>(scale)));
  return out;
}

Quaternion* quaternionFromYawPitchRoll(Quaternion* out, float yaw, float pitch, float roll) {
  float cy = std::cos(yaw * 0.5f), sy = std::sin(yaw * 0.5f);
  float cp = std::cos(pitch * 0.5f), sp = std::sin(pitch * 0.5f);
  float cr = std::cos(roll * 0.5f), sr = std::sin(roll * 0.5f);
  __m128 first =
      _mm_mul_ps(_mm_mul_ps(_mm_setr_ps(cy, sy, cy, cy), _mm_setr_ps(sp, cp, cp, cp)), _mm_setr_ps(cr, cr, sr, cr));
  __m128 second =
      _mm_mul_ps(_mm_mul_ps(_mm_setr_ps(sy, cy, sy, sy), _mm_setr_ps(cp, sp, sp, sp)), _mm_setr_ps(sr, sr, cr, sr));
  store4(&out->x, _mm_add_ps(first, _mm_mul_ps(second, _mm_setr_ps(1, -1, -1, 1))));
  return out;
}

// Planes.

Plane* planeFromPoints(Plane* out, const Vec3* v1, const Vec3* v2, const Vec3* v3) {
  __m128 a = load3(&v1->x);
  __m128 normal = cross3(_mm_sub_ps(load3(&v2->x), a), _mm_sub_ps(load3(&v3->x), a));
  normal = normalised(normal, dot4(normal, normal));
  float d = -lane0(dot4(normal, a));
  store3(&out->a, normal);
  out->d = d;
  return out;
}

Plane* planeNormalize(Plane* out, const Plane* p) {
  store4(&out->a, normalisedPlane(load4(&p->a)));
  return out;
}

Vec3* planeIntersectLine(Vec3* out, const Plane* p, const Vec3* v1, const Vec3* v2) {
  __m128 plane = load4(&p->a);
  __m128 start = load3(&v1->x);
  __m128 direction = _mm_sub_ps(load3(&v2->x), start);  // w = 0
  float along = lane0(dot4(plane, direction));
  if (along == 0.0f) return nullptr;
  float t = -lane0(dot4(plane, _mm_add_ps(start, unitW()))) / along;
  store3(&out->x, _mm_add_ps(start, _mm_mul_ps(_mm_set1_ps(t), direction)));
  return out;
}

// Half floats and skinning.

float* float16To32Array(float* out, const Float16Bits* in, UINT count) {
  // Placing the half's exponent and mantissa 13 bits up reads as a float 2^112 too small (its
  // subnormals included); one multiply by +-2^112 rebiases four values at once and puts the
  // sign back, a zero's too. Exponent 31 stays an ordinary exponent, as the format wants.
  // Subnormal halves rely on subnormal floats being honoured (no denormals-are-zero mode).
  const float signedScale[2] = {0x1p112f, -0x1p112f};
  auto magnitude = [](Float16Bits h) { return std::bit_cast<float>(static_cast<std::uint32_t>(h & 0x7FFFu) << 13); };
  auto scale = [&](Float16Bits h) { return signedScale[h >> 15]; };
  UINT i = 0;
  for (; i + 4 <= count; i += 4) {
    __m128 magnitudes = _mm_setr_ps(magnitude(in[i]), magnitude(in[i + 1]), magnitude(in[i + 2]), magnitude(in[i + 3]));
    __m128 scales = _mm_setr_ps(scale(in[i]), scale(in[i + 1]), scale(in[i + 2]), scale(in[i + 3]));
    _mm_storeu_ps(out + i, _mm_mul_ps(magnitudes, scales));
  }
  for (; i < count; ++i) _mm_store_ss(out + i, _mm_mul_ss(_mm_set_ss(magnitude(in[i])), _mm_set_ss(scale(in[i]))));
  return out;
}

void* skinnedMeshUpdate(void* destinationVertices, const void* sourceVertices, const SkinnedMeshDesc* desc) {
  // Accumulate first, write afterwards: the destination may be the source itself.
  const bool hasNormals = desc->normalOffset != SkinnedMeshDesc::kNoNormal;
  struct Sum {
    __m128 value;
  };
  std::vector<Sum> positions(desc->vertexCount, Sum{_mm_setzero_ps()});
  std::vector<Sum> normals(hasNormals ? desc->vertexCount : 0, Sum{_mm_setzero_ps()});
  const auto* source = static_cast<const BYTE*>(sourceVertices);
  for (UINT b = 0; b < desc->boneCount; ++b) {
    const SkinnedBone& bone = desc->bones[b];
    Rows rows = loadRows(bone.transform);
    for (UINT i = 0; i < bone.influenceCount; ++i) {
      UINT index = bone.vertices[i];
      if (index >= desc->vertexCount) continue;
      const BYTE* vertex = source + static_cast<std::size_t>(index) * desc->vertexStride;
      __m128 weight = _mm_set1_ps(bone.weights[i]);
      __m128 moved = transformPoint3(load3(reinterpret_cast<const float*>(vertex)), rows);
      positions[index].value = _mm_add_ps(positions[index].value, _mm_mul_ps(moved, weight));
      if (hasNormals) {
        __m128 turned = transformNormal3(load3(reinterpret_cast<const float*>(vertex + desc->normalOffset)), rows);
        normals[index].value = _mm_add_ps(normals[index].value, _mm_mul_ps(turned, weight));
      }
    }
  }
  auto* destination = static_cast<BYTE*>(destinationVertices);
  for (UINT v = 0; v < desc->vertexCount; ++v) {
    BYTE* vertex = destination + static_cast<std::size_t>(v) * desc->vertexStride;
    store3(reinterpret_cast<float*>(vertex), positions[v].value);
    if (hasNormals) {
      __m128 n = _mm_mul_ps(normals[v].value, xyzOnly());
      store3(reinterpret_cast<float*>(vertex + desc->normalOffset), normalised(n, dot4(n, n)));
    }
  }
  return destinationVertices;
}

}  // namespace math_sse

void installSseArrayTransforms(MathRoutineTable& table) {
  table.vec2TransformArray = &math_sse::vec2TransformArray;
  table.vec2TransformCoordArray = &math_sse::vec2TransformCoordArray;
  table.vec2TransformNormalArray = &math_sse::vec2TransformNormalArray;
  table.vec3TransformArray = &math_sse::vec3TransformArray;
  table.vec3TransformCoordArray = &math_sse::vec3TransformCoordArray;
  table.vec3TransformNormalArray = &math_sse::vec3TransformNormalArray;
  table.vec4TransformArray = &math_sse::vec4TransformArray;
  table.planeTransformArray = &math_sse::planeTransformArray;
}

void installSseRoutines(MathRoutineTable& table) {
  table.vec2Transform = &math_sse::vec2Transform;
  table.vec2TransformCoord = &math_sse::vec2TransformCoord;
  table.vec2TransformNormal = &math_sse::vec2TransformNormal;
  table.vec3Transform = &math_sse::vec3Transform;
  table.vec3TransformCoord = &math_sse::vec3TransformCoord;
  table.vec3TransformNormal = &math_sse::vec3TransformNormal;
  table.vec2TransformArray = &math_sse::vec2TransformArray;
  table.vec2TransformCoordArray = &math_sse::vec2TransformCoordArray;
  table.vec2TransformNormalArray = &math_sse::vec2TransformNormalArray;
  table.vec3TransformArray = &math_sse::vec3TransformArray;
  table.vec3TransformCoordArray = &math_sse::vec3TransformCoordArray;
  table.vec3TransformNormalArray = &math_sse::vec3TransformNormalArray;
  table.vec3Normalize = &math_sse::vec3Normalize;
  table.vec4Normalize = &math_sse::vec4Normalize;
  table.quaternionNormalize = &math_sse::quaternionNormalize;
  table.matrixMultiply = &math_sse::matrixMultiply;
  table.matrixMultiplyTranspose = &math_sse::matrixMultiplyTranspose;
  table.matrixDeterminant = &math_sse::matrixDeterminant;
  table.matrixInverse = &math_sse::matrixInverse;
  table.vec4Cross = &math_sse::vec4Cross;
  table.quaternionMultiply = &math_sse::quaternionMultiply;
  table.quaternionFromMatrix = &math_sse::quaternionFromMatrix;
  table.quaternionFromYawPitchRoll = &math_sse::quaternionFromYawPitchRoll;
  table.quaternionInverse = &math_sse::quaternionInverse;
  table.planeFromPoints = &math_sse::planeFromPoints;
  table.planeNormalize = &math_sse::planeNormalize;
  table.planeIntersectLine = &math_sse::planeIntersectLine;
  table.matrixShadow = &math_sse::matrixShadow;
  table.matrixReflect = &math_sse::matrixReflect;
  SplineEntryPoints<math_sse::SplineForms>::install(table);
  table.float16To32Array = &math_sse::float16To32Array;
  table.skinnedMeshUpdate = &math_sse::skinnedMeshUpdate;
}
