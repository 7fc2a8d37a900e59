// The one way decoders read file bytes: a bounds-checked cursor over the caller's data.
// Reads past the end yield zeros and set a sticky overrun flag that decoders check at the end
// of each stage, so a lying header can never make them index outside the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

class ByteCursor {
 public:
  ByteCursor() = default;
  explicit ByteCursor(std::span<const std::uint8_t> data) : data_(data) {}

  std::size_t size() const { return data_.size(); }
  std::size_t position() const { return position_; }
  std::size_t remaining() const { return data_.size() - position_; }
  bool overrun() const { return overrun_; }
  bool atEnd() const { return position_ == data_.size(); }

  std::uint8_t u8() {
    if (position_ >= data_.size()) return fail();
    return data_[position_++];
  }
  std::uint16_t u16le() {
    std::uint16_t low = u8();
    return static_cast<std::uint16_t>(low | (u8() << 8));
  }
  std::uint32_t u32le() {
    std::uint32_t low = u16le();
    return low | (std::uint32_t{u16le()} << 16);
  }
  std::int32_t i32le() { return static_cast<std::int32_t>(u32le()); }

  // The next byte without moving, or -1 at the end (not an overrun).
  int peek() const { return position_ < data_.size() ? data_[position_] : -1; }

  // Moves by `count` bytes; past the end it stops there and flags the overrun.
  bool skip(std::uint64_t count) {
    if (count > remaining()) {
      position_ = data_.size();
      fail();
      return false;
    }
    position_ += static_cast<std::size_t>(count);
    return true;
  }
  // Jumps to an absolute offset inside the data (the end included).
  bool seek(std::uint64_t offset) {
    if (offset > data_.size()) {
      position_ = data_.size();
      fail();
      return false;
    }
    position_ = static_cast<std::size_t>(offset);
    return true;
  }
  // The next `count` bytes, consumed; an empty span and the overrun flag when fewer remain.
  std::span<const std::uint8_t> take(std::uint64_t count) {
    if (count > remaining()) {
      skip(count);
      return {};
    }
    auto bytes = data_.subspan(position_, static_cast<std::size_t>(count));
    position_ += static_cast<std::size_t>(count);
    return bytes;
  }
  // Everything from here to the end, not consumed.
  std::span<const std::uint8_t> rest() const { return data_.subspan(position_); }
  // A cursor over the bytes from here to the end, starting at 0.
  ByteCursor fromHere() const { return ByteCursor(rest()); }

 private:
  std::uint8_t fail() {
    overrun_ = true;
    return 0;
  }

  std::span<const std::uint8_t> data_;
  std::size_t position_ = 0;
  bool overrun_ = false;
};
