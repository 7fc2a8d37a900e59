// Small writers for crafted image files: little-endian byte lists, BMP/TGA/DDS headers, PNG
// chunks (deflated with zlib) and JPEG files (encoded with libjpeg).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "texture/image_decoder.h"

namespace test_images {

using Bytes = std::vector<std::uint8_t>;

class ByteWriter {
 public:
  ByteWriter& u8(std::uint32_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    return *this;
  }
  ByteWriter& u16(std::uint32_t value) { return u8(value).u8(value >> 8); }
  ByteWriter& u32(std::uint32_t value) { return u16(value).u16(value >> 16); }
  ByteWriter& i32(std::int32_t value) { return u32(static_cast<std::uint32_t>(value)); }
  ByteWriter& text(const std::string& value) {
    bytes.insert(bytes.end(), value.begin(), value.end());
    return *this;
  }
  ByteWriter& append(const Bytes& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
    return *this;
  }
  ByteWriter& zeros(std::size_t count) {
    bytes.insert(bytes.end(), count, 0);
    return *this;
  }
  Bytes bytes;
};

// A bitmap information header of `headerSize` bytes (at least 40) with the given masks.
struct DibFields {
  std::uint32_t headerSize = 40;
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint32_t bitCount = 24;
  std::uint32_t compression = 0;
  std::uint32_t coloursUsed = 0;
  std::uint32_t masks[4] = {};
};
Bytes dibHeader(const DibFields& fields);
// A BMP file: file header, DIB header, colour table (4-byte entries) and pixels; the pixel
// offset points right after the colour table unless given.
Bytes bmpFile(const DibFields& fields, const Bytes& colourTable, const Bytes& pixels, std::uint32_t pixelOffset = 0);

struct TgaFields {
  std::uint8_t idLength = 0;
  std::uint8_t colourMapType = 0;
  std::uint8_t imageType = 2;
  std::uint16_t firstEntry = 0;
  std::uint16_t mapLength = 0;
  std::uint8_t entryBits = 0;
  std::uint16_t width = 1;
  std::uint16_t height = 1;
  std::uint8_t pixelBits = 24;
  std::uint8_t descriptor = 0x20;  // top to bottom
};
Bytes tgaHeader(const TgaFields& fields);

struct DdsFields {
  std::uint32_t flags = 0x1007;
  std::uint32_t width = 4;
  std::uint32_t height = 4;
  std::uint32_t depth = 0;
  std::uint32_t mipCount = 0;
  std::uint32_t pfFlags = 0x40;
  std::uint32_t fourCc = 0;
  std::uint32_t bitCount = 32;
  std::uint32_t masks[4] = {0xFF0000, 0xFF00, 0xFF, 0};
  std::uint32_t caps2 = 0;
};
Bytes ddsHeader(const DdsFields& fields);

// A PNG file: IHDR from the arguments, the extra chunks given (type and data) before IDAT, the
// rows (each prefixed with filter 0 here) deflated into one IDAT, then IEND.
struct PngChunk {
  std::string type;
  Bytes data;
};
Bytes pngFile(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType, const std::vector<Bytes>& rows,
              const std::vector<PngChunk>& chunks = {}, int interlace = 0);

// A baseline JPEG of the given samples (1 grey, 3 RGB or 4 CMYK components per pixel).
Bytes jpegFile(std::uint32_t width, std::uint32_t height, int components, const Bytes& samples, int quality = 95);

// Decodes `file` with pixels and, on success, returns the summary.
HRESULT decode(DecodedImage& image, const Bytes& file, ImageSummary* summary = nullptr);
// Whether the image's pixels point into `file` (decoded in place) rather than an owned copy.
bool pointsInto(const DecodedImage& image, const Bytes& file);
// The bytes of row `row` of the image's level 0.
Bytes rowBytes(const DecodedImage& image, std::uint32_t row, std::uint32_t bytesPerPixel);

}  // namespace test_images
