// BMP files (a 14-byte file header before a DIB) and bare DIBs: bitmap information header,
// colour table and pixels, uncompressed, RLE8, RLE4 or with bit-field masks.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "texture/byte_cursor.h"
#include "texture/decode_limits.h"
#include "texture/image_decoders.h"

namespace {

constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kFileHeaderSize = 14;

enum Compression : std::uint32_t { kNone = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

struct BitFieldRow {
  std::uint32_t bits, red, green, blue, alpha;
  D3DFORMAT format;
};

// Masks that name a Direct3D format directly; any other masks decode to floats.
constexpr std::array<BitFieldRow, 17> kBitFieldFormats{{
    {16, 0xE0, 0x1C, 0x3, 0xFF00, D3DFMT_A8R3G3B2},
    {16, 0xF00, 0xF0, 0xF, 0xF000, D3DFMT_A4R4G4B4},
    {16, 0xF00, 0xF0, 0xF, 0, D3DFMT_X4R4G4B4},
    {16, 0xF800, 0x7E0, 0x1F, 0, D3DFMT_R5G6B5},
    {16, 0x7C00, 0x3E0, 0x1F, 0, D3DFMT_X1R5G5B5},
    {16, 0x7C00, 0x3E0, 0x1F, 0x8000, D3DFMT_A1R5G5B5},
    {16, 0xFF, 0xFF, 0xFF, 0xFF00, D3DFMT_A8L8},
    {16, 0xFFFF, 0xFFFF, 0xFFFF, 0, D3DFMT_L16},
    {24, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_R8G8B8},
    {32, 0xFFFF, 0xFFFF0000, 0, 0, D3DFMT_G16R16},
    {32, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_X8R8G8B8},
    {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, D3DFMT_A8R8G8B8},
    {32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000, D3DFMT_A2R10G10B10},
    // X8R8G8B8 shifted up by one byte: read from one byte further on.
    {32, 0xFF000000, 0xFF0000, 0xFF00, 0, D3DFMT_X8R8G8B8},
    {32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, D3DFMT_A8B8G8R8},
    {32, 0xFF, 0xFF00, 0xFF0000, 0, D3DFMT_X8B8G8R8},
    {32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000, D3DFMT_A2B10G10R10},
}};
constexpr std::size_t kShiftedRow = 13;
static_assert(kBitFieldFormats[kShiftedRow].red == 0xFF000000);

struct DibHeader {
  std::uint32_t headerSize = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  bool topDown = false;
  std::uint32_t bitCount = 0;
  std::uint32_t compression = kNone;
  std::uint32_t coloursUsed = 0;
  std::uint32_t masks[4] = {};  // red, green, blue, alpha
  std::uint32_t colourEntrySize = 4;
};

// Reads the header fields; false when they describe no bitmap this decoder handles.
bool readHeader(ByteCursor& cursor, DibHeader& header) {
  header.headerSize = cursor.u32le();
  if (cursor.overrun() || header.headerSize > cursor.size()) return false;
  std::uint32_t planes = 0;
  if (header.headerSize == kCoreHeaderSize) {
    header.width = cursor.u16le();
    header.height = cursor.u16le();
    planes = cursor.u16le();
    header.bitCount = cursor.u16le();
    header.colourEntrySize = 3;
  } else {
    if (header.headerSize < kInfoHeaderSize) return false;
    std::int32_t width = cursor.i32le();
    std::int32_t height = cursor.i32le();
    planes = cursor.u16le();
    header.bitCount = cursor.u16le();
    header.compression = cursor.u32le();
    cursor.skip(12);  // image size, resolution
    header.coloursUsed = cursor.u32le();
    cursor.skip(4);  // important colours
    if (width < 0) return false;
    header.width = static_cast<std::uint32_t>(width);
    header.topDown = height < 0;
    header.height = height < 0 ? 0u - static_cast<std::uint32_t>(height) : static_cast<std::uint32_t>(height);
    if (header.compression == kBitFields) {
      // The masks count only when they lie inside the header.
      if (header.headerSize < 52) return false;
      for (int channel = 0; channel < 3; ++channel) header.masks[channel] = cursor.u32le();
      header.masks[3] = header.headerSize >= 56 ? cursor.u32le() : 0;
    }
  }
  if (cursor.overrun() || planes != 1 || header.width == 0 || header.height == 0) return false;
  if (header.coloursUsed == 0 && header.bitCount <= 8) header.coloursUsed = 1u << header.bitCount;
  return true;
}

D3DFORMAT plainFormat(std::uint32_t bitCount) {
  switch (bitCount) {
    case 1:
    case 4:
    case 8: return D3DFMT_P8;
    case 16: return D3DFMT_X1R5G5B5;
    case 24: return D3DFMT_R8G8B8;
    case 32: return D3DFMT_X8R8G8B8;
    default: return D3DFMT_UNKNOWN;
  }
}

// The format of a bit-field bitmap, the table row it came from (or -1 for the float format),
// or D3DFMT_UNKNOWN.
D3DFORMAT bitFieldFormat(const DibHeader& header, int& row) {
  row = -1;
  if (header.bitCount != 16 && header.bitCount != 24 && header.bitCount != 32) return D3DFMT_UNKNOWN;
  // Masks that select no colour at all would decode every file to white.
  if ((header.masks[0] | header.masks[1] | header.masks[2]) == 0) return D3DFMT_UNKNOWN;
  for (std::size_t i = 0; i < kBitFieldFormats.size(); ++i) {
    const auto& entry = kBitFieldFormats[i];
    if (entry.bits == header.bitCount && entry.red == header.masks[0] && entry.green == header.masks[1] &&
        entry.blue == header.masks[2] && entry.alpha == header.masks[3]) {
      row = static_cast<int>(i);
      return entry.format;
    }
  }
  return D3DFMT_A32B32G32R32F;
}

std::uint64_t sourceRowLength(std::uint32_t width, std::uint32_t bitCount) {
  if (bitCount == 1) return (std::uint64_t{width} + 7) / 8;
  if (bitCount == 4) return (std::uint64_t{width} + 1) / 2;
  return std::uint64_t{bitCount / 8} * width;
}

std::uint64_t roundUp4(std::uint64_t value) { return (value + 3) & ~std::uint64_t{3}; }

void fillPalette(PALETTEENTRY* palette, std::span<const std::uint8_t> table, std::uint32_t entrySize,
                 std::uint32_t count) {
  std::memset(palette, 0xFF, 256 * sizeof(PALETTEENTRY));
  for (std::uint32_t i = 0; i < std::min<std::uint32_t>(count, 256); ++i) {
    const std::uint8_t* entry = table.data() + std::size_t{i} * entrySize;
    palette[i] = {entry[2], entry[1], entry[0], 255};
  }
}

// Destination row of source row `row` (rows are stored bottom-up unless the header says otherwise).
std::uint8_t* destinationRow(std::uint8_t* pixels, const DibHeader& header, std::uint32_t pitch, std::uint32_t row) {
  std::uint32_t target = header.topDown ? row : header.height - 1 - row;
  return pixels + std::size_t{target} * pitch;
}

void unpackIndices(const std::uint8_t* source, std::uint8_t* target, std::uint32_t width, std::uint32_t bitCount) {
  if (bitCount == 8) {
    std::memcpy(target, source, width);
  } else if (bitCount == 4) {
    for (std::uint32_t x = 0; x < width; ++x) target[x] = (source[x / 2] >> ((x & 1) ? 0 : 4)) & 0xF;
  } else {
    for (std::uint32_t x = 0; x < width; ++x) target[x] = (source[x / 8] >> (7 - (x & 7))) & 1;
  }
}

struct ChannelMask {
  std::uint32_t shift = 0;
  std::uint32_t mask = 0;  // after the shift
  float scale = 0;
};

ChannelMask describeMask(std::uint32_t mask) {
  if (mask == 0) return {};
  std::uint32_t shift = static_cast<std::uint32_t>(std::countr_zero(mask));
  std::uint32_t shifted = mask >> shift;
  return {shift, shifted, 1.0f / static_cast<float>(shifted)};
}

void decodeBitFieldRow(const std::uint8_t* source, float* target, std::uint32_t width, std::uint32_t bytesPerPixel,
                       const ChannelMask (&channels)[4]) {
  for (std::uint32_t x = 0; x < width; ++x) {
    std::uint32_t pixel = 0;
    for (std::uint32_t b = 0; b < bytesPerPixel; ++b) pixel |= std::uint32_t{source[b]} << (8 * b);
    source += bytesPerPixel;
    for (const auto& channel : channels) {
      *target++ =
          channel.mask == 0 ? 1.0f : static_cast<float>((pixel >> channel.shift) & channel.mask) * channel.scale;
    }
  }
}

// Run-length decoding of RLE8 and RLE4 into one index byte per pixel.
bool decodeRunLength(ByteCursor& cursor, const DibHeader& header, std::uint8_t* pixels, std::uint32_t pitch) {
  const bool fourBit = header.compression == kRle4;
  std::uint32_t x = 0;
  std::uint32_t row = 0;
  auto fits = [&](std::uint32_t count) { return row < header.height && count <= header.width - x; };
  while (true) {
    std::uint32_t count = cursor.u8();
    std::uint32_t value = cursor.u8();
    if (cursor.overrun()) return false;
    if (count != 0) {
      if (!fits(count)) return false;
      std::uint8_t* target = destinationRow(pixels, header, pitch, row) + x;
      for (std::uint32_t i = 0; i < count; ++i) {
        target[i] = static_cast<std::uint8_t>(fourBit ? ((i & 1) ? value & 0xF : value >> 4) : value);
      }
      x += count;
    } else if (value == 0) {
      if (row >= header.height) return false;
      x = 0;
      ++row;
    } else if (value == 1) {
      return true;
    } else if (value == 2) {
      std::uint32_t right = cursor.u8();
      std::uint32_t down = cursor.u8();
      if (cursor.overrun() || right > header.width - x || down > header.height - row) return false;
      x += right;
      row += down;
    } else {
      if (!fits(value)) return false;
      std::uint32_t bytes = fourBit ? (value + 1) / 2 : value;
      auto literal = cursor.take(bytes + (bytes & 1));
      if (literal.empty()) return false;
      std::uint8_t* target = destinationRow(pixels, header, pitch, row) + x;
      for (std::uint32_t i = 0; i < value; ++i) {
        target[i] = fourBit ? ((i & 1) ? literal[i / 2] & 0xF : literal[i / 2] >> 4) : literal[i];
      }
      x += value;
    }
  }
}

}  // namespace

HRESULT decodeDibWithPixelOffset(DecodedImage& image, ImageBytes data, std::optional<std::uint64_t> pixelOffset) {
  ByteCursor cursor(data);
  if (data.size() < 4) return E_FAIL;
  DibHeader header;
  if (!readHeader(cursor, header)) return E_FAIL;

  int bitFieldRow = -1;
  D3DFORMAT format = D3DFMT_UNKNOWN;
  if (header.compression == kNone) {
    format = plainFormat(header.bitCount);
  } else if (header.compression == kRle8 || header.compression == kRle4) {
    // Run-length data only exists for its own bit count, stored bottom-up.
    if (header.bitCount != (header.compression == kRle8 ? 8u : 4u) || header.topDown) return E_FAIL;
    format = D3DFMT_P8;
  } else if (header.compression == kBitFields) {
    format = bitFieldFormat(header, bitFieldRow);
  }
  if (format == D3DFMT_UNKNOWN) return E_FAIL;

  // Colour table right after the header; palettes only matter for indexed pixels.
  cursor.seek(header.headerSize);
  auto table = cursor.take(std::uint64_t{header.coloursUsed} * header.colourEntrySize);
  if (cursor.overrun()) return E_FAIL;
  if (pixelOffset && *pixelOffset >= cursor.position() && *pixelOffset < data.size()) cursor.seek(*pixelOffset);

  const bool compressed = header.compression == kRle8 || header.compression == kRle4;
  const bool floats = format == D3DFMT_A32B32G32R32F;
  const bool shifted = bitFieldRow == static_cast<int>(kShiftedRow);
  const std::uint64_t rowLength = sourceRowLength(header.width, header.bitCount);
  const std::uint64_t paddedLength = roundUp4(rowLength);
  std::uint64_t pitch = roundUp4(format == D3DFMT_P8 ? header.width : floats ? 16ull * header.width : rowLength);
  auto levelBytes = checkedMultiply(pitch, header.height);
  if (!levelBytes || *levelBytes > kMaxDecodedBytes) return E_FAIL;
  if (!compressed) {
    auto needed = checkedMultiply(header.height - 1, paddedLength);
    if (!needed || *needed + rowLength > cursor.remaining()) return E_FAIL;
  }

  image.format = format;
  image.width = header.width;
  image.height = header.height;
  image.depth = 1;
  image.rowPitch = static_cast<UINT>(pitch);
  image.slicePitch = 0;
  if (!image.decodePixels) return S_OK;

  if (format == D3DFMT_P8) {
    PALETTEENTRY* palette = image.allocatePalette();
    if (!palette) return E_OUTOFMEMORY;
    fillPalette(palette, table, header.colourEntrySize, header.coloursUsed);
  }

  ImageBytes source = cursor.rest();
  // Top-down files of whole bytes per pixel are used in place when every row, padding included,
  // is in the data (the byte-shifted masks need one byte more); anything else is copied.
  const bool complete = *levelBytes + (shifted ? 1 : 0) <= source.size();
  const bool copy = compressed || !header.topDown || header.bitCount < 8 || floats || !complete;
  if (!copy) {
    image.pixels = source.data() + (shifted ? 1 : 0);
  } else {
    if (compressed && !allocationAllowed(levelBytes, source.size(), 1024)) return E_FAIL;
    std::uint8_t* pixels = image.allocatePixels(*levelBytes);
    if (!pixels) return E_OUTOFMEMORY;
    const auto outPitch = static_cast<std::uint32_t>(pitch);
    // Row padding (and the byte the shifted layout lacks at the very end) is zero.
    const std::uint64_t filledPerRow = format == D3DFMT_P8 ? header.width : floats ? 16ull * header.width : rowLength;
    if (compressed || shifted || outPitch > filledPerRow) std::memset(pixels, 0, *levelBytes);
    if (compressed) {
      ByteCursor runs(source);
      if (!decodeRunLength(runs, header, pixels, outPitch)) return E_FAIL;
    } else if (floats) {
      ChannelMask channels[4];
      for (int c = 0; c < 4; ++c) channels[c] = describeMask(header.masks[c]);
      for (std::uint32_t row = 0; row < header.height; ++row) {
        float* target = reinterpret_cast<float*>(destinationRow(pixels, header, outPitch, row));
        decodeBitFieldRow(source.data() + row * paddedLength, target, header.width, header.bitCount / 8, channels);
      }
    } else if (header.bitCount < 8 || format == D3DFMT_P8) {
      for (std::uint32_t row = 0; row < header.height; ++row) {
        unpackIndices(source.data() + row * paddedLength, destinationRow(pixels, header, outPitch, row), header.width,
                      header.bitCount);
      }
    } else {
      for (std::uint32_t row = 0; row < header.height; ++row) {
        std::uint8_t* target = destinationRow(pixels, header, outPitch, row);
        std::uint64_t start = row * paddedLength + (shifted ? 1 : 0);
        std::uint64_t length = std::min<std::uint64_t>(rowLength, source.size() - start);
        std::memcpy(target, source.data() + start, length);
      }
    }
  }

  // Uncompressed 32-bit pixels with anything in their top byte carry alpha.
  if (header.compression == kNone && format == D3DFMT_X8R8G8B8) {
    for (std::uint32_t row = 0; row < header.height; ++row) {
      const std::uint8_t* line = image.pixels + std::size_t{row} * pitch;
      for (std::uint32_t x = 0; x < header.width; ++x) {
        if (line[4 * x + 3] != 0) {
          image.format = D3DFMT_A8R8G8B8;
          return S_OK;
        }
      }
    }
  }
  return S_OK;
}

HRESULT decodeDib(DecodedImage& image, ImageBytes data) { return decodeDibWithPixelOffset(image, data, std::nullopt); }

HRESULT decodeBmp(DecodedImage& image, ImageBytes data) {
  ByteCursor cursor(data);
  if (data.size() < kFileHeaderSize) return E_FAIL;
  std::uint16_t magic = cursor.u16le();
  std::uint32_t fileSize = cursor.u32le();
  cursor.skip(4);  // reserved
  std::uint32_t pixelOffset = cursor.u32le();
  if (magic != 0x4D42 || fileSize > data.size()) return E_FAIL;
  std::optional<std::uint64_t> offset;
  if (pixelOffset >= kFileHeaderSize) offset = pixelOffset - kFileHeaderSize;
  return decodeDibWithPixelOffset(image, data.subspan(kFileHeaderSize), offset);
}
