// The math routine sets side by side. For each routine and each set this processor can run,
// Google Benchmark reports ns per call; a table at the end gives each set's speed-up over the
// portable set (portable time / set time) and, for the array transform, its time against the
// memory-bandwidth floor (a copy that reads 12 bytes and writes 16 per vector).
//
// The portable column is the portable table alone; "x87" is what the set-up installs when
// SSE is unavailable or switched off (portable plus the x87-tuned routines).
#include <benchmark/benchmark.h>
#include <emmintrin.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "math/math_dispatch.h"

namespace {

struct BenchSet {
  const char* name;
  std::optional<MathSet> set;  // none: the portable table alone
};

constexpr std::size_t kArrayLength = 1'000'000;

// Aligned storage for the large arrays.
template <typename T>
struct AlignedArray {
  explicit AlignedArray(std::size_t count)
      : data(static_cast<T*>(std::aligned_alloc(64, (count * sizeof(T) + 63) / 64 * 64))), size(count) {}
  ~AlignedArray() { std::free(data); }
  AlignedArray(const AlignedArray&) = delete;
  AlignedArray& operator=(const AlignedArray&) = delete;
  T* data;
  std::size_t size;
};

struct Operands {
  Matrix4x4 a, b;
  std::vector<Vec3> vectors;
  AlignedArray<Vec3> points{kArrayLength};
  AlignedArray<Vec4> transformed{kArrayLength};
  AlignedArray<float> floats{kArrayLength};
  AlignedArray<Float16Bits> halves{kArrayLength};

  Operands() {
    std::mt19937 engine(5);
    std::uniform_real_distribution<float> value(-2, 2);
    for (auto* m : {&a, &b}) {
      for (auto& row : m->m) {
        for (float& e : row) e = value(engine);
      }
      for (int i = 0; i < 4; ++i) m->m[i][i] += 4;
    }
    vectors.resize(256);
    for (Vec3& v : vectors) v = Vec3{value(engine), value(engine), value(engine)};
    for (std::size_t i = 0; i < kArrayLength; ++i) {
      points.data[i] = Vec3{value(engine), value(engine), value(engine)};
      floats.data[i] = value(engine) * 1000.0f;
      halves.data[i] = static_cast<Float16Bits>(engine());
    }
  }
};

Operands& operands() {
  static Operands instance;
  return instance;
}

MathRoutineTable tableFor(const BenchSet& set) {
  if (!set.set) return portableMathRoutines;
  selectMathSetForTesting(*set.set);
  MathRoutineTable table = mathRoutineTable;
  resetMathDispatchForTesting();
  return table;
}

using Body = void (*)(benchmark::State&, const MathRoutineTable&);

void matrixMultiplyBody(benchmark::State& state, const MathRoutineTable& t) {
  Operands& o = operands();
  Matrix4x4 out;
  for (auto _ : state) {
    t.matrixMultiply(&out, &o.a, &o.b);
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
}

void matrixInverseBody(benchmark::State& state, const MathRoutineTable& t) {
  Operands& o = operands();
  Matrix4x4 out;
  float determinant;
  for (auto _ : state) {
    t.matrixInverse(&out, &determinant, &o.a);
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
}

void vec3NormalizeBody(benchmark::State& state, const MathRoutineTable& t) {
  Operands& o = operands();
  Vec3 out;
  std::size_t i = 0;
  for (auto _ : state) {
    t.vec3Normalize(&out, &o.vectors[i++ & 255]);
    benchmark::DoNotOptimize(out);
  }
}

void quaternionFromYawPitchRollBody(benchmark::State& state, const MathRoutineTable& t) {
  Quaternion out;
  float angle = 0.1f;
  for (auto _ : state) {
    t.quaternionFromYawPitchRoll(&out, angle, 0.5f * angle, -angle);
    benchmark::DoNotOptimize(out);
    angle += 1e-3f;
    if (angle > 3.0f) angle = -3.0f;  // a camera's angles, not ever-growing ones
  }
}

void vec3TransformArrayBody(benchmark::State& state, const MathRoutineTable& t) {
  Operands& o = operands();
  for (auto _ : state) {
    t.vec3TransformArray(o.transformed.data, sizeof(Vec4), o.points.data, sizeof(Vec3), &o.a, kArrayLength);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kArrayLength * (12 + 16));
}

void float32To16ArrayBody(benchmark::State& state, const MathRoutineTable& t) {
  Operands& o = operands();
  for (auto _ : state) {
    t.float32To16Array(o.halves.data, o.floats.data, kArrayLength);
    benchmark::ClobberMemory();
  }
}

void float16To32ArrayBody(benchmark::State& state, const MathRoutineTable& t) {
  Operands& o = operands();
  for (auto _ : state) {
    t.float16To32Array(o.floats.data, o.halves.data, kArrayLength);
    benchmark::ClobberMemory();
  }
}

// The least any vec3TransformArray can take: read 12 bytes and write 16 per vector, with
// streaming stores as the fastest array transform uses.
void bandwidthFloor(benchmark::State& state) {
  Operands& o = operands();
  const float* in = &o.points.data[0].x;
  float* out = &o.transformed.data[0].x;
  for (auto _ : state) {
    for (std::size_t i = 0; i < kArrayLength; ++i) {
      __m128 v = _mm_castsi128_ps(_mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + 3 * i)),
                                                     _mm_cvtsi32_si128(*reinterpret_cast<const int*>(in + 3 * i + 2))));
      _mm_stream_ps(out + 4 * i, v);
    }
    _mm_sfence();
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kArrayLength * (12 + 16));
}

struct Routine {
  const char* name;
  Body body;
};
constexpr Routine kRoutines[] = {
    {"matrixMultiply", matrixMultiplyBody},
    {"matrixInverse", matrixInverseBody},
    {"vec3Normalize", vec3NormalizeBody},
    {"quaternionFromYawPitchRoll", quaternionFromYawPitchRollBody},
    {"vec3TransformArray_1M", vec3TransformArrayBody},
    {"float32To16Array_1M", float32To16ArrayBody},
    {"float16To32Array_1M", float16To32ArrayBody},
};

const BenchSet kSets[] = {{"portable", std::nullopt},
                          {"x87", MathSet::PortableAndX87},
                          {"sse", MathSet::Sse},
                          {"sse2", MathSet::Sse2},
                          {"3dnow", MathSet::Amd3dNow}};

// Collects the CPU time per iteration of every run for the closing table (CPU time, not wall
// time: the machines this runs on are often shared, and wall time then counts other work).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred)
        nanoseconds_[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void printRatios(const std::vector<const BenchSet*>& sets) const {
    std::printf("\nSpeed-up over the portable set (portable ns / set ns):\n%-28s", "routine");
    for (const BenchSet* set : sets) std::printf("%10s", set->name);
    std::printf("\n");
    for (const Routine& routine : kRoutines) {
      auto portable = nanoseconds_.find(std::string(routine.name) + "/portable");
      if (portable == nanoseconds_.end()) continue;
      std::printf("%-28s", routine.name);
      for (const BenchSet* set : sets) {
        auto it = nanoseconds_.find(std::string(routine.name) + "/" + set->name);
        if (it == nanoseconds_.end()) {
          std::printf("%10s", "-");
        } else {
          std::printf("%9.2fx", portable->second / it->second);
        }
      }
      std::printf("\n");
    }
    auto floor = nanoseconds_.find("bandwidthFloor_1M");
    if (floor == nanoseconds_.end()) return;
    std::printf("\nvec3TransformArray_1M against the bandwidth floor (set ns / floor ns, %.0f us floor):\n",
                floor->second / 1000.0);
    for (const BenchSet* set : sets) {
      auto it = nanoseconds_.find(std::string("vec3TransformArray_1M/") + set->name);
      if (it != nanoseconds_.end()) std::printf("  %-10s %.2f\n", set->name, it->second / floor->second);
    }
  }

 private:
  std::map<std::string, double> nanoseconds_;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<const BenchSet*> sets;
  for (const BenchSet& set : kSets) {
    if (set.set && (!mathSetBuilt(*set.set) || !mathSetRunnable(*set.set))) {
      std::printf("skipped: the %s set (%s)\n", set.name,
                  mathSetBuilt(*set.set) ? "this processor cannot run it" : "not in this build");
      continue;
    }
    sets.push_back(&set);
  }
  for (const Routine& routine : kRoutines) {
    for (const BenchSet* set : sets) {
      MathRoutineTable table = tableFor(*set);
      Body body = routine.body;
      benchmark::RegisterBenchmark((std::string(routine.name) + "/" + set->name).c_str(), [table, body](
                                                                                              benchmark::State& state) {
        body(state, table);
      })->Unit(benchmark::kNanosecond);
    }
  }
  benchmark::RegisterBenchmark("bandwidthFloor_1M", bandwidthFloor)->Unit(benchmark::kNanosecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios(sets);
  benchmark::Shutdown();
  return 0;
}
