// The public entries of the math library.
#include "math/vector_math.h"

#include "math/portable_routines.h"

Float16Bits* float32To16Array(Float16Bits* out, const float* in, UINT count) {
  return math_portable::float32To16Array(out, in, count);
}
float* float16To32Array(float* out, const Float16Bits* in, UINT count) {
  return math_portable::float16To32Array(out, in, count);
}
Vec3* vec3Normalize(Vec3* out, const Vec3* v) { return math_portable::vec3Normalize(out, v); }
