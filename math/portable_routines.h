// The portable set: plain C++ forms of every table routine. They are the reference the
// processor-specific variants are measured against, and the table's starting contents.
#pragma once

#include "math/vector_math.h"

namespace math_portable {

Float16Bits* float32To16Array(Float16Bits* out, const float* in, UINT count);
float* float16To32Array(float* out, const Float16Bits* in, UINT count);

Vec3* vec3Normalize(Vec3* out, const Vec3* v);

}  // namespace math_portable
