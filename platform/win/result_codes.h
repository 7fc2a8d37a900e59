// Result codes in the platform's convention: bit 31 set means failure, bits 16-26 name the
// facility, bits 0-15 the code. Direct3D uses facility 0x876.
#pragma once

#include "platform/win/types.h"

constexpr bool SUCCEEDED(HRESULT result) { return result >= 0; }
constexpr bool FAILED(HRESULT result) { return result < 0; }

constexpr HRESULT MAKE_HRESULT(DWORD severity, DWORD facility, DWORD code) {
  return static_cast<HRESULT>((severity << 31) | (facility << 16) | code);
}
// A Win32 error number as a result code (facility 7).
constexpr HRESULT HRESULT_FROM_WIN32(DWORD error) {
  return error == 0 ? 0 : static_cast<HRESULT>((error & 0xFFFF) | (7u << 16) | 0x80000000u);
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);

// Direct3D 9 results.
inline constexpr DWORD FACILITY_D3D = 0x876;
constexpr HRESULT MAKE_D3DHRESULT(DWORD code) { return MAKE_HRESULT(1, FACILITY_D3D, code); }
constexpr HRESULT MAKE_D3DSTATUS(DWORD code) { return MAKE_HRESULT(0, FACILITY_D3D, code); }

inline constexpr HRESULT D3D_OK = S_OK;
inline constexpr HRESULT D3DERR_WRONGTEXTUREFORMAT = MAKE_D3DHRESULT(2072);
inline constexpr HRESULT D3DERR_UNSUPPORTEDCOLOROPERATION = MAKE_D3DHRESULT(2073);
inline constexpr HRESULT D3DERR_UNSUPPORTEDCOLORARG = MAKE_D3DHRESULT(2074);
inline constexpr HRESULT D3DERR_UNSUPPORTEDALPHAOPERATION = MAKE_D3DHRESULT(2075);
inline constexpr HRESULT D3DERR_UNSUPPORTEDALPHAARG = MAKE_D3DHRESULT(2076);
inline constexpr HRESULT D3DERR_TOOMANYOPERATIONS = MAKE_D3DHRESULT(2077);
inline constexpr HRESULT D3DERR_CONFLICTINGTEXTUREFILTER = MAKE_D3DHRESULT(2078);
inline constexpr HRESULT D3DERR_UNSUPPORTEDFACTORVALUE = MAKE_D3DHRESULT(2079);
inline constexpr HRESULT D3DERR_CONFLICTINGRENDERSTATE = MAKE_D3DHRESULT(2081);
inline constexpr HRESULT D3DERR_UNSUPPORTEDTEXTUREFILTER = MAKE_D3DHRESULT(2082);
inline constexpr HRESULT D3DERR_CONFLICTINGTEXTUREPALETTE = MAKE_D3DHRESULT(2086);
inline constexpr HRESULT D3DERR_DRIVERINTERNALERROR = MAKE_D3DHRESULT(2087);
inline constexpr HRESULT D3DERR_NOTFOUND = MAKE_D3DHRESULT(2150);
inline constexpr HRESULT D3DERR_MOREDATA = MAKE_D3DHRESULT(2151);
inline constexpr HRESULT D3DERR_DEVICELOST = MAKE_D3DHRESULT(2152);
inline constexpr HRESULT D3DERR_DEVICENOTRESET = MAKE_D3DHRESULT(2153);
inline constexpr HRESULT D3DERR_NOTAVAILABLE = MAKE_D3DHRESULT(2154);
inline constexpr HRESULT D3DERR_INVALIDDEVICE = MAKE_D3DHRESULT(2155);
inline constexpr HRESULT D3DERR_INVALIDCALL = MAKE_D3DHRESULT(2156);
inline constexpr HRESULT D3DERR_DRIVERINVALIDCALL = MAKE_D3DHRESULT(2157);
inline constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = MAKE_D3DHRESULT(380);
inline constexpr HRESULT D3DERR_WASSTILLDRAWING = MAKE_D3DHRESULT(540);
inline constexpr HRESULT D3DOK_NOAUTOGEN = MAKE_D3DSTATUS(2159);

// Win32 error numbers (GetLastError, registry results).
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_INVALID_FUNCTION = 1;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_OUTOFMEMORY = 14;
inline constexpr DWORD ERROR_SHARING_VIOLATION = 32;
inline constexpr DWORD ERROR_FILE_EXISTS = 80;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
inline constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
inline constexpr DWORD ERROR_MORE_DATA = 234;
inline constexpr DWORD ERROR_FILE_INVALID = 1006;

// The calling thread's last error, as the platform keeps it.
DWORD GetLastError();
void SetLastError(DWORD error);

// The program's names for the two platform codes it gives a meaning of its own: a file that
// was not found, and data that cannot be used (no decoder accepts an image, a file cannot be
// mapped, a shader source has errors).
inline constexpr HRESULT ResultFileNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);  // 0x80070002
inline constexpr HRESULT ResultInvalidData = MAKE_D3DHRESULT(2905);                      // 0x88760B59
