// The CPUID feature word from which the 3DNow! set picks its layers.
#include "math/variant_sets.h"
#include "platform/win/processor.h"

namespace {

bool bitSet(std::uint32_t word, int bit) { return ((word >> bit) & 1u) != 0; }

}  // namespace

std::uint32_t readProcessorFeatureWord() {
  std::uint32_t features = 0;
  if (auto standard = platform::cpuid(1)) {
    if (bitSet(standard->edx, 23)) features |= kFeatureMmx;
    if (bitSet(standard->edx, 25)) features |= kFeatureSse;
  }
  // The extended leaves are read only when the processor says it has them.
  auto highest = platform::cpuid(0x80000000u);
  if (highest && highest->eax > 0x80000000u) {
    if (auto extended = platform::cpuid(0x80000001u)) {
      if (bitSet(extended->edx, 31)) features |= kFeature3dNow;
      if (bitSet(extended->edx, 30)) features |= kFeature3dNowExt;
      if (bitSet(extended->edx, 22)) features |= kFeatureMmxExt;
    }
  }
  return features;
}
