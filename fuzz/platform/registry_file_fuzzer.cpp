// Feeds arbitrary text to the registry-file reader and queries what it built.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win/registry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  platform::RegistryContents contents;
  std::size_t warnings = 0;
  contents.merge(text, "fuzz.reg", [&](const std::string&, int, const std::string&) { ++warnings; });
  contents.keyExists("HKEY_LOCAL_MACHINE\\Software\\Orvance\\Direct3D");
  if (const platform::RegistryKey* key = contents.findKey("HKLM\\Software\\Orvance\\Direct3D")) {
    for (const auto& [name, value] : key->values) (void)value.data.size();
  }
  return 0;
}
