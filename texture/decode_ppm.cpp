// Portable pixmaps: "P3" (decimal samples) and "P6" (binary samples), decoded to X8R8G8B8.
#include <algorithm>
#include <bit>
#include <cstring>

#include "texture/byte_cursor.h"
#include "texture/decode_limits.h"
#include "texture/image_decoders.h"

namespace {

bool isWhiteSpace(int byte) {
  return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r' || byte == '\v' || byte == '\f';
}

// Skips white space and "#" comments (which run to the end of the line).
void skipSeparators(ByteCursor& cursor) {
  while (true) {
    int byte = cursor.peek();
    if (isWhiteSpace(byte)) {
      cursor.u8();
    } else if (byte == '#') {
      while (cursor.peek() >= 0 && cursor.peek() != '\n' && cursor.peek() != '\r') cursor.u8();
    } else {
      return;
    }
  }
}

// The next decimal number; nothing when it is missing, too large, or followed by a non-digit.
std::optional<std::uint32_t> readNumber(ByteCursor& cursor) {
  skipSeparators(cursor);
  std::uint64_t value = 0;
  int digits = 0;
  while (cursor.peek() >= '0' && cursor.peek() <= '9') {
    value = value * 10 + static_cast<std::uint64_t>(cursor.u8() - '0');
    if (value > 0xFFFFFFFFu) return std::nullopt;
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (cursor.peek() >= 0 && !isWhiteSpace(cursor.peek())) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

std::uint32_t scaleSample(std::uint32_t sample, std::uint32_t maximum) {
  // Samples above the maximum are clamped so they cannot spill into the neighbouring channel.
  return static_cast<std::uint32_t>(std::uint64_t{std::min(sample, maximum)} * 255 / maximum);
}

void storePixel(std::uint8_t* target, std::uint32_t red, std::uint32_t green, std::uint32_t blue,
                std::uint32_t maximum) {
  target[0] = static_cast<std::uint8_t>(scaleSample(blue, maximum));
  target[1] = static_cast<std::uint8_t>(scaleSample(green, maximum));
  target[2] = static_cast<std::uint8_t>(scaleSample(red, maximum));
  target[3] = 0xFF;
}

}  // namespace

void storeBinaryPixels(const std::uint8_t* samples, std::uint8_t* pixels, std::uint64_t pixelCount,
                       std::uint32_t maximum) {
  if (maximum == 255) {
    static_assert(std::endian::native == std::endian::little);
    // Full-range samples need no scaling, only reordering: a 4-byte load holds red, green, blue
    // and the next pixel's red; byte-swapped and shifted it is the X8R8G8B8 value. The last
    // pixel is done on its own so that no load reaches past the samples.
    for (std::uint64_t i = 0; i + 1 < pixelCount; ++i) {
      std::uint32_t word;
      std::memcpy(&word, samples + 3 * i, sizeof(word));
      const std::uint32_t pixel = 0xFF000000u | (__builtin_bswap32(word) >> 8);
      std::memcpy(pixels + 4 * i, &pixel, sizeof(pixel));
    }
    const std::uint64_t last = pixelCount - 1;
    storePixel(pixels + 4 * last, samples[3 * last], samples[3 * last + 1], samples[3 * last + 2], 255);
    return;
  }
  std::uint8_t scaled[256];
  for (std::uint32_t sample = 0; sample < 256; ++sample)
    scaled[sample] = static_cast<std::uint8_t>(scaleSample(sample, maximum));
  for (std::uint64_t i = 0; i < pixelCount; ++i) {
    pixels[4 * i] = scaled[samples[3 * i + 2]];
    pixels[4 * i + 1] = scaled[samples[3 * i + 1]];
    pixels[4 * i + 2] = scaled[samples[3 * i]];
    pixels[4 * i + 3] = 0xFF;
  }
}

HRESULT decodePpm(DecodedImage& image, ImageBytes data) {
  ByteCursor cursor(data);
  if (cursor.u8() != 'P') return E_FAIL;
  const std::uint8_t kind = cursor.u8();
  if ((kind != '3' && kind != '6') || !isWhiteSpace(cursor.peek())) return E_FAIL;
  const bool binary = kind == '6';
  auto width = readNumber(cursor);
  auto height = readNumber(cursor);
  auto maximum = readNumber(cursor);
  if (!width || !height || !maximum || *width == 0 || *height == 0 || *maximum == 0) return E_FAIL;
  if (binary && *maximum > 255) return E_FAIL;

  const std::uint64_t pixelCount = std::uint64_t{*width} * *height;
  auto bytes = checkedMultiply(pixelCount, 4);
  // Binary pixels take 3 bytes each; text samples at least 2 (a digit and a separator).
  const std::uint64_t inputPerPixel = binary ? 3 : 6;
  if (!allocationAllowed(bytes, cursor.remaining() + 1, 4) ||
      pixelCount > (cursor.remaining() + 1) / inputPerPixel + 1) {
    return E_FAIL;
  }

  if (binary) {
    // Exactly one separator byte; a carriage return takes its line feed with it.
    if (cursor.u8() == '\r') cursor.u8();
    if (cursor.overrun() || cursor.remaining() / 3 < pixelCount) return E_FAIL;
  }

  image.format = D3DFMT_X8R8G8B8;
  image.width = *width;
  image.height = *height;
  image.depth = 1;
  image.rowPitch = *width * 4;
  image.slicePitch = 0;
  if (!image.decodePixels) return S_OK;

  std::uint8_t* pixels = image.allocatePixels(*bytes);
  if (!pixels) return E_OUTOFMEMORY;
  if (binary) {
    storeBinaryPixels(cursor.take(pixelCount * 3).data(), pixels, pixelCount, *maximum);
    return S_OK;
  }
  for (std::uint64_t i = 0; i < pixelCount; ++i) {
    auto red = readNumber(cursor);
    auto green = readNumber(cursor);
    auto blue = readNumber(cursor);
    if (!red || !green || !blue) return E_FAIL;
    storePixel(pixels + 4 * i, *red, *green, *blue, *maximum);
  }
  return S_OK;
}
