#include "texture/box_integer.h"

#include <algorithm>
#include <bit>

#include "texture/packed_layouts.h"

namespace {

constexpr D3DFORMAT kIntegerBoxFormats[] = {
    D3DFMT_A8R8G8B8, D3DFMT_A8B8G8R8, D3DFMT_X8R8G8B8, D3DFMT_X8B8G8R8, D3DFMT_R5G6B5,
    D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_R3G3B2,   D3DFMT_A8,
    D3DFMT_L8,       D3DFMT_A8R3G3B2, D3DFMT_X4R4G4B4, D3DFMT_A8L8,     D3DFMT_A4L4,
};

IntegerBoxFormat fromLayout(const PackedLayout& layout) {
  IntegerBoxFormat format{layout.format, layout.bytesPerPixel, {}, 0, true};
  for (const ChannelField& field : layout.channels) {
    if (field.bits == 0) continue;
    format.fieldMasks[format.fieldCount++] = ((std::uint64_t{1} << field.bits) - 1) << field.shift;
  }
  if (layout.unusedBits != 0) format.fieldMasks[format.fieldCount++] = layout.unusedBits;
  std::uint64_t covered = 0;
  for (unsigned f = 0; f < format.fieldCount; ++f) {
    std::uint64_t mask = format.fieldMasks[f];
    format.wholeByteFields = format.wholeByteFields && std::popcount(mask) == 8 && std::countr_zero(mask) % 8 == 0;
    covered |= mask;
  }
  format.wholeByteFields = format.wholeByteFields && covered == (std::uint64_t{1} << (8 * layout.bytesPerPixel)) - 1;
  return format;
}

}  // namespace

std::optional<IntegerBoxFormat> findIntegerBoxFormat(D3DFORMAT format) {
  for (D3DFORMAT candidate : kIntegerBoxFormats) {
    if (candidate == format) return fromLayout(*findPackedLayout(format));
  }
  return std::nullopt;
}

bool hasSimdBoxPath(D3DFORMAT format) { return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8; }

void boxHalveRow(const IntegerBoxFormat& format, const std::byte* row0, const std::byte* row1, std::byte* out,
                 std::uint32_t destinationWidth, std::uint32_t sourceWidth) {
  unsigned bytes = format.bytesPerPixel;
  std::uint32_t secondColumnOffset = sourceWidth > 1 ? 1 : 0;
  if (format.wholeByteFields) {
    auto byteAt = [](const std::byte* p, std::size_t i) { return std::to_integer<unsigned>(p[i]); };
    for (std::uint32_t x = 0; x < destinationWidth; ++x) {
      std::size_t left = std::size_t{2} * x * bytes;
      std::size_t right = left + secondColumnOffset * bytes;
      for (unsigned k = 0; k < bytes; ++k) {
        unsigned sum =
            byteAt(row0, left + k) + byteAt(row0, right + k) + byteAt(row1, left + k) + byteAt(row1, right + k);
        out[std::size_t{x} * bytes + k] = static_cast<std::byte>((sum + 2) >> 2);
      }
    }
    return;
  }
  for (std::uint32_t x = 0; x < destinationWidth; ++x) {
    std::size_t left = std::size_t{2} * x * bytes;
    std::size_t right = left + secondColumnOffset * bytes;
    std::uint64_t a = loadPixelBits(row0 + left, bytes);
    std::uint64_t b = loadPixelBits(row0 + right, bytes);
    std::uint64_t c = loadPixelBits(row1 + left, bytes);
    std::uint64_t d = loadPixelBits(row1 + right, bytes);
    std::uint64_t result = 0;
    for (unsigned f = 0; f < format.fieldCount; ++f) {
      std::uint64_t mask = format.fieldMasks[f];
      int shift = std::countr_zero(mask);
      std::uint64_t sum = ((a & mask) >> shift) + ((b & mask) >> shift) + ((c & mask) >> shift) + ((d & mask) >> shift);
      result |= ((sum + 2) >> 2) << shift;
    }
    storePixelBits(out + std::size_t{x} * bytes, bytes, result);
  }
}
