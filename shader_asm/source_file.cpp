#include "shader_asm/source_file.h"

#include "platform/win/files.h"

namespace shader_asm {

namespace {
constexpr DWORD kMaxPath = 260;
}

MappedFile::~MappedFile() {
  if (view_ != nullptr) UnmapViewOfFile(view_);
  if (mapping_ != nullptr) CloseHandle(mapping_);
}

bool MappedFile::open(const char* fullPath) {
  HANDLE file =
      CreateFileA(fullPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  DWORD low = GetFileSize(file, &high);
  if (low == INVALID_FILE_SIZE || high != 0) {
    CloseHandle(file);
    return false;
  }
  if (low == 0) {
    CloseHandle(file);
    return true;
  }
  mapping_ = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  CloseHandle(file);
  if (mapping_ == nullptr) return false;
  view_ = MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0);
  if (view_ == nullptr) return false;
  size_ = low;
  return true;
}

std::string fullPathOf(const char* name) {
  char buffer[kMaxPath];
  DWORD length = GetFullPathNameA(name, kMaxPath, buffer, nullptr);
  if (length == 0 || length >= kMaxPath) return {};
  return std::string(buffer, length);
}

std::string directoryOf(const std::string& fullPath) {
  std::size_t separator = fullPath.find_last_of("/\\");
  return separator == std::string::npos ? std::string() : fullPath.substr(0, separator + 1);
}

}  // namespace shader_asm
