// Portable quaternion routines.
#include <algorithm>
#include <cfloat>
#include <cmath>

#include "math/portable_routines.h"

namespace math_portable {
namespace {

// The Hamilton product a b (b's rotation first when used on vectors as a b v b^-1 a^-1).
Quaternion hamilton(const Quaternion& a, const Quaternion& b) {
  return Quaternion{a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
                    a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

float dot(const Quaternion& a, const Quaternion& b) { return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w; }

Quaternion scaled(const Quaternion& q, float k) { return Quaternion{q.x * k, q.y * k, q.z * k, q.w * k}; }
Quaternion sum(const Quaternion& a, const Quaternion& b) {
  return Quaternion{a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w};
}
Quaternion difference(const Quaternion& a, const Quaternion& b) {
  return Quaternion{a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w};
}
Quaternion conjugate(const Quaternion& q) { return Quaternion{-q.x, -q.y, -q.z, q.w}; }

// q, or -q when that lies closer to `near` (both stand for the same rotation).
Quaternion closerSign(const Quaternion& q, const Quaternion& near) {
  return dot(sum(q, near), sum(q, near)) < dot(difference(q, near), difference(q, near)) ? scaled(q, -1) : q;
}

// The squad control point of q between its neighbours before and after.
Quaternion squadControlPoint(const Quaternion& q, const Quaternion& before, const Quaternion& after) {
  Quaternion inverse = conjugate(q);
  Quaternion toAfter = hamilton(inverse, after);
  Quaternion toBefore = hamilton(inverse, before);
  Quaternion lnAfter, lnBefore;
  math_portable::quaternionLn(&lnAfter, &toAfter);
  math_portable::quaternionLn(&lnBefore, &toBefore);
  Quaternion exponent = scaled(sum(lnAfter, lnBefore), -0.25f);
  Quaternion power;
  math_portable::quaternionExp(&power, &exponent);
  return hamilton(q, power);
}

}  // namespace

Quaternion* quaternionMultiply(Quaternion* out, const Quaternion* q1, const Quaternion* q2) {
  *out = hamilton(*q2, *q1);
  return out;
}

Quaternion* quaternionNormalize(Quaternion* out, const Quaternion* q) {
  // The same code as for 4-vectors: the layouts are the same four floats.
  Vec4 v{q->x, q->y, q->z, q->w};
  math_portable::vec4Normalize(&v, &v);
  *out = Quaternion{v.x, v.y, v.z, v.w};
  return out;
}

Quaternion* quaternionInverse(Quaternion* out, const Quaternion* q) {
  // Conjugate over squared norm; a zero quaternion has no inverse and gives zero rather than
  // infinities.
  float squared = dot(*q, *q);
  *out = squared > FLT_MIN ? scaled(conjugate(*q), 1.0f / squared) : Quaternion{0, 0, 0, 0};
  return out;
}

Quaternion* quaternionFromMatrix(Quaternion* out, const Matrix4x4* matrix) {
  // Divide by the largest of the four candidates (4w, 4x, 4y, 4z) to stay accurate.
  const auto& m = matrix->m;
  float trace = m[0][0] + m[1][1] + m[2][2];
  Quaternion q;
  if (trace > 0.0f) {
    float s = std::sqrt(trace + 1.0f) * 2.0f;
    q = Quaternion{(m[1][2] - m[2][1]) / s, (m[2][0] - m[0][2]) / s, (m[0][1] - m[1][0]) / s, 0.25f * s};
  } else if (m[0][0] >= m[1][1] && m[0][0] >= m[2][2]) {
    float s = std::sqrt(1.0f + m[0][0] - m[1][1] - m[2][2]) * 2.0f;
    q = Quaternion{0.25f * s, (m[0][1] + m[1][0]) / s, (m[0][2] + m[2][0]) / s, (m[1][2] - m[2][1]) / s};
  } else if (m[1][1] >= m[2][2]) {
    float s = std::sqrt(1.0f + m[1][1] - m[0][0] - m[2][2]) * 2.0f;
    q = Quaternion{(m[0][1] + m[1][0]) / s, 0.25f * s, (m[1][2] + m[2][1]) / s, (m[2][0] - m[0][2]) / s};
  } else {
    float s = std::sqrt(1.0f + m[2][2] - m[0][0] - m[1][1]) * 2.0f;
    q = Quaternion{(m[0][2] + m[2][0]) / s, (m[1][2] + m[2][1]) / s, 0.25f * s, (m[0][1] - m[1][0]) / s};
  }
  *out = q;
  return out;
}

Quaternion* quaternionFromYawPitchRoll(Quaternion* out, float yaw, float pitch, float roll) {
  float cy = std::cos(yaw * 0.5f), sy = std::sin(yaw * 0.5f);
  float cp = std::cos(pitch * 0.5f), sp = std::sin(pitch * 0.5f);
  float cr = std::cos(roll * 0.5f), sr = std::sin(roll * 0.5f);
  *out = Quaternion{cy * sp * cr + sy * cp * sr, sy * cp * cr - cy * sp * sr, cy * cp * sr - sy * sp * cr,
                    cy * cp * cr + sy * sp * sr};
  return out;
}

Quaternion* quaternionFromAxisAngle(Quaternion* out, const Vec3* axis, float angle) {
  Vec3 n;
  math_portable::vec3Normalize(&n, axis);
  float s = std::sin(angle * 0.5f);
  *out = Quaternion{n.x * s, n.y * s, n.z * s, std::cos(angle * 0.5f)};
  return out;
}

Vec3* quaternionToAxisAngle(Vec3* axis, float* angle, const Quaternion* q) {
  if (angle != nullptr) *angle = 2.0f * std::acos(std::clamp(q->w, -1.0f, 1.0f));  // rounding may push |w| past 1
  if (axis != nullptr) *axis = Vec3{q->x, q->y, q->z};
  return axis;
}

Quaternion* quaternionSlerp(Quaternion* out, const Quaternion* q1, const Quaternion* q2, float t) {
  // Along the shorter arc; nearly equal quaternions interpolate linearly, where sin(theta)
  // would lose all precision.
  float cosine = dot(*q1, *q2);
  float sign = cosine < 0.0f ? -1.0f : 1.0f;
  cosine *= sign;
  float k1 = 1.0f - t, k2 = t;
  if (1.0f - cosine > 1e-6f) {
    float theta = std::acos(std::min(cosine, 1.0f));
    float sine = std::sin(theta);
    k1 = std::sin(k1 * theta) / sine;
    k2 = std::sin(k2 * theta) / sine;
  }
  *out = sum(scaled(*q1, k1), scaled(*q2, k2 * sign));
  return out;
}

Quaternion* quaternionSquad(Quaternion* out, const Quaternion* q1, const Quaternion* a, const Quaternion* b,
                            const Quaternion* c, float t) {
  Quaternion outer, inner;
  math_portable::quaternionSlerp(&outer, q1, c, t);
  math_portable::quaternionSlerp(&inner, a, b, t);
  return math_portable::quaternionSlerp(out, &outer, &inner, 2.0f * t * (1.0f - t));
}

Quaternion* quaternionSquadSetup(Quaternion* aOut, Quaternion* bOut, Quaternion* cOut, const Quaternion* q0,
                                 const Quaternion* q1, const Quaternion* q2, const Quaternion* q3) {
  // Pick signs so that each step goes the short way, then the control points on both sides.
  Quaternion p1 = *q1;
  Quaternion p0 = closerSign(*q0, p1);
  Quaternion p2 = closerSign(*q2, p1);
  Quaternion p3 = closerSign(*q3, p2);
  Quaternion a = squadControlPoint(p1, p0, p2);
  Quaternion b = squadControlPoint(p2, p1, p3);
  *aOut = a;
  *bOut = b;
  *cOut = p2;
  return aOut;
}

Quaternion* quaternionBaryCentric(Quaternion* out, const Quaternion* q1, const Quaternion* q2, const Quaternion* q3,
                                  float f, float g) {
  float fg = f + g;
  if (fg == 0.0f) {
    *out = *q1;
    return out;
  }
  Quaternion toSecond, toThird;
  math_portable::quaternionSlerp(&toSecond, q1, q2, fg);
  math_portable::quaternionSlerp(&toThird, q1, q3, fg);
  return math_portable::quaternionSlerp(out, &toSecond, &toThird, g / fg);
}

Quaternion* quaternionLn(Quaternion* out, const Quaternion* q) {
  // q = (sin(theta) axis, cos(theta)) gives (theta axis, 0).
  float theta = std::acos(std::clamp(q->w, -1.0f, 1.0f));
  float sine = std::sin(theta);
  float k = sine > FLT_EPSILON ? theta / sine : 1.0f;
  *out = Quaternion{q->x * k, q->y * k, q->z * k, 0.0f};
  return out;
}

Quaternion* quaternionExp(Quaternion* out, const Quaternion* q) {
  // (theta axis, ignored) gives (sin(theta) axis, cos(theta)).
  float theta = std::sqrt(q->x * q->x + q->y * q->y + q->z * q->z);
  float k = theta > FLT_EPSILON ? std::sin(theta) / theta : 1.0f;
  *out = Quaternion{q->x * k, q->y * k, q->z * k, std::cos(theta)};
  return out;
}

}  // namespace math_portable
