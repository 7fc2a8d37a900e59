// The two camera-matrix builders, plain functions outside the routine table.
#include <cmath>

#include "math/portable_routines.h"

namespace {

Vec3 cross(const Vec3& a, const Vec3& b) {
  return Vec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

}  // namespace

Matrix4x4* matrixLookAtRH(Matrix4x4* out, const Vec3* eye, const Vec3* at, const Vec3* up) {
  // The camera's z points from the target back to the eye: the viewer looks along -z.
  Vec3 z{eye->x - at->x, eye->y - at->y, eye->z - at->z};
  math_portable::vec3Normalize(&z, &z);
  Vec3 x = cross(*up, z);
  math_portable::vec3Normalize(&x, &x);
  Vec3 y = cross(z, x);
  *out = Matrix4x4{
      {{x.x, y.x, z.x, 0}, {x.y, y.y, z.y, 0}, {x.z, y.z, z.z, 0}, {-dot(x, *eye), -dot(y, *eye), -dot(z, *eye), 1}}};
  return out;
}

Matrix4x4* matrixPerspectiveFovRH(Matrix4x4* out, float fovY, float aspect, float zNear, float zFar) {
  float h = std::cos(fovY * 0.5f) / std::sin(fovY * 0.5f);
  float w = h / aspect;
  float depth = zNear - zFar;
  *out = Matrix4x4{{{w, 0, 0, 0}, {0, h, 0, 0}, {0, 0, zFar / depth, -1}, {0, 0, zNear * zFar / depth, 0}}};
  return out;
}
