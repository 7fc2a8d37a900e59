// One sampler bound for a draw: the texture's levels, format reader, filters and address
// modes, read from the sampler states once per draw. Sampling follows the platform's texel
// grid (texel i centred at (i + 0.5) / N) and its level-of-detail rules.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/device_limits.h"
#include "platform/d3d9/pixel_block.h"
#include "platform/d3d9/shader_machine.h"
#include "platform/d3d9/texel_formats.h"

namespace platform::d3d9 {

// Memory a sampler may keep texels in for one draw, kept by the device from draw to draw so
// that large copies do not cost fresh pages every time.
class TexelScratch {
 public:
  // At least `count` floats; the contents are whatever the last draw left.
  float* reserve(std::size_t count) {
    if (count > capacity_) {
      floats_ = std::make_unique_for_overwrite<float[]>(count);
      capacity_ = count;
    }
    return floats_.get();
  }

 private:
  std::unique_ptr<float[]> floats_;
  std::size_t capacity_ = 0;
};

class TextureSampler {
 public:
  // Binds `texture` (null, or a texture whose format cannot be read, leaves the sampler
  // unbound) with the sampler's states.
  void bind(IDirect3DBaseTexture9* texture, const std::array<DWORD, kSamplerStateSlots>& states);
  bool bound() const { return reader_ != nullptr; }
  D3DRESOURCETYPE type() const { return type_; }
  // The coordinate components sampling reads (bit c: component c): none without a texture, u
  // and v for a 2D texture, all four otherwise.
  std::uint8_t coordinatesRead() const { return !reader_ ? 0 : type_ == D3DRTYPE_TEXTURE ? 0x3 : 0xF; }

  // The level of detail (log2 of the texel footprint of one pixel, bias included) for
  // coordinate derivatives along screen x and y.
  float levelOfDetail(const Vec4& ddx, const Vec4& ddy) const;
  // One sample at a level of detail; an unbound sampler gives (0, 0, 0, 1).
  Vec4 sample(const Vec4& coordinates, float lod) const;
  // True when every level of detail gives the same sample: one filter for magnification and
  // minification and no mip filter.
  bool ignoresLevelOfDetail() const { return mipFilter_ == D3DTEXF_NONE && magFilter_ == minFilter_; }
  // True when a sample depends on its own coordinates only, not on a quad's derivatives.
  bool samplesAlone() const { return !bound() || ignoresLevelOfDetail(); }
  // True when every sample is a bilinear read of one 2D 32-bit ARGB level wrapped by mask; then
  // sampleWrappedBilinear gives what sample gives, faster.
  bool wrappedBilinear() const { return reader_ != nullptr && wrappedBilinear_; }
  Vec4 sampleWrappedBilinear(const Vec4& coordinates) const;
  void sampleWrappedBilinear(int lanes, const Vec4* coordinates, Vec4* results) const;
  // The same for `blocks` blocks of lanes: coordinates and results as rows of blocks; a null
  // result row is a channel not wanted.
  void sampleWrappedBilinear(int blocks, const BlockFloats* u, const BlockFloats* v,
                             const std::array<BlockFloats*, 4>& results) const;
  // For a draw expected to take at least twice as many samples as the wrapped bilinear level
  // has texels: keeps that level's channels as floats in `scratch` for the draw (which must
  // outlive it), so a tap is one load
  // instead of a table read per channel. The floats are the values the bytes give, so samples
  // keep their bits. Levels over a million texels are left as they are.
  void unpackForDraw(std::uint64_t expectedSamples, TexelScratch& scratch);

 private:
  struct Level {
    const std::byte* bytes = nullptr;
    int width = 0, height = 0, depth = 1;
    unsigned rowPitch = 0, slicePitch = 0;
  };
  Vec4 sampleLevel(const Vec4& coordinates, int level, DWORD filter) const;
  Vec4 wrappedBilinear(const Vec4& coordinates) const;
  Vec4 texel(const Level& level, int face, int x, int y, int z) const;
  int address(int index, int size, DWORD mode) const;
  Vec4 unpackArgb(const std::byte* row, int x) const;
  using Channels = Floats4;
  // One texel of the wrapped bilinear level as red, green, blue, alpha.
  Channels tap(const Level& level, int x, int y) const;
  static constexpr std::uint64_t kMaxUnpackedTexels = std::uint64_t{1} << 20;

  TexelReader reader_ = nullptr;
  bool packedArgb_ = false;  // A8R8G8B8 or X8R8G8B8: bilinear reads bypass the reader
  bool opaque_ = false;
  bool wrappedBilinear_ = false;
  D3DRESOURCETYPE type_ = D3DRTYPE_TEXTURE;
  int blockHeight_ = 1;
  int levelCount_ = 0;
  int faces_ = 1;
  std::vector<Level> levels_;        // face-major for cubes
  const float* unpacked_ = nullptr;  // see unpackForDraw: blue, green, red, alpha per texel, or null
  std::array<DWORD, 3> addressModes_{};
  Vec4 border_{};
  DWORD magFilter_ = D3DTEXF_POINT, minFilter_ = D3DTEXF_POINT, mipFilter_ = D3DTEXF_NONE;
  float lodBias_ = 0;
  int maxMipLevel_ = 0;
};

// The samplers of a draw behind the shader machine's sampling interface.
class SamplerSet final : public ShaderSampling {
 public:
  std::array<TextureSampler, 16>& pixel() { return pixel_; }
  std::array<TextureSampler, 4>& vertex() { return vertex_; }
  void useVertexSamplers(bool on) { vertexSide_ = on; }
  void sample(DWORD sampler, int lanes, const Vec4* coordinates, const Vec4& ddx, const Vec4& ddy, LodMode mode,
              const float* lod, Vec4* results) override;
  // The samples of `blocks` blocks of lanes, each quad taking its derivatives as
  // `sample` would (`mode` derivatives or bias, `lod` the bias per lane, or null for none).
  // Coordinates, biases and results are rows of blocks: component c of block b at [c][b]. A null
  // result row is a component not wanted.
  void sampleBlocks(DWORD sampler, int blocks, const std::array<const BlockFloats*, 4>& coordinates, LodMode mode,
                    const BlockFloats* lod, const std::array<BlockFloats*, 4>& results);

 private:
  std::array<TextureSampler, 16> pixel_;
  std::array<TextureSampler, 4> vertex_;
  bool vertexSide_ = false;
};

}  // namespace platform::d3d9
