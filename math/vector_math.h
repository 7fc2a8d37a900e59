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

// Skinning input of skinnedMeshUpdate: vertices of `vertexStride` bytes with a position (three
// floats) at offset 0 and, when normalOffset is not kNoNormal, a normal at normalOffset. Each
// bone lists the vertices it moves and their weights; a vertex's result is the weighted sum of
// its bones' transforms (positions by the bone matrix, normals by its upper 3 x 3 without
// translation and renormalised).
struct SkinnedBone {
  const Matrix4x4* transform;
  const UINT* vertices;
  const float* weights;
  UINT influenceCount;
};
struct SkinnedMeshDesc {
  static constexpr UINT kNoNormal = 0xFFFFFFFFu;
  const SkinnedBone* bones;
  UINT boneCount;
  UINT vertexCount;
  UINT vertexStride;
  UINT normalOffset;
};

// 2-vectors.
Vec4* vec2Transform(Vec4* out, const Vec2* v, const Matrix4x4* m);        // (x, y, 0, 1) x M
Vec2* vec2TransformCoord(Vec2* out, const Vec2* v, const Matrix4x4* m);   // the same divided by w
Vec2* vec2TransformNormal(Vec2* out, const Vec2* v, const Matrix4x4* m);  // (x, y, 0, 0) x M
Vec2* vec2Normalize(Vec2* out, const Vec2* v);
Vec2* vec2Hermite(Vec2* out, const Vec2* v1, const Vec2* t1, const Vec2* v2, const Vec2* t2, float s);
Vec2* vec2CatmullRom(Vec2* out, const Vec2* v0, const Vec2* v1, const Vec2* v2, const Vec2* v3, float s);
Vec2* vec2BaryCentric(Vec2* out, const Vec2* v1, const Vec2* v2, const Vec2* v3, float f, float g);
Vec4* vec2TransformArray(Vec4* out, UINT outStride, const Vec2* in, UINT inStride, const Matrix4x4* m, UINT count);
Vec2* vec2TransformCoordArray(Vec2* out, UINT outStride, const Vec2* in, UINT inStride, const Matrix4x4* m, UINT count);
Vec2* vec2TransformNormalArray(Vec2* out, UINT outStride, const Vec2* in, UINT inStride, const Matrix4x4* m,
                               UINT count);

// 3-vectors.
Vec4* vec3Transform(Vec4* out, const Vec3* v, const Matrix4x4* m);  // (x, y, z, 1) x M, no division
Vec3* vec3TransformCoord(Vec3* out, const Vec3* v, const Matrix4x4* m);
Vec3* vec3TransformNormal(Vec3* out, const Vec3* v, const Matrix4x4* m);
Vec3* vec3Normalize(Vec3* out, const Vec3* v);  // (0, 0, 0) when too short to normalise
// World, view and projection, then the viewport (any matrix may be null for identity).
Vec3* vec3Project(Vec3* out, const Vec3* v, const D3DVIEWPORT9* viewport, const Matrix4x4* projection,
                  const Matrix4x4* view, const Matrix4x4* world);
Vec3* vec3Unproject(Vec3* out, const Vec3* v, const D3DVIEWPORT9* viewport, const Matrix4x4* projection,
                    const Matrix4x4* view, const Matrix4x4* world);
Vec3* vec3Hermite(Vec3* out, const Vec3* v1, const Vec3* t1, const Vec3* v2, const Vec3* t2, float s);
Vec3* vec3CatmullRom(Vec3* out, const Vec3* v0, const Vec3* v1, const Vec3* v2, const Vec3* v3, float s);
Vec3* vec3BaryCentric(Vec3* out, const Vec3* v1, const Vec3* v2, const Vec3* v3, float f, float g);
Vec4* vec3TransformArray(Vec4* out, UINT outStride, const Vec3* in, UINT inStride, const Matrix4x4* m, UINT count);
Vec3* vec3TransformCoordArray(Vec3* out, UINT outStride, const Vec3* in, UINT inStride, const Matrix4x4* m, UINT count);
Vec3* vec3TransformNormalArray(Vec3* out, UINT outStride, const Vec3* in, UINT inStride, const Matrix4x4* m,
                               UINT count);
Vec3* vec3ProjectArray(Vec3* out, UINT outStride, const Vec3* in, UINT inStride, const D3DVIEWPORT9* viewport,
                       const Matrix4x4* projection, const Matrix4x4* view, const Matrix4x4* world, UINT count);
Vec3* vec3UnprojectArray(Vec3* out, UINT outStride, const Vec3* in, UINT inStride, const D3DVIEWPORT9* viewport,
                         const Matrix4x4* projection, const Matrix4x4* view, const Matrix4x4* world, UINT count);

// 4-vectors.
Vec4* vec4Transform(Vec4* out, const Vec4* v, const Matrix4x4* m);
Vec4* vec4Normalize(Vec4* out, const Vec4* v);
Vec4* vec4Cross(Vec4* out, const Vec4* v1, const Vec4* v2, const Vec4* v3);  // orthogonal to all three
Vec4* vec4Hermite(Vec4* out, const Vec4* v1, const Vec4* t1, const Vec4* v2, const Vec4* t2, float s);
Vec4* vec4CatmullRom(Vec4* out, const Vec4* v0, const Vec4* v1, const Vec4* v2, const Vec4* v3, float s);
Vec4* vec4BaryCentric(Vec4* out, const Vec4* v1, const Vec4* v2, const Vec4* v3, float f, float g);
Vec4* vec4TransformArray(Vec4* out, UINT outStride, const Vec4* in, UINT inStride, const Matrix4x4* m, UINT count);

// Matrices.
Matrix4x4* matrixMultiply(Matrix4x4* out, const Matrix4x4* a, const Matrix4x4* b);           // a x b: a applies first
Matrix4x4* matrixMultiplyTranspose(Matrix4x4* out, const Matrix4x4* a, const Matrix4x4* b);  // (a x b) transposed
float matrixDeterminant(const Matrix4x4* m);
// Null for a singular matrix (or one whose determinant has no finite reciprocal); out is then
// left as it was. The determinant is stored in *determinant when that is given, in either case.
Matrix4x4* matrixInverse(Matrix4x4* out, float* determinant, const Matrix4x4* m);
Matrix4x4* matrixTranspose(Matrix4x4* out, const Matrix4x4* m);
Matrix4x4* matrixTranslation(Matrix4x4* out, float x, float y, float z);
Matrix4x4* matrixScaling(Matrix4x4* out, float sx, float sy, float sz);
Matrix4x4* matrixRotationX(Matrix4x4* out, float angle);
Matrix4x4* matrixRotationY(Matrix4x4* out, float angle);
Matrix4x4* matrixRotationZ(Matrix4x4* out, float angle);
Matrix4x4* matrixRotationAxis(Matrix4x4* out, const Vec3* axis, float angle);
Matrix4x4* matrixFromQuaternion(Matrix4x4* out, const Quaternion* q);
Matrix4x4* matrixRotationYawPitchRoll(Matrix4x4* out, float yaw, float pitch, float roll);  // roll, pitch, then yaw
// Scaling about scalingCenter in the frame scalingRotation, then rotation about rotationCenter,
// then translation; any pointer may be null (no scaling, rotation or translation, origin centre).
Matrix4x4* matrixTransformation(Matrix4x4* out, const Vec3* scalingCenter, const Quaternion* scalingRotation,
                                const Vec3* scaling, const Vec3* rotationCenter, const Quaternion* rotation,
                                const Vec3* translation);
Matrix4x4* matrixAffineTransformation(Matrix4x4* out, float scaling, const Vec3* rotationCenter,
                                      const Quaternion* rotation, const Vec3* translation);
// Flattens geometry onto the plane as seen from the light (w = 0: a direction, w = 1: a point).
Matrix4x4* matrixShadow(Matrix4x4* out, const Vec4* light, const Plane* plane);
Matrix4x4* matrixReflect(Matrix4x4* out, const Plane* plane);

// Quaternions.
Quaternion* quaternionMultiply(Quaternion* out, const Quaternion* q1, const Quaternion* q2);  // q1 then q2
Quaternion* quaternionNormalize(Quaternion* out, const Quaternion* q);
Quaternion* quaternionInverse(Quaternion* out, const Quaternion* q);
Quaternion* quaternionFromMatrix(Quaternion* out, const Matrix4x4* m);
Quaternion* quaternionFromYawPitchRoll(Quaternion* out, float yaw, float pitch, float roll);
Quaternion* quaternionFromAxisAngle(Quaternion* out, const Vec3* axis, float angle);
// Axis (x, y, z) and angle 2 acos(w); either output may be null. Returns axis.
Vec3* quaternionToAxisAngle(Vec3* axis, float* angle, const Quaternion* q);
Quaternion* quaternionSlerp(Quaternion* out, const Quaternion* q1, const Quaternion* q2, float t);
Quaternion* quaternionSquad(Quaternion* out, const Quaternion* q1, const Quaternion* a, const Quaternion* b,
                            const Quaternion* c, float t);
// The control points for quaternionSquad between q1 and q2 with neighbours q0 and q3. Returns aOut.
Quaternion* quaternionSquadSetup(Quaternion* aOut, Quaternion* bOut, Quaternion* cOut, const Quaternion* q0,
                                 const Quaternion* q1, const Quaternion* q2, const Quaternion* q3);
Quaternion* quaternionBaryCentric(Quaternion* out, const Quaternion* q1, const Quaternion* q2, const Quaternion* q3,
                                  float f, float g);
Quaternion* quaternionLn(Quaternion* out, const Quaternion* q);   // of a unit quaternion
Quaternion* quaternionExp(Quaternion* out, const Quaternion* q);  // of a pure quaternion (w ignored)

// Planes.
Plane* planeFromPointNormal(Plane* out, const Vec3* point, const Vec3* normal);
Plane* planeFromPoints(Plane* out, const Vec3* v1, const Vec3* v2, const Vec3* v3);
Plane* planeNormalize(Plane* out, const Plane* p);
// The point where the line through v1 and v2 meets the plane; null when they are parallel.
Vec3* planeIntersectLine(Vec3* out, const Plane* p, const Vec3* v1, const Vec3* v2);
// m should be the inverse transpose of the matrix that transforms the points.
Plane* planeTransform(Plane* out, const Plane* p, const Matrix4x4* m);
Plane* planeTransformArray(Plane* out, UINT outStride, const Plane* in, UINT inStride, const Matrix4x4* m, UINT count);

// Half floats: to 16 bits with rounding to nearest, ties to even, saturating at +-131008.
Float16Bits* float32To16Array(Float16Bits* out, const float* in, UINT count);
float* float16To32Array(float* out, const Float16Bits* in, UINT count);

// Mesh routines. skinnedMeshUpdate writes positions (and normals) of every vertex of the
// destination; other vertex bytes are left as they are.
void* skinnedMeshUpdate(void* destinationVertices, const void* sourceVertices, const SkinnedMeshDesc* desc);
// Tessellates one curved (PN) triangle from its corner positions and normals into
// (segments + 1)(segments + 2) / 2 vertices, row by row from corner 0; segments >= 1.
Vec3* nPatchTessellate(Vec3* outPositions, Vec3* outNormals, const Vec3 positions[3], const Vec3 normals[3],
                       UINT segments);

// Camera matrices (outside the routine table). Right-handed: the viewer looks along its -z.
Matrix4x4* matrixLookAtRH(Matrix4x4* out, const Vec3* eye, const Vec3* at, const Vec3* up);
Matrix4x4* matrixPerspectiveFovRH(Matrix4x4* out, float fovY, float aspect, float zNear, float zFar);
