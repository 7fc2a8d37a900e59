// Random operands for the math tests: vectors, well-conditioned and projective matrices, unit
// quaternions, planes and a viewport, drawn from a seeded generator so failures repeat.
#pragma once

#include <cmath>
#include <random>

#include "math/vector_math.h"

namespace math_test {

struct RandomInputs {
  Vec2 v2[4];
  Vec3 v3[4];
  Vec4 v4[4];
  Quaternion unit[4];    // unit quaternions, pairwise on the same hemisphere or not
  Matrix4x4 general;     // entries in [-2, 2]
  Matrix4x4 invertible;  // general plus 4 on the diagonal: comfortably conditioned
  Matrix4x4 projective;  // last column keeps w in [0.9, 2.1] for inputs in [-2, 2]
  Matrix4x4 rotation;    // from unit[0]
  Plane plane;
  Vec4 light;
  float s, f, g;    // spline parameter in [0, 1], barycentric weights in [0, 0.5]
  float angles[3];  // in [-pi, pi]
  D3DVIEWPORT9 viewport;
};

class InputGenerator {
 public:
  explicit InputGenerator(unsigned seed) : engine_(seed) {}

  float uniform(float low, float high) { return std::uniform_real_distribution<float>(low, high)(engine_); }

  RandomInputs draw() {
    RandomInputs in;
    for (auto& v : in.v2) v = Vec2{uniform(-2, 2), uniform(-2, 2)};
    for (auto& v : in.v3) v = Vec3{uniform(-2, 2), uniform(-2, 2), uniform(-2, 2)};
    for (auto& v : in.v4) v = Vec4{uniform(-2, 2), uniform(-2, 2), uniform(-2, 2), uniform(-2, 2)};
    for (auto& q : in.unit) q = unitQuaternion();
    for (auto& row : in.general.m) {
      for (float& e : row) e = uniform(-2, 2);
    }
    in.invertible = in.general;
    for (int i = 0; i < 4; ++i) in.invertible.m[i][i] += 4.0f;
    in.projective = in.general;
    for (int i = 0; i < 3; ++i) in.projective.m[i][3] = uniform(-0.1f, 0.1f);
    in.projective.m[3][3] = 1.5f;
    const Quaternion& q = in.unit[0];
    float x = q.x, y = q.y, z = q.z, w = q.w;
    in.rotation = Matrix4x4{{{1 - 2 * y * y - 2 * z * z, 2 * x * y + 2 * z * w, 2 * x * z - 2 * y * w, 0},
                             {2 * x * y - 2 * z * w, 1 - 2 * x * x - 2 * z * z, 2 * y * z + 2 * x * w, 0},
                             {2 * x * z + 2 * y * w, 2 * y * z - 2 * x * w, 1 - 2 * x * x - 2 * y * y, 0},
                             {0, 0, 0, 1}}};
    in.plane = Plane{uniform(-2, 2), uniform(-2, 2), uniform(-2, 2), uniform(-2, 2)};
    in.light = Vec4{uniform(-2, 2), uniform(-2, 2), uniform(-2, 2), uniform(0, 1) < 0.5f ? 0.0f : 1.0f};
    in.s = uniform(0, 1);
    in.f = uniform(0, 0.5f);
    in.g = uniform(0, 0.5f);
    for (float& a : in.angles) a = uniform(-3.14159f, 3.14159f);
    in.viewport = D3DVIEWPORT9{10, 20, 640, 480, 0.0f, 1.0f};
    return in;
  }

 private:
  Quaternion unitQuaternion() {
    Quaternion q{uniform(-1, 1), uniform(-1, 1), uniform(-1, 1), uniform(-1, 1)};
    float length = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (length < 1e-3f) return Quaternion{0, 0, 0, 1};
    return Quaternion{q.x / length, q.y / length, q.z / length, q.w / length};
  }

  std::mt19937 engine_;
};

}  // namespace math_test
