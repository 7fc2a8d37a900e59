// The codec of one pixel-block description: decodes rows of its pixels into rows of four floats
// (red, green, blue, alpha) and encodes such rows back. The filters only ever see float rows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "texture/pixel_converter.h"

using Float4 = std::array<float, 4>;
inline constexpr int kRed = 0;
inline constexpr int kGreen = 1;
inline constexpr int kBlue = 2;
inline constexpr int kAlpha = 3;

// The range a codec's decoded values live in.
enum class ValueClass : std::uint8_t {
  unsignedUnit = 1,   // 0..1
  signedColour = 2,   // -1..1, alpha 0..1
  signedAll = 3,      // -1..1 in all four
  floatingPoint = 4,  // unlimited
};

// Clamps a pixel to the range of `valueClass` (floating point is left alone; NaN becomes the low end).
Float4 clampToClass(Float4 pixel, ValueClass valueClass);
// Converts a pixel's values from one class's range to another's.
Float4 convertClass(Float4 pixel, ValueClass to, ValueClass from);

class PixelCodec {
 public:
  // The codec for `block`'s format, or null when the format has none. Throws std::bad_alloc.
  static std::unique_ptr<PixelCodec> create(const PixelBlock& block);
  virtual ~PixelCodec() = default;
  PixelCodec(const PixelCodec&) = delete;
  PixelCodec& operator=(const PixelCodec&) = delete;

  // Row `y` of slice `z`, both relative to the box: decoded, colour-keyed, gamma-decoded.
  void decodeRow(std::uint32_t y, std::uint32_t z, Float4* out);
  // Class conversion (when set), gamma encoding (when set), then quantisation into row `y`.
  void encodeRow(std::uint32_t y, std::uint32_t z, const Float4* in);
  // Writes whatever the codec still holds (partly filled blocks). Call once after the last row.
  virtual void flush() {}

  // Every encoded row is first converted from `sourceClass` (no-op when it is the codec's own).
  void convertRowsFrom(ValueClass sourceClass);
  // Rounds the description's colour key through this format so that decoding compares at
  // the format's precision.
  void prepareColourKey();
  // The prepared key, for tests.
  const Float4& preparedColourKey() const { return key_; }

  const PixelBlock& block() const { return block_; }
  D3DFORMAT format() const { return block_.format; }
  std::uint32_t width() const { return width_; }
  std::uint32_t height() const { return height_; }
  std::uint32_t depth() const { return depth_; }
  ValueClass valueClass() const { return valueClass_; }
  bool gamma() const { return gamma_; }
  void setGamma(bool on) { gamma_ = on && gammaAllowed(); }
  bool dither() const { return block_.dither; }

 protected:
  PixelCodec(const PixelBlock& block, ValueClass valueClass);

  // Raw decoding of `width()` pixels of a row, without key or gamma.
  virtual void unpackRow(std::uint32_t y, std::uint32_t z, Float4* out) = 0;
  // Quantises and stores `width()` pixels; values are in the codec's class already.
  virtual void packRow(std::uint32_t y, std::uint32_t z, const Float4* in) = 0;
  // One pixel stored in the format and read back.
  virtual Float4 roundTrip(const Float4& pixel) = 0;
  // Which of red, green and blue take part in gamma coding; none means no gamma flag ever.
  virtual std::array<bool, 3> gammaChannels() const;

  // The quantisation threshold for the pixel at box column x, row y, slice z: 0.5, or the
  // ordered-dither matrix entry when dithering.
  float threshold(std::uint32_t x, std::uint32_t y, std::uint32_t z) const;
  // Address of the box's first pixel of row y in slice z, for formats of whole bytes per pixel.
  std::byte* rowAddress(std::uint32_t y, std::uint32_t z, std::uint32_t bytesPerPixel) const;
  // Address of absolute pixel row `row`, slice `slice` (not relative to the box), column 0.
  std::byte* absoluteRow(std::int64_t row, std::int64_t slice) const;

  PixelBlock block_;

 private:
  bool gammaAllowed() const;

  std::uint32_t width_;
  std::uint32_t height_;
  std::uint32_t depth_;
  ValueClass valueClass_;
  ValueClass convertFrom_;
  bool gamma_ = false;
  bool hasKey_ = false;
  Float4 key_{};
  std::vector<Float4> scratch_;
};
