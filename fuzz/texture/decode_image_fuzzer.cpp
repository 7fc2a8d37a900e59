// Feeds arbitrary bytes to decodeImage, once for the header fields and once with pixels, and
// reads every byte the result claims to hold, so that a pitch, size or pointer that escapes
// its buffer shows up under the address sanitizer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "texture/image_decoder.h"
#include "texture/pixel_formats.h"

namespace {

// Bytes of one level: rows of blocks for the compressed formats, rows of pixels otherwise.
std::size_t levelBytes(const DecodedImage& level) {
  std::size_t rows = level.height;
  const D3DFORMAT format = level.format;
  if (format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
      format == D3DFMT_DXT5) {
    rows = (rows + 3) / 4;
  }
  std::size_t slice = std::size_t{level.rowPitch} * rows;
  if (level.slicePitch != 0 && level.slicePitch != slice) std::abort();
  return slice * level.depth;
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
