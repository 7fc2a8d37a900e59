// Portable 2-, 3- and 4-vector routines.
#include <cfloat>
#include <cmath>
#include <initializer_list>

#include "math/portable_routines.h"
#include "math/strided.h"

namespace math_portable {
namespace {

using math_detail::stridedAt;

// The normalisers share one rule: a squared length within 2^-23 of 1 is already unit length,
// one below the smallest normal float is too short and gives zero.
enum class LengthClass { AlreadyUnit, Scalable, TooShort };
LengthClass classifySquaredLength(float squared) {
  if (std::fabs(squared - 1.0f) <= FLT_EPSILON) return LengthClass::AlreadyUnit;
  return squared > FLT_MIN ? LengthClass::Scalable : LengthClass::TooShort;
}

Vec4 transformPoint(float x, float y, float z, float w, const Matrix4x4& m) {
  return Vec4{x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + w * m.m[3][0],
              x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + w * m.m[3][1],
              x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + w * m.m[3][2],
              x * m.m[0][3] + y * m.m[1][3] + z * m.m[2][3] + w * m.m[3][3]};
}

// Weights of the cubic Hermite basis at s: for v1, t1, v2, t2.
struct HermiteWeights {
  float v1, t1, v2, t2;
};
HermiteWeights hermiteWeights(float s) {
  float s2 = s * s, s3 = s2 * s;
  return {2 * s3 - 3 * s2 + 1, s3 - 2 * s2 + s, -2 * s3 + 3 * s2, s3 - s2};
}

// Weights of the Catmull-Rom spline through v1 (s = 0) and v2 (s = 1): for v0, v1, v2, v3.
struct CatmullRomWeights {
  float v0, v1, v2, v3;
};
CatmullRomWeights catmullRomWeights(float s) {
  float s2 = s * s, s3 = s2 * s;
  return {0.5f * (-s3 + 2 * s2 - s), 0.5f * (3 * s3 - 5 * s2 + 2), 0.5f * (-3 * s3 + 4 * s2 + s), 0.5f * (s3 - s2)};
}

Matrix4x4 combinedTransform(const Matrix4x4* world, const Matrix4x4* view, const Matrix4x4* projection) {
  Matrix4x4 result{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
  for (const Matrix4x4* next : {world, view, projection}) {
    if (next != nullptr) math_portable::matrixMultiply(&result, &result, next);
  }
  return result;
}

Vec3 projectOne(const Vec3& v, const D3DVIEWPORT9* viewport, const Matrix4x4& transform) {
  Vec3 p;
  math_portable::vec3TransformCoord(&p, &v, &transform);
  if (viewport == nullptr) return p;
  return Vec3{static_cast<float>(viewport->X) + (1.0f + p.x) * static_cast<float>(viewport->Width) * 0.5f,
              static_cast<float>(viewport->Y) + (1.0f - p.y) * static_cast<float>(viewport->Height) * 0.5f,
              viewport->MinZ + p.z * (viewport->MaxZ - viewport->MinZ)};
}

Vec3 unprojectOne(const Vec3& v, const D3DVIEWPORT9* viewport, const Matrix4x4& inverse) {
  Vec3 p = v;
  if (viewport != nullptr) {
    p = Vec3{(v.x - static_cast<float>(viewport->X)) * 2.0f / static_cast<float>(viewport->Width) - 1.0f,
             1.0f - (v.y - static_cast<float>(viewport->Y)) * 2.0f / static_cast<float>(viewport->Height),
             (v.z - viewport->MinZ) / (viewport->MaxZ - viewport->MinZ)};
  }
  Vec3 result;
  math_portable::vec3TransformCoord(&result, &p, &inverse);
  return result;
}

}  // namespace

// 2-vectors.

Vec4* vec2Transform(Vec4* out, const Vec2* v, const Matrix4x4* m) {
  *out = transformPoint(v->x, v->y, 0, 1, *m);
  return out;
}

Vec2* vec2TransformCoord(Vec2* out, const Vec2* v, const Matrix4x4* m) {
  Vec4 p = transformPoint(v->x, v->y, 0, 1, *m);
  *out = Vec2{p.x / p.w, p.y / p.w};
  return out;
}

Vec2* vec2TransformNormal(Vec2* out, const Vec2* v, const Matrix4x4* m) {
  Vec4 p = transformPoint(v->x, v->y, 0, 0, *m);
  *out = Vec2{p.x, p.y};
  return out;
}

Vec2* vec2Normalize(Vec2* out, const Vec2* v) {
  float squared = v->x * v->x + v->y * v->y;
  switch (classifySquaredLength(squared)) {
    case LengthClass::AlreadyUnit: *out = *v; break;
    case LengthClass::Scalable: {
      float length = std::sqrt(squared);
      *out = Vec2{v->x / length, v->y / length};
      break;
    }
    case LengthClass::TooShort: *out = Vec2{0, 0}; break;
  }
  return out;
}

Vec2* vec2Hermite(Vec2* out, const Vec2* v1, const Vec2* t1, const Vec2* v2, const Vec2* t2, float s) {
  HermiteWeights h = hermiteWeights(s);
  *out = Vec2{h.v1 * v1->x + h.t1 * t1->x + h.v2 * v2->x + h.t2 * t2->x,
              h.v1 * v1->y + h.t1 * t1->y + h.v2 * v2->y + h.t2 * t2->y};
  return out;
}

Vec2* vec2CatmullRom(Vec2* out, const Vec2* v0, const Vec2* v1, const Vec2* v2, const Vec2* v3, float s) {
  CatmullRomWeights c = catmullRomWeights(s);
  *out = Vec2{c.v0 * v0->x + c.v1 * v1->x + c.v2 * v2->x + c.v3 * v3->x,
              c.v0 * v0->y + c.v1 * v1->y + c.v2 * v2->y + c.v3 * v3->y};
  return out;
}

Vec2* vec2BaryCentric(Vec2* out, const Vec2* v1, const Vec2* v2, const Vec2* v3, float f, float g) {
  *out = Vec2{v1->x + f * (v2->x - v1->x) + g * (v3->x - v1->x), v1->y + f * (v2->y - v1->y) + g * (v3->y - v1->y)};
  return out;
}

Vec4* vec2TransformArray(Vec4* out, UINT outStride, const Vec2* in, UINT inStride, const Matrix4x4* m, UINT count) {
  for (UINT i = 0; i < count; ++i)
    math_portable::vec2Transform(stridedAt(out, outStride, i), stridedAt(in, inStride, i), m);
  return out;
}

Vec2* vec2TransformCoordArray(Vec2* out, UINT outStride, const Vec2* in, UINT inStride, const Matrix4x4* m,
                              UINT count) {
  for (UINT i = 0; i < count; ++i)
    math_portable::vec2TransformCoord(stridedAt(out, outStride, i), stridedAt(in, inStride, i), m);
  return out;
}

Vec2* vec2TransformNormalArray(Vec2* out, UINT outStride, const Vec2* in, UINT inStride, const Matrix4x4* m,
                               UINT count) {
  for (UINT i = 0; i < count; ++i)
    math_portable::vec2TransformNormal(stridedAt(out, outStride, i), stridedAt(in, inStride, i), m);
  return out;
}

// 3-vectors.

Vec4* vec3Transform(Vec4* out, const Vec3* v, const Matrix4x4* m) {
  *out = transformPoint(v->x, v->y, v->z, 1, *m);
  return out;
}

Vec3* vec3TransformCoord(Vec3* out, const Vec3* v, const Matrix4x4* m) {
  Vec4 p = transformPoint(v->x, v->y, v->z, 1, *m);
  *out = Vec3{p.x / p.w, p.y / p.w, p.z / p.w};
  return out;
}

Vec3* vec3TransformNormal(Vec3* out, const Vec3* v, const Matrix4x4* m) {
  Vec4 p = transformPoint(v->x, v->y, v->z, 0, *m);
  *out = Vec3{p.x, p.y, p.z};
  return out;
}

Vec3* vec3Normalize(Vec3* out, const Vec3* v) {
  float squared = v->x * v->x + v->y * v->y + v->z * v->z;
  switch (classifySquaredLength(squared)) {
    case LengthClass::AlreadyUnit: *out = *v; break;
    case LengthClass::Scalable: {
      float length = std::sqrt(squared);
      *out = Vec3{v->x / length, v->y / length, v->z / length};
      break;
    }
    case LengthClass::TooShort: *out = Vec3{0, 0, 0}; break;
  }
  return out;
}

Vec3* vec3Project(Vec3* out, const Vec3* v, const D3DVIEWPORT9* viewport, const Matrix4x4* projection,
                  const Matrix4x4* view, const Matrix4x4* world) {
  *out = projectOne(*v, viewport, combinedTransform(world, view, projection));
  return out;
}

Vec3* vec3Unproject(Vec3* out, const Vec3* v, const D3DVIEWPORT9* viewport, const Matrix4x4* projection,
                    const Matrix4x4* view, const Matrix4x4* world) {
  Matrix4x4 transform = combinedTransform(world, view, projection);
  if (math_portable::matrixInverse(&transform, nullptr, &transform) == nullptr) return nullptr;
  *out = unprojectOne(*v, viewport, transform);
  return out;
}

Vec3* vec3Hermite(Vec3* out, const Vec3* v1, const Vec3* t1, const Vec3* v2, const Vec3* t2, float s) {
  HermiteWeights h = hermiteWeights(s);
  *out = Vec3{h.v1 * v1->x + h.t1 * t1->x + h.v2 * v2->x + h.t2 * t2->x,
              h.v1 * v1->y + h.t1 * t1->y + h.v2 * v2->y + h.t2 * t2->y,
              h.v1 * v1->z + h.t1 * t1->z + h.v2 * v2->z + h.t2 * t2->z};
  return out;
}

Vec3* vec3CatmullRom(Vec3* out, const Vec3* v0, const Vec3* v1, const Vec3* v2, const Vec3* v3, float s) {
  CatmullRomWeights c = catmullRomWeights(s);
  *out = Vec3{c.v0 * v0->x + c.v1 * v1->x + c.v2 * v2->x + c.v3 * v3->x,
              c.v0 * v0->y + c.v1 * v1->y + c.v2 * v2->y + c.v3 * v3->y,
              c.v0 * v0->z + c.v1 * v1->z + c.v2 * v2->z + c.v3 * v3->z};
  return out;
}

Vec3* vec3BaryCentric(Vec3* out, const Vec3* v1, const Vec3* v2, const Vec3* v3, float f, float g) {
  *out = Vec3{v1->x + f * (v2->x - v1->x) + g * (v3->x - v1->x), v1->y + f * (v2->y - v1->y) + g * (v3->y - v1->y),
              v1->z + f * (v2->z - v1->z) + g * (v3->z - v1->z)};
  return out;
}

Vec4* vec3TransformArray(Vec4* out, UINT outStride, const Vec3* in, UINT inStride, const Matrix4x4* m, UINT count) {
  for (UINT i = 0; i < count; ++i)
    math_portable::vec3Transform(stridedAt(out, outStride, i), stridedAt(in, inStride, i), m);
  return out;
}

Vec3* vec3TransformCoordArray(Vec3* out, UINT outStride, const Vec3* in, UINT inStride, const Matrix4x4* m,
                              UINT count) {
  for (UINT i = 0; i < count; ++i)
    math_portable::vec3TransformCoord(stridedAt(out, outStride, i), stridedAt(in, inStride, i), m);
  return out;
}

Vec3* vec3TransformNormalArray(Vec3* out, UINT outStride, const Vec3* in, UINT inStride, const Matrix4x4* m,
                               UINT count) {
  for (UINT i = 0; i < count; ++i)
    math_portable::vec3TransformNormal(stridedAt(out, outStride, i), stridedAt(in, inStride, i), m);
  return out;
}

Vec3* vec3ProjectArray(Vec3* out, UINT outStride, const Vec3* in, UINT inStride, const D3DVIEWPORT9* viewport,
                       const Matrix4x4* projection, const Matrix4x4* view, const Matrix4x4* world, UINT count) {
  Matrix4x4 transform = combinedTransform(world, view, projection);
  for (UINT i = 0; i < count; ++i) {
    *stridedAt(out, outStride, i) = projectOne(*stridedAt(in, inStride, i), viewport, transform);
  }
  return out;
}

Vec3* vec3UnprojectArray(Vec3* out, UINT outStride, const Vec3* in, UINT inStride, const D3DVIEWPORT9* viewport,
                         const Matrix4x4* projection, const Matrix4x4* view, const Matrix4x4* world, UINT count) {
  Matrix4x4 transform = combinedTransform(world, view, projection);
  if (math_portable::matrixInverse(&transform, nullptr, &transform) == nullptr) return nullptr;
  for (UINT i = 0; i < count; ++i) {
    *stridedAt(out, outStride, i) = unprojectOne(*stridedAt(in, inStride, i), viewport, transform);
  }
  return out;
}

// 4-vectors.

Vec4* vec4Transform(Vec4* out, const Vec4* v, const Matrix4x4* m) {
  *out = transformPoint(v->x, v->y, v->z, v->w, *m);
  return out;
}

Vec4* vec4Normalize(Vec4* out, const Vec4* v) {
  float squared = v->x * v->x + v->y * v->y + v->z * v->z + v->w * v->w;
  switch (classifySquaredLength(squared)) {
    case LengthClass::AlreadyUnit: *out = *v; break;
    case LengthClass::Scalable: {
      float length = std::sqrt(squared);
      *out = Vec4{v->x / length, v->y / length, v->z / length, v->w / length};
      break;
    }
    case LengthClass::TooShort: *out = Vec4{0, 0, 0, 0}; break;
  }
  return out;
}

Vec4* vec4Cross(Vec4* out, const Vec4* v1, const Vec4* v2, const Vec4* v3) {
  // 2 x 2 minors of the last two rows, then expansion along the first.
  float xy = v2->x * v3->y - v2->y * v3->x;
  float xz = v2->x * v3->z - v2->z * v3->x;
  float xw = v2->x * v3->w - v2->w * v3->x;
  float yz = v2->y * v3->z - v2->z * v3->y;
  float yw = v2->y * v3->w - v2->w * v3->y;
  float zw = v2->z * v3->w - v2->w * v3->z;
  *out = Vec4{v1->y * zw - v1->z * yw + v1->w * yz, -(v1->x * zw - v1->z * xw + v1->w * xz),
              v1->x * yw - v1->y * xw + v1->w * xy, -(v1->x * yz - v1->y * xz + v1->z * xy)};
  return out;
}

Vec4* vec4Hermite(Vec4* out, const Vec4* v1, const Vec4* t1, const Vec4* v2, const Vec4* t2, float s) {
  HermiteWeights h = hermiteWeights(s);
  *out = Vec4{h.v1 * v1->x + h.t1 * t1->x + h.v2 * v2->x + h.t2 * t2->x,
              h.v1 * v1->y + h.t1 * t1->y + h.v2 * v2->y + h.t2 * t2->y,
              h.v1 * v1->z + h.t1 * t1->z + h.v2 * v2->z + h.t2 * t2->z,
              h.v1 * v1->w + h.t1 * t1->w + h.v2 * v2->w + h.t2 * t2->w};
  return out;
}

Vec4* vec4CatmullRom(Vec4* out, const Vec4* v0, const Vec4* v1, const Vec4* v2, const Vec4* v3, float s) {
  CatmullRomWeights c = catmullRomWeights(s);
  *out = Vec4{c.v0 * v0->x + c.v1 * v1->x + c.v2 * v2->x + c.v3 * v3->x,
              c.v0 * v0->y + c.v1 * v1->y + c.v2 * v2->y + c.v3 * v3->y,
              c.v0 * v0->z + c.v1 * v1->z + c.v2 * v2->z + c.v3 * v3->z,
              c.v0 * v0->w + c.v1 * v1->w + c.v2 * v2->w + c.v3 * v3->w};
  return out;
}

Vec4* vec4BaryCentric(Vec4* out, const Vec4* v1, const Vec4* v2, const Vec4* v3, float f, float g) {
  *out = Vec4{v1->x + f * (v2->x - v1->x) + g * (v3->x - v1->x), v1->y + f * (v2->y - v1->y) + g * (v3->y - v1->y),
              v1->z + f * (v2->z - v1->z) + g * (v3->z - v1->z), v1->w + f * (v2->w - v1->w) + g * (v3->w - v1->w)};
  return out;
}

Vec4* vec4TransformArray(Vec4* out, UINT outStride, const Vec4* in, UINT inStride, const Matrix4x4* m, UINT count) {
  for (UINT i = 0; i < count; ++i)
    math_portable::vec4Transform(stridedAt(out, outStride, i), stridedAt(in, inStride, i), m);
  return out;
}

}  // namespace math_portable
