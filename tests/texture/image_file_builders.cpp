#include "tests/texture/image_file_builders.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
#include <zlib.h>

namespace test_images {

Bytes dibHeader(const DibFields& fields) {
  ByteWriter w;
  w.u32(fields.headerSize).i32(fields.width).i32(fields.height).u16(1).u16(fields.bitCount).u32(fields.compression);
  w.u32(0).u32(2835).u32(2835).u32(fields.coloursUsed).u32(0);
  for (std::uint32_t offset = 40; offset < fields.headerSize; offset += 4) {
    std::size_t index = (offset - 40) / 4;
    w.u32(index < 4 ? fields.masks[index] : 0);
  }
  w.bytes.resize(fields.headerSize);
  return w.bytes;
}

Bytes bmpFile(const DibFields& fields, const Bytes& colourTable, const Bytes& pixels, std::uint32_t pixelOffset) {
  Bytes header = dibHeader(fields);
  std::uint32_t offset =
      pixelOffset ? pixelOffset : static_cast<std::uint32_t>(14 + header.size() + colourTable.size());
  ByteWriter w;
  w.u8('B').u8('M').u32(0).u32(0).u32(offset).append(header).append(colourTable);
  if (w.bytes.size() < offset) w.zeros(offset - w.bytes.size());
  w.append(pixels);
  std::uint32_t size = static_cast<std::uint32_t>(w.bytes.size());
  for (int i = 0; i < 4; ++i) w.bytes[2 + i] = static_cast<std::uint8_t>(size >> (8 * i));
  return w.bytes;
}

Bytes tgaHeader(const TgaFields& fields) {
  ByteWriter w;
  w.u8(fields.idLength).u8(fields.colourMapType).u8(fields.imageType).u16(fields.firstEntry).u16(fields.mapLength);
  w.u8(fields.entryBits).u16(0).u16(0).u16(fields.width).u16(fields.height).u8(fields.pixelBits).u8(fields.descriptor);
  return w.bytes;
}

Bytes ddsHeader(const DdsFields& fields) {
  ByteWriter w;
  w.u32(0x20534444).u32(124).u32(fields.flags).u32(fields.height).u32(fields.width).u32(0).u32(fields.depth);
  w.u32(fields.mipCount).zeros(44);
  w.u32(32).u32(fields.pfFlags).u32(fields.fourCc).u32(fields.bitCount);
  for (std::uint32_t mask : fields.masks) w.u32(mask);
  w.u32(0x1000).u32(fields.caps2).zeros(12);
  return w.bytes;
}

namespace {

void appendChunk(ByteWriter& w, const std::string& type, const Bytes& data) {
  auto big32 = [&](std::uint32_t value) { w.u8(value >> 24).u8(value >> 16).u8(value >> 8).u8(value); };
  big32(static_cast<std::uint32_t>(data.size()));
  Bytes typed(type.begin(), type.end());
  typed.insert(typed.end(), data.begin(), data.end());
  w.append(typed);
  big32(static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

}  // namespace

Bytes pngFile(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType, const std::vector<Bytes>& rows,
              const std::vector<PngChunk>& chunks, int interlace) {
  ByteWriter w;
  w.append({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
  ByteWriter ihdr;
  ihdr.u8(width >> 24).u8(width >> 16).u8(width >> 8).u8(width);
  ihdr.u8(height >> 24).u8(height >> 16).u8(height >> 8).u8(height);
  ihdr.u8(bitDepth).u8(colourType).u8(0).u8(0).u8(interlace);
  appendChunk(w, "IHDR", ihdr.bytes);
  for (const auto& chunk : chunks) appendChunk(w, chunk.type, chunk.data);
  Bytes raw;
  for (const auto& row : rows) {
    raw.push_back(0);
    raw.insert(raw.end(), row.begin(), row.end());
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  Bytes packed(packedSize);
  compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()));
  packed.resize(packedSize);
  appendChunk(w, "IDAT", packed);
  appendChunk(w, "IEND", {});
  return w.bytes;
}

Bytes jpegFile(std::uint32_t width, std::uint32_t height, int components, const Bytes& samples, int quality) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = width;
  info.image_height = height;
  info.input_components = components;
  info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples.data() + std::size_t{info.next_scanline} * width * components);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  Bytes file(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return file;
}

HRESULT decode(DecodedImage& image, const Bytes& file, ImageSummary* summary) {
  return decodeImage(image, file.data(), static_cast<UINT>(file.size()), summary, true);
}

bool pointsInto(const DecodedImage& image, const Bytes& file) {
  return !image.ownsPixels && image.pixels >= file.data() && image.pixels < file.data() + file.size();
}

Bytes rowBytes(const DecodedImage& image, std::uint32_t row, std::uint32_t bytesPerPixel) {
  const std::uint8_t* start = image.pixels + std::size_t{row} * image.rowPitch;
  return Bytes(start, start + std::size_t{image.width} * bytesPerPixel);
}

}  // namespace test_images
