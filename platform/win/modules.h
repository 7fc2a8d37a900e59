// Modules and their exports. The platform layer's own modules (the software "d3d9.dll", for
// one) register themselves by name with their exported routines; the program finds them with
// the platform's calls. Names compare case-insensitively and ".dll" may be left out, as on the
// platform. An unknown module or export gives null.
#pragma once

#include <span>
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

template <typename Function>
FARPROC exportAddress(Function* function) {
  return reinterpret_cast<FARPROC>(function);
}

// Adds a module, or replaces the exports of one already registered under that name.
// The export table must outlive the registration.
void registerModule(std::string_view name, std::span<const ModuleExport> exports);
// Removes a module (tests use this to withdraw fakes); later lookups give null.
void unregisterModule(std::string_view name);

// Registers the platform layer's own modules; lookups call it once before they search.
void registerBuiltInModules();

}  // namespace platform
