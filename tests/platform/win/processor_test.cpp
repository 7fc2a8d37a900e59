#include "platform/win/processor.h"

#include <gtest/gtest.h>

namespace {

// A processor that reports MMX and SSE but not SSE2, and 3DNow! in the extended leaf.
std::optional<platform::CpuidRegisters> oldAthlon(std::uint32_t leaf, std::uint32_t) {
  switch (leaf) {
    case 0: return platform::CpuidRegisters{1, 0, 0, 0};
    case 1: return platform::CpuidRegisters{0x00000662, 0, 0, (1u << 23) | (1u << 25)};
    case 0x80000000u: return platform::CpuidRegisters{0x80000001u, 0, 0, 0};
    case 0x80000001u: return platform::CpuidRegisters{0, 0, 0, (1u << 31) | (1u << 30) | (1u << 22)};
    default: return platform::CpuidRegisters{0, 0, 0, 0};
  }
}

std::optional<platform::CpuidRegisters> noCpuid(std::uint32_t, std::uint32_t) { return std::nullopt; }

struct CpuidOverride {
  explicit CpuidOverride(platform::CpuidSource source) { platform::setCpuidSourceForTesting(source); }
  ~CpuidOverride() { platform::setCpuidSourceForTesting(nullptr); }
};

TEST(ProcessorTest, FeaturesFollowTheCpuidBits) {
  CpuidOverride fake(&oldAthlon);
  EXPECT_TRUE(IsProcessorFeaturePresent(PF_MMX_INSTRUCTIONS_AVAILABLE));
  EXPECT_TRUE(IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE));
  EXPECT_FALSE(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
  EXPECT_TRUE(IsProcessorFeaturePresent(PF_3DNOW_INSTRUCTIONS_AVAILABLE));
  EXPECT_FALSE(IsProcessorFeaturePresent(12345));

  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  EXPECT_EQ(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_INTEL);
  EXPECT_EQ(info.wProcessorLevel, 6);
  EXPECT_EQ(info.dwProcessorType, PROCESSOR_INTEL_PENTIUM);
  EXPECT_GE(info.dwNumberOfProcessors, 1u);
}

TEST(ProcessorTest, NoCpuidMeansNoFeatures) {
  CpuidOverride fake(&noCpuid);
  EXPECT_FALSE(IsProcessorFeaturePresent(PF_MMX_INSTRUCTIONS_AVAILABLE));
  EXPECT_FALSE(IsProcessorFeaturePresent(PF_3DNOW_INSTRUCTIONS_AVAILABLE));
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  EXPECT_NE(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_INTEL);
}

#if defined(__x86_64__)
TEST(ProcessorTest, AnX86_64HostHasTheBaselineFeatures) {
  EXPECT_TRUE(IsProcessorFeaturePresent(PF_MMX_INSTRUCTIONS_AVAILABLE));
  EXPECT_TRUE(IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE));
  EXPECT_TRUE(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
  ASSERT_TRUE(platform::cpuid(0).has_value());
}
#endif

}  // namespace
