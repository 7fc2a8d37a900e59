#include "math/mmx_test.h"

#include <gtest/gtest.h>

#include "platform/win/processor.h"
#include "scoped_environment.h"

namespace {

using prism_test::ScopedRegistry;
using prism_test::TemporaryDirectory;

TEST(MmxTestTest, RegistrySwitchIsReadOnEveryTest) {
  TemporaryDirectory directory;
  bool processor = math_detail::processorHasMmx();
  {
    ScopedRegistry registry(
        directory, "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Orvance\\Direct3D]\n\"DisableMMX\"=dword:00000001\n");
    EXPECT_FALSE(mmxAvailable());
  }
  {
    ScopedRegistry registry(
        directory, "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Orvance\\Direct3D]\n\"DisableMMX\"=dword:00000000\n");
    EXPECT_EQ(mmxAvailable(), processor);
  }
  EXPECT_EQ(mmxAvailable(), processor);  // no registry at all
}

std::optional<platform::CpuidRegisters> pentiumWithoutMmx(std::uint32_t leaf, std::uint32_t) {
  if (leaf == 0) return platform::CpuidRegisters{1, 0, 0, 0};
  if (leaf == 1) return platform::CpuidRegisters{0x00000520, 0, 0, 0};
  return platform::CpuidRegisters{0, 0, 0, 0};
}
std::optional<platform::CpuidRegisters> pentiumMmx(std::uint32_t leaf, std::uint32_t) {
  if (leaf == 0) return platform::CpuidRegisters{1, 0, 0, 0};
  if (leaf == 1) return platform::CpuidRegisters{0x00000543, 0, 0, 1u << 23};
  return platform::CpuidRegisters{0, 0, 0, 0};
}
std::optional<platform::CpuidRegisters> i486WithMmxBit(std::uint32_t leaf, std::uint32_t) {
  if (leaf == 0) return platform::CpuidRegisters{1, 0, 0, 0};
  if (leaf == 1) return platform::CpuidRegisters{0x00000480, 0, 0, 1u << 23};
  return platform::CpuidRegisters{0, 0, 0, 0};
}

TEST(MmxTestTest, ProcessorNeedsLevelFiveAndTheMmxBit) {
  platform::setCpuidSourceForTesting(&pentiumWithoutMmx);
  EXPECT_FALSE(math_detail::processorHasMmx());
  platform::setCpuidSourceForTesting(&i486WithMmxBit);
  EXPECT_FALSE(math_detail::processorHasMmx());
  platform::setCpuidSourceForTesting(&pentiumMmx);
  EXPECT_TRUE(math_detail::processorHasMmx());
  platform::setCpuidSourceForTesting(nullptr);
}

}  // namespace
