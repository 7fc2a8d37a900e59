#include "platform/win/files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/win/kernel_objects.h"

namespace platform {
namespace {

DWORD errorFromErrno(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG: return ERROR_INVALID_NAME;
    default: return ERROR_INVALID_FUNCTION;
  }
}

// Owns one POSIX file descriptor.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

class FileObject final : public KernelObject {
 public:
  explicit FileObject(int fd) : descriptor(fd) {}
  FileDescriptor descriptor;
};

class MappingObject final : public KernelObject {
 public:
  MappingObject(int fd, std::uint64_t size) : descriptor(fd), size(size) {}
  FileDescriptor descriptor;
  std::uint64_t size;
};

// Views handed out by MapViewOfFile, so that UnmapViewOfFile knows their lengths.
struct ViewTable {
  std::mutex mutex;
  std::map<const void*, std::size_t> lengths;
};

ViewTable& viewTable() {
  static ViewTable table;
  return table;
}

// Returns the size needed with the terminator when `text` does not fit, else copies it.
DWORD copyPathOut(const std::string& text, DWORD bufferLength, LPSTR buffer) {
  if (buffer == nullptr || text.size() + 1 > bufferLength) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

std::string currentDirectory() {
  std::vector<char> buffer(256);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return "/";
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

// Lexical normalisation as the platform does it: no file-system access, ".." never climbs
// above the root, a trailing separator is kept.
std::string normaliseAbsolute(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t position = 0;
  while (position <= path.size()) {
    std::size_t next = path.find('/', position);
    if (next == std::string::npos) next = path.size();
    std::string part = path.substr(position, next - position);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    position = next + 1;
  }
  std::string result;
  for (const auto& part : parts) result += "/" + part;
  bool trailingSeparator = !path.empty() && path.back() == '/';
  if (result.empty() || trailingSeparator) result += "/";
  return result;
}

}  // namespace

std::string nativePath(const char* name) {
  std::string path = name == nullptr ? std::string() : std::string(name);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

}  // namespace platform

using platform::FileObject;
using platform::MappingObject;

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD /*shareMode*/, LPSECURITY_ATTRIBUTES /*security*/,
                   DWORD creationDisposition, DWORD /*flagsAndAttributes*/, HANDLE /*templateFile*/) {
  if (fileName == nullptr || fileName[0] == '\0') {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  bool reads = (desiredAccess & GENERIC_READ) != 0;
  bool writes = (desiredAccess & GENERIC_WRITE) != 0;
  int flags = O_CLOEXEC | (reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY);
  switch (creationDisposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  std::string path = platform::nativePath(fileName);
  int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0) {
    SetLastError(platform::errorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
    ::close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  SetLastError(ERROR_SUCCESS);
  return platform::registerKernelObject(std::make_unique<FileObject>(fd));
}

BOOL CloseHandle(HANDLE handle) {
  if (!platform::closeKernelObject(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh) {
  auto* object = platform::findKernelObjectOfType<FileObject>(file);
  struct stat status {};
  if (object == nullptr || ::fstat(object->descriptor.get(), &status) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  auto size = static_cast<std::uint64_t>(status.st_size);
  if (fileSizeHigh != nullptr) *fileSizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPVOID /*overlapped*/) {
  auto* object = platform::findKernelObjectOfType<FileObject>(file);
  if (bytesRead != nullptr) *bytesRead = 0;
  if (object == nullptr || (buffer == nullptr && bytesToRead != 0)) {
    SetLastError(object == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD total = 0;
  while (total < bytesToRead) {
    ssize_t got = ::read(object->descriptor.get(), static_cast<char*>(buffer) + total, bytesToRead - total);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      SetLastError(platform::errorFromErrno(errno));
      return FALSE;
    }
    if (got == 0) break;  // end of file is success with fewer bytes
    total += static_cast<DWORD>(got);
  }
  if (bytesRead != nullptr) *bytesRead = total;
  return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPVOID /*overlapped*/) {
  auto* object = platform::findKernelObjectOfType<FileObject>(file);
  if (bytesWritten != nullptr) *bytesWritten = 0;
  if (object == nullptr || (buffer == nullptr && bytesToWrite != 0)) {
    SetLastError(object == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD total = 0;
  while (total < bytesToWrite) {
    ssize_t put = ::write(object->descriptor.get(), static_cast<const char*>(buffer) + total, bytesToWrite - total);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) {
      SetLastError(platform::errorFromErrno(errno));
      return FALSE;
    }
    total += static_cast<DWORD>(put);
  }
  if (bytesWritten != nullptr) *bytesWritten = total;
  return TRUE;
}

HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES /*security*/, DWORD protect, DWORD maximumSizeHigh,
                          DWORD maximumSizeLow, LPCSTR name) {
  auto* object = platform::findKernelObjectOfType<FileObject>(file);
  if (object == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // Only what the program uses: a read-only, unnamed mapping of the whole file.
  if (protect != PAGE_READONLY || maximumSizeHigh != 0 || maximumSizeLow != 0 || name != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  struct stat status {};
  int fd = ::fcntl(object->descriptor.get(), F_DUPFD_CLOEXEC, 0);
  if (fd < 0 || ::fstat(fd, &status) != 0) {
    if (fd >= 0) ::close(fd);
    SetLastError(platform::errorFromErrno(errno));
    return nullptr;
  }
  SetLastError(ERROR_SUCCESS);
  return platform::registerKernelObject(
      std::make_unique<MappingObject>(fd, static_cast<std::uint64_t>(status.st_size)));
}

LPVOID MapViewOfFile(HANDLE mapping, DWORD desiredAccess, DWORD fileOffsetHigh, DWORD fileOffsetLow,
                     SIZE_T bytesToMap) {
  auto* object = platform::findKernelObjectOfType<MappingObject>(mapping);
  if (object == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  std::uint64_t offset = (std::uint64_t{fileOffsetHigh} << 32) | fileOffsetLow;
  auto pageSize = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
  if (desiredAccess != FILE_MAP_READ || offset % pageSize != 0 || offset > object->size ||
      bytesToMap > object->size - offset) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::uint64_t length = bytesToMap != 0 ? bytesToMap : object->size - offset;
  if (length == 0) {
    SetLastError(ERROR_FILE_INVALID);  // nothing to map: the view of an empty file is null
    return nullptr;
  }
  void* view = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, object->descriptor.get(), static_cast<off_t>(offset));
  if (view == MAP_FAILED) {
    SetLastError(platform::errorFromErrno(errno));
    return nullptr;
  }
  auto& table = platform::viewTable();
  std::lock_guard lock(table.mutex);
  table.lengths[view] = length;
  return view;
}

BOOL UnmapViewOfFile(LPCVOID baseAddress) {
  std::size_t length = 0;
  {
    auto& table = platform::viewTable();
    std::lock_guard lock(table.mutex);
    auto found = table.lengths.find(baseAddress);
    if (found == table.lengths.end()) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    length = found->second;
    table.lengths.erase(found);
  }
  ::munmap(const_cast<void*>(baseAddress), length);
  return TRUE;
}

DWORD GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart) {
  if (filePart != nullptr) *filePart = nullptr;
  if (fileName == nullptr || fileName[0] == '\0') {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  std::string path = platform::nativePath(fileName);
  if (path.front() != '/') path = platform::currentDirectory() + "/" + path;
  std::string full = platform::normaliseAbsolute(path);
  DWORD result = platform::copyPathOut(full, bufferLength, buffer);
  if (result == full.size() && filePart != nullptr && full.back() != '/') {
    *filePart = buffer + full.rfind('/') + 1;
  }
  return result;
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
  return platform::copyPathOut(platform::currentDirectory(), bufferLength, buffer);
}
