// One open source of a preprocessor run: its text and the scanner state over it.
#pragma once

#include <string>
#include <vector>

#include "platform/win/types.h"
#include "shader_asm/scanner.h"

namespace shader_asm {

class IncludeHandler;

// A whole file mapped read-only; unmapped on destruction.
class MappedFile {
 public:
  MappedFile() = default;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile();

  // False when the file cannot be opened or mapped. An empty file maps to empty text.
  bool open(const char* fullPath);
  const char* data() const { return static_cast<const char*>(view_); }
  std::size_t size() const { return size_; }

 private:
  HANDLE mapping_ = nullptr;
  const void* view_ = nullptr;
  std::size_t size_ = 0;
};

// The platform's full path of `name`, at most 260 characters; empty on failure.
std::string fullPathOf(const char* name);
// The full path cut after its last separator.
std::string directoryOf(const std::string& fullPath);

}  // namespace shader_asm
