// The routine table's spline and barycentric entries for a processor set, built on the set's own
// hermite, catmullRom and baryCentric over N floats: the entry points are alike for every set,
// only the arithmetic behind them differs.
#pragma once

#include "math/routine_table.h"

// `Forms` gives static member templates hermite<N>, catmullRom<N> and baryCentric<N> over
// float pointers.
template <typename Forms>
struct SplineEntryPoints {
  template <typename Vec, int N>
  static Vec* hermite(Vec* out, const Vec* v1, const Vec* t1, const Vec* v2, const Vec* t2, float s) {
    Forms::template hermite<N>(&out->x, &v1->x, &t1->x, &v2->x, &t2->x, s);
    return out;
  }
  template <typename Vec, int N>
  static Vec* catmullRom(Vec* out, const Vec* v0, const Vec* v1, const Vec* v2, const Vec* v3, float s) {
    Forms::template catmullRom<N>(&out->x, &v0->x, &v1->x, &v2->x, &v3->x, s);
    return out;
  }
  template <typename Vec, int N>
  static Vec* baryCentric(Vec* out, const Vec* v1, const Vec* v2, const Vec* v3, float f, float g) {
    Forms::template baryCentric<N>(&out->x, &v1->x, &v2->x, &v3->x, f, g);
    return out;
  }

  static void install(MathRoutineTable& table) {
    table.vec2Hermite = &hermite<Vec2, 2>;
    table.vec3Hermite = &hermite<Vec3, 3>;
    table.vec4Hermite = &hermite<Vec4, 4>;
    table.vec2CatmullRom = &catmullRom<Vec2, 2>;
    table.vec3CatmullRom = &catmullRom<Vec3, 3>;
    table.vec4CatmullRom = &catmullRom<Vec4, 4>;
    table.vec2BaryCentric = &baryCentric<Vec2, 2>;
    table.vec3BaryCentric = &baryCentric<Vec3, 3>;
    table.vec4BaryCentric = &baryCentric<Vec4, 4>;
  }
};
