// Hand-computed results of the matrix and camera routines the scene relies on: the row-vector
// convention, rotation directions, look-at, perspective, and the inverse's refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "math/math_dispatch.h"
#include "math/vector_math.h"

namespace {

constexpr float kHalfPi = std::numbers::pi_v<float> / 2;

Vec4 transformed(const Vec3& p, const Matrix4x4& m) {
  Vec4 out;
  vec3Transform(&out, &p, &m);
  return out;
}

void expectVec4Near(const Vec4& actual, const Vec4& expected, float tolerance = 1e-5f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
  EXPECT_NEAR(actual.w, expected.w, tolerance);
}

void expectMatrixNear(const Matrix4x4& actual, const Matrix4x4& expected, float tolerance = 1e-5f) {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j)
      EXPECT_NEAR(actual.m[i][j], expected.m[i][j], tolerance) << "[" << i << "][" << j << "]";
  }
}

TEST(MatrixRoutinesTest, RowVectorsAndProductOrder) {
  Matrix4x4 translate, scale, both;
  matrixTranslation(&translate, 1, 2, 3);
  matrixScaling(&scale, 2, 3, 4);
  // Translation lives in row 3 and applies to (x, y, z, 1).
  EXPECT_EQ(translate.m[3][0], 1.0f);
  expectVec4Near(transformed({1, 1, 1}, translate), {2, 3, 4, 1});
  // translate x scale applies the translation first.
  EXPECT_EQ(matrixMultiply(&both, &translate, &scale), &both);
  expectVec4Near(transformed({1, 1, 1}, both), {4, 9, 16, 1});
  matrixMultiply(&both, &scale, &translate);
  expectVec4Near(transformed({1, 1, 1}, both), {3, 5, 7, 1});
  // The transposed product is the transpose of the product.
  Matrix4x4 product, transposed;
  matrixMultiply(&product, &translate, &scale);
  matrixMultiplyTranspose(&transposed, &translate, &scale);
  matrixTranspose(&product, &product);  // in place
  expectMatrixNear(transposed, product, 0);
}

TEST(MatrixRoutinesTest, RotationsTurnTheRightWay) {
  Matrix4x4 r;
  matrixRotationY(&r, kHalfPi);
  expectVec4Near(transformed({1, 0, 0}, r), {0, 0, -1, 1});
  expectVec4Near(transformed({0, 0, 1}, r), {1, 0, 0, 1});
  matrixRotationX(&r, kHalfPi);
  expectVec4Near(transformed({0, 1, 0}, r), {0, 0, 1, 1});
  matrixRotationZ(&r, kHalfPi);
  expectVec4Near(transformed({1, 0, 0}, r), {0, 1, 0, 1});
  // About an arbitrary (unnormalised) axis: the same as the axis rotations.
  Matrix4x4 axis, y;
  Vec3 longY{0, 5, 0};
  matrixRotationAxis(&axis, &longY, 0.7f);
  matrixRotationY(&y, 0.7f);
  expectMatrixNear(axis, y);
}

TEST(MatrixRoutinesTest, YawPitchRollAppliesRollThenPitchThenYaw) {
  const float yaw = 0.3f, pitch = -1.1f, roll = 2.0f;
  Matrix4x4 rx, ry, rz, expected, fromQuaternion, direct;
  matrixRotationZ(&rz, roll);
  matrixRotationX(&rx, pitch);
  matrixRotationY(&ry, yaw);
  matrixMultiply(&expected, &rz, &rx);
  matrixMultiply(&expected, &expected, &ry);
  Quaternion q;
  quaternionFromYawPitchRoll(&q, yaw, pitch, roll);
  matrixFromQuaternion(&fromQuaternion, &q);
  expectMatrixNear(fromQuaternion, expected);
  matrixRotationYawPitchRoll(&direct, yaw, pitch, roll);
  expectMatrixNear(direct, expected);
  // Yaw alone is a turn about y by the half-angle formula.
  quaternionFromYawPitchRoll(&q, kHalfPi, 0, 0);
  EXPECT_NEAR(q.y, std::sqrt(0.5f), 1e-6f);
  EXPECT_NEAR(q.w, std::sqrt(0.5f), 1e-6f);
  EXPECT_EQ(q.x, 0.0f);
  EXPECT_EQ(q.z, 0.0f);
}

TEST(MatrixRoutinesTest, LookAtRightHanded) {
  // From +x towards the origin with y up: the camera looks along its -z, world -z is its +x.
  Matrix4x4 view;
  Vec3 eye{5, 0, 0}, at{0, 0, 0}, up{0, 1, 0};
  EXPECT_EQ(matrixLookAtRH(&view, &eye, &at, &up), &view);
  expectMatrixNear(view, Matrix4x4{{{0, 0, 1, 0}, {0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, -5, 1}}});
  expectVec4Near(transformed({0, 0, 0}, view), {0, 0, -5, 1});
  expectVec4Near(transformed({0, 0, -1}, view), {1, 0, -5, 1});
  expectVec4Near(transformed(eye, view), {0, 0, 0, 1});
}

TEST(MatrixRoutinesTest, PerspectiveMapsTheDepthRangeToZeroOne) {
  Matrix4x4 p;
  EXPECT_EQ(matrixPerspectiveFovRH(&p, kHalfPi, 2.0f, 1.0f, 101.0f), &p);
  EXPECT_NEAR(p.m[1][1], 1.0f, 1e-6f);  // cot(45 degrees)
  EXPECT_NEAR(p.m[0][0], 0.5f, 1e-6f);  // divided by the aspect
  EXPECT_NEAR(p.m[2][2], -1.01f, 1e-6f);
  EXPECT_EQ(p.m[2][3], -1.0f);
  EXPECT_NEAR(p.m[3][2], -1.01f, 1e-6f);
  EXPECT_EQ(p.m[3][3], 0.0f);
  EXPECT_EQ(p.m[0][1], 0.0f);
  Vec4 nearPoint = transformed({0, 0, -1}, p), farPoint = transformed({0, 0, -101}, p);
  EXPECT_NEAR(nearPoint.z / nearPoint.w, 0.0f, 1e-6f);
  EXPECT_NEAR(farPoint.z / farPoint.w, 1.0f, 1e-6f);
  Vec4 corner = transformed({2, 1, -1}, p);  // on the frustum's edge at the near plane
  EXPECT_NEAR(corner.x / corner.w, 1.0f, 1e-6f);
  EXPECT_NEAR(corner.y / corner.w, 1.0f, 1e-6f);
}

// Every set the processor can run, for the routines whose refusals matter.
std::vector<MathSet> runnableSets() {
  std::vector<MathSet> sets;
  for (MathSet set : {MathSet::PortableAndX87, MathSet::Sse, MathSet::Sse2, MathSet::Amd3dNow}) {
    if (mathSetBuilt(set) && mathSetRunnable(set)) sets.push_back(set);
  }
  return sets;
}

TEST(MatrixRoutinesTest, SingularInverseLeavesTheOutputAndReportsZero) {
  for (MathSet set : runnableSets()) {
    selectMathSetForTesting(set);
    SCOPED_TRACE("set " + std::to_string(static_cast<int>(set)));
    Matrix4x4 singular{{{1, 2, 3, 4}, {2, 4, 6, 8}, {0, 1, 0, 1}, {5, 0, 2, 1}}};
    Matrix4x4 out{{{7, 7, 7, 7}, {7, 7, 7, 7}, {7, 7, 7, 7}, {7, 7, 7, 7}}};
    float determinant = 99;
    EXPECT_EQ(matrixInverse(&out, &determinant, &singular), nullptr);
    EXPECT_EQ(determinant, 0.0f);
    EXPECT_EQ(out.m[2][1], 7.0f);
    EXPECT_EQ(matrixInverse(&out, nullptr, &singular), nullptr);
    EXPECT_EQ(matrixDeterminant(&singular), 0.0f);
    // A determinant whose reciprocal overflows is refused as well.
    Matrix4x4 tiny{{{1e-12f, 0, 0, 0}, {0, 1e-12f, 0, 0}, {0, 0, 1e-12f, 0}, {0, 0, 0, 1e-12f}}};
    EXPECT_EQ(matrixInverse(&out, &determinant, &tiny), nullptr);
    EXPECT_EQ(out.m[0][0], 7.0f);
    // And a regular one inverts, in place too.
    Matrix4x4 m{{{2, 0, 0, 0}, {0, 4, 0, 0}, {1, 0, 1, 0}, {3, 2, 1, 1}}};
    Matrix4x4 inverse, identity;
    ASSERT_EQ(matrixInverse(&inverse, &determinant, &m), &inverse);
    EXPECT_FLOAT_EQ(determinant, 8.0f);
    matrixMultiply(&identity, &m, &inverse);
    expectMatrixNear(identity, Matrix4x4{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}});
    ASSERT_EQ(matrixInverse(&m, nullptr, &m), &m);
    expectMatrixNear(m, inverse, 0);
  }
  resetMathDispatchForTesting();
}

TEST(MatrixRoutinesTest, TransformationBuildersComposeInTheirOrder) {
  // Scale by 2 about (1, 0, 0), turn 90 degrees about y around the origin, then move by (0, 5, 0).
  Vec3 centre{1, 0, 0}, scaling{2, 2, 2}, translation{0, 5, 0};
  Quaternion turn;
  Vec3 yAxis{0, 1, 0};
  quaternionFromAxisAngle(&turn, &yAxis, kHalfPi);
  Matrix4x4 m;
  matrixTransformation(&m, &centre, nullptr, &scaling, nullptr, &turn, &translation);
  expectVec4Near(transformed({2, 0, 0}, m), {0, 5, -3, 1});
  // Scaling along a turned frame: stretch x by 3 in a frame turned 90 degrees about z, which
  // stretches world y.
  Quaternion frame;
  Vec3 zAxis{0, 0, 1};
  quaternionFromAxisAngle(&frame, &zAxis, kHalfPi);
  Vec3 stretch{3, 1, 1};
  matrixTransformation(&m, nullptr, &frame, &stretch, nullptr, nullptr, nullptr);
  expectVec4Near(transformed({1, 1, 1}, m), {1, 3, 1, 1});
  // The affine form: uniform scale, rotation about a centre, translation.
  Vec3 pivot{0, 0, 1};
  matrixAffineTransformation(&m, 2.0f, &pivot, &turn, &translation);
  // (0, 0, 1) scales to (0, 0, 2), turns about the pivot to (1, 0, 1), moves to (1, 5, 1).
  expectVec4Near(transformed({0, 0, 1}, m), {1, 5, 1, 1});
}

TEST(MatrixRoutinesTest, ShadowAndReflection) {
  Plane ground{0, 2, 0, 0};  // y = 0, normal not yet unit length
  Matrix4x4 m;
  matrixReflect(&m, &ground);
  expectVec4Near(transformed({1, 2, 3}, m), {1, -2, 3, 1});
  Plane raised{0, 1, 0, -1};  // y = 1
  matrixReflect(&m, &raised);
  expectVec4Near(transformed({1, 3, 0}, m), {1, -1, 0, 1});
  // A directional light straight down flattens onto the plane below the point.
  Vec4 down{0, 1, 0, 0};  // direction towards the light
  matrixShadow(&m, &down, &ground);
  Vec4 shadow = transformed({2, 5, 3}, m);
  EXPECT_NEAR(shadow.x / shadow.w, 2.0f, 1e-5f);
  EXPECT_NEAR(shadow.y / shadow.w, 0.0f, 1e-5f);
  EXPECT_NEAR(shadow.z / shadow.w, 3.0f, 1e-5f);
  // A point light at (0, 4, 0): the point (1, 2, 0) casts onto (2, 0, 0).
  Vec4 lamp{0, 4, 0, 1};
  matrixShadow(&m, &lamp, &ground);
  shadow = transformed({1, 2, 0}, m);
  EXPECT_NEAR(shadow.x / shadow.w, 2.0f, 1e-5f);
  EXPECT_NEAR(shadow.y / shadow.w, 0.0f, 1e-5f);
}

}  // namespace
