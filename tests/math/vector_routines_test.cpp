#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "math/vector_math.h"

namespace {

TEST(Vec3NormalizeTest, ShortVectorsBecomeZero) {
  Vec3 out{9, 9, 9};
  Vec3 zero{0, 0, 0};
  EXPECT_EQ(vec3Normalize(&out, &zero), &out);
  EXPECT_EQ(out.x, 0.0f);
  EXPECT_EQ(out.y, 0.0f);
  EXPECT_EQ(out.z, 0.0f);
  // Squared length below the smallest normal float.
  Vec3 tiny{1e-20f, 0, 0};
  vec3Normalize(&out, &tiny);
  EXPECT_EQ(out.x, 0.0f);
}

TEST(Vec3NormalizeTest, NearUnitVectorsAreCopied) {
  Vec3 out{};
  Vec3 unit{1, 0, 0};
  vec3Normalize(&out, &unit);
  EXPECT_EQ(out.x, 1.0f);
  // Squared length exactly 1 + 2^-23 is inside the band (bounds included): copied unchanged.
  Vec3 edge{std::sqrt(1.0f + FLT_EPSILON), 0, 0};
  ASSERT_LE(std::fabs(edge.x * edge.x - 1.0f), FLT_EPSILON);
  vec3Normalize(&out, &edge);
  EXPECT_EQ(out.x, edge.x);
}

TEST(Vec3NormalizeTest, ScalesToUnitLengthInPlace) {
  Vec3 v{3, 0, -4};
  EXPECT_EQ(vec3Normalize(&v, &v), &v);
  EXPECT_FLOAT_EQ(v.x, 0.6f);
  EXPECT_FLOAT_EQ(v.y, 0.0f);
  EXPECT_FLOAT_EQ(v.z, -0.8f);
}

}  // namespace
