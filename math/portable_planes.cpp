// Portable plane routines.
#include <cfloat>
#include <cmath>

#include "math/portable_routines.h"
#include "math/strided.h"

namespace math_portable {

Plane* planeFromPointNormal(Plane* out, const Vec3* point, const Vec3* normal) {
  *out = Plane{normal->x, normal->y, normal->z, -(point->x * normal->x + point->y * normal->y + point->z * normal->z)};
  return out;
}

Plane* planeFromPoints(Plane* out, const Vec3* v1, const Vec3* v2, const Vec3* v3) {
  // Normal of the triangle (counter-clockwise seen from its front), normalised.
  Vec3 e1{v2->x - v1->x, v2->y - v1->y, v2->z - v1->z};
  Vec3 e2{v3->x - v1->x, v3->y - v1->y, v3->z - v1->z};
  Vec3 normal{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
  math_portable::vec3Normalize(&normal, &normal);
  return math_portable::planeFromPointNormal(out, v1, &normal);
}

Plane* planeNormalize(Plane* out, const Plane* p) {
  // Divides by the normal's length; a plane without a normal gives all zeros.
  float squared = p->a * p->a + p->b * p->b + p->c * p->c;
  if (squared > FLT_MIN) {
    float length = std::sqrt(squared);
    *out = Plane{p->a / length, p->b / length, p->c / length, p->d / length};
  } else {
    *out = Plane{0, 0, 0, 0};
  }
  return out;
}

Vec3* planeIntersectLine(Vec3* out, const Plane* p, const Vec3* v1, const Vec3* v2) {
  Vec3 direction{v2->x - v1->x, v2->y - v1->y, v2->z - v1->z};
  float along = p->a * direction.x + p->b * direction.y + p->c * direction.z;
  if (along == 0.0f) return nullptr;
  float t = -(p->a * v1->x + p->b * v1->y + p->c * v1->z + p->d) / along;
  *out = Vec3{v1->x + t * direction.x, v1->y + t * direction.y, v1->z + t * direction.z};
  return out;
}

Plane* planeTransform(Plane* out, const Plane* p, const Matrix4x4* m) {
  Vec4 v{p->a, p->b, p->c, p->d};
  math_portable::vec4Transform(&v, &v, m);
  *out = Plane{v.x, v.y, v.z, v.w};
  return out;
}

Plane* planeTransformArray(Plane* out, UINT outStride, const Plane* in, UINT inStride, const Matrix4x4* m, UINT count) {
  for (UINT i = 0; i < count; ++i) {
    math_portable::planeTransform(math_detail::stridedAt(out, outStride, i), math_detail::stridedAt(in, inStride, i),
                                  m);
  }
  return out;
}

}  // namespace math_portable
