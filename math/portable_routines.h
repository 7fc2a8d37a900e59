// The portable set: plain C++ forms of every table routine. They are the reference the
// processor-specific variants are measured against, and the table's starting contents.
#pragma once

#include "math/vector_math.h"

namespace math_portable {

Vec4* vec2Transform(Vec4* out, const Vec2* v, const Matrix4x4* m);
Vec2* vec2TransformCoord(Vec2* out, const Vec2* v, const Matrix4x4* m);
Vec2* vec2TransformNormal(Vec2* out, const Vec2* v, const Matrix4x4* m);
Vec2* vec2Normalize(Vec2* out, const Vec2* v);
Vec2* vec2Hermite(Vec2* out, const Vec2* v1, const Vec2* t1, const Vec2* v2, const Vec2* t2, float s);
Vec2* vec2CatmullRom(Vec2* out, const Vec2* v0, const Vec2* v1, const Vec2* v2, const Vec2* v3, float s);
Vec2* vec2BaryCentric(Vec2* out, const Vec2* v1, const Vec2* v2, const Vec2* v3, float f, float g);
Vec4* vec2TransformArray(Vec4* out, UINT outStride, const Vec2* in, UINT inStride, const Matrix4x4* m, UINT count);
Vec2* vec2TransformCoordArray(Vec2* out, UINT outStride, const Vec2* in, UINT inStride, const Matrix4x4* m, UINT count);
Vec2* vec2TransformNormalArray(Vec2* out, UINT outStride, const Vec2* in, UINT inStride, const Matrix4x4* m,
                               UINT count);
Vec4* vec3Transform(Vec4* out, const Vec3* v, const Matrix4x4* m);
Vec3* vec3TransformCoord(Vec3* out, const Vec3* v, const Matrix4x4* m);
Vec3* vec3TransformNormal(Vec3* out, const Vec3* v, const Matrix4x4* m);
Vec3* vec3Normalize(Vec3* out, const Vec3* v);
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
Vec4* vec4Transform(Vec4* out, const Vec4* v, const Matrix4x4* m);
Vec4* vec4Normalize(Vec4* out, const Vec4* v);
Vec4* vec4Cross(Vec4* out, const Vec4* v1, const Vec4* v2, const Vec4* v3);
Vec4* vec4Hermite(Vec4* out, const Vec4* v1, const Vec4* t1, const Vec4* v2, const Vec4* t2, float s);
Vec4* vec4CatmullRom(Vec4* out, const Vec4* v0, const Vec4* v1, const Vec4* v2, const Vec4* v3, float s);
Vec4* vec4BaryCentric(Vec4* out, const Vec4* v1, const Vec4* v2, const Vec4* v3, float f, float g);
Vec4* vec4TransformArray(Vec4* out, UINT outStride, const Vec4* in, UINT inStride, const Matrix4x4* m, UINT count);
Matrix4x4* matrixMultiply(Matrix4x4* out, const Matrix4x4* a, const Matrix4x4* b);
Matrix4x4* matrixMultiplyTranspose(Matrix4x4* out, const Matrix4x4* a, const Matrix4x4* b);
float matrixDeterminant(const Matrix4x4* m);
Matrix4x4* matrixInverse(Matrix4x4* out, float* determinant, const Matrix4x4* m);
Matrix4x4* matrixTranspose(Matrix4x4* out, const Matrix4x4* m);
Matrix4x4* matrixTranslation(Matrix4x4* out, float x, float y, float z);
Matrix4x4* matrixScaling(Matrix4x4* out, float sx, float sy, float sz);
Matrix4x4* matrixRotationX(Matrix4x4* out, float angle);
Matrix4x4* matrixRotationY(Matrix4x4* out, float angle);
Matrix4x4* matrixRotationZ(Matrix4x4* out, float angle);
Matrix4x4* matrixRotationAxis(Matrix4x4* out, const Vec3* axis, float angle);
Matrix4x4* matrixFromQuaternion(Matrix4x4* out, const Quaternion* q);
Matrix4x4* matrixRotationYawPitchRoll(Matrix4x4* out, float yaw, float pitch, float roll);
Matrix4x4* matrixTransformation(Matrix4x4* out, const Vec3* scalingCenter, const Quaternion* scalingRotation,
                                const Vec3* scaling, const Vec3* rotationCenter, const Quaternion* rotation,
                                const Vec3* translation);
Matrix4x4* matrixAffineTransformation(Matrix4x4* out, float scaling, const Vec3* rotationCenter,
                                      const Quaternion* rotation, const Vec3* translation);
Matrix4x4* matrixShadow(Matrix4x4* out, const Vec4* light, const Plane* plane);
Matrix4x4* matrixReflect(Matrix4x4* out, const Plane* plane);
Quaternion* quaternionMultiply(Quaternion* out, const Quaternion* q1, const Quaternion* q2);
Quaternion* quaternionNormalize(Quaternion* out, const Quaternion* q);
Quaternion* quaternionInverse(Quaternion* out, const Quaternion* q);
Quaternion* quaternionFromMatrix(Quaternion* out, const Matrix4x4* m);
Quaternion* quaternionFromYawPitchRoll(Quaternion* out, float yaw, float pitch, float roll);
Quaternion* quaternionFromAxisAngle(Quaternion* out, const Vec3* axis, float angle);
Vec3* quaternionToAxisAngle(Vec3* axis, float* angle, const Quaternion* q);
Quaternion* quaternionSlerp(Quaternion* out, const Quaternion* q1, const Quaternion* q2, float t);
Quaternion* quaternionSquad(Quaternion* out, const Quaternion* q1, const Quaternion* a, const Quaternion* b,
                            const Quaternion* c, float t);
Quaternion* quaternionSquadSetup(Quaternion* aOut, Quaternion* bOut, Quaternion* cOut, const Quaternion* q0,
                                 const Quaternion* q1, const Quaternion* q2, const Quaternion* q3);
Quaternion* quaternionBaryCentric(Quaternion* out, const Quaternion* q1, const Quaternion* q2, const Quaternion* q3,
                                  float f, float g);
Quaternion* quaternionLn(Quaternion* out, const Quaternion* q);
Quaternion* quaternionExp(Quaternion* out, const Quaternion* q);
Plane* planeFromPointNormal(Plane* out, const Vec3* point, const Vec3* normal);
Plane* planeFromPoints(Plane* out, const Vec3* v1, const Vec3* v2, const Vec3* v3);
Plane* planeNormalize(Plane* out, const Plane* p);
Vec3* planeIntersectLine(Vec3* out, const Plane* p, const Vec3* v1, const Vec3* v2);
Plane* planeTransform(Plane* out, const Plane* p, const Matrix4x4* m);
Plane* planeTransformArray(Plane* out, UINT outStride, const Plane* in, UINT inStride, const Matrix4x4* m, UINT count);
Float16Bits* float32To16Array(Float16Bits* out, const float* in, UINT count);
float* float16To32Array(float* out, const Float16Bits* in, UINT count);
void* skinnedMeshUpdate(void* destinationVertices, const void* sourceVertices, const SkinnedMeshDesc* desc);
Vec3* nPatchTessellate(Vec3* outPositions, Vec3* outNormals, const Vec3 positions[3], const Vec3 normals[3],
                       UINT segments);

}  // namespace math_portable
