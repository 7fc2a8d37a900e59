// The installers of the processor-specific sets. Each set lives in its own source file built
// with that processor's target flags; an installer only stores pointers and runs none of the
// set's code, so it may be called on any processor.
#pragma once

#include <cstdint>

#include "math/routine_table.h"

void installX87Routines(MathRoutineTable& table);
void installSseRoutines(MathRoutineTable& table);
void installSse2Routines(MathRoutineTable& table);
// SSE forms of the eight array transforms, which the 3DNow! set borrows on processors that
// have both.
void installSseArrayTransforms(MathRoutineTable& table);

// The feature word the 3DNow! set is installed from.
inline constexpr std::uint32_t kFeatureMmx = 0x20;        // leaf 1 EDX bit 23
inline constexpr std::uint32_t kFeatureSse = 0x40;        // leaf 1 EDX bit 25
inline constexpr std::uint32_t kFeature3dNow = 0x80;      // leaf 0x80000001 EDX bit 31
inline constexpr std::uint32_t kFeature3dNowExt = 0x100;  // leaf 0x80000001 EDX bit 30
inline constexpr std::uint32_t kFeatureMmxExt = 0x200;    // leaf 0x80000001 EDX bit 22
std::uint32_t readProcessorFeatureWord();

// Installs the 3DNow! layers the feature word allows. Returns false when this build has no
// 3DNow! code (then nothing is installed).
bool install3dNowRoutines(MathRoutineTable& table, std::uint32_t features);
