// Registry reads backed by REGEDIT4 text files:
//   - the user file: $PRISMCARD_REGISTRY if set, else $XDG_CONFIG_HOME/prismcard/registry.reg
//     (XDG_CONFIG_HOME defaults to ~/.config);
//   - the system file: /etc/prismcard/registry.reg ($PRISMCARD_SYSTEM_REGISTRY overrides it).
// Both are read when a key is opened, the user file last so its values win. A missing file is
// an empty registry; a malformed line is skipped with one warning on standard error.
// An opened key holds a snapshot of its values.
#pragma once

#include <string>
#include <vector>

#include "platform/win/result_codes.h"
#include "platform/win/types.h"

using REGSAM = DWORD;

inline const HKEY HKEY_CLASSES_ROOT =
    reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000000))));
inline const HKEY HKEY_CURRENT_USER =
    reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000001))));
inline const HKEY HKEY_LOCAL_MACHINE =
    reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000002))));
inline const HKEY HKEY_USERS =
    reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000003))));
inline const HKEY HKEY_CURRENT_CONFIG =
    reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000005))));

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_READ = 0x00020019;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_QWORD = 11;

// ERROR_SUCCESS, ERROR_FILE_NOT_FOUND for a missing key, ERROR_INVALID_HANDLE for a bad parent.
LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result);
// ERROR_FILE_NOT_FOUND for a missing value, ERROR_MORE_DATA (with *dataSize set to the size
// needed) when the buffer is too small; a null data pointer asks for the size only.
LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize);
LSTATUS RegCloseKey(HKEY key);

namespace platform {
// The files the registry is read from, in reading order (system first, user last).
std::vector<std::string> registryFilePaths();
}  // namespace platform
