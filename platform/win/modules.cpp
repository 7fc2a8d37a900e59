#include "platform/win/modules.h"

#include <cctype>
#include <cstring>
#include <list>
#include <mutex>
#include <string>

namespace platform {
namespace {

struct Module {
  std::string canonicalName;
  std::span<const ModuleExport> exports;
  bool registered = true;
};

// Modules are never freed while the process runs, so handles stay valid after FreeLibrary or
// unregistering, and then simply find nothing.
struct ModuleTable {
  std::recursive_mutex mutex;
  std::list<Module> modules;
  bool builtInsRegistered = false;
};

ModuleTable& moduleTable() {
  static ModuleTable table;
  return table;
}

std::string canonicalModuleName(std::string_view name) {
  std::size_t slash = name.find_last_of("/\\");
  if (slash != std::string_view::npos) name = name.substr(slash + 1);
  std::string result;
  for (char c : name) result += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (result.find('.') == std::string::npos) result += ".dll";
  return result;
}

Module* findModule(std::string_view name) {
  std::string canonical = canonicalModuleName(name);
  for (auto& module : moduleTable().modules) {
    if (module.registered && module.canonicalName == canonical) return &module;
  }
  return nullptr;
}

// The built-in modules register through registerModule, which comes back here: the flag is
// set before they run, and the recursive lock lets the nested calls through.
void ensureBuiltInModules() {
  ModuleTable& table = moduleTable();
  std::lock_guard lock(table.mutex);
  if (table.builtInsRegistered) return;
  table.builtInsRegistered = true;
  registerBuiltInModules();
}

}  // namespace

void registerModule(std::string_view name, std::span<const ModuleExport> exports) {
  ensureBuiltInModules();
  ModuleTable& table = moduleTable();
  std::lock_guard lock(table.mutex);
  std::string canonical = canonicalModuleName(name);
  for (auto& module : table.modules) {
    if (module.canonicalName == canonical) {
      module.exports = exports;
      module.registered = true;
      return;
    }
  }
  table.modules.push_back(Module{canonical, exports});
}

void unregisterModule(std::string_view name) {
  ensureBuiltInModules();
  ModuleTable& table = moduleTable();
  std::lock_guard lock(table.mutex);
  if (Module* module = findModule(name)) module->registered = false;
}

std::optional<std::span<const ModuleExport>> registeredModuleExports(std::string_view name) {
  ensureBuiltInModules();
  ModuleTable& table = moduleTable();
  std::lock_guard lock(table.mutex);
  if (Module* module = findModule(name)) return module->exports;
  return std::nullopt;
}

ScopedModuleReplacement::ScopedModuleReplacement(std::string_view name, std::span<const ModuleExport> exports)
    : name_(name), previous_(registeredModuleExports(name)) {
  registerModule(name_, exports);
}

ScopedModuleReplacement::~ScopedModuleReplacement() {
  if (previous_) {
    registerModule(name_, *previous_);
  } else {
    unregisterModule(name_);
  }
}

}  // namespace platform

namespace {

HMODULE lookUpModule(LPCSTR name) {
  if (name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  platform::ensureBuiltInModules();
  std::lock_guard lock(platform::moduleTable().mutex);
  platform::Module* module = platform::findModule(name);
  if (module == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HMODULE>(module);
}

}  // namespace

// The platform layer's modules are part of the process, so they count as loaded from the start.
HMODULE GetModuleHandleA(LPCSTR moduleName) { return lookUpModule(moduleName); }
HMODULE LoadLibraryA(LPCSTR fileName) { return lookUpModule(fileName); }

FARPROC GetProcAddress(HMODULE module, LPCSTR procedureName) {
  if (module == nullptr || procedureName == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  std::lock_guard lock(platform::moduleTable().mutex);
  for (auto& candidate : platform::moduleTable().modules) {
    if (reinterpret_cast<HMODULE>(&candidate) != module) continue;
    if (!candidate.registered) break;
    for (const auto& entry : candidate.exports) {
      if (std::strcmp(entry.name, procedureName) == 0) return entry.address;
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

BOOL FreeLibrary(HMODULE module) {
  std::lock_guard lock(platform::moduleTable().mutex);
  for (auto& candidate : platform::moduleTable().modules) {
    if (reinterpret_cast<HMODULE>(&candidate) == module) return TRUE;
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}
