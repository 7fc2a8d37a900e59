// The individual decoders behind decodeImage. Each fills `image` from the whole file `data` and
// returns S_OK, E_FAIL (not its format, or damaged) or E_OUTOFMEMORY; on failure the image may
// hold partial results, which the caller clears. `image.decodePixels` says whether pixels are
// wanted or only the header fields.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "texture/image_decoder.h"

using ImageBytes = std::span<const std::uint8_t>;

HRESULT decodeBmp(DecodedImage& image, ImageBytes data);
HRESULT decodePpm(DecodedImage& image, ImageBytes data);
HRESULT decodeDds(DecodedImage& image, ImageBytes data);
HRESULT decodeJpeg(DecodedImage& image, ImageBytes data);
HRESULT decodePng(DecodedImage& image, ImageBytes data);
HRESULT decodeTga(DecodedImage& image, ImageBytes data);
HRESULT decodeDib(DecodedImage& image, ImageBytes data);

// The DIB decoder with pixels at `pixelOffset` bytes from the start of `data` when the BMP file
// header names an offset past the colour table.
HRESULT decodeDibWithPixelOffset(DecodedImage& image, ImageBytes data, std::optional<std::uint64_t> pixelOffset);

// Binary PPM samples (red, green, blue; at most `maximum`) to X8R8G8B8 pixels. Exposed so tests
// can hold the full-range fast path to the scaled path.
void storeBinaryPixels(const std::uint8_t* samples, std::uint8_t* pixels, std::uint64_t pixelCount,
                       std::uint32_t maximum);
