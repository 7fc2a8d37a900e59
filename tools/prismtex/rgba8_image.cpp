#include "tools/prismtex/rgba8_image.h"

#include "texture/pixel_converter.h"

namespace prismtex {

HRESULT decodedImageToRgba8(const DecodedImage& image, std::vector<std::uint8_t>& rgba) {
  if (!image.pixels || image.width == 0 || image.height == 0) return D3DERR_INVALIDCALL;
  std::vector<std::uint8_t> out(std::size_t{image.width} * image.height * 4);
  PixelBlock source{};
  source.pixels = const_cast<std::uint8_t*>(image.pixels);
  source.format = image.format;
  source.rowPitch = image.rowPitch;
  source.slicePitch = image.slicePitch;
  source.box = {image.box.Left, image.box.Top, image.box.Right, image.box.Bottom, image.box.Front, image.box.Front + 1};
  source.palette = image.palette;
  // A8B8G8R8 keeps red, green, blue and alpha in that byte order.
  PixelBlock destination{};
  destination.pixels = out.data();
  destination.format = D3DFMT_A8B8G8R8;
  destination.rowPitch = std::int64_t{4} * image.width;
  destination.box = {0, 0, image.width, image.height, 0, 1};
  HRESULT result = convertPixels(destination, source, RESAMPLE_NONE);
  if (SUCCEEDED(result)) rgba = std::move(out);
  return result;
}

}  // namespace prismtex
