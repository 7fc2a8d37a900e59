// The public entries of the math library: each jumps through its slot of the routine table.
#include "math/vector_math.h"

#include "math/math_dispatch.h"

Vec4* vec2Transform(Vec4* out, const Vec2* v, const Matrix4x4* m) { return mathRoutineTable.vec2Transform(out, v, m); }
Vec2* vec2TransformCoord(Vec2* out, const Vec2* v, const Matrix4x4* m) {
  return mathRoutineTable.vec2TransformCoord(out, v, m);
}
Vec2* vec2TransformNormal(Vec2* out, const Vec2* v, const Matrix4x4* m) {
  return mathRoutineTable.vec2TransformNormal(out, v, m);
}
Vec2* vec2Normalize(Vec2* out, const Vec2* v) { return mathRoutineTable.vec2Normalize(out, v); }
Vec2* vec2Hermite(Vec2* out, const Vec2* v1, const Vec2* t1, const Vec2* v2, const Vec2* t2, float s) {
  return mathRoutineTable.vec2Hermite(out, v1, t1, v2, t2, s);
}
Vec2* vec2CatmullRom(Vec2* out, const Vec2* v0, const Vec2* v1, const Vec2* v2, const Vec2* v3, float s) {
  return mathRoutineTable.vec2CatmullRom(out, v0, v1, v2, v3, s);
}
Vec2* vec2BaryCentric(Vec2* out, const Vec2* v1, const Vec2* v2, const Vec2* v3, float f, float g) {
  return mathRoutineTable.vec2BaryCentric(out, v1, v2, v3, f, g);
}
Vec4* vec2TransformArray(Vec4* out, UINT outStride, const Vec2* in, UINT inStride, const Matrix4x4* m, UINT count) {
  return mathRoutineTable.vec2TransformArray(out, outStride, in, inStride, m, count);
}
Vec2* vec2TransformCoordArray(Vec2* out, UINT outStride, const Vec2* in, UINT inStride, const Matrix4x4* m,
                              UINT count) {
  return mathRoutineTable.vec2TransformCoordArray(out, outStride, in, inStride, m, count);
}
Vec2* vec2TransformNormalArray(Vec2* out, UINT outStride, const Vec2* in, UINT inStride, const Matrix4x4* m,
                               UINT count) {
  return mathRoutineTable.vec2TransformNormalArray(out, outStride, in, inStride, m, count);
}
Vec4* vec3Transform(Vec4* out, const Vec3* v, const Matrix4x4* m) { return mathRoutineTable.vec3Transform(out, v, m); }
Vec3* vec3TransformCoord(Vec3* out, const Vec3* v, const Matrix4x4* m) {
  return mathRoutineTable.vec3TransformCoord(out, v, m);
}
Vec3* vec3TransformNormal(Vec3* out, const Vec3* v, const Matrix4x4* m) {
  return mathRoutineTable.vec3TransformNormal(out, v, m);
}
Vec3* vec3Normalize(Vec3* out, const Vec3* v) { return mathRoutineTable.vec3Normalize(out, v); }
Vec3* vec3Project(Vec3* out, const Vec3* v, const D3DVIEWPORT9* viewport, const Matrix4x4* projection,
                  const Matrix4x4* view, const Matrix4x4* world) {
  return mathRoutineTable.vec3Project(out, v, viewport, projection, view, world);
}
Vec3* vec3Unproject(Vec3* out, const Vec3* v, const D3DVIEWPORT9* viewport, const Matrix4x4* projection,
                    const Matrix4x4* view, const Matrix4x4* world) {
  return mathRoutineTable.vec3Unproject(out, v, viewport, projection, view, world);
}
Vec3* vec3Hermite(Vec3* out, const Vec3* v1, const Vec3* t1, const Vec3* v2, const Vec3* t2, float s) {
  return mathRoutineTable.vec3Hermite(out, v1, t1, v2, t2, s);
}
Vec3* vec3CatmullRom(Vec3* out, const Vec3* v0, const Vec3* v1, const Vec3* v2, const Vec3* v3, float s) {
  return mathRoutineTable.vec3CatmullRom(out, v0, v1, v2, v3, s);
}
Vec3* vec3BaryCentric(Vec3* out, const Vec3* v1, const Vec3* v2, const Vec3* v3, float f, float g) {
  return mathRoutineTable.vec3BaryCentric(out, v1, v2, v3, f, g);
}
Vec4* vec3TransformArray(Vec4* out, UINT outStride, const Vec3* in, UINT inStride, const Matrix4x4* m, UINT count) {
  return mathRoutineTable.vec3TransformArray(out, outStride, in, inStride, m, count);
}
Vec3* vec3TransformCoordArray(Vec3* out, UINT outStride, const Vec3* in, UINT inStride, const Matrix4x4* m,
                              UINT count) {
  return mathRoutineTable.vec3TransformCoordArray(out, outStride, in, inStride, m, count);
}
Vec3* vec3TransformNormalArray(Vec3* out, UINT outStride, const Vec3* in, UINT inStride, const Matrix4x4* m,
                               UINT count) {
  return mathRoutineTable.vec3TransformNormalArray(out, outStride, in, inStride, m, count);
}
Vec3* vec3ProjectArray(Vec3* out, UINT outStride, const Vec3* in, UINT inStride, const D3DVIEWPORT9* viewport,
                       const Matrix4x4* projection, const Matrix4x4* view, const Matrix4x4* world, UINT count) {
  return mathRoutineTable.vec3ProjectArray(out, outStride, in, inStride, viewport, projection, view, world, count);
}
Vec3* vec3UnprojectArray(Vec3* out, UINT outStride, const Vec3* in, UINT inStride, const D3DVIEWPORT9* viewport,
                         const Matrix4x4* projection, const Matrix4x4* view, const Matrix4x4* world, UINT count) {
  return mathRoutineTable.vec3UnprojectArray(out, outStride, in, inStride, viewport, projection, view, world, count);
}
Vec4* vec4Transform(Vec4* out, const Vec4* v, const Matrix4x4* m) { return mathRoutineTable.vec4Transform(out, v, m); }
Vec4* vec4Normalize(Vec4* out, const Vec4* v) { return mathRoutineTable.vec4Normalize(out, v); }
Vec4* vec4Cross(Vec4* out, const Vec4* v1, const Vec4* v2, const Vec4* v3) {
  return mathRoutineTable.vec4Cross(out, v1, v2, v3);
}
Vec4* vec4Hermite(Vec4* out, const Vec4* v1, const Vec4* t1, const Vec4* v2, const Vec4* t2, float s) {
  return mathRoutineTable.vec4Hermite(out, v1, t1, v2, t2, s);
}
Vec4* vec4CatmullRom(Vec4* out, const Vec4* v0, const Vec4* v1, const Vec4* v2, const Vec4* v3, float s) {
  return mathRoutineTable.vec4CatmullRom(out, v0, v1, v2, v3, s);
}
Vec4* vec4BaryCentric(Vec4* out, const Vec4* v1, const Vec4* v2, const Vec4* v3, float f, float g) {
  return mathRoutineTable.vec4BaryCentric(out, v1, v2, v3, f, g);
}
Vec4* vec4TransformArray(Vec4* out, UINT outStride, const Vec4* in, UINT inStride, const Matrix4x4* m, UINT count) {
  return mathRoutineTable.vec4TransformArray(out, outStride, in, inStride, m, count);
}
Matrix4x4* matrixMultiply(Matrix4x4* out, const Matrix4x4* a, const Matrix4x4* b) {
  return mathRoutineTable.matrixMultiply(out, a, b);
}
Matrix4x4* matrixMultiplyTranspose(Matrix4x4* out, const Matrix4x4* a, const Matrix4x4* b) {
  return mathRoutineTable.matrixMultiplyTranspose(out, a, b);
}
float matrixDeterminant(const Matrix4x4* m) { return mathRoutineTable.matrixDeterminant(m); }
Matrix4x4* matrixInverse(Matrix4x4* out, float* determinant, const Matrix4x4* m) {
  return mathRoutineTable.matrixInverse(out, determinant, m);
}
Matrix4x4* matrixTranspose(Matrix4x4* out, const Matrix4x4* m) { return mathRoutineTable.matrixTranspose(out, m); }
Matrix4x4* matrixTranslation(Matrix4x4* out, float x, float y, float z) {
  return mathRoutineTable.matrixTranslation(out, x, y, z);
}
Matrix4x4* matrixScaling(Matrix4x4* out, float sx, float sy, float sz) {
  return mathRoutineTable.matrixScaling(out, sx, sy, sz);
}
Matrix4x4* matrixRotationX(Matrix4x4* out, float angle) { return mathRoutineTable.matrixRotationX(out, angle); }
Matrix4x4* matrixRotationY(Matrix4x4* out, float angle) { return mathRoutineTable.matrixRotationY(out, angle); }
Matrix4x4* matrixRotationZ(Matrix4x4* out, float angle) { return mathRoutineTable.matrixRotationZ(out, angle); }
Matrix4x4* matrixRotationAxis(Matrix4x4* out, const Vec3* axis, float angle) {
  return mathRoutineTable.matrixRotationAxis(out, axis, angle);
}
Matrix4x4* matrixFromQuaternion(Matrix4x4* out, const Quaternion* q) {
  return mathRoutineTable.matrixFromQuaternion(out, q);
}
Matrix4x4* matrixRotationYawPitchRoll(Matrix4x4* out, float yaw, float pitch, float roll) {
  return mathRoutineTable.matrixRotationYawPitchRoll(out, yaw, pitch, roll);
}
Matrix4x4* matrixTransformation(Matrix4x4* out, const Vec3* scalingCenter, const Quaternion* scalingRotation,
                                const Vec3* scaling, const Vec3* rotationCenter, const Quaternion* rotation,
                                const Vec3* translation) {
  return mathRoutineTable.matrixTransformation(out, scalingCenter, scalingRotation, scaling, rotationCenter, rotation,
                                               translation);
}
Matrix4x4* matrixAffineTransformation(Matrix4x4* out, float scaling, const Vec3* rotationCenter,
                                      const Quaternion* rotation, const Vec3* translation) {
  return mathRoutineTable.matrixAffineTransformation(out, scaling, rotationCenter, rotation, translation);
}
Matrix4x4* matrixShadow(Matrix4x4* out, const Vec4* light, const Plane* plane) {
  return mathRoutineTable.matrixShadow(out, light, plane);
}
Matrix4x4* matrixReflect(Matrix4x4* out, const Plane* plane) { return mathRoutineTable.matrixReflect(out, plane); }
Quaternion* quaternionMultiply(Quaternion* out, const Quaternion* q1, const Quaternion* q2) {
  return mathRoutineTable.quaternionMultiply(out, q1, q2);
}
Quaternion* quaternionNormalize(Quaternion* out, const Quaternion* q) {
  return mathRoutineTable.quaternionNormalize(out, q);
}
Quaternion* quaternionInverse(Quaternion* out, const Quaternion* q) {
  return mathRoutineTable.quaternionInverse(out, q);
}
Quaternion* quaternionFromMatrix(Quaternion* out, const Matrix4x4* m) {
  return mathRoutineTable.quaternionFromMatrix(out, m);
}
Quaternion* quaternionFromYawPitchRoll(Quaternion* out, float yaw, float pitch, float roll) {
  return mathRoutineTable.quaternionFromYawPitchRoll(out, yaw, pitch, roll);
}
Quaternion* quaternionFromAxisAngle(Quaternion* out, const Vec3* axis, float angle) {
  return mathRoutineTable.quaternionFromAxisAngle(out, axis, angle);
}
Vec3* quaternionToAxisAngle(Vec3* axis, float* angle, const Quaternion* q) {
  return mathRoutineTable.quaternionToAxisAngle(axis, angle, q);
}
Quaternion* quaternionSlerp(Quaternion* out, const Quaternion* q1, const Quaternion* q2, float t) {
  return mathRoutineTable.quaternionSlerp(out, q1, q2, t);
}
Quaternion* quaternionSquad(Quaternion* out, const Quaternion* q1, const Quaternion* a, const Quaternion* b,
                            const Quaternion* c, float t) {
  return mathRoutineTable.quaternionSquad(out, q1, a, b, c, t);
}
Quaternion* quaternionSquadSetup(Quaternion* aOut, Quaternion* bOut, Quaternion* cOut, const Quaternion* q0,
                                 const Quaternion* q1, const Quaternion* q2, const Quaternion* q3) {
  return mathRoutineTable.quaternionSquadSetup(aOut, bOut, cOut, q0, q1, q2, q3);
}
Quaternion* quaternionBaryCentric(Quaternion* out, const Quaternion* q1, const Quaternion* q2, const Quaternion* q3,
                                  float f, float g) {
  return mathRoutineTable.quaternionBaryCentric(out, q1, q2, q3, f, g);
}
Quaternion* quaternionLn(Quaternion* out, const Quaternion* q) { return mathRoutineTable.quaternionLn(out, q); }
Quaternion* quaternionExp(Quaternion* out, const Quaternion* q) { return mathRoutineTable.quaternionExp(out, q); }
Plane* planeFromPointNormal(Plane* out, const Vec3* point, const Vec3* normal) {
  return mathRoutineTable.planeFromPointNormal(out, point, normal);
}
Plane* planeFromPoints(Plane* out, const Vec3* v1, const Vec3* v2, const Vec3* v3) {
  return mathRoutineTable.planeFromPoints(out, v1, v2, v3);
}
Plane* planeNormalize(Plane* out, const Plane* p) { return mathRoutineTable.planeNormalize(out, p); }
Vec3* planeIntersectLine(Vec3* out, const Plane* p, const Vec3* v1, const Vec3* v2) {
  return mathRoutineTable.planeIntersectLine(out, p, v1, v2);
}
Plane* planeTransform(Plane* out, const Plane* p, const Matrix4x4* m) {
  return mathRoutineTable.planeTransform(out, p, m);
}
Plane* planeTransformArray(Plane* out, UINT outStride, const Plane* in, UINT inStride, const Matrix4x4* m, UINT count) {
  return mathRoutineTable.planeTransformArray(out, outStride, in, inStride, m, count);
}
Float16Bits* float32To16Array(Float16Bits* out, const float* in, UINT count) {
  return mathRoutineTable.float32To16Array(out, in, count);
}
float* float16To32Array(float* out, const Float16Bits* in, UINT count) {
  return mathRoutineTable.float16To32Array(out, in, count);
}
void* skinnedMeshUpdate(void* destinationVertices, const void* sourceVertices, const SkinnedMeshDesc* desc) {
  return mathRoutineTable.skinnedMeshUpdate(destinationVertices, sourceVertices, desc);
}
Vec3* nPatchTessellate(Vec3* outPositions, Vec3* outNormals, const Vec3 positions[3], const Vec3 normals[3],
                       UINT segments) {
  return mathRoutineTable.nPatchTessellate(outPositions, outNormals, positions, normals, segments);
}