#include "math/mmx_test.h"

#include <atomic>

#include "platform/win/processor.h"
#include "platform/win/registry.h"

#if defined(__i386__) || defined(__x86_64__)
#include <mmintrin.h>
#endif

namespace {

// -1 until the processor has been examined, then 0 or 1.
std::atomic<int> processorMmxFlag{-1};

bool disabledInRegistry() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orvance\\Direct3D", 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  DWORD type = 0, value = 0, size = sizeof value;
  LSTATUS status = RegQueryValueExA(key, "DisableMMX", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS && type == REG_DWORD && value != 0;
}

}  // namespace

namespace math_detail {

bool processorHasMmx() {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  if (info.wProcessorArchitecture != PROCESSOR_ARCHITECTURE_INTEL || info.wProcessorLevel < 5) return false;
  auto features = platform::cpuid(1);
  if (!features || ((features->edx >> 23) & 1u) == 0) return false;
#if defined(__i386__) || defined(__x86_64__)
  _mm_empty();  // the instruction must run: leaves the x87 state clean for what follows
#endif
  return true;
}

}  // namespace math_detail

bool mmxAvailable() {
  if (disabledInRegistry()) return false;
  int flag = processorMmxFlag.load();
  if (flag < 0) {
    flag = math_detail::processorHasMmx() ? 1 : 0;
    processorMmxFlag.store(flag);
  }
  return flag == 1;
}
