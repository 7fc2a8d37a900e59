// The DDS pixel-format table shared by the reader and the writer of DDS files, so that what
// one writes the other reads back as the same format, and the layout of one stored level.
#pragma once

#include <cstdint>
#include <span>

#include "platform/d3d9/d3d9_types.h"

inline constexpr std::uint32_t kDdsFourCcFlag = 0x4;

// A row of the table: the header's pixel-format flags, bit count and channel masks. Rows with
// the four-character-code flag match by the code alone, which is the format's own value (for
// formats without a code of their own, the format number).
struct DdsFormatRow {
  D3DFORMAT format;
  std::uint32_t flags, bitCount, red, green, blue, alpha;
};

// The pixel-format block of a DDS header, as stored.
struct DdsPixelFormat {
  std::uint32_t size, flags, fourCc, bitCount, red, green, blue, alpha;
};

// Every row, in the reader's search order (first match wins).
std::span<const DdsFormatRow> ddsFormatRows();
// The format a header's pixel-format block names, or D3DFMT_UNKNOWN.
D3DFORMAT ddsFormatOf(const DdsPixelFormat& pixelFormat);
// The first row naming `format` (the one a writer uses), or null.
const DdsFormatRow* ddsFormatRowFor(D3DFORMAT format);

// Bytes of one stored row (a row of 4×4 blocks for DXT formats) and of a whole level.
struct DdsLevelLayout {
  std::uint64_t pitch = 0;
  std::uint64_t levelBytes = 0;
};
DdsLevelLayout ddsLevelLayout(D3DFORMAT format, std::uint32_t width, std::uint32_t height);
