// Modules and their exports. The platform layer's own modules (the software "d3d9.dll", for
// one) register themselves by name with their exported routines; the program finds them with
// the platform's calls. Names compare case-insensitively and ".dll" may be left out, as on the
// platform. An unknown module or export gives null.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/win/result_codes.h"
#include "platform/win/types.h"

HMODULE GetModuleHandleA(LPCSTR moduleName);
HMODULE LoadLibraryA(LPCSTR fileName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procedureName);
BOOL FreeLibrary(HMODULE module);

namespace platform {

struct ModuleExport {
  const char* name;
  FARPROC address;
};

// Exports are stored type-erased. Both conversions pass through the generic function type
// void(*)(), which converts to and from any other function pointer type without a warning.
template <typename Function>
FARPROC exportAddress(Function* function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}
template <typename FunctionPointer>
FunctionPointer procedureAs(FARPROC procedure) {
  return reinterpret_cast<FunctionPointer>(reinterpret_cast<void (*)()>(procedure));
}

// Adds a module, or replaces the exports of one already registered under that name.
// The export table must outlive the registration.
void registerModule(std::string_view name, std::span<const ModuleExport> exports);
// Removes a module (tests use this to withdraw fakes); later lookups give null.
void unregisterModule(std::string_view name);

// Registers the platform layer's own modules; lookups and registrations call it once first,
// so a module registered by a test replaces a built-in one rather than being replaced by it.
void registerBuiltInModules();

// The exports of a registered module, or nothing.
std::optional<std::span<const ModuleExport>> registeredModuleExports(std::string_view name);

// Puts a module (a test's fake, usually) in place of whatever is registered under its name
// for the object's lifetime, then puts back what was there.
class ScopedModuleReplacement {
 public:
  ScopedModuleReplacement(std::string_view name, std::span<const ModuleExport> exports);
  ScopedModuleReplacement(const ScopedModuleReplacement&) = delete;
  ScopedModuleReplacement& operator=(const ScopedModuleReplacement&) = delete;
  ~ScopedModuleReplacement();

 private:
  std::string name_;
  std::optional<std::span<const ModuleExport>> previous_;
};

}  // namespace platform
