// The x87-tuned normaliser's own thresholds and table, and the two mesh routines.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <vector>

#include "math/math_dispatch.h"
#include "math/reciprocal_sqrt_table.h"
#include "math/vector_math.h"

namespace {

TEST(X87NormalizeTest, TableGivesTheReciprocalSquareRootToFloatPrecision) {
  // Every segment, both exponent parities, and far exponents.
  double worst = 0;
  for (int e = -126; e <= 127; e += 7) {
    for (int step = 0; step < 1024; ++step) {
      float s = std::ldexp(1.0f + static_cast<float>(step) / 1024.0f, e);
      double exact = 1.0 / std::sqrt(static_cast<double>(s));
      worst = std::max(worst, std::fabs(math_detail::reciprocalSqrt(s) - exact) / exact);
    }
  }
  EXPECT_LT(worst, 3e-7);  // a few ulps of float
}

TEST(X87NormalizeTest, OwnThresholds) {
  selectMathSetForTesting(MathSet::PortableAndX87);
  ASSERT_NE(mathRoutineTable.vec3Normalize, portableMathRoutines.vec3Normalize);
  Vec3 out{5, 5, 5}, zero{0, 0, 0};
  vec3Normalize(&out, &zero);
  EXPECT_EQ(out.x, 0.0f);
  // Within 1e-5 of unit length: copied unchanged (the portable form would scale this one).
  Vec3 nearUnit{1.000004f, 0, 0};
  vec3Normalize(&out, &nearUnit);
  EXPECT_EQ(out.x, nearUnit.x);
  Vec3 outside{1.0001f, 0, 0};
  vec3Normalize(&out, &outside);
  EXPECT_FLOAT_EQ(out.x, 1.0f);
  // Only an exactly zero squared length gives zero: a very short vector keeps its direction.
  Vec3 tiny{3e-21f, 0, -4e-21f};
  vec3Normalize(&out, &tiny);
  EXPECT_FLOAT_EQ(out.x, 0.6f);
  EXPECT_FLOAT_EQ(out.z, -0.8f);
  Vec3 large{300, 400, 0};
  vec3Normalize(&large, &large);
  EXPECT_FLOAT_EQ(large.y, 0.8f);
  resetMathDispatchForTesting();
}

struct SkinVertex {
  Vec3 position;
  Vec3 normal;
  float u;
};

TEST(MeshRoutinesTest, SkinningBlendsBoneTransforms) {
  std::vector<SkinVertex> vertices = {
      {{1, 0, 0}, {0, 1, 0}, 0.5f}, {{0, 2, 0}, {1, 0, 0}, 0.75f}, {{0, 0, 3}, {0, 0, 1}, 1}};
  Matrix4x4 up, turn;
  matrixTranslation(&up, 0, 10, 0);
  matrixRotationZ(&turn, std::acos(-1.0f) / 2);
  const UINT upVertices[] = {0, 1, 9};  // 9 is past the end: ignored
  const float upWeights[] = {1.0f, 0.5f, 1.0f};
  const UINT turnVertices[] = {1};
  const float turnWeights[] = {0.5f};
  SkinnedBone bones[] = {{&up, upVertices, upWeights, 3}, {&turn, turnVertices, turnWeights, 1}};
  SkinnedMeshDesc desc{bones, 2, 3, sizeof(SkinVertex), offsetof(SkinVertex, normal)};
  std::vector<SkinVertex> out(3, SkinVertex{{9, 9, 9}, {9, 9, 9}, 9});
  EXPECT_EQ(skinnedMeshUpdate(out.data(), vertices.data(), &desc), out.data());
  EXPECT_FLOAT_EQ(out[0].position.y, 10.0f);
  EXPECT_FLOAT_EQ(out[0].normal.y, 1.0f);  // translation leaves normals alone
  // Half moved up, half turned: (0, 6, 0) + (-1, 0, 0).
  EXPECT_NEAR(out[1].position.x, -1.0f, 1e-5f);
  EXPECT_NEAR(out[1].position.y, 6.0f, 1e-5f);
  EXPECT_NEAR(std::hypot(out[1].normal.x, out[1].normal.y), 1.0f, 1e-5f);  // renormalised blend
  // No bone moves vertex 2: zero. Bytes beyond position and normal stay.
  EXPECT_EQ(out[2].position.z, 0.0f);
  EXPECT_EQ(out[2].u, 9.0f);
  // In place gives the same positions.
  skinnedMeshUpdate(vertices.data(), vertices.data(), &desc);
  EXPECT_NEAR(vertices[1].position.y, 6.0f, 1e-5f);
  // Without normals only positions are written.
  desc.normalOffset = SkinnedMeshDesc::kNoNormal;
  out.assign(3, SkinVertex{{9, 9, 9}, {9, 9, 9}, 9});
  skinnedMeshUpdate(out.data(), vertices.data(), &desc);
  EXPECT_EQ(out[0].normal.x, 9.0f);
}

TEST(MeshRoutinesTest, CurvedTriangleKeepsCornersAndFlatPatchesFlat) {
  const Vec3 corners[3] = {{0, 0, 0}, {4, 0, 0}, {0, 0, -4}};
  const Vec3 up[3] = {{0, 1, 0}, {0, 2, 0}, {0, 1, 0}};
  constexpr UINT kSegments = 4;
  constexpr UINT kVertices = (kSegments + 1) * (kSegments + 2) / 2;
  Vec3 positions[kVertices], normals[kVertices];
  ASSERT_EQ(nPatchTessellate(positions, normals, corners, up, kSegments), positions);
  EXPECT_EQ(positions[0].x, 0.0f);                                // corner 0 first
  EXPECT_FLOAT_EQ(positions[kVertices - kSegments - 1].x, 4.0f);  // last row starts at corner 1
  EXPECT_FLOAT_EQ(positions[kVertices - 1].z, -4.0f);             // and ends at corner 2
  for (UINT i = 0; i < kVertices; ++i) {
    EXPECT_NEAR(positions[i].y, 0.0f, 1e-6f) << i;  // normals agree with the face: no bulge
    EXPECT_NEAR(normals[i].y, 1.0f, 1e-6f) << i;
  }
  // Normals tilted outwards make the patch bulge towards them.
  const Vec3 tilted[3] = {{-1, 1, 1}, {1, 1, 0}, {0, 1, -1}};
  nPatchTessellate(positions, nullptr, corners, tilted, kSegments);
  EXPECT_GT(positions[7].y, 0.1f);  // an interior vertex
  EXPECT_EQ(nPatchTessellate(positions, normals, corners, up, 0), nullptr);
}

}  // namespace
