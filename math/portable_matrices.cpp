// Portable matrix routines.
#include <cmath>

#include "math/portable_routines.h"

namespace math_portable {
namespace {

constexpr Matrix4x4 kIdentity{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

// The twelve 2 x 2 minors that both the determinant and the inverse are built from: six from
// the top two rows, six from the bottom two.
struct Minors {
  float top[6], bottom[6];
};
Minors minorsOf(const Matrix4x4& m) {
  const auto& a = m.m;
  return {{a[0][0] * a[1][1] - a[1][0] * a[0][1], a[0][0] * a[1][2] - a[1][0] * a[0][2],
           a[0][0] * a[1][3] - a[1][0] * a[0][3], a[0][1] * a[1][2] - a[1][1] * a[0][2],
           a[0][1] * a[1][3] - a[1][1] * a[0][3], a[0][2] * a[1][3] - a[1][2] * a[0][3]},
          {a[2][0] * a[3][1] - a[3][0] * a[2][1], a[2][0] * a[3][2] - a[3][0] * a[2][2],
           a[2][0] * a[3][3] - a[3][0] * a[2][3], a[2][1] * a[3][2] - a[3][1] * a[2][2],
           a[2][1] * a[3][3] - a[3][1] * a[2][3], a[2][2] * a[3][3] - a[3][2] * a[2][3]}};
}

float determinantFromMinors(const Minors& n) {
  const float* s = n.top;
  const float* c = n.bottom;
  return s[0] * c[5] - s[1] * c[4] + s[2] * c[3] + s[3] * c[2] - s[4] * c[1] + s[5] * c[0];
}

Matrix4x4 rotationAboutCentre(const Vec3* centre, const Quaternion* rotation) {
  Matrix4x4 result = kIdentity;
  if (rotation != nullptr) math_portable::matrixFromQuaternion(&result, rotation);
  if (centre != nullptr) {
    // Move the centre to the origin, rotate, move it back.
    Matrix4x4 step;
    math_portable::matrixTranslation(&step, -centre->x, -centre->y, -centre->z);
    math_portable::matrixMultiply(&result, &step, &result);
    math_portable::matrixTranslation(&step, centre->x, centre->y, centre->z);
    math_portable::matrixMultiply(&result, &result, &step);
  }
  return result;
}

// Normalises the plane by the length of its normal; a plane without a normal gives zeros.
Plane normalisedPlane(const Plane& p) {
  Plane result;
  math_portable::planeNormalize(&result, &p);
  return result;
}

}  // namespace

Matrix4x4* matrixMultiply(Matrix4x4* out, const Matrix4x4* a, const Matrix4x4* b) {
  Matrix4x4 product;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      product.m[i][j] =
          a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] + a->m[i][2] * b->m[2][j] + a->m[i][3] * b->m[3][j];
    }
  }
  *out = product;
  return out;
}

Matrix4x4* matrixMultiplyTranspose(Matrix4x4* out, const Matrix4x4* a, const Matrix4x4* b) {
  Matrix4x4 product;
  math_portable::matrixMultiply(&product, a, b);
  return math_portable::matrixTranspose(out, &product);
}

float matrixDeterminant(const Matrix4x4* m) { return determinantFromMinors(minorsOf(*m)); }

Matrix4x4* matrixInverse(Matrix4x4* out, float* determinant, const Matrix4x4* m) {
  const auto& a = m->m;
  Minors n = minorsOf(*m);
  const float* s = n.top;
  const float* c = n.bottom;
  float det = determinantFromMinors(n);
  if (determinant != nullptr) *determinant = det;
  float scale = 1.0f / det;
  if (det == 0.0f || !std::isfinite(scale)) return nullptr;

  Matrix4x4 adjugate{
      {{a[1][1] * c[5] - a[1][2] * c[4] + a[1][3] * c[3], -a[0][1] * c[5] + a[0][2] * c[4] - a[0][3] * c[3],
        a[3][1] * s[5] - a[3][2] * s[4] + a[3][3] * s[3], -a[2][1] * s[5] + a[2][2] * s[4] - a[2][3] * s[3]},
       {-a[1][0] * c[5] + a[1][2] * c[2] - a[1][3] * c[1], a[0][0] * c[5] - a[0][2] * c[2] + a[0][3] * c[1],
        -a[3][0] * s[5] + a[3][2] * s[2] - a[3][3] * s[1], a[2][0] * s[5] - a[2][2] * s[2] + a[2][3] * s[1]},
       {a[1][0] * c[4] - a[1][1] * c[2] + a[1][3] * c[0], -a[0][0] * c[4] + a[0][1] * c[2] - a[0][3] * c[0],
        a[3][0] * s[4] - a[3][1] * s[2] + a[3][3] * s[0], -a[2][0] * s[4] + a[2][1] * s[2] - a[2][3] * s[0]},
       {-a[1][0] * c[3] + a[1][1] * c[1] - a[1][2] * c[0], a[0][0] * c[3] - a[0][1] * c[1] + a[0][2] * c[0],
        -a[3][0] * s[3] + a[3][1] * s[1] - a[3][2] * s[0], a[2][0] * s[3] - a[2][1] * s[1] + a[2][2] * s[0]}}};
  for (auto& row : adjugate.m) {
    for (float& element : row) element *= scale;
  }
  *out = adjugate;
  return out;
}

Matrix4x4* matrixTranspose(Matrix4x4* out, const Matrix4x4* m) {
  Matrix4x4 result;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) result.m[i][j] = m->m[j][i];
  }
  *out = result;
  return out;
}

Matrix4x4* matrixTranslation(Matrix4x4* out, float x, float y, float z) {
  *out = kIdentity;
  out->m[3][0] = x;
  out->m[3][1] = y;
  out->m[3][2] = z;
  return out;
}

Matrix4x4* matrixScaling(Matrix4x4* out, float sx, float sy, float sz) {
  *out = kIdentity;
  out->m[0][0] = sx;
  out->m[1][1] = sy;
  out->m[2][2] = sz;
  return out;
}

Matrix4x4* matrixRotationX(Matrix4x4* out, float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  *out = Matrix4x4{{{1, 0, 0, 0}, {0, c, s, 0}, {0, -s, c, 0}, {0, 0, 0, 1}}};
  return out;
}

Matrix4x4* matrixRotationY(Matrix4x4* out, float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  *out = Matrix4x4{{{c, 0, -s, 0}, {0, 1, 0, 0}, {s, 0, c, 0}, {0, 0, 0, 1}}};
  return out;
}

Matrix4x4* matrixRotationZ(Matrix4x4* out, float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  *out = Matrix4x4{{{c, s, 0, 0}, {-s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
  return out;
}

Matrix4x4* matrixRotationAxis(Matrix4x4* out, const Vec3* axis, float angle) {
  Vec3 n;
  math_portable::vec3Normalize(&n, axis);
  float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
  *out = Matrix4x4{{{t * n.x * n.x + c, t * n.x * n.y + s * n.z, t * n.x * n.z - s * n.y, 0},
                    {t * n.x * n.y - s * n.z, t * n.y * n.y + c, t * n.y * n.z + s * n.x, 0},
                    {t * n.x * n.z + s * n.y, t * n.y * n.z - s * n.x, t * n.z * n.z + c, 0},
                    {0, 0, 0, 1}}};
  return out;
}

Matrix4x4* matrixFromQuaternion(Matrix4x4* out, const Quaternion* q) {
  float x = q->x, y = q->y, z = q->z, w = q->w;
  *out = Matrix4x4{{{1 - 2 * y * y - 2 * z * z, 2 * x * y + 2 * z * w, 2 * x * z - 2 * y * w, 0},
                    {2 * x * y - 2 * z * w, 1 - 2 * x * x - 2 * z * z, 2 * y * z + 2 * x * w, 0},
                    {2 * x * z + 2 * y * w, 2 * y * z - 2 * x * w, 1 - 2 * x * x - 2 * y * y, 0},
                    {0, 0, 0, 1}}};
  return out;
}

Matrix4x4* matrixRotationYawPitchRoll(Matrix4x4* out, float yaw, float pitch, float roll) {
  Quaternion q;
  math_portable::quaternionFromYawPitchRoll(&q, yaw, pitch, roll);
  return math_portable::matrixFromQuaternion(out, &q);
}

Matrix4x4* matrixTransformation(Matrix4x4* out, const Vec3* scalingCenter, const Quaternion* scalingRotation,
                                const Vec3* scaling, const Vec3* rotationCenter, const Quaternion* rotation,
                                const Vec3* translation) {
  // Scaling happens around scalingCenter along the axes of the frame scalingRotation: move the
  // centre to the origin, turn the frame onto the axes (the transpose undoes a rotation), scale,
  // turn back and move back.
  Matrix4x4 result = kIdentity;
  if (scaling != nullptr) {
    Matrix4x4 frame = kIdentity;
    if (scalingRotation != nullptr) math_portable::matrixFromQuaternion(&frame, scalingRotation);
    Matrix4x4 step;
    if (scalingCenter != nullptr)
      math_portable::matrixTranslation(&result, -scalingCenter->x, -scalingCenter->y, -scalingCenter->z);
    math_portable::matrixMultiply(&result, &result, math_portable::matrixTranspose(&step, &frame));
    math_portable::matrixMultiply(&result, &result,
                                  math_portable::matrixScaling(&step, scaling->x, scaling->y, scaling->z));
    math_portable::matrixMultiply(&result, &result, &frame);
    if (scalingCenter != nullptr) {
      math_portable::matrixMultiply(
          &result, &result,
          math_portable::matrixTranslation(&step, scalingCenter->x, scalingCenter->y, scalingCenter->z));
    }
  }
  Matrix4x4 rotate = rotationAboutCentre(rotationCenter, rotation);
  math_portable::matrixMultiply(&result, &result, &rotate);
  if (translation != nullptr) {
    result.m[3][0] += translation->x;
    result.m[3][1] += translation->y;
    result.m[3][2] += translation->z;
  }
  *out = result;
  return out;
}

Matrix4x4* matrixAffineTransformation(Matrix4x4* out, float scaling, const Vec3* rotationCenter,
                                      const Quaternion* rotation, const Vec3* translation) {
  Matrix4x4 result;
  math_portable::matrixScaling(&result, scaling, scaling, scaling);
  Matrix4x4 rotate = rotationAboutCentre(rotationCenter, rotation);
  math_portable::matrixMultiply(&result, &result, &rotate);
  if (translation != nullptr) {
    result.m[3][0] += translation->x;
    result.m[3][1] += translation->y;
    result.m[3][2] += translation->z;
  }
  *out = result;
  return out;
}

Matrix4x4* matrixShadow(Matrix4x4* out, const Vec4* light, const Plane* plane) {
  // p x M = (P . L) p - (p . P) L: points on the plane stay, others slide along the light.
  Plane p = normalisedPlane(*plane);
  const float planeRow[4] = {p.a, p.b, p.c, p.d};
  const float lightRow[4] = {light->x, light->y, light->z, light->w};
  float dot = p.a * light->x + p.b * light->y + p.c * light->z + p.d * light->w;
  Matrix4x4 result;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) result.m[i][j] = (i == j ? dot : 0.0f) - planeRow[i] * lightRow[j];
  }
  *out = result;
  return out;
}

Matrix4x4* matrixReflect(Matrix4x4* out, const Plane* plane) {
  // p' = p - 2 (p . n + d) n.
  Plane p = normalisedPlane(*plane);
  const float n[4] = {p.a, p.b, p.c, p.d};
  Matrix4x4 result = kIdentity;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 3; ++j) result.m[i][j] -= 2.0f * n[i] * n[j];
  }
  *out = result;
  return out;
}

}  // namespace math_portable
