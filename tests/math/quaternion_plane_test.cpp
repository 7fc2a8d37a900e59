// Quaternion and plane routines: products against matrices, round trips, interpolation ends,
// and the plane constructions on hand-checked cases.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "math/vector_math.h"
#include "random_inputs.h"

namespace {

void expectQuaternionNear(const Quaternion& a, const Quaternion& b, float tolerance = 1e-5f) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
  EXPECT_NEAR(a.w, b.w, tolerance);
}

// The same rotation: q or -q.
void expectSameRotation(const Quaternion& a, const Quaternion& b) {
  float sign = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w < 0 ? -1.0f : 1.0f;
  expectQuaternionNear(a, Quaternion{sign * b.x, sign * b.y, sign * b.z, sign * b.w});
}

TEST(QuaternionTest, ProductAppliesTheFirstRotationFirst) {
  math_test::InputGenerator generator(11);
  for (int i = 0; i < 20; ++i) {
    auto in = generator.draw();
    Quaternion product;
    EXPECT_EQ(quaternionMultiply(&product, &in.unit[0], &in.unit[1]), &product);
    Matrix4x4 m0, m1, expected, actual;
    matrixFromQuaternion(&m0, &in.unit[0]);
    matrixFromQuaternion(&m1, &in.unit[1]);
    matrixMultiply(&expected, &m0, &m1);
    matrixFromQuaternion(&actual, &product);
    for (int r = 0; r < 4; ++r) {
      for (int c = 0; c < 4; ++c) EXPECT_NEAR(actual.m[r][c], expected.m[r][c], 1e-5f);
    }
    // Back from the matrix, whichever diagonal element leads.
    Quaternion back;
    quaternionFromMatrix(&back, &m0);
    expectSameRotation(back, in.unit[0]);
  }
}

TEST(QuaternionTest, InverseNormalizeAndAxisAngle) {
  Quaternion q{1, 2, 3, 4}, inverse, product;
  quaternionInverse(&inverse, &q);
  quaternionMultiply(&product, &q, &inverse);
  expectQuaternionNear(product, Quaternion{0, 0, 0, 1});
  Quaternion zero{0, 0, 0, 0};
  quaternionInverse(&inverse, &zero);
  expectQuaternionNear(inverse, zero, 0);
  quaternionNormalize(&q, &q);
  EXPECT_NEAR(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 1.0f, 1e-6f);
  quaternionNormalize(&zero, &zero);
  expectQuaternionNear(zero, Quaternion{0, 0, 0, 0}, 0);

  Vec3 axis{0, 0, 2};
  Quaternion turn;
  quaternionFromAxisAngle(&turn, &axis, 1.0f);
  Vec3 outAxis;
  float angle = 0;
  EXPECT_EQ(quaternionToAxisAngle(&outAxis, &angle, &turn), &outAxis);
  EXPECT_NEAR(angle, 1.0f, 1e-5f);
  EXPECT_NEAR(outAxis.z, std::sin(0.5f), 1e-6f);
  EXPECT_EQ(quaternionToAxisAngle(nullptr, &angle, &turn), nullptr);  // either output may be left out
  // Rounding can push w just past 1: the angle is still 0, not NaN.
  Quaternion overOne{0, 0, 0, 1.0000001f};
  quaternionToAxisAngle(&outAxis, &angle, &overOne);
  EXPECT_EQ(angle, 0.0f);
}

TEST(QuaternionTest, InterpolationEndsAndMidpoints) {
  Vec3 yAxis{0, 1, 0};
  Quaternion a, b, mid, expected, out;
  quaternionFromAxisAngle(&a, &yAxis, 0.2f);
  quaternionFromAxisAngle(&b, &yAxis, 1.4f);
  quaternionFromAxisAngle(&expected, &yAxis, 0.8f);
  quaternionSlerp(&mid, &a, &b, 0.5f);
  expectQuaternionNear(mid, expected);
  // The shorter arc: -b is the same rotation.
  Quaternion negated{-b.x, -b.y, -b.z, -b.w};
  quaternionSlerp(&mid, &a, &negated, 0.5f);
  expectSameRotation(mid, expected);
  quaternionSlerp(&out, &a, &a, 0.3f);  // equal ends
  expectQuaternionNear(out, a);

  // Squad passes through its ends; its set-up's c is the second key with the short-way sign.
  Quaternion keys[4];
  for (int i = 0; i < 4; ++i) quaternionFromAxisAngle(&keys[i], &yAxis, 0.5f * static_cast<float>(i));
  Quaternion sa, sb, sc;
  EXPECT_EQ(quaternionSquadSetup(&sa, &sb, &sc, &keys[0], &keys[1], &keys[2], &keys[3]), &sa);
  expectQuaternionNear(sc, keys[2]);
  quaternionSquad(&out, &keys[1], &sa, &sb, &sc, 0.0f);
  expectQuaternionNear(out, keys[1]);
  quaternionSquad(&out, &keys[1], &sa, &sb, &sc, 1.0f);
  expectQuaternionNear(out, keys[2]);
  // Evenly spaced keys about one axis: squad is the plain slerp.
  quaternionSquad(&out, &keys[1], &sa, &sb, &sc, 0.5f);
  quaternionFromAxisAngle(&expected, &yAxis, 0.75f);
  expectQuaternionNear(out, expected, 1e-4f);

  quaternionBaryCentric(&out, &keys[0], &keys[1], &keys[2], 0.0f, 0.0f);
  expectQuaternionNear(out, keys[0]);
  quaternionBaryCentric(&out, &keys[0], &keys[1], &keys[2], 1.0f, 0.0f);
  expectQuaternionNear(out, keys[1]);
  quaternionBaryCentric(&out, &keys[0], &keys[1], &keys[2], 0.0f, 1.0f);
  expectQuaternionNear(out, keys[2]);
}

TEST(QuaternionTest, LogarithmAndExponentialAreInverse) {
  Vec3 axis{1, 2, -2};
  Quaternion q, logarithm, back;
  quaternionFromAxisAngle(&q, &axis, 1.2f);
  quaternionLn(&logarithm, &q);
  EXPECT_EQ(logarithm.w, 0.0f);
  // ln of a rotation by 1.2 about a unit axis is 0.6 times that axis.
  EXPECT_NEAR(logarithm.x, 0.6f / 3.0f, 1e-5f);
  quaternionExp(&back, &logarithm);
  expectQuaternionNear(back, q);
  Quaternion identity{0, 0, 0, 1};
  quaternionLn(&logarithm, &identity);
  expectQuaternionNear(logarithm, Quaternion{0, 0, 0, 0}, 0);
  quaternionExp(&back, &logarithm);
  expectQuaternionNear(back, identity, 0);
}

TEST(PlaneTest, Constructions) {
  Vec3 point{0, 2, 0}, normal{0, 1, 0};
  Plane p;
  EXPECT_EQ(planeFromPointNormal(&p, &point, &normal), &p);
  EXPECT_EQ(p.d, -2.0f);
  // Counter-clockwise seen from +y: normal +y, normalised.
  Vec3 a{0, 3, 0}, b{0, 3, 5}, c{5, 3, 0};
  planeFromPoints(&p, &a, &b, &c);
  EXPECT_NEAR(p.b, 1.0f, 1e-6f);
  EXPECT_NEAR(p.d, -3.0f, 1e-6f);
  Plane unnormalised{0, 0, 4, 8}, zero{0, 0, 0, 5};
  planeNormalize(&p, &unnormalised);
  EXPECT_FLOAT_EQ(p.c, 1.0f);
  EXPECT_FLOAT_EQ(p.d, 2.0f);
  planeNormalize(&p, &zero);
  EXPECT_EQ(p.d, 0.0f);
}

TEST(PlaneTest, LineIntersectionAndTransform) {
  Plane ground{0, 1, 0, -1};  // y = 1
  Vec3 from{2, 5, 3}, to{2, -3, 3}, hit{9, 9, 9};
  EXPECT_EQ(planeIntersectLine(&hit, &ground, &from, &to), &hit);
  EXPECT_FLOAT_EQ(hit.x, 2.0f);
  EXPECT_FLOAT_EQ(hit.y, 1.0f);
  Vec3 along{7, 5, 3};
  EXPECT_EQ(planeIntersectLine(&hit, &ground, &from, &along), nullptr);  // parallel
  EXPECT_FLOAT_EQ(hit.y, 1.0f);
  // Moving the points up by 2 moves the plane to y = 3: transform by the inverse transpose.
  Matrix4x4 move, inverseTranspose;
  matrixTranslation(&move, 0, 2, 0);
  matrixInverse(&inverseTranspose, nullptr, &move);
  matrixTranspose(&inverseTranspose, &inverseTranspose);
  Plane moved;
  planeTransform(&moved, &ground, &inverseTranspose);
  EXPECT_FLOAT_EQ(moved.b, 1.0f);
  EXPECT_FLOAT_EQ(moved.d, -3.0f);
  Plane planes[2] = {ground, ground};
  planeTransformArray(planes, sizeof(Plane), planes, sizeof(Plane), &inverseTranspose, 2);
  EXPECT_FLOAT_EQ(planes[1].d, -3.0f);
}

}  // namespace
