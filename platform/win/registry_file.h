// The registry's contents as read from text files in the REGEDIT4 ".reg" format:
//
//   REGEDIT4
//
//   [HKEY_LOCAL_MACHINE\Software\Orvance\Direct3D]
//   "DisablePSGP"=dword:00000001
//   "SDK Samples Path"="/opt/prismcard"
//
// Key and value names compare case-insensitively, as on the platform. Later files override
// earlier ones value by value, so a user file read after the system file wins.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win/types.h"

namespace platform {

struct RegistryValue {
  std::string name;  // as written (the default value's name is empty)
  DWORD type = 0;
  std::vector<BYTE> data;
};

struct RegistryKey {
  std::string path;                             // as first written, e.g. "HKEY_LOCAL_MACHINE\Software"
  std::map<std::string, RegistryValue> values;  // by lower-cased name
};

// Receives one warning per line that could not be used.
using RegistryWarningSink = std::function<void(const std::string& source, int line, const std::string& reason)>;

class RegistryContents {
 public:
  // Reads one file's text; `source` names it in warnings.
  void merge(std::string_view text, const std::string& source, const RegistryWarningSink& warn);

  // A key exists when it was written or when a written key lies below it. Root keys always exist.
  bool keyExists(std::string_view path) const;
  const RegistryKey* findKey(std::string_view path) const;

 private:
  std::map<std::string, RegistryKey> keys_;  // by lower-cased full path
};

// Lower-cased, with '/' read as '\', runs of separators folded and no separator at either end.
std::string canonicalKeyPath(std::string_view path);

}  // namespace platform
