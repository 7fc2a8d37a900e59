// Portable 2-, 3- and 4-vector routines.
#include <cfloat>
#include <cmath>

#include "math/portable_routines.h"

namespace math_portable {

Vec3* vec3Normalize(Vec3* out, const Vec3* v) {
  float squared = v->x * v->x + v->y * v->y + v->z * v->z;
  if (std::fabs(squared - 1.0f) <= FLT_EPSILON) {
    *out = *v;
  } else if (squared > FLT_MIN) {
    float length = std::sqrt(squared);
    *out = Vec3{v->x / length, v->y / length, v->z / length};
  } else {
    *out = Vec3{0.0f, 0.0f, 0.0f};
  }
  return out;
}

}  // namespace math_portable
