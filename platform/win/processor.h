// Processor information: the platform's feature test and system information, and the CPUID
// query that the math library's dispatch reads directly. The program is a 32-bit x86 program
// in its design, so on an x86 host the layer reports an Intel-architecture processor.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/win/types.h"

inline constexpr DWORD PF_FLOATING_POINT_PRECISION_ERRATA = 0;
inline constexpr DWORD PF_FLOATING_POINT_EMULATED = 1;
inline constexpr DWORD PF_COMPARE_EXCHANGE_DOUBLE = 2;
inline constexpr DWORD PF_MMX_INSTRUCTIONS_AVAILABLE = 3;
inline constexpr DWORD PF_XMMI_INSTRUCTIONS_AVAILABLE = 6;
inline constexpr DWORD PF_3DNOW_INSTRUCTIONS_AVAILABLE = 7;
inline constexpr DWORD PF_RDTSC_INSTRUCTION_AVAILABLE = 8;
inline constexpr DWORD PF_XMMI64_INSTRUCTIONS_AVAILABLE = 10;
inline constexpr DWORD PF_SSE3_INSTRUCTIONS_AVAILABLE = 13;

inline constexpr WORD PROCESSOR_ARCHITECTURE_INTEL = 0;
inline constexpr WORD PROCESSOR_ARCHITECTURE_ARM = 5;
inline constexpr WORD PROCESSOR_ARCHITECTURE_AMD64 = 9;
inline constexpr WORD PROCESSOR_ARCHITECTURE_ARM64 = 12;
inline constexpr WORD PROCESSOR_ARCHITECTURE_UNKNOWN = 0xFFFF;
inline constexpr DWORD PROCESSOR_INTEL_386 = 386;
inline constexpr DWORD PROCESSOR_INTEL_486 = 486;
inline constexpr DWORD PROCESSOR_INTEL_PENTIUM = 586;

struct SYSTEM_INFO {
  WORD wProcessorArchitecture;
  WORD wReserved;
  DWORD dwPageSize;
  LPVOID lpMinimumApplicationAddress;
  LPVOID lpMaximumApplicationAddress;
  DWORD_PTR dwActiveProcessorMask;
  DWORD dwNumberOfProcessors;
  DWORD dwProcessorType;
  DWORD dwAllocationGranularity;
  WORD wProcessorLevel;
  WORD wProcessorRevision;
};
using LPSYSTEM_INFO = SYSTEM_INFO*;

BOOL IsProcessorFeaturePresent(DWORD feature);
void GetSystemInfo(LPSYSTEM_INFO info);

namespace platform {

struct CpuidRegisters {
  std::uint32_t eax, ebx, ecx, edx;
};

// One CPUID query; nothing on a processor without the instruction (any non-x86 host).
std::optional<CpuidRegisters> cpuid(std::uint32_t leaf, std::uint32_t subleaf = 0);

// Tests replace the processor's answers to see how feature-driven choices react; a null
// source restores the real instruction.
using CpuidSource = std::optional<CpuidRegisters> (*)(std::uint32_t leaf, std::uint32_t subleaf);
void setCpuidSourceForTesting(CpuidSource source);

}  // namespace platform
