#include "texture/packed_remap.h"

#include <cstring>

std::optional<PackedRemap> planPackedRemap(const PackedLayout& destination, const PackedLayout& source) {
  if (destination.valueClass != ValueClass::unsignedUnit || source.valueClass != ValueClass::unsignedUnit) {
    return std::nullopt;
  }
  PackedRemap remap{source.bytesPerPixel, destination.bytesPerPixel, destination.unusedBits, 0, {}, true, 0};
  for (int c = 0; c < 4; ++c) {
    const ChannelField& to = destination.channels[c];
    const ChannelField& from = source.channels[c];
    if (to.kind == ChannelKind::absent) continue;
    if (to.kind != ChannelKind::unsignedInt) return std::nullopt;
    std::uint64_t mask = (std::uint64_t{1} << to.bits) - 1;
    if (from.kind == ChannelKind::absent) {
      if (from.absentValue == 1.0f) remap.constantBits |= mask << to.shift;
      continue;
    }
    if (from.kind != ChannelKind::unsignedInt || from.bits != to.bits) return std::nullopt;
    remap.moves[remap.moveCount++] = {from.shift, to.shift, mask};
    remap.inPlace = remap.inPlace && from.shift == to.shift;
    remap.keepMask |= static_cast<std::uint32_t>(mask << to.shift);
  }
  remap.inPlace = remap.inPlace && source.bytesPerPixel == 4 && destination.bytesPerPixel == 4;
  return remap;
}

void remapRow(const PackedRemap& remap, const std::byte* in, std::byte* out, std::uint32_t count) {
  if (remap.inPlace) {
    auto constant = static_cast<std::uint32_t>(remap.constantBits);
    for (std::uint32_t x = 0; x < count; ++x) {
      std::uint32_t pixel;
      std::memcpy(&pixel, in + std::size_t{x} * 4, 4);
      pixel = (pixel & remap.keepMask) | constant;
      std::memcpy(out + std::size_t{x} * 4, &pixel, 4);
    }
    return;
  }
  for (std::uint32_t x = 0; x < count; ++x) {
    std::uint64_t pixel = loadPixelBits(in + std::size_t{x} * remap.sourceBytes, remap.sourceBytes);
    std::uint64_t result = remap.constantBits;
    for (unsigned m = 0; m < remap.moveCount; ++m) {
      const PackedRemap::Move& move = remap.moves[m];
      result |= ((pixel >> move.sourceShift) & move.mask) << move.destinationShift;
    }
    storePixelBits(out + std::size_t{x} * remap.destinationBytes, remap.destinationBytes, result);
  }
}
