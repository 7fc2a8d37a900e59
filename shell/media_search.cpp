#include "shell/media_search.h"

#include <algorithm>

#include "platform/win/files.h"
#include "platform/win/registry.h"
#include "platform/win/text.h"
#include "shell/text_copy.h"

namespace {

constexpr const char* mediaSubfolder = "\\Media\\";
constexpr int leafNameCapacity = MAX_PATH;

// Opens the file for reading and closes it again: true when it could be opened.
bool opensForReading(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

}  // namespace

HRESULT mediaFolderFromRegistry(char* destination, int capacity) {
  if (destination == nullptr || capacity < 1) return E_INVALIDARG;
  destination[0] = '\0';

  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orvance\\Graphics SDK", 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return E_FAIL;
  }
  DWORD type = 0;
  auto size = static_cast<DWORD>(capacity);
  LSTATUS status =
      RegQueryValueExA(key, "SDK Samples Path", nullptr, &type, reinterpret_cast<BYTE*>(destination), &size);
  // The stored text need not carry its terminator: end it right after what was read as well
  // as at the end of the buffer, so nothing unwritten is ever read as text.
  if (status == ERROR_SUCCESS) destination[std::min<DWORD>(size, static_cast<DWORD>(capacity - 1))] = '\0';
  destination[capacity - 1] = '\0';
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) {
    destination[0] = '\0';
    return E_FAIL;
  }

  if (lstrlenA(destination) + lstrlenA(mediaSubfolder) >= capacity) return E_INVALIDARG;
  lstrcatA(destination, mediaSubfolder);
  return S_OK;
}

HRESULT findMediaFile(char* destination, int capacity, const char* fileName) {
  if (destination == nullptr || fileName == nullptr || capacity < 1) return E_INVALIDARG;
  destination[0] = '\0';
  char leafName[leafNameCapacity] = "";

  char* leaf = nullptr;
  DWORD length = GetFullPathNameA(fileName, static_cast<DWORD>(capacity), destination, &leaf);
  if (length == 0 || length >= static_cast<DWORD>(capacity)) return E_FAIL;
  if (leaf != nullptr) lstrcpynA(leafName, leaf, leafNameCapacity);

  // 1. The name as given, made absolute.
  if (opensForReading(destination)) return S_OK;

  // 2. The bare file name in the current directory.
  if (opensForReading(leafName)) {
    copyTextBounded(destination, leafName, capacity);
    return S_OK;
  }

  // 3. The bare file name in the registry's media folder.
  HRESULT result = mediaFolderFromRegistry(destination, capacity);
  if (FAILED(result)) return result;
  if (lstrlenA(destination) + lstrlenA(leafName) >= capacity) return E_INVALIDARG;
  lstrcatA(destination, leafName);
  if (opensForReading(destination)) return S_OK;

  copyTextBounded(destination, fileName, capacity);
  return ResultFileNotFound;
}
