// Opens shader sources for the command-line tool: the main file by the name given on the
// command line (so messages show that name), includes relative to the file that includes them.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "shader_asm/preprocessor.h"

namespace prismasm {

class FileIncludeHandler : public shader_asm::IncludeHandler {
 public:
  HRESULT Open(shader_asm::IncludeType type, const char* fileName, const void* parentData, const void** data,
               UINT* bytes) override;
  HRESULT Close(const void* data) override;

 private:
  struct OpenFile {
    std::string contents;
    std::string directory;
  };
  std::map<const void*, std::unique_ptr<OpenFile>> open_;
};

// Reads a whole file; false when it cannot be read.
bool readFile(const std::string& path, std::string& contents);

}  // namespace prismasm
