// The x87-tuned set: built for the x87 floating-point unit (-mfpmath=387), with sums kept in
// the unit's extended registers and a table-driven reciprocal square root for vec3Normalize.
#include <bit>
#include <cstdint>

#include "math/reciprocal_sqrt_table.h"
#include "math/variant_sets.h"

namespace math_x87 {
namespace {

// (x, y, z, w) x M. The unit evaluates each sum in its extended registers and rounds once,
// when the float is stored.
inline Vec4 transform4(float x, float y, float z, float w, const Matrix4x4& m) {
  const auto& a = m.m;
  return Vec4{
      x * a[0][0] + y * a[1][0] + z * a[2][0] + w * a[3][0], x * a[0][1] + y * a[1][1] + z * a[2][1] + w * a[3][1],
      x * a[0][2] + y * a[1][2] + z * a[2][2] + w * a[3][2], x * a[0][3] + y * a[1][3] + z * a[2][3] + w * a[3][3]};
}

}  // namespace

Vec4* vec2Transform(Vec4* out, const Vec2* v, const Matrix4x4* m) {
  *out = transform4(v->x, v->y, 0, 1, *m);
  return out;
}

Vec4* vec3Transform(Vec4* out, const Vec3* v, const Matrix4x4* m) {
  *out = transform4(v->x, v->y, v->z, 1, *m);
  return out;
}

Vec4* vec4Transform(Vec4* out, const Vec4* v, const Matrix4x4* m) {
  *out = transform4(v->x, v->y, v->z, v->w, *m);
  return out;
}

Vec2* vec2TransformNormal(Vec2* out, const Vec2* v, const Matrix4x4* m) {
  Vec4 p = transform4(v->x, v->y, 0, 0, *m);
  *out = Vec2{p.x, p.y};
  return out;
}

Vec3* vec3TransformNormal(Vec3* out, const Vec3* v, const Matrix4x4* m) {
  Vec4 p = transform4(v->x, v->y, v->z, 0, *m);
  *out = Vec3{p.x, p.y, p.z};
  return out;
}

Plane* planeTransform(Plane* out, const Plane* p, const Matrix4x4* m) {
  Vec4 v = transform4(p->a, p->b, p->c, p->d, *m);
  *out = Plane{v.x, v.y, v.z, v.w};
  return out;
}

Matrix4x4* matrixMultiply(Matrix4x4* out, const Matrix4x4* a, const Matrix4x4* b) {
  Matrix4x4 product;  // out may be a or b
  for (int i = 0; i < 4; ++i) {
    const float* row = a->m[i];
    Vec4 r = transform4(row[0], row[1], row[2], row[3], *b);
    product.m[i][0] = r.x;
    product.m[i][1] = r.y;
    product.m[i][2] = r.z;
    product.m[i][3] = r.w;
  }
  *out = product;
  return out;
}

Matrix4x4* matrixMultiplyTranspose(Matrix4x4* out, const Matrix4x4* a, const Matrix4x4* b) {
  Matrix4x4 product;
  for (int i = 0; i < 4; ++i) {
    const float* row = a->m[i];
    Vec4 r = transform4(row[0], row[1], row[2], row[3], *b);
    product.m[0][i] = r.x;
    product.m[1][i] = r.y;
    product.m[2][i] = r.z;
    product.m[3][i] = r.w;
  }
  *out = product;
  return out;
}

Vec3* vec3Normalize(Vec3* out, const Vec3* v) {
  // Thresholds of its own: exactly zero gives zero, within 1e-5 of unit length is copied.
  constexpr float kUnitBand = 1.0e-5f;
  float x = v->x, y = v->y, z = v->z;
  float squared = x * x + y * y + z * z;
  if (squared == 0.0f) {
    *out = Vec3{0, 0, 0};
    return out;
  }
  if (squared >= 1.0f - kUnitBand && squared <= 1.0f + kUnitBand) {
    *out = *v;
    return out;
  }
  // The table needs a normal squared length: scale a very short vector up by 2^64 first
  // (its direction does not change), and a subnormal result of that is still worth scaling.
  if (squared < 0x1p-126f) {
    x *= 0x1p64f;
    y *= 0x1p64f;
    z *= 0x1p64f;
    squared = x * x + y * y + z * z;
    if (squared == 0.0f) {
      *out = Vec3{0, 0, 0};
      return out;
    }
  }
  float k = math_detail::reciprocalSqrt(squared);
  *out = Vec3{x * k, y * k, z * k};
  return out;
}

}  // namespace math_x87

void installX87Routines(MathRoutineTable& table) {
  table.vec2Transform = &math_x87::vec2Transform;
  table.vec3Transform = &math_x87::vec3Transform;
  table.vec4Transform = &math_x87::vec4Transform;
  table.matrixMultiply = &math_x87::matrixMultiply;
  table.matrixMultiplyTranspose = &math_x87::matrixMultiplyTranspose;
  table.vec2TransformNormal = &math_x87::vec2TransformNormal;
  table.vec3TransformNormal = &math_x87::vec3TransformNormal;
  table.vec3Normalize = &math_x87::vec3Normalize;
  table.planeTransform = &math_x87::planeTransform;
}
