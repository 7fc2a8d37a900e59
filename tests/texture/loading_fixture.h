// A software device for texture loading tests, and small writers and readers of test images
// and texture levels.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/d3d9/com_ptr.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/display_system.h"
#include "tests/texture/image_file_builders.h"
#include "texture/texture_loader.h"

namespace loading_test {

using platform::d3d9::ComPtr;
using test_images::Bytes;

// A top-down TGA of 32-bit (alpha) or 24-bit pixels given as 0xAARRGGBB.
Bytes tgaImage(std::uint16_t width, std::uint16_t height, const std::vector<std::uint32_t>& argb, bool alpha);
// A colour-mapped TGA with 256 entries (0xAARRGGBB; 32-bit entries when `alpha`) and 8-bit indices.
Bytes colourMappedTga(std::uint16_t width, std::uint16_t height, const std::vector<std::uint32_t>& map,
                      const Bytes& indices, bool alpha);
// A DDS file of A8R8G8B8 pixels: `levels` levels of each of `faces` faces (6 for a cube) or of a
// volume of `depth` slices; every pixel of level l of face f is `pixel(f, l)`.
Bytes ddsImage(std::uint32_t width, std::uint32_t height, std::uint32_t depth, std::uint32_t levels,
               std::uint32_t faces, std::uint32_t (*pixel)(std::uint32_t face, std::uint32_t level));

// Level `level` (face `face` of a cube) of a lockable texture as 32-bit pixels, rows top down.
std::vector<std::uint32_t> levelPixels(IDirect3DBaseTexture9* texture, UINT level, UINT face = 0);
// Reads a level of a default-pool render-target texture back through GetRenderTargetData.
std::vector<std::uint32_t> renderTargetPixels(IDirect3DDevice9* device, IDirect3DTexture9* texture, UINT level);

class LoadingTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Builds a texture of `file` with the request; the result code, and the texture in `texture`.
  HRESULT build(const Bytes& file, const TextureRequest& request, ComPtr<IDirect3DBaseTexture9>* texture,
                ImageSummary* info = nullptr, PALETTEENTRY* palette = nullptr);

  ComPtr<IDirect3D9> direct3D;
  ComPtr<IDirect3DDevice9> device;
};

}  // namespace loading_test
