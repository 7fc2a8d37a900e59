// The 3DNow! set's source, built over the instruction model.
#define PRISM_MATH_3DNOW_MODEL 1
#include "math/amd3dnow_routines.cpp"
