// The 3DNow! set built over a plain C++ model of its instructions (see math/amd3dnow_ops.h), so
// that its arithmetic can be checked on processors without 3DNow!.
#pragma once

#include <cstdint>

#include "math/routine_table.h"

bool install3dNowModelRoutines(MathRoutineTable& table, std::uint32_t features);
