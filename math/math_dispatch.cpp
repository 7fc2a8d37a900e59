#include "math/math_dispatch.h"

#include <optional>
#include <type_traits>

#include "math/variant_sets.h"
#include "platform/win/processor.h"
#include "platform/win/registry.h"

const MathRoutineTable portableMathRoutines = {
    .vec2Transform = &math_portable::vec2Transform,
    .vec2TransformCoord = &math_portable::vec2TransformCoord,
    .vec2TransformNormal = &math_portable::vec2TransformNormal,
    .vec2Normalize = &math_portable::vec2Normalize,
    .vec2Hermite = &math_portable::vec2Hermite,
    .vec2CatmullRom = &math_portable::vec2CatmullRom,
    .vec2BaryCentric = &math_portable::vec2BaryCentric,
    .vec2TransformArray = &math_portable::vec2TransformArray,
    .vec2TransformCoordArray = &math_portable::vec2TransformCoordArray,
    .vec2TransformNormalArray = &math_portable::vec2TransformNormalArray,
    .vec3Transform = &math_portable::vec3Transform,
    .vec3TransformCoord = &math_portable::vec3TransformCoord,
    .vec3TransformNormal = &math_portable::vec3TransformNormal,
    .vec3Normalize = &math_portable::vec3Normalize,
    .vec3Project = &math_portable::vec3Project,
    .vec3Unproject = &math_portable::vec3Unproject,
    .vec3Hermite = &math_portable::vec3Hermite,
    .vec3CatmullRom = &math_portable::vec3CatmullRom,
    .vec3BaryCentric = &math_portable::vec3BaryCentric,
    .vec3TransformArray = &math_portable::vec3TransformArray,
    .vec3TransformCoordArray = &math_portable::vec3TransformCoordArray,
    .vec3TransformNormalArray = &math_portable::vec3TransformNormalArray,
    .vec3ProjectArray = &math_portable::vec3ProjectArray,
    .vec3UnprojectArray = &math_portable::vec3UnprojectArray,
    .vec4Transform = &math_portable::vec4Transform,
    .vec4Normalize = &math_portable::vec4Normalize,
    .vec4Cross = &math_portable::vec4Cross,
    .vec4Hermite = &math_portable::vec4Hermite,
    .vec4CatmullRom = &math_portable::vec4CatmullRom,
    .vec4BaryCentric = &math_portable::vec4BaryCentric,
    .vec4TransformArray = &math_portable::vec4TransformArray,
    .matrixMultiply = &math_portable::matrixMultiply,
    .matrixMultiplyTranspose = &math_portable::matrixMultiplyTranspose,
    .matrixDeterminant = &math_portable::matrixDeterminant,
    .matrixInverse = &math_portable::matrixInverse,
    .matrixTranspose = &math_portable::matrixTranspose,
    .matrixTranslation = &math_portable::matrixTranslation,
    .matrixScaling = &math_portable::matrixScaling,
    .matrixRotationX = &math_portable::matrixRotationX,
    .matrixRotationY = &math_portable::matrixRotationY,
    .matrixRotationZ = &math_portable::matrixRotationZ,
    .matrixRotationAxis = &math_portable::matrixRotationAxis,
    .matrixFromQuaternion = &math_portable::matrixFromQuaternion,
    .matrixRotationYawPitchRoll = &math_portable::matrixRotationYawPitchRoll,
    .matrixTransformation = &math_portable::matrixTransformation,
    .matrixAffineTransformation = &math_portable::matrixAffineTransformation,
    .matrixShadow = &math_portable::matrixShadow,
    .matrixReflect = &math_portable::matrixReflect,
    .quaternionMultiply = &math_portable::quaternionMultiply,
    .quaternionNormalize = &math_portable::quaternionNormalize,
    .quaternionInverse = &math_portable::quaternionInverse,
    .quaternionFromMatrix = &math_portable::quaternionFromMatrix,
    .quaternionFromYawPitchRoll = &math_portable::quaternionFromYawPitchRoll,
    .quaternionFromAxisAngle = &math_portable::quaternionFromAxisAngle,
    .quaternionToAxisAngle = &math_portable::quaternionToAxisAngle,
    .quaternionSlerp = &math_portable::quaternionSlerp,
    .quaternionSquad = &math_portable::quaternionSquad,
    .quaternionSquadSetup = &math_portable::quaternionSquadSetup,
    .quaternionBaryCentric = &math_portable::quaternionBaryCentric,
    .quaternionLn = &math_portable::quaternionLn,
    .quaternionExp = &math_portable::quaternionExp,
    .planeFromPointNormal = &math_portable::planeFromPointNormal,
    .planeFromPoints = &math_portable::planeFromPoints,
    .planeNormalize = &math_portable::planeNormalize,
    .planeIntersectLine = &math_portable::planeIntersectLine,
    .planeTransform = &math_portable::planeTransform,
    .planeTransformArray = &math_portable::planeTransformArray,
    .float32To16Array = &math_portable::float32To16Array,
    .float16To32Array = &math_portable::float16To32Array,
    .skinnedMeshUpdate = &math_portable::skinnedMeshUpdate,
    .nPatchTessellate = &math_portable::nPatchTessellate,
};

namespace {

std::uint32_t dispatchState = kMathDispatchNotSetUp;

// A slot's stub: sets the table up, then continues into whatever the slot now holds.
template <auto Slot, typename Routine>
struct FirstCallStub;
template <auto Slot, typename Result, typename... Args>
struct FirstCallStub<Slot, Result (*)(Args...)> {
  static Result call(Args... args) {
    setUpMathDispatch();
    return (mathRoutineTable.*Slot)(args...);
  }
};
template <auto Slot>
constexpr auto firstCallStub() {
  using Routine = std::remove_cvref_t<decltype(std::declval<MathRoutineTable>().*Slot)>;
  return &FirstCallStub<Slot, Routine>::call;
}

constexpr MathRoutineTable kFirstCallStubs = {
    .vec2Transform = firstCallStub<&MathRoutineTable::vec2Transform>(),
    .vec2TransformCoord = firstCallStub<&MathRoutineTable::vec2TransformCoord>(),
    .vec2TransformNormal = firstCallStub<&MathRoutineTable::vec2TransformNormal>(),
    .vec2Normalize = firstCallStub<&MathRoutineTable::vec2Normalize>(),
    .vec2Hermite = firstCallStub<&MathRoutineTable::vec2Hermite>(),
    .vec2CatmullRom = firstCallStub<&MathRoutineTable::vec2CatmullRom>(),
    .vec2BaryCentric = firstCallStub<&MathRoutineTable::vec2BaryCentric>(),
    .vec2TransformArray = firstCallStub<&MathRoutineTable::vec2TransformArray>(),
    .vec2TransformCoordArray = firstCallStub<&MathRoutineTable::vec2TransformCoordArray>(),
    .vec2TransformNormalArray = firstCallStub<&MathRoutineTable::vec2TransformNormalArray>(),
    .vec3Transform = firstCallStub<&MathRoutineTable::vec3Transform>(),
    .vec3TransformCoord = firstCallStub<&MathRoutineTable::vec3TransformCoord>(),
    .vec3TransformNormal = firstCallStub<&MathRoutineTable::vec3TransformNormal>(),
    .vec3Normalize = firstCallStub<&MathRoutineTable::vec3Normalize>(),
    .vec3Project = firstCallStub<&MathRoutineTable::vec3Project>(),
    .vec3Unproject = firstCallStub<&MathRoutineTable::vec3Unproject>(),
    .vec3Hermite = firstCallStub<&MathRoutineTable::vec3Hermite>(),
    .vec3CatmullRom = firstCallStub<&MathRoutineTable::vec3CatmullRom>(),
    .vec3BaryCentric = firstCallStub<&MathRoutineTable::vec3BaryCentric>(),
    .vec3TransformArray = firstCallStub<&MathRoutineTable::vec3TransformArray>(),
    .vec3TransformCoordArray = firstCallStub<&MathRoutineTable::vec3TransformCoordArray>(),
    .vec3TransformNormalArray = firstCallStub<&MathRoutineTable::vec3TransformNormalArray>(),
    .vec3ProjectArray = firstCallStub<&MathRoutineTable::vec3ProjectArray>(),
    .vec3UnprojectArray = firstCallStub<&MathRoutineTable::vec3UnprojectArray>(),
    .vec4Transform = firstCallStub<&MathRoutineTable::vec4Transform>(),
    .vec4Normalize = firstCallStub<&MathRoutineTable::vec4Normalize>(),
    .vec4Cross = firstCallStub<&MathRoutineTable::vec4Cross>(),
    .vec4Hermite = firstCallStub<&MathRoutineTable::vec4Hermite>(),
    .vec4CatmullRom = firstCallStub<&MathRoutineTable::vec4CatmullRom>(),
    .vec4BaryCentric = firstCallStub<&MathRoutineTable::vec4BaryCentric>(),
    .vec4TransformArray = firstCallStub<&MathRoutineTable::vec4TransformArray>(),
    .matrixMultiply = firstCallStub<&MathRoutineTable::matrixMultiply>(),
    .matrixMultiplyTranspose = firstCallStub<&MathRoutineTable::matrixMultiplyTranspose>(),
    .matrixDeterminant = firstCallStub<&MathRoutineTable::matrixDeterminant>(),
    .matrixInverse = firstCallStub<&MathRoutineTable::matrixInverse>(),
    .matrixTranspose = firstCallStub<&MathRoutineTable::matrixTranspose>(),
    .matrixTranslation = firstCallStub<&MathRoutineTable::matrixTranslation>(),
    .matrixScaling = firstCallStub<&MathRoutineTable::matrixScaling>(),
    .matrixRotationX = firstCallStub<&MathRoutineTable::matrixRotationX>(),
    .matrixRotationY = firstCallStub<&MathRoutineTable::matrixRotationY>(),
    .matrixRotationZ = firstCallStub<&MathRoutineTable::matrixRotationZ>(),
    .matrixRotationAxis = firstCallStub<&MathRoutineTable::matrixRotationAxis>(),
    .matrixFromQuaternion = firstCallStub<&MathRoutineTable::matrixFromQuaternion>(),
    .matrixRotationYawPitchRoll = firstCallStub<&MathRoutineTable::matrixRotationYawPitchRoll>(),
    .matrixTransformation = firstCallStub<&MathRoutineTable::matrixTransformation>(),
    .matrixAffineTransformation = firstCallStub<&MathRoutineTable::matrixAffineTransformation>(),
    .matrixShadow = firstCallStub<&MathRoutineTable::matrixShadow>(),
    .matrixReflect = firstCallStub<&MathRoutineTable::matrixReflect>(),
    .quaternionMultiply = firstCallStub<&MathRoutineTable::quaternionMultiply>(),
    .quaternionNormalize = firstCallStub<&MathRoutineTable::quaternionNormalize>(),
    .quaternionInverse = firstCallStub<&MathRoutineTable::quaternionInverse>(),
    .quaternionFromMatrix = firstCallStub<&MathRoutineTable::quaternionFromMatrix>(),
    .quaternionFromYawPitchRoll = firstCallStub<&MathRoutineTable::quaternionFromYawPitchRoll>(),
    .quaternionFromAxisAngle = firstCallStub<&MathRoutineTable::quaternionFromAxisAngle>(),
    .quaternionToAxisAngle = firstCallStub<&MathRoutineTable::quaternionToAxisAngle>(),
    .quaternionSlerp = firstCallStub<&MathRoutineTable::quaternionSlerp>(),
    .quaternionSquad = firstCallStub<&MathRoutineTable::quaternionSquad>(),
    .quaternionSquadSetup = firstCallStub<&MathRoutineTable::quaternionSquadSetup>(),
    .quaternionBaryCentric = firstCallStub<&MathRoutineTable::quaternionBaryCentric>(),
    .quaternionLn = firstCallStub<&MathRoutineTable::quaternionLn>(),
    .quaternionExp = firstCallStub<&MathRoutineTable::quaternionExp>(),
    .planeFromPointNormal = firstCallStub<&MathRoutineTable::planeFromPointNormal>(),
    .planeFromPoints = firstCallStub<&MathRoutineTable::planeFromPoints>(),
    .planeNormalize = firstCallStub<&MathRoutineTable::planeNormalize>(),
    .planeIntersectLine = firstCallStub<&MathRoutineTable::planeIntersectLine>(),
    .planeTransform = firstCallStub<&MathRoutineTable::planeTransform>(),
    .planeTransformArray = firstCallStub<&MathRoutineTable::planeTransformArray>(),
    .float32To16Array = firstCallStub<&MathRoutineTable::float32To16Array>(),
    .float16To32Array = firstCallStub<&MathRoutineTable::float16To32Array>(),
    .skinnedMeshUpdate = firstCallStub<&MathRoutineTable::skinnedMeshUpdate>(),
    .nPatchTessellate = firstCallStub<&MathRoutineTable::nPatchTessellate>(),
};

std::optional<DWORD> readDwordSwitch(HKEY key, const char* name) {
  DWORD type = 0, value = 0, size = sizeof value;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value) {
    return std::nullopt;
  }
  return value;
}

// "DisablePSGP", replaced by "DisablePrismPSGP" when that is present; missing counts as 0.
DWORD readDisableSwitch() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orvance\\Direct3D", 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return 0;
  }
  DWORD value = readDwordSwitch(key, "DisablePSGP").value_or(0);
  if (auto replacement = readDwordSwitch(key, "DisablePrismPSGP")) value = *replacement;
  RegCloseKey(key);
  return value;
}

bool cpuidReportsSse2() {
  // The platform's query reports a processor without CPUID as no answer, never as a fault.
  auto features = platform::cpuid(1);
  return features && ((features->edx >> 26) & 1u) != 0;
}

void installBaseSets() {
  mathRoutineTable = portableMathRoutines;
  installX87Routines(mathRoutineTable);
}

constexpr bool k3dNowBuilt =
#ifdef PRISM_MATH_HAS_3DNOW
    true;
#else
    false;
#endif

}  // namespace

MathRoutineTable mathRoutineTable = kFirstCallStubs;

std::uint32_t setUpMathDispatch() {
  if (dispatchState != kMathDispatchNotSetUp) return dispatchState;
  dispatchState = static_cast<std::uint32_t>(MathSet::PortableAndX87);
  installBaseSets();
  DWORD disable = readDisableSwitch();
  if (disable == 1) return dispatchState;
  if (disable != 2 && IsProcessorFeaturePresent(PF_3DNOW_INSTRUCTIONS_AVAILABLE) &&
      install3dNowRoutines(mathRoutineTable, readProcessorFeatureWord())) {
    dispatchState = static_cast<std::uint32_t>(MathSet::Amd3dNow);
  } else if (cpuidReportsSse2()) {
    installSse2Routines(mathRoutineTable);
    dispatchState = static_cast<std::uint32_t>(MathSet::Sse2);
  } else if (IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE)) {
    installSseRoutines(mathRoutineTable);
    dispatchState = static_cast<std::uint32_t>(MathSet::Sse);
  }
  return dispatchState;
}

std::uint32_t mathDispatchState() { return dispatchState; }

bool mathSetBuilt(MathSet set) { return set != MathSet::Amd3dNow || k3dNowBuilt; }

bool mathSetRunnable(MathSet set) {
  switch (set) {
    case MathSet::PortableAndX87: return true;
    case MathSet::Amd3dNow:
      return k3dNowBuilt && IsProcessorFeaturePresent(PF_3DNOW_INSTRUCTIONS_AVAILABLE) &&
             IsProcessorFeaturePresent(PF_MMX_INSTRUCTIONS_AVAILABLE);
    case MathSet::Sse2: return cpuidReportsSse2();
    case MathSet::Sse: return IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE) != FALSE;
  }
  return false;
}

void selectMathSetForTesting(MathSet set) {
  installBaseSets();
  dispatchState = static_cast<std::uint32_t>(set);
  switch (set) {
    case MathSet::PortableAndX87: break;
    case MathSet::Amd3dNow:
      install3dNowRoutines(mathRoutineTable,
                           kFeatureMmx | kFeatureSse | kFeature3dNow | kFeature3dNowExt | kFeatureMmxExt);
      break;
    case MathSet::Sse2: installSse2Routines(mathRoutineTable); break;
    case MathSet::Sse: installSseRoutines(mathRoutineTable); break;
  }
}

void resetMathDispatchForTesting() {
  mathRoutineTable = kFirstCallStubs;
  dispatchState = kMathDispatchNotSetUp;
}
