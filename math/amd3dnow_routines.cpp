// The 3DNow! set: two-float SIMD in the MMX registers. Installed in layers by processor
// feature: 3DNow! with MMX gives the single-element routines below; the 3DNow! extensions
// with extended MMX add the quaternion/matrix conversions; SSE (on processors that have it
// too) gives the array transforms. Every routine ends with FEMMS so the x87 unit is clean for
// whatever runs next.
#include <mm3dnow.h>

#include <cfloat>
#include <cmath>
#include <cstring>

#include "math/variant_sets.h"

namespace math_3dnow {
namespace {

// GCC turns the two-float add, multiply and subtract builtins (and PSWAPD) into SSE code in
// 64-bit builds; these keep the real 3DNow! instructions, in MMX registers.
inline __m64 pfadd(__m64 a, __m64 b) {
  __asm__("pfadd %1, %0" : "+y"(a) : "y"(b));
  return a;
}
inline __m64 pfsub(__m64 a, __m64 b) {
  __asm__("pfsub %1, %0" : "+y"(a) : "y"(b));
  return a;
}
inline __m64 pfmul(__m64 a, __m64 b) {
  __asm__("pfmul %1, %0" : "+y"(a) : "y"(b));
  return a;
}
inline __m64 pswapd(__m64 a) {
  __m64 swapped;
  __asm__("pswapd %1, %0" : "=y"(swapped) : "y"(a));
  return swapped;
}

// A pair of floats in an MMX register.
inline __m64 loadPair(const float* p) {
  __m64 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void storePair(float* p, __m64 v) { std::memcpy(p, &v, sizeof v); }
inline __m64 loadSingle(const float* p) { return _m_from_float(*p); }  // (p[0], 0)
inline void storeSingle(float* p, __m64 v) { *p = _m_to_float(v); }
inline __m64 pair(float a, float b) { return _m_punpckldq(_m_from_float(a), _m_from_float(b)); }
inline __m64 splatLow(__m64 v) { return _m_punpckldq(v, v); }
inline __m64 splatHigh(__m64 v) { return _m_punpckhdq(v, v); }
inline __m64 splat(float a) { return splatLow(_m_from_float(a)); }
// (a0 + a1, a0 + a1).
inline __m64 sumBoth(__m64 a) { return _m_pfacc(a, a); }

// 1 / sqrt(s) and 1 / d in both lanes, refined from the 15-bit estimates to full precision.
inline __m64 reciprocalSqrt(__m64 s) {
  __m64 estimate = _m_pfrsqrt(s);
  __m64 step = _m_pfrsqit1(pfmul(estimate, estimate), s);
  return _m_pfrcpit2(step, estimate);
}
inline __m64 reciprocal(__m64 d) {
  __m64 estimate = _m_pfrcp(d);
  return _m_pfrcpit2(_m_pfrcpit1(d, estimate), estimate);
}

// Four floats as two pairs.
struct Quad {
  __m64 xy, zw;
};
inline Quad loadQuad(const float* p) { return {loadPair(p), loadPair(p + 2)}; }
inline void storeQuad(float* p, const Quad& q) {
  storePair(p, q.xy);
  storePair(p + 2, q.zw);
}

// Row i of the matrix, scaled by the pair k: (k m[i][0], k m[i][1]) and (k m[i][2], k m[i][3]).
inline Quad scaledRow(__m64 k, const Matrix4x4& m, int i) {
  return {pfmul(k, loadPair(m.m[i])), pfmul(k, loadPair(m.m[i] + 2))};
}
inline Quad add(const Quad& a, const Quad& b) { return {pfadd(a.xy, b.xy), pfadd(a.zw, b.zw)}; }

// (x, y, z, w) x M, with the factors given as pairs (x, x) ...
inline Quad transform(__m64 x, __m64 y, __m64 z, __m64 w, const Matrix4x4& m) {
  return add(add(scaledRow(x, m, 0), scaledRow(y, m, 1)), add(scaledRow(z, m, 2), scaledRow(w, m, 3)));
}
inline Quad row3(const Matrix4x4& m) { return loadQuad(m.m[3]); }
inline Quad point2(const float* v, const Matrix4x4& m) {
  __m64 xy = loadPair(v);
  return add(add(scaledRow(splatLow(xy), m, 0), scaledRow(splatHigh(xy), m, 1)), row3(m));
}
inline Quad normal2(const float* v, const Matrix4x4& m) {
  __m64 xy = loadPair(v);
  return add(scaledRow(splatLow(xy), m, 0), scaledRow(splatHigh(xy), m, 1));
}
inline Quad normal3(const float* v, const Matrix4x4& m) {
  return add(normal2(v, m), scaledRow(splatLow(loadSingle(v + 2)), m, 2));
}
inline Quad point3(const float* v, const Matrix4x4& m) { return add(normal3(v, m), row3(m)); }
inline Quad byW(const Quad& q) {
  __m64 k = reciprocal(splatHigh(q.zw));
  return {pfmul(q.xy, k), pfmul(q.zw, k)};
}

// Scales `pairs` pairs of floats (the last one possibly a single) to unit length under the
// portable rule: within 2^-23 of unit length kept, below the smallest normal float zeroed.
template <int Floats>
inline void normalise(float* out, const float* in) {
  constexpr int kPairs = (Floats + 1) / 2;
  __m64 parts[kPairs];
  for (int i = 0; i < kPairs; ++i) parts[i] = (2 * i + 1 < Floats) ? loadPair(in + 2 * i) : loadSingle(in + 2 * i);
  __m64 squares = pfmul(parts[0], parts[0]);
  for (int i = 1; i < kPairs; ++i) squares = pfadd(squares, pfmul(parts[i], parts[i]));
  __m64 squared = sumBoth(squares);
  float s = _m_to_float(squared);
  if (std::fabs(s - 1.0f) <= FLT_EPSILON) {
    for (int i = 0; i < kPairs; ++i) parts[i] = parts[i];
  } else if (s > FLT_MIN) {
    __m64 k = reciprocalSqrt(squared);
    for (int i = 0; i < kPairs; ++i) parts[i] = pfmul(parts[i], k);
  } else {
    for (int i = 0; i < kPairs; ++i) parts[i] = _mm_setzero_si64();
  }
  for (int i = 0; i < kPairs; ++i) {
    if (2 * i + 1 < Floats) {
      storePair(out + 2 * i, parts[i]);
    } else {
      storeSingle(out + 2 * i, parts[i]);
    }
  }
  _m_femms();
}

// Weighted sum of four records of `Floats` floats: out = k0 a + k1 b + k2 c + k3 d.
template <int Floats>
inline void weightedSum(float* out, float k0, const float* a, float k1, const float* b, float k2, const float* c,
                        float k3, const float* d) {
  __m64 w0 = splat(k0), w1 = splat(k1), w2 = splat(k2), w3 = splat(k3);
  for (int i = 0; i < Floats; i += 2) {
    bool whole = i + 1 < Floats;
    auto load = [&](const float* p) { return whole ? loadPair(p + i) : loadSingle(p + i); };
    __m64 sum = pfadd(pfadd(pfmul(w0, load(a)), pfmul(w1, load(b))), pfadd(pfmul(w2, load(c)), pfmul(w3, load(d))));
    if (whole) {
      storePair(out + i, sum);
    } else {
      storeSingle(out + i, sum);
    }
  }
  _m_femms();
}

template <int Floats>
inline void hermite(float* out, const float* v1, const float* t1, const float* v2, const float* t2, float s) {
  float s2 = s * s, s3 = s2 * s;
  weightedSum<Floats>(out, 2 * s3 - 3 * s2 + 1, v1, s3 - 2 * s2 + s, t1, -2 * s3 + 3 * s2, v2, s3 - s2, t2);
}

template <int Floats>
inline void catmullRom(float* out, const float* v0, const float* v1, const float* v2, const float* v3, float s) {
  float s2 = s * s, s3 = s2 * s;
  weightedSum<Floats>(out, 0.5f * (-s3 + 2 * s2 - s), v0, 0.5f * (3 * s3 - 5 * s2 + 2), v1,
                      0.5f * (-3 * s3 + 4 * s2 + s), v2, 0.5f * (s3 - s2), v3);
}

template <int Floats>
inline void baryCentric(float* out, const float* v1, const float* v2, const float* v3, float f, float g) {
  // v1 + f (v2 - v1) + g (v3 - v1) = (1 - f - g) v1 + f v2 + g v3.
  __m64 wf = splat(f), wg = splat(g);
  for (int i = 0; i < Floats; i += 2) {
    bool whole = i + 1 < Floats;
    auto load = [&](const float* p) { return whole ? loadPair(p + i) : loadSingle(p + i); };
    __m64 a = load(v1);
    __m64 sum = pfadd(a, pfadd(pfmul(wf, pfsub(load(v2), a)), pfmul(wg, pfsub(load(v3), a))));
    if (whole) {
      storePair(out + i, sum);
    } else {
      storeSingle(out + i, sum);
    }
  }
  _m_femms();
}

}  // namespace

// Transforms.

Vec4* vec2Transform(Vec4* out, const Vec2* v, const Matrix4x4* m) {
  storeQuad(&out->x, point2(&v->x, *m));
  _m_femms();
  return out;
}
Vec2* vec2TransformCoord(Vec2* out, const Vec2* v, const Matrix4x4* m) {
  storePair(&out->x, byW(point2(&v->x, *m)).xy);
  _m_femms();
  return out;
}
Vec2* vec2TransformNormal(Vec2* out, const Vec2* v, const Matrix4x4* m) {
  storePair(&out->x, normal2(&v->x, *m).xy);
  _m_femms();
  return out;
}
Vec4* vec3Transform(Vec4* out, const Vec3* v, const Matrix4x4* m) {
  storeQuad(&out->x, point3(&v->x, *m));
  _m_femms();
  return out;
}
Vec3* vec3TransformCoord(Vec3* out, const Vec3* v, const Matrix4x4* m) {
  Quad q = byW(point3(&v->x, *m));
  storePair(&out->x, q.xy);
  storeSingle(&out->z, q.zw);
  _m_femms();
  return out;
}
Vec3* vec3TransformNormal(Vec3* out, const Vec3* v, const Matrix4x4* m) {
  Quad q = normal3(&v->x, *m);
  storePair(&out->x, q.xy);
  storeSingle(&out->z, q.zw);
  _m_femms();
  return out;
}
Vec4* vec4Transform(Vec4* out, const Vec4* v, const Matrix4x4* m) {
  Quad in = loadQuad(&v->x);
  storeQuad(&out->x, transform(splatLow(in.xy), splatHigh(in.xy), splatLow(in.zw), splatHigh(in.zw), *m));
  _m_femms();
  return out;
}
Plane* planeTransform(Plane* out, const Plane* p, const Matrix4x4* m) {
  math_3dnow::vec4Transform(reinterpret_cast<Vec4*>(out), reinterpret_cast<const Vec4*>(p), m);
  return out;
}

// Normalisers.

Vec2* vec2Normalize(Vec2* out, const Vec2* v) {
  normalise<2>(&out->x, &v->x);
  return out;
}
Vec3* vec3Normalize(Vec3* out, const Vec3* v) {
  normalise<3>(&out->x, &v->x);
  return out;
}
Vec4* vec4Normalize(Vec4* out, const Vec4* v) {
  normalise<4>(&out->x, &v->x);
  return out;
}
Quaternion* quaternionNormalize(Quaternion* out, const Quaternion* q) {
  normalise<4>(&out->x, &q->x);
  return out;
}

// Matrix products.

Matrix4x4* matrixMultiply(Matrix4x4* out, const Matrix4x4* a, const Matrix4x4* b) {
  Quad rows[4];
  for (int i = 0; i < 4; ++i) {
    Quad r = loadQuad(a->m[i]);
    rows[i] = transform(splatLow(r.xy), splatHigh(r.xy), splatLow(r.zw), splatHigh(r.zw), *b);
  }
  for (int i = 0; i < 4; ++i) storeQuad(out->m[i], rows[i]);  // after every read: out may be a or b
  _m_femms();
  return out;
}

Matrix4x4* matrixMultiplyTranspose(Matrix4x4* out, const Matrix4x4* a, const Matrix4x4* b) {
  Quad rows[4];
  for (int i = 0; i < 4; ++i) {
    Quad r = loadQuad(a->m[i]);
    rows[i] = transform(splatLow(r.xy), splatHigh(r.xy), splatLow(r.zw), splatHigh(r.zw), *b);
  }
  // Transpose 2 x 2 blocks with the MMX unpacks.
  for (int i = 0; i < 4; i += 2) {
    storePair(&out->m[0][i], _m_punpckldq(rows[i].xy, rows[i + 1].xy));
    storePair(&out->m[1][i], _m_punpckhdq(rows[i].xy, rows[i + 1].xy));
    storePair(&out->m[2][i], _m_punpckldq(rows[i].zw, rows[i + 1].zw));
    storePair(&out->m[3][i], _m_punpckhdq(rows[i].zw, rows[i + 1].zw));
  }
  _m_femms();
  return out;
}

// Quaternions and planes.

Quaternion* quaternionMultiply(Quaternion* out, const Quaternion* q1, const Quaternion* q2) {
  // The Hamilton product q2 q1 as four pair rows: q2.w q1 + q2.x (w, -z, y, -x) + q2.y (z, w,
  // -x, -y) + q2.z (-y, x, w, -z) over q1's components.
  float x = q1->x, y = q1->y, z = q1->z, w = q1->w;
  Quad q = loadQuad(&q2->x);
  __m64 ax = splatLow(q.xy), ay = splatHigh(q.xy), az = splatLow(q.zw), aw = splatHigh(q.zw);
  __m64 xy =
      pfadd(pfadd(pfmul(aw, pair(x, y)), pfmul(ax, pair(w, -z))), pfadd(pfmul(ay, pair(z, w)), pfmul(az, pair(-y, x))));
  __m64 zw = pfadd(pfadd(pfmul(aw, pair(z, w)), pfmul(ax, pair(y, -x))),
                   pfadd(pfmul(ay, pair(-x, -y)), pfmul(az, pair(w, -z))));
  storeQuad(&out->x, {xy, zw});
  _m_femms();
  return out;
}

Plane* planeFromPointNormal(Plane* out, const Vec3* point, const Vec3* normal) {
  __m64 products =
      pfadd(pfmul(loadPair(&point->x), loadPair(&normal->x)), pfmul(loadSingle(&point->z), loadSingle(&normal->z)));
  __m64 dot = sumBoth(products);
  storePair(&out->a, loadPair(&normal->x));
  out->c = normal->z;
  storeSingle(&out->d, pfsub(_mm_setzero_si64(), dot));
  _m_femms();
  return out;
}

Plane* planeNormalize(Plane* out, const Plane* p) {
  Quad q = loadQuad(&p->a);
  __m64 c = _m_punpckldq(q.zw, _mm_setzero_si64());  // (c, 0)
  __m64 squared = sumBoth(pfadd(pfmul(q.xy, q.xy), pfmul(c, c)));
  if (_m_to_float(squared) > FLT_MIN) {
    __m64 k = reciprocalSqrt(squared);
    storeQuad(&out->a, {pfmul(q.xy, k), pfmul(q.zw, k)});
  } else {
    storeQuad(&out->a, {_mm_setzero_si64(), _mm_setzero_si64()});
  }
  _m_femms();
  return out;
}

// Splines and barycentric forms.

Vec2* vec2Hermite(Vec2* out, const Vec2* v1, const Vec2* t1, const Vec2* v2, const Vec2* t2, float s) {
  hermite<2>(&out->x, &v1->x, &t1->x, &v2->x, &t2->x, s);
  return out;
}
Vec3* vec3Hermite(Vec3* out, const Vec3* v1, const Vec3* t1, const Vec3* v2, const Vec3* t2, float s) {
  hermite<3>(&out->x, &v1->x, &t1->x, &v2->x, &t2->x, s);
  return out;
}
Vec4* vec4Hermite(Vec4* out, const Vec4* v1, const Vec4* t1, const Vec4* v2, const Vec4* t2, float s) {
  hermite<4>(&out->x, &v1->x, &t1->x, &v2->x, &t2->x, s);
  return out;
}
Vec2* vec2CatmullRom(Vec2* out, const Vec2* v0, const Vec2* v1, const Vec2* v2, const Vec2* v3, float s) {
  catmullRom<2>(&out->x, &v0->x, &v1->x, &v2->x, &v3->x, s);
  return out;
}
Vec3* vec3CatmullRom(Vec3* out, const Vec3* v0, const Vec3* v1, const Vec3* v2, const Vec3* v3, float s) {
  catmullRom<3>(&out->x, &v0->x, &v1->x, &v2->x, &v3->x, s);
  return out;
}
Vec4* vec4CatmullRom(Vec4* out, const Vec4* v0, const Vec4* v1, const Vec4* v2, const Vec4* v3, float s) {
  catmullRom<4>(&out->x, &v0->x, &v1->x, &v2->x, &v3->x, s);
  return out;
}
Vec2* vec2BaryCentric(Vec2* out, const Vec2* v1, const Vec2* v2, const Vec2* v3, float f, float g) {
  baryCentric<2>(&out->x, &v1->x, &v2->x, &v3->x, f, g);
  return out;
}
Vec3* vec3BaryCentric(Vec3* out, const Vec3* v1, const Vec3* v2, const Vec3* v3, float f, float g) {
  baryCentric<3>(&out->x, &v1->x, &v2->x, &v3->x, f, g);
  return out;
}
Vec4* vec4BaryCentric(Vec4* out, const Vec4* v1, const Vec4* v2, const Vec4* v3, float f, float g) {
  baryCentric<4>(&out->x, &v1->x, &v2->x, &v3->x, f, g);
  return out;
}

// Extension layer: PSWAPD swaps a pair's halves in one instruction.

Matrix4x4* matrixFromQuaternion(Matrix4x4* out, const Quaternion* q) {
  // Products of the doubled components: xx, yy, zz, xy, xz, yz, xw, yw, zw.
  Quad v = loadQuad(&q->x);
  __m64 twice = pfadd(v.xy, v.xy), twiceZw = pfadd(v.zw, v.zw);  // (2x, 2y), (2z, 2w)
  __m64 xxYy = pfmul(v.xy, twice);                               // (2xx, 2yy)
  __m64 xyYx = pfmul(v.xy, pswapd(twice));                       // (2xy, 2xy)
  __m64 zzWw = pfmul(v.zw, twiceZw);                             // (2zz, 2ww)
  __m64 xzYw = pfmul(v.xy, twiceZw);                             // (2xz, 2yw)
  __m64 xwYz = pfmul(v.xy, pswapd(twiceZw));                     // (2xw, 2yz)
  __m64 zw = pfmul(v.zw, pswapd(twiceZw));                       // (2zw, 2zw)
  float xx = _m_to_float(xxYy), yy = _m_to_float(splatHigh(xxYy)), zz = _m_to_float(zzWw);
  float xy = _m_to_float(xyYx), xz = _m_to_float(xzYw), yw = _m_to_float(splatHigh(xzYw));
  float xw = _m_to_float(xwYz), yz = _m_to_float(splatHigh(xwYz)), zwValue = _m_to_float(zw);
  _m_femms();
  *out = Matrix4x4{{{1 - yy - zz, xy + zwValue, xz - yw, 0},
                    {xy - zwValue, 1 - xx - zz, yz + xw, 0},
                    {xz + yw, yz - xw, 1 - xx - yy, 0},
                    {0, 0, 0, 1}}};
  return out;
}

}  // namespace math_3dnow

bool install3dNowRoutines(MathRoutineTable& table, std::uint32_t features) {
  if ((features & (kFeatureMmx | kFeature3dNow)) == (kFeatureMmx | kFeature3dNow)) {
    table.vec2Transform = &math_3dnow::vec2Transform;
    table.vec2TransformCoord = &math_3dnow::vec2TransformCoord;
    table.vec2TransformNormal = &math_3dnow::vec2TransformNormal;
    table.vec3Transform = &math_3dnow::vec3Transform;
    table.vec3TransformCoord = &math_3dnow::vec3TransformCoord;
    table.vec3TransformNormal = &math_3dnow::vec3TransformNormal;
    table.vec4Transform = &math_3dnow::vec4Transform;
    table.planeTransform = &math_3dnow::planeTransform;
    table.vec2Normalize = &math_3dnow::vec2Normalize;
    table.vec3Normalize = &math_3dnow::vec3Normalize;
    table.vec4Normalize = &math_3dnow::vec4Normalize;
    table.quaternionNormalize = &math_3dnow::quaternionNormalize;
    table.matrixMultiply = &math_3dnow::matrixMultiply;
    table.matrixMultiplyTranspose = &math_3dnow::matrixMultiplyTranspose;
    table.quaternionMultiply = &math_3dnow::quaternionMultiply;
    table.planeFromPointNormal = &math_3dnow::planeFromPointNormal;
    table.planeNormalize = &math_3dnow::planeNormalize;
    table.vec2Hermite = &math_3dnow::vec2Hermite;
    table.vec3Hermite = &math_3dnow::vec3Hermite;
    table.vec4Hermite = &math_3dnow::vec4Hermite;
    table.vec2CatmullRom = &math_3dnow::vec2CatmullRom;
    table.vec3CatmullRom = &math_3dnow::vec3CatmullRom;
    table.vec4CatmullRom = &math_3dnow::vec4CatmullRom;
    table.vec2BaryCentric = &math_3dnow::vec2BaryCentric;
    table.vec3BaryCentric = &math_3dnow::vec3BaryCentric;
    table.vec4BaryCentric = &math_3dnow::vec4BaryCentric;
    constexpr std::uint32_t kExtensions = kFeature3dNowExt | kFeatureMmxExt;
    if ((features & kExtensions) == kExtensions) table.matrixFromQuaternion = &math_3dnow::matrixFromQuaternion;
  }
  if ((features & kFeatureSse) != 0) installSseArrayTransforms(table);
  return true;
}
