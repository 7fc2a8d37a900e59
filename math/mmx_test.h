// Whether the integer SIMD (MMX) paths of the pixel converter and image decoders may run.
// Separate from the math routine table: the "DisableMMX" registry switch (REG_DWORD under
// HKEY_LOCAL_MACHINE "Software\Orvance\Direct3D") is read on every test and, when non-zero,
// turns the paths off; the processor itself is examined once and the answer remembered.
#pragma once

bool mmxAvailable();

namespace math_detail {
// The processor half of the test, without the registry and without remembering: an
// Intel-architecture processor of level 5 or higher whose CPUID reports MMX.
bool processorHasMmx();
}  // namespace math_detail
