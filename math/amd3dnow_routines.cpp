// The 3DNow! set: two-float SIMD in the MMX registers. Installed in layers by processor
// feature: 3DNow! with MMX gives the single-element routines below; the 3DNow! extensions
// with extended MMX add the quaternion/matrix conversions; SSE (on processors that have it
// too) gives the array transforms. Every routine ends with FEMMS so the x87 unit is clean for
// whatever runs next.
#include <bit>
#include <cfloat>
#include <cmath>
#include <initializer_list>

#include "math/amd3dnow_ops.h"
#include "math/portable_routines.h"
#include "math/spline_entry_points.h"
#include "math/variant_sets.h"

// The same source builds the real set and, for tests, a model of it (see amd3dnow_ops.h);
// the two get their own names so both can live in one program.
#ifdef PRISM_MATH_3DNOW_MODEL
#define PRISM_3DNOW_NAMESPACE math_3dnow_model
#define PRISM_3DNOW_INSTALLER install3dNowModelRoutines
#else
#define PRISM_3DNOW_NAMESPACE math_3dnow
#define PRISM_3DNOW_INSTALLER install3dNowRoutines
#endif

namespace PRISM_3DNOW_NAMESPACE {
namespace {

using namespace math_3dnow_ops;

// Four floats as two pairs.
struct Quad {
  Pair xy, zw;
};
inline Quad loadQuad(const float* p) { return {loadPair(p), loadPair(p + 2)}; }
inline void storeQuad(float* p, const Quad& q) {
  storePair(p, q.xy);
  storePair(p + 2, q.zw);
}

// Row i of the matrix, scaled by the pair k: (k m[i][0], k m[i][1]) and (k m[i][2], k m[i][3]).
inline Quad scaledRow(Pair k, const Matrix4x4& m, int i) {
  return {pfmul(k, loadPair(m.m[i])), pfmul(k, loadPair(m.m[i] + 2))};
}
inline Quad add(const Quad& a, const Quad& b) { return {pfadd(a.xy, b.xy), pfadd(a.zw, b.zw)}; }

// (x, y, z, w) x M, with the factors given as pairs (x, x) ...
inline Quad transform(Pair x, Pair y, Pair z, Pair w, const Matrix4x4& m) {
  return add(add(scaledRow(x, m, 0), scaledRow(y, m, 1)), add(scaledRow(z, m, 2), scaledRow(w, m, 3)));
}
inline Quad row3(const Matrix4x4& m) { return loadQuad(m.m[3]); }
inline Quad point2(const float* v, const Matrix4x4& m) {
  Pair xy = loadPair(v);
  return add(add(scaledRow(splatLow(xy), m, 0), scaledRow(splatHigh(xy), m, 1)), row3(m));
}
inline Quad normal2(const float* v, const Matrix4x4& m) {
  Pair xy = loadPair(v);
  return add(scaledRow(splatLow(xy), m, 0), scaledRow(splatHigh(xy), m, 1));
}
inline Quad normal3(const float* v, const Matrix4x4& m) {
  return add(normal2(v, m), scaledRow(splatLow(loadSingle(v + 2)), m, 2));
}
inline Quad point3(const float* v, const Matrix4x4& m) { return add(normal3(v, m), row3(m)); }
inline Quad byW(const Quad& q) {
  Pair k = reciprocal(splatHigh(q.zw));
  return {pfmul(q.xy, k), pfmul(q.zw, k)};
}

// Scales `pairs` pairs of floats (the last one possibly a single) to unit length under the
// portable rule: within 2^-23 of unit length kept, below the smallest normal float zeroed.
template <int Floats>
inline void normalise(float* out, const float* in) {
  constexpr int kPairs = (Floats + 1) / 2;
  Pair parts[kPairs];
  for (int i = 0; i < kPairs; ++i) parts[i] = (2 * i + 1 < Floats) ? loadPair(in + 2 * i) : loadSingle(in + 2 * i);
  Pair squares = pfmul(parts[0], parts[0]);
  for (int i = 1; i < kPairs; ++i) squares = pfadd(squares, pfmul(parts[i], parts[i]));
  Pair squared = sumBoth(squares);
  float s = lowFloat(squared);
  if (std::fabs(s - 1.0f) <= FLT_EPSILON) {
    for (int i = 0; i < kPairs; ++i) parts[i] = parts[i];
  } else if (s > FLT_MIN) {
    Pair k = reciprocalSqrt(squared);
    for (int i = 0; i < kPairs; ++i) parts[i] = pfmul(parts[i], k);
  } else {
    for (int i = 0; i < kPairs; ++i) parts[i] = zeroPair();
  }
  for (int i = 0; i < kPairs; ++i) {
    if (2 * i + 1 < Floats) {
      storePair(out + 2 * i, parts[i]);
    } else {
      storeSingle(out + 2 * i, parts[i]);
    }
  }
  femms();
}

// Weighted sum of four records of `Floats` floats: out = k0 a + k1 b + k2 c + k3 d.
template <int Floats>
inline void weightedSum(float* out, float k0, const float* a, float k1, const float* b, float k2, const float* c,
                        float k3, const float* d) {
  Pair w0 = splat(k0), w1 = splat(k1), w2 = splat(k2), w3 = splat(k3);
  for (int i = 0; i < Floats; i += 2) {
    bool whole = i + 1 < Floats;
    auto load = [&](const float* p) { return whole ? loadPair(p + i) : loadSingle(p + i); };
    Pair sum = pfadd(pfadd(pfmul(w0, load(a)), pfmul(w1, load(b))), pfadd(pfmul(w2, load(c)), pfmul(w3, load(d))));
    if (whole) {
      storePair(out + i, sum);
    } else {
      storeSingle(out + i, sum);
    }
  }
  femms();
}

// The spline forms in this set's arithmetic, for the routine table's entries.
struct SplineForms {
  template <int Floats>
  static void hermite(float* out, const float* v1, const float* t1, const float* v2, const float* t2, float s) {
    float s2 = s * s, s3 = s2 * s;
    weightedSum<Floats>(out, 2 * s3 - 3 * s2 + 1, v1, s3 - 2 * s2 + s, t1, -2 * s3 + 3 * s2, v2, s3 - s2, t2);
  }

  template <int Floats>
  static void catmullRom(float* out, const float* v0, const float* v1, const float* v2, const float* v3, float s) {
    float s2 = s * s, s3 = s2 * s;
    weightedSum<Floats>(out, 0.5f * (-s3 + 2 * s2 - s), v0, 0.5f * (3 * s3 - 5 * s2 + 2), v1,
                        0.5f * (-3 * s3 + 4 * s2 + s), v2, 0.5f * (s3 - s2), v3);
  }

  template <int Floats>
  static void baryCentric(float* out, const float* v1, const float* v2, const float* v3, float f, float g) {
    // v1 + f (v2 - v1) + g (v3 - v1) = (1 - f - g) v1 + f v2 + g v3.
    Pair wf = splat(f), wg = splat(g);
    for (int i = 0; i < Floats; i += 2) {
      bool whole = i + 1 < Floats;
      auto load = [&](const float* p) { return whole ? loadPair(p + i) : loadSingle(p + i); };
      Pair a = load(v1);
      Pair sum = pfadd(a, pfadd(pfmul(wf, pfsub(load(v2), a)), pfmul(wg, pfsub(load(v3), a))));
      if (whole) {
        storePair(out + i, sum);
      } else {
        storeSingle(out + i, sum);
      }
    }
    femms();
  }
};

// The six 2 x 2 minors of rows u and l of a matrix (u_i l_j - l_i u_j) as pairs (01, 02),
// (03, 12), (13, 23).
struct RowMinors {
  Pair m01m02, m03m12, m13m23;
};
inline RowMinors rowMinors(const float* u, const float* l) {
  return {pfsub(pfmul(splat(u[0]), loadPair(l + 1)), pfmul(splat(l[0]), loadPair(u + 1))),
          pfsub(pfmul(loadPair(u), pair(l[3], l[2])), pfmul(loadPair(l), pair(u[3], u[2]))),
          pfsub(pfmul(loadPair(u + 1), splat(l[3])), pfmul(loadPair(l + 1), splat(u[3])))};
}
// (hi, lo): one PSWAPD with the extensions, two unpacks without.
template <bool Extensions = false>
inline Pair swapped(Pair a) {
  if constexpr (Extensions) {
    return pswapd(a);
  } else {
    return interleaveLow(splatHigh(a), a);
  }
}

// The determinant from the minors of the top (s) and bottom (c) row pairs:
// s0 c5 - s1 c4 + s2 c3 + s3 c2 - s4 c1 + s5 c0.
template <bool Extensions>
inline Pair determinantOf(const RowMinors& s, const RowMinors& c) {
  Pair first = pfmul(s.m01m02, swapped<Extensions>(c.m13m23));   // (s0 c5, s1 c4)
  Pair second = pfmul(s.m03m12, swapped<Extensions>(c.m03m12));  // (s2 c3, s3 c2)
  Pair third = pfmul(s.m13m23, swapped<Extensions>(c.m01m02));   // (s4 c1, s5 c0)
  Pair sum = pfadd(pfsub(first, splatHigh(first)), sumBoth(second));
  return splatLow(pfadd(sum, pfsub(splatHigh(third), third)));
}

// Normalised plane (by its normal's length), zeros for a plane without a normal.
inline Quad normalisedPlane(const Plane& p) {
  Quad q = loadQuad(&p.a);
  Pair c = interleaveLow(q.zw, zeroPair());
  Pair squared = sumBoth(pfadd(pfmul(q.xy, q.xy), pfmul(c, c)));
  if (!(lowFloat(squared) > FLT_MIN)) return {zeroPair(), zeroPair()};
  Pair k = reciprocalSqrt(squared);
  return {pfmul(q.xy, k), pfmul(q.zw, k)};
}

// The matrix of a quaternion from the doubled products, without the extension instructions.
inline void quaternionMatrix(Matrix4x4* out, float xx, float yy, float zz, float xy, float xz, float yz, float xw,
                             float yw, float zw) {
  storeQuad(out->m[0], {pfsub(pair(1, xy), pair(yy + zz, -zw)), pair(xz - yw, 0)});
  storeQuad(out->m[1], {pfsub(pair(xy, 1), pair(zw, xx + zz)), pair(yz + xw, 0)});
  storeQuad(out->m[2], {pfadd(pair(xz, yz), pair(yw, -xw)), pfsub(pair(1, 0), pair(xx + yy, 0))});
  storeQuad(out->m[3], {zeroPair(), pair(0, 1)});
}

}  // namespace

// Transforms.

Vec4* vec2Transform(Vec4* out, const Vec2* v, const Matrix4x4* m) {
  storeQuad(&out->x, point2(&v->x, *m));
  femms();
  return out;
}
Vec2* vec2TransformCoord(Vec2* out, const Vec2* v, const Matrix4x4* m) {
  storePair(&out->x, byW(point2(&v->x, *m)).xy);
  femms();
  return out;
}
Vec2* vec2TransformNormal(Vec2* out, const Vec2* v, const Matrix4x4* m) {
  storePair(&out->x, normal2(&v->x, *m).xy);
  femms();
  return out;
}
Vec4* vec3Transform(Vec4* out, const Vec3* v, const Matrix4x4* m) {
  storeQuad(&out->x, point3(&v->x, *m));
  femms();
  return out;
}
Vec3* vec3TransformCoord(Vec3* out, const Vec3* v, const Matrix4x4* m) {
  Quad q = byW(point3(&v->x, *m));
  storePair(&out->x, q.xy);
  storeSingle(&out->z, q.zw);
  femms();
  return out;
}
Vec3* vec3TransformNormal(Vec3* out, const Vec3* v, const Matrix4x4* m) {
  Quad q = normal3(&v->x, *m);
  storePair(&out->x, q.xy);
  storeSingle(&out->z, q.zw);
  femms();
  return out;
}
Vec4* vec4Transform(Vec4* out, const Vec4* v, const Matrix4x4* m) {
  Quad in = loadQuad(&v->x);
  storeQuad(&out->x, transform(splatLow(in.xy), splatHigh(in.xy), splatLow(in.zw), splatHigh(in.zw), *m));
  femms();
  return out;
}
Plane* planeTransform(Plane* out, const Plane* p, const Matrix4x4* m) {
  PRISM_3DNOW_NAMESPACE::vec4Transform(reinterpret_cast<Vec4*>(out), reinterpret_cast<const Vec4*>(p), m);
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
  femms();
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
    storePair(&out->m[0][i], interleaveLow(rows[i].xy, rows[i + 1].xy));
    storePair(&out->m[1][i], interleaveHigh(rows[i].xy, rows[i + 1].xy));
    storePair(&out->m[2][i], interleaveLow(rows[i].zw, rows[i + 1].zw));
    storePair(&out->m[3][i], interleaveHigh(rows[i].zw, rows[i + 1].zw));
  }
  femms();
  return out;
}

// Quaternions and planes.

Quaternion* quaternionMultiply(Quaternion* out, const Quaternion* q1, const Quaternion* q2) {
  // The Hamilton product q2 q1 as four pair rows: q2.w q1 + q2.x (w, -z, y, -x) + q2.y (z, w,
  // -x, -y) + q2.z (-y, x, w, -z) over q1's components.
  float x = q1->x, y = q1->y, z = q1->z, w = q1->w;
  Quad q = loadQuad(&q2->x);
  Pair ax = splatLow(q.xy), ay = splatHigh(q.xy), az = splatLow(q.zw), aw = splatHigh(q.zw);
  Pair xy =
      pfadd(pfadd(pfmul(aw, pair(x, y)), pfmul(ax, pair(w, -z))), pfadd(pfmul(ay, pair(z, w)), pfmul(az, pair(-y, x))));
  Pair zw = pfadd(pfadd(pfmul(aw, pair(z, w)), pfmul(ax, pair(y, -x))),
                  pfadd(pfmul(ay, pair(-x, -y)), pfmul(az, pair(w, -z))));
  storeQuad(&out->x, {xy, zw});
  femms();
  return out;
}

Plane* planeFromPointNormal(Plane* out, const Vec3* point, const Vec3* normal) {
  Pair products =
      pfadd(pfmul(loadPair(&point->x), loadPair(&normal->x)), pfmul(loadSingle(&point->z), loadSingle(&normal->z)));
  Pair dot = sumBoth(products);
  storePair(&out->a, loadPair(&normal->x));
  out->c = normal->z;
  storeSingle(&out->d, pfsub(zeroPair(), dot));
  femms();
  return out;
}

Plane* planeNormalize(Plane* out, const Plane* p) {
  Quad q = loadQuad(&p->a);
  Pair c = interleaveLow(q.zw, zeroPair());  // (c, 0)
  Pair squared = sumBoth(pfadd(pfmul(q.xy, q.xy), pfmul(c, c)));
  if (lowFloat(squared) > FLT_MIN) {
    Pair k = reciprocalSqrt(squared);
    storeQuad(&out->a, {pfmul(q.xy, k), pfmul(q.zw, k)});
  } else {
    storeQuad(&out->a, {zeroPair(), zeroPair()});
  }
  femms();
  return out;
}

// Matrices.

Matrix4x4* matrixTranspose(Matrix4x4* out, const Matrix4x4* m) {
  Quad rows[4];
  for (int i = 0; i < 4; ++i) rows[i] = loadQuad(m->m[i]);
  for (int i = 0; i < 4; i += 2) {  // 2 x 2 blocks through the unpacks; every read done first
    storePair(&out->m[0][i], interleaveLow(rows[i].xy, rows[i + 1].xy));
    storePair(&out->m[1][i], interleaveHigh(rows[i].xy, rows[i + 1].xy));
    storePair(&out->m[2][i], interleaveLow(rows[i].zw, rows[i + 1].zw));
    storePair(&out->m[3][i], interleaveHigh(rows[i].zw, rows[i + 1].zw));
  }
  femms();
  return out;
}

float matrixDeterminant(const Matrix4x4* m) {
  float determinant = lowFloat(determinantOf<false>(rowMinors(m->m[0], m->m[1]), rowMinors(m->m[2], m->m[3])));
  femms();
  return determinant;
}

template <bool Extensions>
Matrix4x4* inverseOf(Matrix4x4* out, float* determinant, const Matrix4x4* m) {
  const auto& a = m->m;
  RowMinors s = rowMinors(a[0], a[1]), c = rowMinors(a[2], a[3]);
  float det = lowFloat(determinantOf<Extensions>(s, c));
  if (determinant != nullptr) *determinant = det;
  float scale = 1.0f / det;
  if (det == 0.0f || !std::isfinite(scale)) {
    femms();
    return nullptr;
  }
  // Each adjugate row is two pairs: columns (a1j, a0j) against the bottom minors and
  // (a3j, a2j) against the top ones, three terms each, with alternating signs.
  Pair upper[4], lower[4];
  for (int j = 0; j < 4; ++j) {
    upper[j] = pair(a[1][j], a[0][j]);
    lower[j] = pair(a[3][j], a[2][j]);
  }
  Pair c0 = splatLow(c.m01m02), c1 = splatHigh(c.m01m02), c2 = splatLow(c.m03m12), c3 = splatHigh(c.m03m12);
  Pair c4 = splatLow(c.m13m23), c5 = splatHigh(c.m13m23);
  Pair s0 = splatLow(s.m01m02), s1 = splatHigh(s.m01m02), s2 = splatLow(s.m03m12), s3 = splatHigh(s.m03m12);
  Pair s4 = splatLow(s.m13m23), s5 = splatHigh(s.m13m23);
  auto terms = [](Pair x, Pair kx, Pair y, Pair ky, Pair z, Pair kz) {
    return pfadd(pfsub(pfmul(x, kx), pfmul(y, ky)), pfmul(z, kz));
  };
  Pair plus = pfmul(pair(1, -1), splat(scale)), minus = pfmul(pair(-1, 1), splat(scale));
  Quad rows[4] = {{pfmul(plus, terms(upper[1], c5, upper[2], c4, upper[3], c3)),
                   pfmul(plus, terms(lower[1], s5, lower[2], s4, lower[3], s3))},
                  {pfmul(minus, terms(upper[0], c5, upper[2], c2, upper[3], c1)),
                   pfmul(minus, terms(lower[0], s5, lower[2], s2, lower[3], s1))},
                  {pfmul(plus, terms(upper[0], c4, upper[1], c2, upper[3], c0)),
                   pfmul(plus, terms(lower[0], s4, lower[1], s2, lower[3], s0))},
                  {pfmul(minus, terms(upper[0], c3, upper[1], c1, upper[2], c0)),
                   pfmul(minus, terms(lower[0], s3, lower[1], s1, lower[2], s0))}};
  for (int i = 0; i < 4; ++i) storeQuad(out->m[i], rows[i]);
  femms();
  return out;
}

Matrix4x4* matrixInverse(Matrix4x4* out, float* determinant, const Matrix4x4* m) {
  return inverseOf<false>(out, determinant, m);
}

template <bool Extensions>
Matrix4x4* fromQuaternion(Matrix4x4* out, const Quaternion* q) {
  Quad v = loadQuad(&q->x);
  Pair twiceXy = pfadd(v.xy, v.xy), twiceZw = pfadd(v.zw, v.zw);
  Pair xxYy = pfmul(v.xy, twiceXy);                       // (2xx, 2yy)
  Pair xzYw = pfmul(v.xy, twiceZw);                       // (2xz, 2yw)
  Pair xwYz = pfmul(v.xy, swapped<Extensions>(twiceZw));  // (2xw, 2yz)
  Pair xy = pfmul(v.xy, swapped<Extensions>(twiceXy));    // (2xy, 2xy)
  Pair zzZw = pfmul(splatLow(v.zw), twiceZw);             // (2zz, 2zw)
  float xx = lowFloat(xxYy), yy = highFloat(xxYy), zz = lowFloat(zzZw), zw = highFloat(zzZw);
  quaternionMatrix(out, xx, yy, zz, lowFloat(xy), lowFloat(xzYw), highFloat(xwYz), lowFloat(xwYz), highFloat(xzYw), zw);
  femms();
  return out;
}

Matrix4x4* matrixFromQuaternion(Matrix4x4* out, const Quaternion* q) { return fromQuaternion<false>(out, q); }

Matrix4x4* matrixShadow(Matrix4x4* out, const Vec4* light, const Plane* plane) {
  // Row i = (P . L) e_i - P_i L.
  Quad p = normalisedPlane(*plane);
  Quad l = loadQuad(&light->x);
  Pair d = sumBoth(pfadd(pfmul(p.xy, l.xy), pfmul(p.zw, l.zw)));
  Pair dLow = interleaveLow(d, zeroPair()), dHigh = interleaveLow(zeroPair(), d);
  Pair factors[4] = {splatLow(p.xy), splatHigh(p.xy), splatLow(p.zw), splatHigh(p.zw)};
  for (int i = 0; i < 4; ++i) {
    Pair diagonalXy = i == 0 ? dLow : i == 1 ? dHigh : zeroPair();
    Pair diagonalZw = i == 2 ? dLow : i == 3 ? dHigh : zeroPair();
    storeQuad(out->m[i], {pfsub(diagonalXy, pfmul(factors[i], l.xy)), pfsub(diagonalZw, pfmul(factors[i], l.zw))});
  }
  femms();
  return out;
}

Matrix4x4* matrixReflect(Matrix4x4* out, const Plane* plane) {
  // Row i = e_i - 2 P_i (a, b, c, 0).
  Quad p = normalisedPlane(*plane);
  Pair twiceAb = pfadd(p.xy, p.xy), twiceC0 = interleaveLow(pfadd(p.zw, p.zw), zeroPair());
  Pair factors[4] = {splatLow(p.xy), splatHigh(p.xy), splatLow(p.zw), splatHigh(p.zw)};
  const Quad units[4] = {
      {pair(1, 0), zeroPair()}, {pair(0, 1), zeroPair()}, {zeroPair(), pair(1, 0)}, {zeroPair(), pair(0, 1)}};
  for (int i = 0; i < 4; ++i) {
    storeQuad(out->m[i],
              {pfsub(units[i].xy, pfmul(factors[i], twiceAb)), pfsub(units[i].zw, pfmul(factors[i], twiceC0))});
  }
  femms();
  return out;
}

// 4-vector cross product, quaternions and planes.

Vec4* vec4Cross(Vec4* out, const Vec4* v1, const Vec4* v2, const Vec4* v3) {
  // Minors of v2 and v3 in pairs (xy, xz), (xw, yz), (yw, zw), then the expansion along v1.
  Quad b = loadQuad(&v2->x), c = loadQuad(&v3->x);
  float bx = lowFloat(b.xy), cx = lowFloat(c.xy), bw = highFloat(b.zw), cw = highFloat(c.zw);
  Pair xyXz = pfsub(pfmul(splat(bx), pair(highFloat(c.xy), lowFloat(c.zw))),
                    pfmul(splat(cx), pair(highFloat(b.xy), lowFloat(b.zw))));
  Pair xwYz = pfsub(pfmul(b.xy, swapped(c.zw)), pfmul(c.xy, swapped(b.zw)));
  Pair ywZw = pfsub(pfmul(pair(highFloat(b.xy), lowFloat(b.zw)), splat(cw)),
                    pfmul(pair(highFloat(c.xy), lowFloat(c.zw)), splat(bw)));
  Quad a = loadQuad(&v1->x);
  float ax = lowFloat(a.xy), ay = highFloat(a.xy), az = lowFloat(a.zw), aw = highFloat(a.zw);
  Pair xw = splatLow(xwYz), yz = splatHigh(xwYz);
  Pair outXy = pfadd(pfadd(pfmul(pair(ay, -ax), splatHigh(ywZw)), pfmul(pair(-az, az), interleaveLow(ywZw, xw))),
                     pfmul(pair(aw, -aw), interleaveLow(yz, splatHigh(xyXz))));
  Pair outZw = pfadd(
      pfadd(pfmul(pair(ax, -ax), interleaveLow(ywZw, yz)), pfmul(pair(-ay, ay), interleaveLow(xw, splatHigh(xyXz)))),
      pfmul(pair(aw, -az), splatLow(xyXz)));
  storeQuad(&out->x, {outXy, outZw});
  femms();
  return out;
}

Quaternion* quaternionInverse(Quaternion* out, const Quaternion* q) {
  Quad v = loadQuad(&q->x);
  Pair squared = sumBoth(pfadd(pfmul(v.xy, v.xy), pfmul(v.zw, v.zw)));
  if (!(lowFloat(squared) > FLT_MIN)) {
    storeQuad(&out->x, {zeroPair(), zeroPair()});
  } else {
    Pair k = reciprocal(squared);
    storeQuad(&out->x, {pfmul(v.xy, pfmul(k, pair(-1, -1))), pfmul(v.zw, pfmul(k, pair(-1, 1)))});
  }
  femms();
  return out;
}

Quaternion* quaternionFromYawPitchRoll(Quaternion* out, float yaw, float pitch, float roll) {
  float cy = std::cos(yaw * 0.5f), sy = std::sin(yaw * 0.5f);
  float cp = std::cos(pitch * 0.5f), sp = std::sin(pitch * 0.5f);
  float cr = std::cos(roll * 0.5f), sr = std::sin(roll * 0.5f);
  // (cy sp cr, sy cp cr, cy cp sr, cy cp cr) + (sy cp sr, cy sp sr, sy sp cr, sy sp sr) * (1, -1, -1, 1).
  Pair firstXy = pfmul(pfmul(pair(cy, sy), pair(sp, cp)), splat(cr));
  Pair firstZw = pfmul(pfmul(splat(cy), splat(cp)), pair(sr, cr));
  Pair secondXy = pfmul(pfmul(pair(sy, cy), pair(cp, sp)), splat(sr));
  Pair secondZw = pfmul(pfmul(splat(sy), splat(sp)), pair(cr, sr));
  storeQuad(&out->x, {pfadd(firstXy, pfmul(secondXy, pair(1, -1))), pfadd(firstZw, pfmul(secondZw, pair(-1, 1)))});
  femms();
  return out;
}

Quaternion* quaternionFromAxisAngle(Quaternion* out, const Vec3* axis, float angle) {
  Vec3 n;
  normalise<3>(&n.x, &axis->x);
  Pair s = splat(std::sin(angle * 0.5f));
  storeQuad(&out->x, {pfmul(loadPair(&n.x), s), pair(lowFloat(pfmul(loadSingle(&n.z), s)), std::cos(angle * 0.5f))});
  femms();
  return out;
}

Plane* planeFromPoints(Plane* out, const Vec3* v1, const Vec3* v2, const Vec3* v3) {
  Pair start = loadPair(&v1->x), startZ = loadSingle(&v1->z);
  Pair e1 = pfsub(loadPair(&v2->x), start), e1z = pfsub(loadSingle(&v2->z), startZ);
  Pair e2 = pfsub(loadPair(&v3->x), start), e2z = pfsub(loadSingle(&v3->z), startZ);
  // (e1.y e2.z - e1.z e2.y, e1.z e2.x - e1.x e2.z) and e1.x e2.y - e1.y e2.x.
  Pair xy = pfsub(pfmul(interleaveLow(splatHigh(e1), e1z), interleaveLow(e2z, e2)),
                  pfmul(interleaveLow(e1z, e1), interleaveLow(splatHigh(e2), e2z)));
  Pair z = pfsub(pfmul(e1, swapped(e2)), zeroPair());
  Vec3 normal{lowFloat(xy), highFloat(xy), lowFloat(z) - highFloat(z)};
  femms();
  normalise<3>(&normal.x, &normal.x);
  Pair products = pfadd(pfmul(start, loadPair(&normal.x)), pfmul(startZ, loadSingle(&normal.z)));
  storeQuad(&out->a, {loadPair(&normal.x), pair(normal.z, -lowFloat(sumBoth(products)))});
  femms();
  return out;
}

Vec3* planeIntersectLine(Vec3* out, const Plane* p, const Vec3* v1, const Vec3* v2) {
  Quad plane = loadQuad(&p->a);
  Pair start = loadPair(&v1->x), startZ = loadSingle(&v1->z);
  Pair direction = pfsub(loadPair(&v2->x), start), directionZ = pfsub(loadSingle(&v2->z), startZ);
  Pair c = interleaveLow(plane.zw, zeroPair());
  float along = lowFloat(sumBoth(pfadd(pfmul(plane.xy, direction), pfmul(c, directionZ))));
  if (along == 0.0f) {
    femms();
    return nullptr;
  }
  float distance = lowFloat(sumBoth(pfadd(pfmul(plane.xy, start), pfmul(plane.zw, interleaveLow(startZ, pair(1, 0))))));
  Pair t = splat(-distance / along);
  storePair(&out->x, pfadd(start, pfmul(t, direction)));
  storeSingle(&out->z, pfadd(startZ, pfmul(t, directionZ)));
  femms();
  return out;
}

// Routines built from the set's own products, inverse and transforms.

namespace {

constexpr Matrix4x4 kIdentity{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

Matrix4x4 combinedTransform(const Matrix4x4* world, const Matrix4x4* view, const Matrix4x4* projection) {
  Matrix4x4 result = kIdentity;
  for (const Matrix4x4* next : {world, view, projection}) {
    if (next != nullptr) PRISM_3DNOW_NAMESPACE::matrixMultiply(&result, &result, next);
  }
  return result;
}

// The rotation about a centre: move the centre to the origin, rotate, move it back.
template <bool Extensions>
Matrix4x4 rotationAboutCentre(const Vec3* centre, const Quaternion* rotation) {
  Matrix4x4 result = kIdentity;
  if (rotation != nullptr) fromQuaternion<Extensions>(&result, rotation);
  if (centre != nullptr) {
    Quad row3 = loadQuad(result.m[3]);
    // (-c) x R + c, added to the translation row.
    Quad moved{pfsub(loadPair(&centre->x), pfadd(pfmul(splat(centre->x), loadPair(result.m[0])),
                                                 pfmul(splat(centre->y), loadPair(result.m[1])))),
               pfsub(pair(centre->z, 0), pfmul(splat(centre->z), loadPair(result.m[2] + 2)))};
    moved.xy = pfsub(moved.xy, pfmul(splat(centre->z), loadPair(result.m[2])));
    moved.zw = pfsub(moved.zw, pfadd(pfmul(splat(centre->x), loadPair(result.m[0] + 2)),
                                     pfmul(splat(centre->y), loadPair(result.m[1] + 2))));
    storeQuad(result.m[3], {pfadd(row3.xy, moved.xy), pfadd(row3.zw, moved.zw)});
    femms();
  }
  return result;
}

inline void addTranslation(Matrix4x4& m, const Vec3* translation) {
  if (translation == nullptr) return;
  storePair(m.m[3], pfadd(loadPair(m.m[3]), loadPair(&translation->x)));
  storeSingle(&m.m[3][2], pfadd(loadSingle(&m.m[3][2]), loadSingle(&translation->z)));
  femms();
}

template <bool Extensions>
Vec3* unprojectOf(Vec3* out, const Vec3* v, const D3DVIEWPORT9* viewport, const Matrix4x4* projection,
                  const Matrix4x4* view, const Matrix4x4* world) {
  Matrix4x4 transform = combinedTransform(world, view, projection);
  if (inverseOf<Extensions>(&transform, nullptr, &transform) == nullptr) return nullptr;
  Vec3 p = *v;
  if (viewport != nullptr) {
    Pair size = pair(static_cast<float>(viewport->Width), static_cast<float>(viewport->Height));
    Pair offset = pair(static_cast<float>(viewport->X), static_cast<float>(viewport->Y));
    // ((x - X) 2 / W - 1, 1 - (y - Y) 2 / H).
    Pair scaled =
        pfmul(pfsub(loadPair(&v->x), offset), pfmul(splat(2.0f), pair(1.0f / lowFloat(size), 1.0f / highFloat(size))));
    storePair(&p.x, pfmul(pfsub(scaled, splat(1.0f)), pair(1, -1)));
    p.z = (v->z - viewport->MinZ) / (viewport->MaxZ - viewport->MinZ);
    femms();
  }
  PRISM_3DNOW_NAMESPACE::vec3TransformCoord(out, &p, &transform);
  return out;
}

template <bool Extensions>
Matrix4x4* transformationOf(Matrix4x4* out, const Vec3* scalingCenter, const Quaternion* scalingRotation,
                            const Vec3* scaling, const Vec3* rotationCenter, const Quaternion* rotation,
                            const Vec3* translation) {
  // Scaling around scalingCenter along the axes of the frame scalingRotation (the transpose
  // undoes the frame's rotation), then the rotation about its centre, then the translation.
  Matrix4x4 result = kIdentity;
  if (scaling != nullptr) {
    Matrix4x4 frame = kIdentity, step;
    if (scalingRotation != nullptr) fromQuaternion<Extensions>(&frame, scalingRotation);
    if (scalingCenter != nullptr) {
      Vec3 back{-scalingCenter->x, -scalingCenter->y, -scalingCenter->z};
      addTranslation(result, &back);
    }
    PRISM_3DNOW_NAMESPACE::matrixMultiply(&result, &result, PRISM_3DNOW_NAMESPACE::matrixTranspose(&step, &frame));
    Matrix4x4 scale = kIdentity;
    scale.m[0][0] = scaling->x;
    scale.m[1][1] = scaling->y;
    scale.m[2][2] = scaling->z;
    PRISM_3DNOW_NAMESPACE::matrixMultiply(&result, &result, &scale);
    PRISM_3DNOW_NAMESPACE::matrixMultiply(&result, &result, &frame);
    addTranslation(result, scalingCenter);
  }
  Matrix4x4 rotate = rotationAboutCentre<Extensions>(rotationCenter, rotation);
  PRISM_3DNOW_NAMESPACE::matrixMultiply(&result, &result, &rotate);
  addTranslation(result, translation);
  *out = result;
  return out;
}

template <bool Extensions>
Quaternion* fromMatrix(Quaternion* out, const Matrix4x4* matrix) {
  // The portable form's choice of the largest candidate. The off-diagonal sums and
  // differences of (m12, m21), (m20, m02), (m01, m10) come from PFACC, and from PFNACC with
  // the extensions.
  const auto& m = matrix->m;
  Pair first = pair(m[1][2], m[2][1]), second = pair(m[2][0], m[0][2]), third = pair(m[0][1], m[1][0]);
  Pair sums01 = pfacc(first, second), sums2 = pfacc(third, third);
  Pair differences01, differences2;
  if constexpr (Extensions) {
    differences01 = pfnacc(first, second);
    differences2 = pfnacc(third, third);
  } else {
    differences01 = pfsub(interleaveLow(first, second), interleaveHigh(first, second));
    differences2 = pfsub(third, splatHigh(third));
  }
  float s0 = lowFloat(sums01), s1 = highFloat(sums01), s2 = lowFloat(sums2);
  float d0 = lowFloat(differences01), d1 = highFloat(differences01), d2 = lowFloat(differences2);
  float trace = m[0][0] + m[1][1] + m[2][2];
  float candidate;
  Quad numerators;
  if (trace > 0.0f) {
    candidate = trace + 1.0f;
    numerators = {differences01, pair(d2, candidate)};
  } else if (m[0][0] >= m[1][1] && m[0][0] >= m[2][2]) {
    candidate = 1.0f + m[0][0] - m[1][1] - m[2][2];
    numerators = {pair(candidate, s2), pair(s1, d0)};
  } else if (m[1][1] >= m[2][2]) {
    candidate = 1.0f + m[1][1] - m[0][0] - m[2][2];
    numerators = {pair(s2, candidate), pair(s0, d1)};
  } else {
    candidate = 1.0f + m[2][2] - m[0][0] - m[1][1];
    numerators = {pair(s1, s0), pair(candidate, d2)};
  }
  Pair k = pfmul(reciprocalSqrt(fromFloat(candidate)), splat(0.5f));
  storeQuad(&out->x, {pfmul(numerators.xy, k), pfmul(numerators.zw, k)});
  femms();
  return out;
}

inline float quaternionDot(const Quaternion& a, const Quaternion& b) {
  Quad p = loadQuad(&a.x), q = loadQuad(&b.x);
  float dot = lowFloat(sumBoth(pfadd(pfmul(p.xy, q.xy), pfmul(p.zw, q.zw))));
  femms();
  return dot;
}

// k1 a + k2 b.
inline Quaternion blend(const Quaternion& a, float k1, const Quaternion& b, float k2) {
  Quad p = loadQuad(&a.x), q = loadQuad(&b.x);
  Pair w1 = splat(k1), w2 = splat(k2);
  Quaternion result;
  storeQuad(&result.x, {pfadd(pfmul(p.xy, w1), pfmul(q.xy, w2)), pfadd(pfmul(p.zw, w1), pfmul(q.zw, w2))});
  femms();
  return result;
}

// The Hamilton product a b, through the set's quaternionMultiply (which computes q2 q1).
inline Quaternion hamilton(const Quaternion& a, const Quaternion& b) {
  Quaternion result;
  PRISM_3DNOW_NAMESPACE::quaternionMultiply(&result, &b, &a);
  return result;
}

}  // namespace

Vec3* vec3Project(Vec3* out, const Vec3* v, const D3DVIEWPORT9* viewport, const Matrix4x4* projection,
                  const Matrix4x4* view, const Matrix4x4* world) {
  Matrix4x4 transform = combinedTransform(world, view, projection);
  Vec3 p;
  PRISM_3DNOW_NAMESPACE::vec3TransformCoord(&p, v, &transform);
  if (viewport != nullptr) {
    // (X + (1 + x) W / 2, Y + (1 - y) H / 2) and MinZ + z (MaxZ - MinZ).
    Pair halfSize = pfmul(pair(static_cast<float>(viewport->Width), static_cast<float>(viewport->Height)), splat(0.5f));
    Pair offset = pair(static_cast<float>(viewport->X), static_cast<float>(viewport->Y));
    Pair xy = pfadd(offset, pfmul(halfSize, pfadd(splat(1.0f), pfmul(loadPair(&p.x), pair(1, -1)))));
    Pair z = pfadd(fromFloat(viewport->MinZ), pfmul(loadSingle(&p.z), fromFloat(viewport->MaxZ - viewport->MinZ)));
    storePair(&p.x, xy);
    storeSingle(&p.z, z);
    femms();
  }
  *out = p;
  return out;
}

Vec3* vec3Unproject(Vec3* out, const Vec3* v, const D3DVIEWPORT9* viewport, const Matrix4x4* projection,
                    const Matrix4x4* view, const Matrix4x4* world) {
  return unprojectOf<false>(out, v, viewport, projection, view, world);
}

Matrix4x4* matrixTransformation(Matrix4x4* out, const Vec3* scalingCenter, const Quaternion* scalingRotation,
                                const Vec3* scaling, const Vec3* rotationCenter, const Quaternion* rotation,
                                const Vec3* translation) {
  return transformationOf<false>(out, scalingCenter, scalingRotation, scaling, rotationCenter, rotation, translation);
}

Matrix4x4* matrixAffineTransformation(Matrix4x4* out, float scaling, const Vec3* rotationCenter,
                                      const Quaternion* rotation, const Vec3* translation) {
  Matrix4x4 rotate = rotationAboutCentre<false>(rotationCenter, rotation);
  Pair k = splat(scaling);
  for (int i = 0; i < 3; ++i) {  // uniform scaling first: scales the rotation's first three rows
    Quad row = loadQuad(rotate.m[i]);
    storeQuad(rotate.m[i], {pfmul(row.xy, k), pfmul(row.zw, k)});
  }
  femms();
  addTranslation(rotate, translation);
  *out = rotate;
  return out;
}

Quaternion* quaternionFromMatrix(Quaternion* out, const Matrix4x4* matrix) { return fromMatrix<false>(out, matrix); }

// Matrices built from numbers.

Matrix4x4* matrixTranslation(Matrix4x4* out, float x, float y, float z) {
  storeQuad(out->m[0], {pair(1, 0), zeroPair()});
  storeQuad(out->m[1], {pair(0, 1), zeroPair()});
  storeQuad(out->m[2], {zeroPair(), pair(1, 0)});
  storeQuad(out->m[3], {pair(x, y), pair(z, 1)});
  femms();
  return out;
}

Matrix4x4* matrixScaling(Matrix4x4* out, float sx, float sy, float sz) {
  storeQuad(out->m[0], {pair(sx, 0), zeroPair()});
  storeQuad(out->m[1], {pair(0, sy), zeroPair()});
  storeQuad(out->m[2], {zeroPair(), pair(sz, 0)});
  storeQuad(out->m[3], {zeroPair(), pair(0, 1)});
  femms();
  return out;
}

Matrix4x4* matrixRotationX(Matrix4x4* out, float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  storeQuad(out->m[0], {pair(1, 0), zeroPair()});
  storeQuad(out->m[1], {pair(0, c), pair(s, 0)});
  storeQuad(out->m[2], {pair(0, -s), pair(c, 0)});
  storeQuad(out->m[3], {zeroPair(), pair(0, 1)});
  femms();
  return out;
}

Matrix4x4* matrixRotationY(Matrix4x4* out, float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  storeQuad(out->m[0], {pair(c, 0), pair(-s, 0)});
  storeQuad(out->m[1], {pair(0, 1), zeroPair()});
  storeQuad(out->m[2], {pair(s, 0), pair(c, 0)});
  storeQuad(out->m[3], {zeroPair(), pair(0, 1)});
  femms();
  return out;
}

Matrix4x4* matrixRotationZ(Matrix4x4* out, float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  storeQuad(out->m[0], {pair(c, s), zeroPair()});
  storeQuad(out->m[1], {pair(-s, c), zeroPair()});
  storeQuad(out->m[2], {zeroPair(), pair(1, 0)});
  storeQuad(out->m[3], {zeroPair(), pair(0, 1)});
  femms();
  return out;
}

Matrix4x4* matrixRotationAxis(Matrix4x4* out, const Vec3* axis, float angle) {
  Vec3 n;
  normalise<3>(&n.x, &axis->x);
  float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
  // Row i: t n_i (x, y, z) plus c on the diagonal and the cross terms s (0, z, -y), (-z, 0, x), (y, -x, 0).
  Pair xy = loadPair(&n.x), z0 = pair(n.z, 0);
  const float components[3] = {n.x, n.y, n.z};
  const Quad cross[3] = {{pair(c, s * n.z), pair(-s * n.y, 0)},
                         {pair(-s * n.z, c), pair(s * n.x, 0)},
                         {pair(s * n.y, -s * n.x), pair(c, 0)}};
  for (int i = 0; i < 3; ++i) {
    Pair k = splat(t * components[i]);
    storeQuad(out->m[i], {pfadd(pfmul(k, xy), cross[i].xy), pfadd(pfmul(k, z0), cross[i].zw)});
  }
  storeQuad(out->m[3], {zeroPair(), pair(0, 1)});
  femms();
  return out;
}

Matrix4x4* matrixRotationYawPitchRoll(Matrix4x4* out, float yaw, float pitch, float roll) {
  Quaternion q;
  PRISM_3DNOW_NAMESPACE::quaternionFromYawPitchRoll(&q, yaw, pitch, roll);
  return fromQuaternion<false>(out, &q);
}

// Quaternion interpolation, logarithm and exponential.

Vec3* quaternionToAxisAngle(Vec3* axis, float* angle, const Quaternion* q) {
  if (angle != nullptr) *angle = 2.0f * std::acos(std::fmin(std::fmax(q->w, -1.0f), 1.0f));
  if (axis != nullptr) {
    storePair(&axis->x, loadPair(&q->x));
    axis->z = q->z;
    femms();
  }
  return axis;
}

Quaternion* quaternionSlerp(Quaternion* out, const Quaternion* q1, const Quaternion* q2, float t) {
  // Along the shorter arc; nearly equal ends interpolate linearly.
  float cosine = quaternionDot(*q1, *q2);
  float sign = cosine < 0.0f ? -1.0f : 1.0f;
  cosine *= sign;
  float k1 = 1.0f - t, k2 = t;
  if (1.0f - cosine > 1e-6f) {
    float theta = std::acos(std::fmin(cosine, 1.0f));
    float sine = std::sin(theta);
    k1 = std::sin(k1 * theta) / sine;
    k2 = std::sin(k2 * theta) / sine;
  }
  *out = blend(*q1, k1, *q2, k2 * sign);
  return out;
}

Quaternion* quaternionLn(Quaternion* out, const Quaternion* q) {
  float theta = std::acos(std::fmin(std::fmax(q->w, -1.0f), 1.0f));
  float sine = std::sin(theta);
  Pair k = splat(sine > FLT_EPSILON ? theta / sine : 1.0f);
  Quad v = loadQuad(&q->x);
  storeQuad(&out->x, {pfmul(v.xy, k), interleaveLow(pfmul(v.zw, k), zeroPair())});
  femms();
  return out;
}

Quaternion* quaternionExp(Quaternion* out, const Quaternion* q) {
  Quad v = loadQuad(&q->x);
  Pair z = interleaveLow(v.zw, zeroPair());
  float theta = std::sqrt(lowFloat(sumBoth(pfadd(pfmul(v.xy, v.xy), pfmul(z, z)))));
  Pair k = splat(theta > FLT_EPSILON ? std::sin(theta) / theta : 1.0f);
  storeQuad(&out->x, {pfmul(v.xy, k), pair(lowFloat(pfmul(z, k)), std::cos(theta))});
  femms();
  return out;
}

Quaternion* quaternionSquad(Quaternion* out, const Quaternion* q1, const Quaternion* a, const Quaternion* b,
                            const Quaternion* c, float t) {
  Quaternion outer, inner;
  PRISM_3DNOW_NAMESPACE::quaternionSlerp(&outer, q1, c, t);
  PRISM_3DNOW_NAMESPACE::quaternionSlerp(&inner, a, b, t);
  return PRISM_3DNOW_NAMESPACE::quaternionSlerp(out, &outer, &inner, 2.0f * t * (1.0f - t));
}

Quaternion* quaternionSquadSetup(Quaternion* aOut, Quaternion* bOut, Quaternion* cOut, const Quaternion* q0,
                                 const Quaternion* q1, const Quaternion* q2, const Quaternion* q3) {
  // q, or -q when that lies closer to `near`: |q + near| < |q - near| exactly when q . near < 0.
  auto closerSign = [](const Quaternion& q, const Quaternion& near) {
    Quaternion sum = blend(q, 1, near, 1), difference = blend(q, 1, near, -1);
    return quaternionDot(sum, sum) < quaternionDot(difference, difference) ? blend(q, -1, q, 0) : q;
  };
  auto controlPoint = [](const Quaternion& q, const Quaternion& before, const Quaternion& after) {
    Quaternion inverse{-q.x, -q.y, -q.z, q.w};
    Quaternion toAfter = hamilton(inverse, after), toBefore = hamilton(inverse, before);
    Quaternion lnAfter, lnBefore, power;
    PRISM_3DNOW_NAMESPACE::quaternionLn(&lnAfter, &toAfter);
    PRISM_3DNOW_NAMESPACE::quaternionLn(&lnBefore, &toBefore);
    Quaternion exponent = blend(lnAfter, -0.25f, lnBefore, -0.25f);
    PRISM_3DNOW_NAMESPACE::quaternionExp(&power, &exponent);
    return hamilton(q, power);
  };
  Quaternion p1 = *q1;
  Quaternion p0 = closerSign(*q0, p1), p2 = closerSign(*q2, p1);
  Quaternion p3 = closerSign(*q3, p2);
  Quaternion a = controlPoint(p1, p0, p2), b = controlPoint(p2, p1, p3);
  *aOut = a;
  *bOut = b;
  *cOut = p2;
  return aOut;
}

Quaternion* quaternionBaryCentric(Quaternion* out, const Quaternion* q1, const Quaternion* q2, const Quaternion* q3,
                                  float f, float g) {
  float fg = f + g;
  if (fg == 0.0f) {
    *out = *q1;
    return out;
  }
  Quaternion toSecond, toThird;
  PRISM_3DNOW_NAMESPACE::quaternionSlerp(&toSecond, q1, q2, fg);
  PRISM_3DNOW_NAMESPACE::quaternionSlerp(&toThird, q1, q3, fg);
  return PRISM_3DNOW_NAMESPACE::quaternionSlerp(out, &toSecond, &toThird, g / fg);
}

// Half floats.

float* float16To32Array(float* out, const Float16Bits* in, UINT count) {
  // The half's exponent and mantissa placed 13 bits up read as a float 2^112 too small (its
  // subnormals included); multiplying by +-2^112 rebiases two values at once and restores the
  // sign, a zero's too.
  auto magnitude = [](Float16Bits h) { return std::bit_cast<float>(static_cast<std::uint32_t>(h & 0x7FFFu) << 13); };
  auto scale = [](Float16Bits h) { return (h & 0x8000u) != 0 ? -0x1p112f : 0x1p112f; };
  UINT i = 0;
  for (; i + 2 <= count; i += 2) {
    storePair(out + i, pfmul(pair(magnitude(in[i]), magnitude(in[i + 1])), pair(scale(in[i]), scale(in[i + 1]))));
  }
  if (i < count) storeSingle(out + i, pfmul(fromFloat(magnitude(in[i])), fromFloat(scale(in[i]))));
  femms();
  return out;
}

Float16Bits* float32To16Array(Float16Bits* out, const float* in, UINT count) {
  // Two floats per step on the MMX integer side: saturation above the largest half, the
  // normal range rebiased and rounded to nearest even in 13 bits. A pair with a value below
  // the normal range (a half subnormal or zero, whose shift differs per value) takes the
  // portable conversion.
  const Pair magnitudeMask = integers(0x7FFFFFFFu);
  UINT i = 0;
  for (; i + 2 <= count; i += 2) {
    Pair bits = loadPair(in + i);
    Pair magnitude = pand(bits, magnitudeMask);
    Pair normal = pcmpgtd(magnitude, integers(0x387FFFFFu));
    if ((lowInteger(normal) & highInteger(normal)) == 0) {
      femms();
      math_portable::float32To16Array(out + i, in + i, 2);
      continue;
    }
    Pair sign = pand(psrld<16>(bits), integers(0x8000u));
    Pair roundingBit = pand(psrld<13>(magnitude), integers(1));
    Pair rounded = psrld<13>(paddd(psubd(magnitude, integers(112u << 23)), paddd(integers(0xFFFu), roundingBit)));
    Pair saturate = pcmpgtd(magnitude, integers(0x47FFEFFFu));
    Pair result = por(sign, por(pand(saturate, integers(0x7FFFu)), pandn(saturate, rounded)));
    out[i] = static_cast<Float16Bits>(lowInteger(result));
    out[i + 1] = static_cast<Float16Bits>(highInteger(result));
  }
  femms();
  if (i < count) math_portable::float32To16Array(out + i, in + i, 1);
  return out;
}

// The extension layer.
namespace extensions {

Vec3* vec3Unproject(Vec3* out, const Vec3* v, const D3DVIEWPORT9* viewport, const Matrix4x4* projection,
                    const Matrix4x4* view, const Matrix4x4* world) {
  return unprojectOf<true>(out, v, viewport, projection, view, world);
}
Matrix4x4* matrixInverse(Matrix4x4* out, float* determinant, const Matrix4x4* m) {
  return inverseOf<true>(out, determinant, m);
}
Matrix4x4* matrixFromQuaternion(Matrix4x4* out, const Quaternion* q) { return fromQuaternion<true>(out, q); }
Matrix4x4* matrixTransformation(Matrix4x4* out, const Vec3* scalingCenter, const Quaternion* scalingRotation,
                                const Vec3* scaling, const Vec3* rotationCenter, const Quaternion* rotation,
                                const Vec3* translation) {
  return transformationOf<true>(out, scalingCenter, scalingRotation, scaling, rotationCenter, rotation, translation);
}
Quaternion* quaternionFromMatrix(Quaternion* out, const Matrix4x4* matrix) { return fromMatrix<true>(out, matrix); }

}  // namespace extensions

}  // namespace PRISM_3DNOW_NAMESPACE

bool PRISM_3DNOW_INSTALLER(MathRoutineTable& table, std::uint32_t features) {
  if ((features & (kFeatureMmx | kFeature3dNow)) == (kFeatureMmx | kFeature3dNow)) {
    table.vec2Transform = &PRISM_3DNOW_NAMESPACE::vec2Transform;
    table.vec2TransformCoord = &PRISM_3DNOW_NAMESPACE::vec2TransformCoord;
    table.vec2TransformNormal = &PRISM_3DNOW_NAMESPACE::vec2TransformNormal;
    table.vec3Transform = &PRISM_3DNOW_NAMESPACE::vec3Transform;
    table.vec3TransformCoord = &PRISM_3DNOW_NAMESPACE::vec3TransformCoord;
    table.vec3TransformNormal = &PRISM_3DNOW_NAMESPACE::vec3TransformNormal;
    table.vec4Transform = &PRISM_3DNOW_NAMESPACE::vec4Transform;
    table.planeTransform = &PRISM_3DNOW_NAMESPACE::planeTransform;
    table.vec2Normalize = &PRISM_3DNOW_NAMESPACE::vec2Normalize;
    table.vec3Normalize = &PRISM_3DNOW_NAMESPACE::vec3Normalize;
    table.vec4Normalize = &PRISM_3DNOW_NAMESPACE::vec4Normalize;
    table.quaternionNormalize = &PRISM_3DNOW_NAMESPACE::quaternionNormalize;
    table.matrixMultiply = &PRISM_3DNOW_NAMESPACE::matrixMultiply;
    table.matrixMultiplyTranspose = &PRISM_3DNOW_NAMESPACE::matrixMultiplyTranspose;
    table.quaternionMultiply = &PRISM_3DNOW_NAMESPACE::quaternionMultiply;
    table.planeFromPointNormal = &PRISM_3DNOW_NAMESPACE::planeFromPointNormal;
    table.planeNormalize = &PRISM_3DNOW_NAMESPACE::planeNormalize;
    SplineEntryPoints<PRISM_3DNOW_NAMESPACE::SplineForms>::install(table);
    table.matrixTranspose = &PRISM_3DNOW_NAMESPACE::matrixTranspose;
    table.matrixDeterminant = &PRISM_3DNOW_NAMESPACE::matrixDeterminant;
    table.matrixInverse = &PRISM_3DNOW_NAMESPACE::matrixInverse;
    table.matrixFromQuaternion = &PRISM_3DNOW_NAMESPACE::matrixFromQuaternion;
    table.matrixShadow = &PRISM_3DNOW_NAMESPACE::matrixShadow;
    table.matrixReflect = &PRISM_3DNOW_NAMESPACE::matrixReflect;
    table.vec4Cross = &PRISM_3DNOW_NAMESPACE::vec4Cross;
    table.quaternionInverse = &PRISM_3DNOW_NAMESPACE::quaternionInverse;
    table.quaternionFromYawPitchRoll = &PRISM_3DNOW_NAMESPACE::quaternionFromYawPitchRoll;
    table.quaternionFromAxisAngle = &PRISM_3DNOW_NAMESPACE::quaternionFromAxisAngle;
    table.planeFromPoints = &PRISM_3DNOW_NAMESPACE::planeFromPoints;
    table.planeIntersectLine = &PRISM_3DNOW_NAMESPACE::planeIntersectLine;
    table.vec3Project = &PRISM_3DNOW_NAMESPACE::vec3Project;
    table.vec3Unproject = &PRISM_3DNOW_NAMESPACE::vec3Unproject;
    table.matrixTransformation = &PRISM_3DNOW_NAMESPACE::matrixTransformation;
    table.matrixAffineTransformation = &PRISM_3DNOW_NAMESPACE::matrixAffineTransformation;
    table.quaternionFromMatrix = &PRISM_3DNOW_NAMESPACE::quaternionFromMatrix;
    table.matrixTranslation = &PRISM_3DNOW_NAMESPACE::matrixTranslation;
    table.matrixScaling = &PRISM_3DNOW_NAMESPACE::matrixScaling;
    table.matrixRotationX = &PRISM_3DNOW_NAMESPACE::matrixRotationX;
    table.matrixRotationY = &PRISM_3DNOW_NAMESPACE::matrixRotationY;
    table.matrixRotationZ = &PRISM_3DNOW_NAMESPACE::matrixRotationZ;
    table.matrixRotationAxis = &PRISM_3DNOW_NAMESPACE::matrixRotationAxis;
    table.matrixRotationYawPitchRoll = &PRISM_3DNOW_NAMESPACE::matrixRotationYawPitchRoll;
    table.quaternionToAxisAngle = &PRISM_3DNOW_NAMESPACE::quaternionToAxisAngle;
    table.quaternionSlerp = &PRISM_3DNOW_NAMESPACE::quaternionSlerp;
    table.quaternionSquad = &PRISM_3DNOW_NAMESPACE::quaternionSquad;
    table.quaternionSquadSetup = &PRISM_3DNOW_NAMESPACE::quaternionSquadSetup;
    table.quaternionBaryCentric = &PRISM_3DNOW_NAMESPACE::quaternionBaryCentric;
    table.quaternionLn = &PRISM_3DNOW_NAMESPACE::quaternionLn;
    table.quaternionExp = &PRISM_3DNOW_NAMESPACE::quaternionExp;
    table.float16To32Array = &PRISM_3DNOW_NAMESPACE::float16To32Array;
    table.float32To16Array = &PRISM_3DNOW_NAMESPACE::float32To16Array;
    constexpr std::uint32_t kExtensions = kFeature3dNowExt | kFeatureMmxExt;
    if ((features & kExtensions) == kExtensions) {
      table.vec3Unproject = &PRISM_3DNOW_NAMESPACE::extensions::vec3Unproject;
      table.matrixInverse = &PRISM_3DNOW_NAMESPACE::extensions::matrixInverse;
      table.matrixFromQuaternion = &PRISM_3DNOW_NAMESPACE::extensions::matrixFromQuaternion;
      table.matrixTransformation = &PRISM_3DNOW_NAMESPACE::extensions::matrixTransformation;
      table.quaternionFromMatrix = &PRISM_3DNOW_NAMESPACE::extensions::quaternionFromMatrix;
    }
  }
  if ((features & kFeatureSse) != 0) installSseArrayTransforms(table);
  return true;
}
