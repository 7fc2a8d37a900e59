// Processors other than x86: the portable set is the only one.
#include "math/variant_sets.h"

void installX87Routines(MathRoutineTable&) {}
void installSseRoutines(MathRoutineTable&) {}
void installSse2Routines(MathRoutineTable&) {}
void installSseArrayTransforms(MathRoutineTable&) {}
bool install3dNowRoutines(MathRoutineTable&, std::uint32_t) { return false; }
