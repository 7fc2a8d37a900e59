// Every routine of every set this processor can run, against the portable set, on random
// operands and on shared edge operands, with the output both separate and aliasing an input.
//
// Tolerance: |variant - portable| <= tolerance * max(1, |portable|) per float. The default
// 1e-5 allows a few ulps on sums of terms up to about 16 (operands are in [-2, 2]) and still
// catches any wrong term or sign; the inverse allows 1e-4 for its longer sums of products.
// An aliased call must give exactly the result of the same variant with a separate output.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "amd3dnow_model.h"
#include "math/math_dispatch.h"
#include "math/variant_sets.h"
#include "random_inputs.h"

namespace {

using math_test::InputGenerator;
using math_test::RandomInputs;

using Floats = std::vector<float>;

template <typename T>
void append(Floats& out, const T& value) {
  static_assert(sizeof(T) % sizeof(float) == 0);
  const std::size_t count = sizeof(T) / sizeof(float);
  std::size_t at = out.size();
  out.resize(at + count);
  std::memcpy(out.data() + at, &value, sizeof(T));
}

// The result of one routine called with a separate output and with the output aliasing an
// input (the same call again where no input has the output's type).
struct Outcome {
  Floats separate, aliased;
};

struct RoutineCase {
  std::string name;
  std::function<Outcome(const MathRoutineTable&, const RandomInputs&)> run;
  float tolerance = 1e-5f;
};

// Runs a routine of the form (out, in, rest...) -> out twice: once into a fresh object and
// once in place over a copy of `in`.
template <typename T, typename Call>
Outcome inPlace(const T& in, Call call) {
  Outcome outcome;
  T separate{};
  T* returned = call(&separate, &in);
  if (returned != nullptr) append(outcome.separate, separate);
  T aliased = in;
  returned = call(&aliased, &aliased);
  if (returned != nullptr) append(outcome.aliased, aliased);
  return outcome;
}

template <typename T, typename Call>
Outcome noAlias(Call call) {
  Outcome outcome;
  T out{};
  if (call(&out) != nullptr) append(outcome.separate, out);
  outcome.aliased = outcome.separate;
  return outcome;
}

// Array routines over `count` elements, packed and with padding between elements, and in
// place where input and output have one type.

template <typename Out, typename In, typename Call>
Outcome arrayRun(const In* source, UINT count, Call call) {
  Outcome outcome;
  for (UINT padding : {0u, 8u}) {
    UINT inStride = sizeof(In) + padding, outStride = sizeof(Out) + padding;
    std::vector<unsigned char> input(std::size_t{inStride} * count), output(std::size_t{outStride} * count);
    for (UINT i = 0; i < count; ++i) std::memcpy(input.data() + std::size_t{i} * inStride, &source[i], sizeof(In));
    // A routine that refuses (null) leaves nothing to compare.
    if (call(reinterpret_cast<Out*>(output.data()), outStride, reinterpret_cast<const In*>(input.data()), inStride,
             count) == nullptr) {
      continue;
    }
    for (UINT i = 0; i < count; ++i) {
      Out element;
      std::memcpy(&element, output.data() + std::size_t{i} * outStride, sizeof(Out));
      append(outcome.separate, element);
    }
  }
  if constexpr (sizeof(Out) == sizeof(In)) {
    std::vector<In> buffer(source, source + count);
    if (call(reinterpret_cast<Out*>(buffer.data()), sizeof(In), buffer.data(), sizeof(In), count) != nullptr) {
      for (const In& element : buffer) append(outcome.aliased, element);
    }
    // The packed separate half must match the in-place run.
    outcome.aliased.insert(outcome.aliased.end(), outcome.separate.begin() + outcome.aliased.size(),
                           outcome.separate.end());
  } else {
    outcome.aliased = outcome.separate;
  }
  return outcome;
}

std::vector<RoutineCase> allCases() {
  using T = const MathRoutineTable&;
  using In = const RandomInputs&;
  std::vector<RoutineCase> cases;
  auto add = [&](std::string name, std::function<Outcome(T, In)> run, float tolerance = 1e-5f) {
    cases.push_back({std::move(name), std::move(run), tolerance});
  };

  // 2-vectors.
  add("vec2Transform",
      [](T t, In in) { return noAlias<Vec4>([&](Vec4* o) { return t.vec2Transform(o, &in.v2[0], &in.general); }); });
  add("vec2TransformCoord", [](T t, In in) {
    return inPlace(in.v2[0], [&](Vec2* o, const Vec2* v) { return t.vec2TransformCoord(o, v, &in.projective); });
  });
  add("vec2TransformNormal", [](T t, In in) {
    return inPlace(in.v2[0], [&](Vec2* o, const Vec2* v) { return t.vec2TransformNormal(o, v, &in.general); });
  });
  add("vec2Normalize",
      [](T t, In in) { return inPlace(in.v2[0], [&](Vec2* o, const Vec2* v) { return t.vec2Normalize(o, v); }); });
  add("vec2Hermite", [](T t, In in) {
    return inPlace(in.v2[0],
                   [&](Vec2* o, const Vec2* v) { return t.vec2Hermite(o, v, &in.v2[1], &in.v2[2], &in.v2[3], in.s); });
  });
  add("vec2CatmullRom", [](T t, In in) {
    return inPlace(in.v2[1], [&](Vec2* o, const Vec2* v) {
      return t.vec2CatmullRom(o, &in.v2[0], v, &in.v2[2], &in.v2[3], in.s);
    });
  });
  add("vec2BaryCentric", [](T t, In in) {
    return inPlace(in.v2[0],
                   [&](Vec2* o, const Vec2* v) { return t.vec2BaryCentric(o, v, &in.v2[1], &in.v2[2], in.f, in.g); });
  });

  // 3-vectors.
  add("vec3Transform",
      [](T t, In in) { return noAlias<Vec4>([&](Vec4* o) { return t.vec3Transform(o, &in.v3[0], &in.general); }); });
  add("vec3TransformCoord", [](T t, In in) {
    return inPlace(in.v3[0], [&](Vec3* o, const Vec3* v) { return t.vec3TransformCoord(o, v, &in.projective); });
  });
  add("vec3TransformNormal", [](T t, In in) {
    return inPlace(in.v3[0], [&](Vec3* o, const Vec3* v) { return t.vec3TransformNormal(o, v, &in.general); });
  });
  add("vec3Normalize",
      [](T t, In in) { return inPlace(in.v3[0], [&](Vec3* o, const Vec3* v) { return t.vec3Normalize(o, v); }); });
  add("vec3Project", [](T t, In in) {
    return inPlace(in.v3[0], [&](Vec3* o, const Vec3* v) {
      return t.vec3Project(o, v, &in.viewport, &in.projective, &in.rotation, &in.invertible);
    });
  });
  add(
      "vec3Unproject",
      [](T t, In in) {
        Vec3 screen{in.v3[0].x * 100 + 300, in.v3[0].y * 100 + 250, in.s};
        return inPlace(screen, [&](Vec3* o, const Vec3* v) {
          return t.vec3Unproject(o, v, &in.viewport, &in.projective, &in.rotation, &in.invertible);
        });
      },
      1e-4f);
  add("vec3Hermite", [](T t, In in) {
    return inPlace(in.v3[0],
                   [&](Vec3* o, const Vec3* v) { return t.vec3Hermite(o, v, &in.v3[1], &in.v3[2], &in.v3[3], in.s); });
  });
  add("vec3CatmullRom", [](T t, In in) {
    return inPlace(in.v3[3], [&](Vec3* o, const Vec3* v) {
      return t.vec3CatmullRom(o, &in.v3[0], &in.v3[1], &in.v3[2], v, in.s);
    });
  });
  add("vec3BaryCentric", [](T t, In in) {
    return inPlace(in.v3[2],
                   [&](Vec3* o, const Vec3* v) { return t.vec3BaryCentric(o, &in.v3[0], &in.v3[1], v, in.f, in.g); });
  });

  // 4-vectors.
  add("vec4Transform", [](T t, In in) {
    return inPlace(in.v4[0], [&](Vec4* o, const Vec4* v) { return t.vec4Transform(o, v, &in.general); });
  });
  add("vec4Normalize",
      [](T t, In in) { return inPlace(in.v4[0], [&](Vec4* o, const Vec4* v) { return t.vec4Normalize(o, v); }); });
  add("vec4Cross", [](T t, In in) {
    return inPlace(in.v4[1], [&](Vec4* o, const Vec4* v) { return t.vec4Cross(o, &in.v4[0], v, &in.v4[2]); });
  });
  add("vec4Hermite", [](T t, In in) {
    return inPlace(in.v4[3],
                   [&](Vec4* o, const Vec4* v) { return t.vec4Hermite(o, &in.v4[0], &in.v4[1], &in.v4[2], v, in.s); });
  });
  add("vec4CatmullRom", [](T t, In in) {
    return inPlace(in.v4[0], [&](Vec4* o, const Vec4* v) {
      return t.vec4CatmullRom(o, v, &in.v4[1], &in.v4[2], &in.v4[3], in.s);
    });
  });
  add("vec4BaryCentric", [](T t, In in) {
    return inPlace(in.v4[1],
                   [&](Vec4* o, const Vec4* v) { return t.vec4BaryCentric(o, &in.v4[0], v, &in.v4[2], in.f, in.g); });
  });

  // Matrices.
  add("matrixMultiply/a", [](T t, In in) {
    return inPlace(in.general,
                   [&](Matrix4x4* o, const Matrix4x4* a) { return t.matrixMultiply(o, a, &in.invertible); });
  });
  add("matrixMultiply/b", [](T t, In in) {
    return inPlace(in.general,
                   [&](Matrix4x4* o, const Matrix4x4* b) { return t.matrixMultiply(o, &in.invertible, b); });
  });
  add("matrixMultiplyTranspose", [](T t, In in) {
    return inPlace(in.general,
                   [&](Matrix4x4* o, const Matrix4x4* a) { return t.matrixMultiplyTranspose(o, a, &in.rotation); });
  });
  add(
      "matrixDeterminant",
      [](T t, In in) {
        Outcome outcome;
        outcome.separate = {t.matrixDeterminant(&in.general) / 64.0f, t.matrixDeterminant(&in.invertible) / 256.0f};
        outcome.aliased = outcome.separate;
        return outcome;
      },
      1e-4f);
  add(
      "matrixInverse",
      [](T t, In in) {
        Outcome outcome =
            inPlace(in.invertible, [&](Matrix4x4* o, const Matrix4x4* m) { return t.matrixInverse(o, nullptr, m); });
        float determinant = 0;
        Matrix4x4 out;
        t.matrixInverse(&out, &determinant, &in.invertible);
        outcome.separate.push_back(determinant / 256.0f);
        outcome.aliased.push_back(determinant / 256.0f);
        return outcome;
      },
      1e-4f);
  add("matrixTranspose", [](T t, In in) {
    return inPlace(in.general, [&](Matrix4x4* o, const Matrix4x4* m) { return t.matrixTranspose(o, m); });
  });
  add("matrixTranslation", [](T t, In in) {
    return noAlias<Matrix4x4>([&](Matrix4x4* o) { return t.matrixTranslation(o, in.v3[0].x, in.v3[0].y, in.v3[0].z); });
  });
  add("matrixScaling", [](T t, In in) {
    return noAlias<Matrix4x4>([&](Matrix4x4* o) { return t.matrixScaling(o, in.v3[0].x, in.v3[0].y, in.v3[0].z); });
  });
  add("matrixRotationX",
      [](T t, In in) { return noAlias<Matrix4x4>([&](Matrix4x4* o) { return t.matrixRotationX(o, in.angles[0]); }); });
  add("matrixRotationY",
      [](T t, In in) { return noAlias<Matrix4x4>([&](Matrix4x4* o) { return t.matrixRotationY(o, in.angles[1]); }); });
  add("matrixRotationZ",
      [](T t, In in) { return noAlias<Matrix4x4>([&](Matrix4x4* o) { return t.matrixRotationZ(o, in.angles[2]); }); });
  add("matrixRotationAxis", [](T t, In in) {
    return noAlias<Matrix4x4>([&](Matrix4x4* o) { return t.matrixRotationAxis(o, &in.v3[0], in.angles[0]); });
  });
  add("matrixFromQuaternion", [](T t, In in) {
    return noAlias<Matrix4x4>([&](Matrix4x4* o) { return t.matrixFromQuaternion(o, &in.unit[1]); });
  });
  add("matrixRotationYawPitchRoll", [](T t, In in) {
    return noAlias<Matrix4x4>(
        [&](Matrix4x4* o) { return t.matrixRotationYawPitchRoll(o, in.angles[0], in.angles[1], in.angles[2]); });
  });
  add(
      "matrixTransformation",
      [](T t, In in) {
        return noAlias<Matrix4x4>([&](Matrix4x4* o) {
          return t.matrixTransformation(o, &in.v3[0], &in.unit[0], &in.v3[1], &in.v3[2], &in.unit[1], &in.v3[3]);
        });
      },
      1e-4f);
  add("matrixAffineTransformation", [](T t, In in) {
    return noAlias<Matrix4x4>(
        [&](Matrix4x4* o) { return t.matrixAffineTransformation(o, in.s, &in.v3[0], &in.unit[2], &in.v3[1]); });
  });
  add("matrixShadow", [](T t, In in) {
    return noAlias<Matrix4x4>([&](Matrix4x4* o) { return t.matrixShadow(o, &in.light, &in.plane); });
  });
  add("matrixReflect",
      [](T t, In in) { return noAlias<Matrix4x4>([&](Matrix4x4* o) { return t.matrixReflect(o, &in.plane); }); });

  // Quaternions.
  add("quaternionMultiply/q1", [](T t, In in) {
    return inPlace(in.unit[0],
                   [&](Quaternion* o, const Quaternion* q) { return t.quaternionMultiply(o, q, &in.unit[1]); });
  });
  add("quaternionMultiply/q2", [](T t, In in) {
    return inPlace(in.unit[1],
                   [&](Quaternion* o, const Quaternion* q) { return t.quaternionMultiply(o, &in.unit[0], q); });
  });
  add("quaternionNormalize", [](T t, In in) {
    Quaternion q{in.v4[0].x, in.v4[0].y, in.v4[0].z, in.v4[0].w};
    return inPlace(q, [&](Quaternion* o, const Quaternion* p) { return t.quaternionNormalize(o, p); });
  });
  add("quaternionInverse", [](T t, In in) {
    Quaternion q{in.v4[0].x, in.v4[0].y, in.v4[0].z, in.v4[0].w};
    return inPlace(q, [&](Quaternion* o, const Quaternion* p) { return t.quaternionInverse(o, p); });
  });
  add("quaternionFromMatrix", [](T t, In in) {
    return noAlias<Quaternion>([&](Quaternion* o) { return t.quaternionFromMatrix(o, &in.rotation); });
  });
  add("quaternionFromYawPitchRoll", [](T t, In in) {
    return noAlias<Quaternion>(
        [&](Quaternion* o) { return t.quaternionFromYawPitchRoll(o, in.angles[0], in.angles[1], in.angles[2]); });
  });
  add("quaternionFromAxisAngle", [](T t, In in) {
    return noAlias<Quaternion>([&](Quaternion* o) { return t.quaternionFromAxisAngle(o, &in.v3[0], in.angles[0]); });
  });
  add("quaternionToAxisAngle", [](T t, In in) {
    return inPlace(Vec3{}, [&](Vec3* axis, const Vec3*) {
      float angle = 0;
      Vec3* returned = t.quaternionToAxisAngle(axis, &angle, &in.unit[0]);
      axis->x += angle;  // fold the angle into the compared floats
      return returned;
    });
  });
  add("quaternionSlerp", [](T t, In in) {
    return inPlace(in.unit[0],
                   [&](Quaternion* o, const Quaternion* q) { return t.quaternionSlerp(o, q, &in.unit[1], in.s); });
  });
  add("quaternionSquad", [](T t, In in) {
    return inPlace(in.unit[0], [&](Quaternion* o, const Quaternion* q) {
      return t.quaternionSquad(o, q, &in.unit[1], &in.unit[2], &in.unit[3], in.s);
    });
  });
  add(
      "quaternionSquadSetup",
      [](T t, In in) {
        return inPlace(in.unit[1], [&](Quaternion* o, const Quaternion* q) {
          Quaternion b, c;
          Quaternion* returned = t.quaternionSquadSetup(o, &b, &c, &in.unit[0], q, &in.unit[2], &in.unit[3]);
          o->x += b.x + 2 * b.y + 3 * b.z + 4 * b.w + c.x;
          return returned;
        });
      },
      1e-4f);
  add("quaternionBaryCentric", [](T t, In in) {
    return inPlace(in.unit[0], [&](Quaternion* o, const Quaternion* q) {
      return t.quaternionBaryCentric(o, q, &in.unit[1], &in.unit[2], in.f, in.g);
    });
  });
  add("quaternionLn", [](T t, In in) {
    return inPlace(in.unit[0], [&](Quaternion* o, const Quaternion* q) { return t.quaternionLn(o, q); });
  });
  add("quaternionExp", [](T t, In in) {
    return inPlace(in.unit[0], [&](Quaternion* o, const Quaternion* q) { return t.quaternionExp(o, q); });
  });

  // Planes.
  add("planeFromPointNormal", [](T t, In in) {
    return noAlias<Plane>([&](Plane* o) { return t.planeFromPointNormal(o, &in.v3[0], &in.v3[1]); });
  });
  add("planeFromPoints", [](T t, In in) {
    return noAlias<Plane>([&](Plane* o) { return t.planeFromPoints(o, &in.v3[0], &in.v3[1], &in.v3[2]); });
  });
  add("planeNormalize",
      [](T t, In in) { return inPlace(in.plane, [&](Plane* o, const Plane* p) { return t.planeNormalize(o, p); }); });
  add(
      "planeIntersectLine",
      [](T t, In in) {
        return inPlace(in.v3[0],
                       [&](Vec3* o, const Vec3* v) { return t.planeIntersectLine(o, &in.plane, v, &in.v3[1]); });
      },
      1e-3f);
  add("planeTransform", [](T t, In in) {
    return inPlace(in.plane, [&](Plane* o, const Plane* p) { return t.planeTransform(o, p, &in.general); });
  });

  // Array forms.
  add("vec2TransformArray", [](T t, In in) {
    return arrayRun<Vec4>(in.v2, 4, [&](Vec4* o, UINT os, const Vec2* i, UINT is, UINT n) {
      return t.vec2TransformArray(o, os, i, is, &in.general, n);
    });
  });
  add("vec2TransformCoordArray", [](T t, In in) {
    return arrayRun<Vec2>(in.v2, 4, [&](Vec2* o, UINT os, const Vec2* i, UINT is, UINT n) {
      return t.vec2TransformCoordArray(o, os, i, is, &in.projective, n);
    });
  });
  add("vec2TransformNormalArray", [](T t, In in) {
    return arrayRun<Vec2>(in.v2, 4, [&](Vec2* o, UINT os, const Vec2* i, UINT is, UINT n) {
      return t.vec2TransformNormalArray(o, os, i, is, &in.general, n);
    });
  });
  add("vec3TransformArray", [](T t, In in) {
    return arrayRun<Vec4>(in.v3, 4, [&](Vec4* o, UINT os, const Vec3* i, UINT is, UINT n) {
      return t.vec3TransformArray(o, os, i, is, &in.general, n);
    });
  });
  add("vec3TransformCoordArray", [](T t, In in) {
    return arrayRun<Vec3>(in.v3, 4, [&](Vec3* o, UINT os, const Vec3* i, UINT is, UINT n) {
      return t.vec3TransformCoordArray(o, os, i, is, &in.projective, n);
    });
  });
  add("vec3TransformNormalArray", [](T t, In in) {
    return arrayRun<Vec3>(in.v3, 4, [&](Vec3* o, UINT os, const Vec3* i, UINT is, UINT n) {
      return t.vec3TransformNormalArray(o, os, i, is, &in.general, n);
    });
  });
  add(
      "vec3ProjectArray",
      [](T t, In in) {
        return arrayRun<Vec3>(in.v3, 4, [&](Vec3* o, UINT os, const Vec3* i, UINT is, UINT n) {
          return t.vec3ProjectArray(o, os, i, is, &in.viewport, &in.projective, &in.rotation, &in.invertible, n);
        });
      },
      1e-4f);
  add(
      "vec3UnprojectArray",
      [](T t, In in) {
        Vec3 screen[4];
        for (int i = 0; i < 4; ++i) screen[i] = Vec3{in.v3[i].x * 100 + 300, in.v3[i].y * 100 + 250, in.s};
        return arrayRun<Vec3>(screen, 4, [&](Vec3* o, UINT os, const Vec3* i, UINT is, UINT n) {
          return t.vec3UnprojectArray(o, os, i, is, &in.viewport, &in.projective, &in.rotation, &in.invertible, n);
        });
      },
      1e-4f);
  add("vec4TransformArray", [](T t, In in) {
    return arrayRun<Vec4>(in.v4, 4, [&](Vec4* o, UINT os, const Vec4* i, UINT is, UINT n) {
      return t.vec4TransformArray(o, os, i, is, &in.general, n);
    });
  });
  add("planeTransformArray", [](T t, In in) {
    Plane planes[4] = {in.plane,
                       {in.v4[0].x, in.v4[0].y, in.v4[0].z, in.v4[0].w},
                       {in.v4[1].x, in.v4[1].y, in.v4[1].z, in.v4[1].w},
                       {1, 0, 0, 0}};
    return arrayRun<Plane>(planes, 4, [&](Plane* o, UINT os, const Plane* i, UINT is, UINT n) {
      return t.planeTransformArray(o, os, i, is, &in.general, n);
    });
  });

  // Half floats: every value, exactly.
  add(
      "float16To32Array",
      [](T t, In) {
        std::vector<Float16Bits> halves(65536 + 5);
        for (std::size_t i = 0; i < halves.size(); ++i) halves[i] = static_cast<Float16Bits>(i);
        Outcome outcome;
        outcome.separate.resize(halves.size());
        t.float16To32Array(outcome.separate.data(), halves.data(), static_cast<UINT>(halves.size()));
        outcome.aliased = outcome.separate;
        return outcome;
      },
      0.0f);
  add(
      "float32To16Array",
      [](T t, In in) {
        float values[4] = {in.v4[0].x * 1000, in.v4[0].y, in.v4[0].z * 1e-5f, in.v4[0].w * 70000};
        Float16Bits halves[4];
        t.float32To16Array(halves, values, 4);
        Outcome outcome;
        for (Float16Bits h : halves) outcome.separate.push_back(h);
        outcome.aliased = outcome.separate;
        return outcome;
      },
      0.0f);

  // Mesh routines.
  add("skinnedMeshUpdate", [](T t, In in) {
    struct Vertex {
      Vec3 position, normal;
      float u, v;
    };
    std::vector<Vertex> vertices(4);
    for (int i = 0; i < 4; ++i) vertices[i] = Vertex{in.v3[i], in.v3[(i + 1) % 4], 0.5f, 0.25f};
    const UINT firstBoneVertices[] = {0, 1, 2, 7};  // 7 is out of range and ignored
    const float firstBoneWeights[] = {1.0f, 0.25f, 0.5f, 1.0f};
    const UINT secondBoneVertices[] = {1, 2, 3};
    const float secondBoneWeights[] = {0.75f, 0.5f, 1.0f};
    Matrix4x4 affine = in.rotation;
    affine.m[3][0] = in.v3[0].x;
    SkinnedBone bones[] = {{&in.invertible, firstBoneVertices, firstBoneWeights, 4},
                           {&affine, secondBoneVertices, secondBoneWeights, 3}};
    SkinnedMeshDesc desc{bones, 2, 4, sizeof(Vertex), offsetof(Vertex, normal)};
    Outcome outcome;
    std::vector<Vertex> out(4, Vertex{{9, 9, 9}, {9, 9, 9}, 7, 7});
    t.skinnedMeshUpdate(out.data(), vertices.data(), &desc);
    for (const Vertex& v : out) append(outcome.separate, v);
    std::vector<Vertex> inPlaceVertices = vertices;
    t.skinnedMeshUpdate(inPlaceVertices.data(), inPlaceVertices.data(), &desc);
    for (Vertex& v : inPlaceVertices) {
      v.u = v.v = 7;  // the separate output kept its own extra bytes
      append(outcome.aliased, v);
    }
    return outcome;
  });
  add("nPatchTessellate", [](T t, In in) {
    Vec3 positions[15], normals[15];
    t.nPatchTessellate(positions, normals, &in.v3[0], &in.v3[1], 4);
    Outcome outcome;
    for (int i = 0; i < 15; ++i) {
      append(outcome.separate, positions[i]);
      append(outcome.separate, normals[i]);
    }
    outcome.aliased = outcome.separate;
    return outcome;
  });
  return cases;
}

struct SetUnderTest {
  MathSet set;
  const char* name;
  bool model = false;  // the 3DNow! set over its instruction model, runnable anywhere
  std::uint32_t modelFeatures = 0;
};

void PrintTo(const SetUnderTest& subject, std::ostream* os) { *os << "the " << subject.name << " set"; }

class VariantAgreementTest : public ::testing::TestWithParam<SetUnderTest> {
 protected:
  void SetUp() override {
    const SetUnderTest& subject = GetParam();
    if (subject.model) {
      mathRoutineTable = portableMathRoutines;
      installX87Routines(mathRoutineTable);
      install3dNowModelRoutines(mathRoutineTable, subject.modelFeatures);
      return;
    }
    if (!mathSetBuilt(subject.set)) GTEST_SKIP() << "skipped: the " << subject.name << " set is not in this build";
    if (!mathSetRunnable(subject.set)) {
      GTEST_SKIP() << "skipped: this processor cannot run the " << subject.name << " set";
    }
    selectMathSetForTesting(subject.set);
  }
  void TearDown() override { resetMathDispatchForTesting(); }

  static void expectAgreement(const RoutineCase& routine, const Outcome& reference, const Outcome& variant,
                              const std::string& where) {
    ASSERT_EQ(variant.separate.size(), reference.separate.size()) << routine.name << " " << where;
    for (std::size_t i = 0; i < reference.separate.size(); ++i) {
      float expected = reference.separate[i], actual = variant.separate[i];
      float allowed = routine.tolerance * std::max(1.0f, std::fabs(expected));
      if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual)) << routine.name << " float " << i << " " << where;
      } else {
        ASSERT_LE(std::fabs(actual - expected), allowed)
            << routine.name << " float " << i << ": portable " << expected << ", variant " << actual << " " << where;
      }
    }
    for (const Outcome* outcome : {&reference, &variant}) {
      const char* which = outcome == &reference ? "portable" : "variant";
      ASSERT_EQ(outcome->aliased.size(), outcome->separate.size())
          << routine.name << " aliased " << which << " " << where;
      for (std::size_t i = 0; i < outcome->separate.size(); ++i) {
        ASSERT_EQ(std::memcmp(&outcome->aliased[i], &outcome->separate[i], sizeof(float)), 0)
            << routine.name << " " << which << " aliased output differs at float " << i << " " << where;
      }
    }
  }
};

TEST_P(VariantAgreementTest, EveryRoutineAgreesWithThePortableSetOnRandomOperands) {
  const std::vector<RoutineCase> cases = allCases();
  ASSERT_GE(cases.size(), kMathRoutineCount);
  InputGenerator generator(20261207);
  for (int round = 0; round < 200; ++round) {
    RandomInputs in = generator.draw();
    for (const RoutineCase& routine : cases) {
      Outcome reference = routine.run(portableMathRoutines, in);
      Outcome variant = routine.run(mathRoutineTable, in);
      expectAgreement(routine, reference, variant, "in round " + std::to_string(round));
      if (HasFatalFailure()) return;
    }
  }
}

TEST_P(VariantAgreementTest, EdgeOperandsGiveThePortableResults) {
  // Zero, unit and tiny vectors, a singular matrix, and a light in the plane.
  InputGenerator generator(7);
  RandomInputs base = generator.draw();
  const std::vector<RoutineCase> cases = allCases();
  std::vector<std::pair<std::string, RandomInputs>> edges;
  RandomInputs zero = base;
  for (auto& v : zero.v2) v = Vec2{0, 0};
  for (auto& v : zero.v3) v = Vec3{0, 0, 0};
  for (auto& v : zero.v4) v = Vec4{0, 0, 0, 0};
  zero.plane = Plane{0, 0, 0, 1};
  edges.emplace_back("zero vectors", zero);
  RandomInputs unit = base;
  for (auto& v : unit.v2) v = Vec2{0, 1};
  for (auto& v : unit.v3) v = Vec3{1, 0, 0};
  for (auto& v : unit.v4) v = Vec4{0, 0, 0, 1};
  edges.emplace_back("unit vectors", unit);
  RandomInputs singular = base;
  // Two equal rows: exactly singular in every evaluation order (all minors of the pair vanish).
  for (int j = 0; j < 4; ++j) singular.invertible.m[1][j] = singular.invertible.m[0][j];
  singular.general = singular.invertible;
  edges.emplace_back("singular matrices", singular);
  RandomInputs lightInPlane = base;
  lightInPlane.plane = Plane{0, 1, 0, 0};
  lightInPlane.light = Vec4{1, 0, 1, 1};
  edges.emplace_back("light in the plane", lightInPlane);

  for (const auto& [label, in] : edges) {
    for (const RoutineCase& routine : cases) {
      Outcome reference = routine.run(portableMathRoutines, in);
      Outcome variant = routine.run(mathRoutineTable, in);
      expectAgreement(routine, reference, variant, "for " + label);
      if (HasFatalFailure()) return;
    }
  }
}

TEST_P(VariantAgreementTest, LargeArraysTakeTheSameResultsOnEveryPath) {
  // Large enough and aligned for the streaming path of the array transforms.
  InputGenerator generator(3);
  RandomInputs in = generator.draw();
  constexpr UINT kCount = 5000;
  std::vector<Vec3> points(kCount);
  std::vector<Vec2> flat(kCount);
  for (UINT i = 0; i < kCount; ++i) {
    points[i] = Vec3{generator.uniform(-2, 2), generator.uniform(-2, 2), generator.uniform(-2, 2)};
    flat[i] = Vec2{points[i].x, points[i].y};
  }
  std::vector<Vec4> expected(kCount), actual(kCount);
  portableMathRoutines.vec3TransformArray(expected.data(), sizeof(Vec4), points.data(), sizeof(Vec3), &in.general,
                                          kCount);
  vec3TransformArray(actual.data(), sizeof(Vec4), points.data(), sizeof(Vec3), &in.general, kCount);
  for (UINT i = 0; i < kCount; ++i) {
    ASSERT_NEAR(actual[i].x, expected[i].x, 1e-5f * std::max(1.0f, std::fabs(expected[i].x))) << i;
    ASSERT_NEAR(actual[i].w, expected[i].w, 1e-5f * std::max(1.0f, std::fabs(expected[i].w))) << i;
  }
  portableMathRoutines.vec2TransformArray(expected.data(), sizeof(Vec4), flat.data(), sizeof(Vec2), &in.general,
                                          kCount);
  vec2TransformArray(actual.data(), sizeof(Vec4), flat.data(), sizeof(Vec2), &in.general, kCount);
  for (UINT i = 0; i < kCount; ++i) {
    ASSERT_NEAR(actual[i].y, expected[i].y, 1e-5f * std::max(1.0f, std::fabs(expected[i].y))) << i;
    ASSERT_NEAR(actual[i].z, expected[i].z, 1e-5f * std::max(1.0f, std::fabs(expected[i].z))) << i;
  }
}

TEST_P(VariantAgreementTest, RotationsAgreeOverWideAngles) {
  // Around every quadrant boundary, and far out where argument reduction gets hard.
  std::vector<float> angles;
  for (int quarter = -12; quarter <= 12; ++quarter) {
    float boundary = static_cast<float>(quarter) * 1.5707963f;
    for (float offset : {-1e-3f, 0.0f, 1e-3f, 0.4f}) angles.push_back(boundary + offset);
  }
  for (float far : {1000.25f, -3217.5f, 16383.0f, 16385.0f, 1e6f, -4e7f}) angles.push_back(far);
  for (std::size_t i = 0; i < angles.size(); ++i) {
    float yaw = angles[i], pitch = angles[(i * 7 + 3) % angles.size()], roll = angles[(i * 13 + 5) % angles.size()];
    Quaternion expected, actual;
    portableMathRoutines.quaternionFromYawPitchRoll(&expected, yaw, pitch, roll);
    quaternionFromYawPitchRoll(&actual, yaw, pitch, roll);
    // Far angles carry the float's own spacing; the tolerance grows with them.
    float tolerance = 2e-6f * std::max(1.0f, std::fabs(yaw) + std::fabs(pitch) + std::fabs(roll)) + 1e-5f;
    EXPECT_NEAR(actual.x, expected.x, tolerance) << yaw << " " << pitch << " " << roll;
    EXPECT_NEAR(actual.y, expected.y, tolerance) << yaw << " " << pitch << " " << roll;
    EXPECT_NEAR(actual.z, expected.z, tolerance) << yaw << " " << pitch << " " << roll;
    EXPECT_NEAR(actual.w, expected.w, tolerance) << yaw << " " << pitch << " " << roll;
    Matrix4x4 expectedMatrix, actualMatrix;
    portableMathRoutines.matrixRotationYawPitchRoll(&expectedMatrix, yaw, pitch, roll);
    matrixRotationYawPitchRoll(&actualMatrix, yaw, pitch, roll);
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(actualMatrix.m[r][c], expectedMatrix.m[r][c], 2 * tolerance);
    }
  }
}

TEST_P(VariantAgreementTest, HalfFloatConversionsMatchExactly) {
  // Every half, and for float to half every half's value with its float neighbours (the
  // rounding ties and their sides), the saturation edge, infinities and NaN, in odd counts.
  std::vector<Float16Bits> halves(65536);
  for (std::size_t i = 0; i < halves.size(); ++i) halves[i] = static_cast<Float16Bits>(i);
  std::vector<float> expected(halves.size()), actual(halves.size());
  portableMathRoutines.float16To32Array(expected.data(), halves.data(), 65535);
  float16To32Array(actual.data(), halves.data(), 65535);
  ASSERT_EQ(std::memcmp(expected.data(), actual.data(), 65535 * sizeof(float)), 0);

  std::vector<float> values;
  for (std::size_t i = 0; i + 1 < 65535; ++i) {
    float f = expected[i];
    values.push_back(f);
    if ((i & 0x3FF) == 0x3FF) continue;        // the next half has another exponent or sign
    float tie = (f + expected[i + 1]) * 0.5f;  // exact: halves have 11 significant bits
    values.push_back(tie);
    values.push_back(std::nextafter(tie, 1e9f));
    values.push_back(std::nextafter(tie, -1e9f));
  }
  for (float f :
       {131008.0f, 131040.0f, std::nextafter(131040.0f, 0.0f), 1e30f, -1e30f, std::numeric_limits<float>::infinity(),
        std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::denorm_min(), -0.0f}) {
    values.push_back(f);
  }
  if (values.size() % 2 == 0) values.push_back(0.5f);
  std::vector<Float16Bits> expectedHalves(values.size()), actualHalves(values.size());
  portableMathRoutines.float32To16Array(expectedHalves.data(), values.data(), static_cast<UINT>(values.size()));
  float32To16Array(actualHalves.data(), values.data(), static_cast<UINT>(values.size()));
  for (std::size_t i = 0; i < values.size(); ++i) {
    ASSERT_EQ(actualHalves[i], expectedHalves[i]) << "float " << values[i] << " at " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sets, VariantAgreementTest,
    ::testing::Values(SetUnderTest{MathSet::PortableAndX87, "x87-tuned"}, SetUnderTest{MathSet::Sse, "SSE"},
                      SetUnderTest{MathSet::Sse2, "SSE2"}, SetUnderTest{MathSet::Amd3dNow, "3DNow!"},
                      SetUnderTest{MathSet::Amd3dNow, "3DNow! model", true, kFeatureMmx | kFeature3dNow},
                      SetUnderTest{MathSet::Amd3dNow, "3DNow! model with extensions", true,
                                   kFeatureMmx | kFeatureSse | kFeature3dNow | kFeature3dNowExt | kFeatureMmxExt}),
    [](const ::testing::TestParamInfo<SetUnderTest>& info) {
      switch (info.param.set) {
        case MathSet::PortableAndX87: return std::string("X87");
        case MathSet::Sse: return std::string("Sse");
        case MathSet::Sse2: return std::string("Sse2");
        case MathSet::Amd3dNow:
          if (!info.param.model) return std::string("Amd3dNow");
          return std::string((info.param.modelFeatures & kFeature3dNowExt) != 0 ? "Amd3dNowModelWithExtensions"
                                                                                : "Amd3dNowModel");
      }
      return std::string("Unknown");
    });

}  // namespace
