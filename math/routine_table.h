// The table of routine pointers behind the public math routines: one slot per routine, in a
// fixed order, typed after the routine's portable form.
#pragma once

#include <cstddef>

#include "math/portable_routines.h"

struct MathRoutineTable {
  decltype(&math_portable::vec2Transform) vec2Transform;
  decltype(&math_portable::vec2TransformCoord) vec2TransformCoord;
  decltype(&math_portable::vec2TransformNormal) vec2TransformNormal;
  decltype(&math_portable::vec2Normalize) vec2Normalize;
  decltype(&math_portable::vec2Hermite) vec2Hermite;
  decltype(&math_portable::vec2CatmullRom) vec2CatmullRom;
  decltype(&math_portable::vec2BaryCentric) vec2BaryCentric;
  decltype(&math_portable::vec2TransformArray) vec2TransformArray;
  decltype(&math_portable::vec2TransformCoordArray) vec2TransformCoordArray;
  decltype(&math_portable::vec2TransformNormalArray) vec2TransformNormalArray;
  decltype(&math_portable::vec3Transform) vec3Transform;
  decltype(&math_portable::vec3TransformCoord) vec3TransformCoord;
  decltype(&math_portable::vec3TransformNormal) vec3TransformNormal;
  decltype(&math_portable::vec3Normalize) vec3Normalize;
  decltype(&math_portable::vec3Project) vec3Project;
  decltype(&math_portable::vec3Unproject) vec3Unproject;
  decltype(&math_portable::vec3Hermite) vec3Hermite;
  decltype(&math_portable::vec3CatmullRom) vec3CatmullRom;
  decltype(&math_portable::vec3BaryCentric) vec3BaryCentric;
  decltype(&math_portable::vec3TransformArray) vec3TransformArray;
  decltype(&math_portable::vec3TransformCoordArray) vec3TransformCoordArray;
  decltype(&math_portable::vec3TransformNormalArray) vec3TransformNormalArray;
  decltype(&math_portable::vec3ProjectArray) vec3ProjectArray;
  decltype(&math_portable::vec3UnprojectArray) vec3UnprojectArray;
  decltype(&math_portable::vec4Transform) vec4Transform;
  decltype(&math_portable::vec4Normalize) vec4Normalize;
  decltype(&math_portable::vec4Cross) vec4Cross;
  decltype(&math_portable::vec4Hermite) vec4Hermite;
  decltype(&math_portable::vec4CatmullRom) vec4CatmullRom;
  decltype(&math_portable::vec4BaryCentric) vec4BaryCentric;
  decltype(&math_portable::vec4TransformArray) vec4TransformArray;
  decltype(&math_portable::matrixMultiply) matrixMultiply;
  decltype(&math_portable::matrixMultiplyTranspose) matrixMultiplyTranspose;
  decltype(&math_portable::matrixDeterminant) matrixDeterminant;
  decltype(&math_portable::matrixInverse) matrixInverse;
  decltype(&math_portable::matrixTranspose) matrixTranspose;
  decltype(&math_portable::matrixTranslation) matrixTranslation;
  decltype(&math_portable::matrixScaling) matrixScaling;
  decltype(&math_portable::matrixRotationX) matrixRotationX;
  decltype(&math_portable::matrixRotationY) matrixRotationY;
  decltype(&math_portable::matrixRotationZ) matrixRotationZ;
  decltype(&math_portable::matrixRotationAxis) matrixRotationAxis;
  decltype(&math_portable::matrixFromQuaternion) matrixFromQuaternion;
  decltype(&math_portable::matrixRotationYawPitchRoll) matrixRotationYawPitchRoll;
  decltype(&math_portable::matrixTransformation) matrixTransformation;
  decltype(&math_portable::matrixAffineTransformation) matrixAffineTransformation;
  decltype(&math_portable::matrixShadow) matrixShadow;
  decltype(&math_portable::matrixReflect) matrixReflect;
  decltype(&math_portable::quaternionMultiply) quaternionMultiply;
  decltype(&math_portable::quaternionNormalize) quaternionNormalize;
  decltype(&math_portable::quaternionInverse) quaternionInverse;
  decltype(&math_portable::quaternionFromMatrix) quaternionFromMatrix;
  decltype(&math_portable::quaternionFromYawPitchRoll) quaternionFromYawPitchRoll;
  decltype(&math_portable::quaternionFromAxisAngle) quaternionFromAxisAngle;
  decltype(&math_portable::quaternionToAxisAngle) quaternionToAxisAngle;
  decltype(&math_portable::quaternionSlerp) quaternionSlerp;
  decltype(&math_portable::quaternionSquad) quaternionSquad;
  decltype(&math_portable::quaternionSquadSetup) quaternionSquadSetup;
  decltype(&math_portable::quaternionBaryCentric) quaternionBaryCentric;
  decltype(&math_portable::quaternionLn) quaternionLn;
  decltype(&math_portable::quaternionExp) quaternionExp;
  decltype(&math_portable::planeFromPointNormal) planeFromPointNormal;
  decltype(&math_portable::planeFromPoints) planeFromPoints;
  decltype(&math_portable::planeNormalize) planeNormalize;
  decltype(&math_portable::planeIntersectLine) planeIntersectLine;
  decltype(&math_portable::planeTransform) planeTransform;
  decltype(&math_portable::planeTransformArray) planeTransformArray;
  decltype(&math_portable::float32To16Array) float32To16Array;
  decltype(&math_portable::float16To32Array) float16To32Array;
  decltype(&math_portable::skinnedMeshUpdate) skinnedMeshUpdate;
  decltype(&math_portable::nPatchTessellate) nPatchTessellate;
};

inline constexpr std::size_t kMathRoutineCount = 71;
static_assert(sizeof(MathRoutineTable) == kMathRoutineCount * sizeof(void (*)()), "one pointer per routine");

// The portable routines in table order: the table's base contents and the tests' reference.
extern const MathRoutineTable portableMathRoutines;
