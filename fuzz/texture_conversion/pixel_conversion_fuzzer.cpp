// Converts a small random image between two random formats with a random filter. Each side
// lives in a heap buffer of exactly the bytes its box needs (whole blocks or pairs for those
// formats), so any access outside the described box trips the address sanitizer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "texture/pixel_converter.h"

namespace {

constexpr D3DFORMAT kFormats[] = {
    D3DFMT_R8G8B8,
    D3DFMT_A8R8G8B8,
    D3DFMT_X8R8G8B8,
    D3DFMT_R5G6B5,
    D3DFMT_X1R5G5B5,
    D3DFMT_A1R5G5B5,
    D3DFMT_A4R4G4B4,
    D3DFMT_R3G3B2,
    D3DFMT_A8,
    D3DFMT_A8R3G3B2,
    D3DFMT_X4R4G4B4,
    D3DFMT_A2B10G10R10,
    D3DFMT_A8B8G8R8,
    D3DFMT_X8B8G8R8,
    D3DFMT_G16R16,
    D3DFMT_A2R10G10B10,
    D3DFMT_A16B16G16R16,
    D3DFMT_A8P8,
    D3DFMT_P8,
    D3DFMT_L8,
    D3DFMT_A8L8,
    D3DFMT_A4L4,
    D3DFMT_V8U8,
    D3DFMT_L6V5U5,
    D3DFMT_X8L8V8U8,
    D3DFMT_Q8W8V8U8,
    D3DFMT_V16U16,
    D3DFMT_A2W10V10U10,
    D3DFMT_UYVY,
    D3DFMT_R8G8_B8G8,
    D3DFMT_YUY2,
    D3DFMT_G8R8_G8B8,
    D3DFMT_DXT1,
    D3DFMT_DXT2,
    D3DFMT_DXT3,
    D3DFMT_DXT4,
    D3DFMT_DXT5,
    D3DFMT_D16_LOCKABLE,
    D3DFMT_D32F_LOCKABLE,
    D3DFMT_L16,
    D3DFMT_Q16W16V16U16,
    D3DFMT_R16F,
    D3DFMT_G16R16F,
    D3DFMT_A16B16G16R16F,
    D3DFMT_R32F,
    D3DFMT_G32R32F,
    D3DFMT_A32B32G32R32F,
    D3DFMT_CxV8U8,
    D3DFMT_D24S8,
    D3DFMT_UNKNOWN,
    static_cast<D3DFORMAT>(MAKEFOURCC('A', 'L', '1', '6')),
    static_cast<D3DFORMAT>(MAKEFOURCC(' ', 'R', '1', '6')),
};

// Reads the input front to back; past the end it yields zeros.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }
  std::uint32_t small(std::uint32_t limit) { return byte() % limit; }
  void fill(std::byte* out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<std::byte>(byte());
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

struct Units {
  std::uint32_t pixelsWide, pixelsHigh, bytes;
};

Units unitsOf(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_DXT1: return {4, 4, 8};
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5: return {4, 4, 16};
    case D3DFMT_UYVY:
    case D3DFMT_YUY2:
    case D3DFMT_R8G8_B8G8:
    case D3DFMT_G8R8_G8B8: return {2, 1, 4};
    default: break;
  }
  std::uint32_t bits = describeFormat(format).bitsPerPixel;
  return {1, 1, std::max<std::uint32_t>(bits / 8, 1)};
}

// One side: a box at a random offset inside a buffer that ends right after the box.
struct Side {
  std::unique_ptr<std::byte[]> storage;
  PixelBlock block;
  PALETTEENTRY palette[256];
};

// With `halving`, the box is half the size of that one (at least 1) so that box filters apply.
void makeSide(Input& input, Side& side, const D3DBOX* halving) {
  D3DFORMAT format = kFormats[input.small(std::size(kFormats))];
  Units units = unitsOf(format);
  std::uint32_t left = input.small(6), top = input.small(6), front = input.small(2);
  std::uint32_t width = 1 + input.small(12), height = 1 + input.small(12), depth = 1 + input.small(3);
  if (halving != nullptr) {
    auto halfOf = [](std::uint32_t extent) { return std::max<std::uint32_t>(extent / 2, 1); };
    width = halfOf(halving->Right - halving->Left);
    height = halfOf(halving->Bottom - halving->Top);
    depth = halfOf(halving->Back - halving->Front);
  }
  std::uint32_t unitColumns = (left + width + units.pixelsWide - 1) / units.pixelsWide;
  std::uint32_t unitRows = (top + height + units.pixelsHigh - 1) / units.pixelsHigh;
  std::int64_t rowPitch = std::int64_t{unitColumns} * units.bytes + input.small(3);
  std::int64_t slicePitch = rowPitch * unitRows + input.small(3);
  // The last slice ends right after its last row's units.
  std::size_t size = static_cast<std::size_t>(slicePitch * (front + depth - 1) + rowPitch * (unitRows - 1) +
                                              std::int64_t{unitColumns} * units.bytes);
  side.storage = std::make_unique<std::byte[]>(size);
  input.fill(side.storage.get(), size);
  side.block.pixels = side.storage.get();
  side.block.format = format;
  side.block.rowPitch = rowPitch;
  side.block.slicePitch = slicePitch;
  side.block.box = D3DBOX{left, top, left + width, top + height, front, front + depth};
  bool hasPalette = input.byte() & 1;
  if (hasPalette) input.fill(reinterpret_cast<std::byte*>(side.palette), sizeof side.palette);
  side.block.palette = hasPalette ? side.palette : nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input input(data, size);
  std::uint32_t method = 1 + input.small(5);
  std::uint32_t flags = (std::uint32_t{input.byte()} & 0x7F) << 16;
  D3DCOLOR colourKey = 0;
  if (input.byte() & 1) {
    for (int i = 0; i < 4; ++i) colourKey = (colourKey << 8) | input.byte();
  }
  // Half the time make the destination a halving of the source so that box filtering runs.
  bool halve = input.byte() & 1;
  Side source, destination;
  makeSide(input, source, nullptr);
  makeSide(input, destination, halve ? &source.block.box : nullptr);
  source.block.colourKey = colourKey;
  convertPixels(destination.block, source.block, method | flags);
  return 0;
}
