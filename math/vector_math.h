// The math library's public routines: vectors, matrices, quaternions, planes and half floats.
//
// Conventions shared by every routine:
//   - Matrices are 4 x 4, stored row by row (m[row][column]), and act on row vectors: a point p
//     is transformed as (x, y, z, 1) x M, so translation lives in row 3 and M1 x M2 applies M1
//     first.
//   - Every routine takes its output pointer first and returns it (matrixDeterminant returns
//     the value). The output may be the same object as an input.
//   - Array forms take the output pointer, the output stride in bytes, the input pointer, the
//     input stride in bytes, the other operands and the element count.
//
// Every routine except matrixLookAtRH and matrixPerspectiveFovRH goes through a table of
// routine pointers that is filled on the first call with the variants best suited to the
// processor (see math/math_dispatch.h).
#pragma once

#include <cstdint>

#include "platform/d3d9/d3d9_types.h"
#include "platform/win/types.h"

struct Vec2 {
  float x, y;
};
struct Vec3 {
  float x, y, z;
};
struct Vec4 {
  float x, y, z, w;
};
// w is the scalar part.
struct Quaternion {
  float x, y, z, w;
};
// The points (x, y, z) with a*x + b*y + c*z + d = 0.
struct Plane {
  float a, b, c, d;
};
struct Matrix4x4 {
  float m[4][4];
};

// The 16-bit floating-point format used by the half-float texture formats: sign, 5-bit
// exponent (bias 15), 10-bit mantissa; no infinity or NaN, exponent 31 is an ordinary one.
using Float16Bits = std::uint16_t;

// Half floats: to 16 bits with rounding to nearest, ties to even, saturating at +-131008.
Float16Bits* float32To16Array(Float16Bits* out, const float* in, UINT count);
float* float16To32Array(float* out, const Float16Bits* in, UINT count);

// (0, 0, 0) when the vector is too short to normalise.
Vec3* vec3Normalize(Vec3* out, const Vec3* v);
