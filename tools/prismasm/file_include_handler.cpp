#include "file_include_handler.h"

#include <fstream>
#include <iterator>

#include "platform/win/result_codes.h"

namespace prismasm {

bool readFile(const std::string& path, std::string& contents) {
  std::ifstream stream(path, std::ios::binary);
  if (!stream) return false;
  contents.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
  return !stream.bad();
}

HRESULT FileIncludeHandler::Open(shader_asm::IncludeType, const char* fileName, const void* parentData,
                                 const void** data, UINT* bytes) {
  std::string path = fileName;
  bool absolute = !path.empty() && (path[0] == '/' || path[0] == '\\');
  if (!absolute && parentData != nullptr) {
    auto parent = open_.find(parentData);
    if (parent != open_.end()) path = parent->second->directory + path;
  }
  for (char& c : path) c = c == '\\' ? '/' : c;
  auto file = std::make_unique<OpenFile>();
  if (!readFile(path, file->contents)) return ResultFileNotFound;
  if (file->contents.size() > 0xFFFFFFFFu) return E_OUTOFMEMORY;
  std::size_t slash = path.rfind('/');
  file->directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  *data = file->contents.data();
  *bytes = static_cast<UINT>(file->contents.size());
  open_[*data] = std::move(file);
  return S_OK;
}

HRESULT FileIncludeHandler::Close(const void* data) {
  open_.erase(data);
  return S_OK;
}

}  // namespace prismasm
