#include "conversion_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

#include "texture/dxt_block.h"
#include "texture/pixel_formats.h"

namespace {

bool isPair(D3DFORMAT format) {
  return format == D3DFMT_UYVY || format == D3DFMT_YUY2 || format == D3DFMT_R8G8_B8G8 || format == D3DFMT_G8R8_G8B8;
}

std::uint32_t ceilDiv(std::uint32_t a, std::uint32_t b) { return (a + b - 1) / b; }

}  // namespace

TestImage::TestImage(D3DFORMAT format, std::uint32_t width, std::uint32_t height, std::uint32_t depth,
                     std::uint32_t margin)
    : format_(format), width_(width), height_(height), depth_(depth) {
  if (isBlockFormat(format)) {
    unitBytes_ = blockBytes(format);
    pixelsPerUnit_ = 4;
    rowsPerUnit_ = 4;
  } else if (isPair(format)) {
    unitBytes_ = 4;
    pixelsPerUnit_ = 2;
    rowsPerUnit_ = 1;
  } else {
    unitBytes_ = describeFormat(format).bitsPerPixel / 8;
    pixelsPerUnit_ = 1;
    rowsPerUnit_ = 1;
  }
  marginUnits_ = ceilDiv(margin, pixelsPerUnit_);
  marginRows_ = ceilDiv(margin, rowsPerUnit_);
  boxUnits_ = ceilDiv(width, pixelsPerUnit_);
  boxUnitRows_ = ceilDiv(height, rowsPerUnit_);
  // Odd padding after each row and slice catches pitch mistakes.
  rowPitch_ = std::int64_t{boxUnits_ + 2 * marginUnits_} * unitBytes_ + 7;
  slicePitch_ = rowPitch_ * (boxUnitRows_ + 2 * marginRows_) + 13;
  guard_ = 64;
  storage_.assign(guard_ * 2 + static_cast<std::size_t>(slicePitch_) * (depth + 2 * (margin > 0 ? 1 : 0)),
                  static_cast<std::byte>(kPattern));
}

std::byte* TestImage::unitRow(std::uint32_t row, std::uint32_t slice) const {
  std::uint32_t sliceMargin = marginRows_ > 0 ? 1 : 0;
  return storage_.data() + guard_ + static_cast<std::size_t>(slicePitch_) * (slice + sliceMargin) +
         static_cast<std::size_t>(rowPitch_) * (row + marginRows_) + std::size_t{marginUnits_} * unitBytes_;
}

PixelBlock TestImage::block() const {
  PixelBlock block;
  block.pixels = storage_.data() + guard_;
  block.format = format_;
  block.rowPitch = rowPitch_;
  block.slicePitch = slicePitch_;
  std::uint32_t left = marginUnits_ * pixelsPerUnit_;
  std::uint32_t top = marginRows_ * rowsPerUnit_;
  std::uint32_t front = marginRows_ > 0 ? 1 : 0;
  block.box = D3DBOX{left, top, left + width_, top + height_, front, front + depth_};
  return block;
}

std::size_t TestImage::boxByteCount() const { return std::size_t{boxUnits_} * unitBytes_ * boxUnitRows_ * depth_; }

std::vector<std::uint8_t> TestImage::boxBytes() const {
  std::vector<std::uint8_t> bytes;
  std::size_t rowBytes = std::size_t{boxUnits_} * unitBytes_;
  for (std::uint32_t z = 0; z < depth_; ++z) {
    for (std::uint32_t y = 0; y < boxUnitRows_; ++y) {
      const auto* row = reinterpret_cast<const std::uint8_t*>(unitRow(y, z));
      bytes.insert(bytes.end(), row, row + rowBytes);
    }
  }
  return bytes;
}

void TestImage::setBoxBytes(const std::vector<std::uint8_t>& bytes) {
  ASSERT_EQ(bytes.size(), boxByteCount());
  std::size_t rowBytes = std::size_t{boxUnits_} * unitBytes_;
  std::size_t offset = 0;
  for (std::uint32_t z = 0; z < depth_; ++z) {
    for (std::uint32_t y = 0; y < boxUnitRows_; ++y, offset += rowBytes) {
      std::memcpy(unitRow(y, z), bytes.data() + offset, rowBytes);
    }
  }
}

bool TestImage::insideBox(std::size_t offset) const {
  std::size_t rowBytes = std::size_t{boxUnits_} * unitBytes_;
  for (std::uint32_t z = 0; z < depth_; ++z) {
    for (std::uint32_t y = 0; y < boxUnitRows_; ++y) {
      auto start = static_cast<std::size_t>(unitRow(y, z) - storage_.data());
      if (offset >= start && offset < start + rowBytes) return true;
    }
  }
  return false;
}

bool TestImage::outsideUntouched() const {
  for (std::size_t i = 0; i < storage_.size(); ++i) {
    if (storage_[i] != static_cast<std::byte>(kPattern) && !insideBox(i)) {
      ADD_FAILURE() << "byte " << i << " outside the box was changed";
      return false;
    }
  }
  return true;
}

HRESULT convertChecked(TestImage& destination, const TestImage& source, std::uint32_t filter, D3DCOLOR colourKey,
                       const PALETTEENTRY* sourcePalette, const PALETTEENTRY* destinationPalette) {
  std::vector<std::uint8_t> sourceBefore = source.boxBytes();
  PixelBlock to = destination.block();
  to.palette = destinationPalette;
  PixelBlock from = source.block();
  from.colourKey = colourKey;
  from.palette = sourcePalette;
  HRESULT result = convertPixels(to, from, filter);
  EXPECT_TRUE(destination.outsideUntouched());
  EXPECT_TRUE(source.outsideUntouched());
  EXPECT_EQ(source.boxBytes(), sourceBefore);
  return result;
}

std::vector<Float4> decodeToFloats(const TestImage& image, std::uint32_t filter) {
  PixelBlock from = image.block();
  std::uint32_t depth = from.box.Back - from.box.Front;
  TestImage out(D3DFMT_A32B32G32R32F, image.width(), image.height(), depth);
  EXPECT_EQ(convertPixels(out.block(), from, filter), S_OK);
  std::vector<std::uint8_t> bytes = out.boxBytes();
  std::vector<Float4> pixels(bytes.size() / sizeof(Float4));
  std::memcpy(pixels.data(), bytes.data(), bytes.size());
  return pixels;
}

TestImage floatImage(const std::vector<Float4>& pixels, std::uint32_t width, std::uint32_t height,
                     std::uint32_t depth) {
  TestImage image(D3DFMT_A32B32G32R32F, width, height, depth);
  std::vector<std::uint8_t> bytes(pixels.size() * sizeof(Float4));
  std::memcpy(bytes.data(), pixels.data(), bytes.size());
  image.setBoxBytes(bytes);
  return image;
}
