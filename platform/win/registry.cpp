#include "platform/win/registry.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/win/kernel_objects.h"
#include "platform/win/registry_file.h"

namespace platform {
namespace {

struct PredefinedKey {
  HKEY key;
  const char* name;
};

const PredefinedKey predefinedKeys[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},     {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},   {HKEY_USERS, "HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
};

const char* predefinedKeyName(HKEY key) {
  for (const auto& predefined : predefinedKeys) {
    if (predefined.key == key) return predefined.name;
  }
  return nullptr;
}

// An opened key: its full path and a copy of its values as they were when it was opened.
class OpenRegistryKey final : public KernelObject {
 public:
  std::string path;
  RegistryKey snapshot;
};

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

RegistryContents readRegistryFiles() {
  RegistryContents contents;
  auto warn = [](const std::string& source, int line, const std::string& reason) {
    std::fprintf(stderr, "prismcard: registry file %s, line %d: %s; line ignored\n", source.c_str(), line,
                 reason.c_str());
  };
  for (const auto& path : registryFilePaths()) {
    std::ifstream file(path, std::ios::binary);
    if (!file) continue;  // a missing file is an empty registry
    std::ostringstream text;
    text << file.rdbuf();
    contents.merge(text.str(), path, warn);
  }
  return contents;
}

}  // namespace

std::vector<std::string> registryFilePaths() {
  std::string system = environment("PRISMCARD_SYSTEM_REGISTRY");
  if (system.empty()) system = "/etc/prismcard/registry.reg";
  std::string user = environment("PRISMCARD_REGISTRY");
  if (user.empty()) {
    std::string config = environment("XDG_CONFIG_HOME");
    if (config.empty()) config = environment("HOME") + "/.config";
    user = config + "/prismcard/registry.reg";
  }
  return {system, user};
}

}  // namespace platform

using platform::OpenRegistryKey;

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD /*options*/, REGSAM /*desired*/, PHKEY result) {
  if (result == nullptr) return static_cast<LSTATUS>(ERROR_INVALID_PARAMETER);
  *result = nullptr;
  std::string parentPath;
  if (const char* root = platform::predefinedKeyName(key)) {
    parentPath = root;
  } else if (auto* parent = platform::findKernelObjectOfType<OpenRegistryKey>(key)) {
    parentPath = parent->path;
  } else {
    return static_cast<LSTATUS>(ERROR_INVALID_HANDLE);
  }
  std::string path = parentPath;
  if (subKey != nullptr && subKey[0] != '\0') path += std::string("\\") + subKey;

  platform::RegistryContents contents = platform::readRegistryFiles();
  if (!contents.keyExists(path)) return static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND);
  auto opened = std::make_unique<OpenRegistryKey>();
  opened->path = path;
  if (const platform::RegistryKey* found = contents.findKey(path)) opened->snapshot = *found;
  *result = static_cast<HKEY>(platform::registerKernelObject(std::move(opened)));
  return static_cast<LSTATUS>(ERROR_SUCCESS);
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD /*reserved*/, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize) {
  auto* opened = platform::findKernelObjectOfType<OpenRegistryKey>(key);
  if (opened == nullptr) {
    // A predefined root has no values of its own here.
    return static_cast<LSTATUS>(platform::predefinedKeyName(key) ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_HANDLE);
  }
  if (data != nullptr && dataSize == nullptr) return static_cast<LSTATUS>(ERROR_INVALID_PARAMETER);
  std::string name = valueName == nullptr ? std::string() : std::string(valueName);
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  auto found = opened->snapshot.values.find(name);
  if (found == opened->snapshot.values.end()) return static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND);
  const platform::RegistryValue& value = found->second;
  if (type != nullptr) *type = value.type;
  auto size = static_cast<DWORD>(value.data.size());
  if (data == nullptr) {
    if (dataSize != nullptr) *dataSize = size;
    return static_cast<LSTATUS>(ERROR_SUCCESS);
  }
  if (*dataSize < size) {
    *dataSize = size;
    return static_cast<LSTATUS>(ERROR_MORE_DATA);
  }
  if (size != 0) std::memcpy(data, value.data.data(), size);
  *dataSize = size;
  return static_cast<LSTATUS>(ERROR_SUCCESS);
}

LSTATUS RegCloseKey(HKEY key) {
  if (platform::predefinedKeyName(key) != nullptr) return static_cast<LSTATUS>(ERROR_SUCCESS);
  if (platform::findKernelObjectOfType<OpenRegistryKey>(key) == nullptr ||
      !platform::closeKernelObject(static_cast<HANDLE>(key))) {
    return static_cast<LSTATUS>(ERROR_INVALID_HANDLE);
  }
  return static_cast<LSTATUS>(ERROR_SUCCESS);
}
