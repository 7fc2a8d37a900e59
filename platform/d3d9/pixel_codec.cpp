#include "platform/d3d9/pixel_codec.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace platform::d3d9 {
namespace {

struct Channel {
  BYTE shift;
  BYTE bits;
};

// A packed little-endian pixel word: where each channel sits. Bits 0 means absent.
struct PackedLayout {
  D3DFORMAT format;
  BYTE bytes;
  bool luminance;  // the red channel holds luminance, copied to green and blue
  Channel red, green, blue, alpha;
};

constexpr std::array kLayouts = {
    PackedLayout{D3DFMT_A8R8G8B8, 4, false, {16, 8}, {8, 8}, {0, 8}, {24, 8}},
    PackedLayout{D3DFMT_X8R8G8B8, 4, false, {16, 8}, {8, 8}, {0, 8}, {0, 0}},
    PackedLayout{D3DFMT_A8B8G8R8, 4, false, {0, 8}, {8, 8}, {16, 8}, {24, 8}},
    PackedLayout{D3DFMT_X8B8G8R8, 4, false, {0, 8}, {8, 8}, {16, 8}, {0, 0}},
    PackedLayout{D3DFMT_R8G8B8, 3, false, {16, 8}, {8, 8}, {0, 8}, {0, 0}},
    PackedLayout{D3DFMT_R5G6B5, 2, false, {11, 5}, {5, 6}, {0, 5}, {0, 0}},
    PackedLayout{D3DFMT_X1R5G5B5, 2, false, {10, 5}, {5, 5}, {0, 5}, {0, 0}},
    PackedLayout{D3DFMT_A1R5G5B5, 2, false, {10, 5}, {5, 5}, {0, 5}, {15, 1}},
    PackedLayout{D3DFMT_A4R4G4B4, 2, false, {8, 4}, {4, 4}, {0, 4}, {12, 4}},
    PackedLayout{D3DFMT_X4R4G4B4, 2, false, {8, 4}, {4, 4}, {0, 4}, {0, 0}},
    PackedLayout{D3DFMT_A2R10G10B10, 4, false, {20, 10}, {10, 10}, {0, 10}, {30, 2}},
    PackedLayout{D3DFMT_A2B10G10R10, 4, false, {0, 10}, {10, 10}, {20, 10}, {30, 2}},
    PackedLayout{D3DFMT_L8, 1, true, {0, 8}, {0, 0}, {0, 0}, {0, 0}},
    PackedLayout{D3DFMT_A8L8, 2, true, {0, 8}, {0, 0}, {0, 0}, {8, 8}},
};

const PackedLayout* findLayout(D3DFORMAT format) {
  auto found =
      std::find_if(kLayouts.begin(), kLayouts.end(), [&](const PackedLayout& l) { return l.format == format; });
  return found == kLayouts.end() ? nullptr : &*found;
}

DWORD readWord(const std::byte* pixel, int bytes) {
  DWORD word = 0;
  for (int i = 0; i < bytes; ++i) word |= DWORD{std::to_integer<BYTE>(pixel[i])} << (8 * i);
  return word;
}

void writeWord(std::byte* pixel, int bytes, DWORD word) {
  for (int i = 0; i < bytes; ++i) pixel[i] = static_cast<std::byte>((word >> (8 * i)) & 0xFF);
}

float readChannel(DWORD word, Channel channel, float absent) {
  if (channel.bits == 0) return absent;
  DWORD maximum = (1u << channel.bits) - 1;
  return static_cast<float>((word >> channel.shift) & maximum) / static_cast<float>(maximum);
}

DWORD packChannel(float value, Channel channel) {
  if (channel.bits == 0) return 0;
  DWORD maximum = (1u << channel.bits) - 1;
  float clamped = std::clamp(value, 0.0f, 1.0f);
  return static_cast<DWORD>(clamped * static_cast<float>(maximum) + 0.5f) << channel.shift;
}

}  // namespace

bool hasPixelCodec(D3DFORMAT format) { return findLayout(format) != nullptr || format == D3DFMT_A8; }

bool decodePixel(D3DFORMAT format, const std::byte* pixel, Color4* color) {
  if (format == D3DFMT_A8) {
    *color = {0, 0, 0, std::to_integer<BYTE>(pixel[0]) / 255.0f};
    return true;
  }
  const PackedLayout* layout = findLayout(format);
  if (!layout) return false;
  DWORD word = readWord(pixel, layout->bytes);
  color->r = readChannel(word, layout->red, 1.0f);
  color->g = layout->luminance ? color->r : readChannel(word, layout->green, 1.0f);
  color->b = layout->luminance ? color->r : readChannel(word, layout->blue, 1.0f);
  color->a = readChannel(word, layout->alpha, 1.0f);
  return true;
}

bool encodePixel(D3DFORMAT format, const Color4& color, std::byte* pixel) {
  if (format == D3DFMT_A8) {
    pixel[0] = static_cast<std::byte>(packChannel(color.a, {0, 8}));
    return true;
  }
  const PackedLayout* layout = findLayout(format);
  if (!layout) return false;
  float red = layout->luminance ? 0.2125f * color.r + 0.7154f * color.g + 0.0721f * color.b : color.r;
  DWORD word = packChannel(red, layout->red) | packChannel(color.g, layout->green) |
               packChannel(color.b, layout->blue) | packChannel(color.a, layout->alpha);
  writeWord(pixel, layout->bytes, word);
  return true;
}

Color4 colorFromArgb(D3DCOLOR argb) {
  return {((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
          ((argb >> 24) & 0xFF) / 255.0f};
}

D3DCOLOR argbFromColor(const Color4& color) {
  auto byte = [](float v) { return static_cast<DWORD>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); };
  return (byte(color.a) << 24) | (byte(color.r) << 16) | (byte(color.g) << 8) | byte(color.b);
}

bool encodeDepthStencil(D3DFORMAT format, float depth, DWORD stencil, bool writeDepth, bool writeStencil,
                        std::byte* pixel) {
  int depthBits = 0;
  int depthShift = 0;
  int stencilBits = 0;
  int bytes = 4;
  switch (format) {
    case D3DFMT_D16:
    case D3DFMT_D16_LOCKABLE:
      depthBits = 16;
      bytes = 2;
      break;
    case D3DFMT_D15S1:
      depthBits = 15;
      depthShift = 1;
      stencilBits = 1;
      bytes = 2;
      break;
    case D3DFMT_D24S8:
      depthBits = 24;
      depthShift = 8;
      stencilBits = 8;
      break;
    case D3DFMT_D24X8:
      depthBits = 24;
      depthShift = 8;
      break;
    case D3DFMT_D24X4S4:
      depthBits = 24;
      depthShift = 8;
      stencilBits = 4;
      break;
    case D3DFMT_D32: depthBits = 32; break;
    default: return false;
  }
  DWORD word = readWord(pixel, bytes);
  if (writeDepth) {
    double maximum = depthBits == 32 ? 4294967295.0 : static_cast<double>((1u << depthBits) - 1);
    auto value = static_cast<DWORD>(std::clamp(static_cast<double>(depth), 0.0, 1.0) * maximum + 0.5);
    DWORD mask = depthBits == 32 ? 0xFFFFFFFFu : ((1u << depthBits) - 1) << depthShift;
    word = (word & ~mask) | ((value << depthShift) & mask);
  }
  if (writeStencil && stencilBits > 0) {
    DWORD mask = (1u << stencilBits) - 1;
    word = (word & ~mask) | (stencil & mask);
  }
  writeWord(pixel, bytes, word);
  return true;
}

}  // namespace platform::d3d9
