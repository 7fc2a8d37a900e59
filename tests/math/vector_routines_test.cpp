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

namespace {

TEST(VectorRoutinesTest, OtherNormalisersFollowTheSameRule) {
  Vec2 v2{3, 4}, zero2{0, 0};
  vec2Normalize(&v2, &v2);
  EXPECT_FLOAT_EQ(v2.x, 0.6f);
  vec2Normalize(&zero2, &zero2);
  EXPECT_EQ(zero2.x, 0.0f);
  Vec4 v4{0, 0, 0, 2}, zero4{0, 0, 0, 0};
  vec4Normalize(&v4, &v4);
  EXPECT_EQ(v4.w, 1.0f);
  vec4Normalize(&zero4, &zero4);
  EXPECT_EQ(zero4.w, 0.0f);
}

TEST(VectorRoutinesTest, TransformsDivideOnlyWhereAsked) {
  Matrix4x4 m{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 1}, {10, 20, 30, 1}}};
  Vec3 p{1, 2, 3};
  Vec4 plain;
  vec3Transform(&plain, &p, &m);
  EXPECT_EQ(plain.x, 11.0f);
  EXPECT_EQ(plain.w, 4.0f);  // no division
  Vec3 coord, normal;
  vec3TransformCoord(&coord, &p, &m);
  EXPECT_FLOAT_EQ(coord.z, 33.0f / 4.0f);
  vec3TransformNormal(&normal, &p, &m);  // w = 0: no translation
  EXPECT_EQ(normal.x, 1.0f);
  EXPECT_EQ(normal.z, 3.0f);
  Vec2 flat{1, 2};
  Vec4 flat4;
  vec2Transform(&flat4, &flat, &m);  // (x, y, 0, 1)
  EXPECT_EQ(flat4.y, 22.0f);
  EXPECT_EQ(flat4.w, 1.0f);
}

TEST(VectorRoutinesTest, SplinesPassThroughTheirKeys) {
  Vec3 v0{0, 0, 0}, v1{1, 2, 3}, v2{4, 4, 4}, v3{9, 0, 1}, t1{1, 0, 0}, t2{0, 1, 0}, out;
  vec3Hermite(&out, &v1, &t1, &v2, &t2, 0.0f);
  EXPECT_EQ(out.y, 2.0f);
  vec3Hermite(&out, &v1, &t1, &v2, &t2, 1.0f);
  EXPECT_EQ(out.y, 4.0f);
  vec3CatmullRom(&out, &v0, &v1, &v2, &v3, 0.0f);
  EXPECT_EQ(out.z, 3.0f);
  vec3CatmullRom(&out, &v0, &v1, &v2, &v3, 1.0f);
  EXPECT_EQ(out.z, 4.0f);
  // On a straight, evenly spaced line Catmull-Rom is linear.
  Vec4 a{0, 0, 0, 0}, b{1, 1, 1, 1}, c{2, 2, 2, 2}, d{3, 3, 3, 3}, mid;
  vec4CatmullRom(&mid, &a, &b, &c, &d, 0.25f);
  EXPECT_FLOAT_EQ(mid.w, 1.25f);
  Vec2 p{0, 0}, q{4, 0}, r{0, 8}, bary;
  vec2BaryCentric(&bary, &p, &q, &r, 0.25f, 0.5f);
  EXPECT_FLOAT_EQ(bary.x, 1.0f);
  EXPECT_FLOAT_EQ(bary.y, 4.0f);
}

TEST(VectorRoutinesTest, FourDimensionalCrossIsOrthogonalToAllThree) {
  Vec4 a{1, 2, 3, 4}, b{-2, 0, 1, 3}, c{0.5f, -1, 2, 0}, out;
  vec4Cross(&out, &a, &b, &c);
  for (const Vec4* v : {&a, &b, &c})
    EXPECT_NEAR(out.x * v->x + out.y * v->y + out.z * v->z + out.w * v->w, 0.0f, 1e-4f);
  // Of the first three axes: the fourth, with the determinant's sign.
  Vec4 x{1, 0, 0, 0}, y{0, 1, 0, 0}, z{0, 0, 1, 0};
  vec4Cross(&out, &x, &y, &z);
  EXPECT_EQ(out.x, 0.0f);
  EXPECT_EQ(std::fabs(out.w), 1.0f);
}

TEST(VectorRoutinesTest, ProjectAndUnprojectAreInverse) {
  D3DVIEWPORT9 viewport{10, 20, 640, 480, 0.0f, 1.0f};
  Matrix4x4 projection, view, world;
  matrixPerspectiveFovRH(&projection, 1.0f, 4.0f / 3.0f, 0.5f, 100.0f);
  Vec3 eye{1, 2, 10}, at{0, 0, 0}, up{0, 1, 0};
  matrixLookAtRH(&view, &eye, &at, &up);
  matrixRotationY(&world, 0.4f);
  // The target lands in the middle of the viewport.
  Vec3 origin{0, 0, 0}, screen, back;
  vec3Project(&screen, &origin, &viewport, &projection, &view, nullptr);
  EXPECT_NEAR(screen.x, 330.0f, 1e-3f);
  EXPECT_NEAR(screen.y, 260.0f, 1e-3f);
  EXPECT_GT(screen.z, 0.0f);
  EXPECT_LT(screen.z, 1.0f);
  Vec3 points[3] = {{1, 1, 1}, {-2, 0.5f, 3}, {0, -1, -1}};
  Vec3 projected[3], unprojected[3];
  vec3ProjectArray(projected, sizeof(Vec3), points, sizeof(Vec3), &viewport, &projection, &view, &world, 3);
  vec3UnprojectArray(unprojected, sizeof(Vec3), projected, sizeof(Vec3), &viewport, &projection, &view, &world, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(unprojected[i].x, points[i].x, 1e-3f);
    EXPECT_NEAR(unprojected[i].z, points[i].z, 1e-3f);
  }
  vec3Unproject(&back, &projected[1], &viewport, &projection, &view, &world);
  EXPECT_NEAR(back.y, points[1].y, 1e-3f);
  // A singular chain cannot be undone: null, output untouched.
  Matrix4x4 flatten;
  matrixScaling(&flatten, 1, 0, 1);
  back = Vec3{7, 7, 7};
  EXPECT_EQ(vec3Unproject(&back, &screen, &viewport, &projection, &view, &flatten), nullptr);
  EXPECT_EQ(back.x, 7.0f);
}

}  // namespace
