// Feeds arbitrary bytes to decodeImage, once for the header fields and once with pixels, and
// reads every byte the result claims to hold, so that a pitch, size or pointer that escapes
// its buffer shows up under the address sanitizer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "texture/image_decoder.h"
#include "texture/pixel_formats.h"

namespace {

bool isBlockFormat(D3DFORMAT format) {
  return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
         format == D3DFMT_DXT5;
}

// Bytes of one level that must be readable: every row at its pitch, except that the last row
// of the last slice need only hold its pixels (files may end without the last row's padding).
std::size_t levelBytes(const DecodedImage& level) {
  const D3DFORMAT format = level.format;
  const std::size_t rows = isBlockFormat(format) ? (std::size_t{level.height} + 3) / 4 : level.height;
  const std::size_t slice = std::size_t{level.rowPitch} * rows;
  if (level.slicePitch != 0 && level.slicePitch != slice) std::abort();
  if (slice == 0 || level.depth == 0) return 0;
  std::size_t lastRow = level.rowPitch;
  if (!isBlockFormat(format)) {
    const std::size_t pixelBytes = (std::size_t{level.width} * describeFormat(format).bitsPerPixel + 7) / 8;
    if (pixelBytes < lastRow) lastRow = pixelBytes;
  }
  if (level.rowPitch == 0) return 0;
  return slice * level.depth - level.rowPitch + lastRow;
}

unsigned touch(const DecodedImage& image) {
  unsigned sum = 0;
  for (const DecodedImage* face = &image; face; face = face->nextFace.get()) {
    for (const DecodedImage* level = face; level; level = level->nextLevel.get()) {
      const std::size_t bytes = levelBytes(*level);
      if (bytes != 0 && !level->pixels) std::abort();
      for (std::size_t i = 0; i < bytes; ++i) sum += level->pixels[i];
      if (level->palette) {
        for (int i = 0; i < 256; ++i) sum += level->palette[i].peFlags;
      } else if (describeFormat(level->format).formatClass == FormatClass::palettised) {
        std::abort();
      }
    }
  }
  return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  const auto length = static_cast<UINT>(size);

  DecodedImage header;
  ImageSummary headerSummary{};
  const HRESULT headerResult = decodeImage(header, data, length, &headerSummary, false);

  DecodedImage image;
  ImageSummary summary{};
  if (decodeImage(image, data, length, &summary, true) != S_OK) return 0;
  // Whatever decodes with pixels reads the same from its header alone.
  if (headerResult != S_OK || headerSummary.Width != summary.Width || headerSummary.Height != summary.Height ||
      headerSummary.ImageFileKind != summary.ImageFileKind || headerSummary.MipLevels != summary.MipLevels) {
    std::abort();
  }
  volatile unsigned sink = touch(image);
  (void)sink;
  return 0;
}
