// Truevision TGA files: colour-mapped, true-colour and grey images, raw or run-length encoded,
// in any of the four row and column orders.
#include <cstring>

#include "texture/byte_cursor.h"
#include "texture/decode_limits.h"
#include "texture/image_decoders.h"

namespace {

constexpr std::uint32_t kHeaderBytes = 18;
constexpr std::uint8_t kRunLengthBit = 0x8;
constexpr std::uint8_t kTopToBottom = 0x20;
constexpr std::uint8_t kRightToLeft = 0x10;

struct TgaHeader {
  std::uint8_t idLength, colourMapType, imageType;
  std::uint16_t firstEntry, mapLength;
  std::uint8_t entryBits;
  std::uint16_t width, height;
  std::uint8_t pixelBits, descriptor;
};

D3DFORMAT formatOf(const TgaHeader& header) {
  switch (header.imageType & 3) {
    case 1: return header.colourMapType == 1 && header.pixelBits == 8 ? D3DFMT_P8 : D3DFMT_UNKNOWN;
    case 2:
      switch (header.pixelBits) {
        case 15: return D3DFMT_X1R5G5B5;
        case 16: return D3DFMT_A1R5G5B5;
        case 24: return D3DFMT_R8G8B8;
        case 32: return D3DFMT_A8R8G8B8;
        default: return D3DFMT_UNKNOWN;
      }
    case 3: return header.pixelBits == 8 ? D3DFMT_L8 : D3DFMT_UNKNOWN;
    default: return D3DFMT_UNKNOWN;
  }
}

std::uint8_t widen5(std::uint32_t value) { return static_cast<std::uint8_t>((value << 3) | (value >> 2)); }

// The caller has checked that the map ends by entry 255.
void fillPalette(PALETTEENTRY* palette, const TgaHeader& header, std::span<const std::uint8_t> map) {
  std::memset(palette, 0xFF, 256 * sizeof(PALETTEENTRY));
  const std::uint32_t entryBytes = (header.entryBits + 7u) / 8u;
  bool anyAlpha = false;
  for (std::uint32_t i = 0; i < header.mapLength; ++i) {
    const std::uint8_t* entry = map.data() + std::size_t{i} * entryBytes;
    PALETTEENTRY& target = palette[header.firstEntry + i];
    if (entryBytes >= 3) {
      target = {entry[2], entry[1], entry[0], entryBytes == 4 ? entry[3] : std::uint8_t{255}};
    } else {
      std::uint32_t value = entry[0] | (std::uint32_t{entry[1]} << 8);
      std::uint8_t alpha = header.entryBits == 16 && !(value & 0x8000) ? 0 : 255;
      target = {widen5((value >> 10) & 0x1F), widen5((value >> 5) & 0x1F), widen5(value & 0x1F), alpha};
    }
    anyAlpha |= target.peFlags != 0;
  }
  // A map whose alpha is all zero was written without alpha: show it opaque.
  if (!anyAlpha) {
    for (std::uint32_t i = 0; i < header.mapLength; ++i) palette[header.firstEntry + i].peFlags = 255;
  }
}

// Places decoded pixels in file order into the image, whatever the file's row and column order.
// Pixels continue from the end of one row to the start of the next.
class PixelPlacer {
 public:
  PixelPlacer(std::uint8_t* pixels, const TgaHeader& header, std::uint32_t pixelBytes)
      : pixels_(pixels),
        width_(header.width),
        height_(header.height),
        pixelBytes_(pixelBytes),
        topToBottom_(header.descriptor & kTopToBottom),
        rightToLeft_(header.descriptor & kRightToLeft) {
    startRow();
  }

  bool full() const { return row_ == height_; }

  // Stores one pixel; the caller checks full() first.
  void put(const std::uint8_t* pixel) {
    std::memcpy(target_, pixel, pixelBytes_);
    if (++column_ == width_) {
      ++row_;
      if (!full()) startRow();
    } else {
      target_ += rightToLeft_ ? -static_cast<std::ptrdiff_t>(pixelBytes_) : static_cast<std::ptrdiff_t>(pixelBytes_);
    }
  }

 private:
  void startRow() {
    std::size_t pitch = std::size_t{width_} * pixelBytes_;
    std::size_t targetRow = topToBottom_ ? row_ : height_ - 1 - row_;
    target_ = pixels_ + targetRow * pitch + (rightToLeft_ ? pitch - pixelBytes_ : 0);
    column_ = 0;
  }

  std::uint8_t* pixels_;
  std::uint32_t width_, height_, pixelBytes_;
  bool topToBottom_, rightToLeft_;
  std::uint32_t row_ = 0;
  std::uint32_t column_ = 0;
  std::uint8_t* target_ = nullptr;
};

bool decodeRunLength(ByteCursor& cursor, PixelPlacer& placer, std::uint32_t pixelBytes) {
  while (!placer.full()) {
    std::uint8_t packet = cursor.u8();
    std::uint32_t count = (packet & 0x7Fu) + 1;
    if (packet & 0x80) {
      auto value = cursor.take(pixelBytes);
      if (value.empty()) return false;
      for (std::uint32_t i = 0; i < count && !placer.full(); ++i) placer.put(value.data());
    } else {
      auto values = cursor.take(std::uint64_t{count} * pixelBytes);
      if (values.empty()) return false;
      for (std::uint32_t i = 0; i < count && !placer.full(); ++i) placer.put(values.data() + i * pixelBytes);
    }
    if (cursor.overrun()) return false;
  }
  return true;
}

// Whether every pixel has a zero alpha (A8R8G8B8: top byte; A1R5G5B5: top bit).
bool alphaAllZero(const std::uint8_t* pixels, std::uint64_t pixelCount, D3DFORMAT format) {
  if (format == D3DFMT_A8R8G8B8) {
    for (std::uint64_t i = 0; i < pixelCount; ++i) {
      if (pixels[4 * i + 3] != 0) return false;
    }
  } else {
    for (std::uint64_t i = 0; i < pixelCount; ++i) {
      if (pixels[2 * i + 1] & 0x80) return false;
    }
  }
  return true;
}

}  // namespace

HRESULT decodeTga(DecodedImage& image, ImageBytes data) {
  ByteCursor cursor(data);
  if (data.size() < kHeaderBytes) return E_FAIL;
  TgaHeader header{};
  header.idLength = cursor.u8();
  header.colourMapType = cursor.u8();
  header.imageType = cursor.u8();
  header.firstEntry = cursor.u16le();
  header.mapLength = cursor.u16le();
  header.entryBits = cursor.u8();
  cursor.skip(4);  // origin
  header.width = cursor.u16le();
  header.height = cursor.u16le();
  header.pixelBits = cursor.u8();
  header.descriptor = cursor.u8();

  if (header.colourMapType > 1 || (header.imageType & 0xF4) != 0 || (header.imageType & 3) == 0) return E_FAIL;
  if (header.colourMapType == 1 && header.entryBits != 15 && header.entryBits != 16 && header.entryBits != 24 &&
      header.entryBits != 32) {
    return E_FAIL;
  }
  if (header.width == 0 || header.height == 0) return E_FAIL;
  const D3DFORMAT format = formatOf(header);
  if (format == D3DFMT_UNKNOWN) return E_FAIL;

  cursor.skip(header.idLength);
  std::span<const std::uint8_t> map;
  if (header.colourMapType == 1) map = cursor.take(std::uint64_t{(header.entryBits + 7u) / 8u} * header.mapLength);
  if (cursor.overrun()) return E_FAIL;
  if (format == D3DFMT_P8 && std::uint32_t{header.firstEntry} + header.mapLength > 256) return E_FAIL;

  const std::uint32_t pixelBytes = (header.pixelBits + 7u) / 8u;
  const std::uint64_t pixelCount = std::uint64_t{header.width} * header.height;
  const std::uint64_t levelBytes = pixelCount * pixelBytes;
  const bool runLength = header.imageType & kRunLengthBit;
  const bool inPlace = !runLength && (header.descriptor & kTopToBottom) && !(header.descriptor & kRightToLeft);
  if (levelBytes > kMaxDecodedBytes || (!runLength && cursor.remaining() < levelBytes)) return E_FAIL;
  // A packet of two bytes or more yields at most 128 pixels.
  if (runLength && !allocationAllowed(levelBytes, cursor.remaining(), 64ull * pixelBytes)) return E_FAIL;

  image.format = format;
  image.width = header.width;
  image.height = header.height;
  image.depth = 1;
  image.rowPitch = pixelBytes * header.width;
  image.slicePitch = 0;
  if (!image.decodePixels) return S_OK;

  if (format == D3DFMT_P8) {
    PALETTEENTRY* palette = image.allocatePalette();
    if (!palette) return E_OUTOFMEMORY;
    fillPalette(palette, header, map);
  }

  if (inPlace) {
    image.pixels = cursor.take(levelBytes).data();
  } else {
    std::uint8_t* pixels = image.allocatePixels(levelBytes);
    if (!pixels) return E_OUTOFMEMORY;
    if (runLength) {
      PixelPlacer placer(pixels, header, pixelBytes);
      if (!decodeRunLength(cursor, placer, pixelBytes)) return E_FAIL;
    } else {
      auto source = cursor.take(levelBytes);
      if (header.descriptor & kRightToLeft) {
        PixelPlacer placer(pixels, header, pixelBytes);
        for (std::uint64_t i = 0; i < pixelCount; ++i) placer.put(source.data() + i * pixelBytes);
      } else {
        // Bottom-to-top rows only change places: copy them whole.
        const std::size_t pitch = image.rowPitch;
        for (std::uint32_t row = 0; row < header.height; ++row) {
          std::memcpy(pixels + std::size_t{header.height - 1 - row} * pitch, source.data() + row * pitch, pitch);
        }
      }
    }
  }

  if ((format == D3DFMT_A8R8G8B8 || format == D3DFMT_A1R5G5B5) && alphaAllZero(image.pixels, pixelCount, format)) {
    image.format = format == D3DFMT_A8R8G8B8 ? D3DFMT_X8R8G8B8 : D3DFMT_X1R5G5B5;
  }
  return S_OK;
}
