// The shell's own failure codes and the kinds of error report.
#pragma once

#include "platform/win/result_codes.h"

inline constexpr HRESULT ResultDirect3DUnavailable = static_cast<HRESULT>(0x82000001);
inline constexpr HRESULT ResultNoUsableDevice = static_cast<HRESULT>(0x82000003);
inline constexpr HRESULT ResultNoWindowedDevice = static_cast<HRESULT>(0x82000004);
inline constexpr HRESULT ResultNoHardwareDevice = static_cast<HRESULT>(0x82000005);
inline constexpr HRESULT ResultHardwareLacksFeatures = static_cast<HRESULT>(0x82000006);
inline constexpr HRESULT ResultHalCannotWindow = static_cast<HRESULT>(0x82000007);
inline constexpr HRESULT ResultHalCannotUseDesktop = static_cast<HRESULT>(0x82000008);
inline constexpr HRESULT ResultHalLacksFeaturesInMode = static_cast<HRESULT>(0x82000009);
inline constexpr HRESULT ResultObjectsLeaked = static_cast<HRESULT>(0x8200000A);
inline constexpr HRESULT ResultMediaMissing = static_cast<HRESULT>(0x8200000B);
inline constexpr HRESULT ResultResetFailed = static_cast<HRESULT>(0x8200000C);
inline constexpr HRESULT ResultReferenceDeviceIsNull = static_cast<HRESULT>(0x8200000D);

// The second argument of the shell's error report.
enum class ErrorKind : std::uint32_t {
  warning = 0,
  fatal = 1,
  switchedToReference = 2,
};
