// File opening, sizes and read-only mapping with the platform's calls and results.
// Both '\' and '/' separate path components in every name given to these functions, because
// the program builds paths such as current directory + "\HoloImage_1.tga".
#pragma once

#include <string>

#include "platform/win/result_codes.h"
#include "platform/win/types.h"

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

inline constexpr DWORD GENERIC_READ = 0x80000000;
inline constexpr DWORD GENERIC_WRITE = 0x40000000;
inline constexpr DWORD FILE_SHARE_READ = 0x1;
inline constexpr DWORD FILE_SHARE_WRITE = 0x2;
inline constexpr DWORD FILE_SHARE_DELETE = 0x4;
inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD TRUNCATE_EXISTING = 5;
inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000;
inline constexpr DWORD FILE_FLAG_RANDOM_ACCESS = 0x10000000;
inline constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFF;
inline constexpr DWORD PAGE_READONLY = 0x02;
inline constexpr DWORD FILE_MAP_READ = 0x0004;
inline constexpr DWORD ERROR_INVALID_NAME = 123;
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-1));

// Opens a file; INVALID_HANDLE_VALUE and the last error on failure. Directories do not open.
HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
// Closes a file or mapping handle. A handle that is not open gives FALSE, ERROR_INVALID_HANDLE.
BOOL CloseHandle(HANDLE handle);
// The low 32 bits of the size; the high bits go to *fileSizeHigh when it is given.
DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPVOID overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPVOID overlapped);

// Read-only mappings of a whole file (PAGE_READONLY, sizes 0). The mapping keeps the file
// open on its own, so the file handle may be closed first. An empty file gives a mapping
// whose view is null.
HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES security, DWORD protect, DWORD maximumSizeHigh,
                          DWORD maximumSizeLow, LPCSTR name);
LPVOID MapViewOfFile(HANDLE mapping, DWORD desiredAccess, DWORD fileOffsetHigh, DWORD fileOffsetLow, SIZE_T bytesToMap);
BOOL UnmapViewOfFile(LPCVOID baseAddress);

// Absolute, normalised form of a name ('/' separators, "." and ".." resolved). Returns the
// length without the terminator, or the size needed with the terminator when the buffer is
// too small (the buffer is then untouched), or 0 for an empty name. *filePart points at the
// last component inside the buffer, or is null when the path ends in a separator.
DWORD GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart);
// Same return convention as GetFullPathNameA.
DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer);

namespace platform {
// A name as the host's file system takes it: every '\' becomes '/'.
std::string nativePath(const char* name);
}  // namespace platform
