#include "platform/win/processor.h"

#include <unistd.h>

#include <atomic>
#include <thread>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define PRISM_HAS_CPUID 1
#endif

namespace platform {
namespace {

std::optional<CpuidRegisters> hardwareCpuid(std::uint32_t leaf, std::uint32_t subleaf) {
#ifdef PRISM_HAS_CPUID
  // The highest basic or extended leaf must cover the one asked for.
  unsigned highest = __get_cpuid_max(leaf & 0x80000000u, nullptr);
  if (highest == 0 || leaf > highest) return CpuidRegisters{0, 0, 0, 0};
  CpuidRegisters registers{};
  __cpuid_count(leaf, subleaf, registers.eax, registers.ebx, registers.ecx, registers.edx);
  return registers;
#else
  (void)leaf;
  (void)subleaf;
  return std::nullopt;
#endif
}

std::atomic<CpuidSource> cpuidOverride{nullptr};

bool edxBit(std::uint32_t leaf, int bit) {
  auto registers = cpuid(leaf);
  return registers && ((registers->edx >> bit) & 1u) != 0;
}

bool hasExtendedLeaf(std::uint32_t leaf) {
  auto highest = cpuid(0x80000000u);
  return highest && highest->eax >= leaf;
}

}  // namespace

std::optional<CpuidRegisters> cpuid(std::uint32_t leaf, std::uint32_t subleaf) {
  if (CpuidSource source = cpuidOverride.load()) return source(leaf, subleaf);
  return hardwareCpuid(leaf, subleaf);
}

void setCpuidSourceForTesting(CpuidSource source) { cpuidOverride.store(source); }

}  // namespace platform

BOOL IsProcessorFeaturePresent(DWORD feature) {
  using platform::edxBit;
  switch (feature) {
    case PF_MMX_INSTRUCTIONS_AVAILABLE: return edxBit(1, 23);
    case PF_XMMI_INSTRUCTIONS_AVAILABLE: return edxBit(1, 25);
    case PF_XMMI64_INSTRUCTIONS_AVAILABLE: return edxBit(1, 26);
    case PF_RDTSC_INSTRUCTION_AVAILABLE: return edxBit(1, 4);
    case PF_COMPARE_EXCHANGE_DOUBLE: return edxBit(1, 8);
    case PF_SSE3_INSTRUCTIONS_AVAILABLE: {
      auto registers = platform::cpuid(1);
      return registers && (registers->ecx & 1u) != 0;
    }
    case PF_3DNOW_INSTRUCTIONS_AVAILABLE: return platform::hasExtendedLeaf(0x80000001u) && edxBit(0x80000001u, 31);
    default: return FALSE;
  }
}

void GetSystemInfo(LPSYSTEM_INFO info) {
  if (info == nullptr) return;
  *info = SYSTEM_INFO{};
  auto pageSize = static_cast<DWORD>(::sysconf(_SC_PAGESIZE));
  info->dwPageSize = pageSize;
  info->dwAllocationGranularity = pageSize < 65536 ? 65536 : pageSize;
  info->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(static_cast<UINT_PTR>(65536));
  info->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(~static_cast<UINT_PTR>(0) >> 1);
  unsigned processors = std::thread::hardware_concurrency();
  info->dwNumberOfProcessors = processors == 0 ? 1 : processors;
  info->dwActiveProcessorMask =
      processors >= 8 * sizeof(DWORD_PTR) ? ~DWORD_PTR{0} : (DWORD_PTR{1} << info->dwNumberOfProcessors) - 1;
  auto signature = platform::cpuid(1);
  if (!signature) {
#if defined(__aarch64__)
    info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_ARM64;
#else
    info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_UNKNOWN;
#endif
    return;
  }
  std::uint32_t baseFamily = (signature->eax >> 8) & 0xF;
  std::uint32_t family = baseFamily == 0xF ? baseFamily + ((signature->eax >> 20) & 0xFF) : baseFamily;
  std::uint32_t model = (signature->eax >> 4) & 0xF;
  if (baseFamily == 0x6 || baseFamily == 0xF) model |= ((signature->eax >> 16) & 0xF) << 4;
  info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
  info->dwProcessorType = family >= 5   ? PROCESSOR_INTEL_PENTIUM
                          : family == 4 ? PROCESSOR_INTEL_486
                                        : PROCESSOR_INTEL_386;
  info->wProcessorLevel = static_cast<WORD>(family);
  info->wProcessorRevision = static_cast<WORD>((model << 8) | (signature->eax & 0xF));
}
