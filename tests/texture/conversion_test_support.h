// Test images for the pixel converter: a box of pixels inside a larger buffer whose every other
// byte (margins around the box, row and slice padding, guards before and after) holds a known
// pattern, so that a test can tell whether a conversion touched anything outside its box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "texture/pixel_codec.h"
#include "texture/pixel_converter.h"

class TestImage {
 public:
  // `margin` pixels (rounded up to whole blocks or pairs) surround the box on every side.
  TestImage(D3DFORMAT format, std::uint32_t width, std::uint32_t height, std::uint32_t depth = 1,
            std::uint32_t margin = 0);

  PixelBlock block() const;
  // Bytes of the box's storage units (pixels, pairs or blocks) in row order, slice by slice.
  std::vector<std::uint8_t> boxBytes() const;
  void setBoxBytes(const std::vector<std::uint8_t>& bytes);
  std::size_t boxByteCount() const;
  // Whether every byte outside the box still holds the pattern.
  bool outsideUntouched() const;

  std::uint32_t width() const { return width_; }
  std::uint32_t height() const { return height_; }

  static constexpr std::uint8_t kPattern = 0xA5;

 private:
  std::byte* unitRow(std::uint32_t row, std::uint32_t slice) const;
  bool insideBox(std::size_t offset) const;

  D3DFORMAT format_;
  std::uint32_t width_, height_, depth_;
  std::uint32_t marginUnits_, marginRows_;  // storage units and unit rows
  std::uint32_t unitBytes_, pixelsPerUnit_, rowsPerUnit_;
  std::uint32_t boxUnits_, boxUnitRows_;
  std::int64_t rowPitch_, slicePitch_;
  std::size_t guard_;
  mutable std::vector<std::byte> storage_;
};

// Decodes every pixel of `image` to floats by converting it to A32B32G32R32F.
std::vector<Float4> decodeToFloats(const TestImage& image, std::uint32_t filter = RESAMPLE_NONE);
// Builds an A32B32G32R32F image holding `pixels` (width × height × depth, row order).
TestImage floatImage(const std::vector<Float4>& pixels, std::uint32_t width, std::uint32_t height,
                     std::uint32_t depth = 1);
// Converts between two test images, checking that neither is touched outside its box and the
// source not at all.
HRESULT convertChecked(TestImage& destination, const TestImage& source, std::uint32_t filter, D3DCOLOR colourKey = 0,
                       const PALETTEENTRY* sourcePalette = nullptr, const PALETTEENTRY* destinationPalette = nullptr);
