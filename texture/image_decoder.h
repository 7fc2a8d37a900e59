// Decoding of image files held in memory (BMP, DIB, PPM, DDS, JPEG, PNG, TGA) into pixels in a
// Direct3D format, with the level and face chains of DDS files. The file type is recognised by
// content: the decoders are tried in a fixed order until one accepts the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/d3d9/d3d9_types.h"

enum class ImageFileKind : std::uint32_t {
  BMP = 0,
  JPG = 1,
  TGA = 2,
  PNG = 3,
  DDS = 4,
  PPM = 5,
  DIB = 6,
};

// One level of one face of a decoded image. Pixels and palette either point into the caller's
// file data (which must then outlive the image) or into buffers the image owns. Rows are stored
// top to bottom, left to right. Destroying an image frees its owned buffers and, recursively,
// its next level and next face.
struct DecodedImage {
  DecodedImage() = default;
  DecodedImage(const DecodedImage&) = delete;
  DecodedImage& operator=(const DecodedImage&) = delete;
  ~DecodedImage() { clear(); }

  // Frees whatever the image owns and returns every field but `decodePixels` to its default.
  void clear();
  // A new owned pixel buffer of `bytes` bytes (uninitialised), replacing any earlier one; null
  // when out of memory.
  std::uint8_t* allocatePixels(std::size_t bytes);
  // A new owned 256-entry palette, replacing any earlier one; null when out of memory.
  PALETTEENTRY* allocatePalette();

  D3DFORMAT format = D3DFMT_UNKNOWN;  // or D3DFMT_INTERNAL_AL16 / D3DFMT_INTERNAL_R16
  const std::uint8_t* pixels = nullptr;
  const PALETTEENTRY* palette = nullptr;  // 256 entries; peFlags is alpha
  UINT width = 0;
  UINT height = 0;
  UINT depth = 0;
  D3DBOX box{};
  UINT rowPitch = 0;
  UINT slicePitch = 0;  // 0 for 2D images; the level size in DDS files
  bool ownsPixels = false;
  bool ownsPalette = false;
  bool decodePixels = true;  // set by the caller: false asks for the header fields only
  D3DRESOURCETYPE resourceType = D3DRTYPE_TEXTURE;
  ImageFileKind fileFormat = ImageFileKind::BMP;
  std::unique_ptr<DecodedImage> nextLevel;  // next smaller mipmap level of the same face
  std::unique_ptr<DecodedImage> nextFace;   // next cube face, on the first level of a face only
};

// What a file holds, in texture terms. Format is the image format as a texture format (the
// internal wide formats show as D3DFMT_A8L8 and D3DFMT_R8G8B8).
struct ImageSummary {
  UINT Width;
  UINT Height;
  UINT Depth;
  UINT MipLevels;
  D3DFORMAT Format;
  D3DRESOURCETYPE ResourceType;
  ::ImageFileKind ImageFileKind;
};
static_assert(sizeof(ImageSummary) == 28);

// Decodes the file `data` of `size` bytes into `image`. Returns D3DERR_INVALIDCALL for null or
// empty data, ResultInvalidData (0x88760B59) when no decoder accepts the file, else S_OK.
// `info` (may be null) receives the summary. With `decodePixels` false only the header fields
// are filled; with neither info nor pixels wanted nothing is done.
HRESULT decodeImage(DecodedImage& image, const void* data, UINT size, ImageSummary* info, bool decodePixels);
