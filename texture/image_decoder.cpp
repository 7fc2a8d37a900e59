#include "texture/image_decoder.h"

#include <array>
#include <cstring>
#include <new>

#include "texture/image_decoders.h"
#include "texture/pixel_formats.h"

void DecodedImage::clear() {
  if (ownsPixels) delete[] pixels;
  if (ownsPalette) delete[] palette;
  // Long chains are unlinked iteratively so that destroying them cannot exhaust the stack.
  while (nextLevel) nextLevel = std::move(nextLevel->nextLevel);
  while (nextFace) nextFace = std::move(nextFace->nextFace);
  format = D3DFMT_UNKNOWN;
  pixels = nullptr;
  palette = nullptr;
  width = height = depth = 0;
  box = {};
  rowPitch = slicePitch = 0;
  ownsPixels = ownsPalette = false;
  resourceType = D3DRTYPE_TEXTURE;
  fileFormat = ImageFileKind::BMP;
}

std::uint8_t* DecodedImage::allocatePixels(std::size_t bytes) {
  auto* buffer = new (std::nothrow) std::uint8_t[bytes == 0 ? 1 : bytes];
  if (!buffer) return nullptr;
  if (ownsPixels) delete[] pixels;
  pixels = buffer;
  ownsPixels = true;
  return buffer;
}

PALETTEENTRY* DecodedImage::allocatePalette() {
  auto* buffer = new (std::nothrow) PALETTEENTRY[256];
  if (!buffer) return nullptr;
  if (ownsPalette) delete[] palette;
  palette = buffer;
  ownsPalette = true;
  return buffer;
}

namespace {

struct DecoderEntry {
  ImageFileKind kind;
  HRESULT (*decode)(DecodedImage&, ImageBytes);
};

// Strong signatures first; TGA has none and DIB is a bare header, so they come last.
constexpr std::array<DecoderEntry, 7> kDecoders{{
    {ImageFileKind::BMP, decodeBmp},
    {ImageFileKind::PPM, decodePpm},
    {ImageFileKind::DDS, decodeDds},
    {ImageFileKind::JPG, decodeJpeg},
    {ImageFileKind::PNG, decodePng},
    {ImageFileKind::TGA, decodeTga},
    {ImageFileKind::DIB, decodeDib},
}};

UINT levelCount(const DecodedImage& image) {
  UINT count = 1;
  for (const DecodedImage* level = image.nextLevel.get(); level; level = level->nextLevel.get()) ++count;
  return count;
}

void setWholeBoxes(DecodedImage& image) {
  for (DecodedImage* face = &image; face; face = face->nextFace.get()) {
    for (DecodedImage* level = face; level; level = level->nextLevel.get()) {
      level->box = {0, 0, level->width, level->height, 0, level->depth};
    }
  }
}

}  // namespace

HRESULT decodeImage(DecodedImage& image, const void* data, UINT size, ImageSummary* info, bool decodePixels) {
  if (!data || size == 0) return D3DERR_INVALIDCALL;
  if (!info && !decodePixels) return S_OK;

  ImageBytes bytes(static_cast<const std::uint8_t*>(data), size);
  bool decoded = false;
  for (const auto& decoder : kDecoders) {
    image.clear();
    image.resourceType = D3DRTYPE_TEXTURE;
    image.fileFormat = decoder.kind;
    image.decodePixels = decodePixels;
    if (decoder.decode(image, bytes) == S_OK) {
      decoded = true;
      break;
    }
  }
  if (!decoded) {
    image.clear();
    return ResultInvalidData;
  }

  if (info) {
    std::memset(info, 0, sizeof(*info));
    info->Width = image.width;
    info->Height = image.height;
    info->Depth = image.depth;
    info->MipLevels = levelCount(image);
    info->Format = toTextureFormat(image.format);
    info->ResourceType = image.resourceType;
    info->ImageFileKind = image.fileFormat;
  }
  setWholeBoxes(image);
  return S_OK;
}
