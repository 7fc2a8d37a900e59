// The first-call set-up: which set it installs for which processor and registry switches.
// Processors other than this one are simulated through the platform's CPUID test hook; the
// tests only compare table contents and never call a routine the host cannot run.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "math/math_dispatch.h"
#include "math/variant_sets.h"
#include "platform/win/processor.h"
#include "scoped_environment.h"

namespace {

using platform::CpuidRegisters;
using prism_test::ScopedRegistry;
using prism_test::TemporaryDirectory;

constexpr std::uint32_t kMmx = 1u << 23, kSse = 1u << 25, kSse2 = 1u << 26;
constexpr std::uint32_t k3dNow = 1u << 31, k3dNowExt = 1u << 30, kMmxExt = 1u << 22;

// One simulated processor: leaf 1 EDX and, when it has them, the extended leaves' EDX.
struct SimulatedProcessor {
  std::uint32_t standardEdx;
  std::optional<std::uint32_t> extendedEdx;
  bool hidesExtendedLeaves = false;  // leaf 0x80000000 denies them while 0x80000001 answers
};
SimulatedProcessor simulated;

std::optional<CpuidRegisters> simulatedCpuid(std::uint32_t leaf, std::uint32_t) {
  switch (leaf) {
    case 0: return CpuidRegisters{1, 0, 0, 0};
    case 1: return CpuidRegisters{0x00000680, 0, 0, simulated.standardEdx};
    case 0x80000000u:
      return CpuidRegisters{simulated.extendedEdx && !simulated.hidesExtendedLeaves ? 0x80000001u : 0x80000000u, 0, 0,
                            0};
    case 0x80000001u: return CpuidRegisters{0, 0, 0, simulated.extendedEdx.value_or(0)};
    default: return CpuidRegisters{0, 0, 0, 0};
  }
}

const SimulatedProcessor kI486{0, std::nullopt};
const SimulatedProcessor kK6_2{kMmx, kMmx | k3dNow};
const SimulatedProcessor kAthlonXp{kMmx | kSse, kMmx | kMmxExt | k3dNow | k3dNowExt};
const SimulatedProcessor kAthlon64{kMmx | kSse | kSse2, kMmx | kMmxExt | k3dNow | k3dNowExt};
const SimulatedProcessor kPentium3{kMmx | kSse, std::nullopt};
const SimulatedProcessor kPentium4{kMmx | kSse | kSse2, std::nullopt};

std::string registryWith(const std::string& values) {
  return "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Orvance\\Direct3D]\n" + values;
}

bool sameTable(const MathRoutineTable& a, const MathRoutineTable& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

MathRoutineTable baseTable() {
  MathRoutineTable table = portableMathRoutines;
  installX87Routines(table);
  return table;
}

class DispatchTest : public ::testing::Test {
 protected:
  void TearDown() override {
    platform::setCpuidSourceForTesting(nullptr);
    resetMathDispatchForTesting();
  }

  // Runs the set-up as the first call would, on the simulated processor.
  std::uint32_t setUpOn(const SimulatedProcessor& processor) {
    simulated = processor;
    platform::setCpuidSourceForTesting(&simulatedCpuid);
    resetMathDispatchForTesting();
    return setUpMathDispatch();
  }

  TemporaryDirectory directory_;
};

TEST_F(DispatchTest, FirstCallOfAnyRoutineFillsTheTableAndCompletesTheCall) {
  resetMathDispatchForTesting();
  EXPECT_EQ(mathDispatchState(), kMathDispatchNotSetUp);
  Matrix4x4 m{{{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}}};
  Matrix4x4 t;
  EXPECT_EQ(matrixTranspose(&t, &m), &t);
  EXPECT_EQ(t.m[0][3], 13.0f);
  EXPECT_EQ(t.m[3][0], 4.0f);
  std::uint32_t state = mathDispatchState();
  ASSERT_NE(state, kMathDispatchNotSetUp);
  // The table now holds exactly what the set-up chose for this processor, stubs nowhere.
  MathRoutineTable chosen = mathRoutineTable;
  selectMathSetForTesting(static_cast<MathSet>(state));
  EXPECT_TRUE(sameTable(chosen, mathRoutineTable));
  // Set-up runs once: a second call keeps the state and the table.
  EXPECT_EQ(setUpMathDispatch(), state);
}

TEST_F(DispatchTest, EverySlotStartsAtAStubAndHasAPortableRoutine) {
  using Slot = void (*)();
  Slot portable[kMathRoutineCount], initial[kMathRoutineCount];
  std::memcpy(portable, &portableMathRoutines, sizeof portable);
  resetMathDispatchForTesting();
  std::memcpy(initial, &mathRoutineTable, sizeof initial);
  for (std::size_t i = 0; i < kMathRoutineCount; ++i) {
    EXPECT_NE(portable[i], nullptr) << "slot " << i;
    EXPECT_NE(initial[i], nullptr) << "slot " << i;
    EXPECT_NE(initial[i], portable[i]) << "slot " << i;
    for (std::size_t j = 0; j < i; ++j) EXPECT_NE(initial[i], initial[j]) << "slots " << j << " and " << i;
  }
}

TEST_F(DispatchTest, ProcessorDecidesTheSet) {
  EXPECT_EQ(setUpOn(kI486), 0u);
  EXPECT_TRUE(sameTable(mathRoutineTable, baseTable()));
  EXPECT_NE(mathRoutineTable.vec3Normalize, portableMathRoutines.vec3Normalize);  // the x87 set is in

  EXPECT_EQ(setUpOn(kPentium3), 3u);
  MathRoutineTable sse = baseTable();
  installSseRoutines(sse);
  EXPECT_TRUE(sameTable(mathRoutineTable, sse));

  EXPECT_EQ(setUpOn(kPentium4), 2u);
  MathRoutineTable sse2 = baseTable();
  installSse2Routines(sse2);
  EXPECT_TRUE(sameTable(mathRoutineTable, sse2));
  // SSE2 keeps every SSE routine but the quaternion inverse.
  EXPECT_EQ(sse2.quaternionInverse, portableMathRoutines.quaternionInverse);
  EXPECT_NE(sse.quaternionInverse, portableMathRoutines.quaternionInverse);
  EXPECT_EQ(sse2.matrixInverse, sse.matrixInverse);
  EXPECT_NE(sse2.vec4Cross, sse.vec4Cross);
}

TEST_F(DispatchTest, ThreeDNowSetIsLayeredByFeature) {
  if (!mathSetBuilt(MathSet::Amd3dNow)) GTEST_SKIP() << "skipped: this build has no 3DNow! set";

  EXPECT_EQ(setUpOn(kK6_2), 1u);
  MathRoutineTable k6 = mathRoutineTable;
  EXPECT_EQ(readProcessorFeatureWord(), kFeatureMmx | kFeature3dNow);
  EXPECT_NE(k6.matrixMultiply, baseTable().matrixMultiply);
  EXPECT_NE(k6.quaternionFromMatrix, portableMathRoutines.quaternionFromMatrix);
  EXPECT_EQ(k6.vec3TransformArray, portableMathRoutines.vec3TransformArray);  // no SSE

  EXPECT_EQ(setUpOn(kAthlonXp), 1u);
  EXPECT_EQ(readProcessorFeatureWord(), kFeatureMmx | kFeatureSse | kFeature3dNow | kFeature3dNowExt | kFeatureMmxExt);
  EXPECT_EQ(mathRoutineTable.matrixMultiply, k6.matrixMultiply);
  // The extension layer replaces exactly its five routines.
  EXPECT_NE(mathRoutineTable.vec3Unproject, k6.vec3Unproject);
  EXPECT_NE(mathRoutineTable.matrixInverse, k6.matrixInverse);
  EXPECT_NE(mathRoutineTable.matrixFromQuaternion, k6.matrixFromQuaternion);
  EXPECT_NE(mathRoutineTable.quaternionFromMatrix, k6.quaternionFromMatrix);
  EXPECT_NE(mathRoutineTable.matrixTransformation, k6.matrixTransformation);
  EXPECT_EQ(mathRoutineTable.matrixDeterminant, k6.matrixDeterminant);
  MathRoutineTable sseArrays = portableMathRoutines;
  installSseArrayTransforms(sseArrays);
  EXPECT_EQ(mathRoutineTable.vec3TransformArray, sseArrays.vec3TransformArray);
  EXPECT_EQ(mathRoutineTable.planeTransformArray, sseArrays.planeTransformArray);
  // The other SSE routines stay out of the 3DNow! set.
  EXPECT_EQ(mathRoutineTable.skinnedMeshUpdate, portableMathRoutines.skinnedMeshUpdate);

  // 3DNow! wins over SSE2 on a processor with both.
  EXPECT_EQ(setUpOn(kAthlon64), 1u);
}

TEST_F(DispatchTest, ExtendedLeavesAreReadOnlyWhenReported) {
  // A processor whose leaf 0x80000000 reports nothing beyond itself has no 3DNow!, whatever
  // leaf 0x80000001 would say.
  SimulatedProcessor odd{kMmx | kSse, kMmx | k3dNow, true};
  simulated = odd;
  platform::setCpuidSourceForTesting(&simulatedCpuid);
  EXPECT_EQ(readProcessorFeatureWord(), kFeatureMmx | kFeatureSse);
  EXPECT_EQ(setUpOn(odd), 3u);
}

TEST_F(DispatchTest, DisablePsgpOneKeepsThePortableAndX87Sets) {
  ScopedRegistry registry(directory_, registryWith("\"DisablePSGP\"=dword:00000001\n"));
  for (const SimulatedProcessor& processor : {kK6_2, kAthlonXp, kPentium3, kPentium4}) {
    EXPECT_EQ(setUpOn(processor), 0u);
    EXPECT_TRUE(sameTable(mathRoutineTable, baseTable()));
  }
}

TEST_F(DispatchTest, DisablePrismPsgpReplacesDisablePsgp) {
  {
    ScopedRegistry registry(directory_,
                            registryWith("\"DisablePSGP\"=dword:00000001\n\"DisablePrismPSGP\"=dword:00000000\n"));
    EXPECT_EQ(setUpOn(kPentium4), 2u);
  }
  {
    ScopedRegistry registry(directory_,
                            registryWith("\"DisablePSGP\"=dword:00000000\n\"DisablePrismPSGP\"=dword:00000001\n"));
    EXPECT_EQ(setUpOn(kPentium4), 0u);
  }
}

TEST_F(DispatchTest, ValueTwoRulesOutOnlyThe3DNowSet) {
  ScopedRegistry registry(directory_, registryWith("\"DisablePSGP\"=dword:00000002\n"));
  EXPECT_EQ(setUpOn(kAthlonXp), 3u);
  EXPECT_EQ(setUpOn(kAthlon64), 2u);
  EXPECT_EQ(setUpOn(kK6_2), 0u);
}

TEST_F(DispatchTest, SwitchThatIsNotADwordCountsAsZero) {
  ScopedRegistry registry(directory_, registryWith("\"DisablePSGP\"=\"1\"\n\"DisablePrismPSGP\"=\"1\"\n"));
  EXPECT_EQ(setUpOn(kPentium4), 2u);
}

TEST_F(DispatchTest, RunnableSetsMatchTheProcessor) {
  EXPECT_TRUE(mathSetRunnable(MathSet::PortableAndX87));
  simulated = kK6_2;
  platform::setCpuidSourceForTesting(&simulatedCpuid);
  EXPECT_FALSE(mathSetRunnable(MathSet::Sse));
  EXPECT_FALSE(mathSetRunnable(MathSet::Sse2));
  EXPECT_EQ(mathSetRunnable(MathSet::Amd3dNow), mathSetBuilt(MathSet::Amd3dNow));
  simulated = kPentium4;
  EXPECT_TRUE(mathSetRunnable(MathSet::Sse2));
  EXPECT_FALSE(mathSetRunnable(MathSet::Amd3dNow));
}

}  // namespace
