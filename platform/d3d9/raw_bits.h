// Reinterpreting raw bytes: render states that hold floats, and little-endian values read
// from vertex, texture and surface memory at any alignment.
#pragma once

#include <bit>
#include <cstddef>
#include <cstring>

#include "platform/win/types.h"

namespace platform::d3d9 {

// A float render state (fog start, point size, ...) from the DWORD that holds its bits.
inline float floatFromBits(DWORD bits) { return std::bit_cast<float>(bits); }

// A value of type T stored at `at`, which need not be aligned for T.
template <typename T>
T loadUnaligned(const std::byte* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

}  // namespace platform::d3d9
