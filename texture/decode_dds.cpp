// DirectDraw surface files: a 128-byte header, an optional palette, then every level of every
// face (or the slices of a volume) used in place.
#include <algorithm>
#include <array>
#include <new>

#include "texture/byte_cursor.h"
#include "texture/dds_format.h"
#include "texture/decode_limits.h"
#include "texture/image_decoders.h"
#include "texture/pixel_formats.h"

namespace {

constexpr std::uint32_t kMagic = 0x20534444;  // "DDS "
constexpr std::uint32_t kHeaderBytes = 128;
constexpr std::uint32_t kPaletteBytes = 256 * sizeof(PALETTEENTRY);
constexpr std::uint32_t kDepthFlag = 0x800000;
constexpr std::uint32_t kAllCubeFaces = 0xFC00;

std::uint32_t halve(std::uint32_t size) { return size > 1 ? size / 2 : 1; }

// Levels below 1 × 1 × 1 would repeat the smallest one; a file's count is cut to the full chain.
std::uint32_t fullChainLength(std::uint32_t width, std::uint32_t height, std::uint32_t depth) {
  std::uint32_t largest = std::max({width, height, depth});
  std::uint32_t levels = 1;
  while (largest > 1) {
    largest /= 2;
    ++levels;
  }
  return levels;
}

}  // namespace

HRESULT decodeDds(DecodedImage& image, ImageBytes data) {
  ByteCursor cursor(data);
  if (data.size() < kHeaderBytes || cursor.u32le() != kMagic) return E_FAIL;
  cursor.seek(8);
  const std::uint32_t flags = cursor.u32le();
  const std::uint32_t height = cursor.u32le();
  const std::uint32_t width = cursor.u32le();
  cursor.skip(4);  // pitch or linear size
  const std::uint32_t fileDepth = cursor.u32le();
  const std::uint32_t fileLevels = cursor.u32le();
  cursor.seek(76);
  DdsPixelFormat pf{};
  pf.size = cursor.u32le();
  pf.flags = cursor.u32le();
  pf.fourCc = cursor.u32le();
  pf.bitCount = cursor.u32le();
  pf.red = cursor.u32le();
  pf.green = cursor.u32le();
  pf.blue = cursor.u32le();
  pf.alpha = cursor.u32le();
  cursor.seek(112);
  const std::uint32_t caps2 = cursor.u32le();
  if (cursor.overrun() || width == 0 || height == 0) return E_FAIL;

  const bool volume = (flags & kDepthFlag) != 0;
  const std::uint32_t depth = volume && fileDepth != 0 ? fileDepth : 1;
  const std::uint32_t cubeBits = caps2 & kAllCubeFaces;
  if (cubeBits != 0 && cubeBits != kAllCubeFaces) return E_FAIL;
  const bool cube = cubeBits == kAllCubeFaces;
  // A volume cannot also be a cube map.
  if (volume && cube) return E_FAIL;
  const std::uint32_t faces = cube ? 6 : 1;
  const std::uint32_t levels = std::min(fileLevels == 0 ? 1 : fileLevels, fullChainLength(width, height, depth));

  const D3DFORMAT format = ddsFormatOf(pf);
  if (format == D3DFMT_UNKNOWN) return E_FAIL;

  cursor.seek(kHeaderBytes);
  const PALETTEENTRY* palette = nullptr;
  if (describeFormat(format).formatClass == FormatClass::palettised) {
    auto paletteBytes = cursor.take(kPaletteBytes);
    if (paletteBytes.empty()) return E_FAIL;
    palette = reinterpret_cast<const PALETTEENTRY*>(paletteBytes.data());
  }

  std::unique_ptr<DecodedImage>* faceLink = nullptr;
  for (std::uint32_t face = 0; face < faces; ++face) {
    std::uint32_t levelWidth = width, levelHeight = height, levelDepth = depth;
    std::unique_ptr<DecodedImage>* levelLink = nullptr;
    DecodedImage* firstLevel = nullptr;
    for (std::uint32_t level = 0; level < levels; ++level) {
      DdsLevelLayout layout = ddsLevelLayout(format, levelWidth, levelHeight);
      auto occupied = checkedMultiply(layout.levelBytes, levelDepth);
      if (!occupied || layout.levelBytes > 0xFFFFFFFFu || layout.pitch > 0xFFFFFFFFu) return E_FAIL;
      auto pixels = cursor.take(*occupied);
      if (cursor.overrun()) return E_FAIL;

      DecodedImage* target = &image;
      if (face != 0 || level != 0) {
        std::unique_ptr<DecodedImage> next(new (std::nothrow) DecodedImage);
        if (!next) return E_OUTOFMEMORY;
        target = next.get();
        if (level == 0) {
          *faceLink = std::move(next);
        } else {
          *levelLink = std::move(next);
        }
      }
      if (level == 0) firstLevel = target;
      target->format = format;
      target->pixels = pixels.data();
      target->palette = palette;
      target->width = levelWidth;
      target->height = levelHeight;
      target->depth = levelDepth;
      target->rowPitch = static_cast<UINT>(layout.pitch);
      target->slicePitch = static_cast<UINT>(layout.levelBytes);
      target->decodePixels = image.decodePixels;
      target->resourceType = volume ? D3DRTYPE_VOLUMETEXTURE : cube ? D3DRTYPE_CUBETEXTURE : D3DRTYPE_TEXTURE;
      target->fileFormat = ImageFileKind::DDS;
      levelLink = &target->nextLevel;

      levelWidth = halve(levelWidth);
      levelHeight = halve(levelHeight);
      levelDepth = halve(levelDepth);
    }
    faceLink = &firstLevel->nextFace;
  }
  return S_OK;
}
