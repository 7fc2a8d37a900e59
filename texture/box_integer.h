// Integer 2-by-2 averaging for same-format box halvings: each channel of a result pixel is
// (sum of the four source channels + 2) >> 2. A portable version for every listed format and
// an SSE2 version for the 32-bit ARGB/XRGB formats with identical results.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/d3d9/d3d9_types.h"

struct IntegerBoxFormat {
  D3DFORMAT format;
  unsigned bytesPerPixel;
  // Fields averaged on their own (unused bits included, so that they pass through).
  std::array<std::uint64_t, 4> fieldMasks;
  unsigned fieldCount;
  // Every byte of a pixel is one whole field, so bytes can be averaged one by one.
  bool wholeByteFields;
};

// The integer layout of `format`, or nothing when box halving of it has no integer path.
std::optional<IntegerBoxFormat> findIntegerBoxFormat(D3DFORMAT format);
// Whether the SIMD row routine may serve `format` (A8R8G8B8 and X8R8G8B8).
bool hasSimdBoxPath(D3DFORMAT format);

// One destination row of `destinationWidth` pixels from two source rows (the same row twice for
// a source of height 1). A source of width 1 uses its one pixel twice.
void boxHalveRow(const IntegerBoxFormat& format, const std::byte* row0, const std::byte* row1, std::byte* out,
                 std::uint32_t destinationWidth, std::uint32_t sourceWidth);
void boxHalveRowArgbSimd(const std::byte* row0, const std::byte* row1, std::byte* out, std::uint32_t destinationWidth,
                         std::uint32_t sourceWidth);
