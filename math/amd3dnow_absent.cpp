// Stands in for the 3DNow! set when the compiler cannot build it: nothing to install.
#include "math/variant_sets.h"

bool install3dNowRoutines(MathRoutineTable&, std::uint32_t) { return false; }
