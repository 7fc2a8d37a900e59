// The merge of the common draws, chosen once per bind: a 32-bit colour target written whole,
// no fog and no stencil, integer depth, and either no blending or source-alpha blending. For
// quads and for batches of pixel blocks. The lanes take exactly the IEEE operations of the general merge,
// channels or lanes side by side, so the pixels are bit for bit the same; switches on state
// become a comparison mask and template parameters.
#include <cstdint>
#include <cstring>

#include "platform/d3d9/block_surface.h"
#include "platform/d3d9/output_merger.h"
#include "platform/d3d9/raw_bits.h"

namespace platform::d3d9 {
namespace {

using Channels = Floats4;
using Words = Ints4;

[[gnu::always_inline]] inline bool passes(unsigned mask, DWORD incoming, DWORD stored) {
  unsigned outcome = incoming < stored ? 1u : incoming == stored ? 2u : 4u;
  return (mask & outcome) != 0;
}

}  // namespace

unsigned comparisonMask(DWORD function) {
  switch (function) {
    case D3DCMP_NEVER: return 0;
    case D3DCMP_LESS: return 1;
    case D3DCMP_EQUAL: return 2;
    case D3DCMP_LESSEQUAL: return 3;
    case D3DCMP_GREATER: return 4;
    case D3DCMP_NOTEQUAL: return 5;
    case D3DCMP_GREATEREQUAL: return 6;
    default: return 7;  // ALWAYS
  }
}

// The depth-buffer word size of the bound common state (0: no depth test), or -1 when the
// state needs the general merge.
int OutputMerger::commonDepthBytes() const {
  if (!allowFastPaths_ || !target_ || !fastTarget_ || targetPixelStep_ != 4 || writeMask_ != 0xF || fog_ || stencil_) {
    return -1;
  }
  if (depthTest_ && (layout_.isFloat || layout_.depthBits >= 32)) return -1;
  const bool sourceAlphaBlend = !separateAlpha_ && srcBlend_ == D3DBLEND_SRCALPHA &&
                                destBlend_ == D3DBLEND_INVSRCALPHA && blendOp_ == D3DBLENDOP_ADD;
  if (blend_ && !sourceAlphaBlend) return -1;
  return depthTest_ ? layout_.bytes : 0;
}

OutputMerger::MergeFunction OutputMerger::commonMerge() const {
  switch (commonDepthBytes()) {
    case 0: return blend_ ? &OutputMerger::mergeCommon<0, true> : &OutputMerger::mergeCommon<0, false>;
    case 2: return blend_ ? &OutputMerger::mergeCommon<2, true> : &OutputMerger::mergeCommon<2, false>;
    case 4: return blend_ ? &OutputMerger::mergeCommon<4, true> : &OutputMerger::mergeCommon<4, false>;
    default: return nullptr;
  }
}

OutputMerger::BatchMergeFunction OutputMerger::commonBatchMerge() const {
  switch (commonDepthBytes()) {
    case 0: return blend_ ? &OutputMerger::mergeBlocksCommon<0, true> : &OutputMerger::mergeBlocksCommon<0, false>;
    case 2: return blend_ ? &OutputMerger::mergeBlocksCommon<2, true> : &OutputMerger::mergeBlocksCommon<2, false>;
    case 4: return blend_ ? &OutputMerger::mergeBlocksCommon<4, true> : &OutputMerger::mergeBlocksCommon<4, false>;
    default: return nullptr;
  }
}

template <int DepthBytes>
[[gnu::always_inline]] inline bool OutputMerger::commonDepthTest(int x, int y, float z) {
  // A depth buffer smaller than the target leaves the pixels beyond it untested.
  if (static_cast<UINT>(x) >= depth_->width || static_cast<UINT>(y) >= depth_->height) return true;
  std::byte* at = depthBytes_ + std::size_t(y) * depth_->rowPitch + std::size_t(x) * DepthBytes;
  const DWORD word = readSurfaceWord<DepthBytes>(at);
  const float unit = z > 0.0f ? (z < 1.0f ? z : 1.0f) : 0.0f;
  const auto quantised = static_cast<DWORD>(static_cast<double>(unit) * depthMaximum_ + 0.5);
  if (!passes(depthPasses_, quantised, (word & depthBits_) >> layout_.depthShift)) return false;
  if (depthWrite_) {
    const DWORD updated = (word & ~depthBits_) | ((quantised << layout_.depthShift) & depthBits_);
    if (updated != word) writeSurfaceWord<DepthBytes>(at, updated);
  }
  return true;
}

template <int DepthBytes, bool Blend>
void OutputMerger::mergeCommon(const QuadInput& quad, const QuadOutput& shaded) {
  const DWORD keepAlpha = targetFormat_ == D3DFMT_X8R8G8B8 ? 0x00FFFFFFu : 0xFFFFFFFFu;
  for (unsigned lanes = quad.coverage & ~shaded.killed & 0xFu; lanes; lanes &= lanes - 1) {
    const auto l = static_cast<std::size_t>(__builtin_ctz(lanes));
    const int x = quad.x + static_cast<int>(l & 1), y = quad.y + static_cast<int>(l >> 1);
    const Vec4& shadedColor = shaded.color[l];
    Channels color = saturateLanes(Channels{shadedColor[0], shadedColor[1], shadedColor[2], shadedColor[3]});
    if (alphaTest_ && !passes(alphaPasses_, static_cast<DWORD>(color[3] * 255.0f + 0.5f), alphaRef_)) continue;
    if constexpr (DepthBytes != 0) {
      if (!commonDepthTest<DepthBytes>(x, y, shaded.depthWritten ? shaded.depth[l] : quad.z[l])) continue;
    }
    std::byte* pixel = targetBytes_ + std::size_t(y) * target_->rowPitch + std::size_t(x) * 4;
    if constexpr (Blend) {
      DWORD stored;
      std::memcpy(&stored, pixel, 4);
      Channels destination =
          Channels{static_cast<float>((stored >> 16) & 0xFF), static_cast<float>((stored >> 8) & 0xFF),
                   static_cast<float>(stored & 0xFF), static_cast<float>(stored >> 24)} /
          255.0f;
      if (!targetHasAlpha_) destination[3] = 1.0f;
      const Channels alpha = Channels{} + color[3];
      color = color * alpha + destination * (1.0f - alpha);
    }
    const Words bytes = __builtin_convertvector(saturateLanes(color) * 255.0f + 0.5f, Words);
    const DWORD word = (static_cast<DWORD>(bytes[3]) << 24 | static_cast<DWORD>(bytes[0]) << 16 |
                        static_cast<DWORD>(bytes[1]) << 8 | static_cast<DWORD>(bytes[2])) &
                       keepAlpha;
    std::memcpy(pixel, &word, 4);
  }
}

template <int DepthBytes, bool Blend>
void OutputMerger::mergeBlocksCommon(const BlockBatch& batch, const BatchColor& shaded, const LanePacking* packing) {
  for (std::size_t b = 0; b < static_cast<std::size_t>(batch.count); ++b) {
    BlockColor color;
    for (std::size_t c = 0; c < 4; ++c) {
      color[c] = packing ? unpackBlock(*packing, reinterpret_cast<const float*>(shaded[c].data()), b) : shaded[c][b];
    }
    mergeBlockCommon<DepthBytes, Blend>(batch.x[b], batch.y[b], batch.coverage[b], batch.z[b], color);
  }
}

template <int DepthBytes, bool Blend>
[[gnu::always_inline]] inline void OutputMerger::mergeBlockCommon(int x, int y, unsigned lanes, BlockFloats z,
                                                                  const BlockColor& shaded) {
  // The quad merge's operations, lane for lane, across the block's lanes.
  BlockColor color;
  for (std::size_t c = 0; c < 4; ++c) color[c] = saturateLanes(shaded[c]);
  if (alphaTest_) {
    const BlockInts alpha = __builtin_convertvector(color[3] * 255.0f + 0.5f, BlockInts);
    lanes &= passingLanes(alphaPasses_, alpha, BlockInts{} + static_cast<std::int32_t>(alphaRef_));
  }
  if (!lanes) return;
  if constexpr (DepthBytes != 0) {
    // Pixels beyond a depth buffer smaller than the target pass untested.
    const unsigned inDepth = lanesInside(x, y, static_cast<int>(depth_->width), static_cast<int>(depth_->height));
    const unsigned tested = lanes & inDepth;
    BlockPixels<DepthBytes> depth(depthBytes_ + std::size_t(y) * depth_->rowPitch + std::size_t(x) * DepthBytes,
                                  depth_->rowPitch, inDepth == kAllBlockLanes);
    const BlockWords words = reinterpret_cast<BlockWords>(depth.load(tested));
    const BlockInts quantised = depthIntegers(saturateLanes(z), depthMaximum_);
    const BlockInts stored = reinterpret_cast<BlockInts>((words & depthBits_) >> layout_.depthShift);
    const unsigned passing = passingLanes(depthPasses_, quantised, stored) & tested;
    lanes &= passing | ~tested;
    if (depthWrite_ && passing) {
      const BlockWords updated =
          (words & ~depthBits_) | ((reinterpret_cast<BlockWords>(quantised) << layout_.depthShift) & depthBits_);
      depth.store(passing, reinterpret_cast<BlockInts>(updated));
    }
    if (!lanes) return;
  }
  const bool insideTarget =
      static_cast<UINT>(x + kBlockWidth) <= target_->width && static_cast<UINT>(y + kBlockHeight) <= target_->height;
  BlockPixels<4> pixels(targetBytes_ + std::size_t(y) * target_->rowPitch + std::size_t(x) * 4, target_->rowPitch,
                        insideTarget);
  if constexpr (Blend) {
    const BlockWords stored = reinterpret_cast<BlockWords>(pixels.load(lanes));
    const BlockInts channels[4] = {
        reinterpret_cast<BlockInts>((stored >> 16) & 0xFF), reinterpret_cast<BlockInts>((stored >> 8) & 0xFF),
        reinterpret_cast<BlockInts>(stored & 0xFF), reinterpret_cast<BlockInts>(stored >> 24)};
    const BlockFloats alpha = color[3], inverse = 1.0f - alpha;
    for (std::size_t c = 0; c < 4; ++c) {
      BlockFloats d = __builtin_convertvector(channels[c], BlockFloats) / 255.0f;
      if (c == 3 && !targetHasAlpha_) d = BlockFloats{} + 1.0f;
      color[c] = color[c] * alpha + d * inverse;
    }
  }
  // Colours were saturated on the way in; only a blend can take them past 1 again. An
  // X8R8G8B8 target stores 0 in the alpha byte.
  auto byteOf = [](BlockFloats channel) {
    if constexpr (Blend) channel = saturateLanes(channel);
    return reinterpret_cast<BlockWords>(__builtin_convertvector(channel * 255.0f + 0.5f, BlockInts));
  };
  BlockWords words = byteOf(color[0]) << 16 | byteOf(color[1]) << 8 | byteOf(color[2]);
  if (targetFormat_ != D3DFMT_X8R8G8B8) words |= byteOf(color[3]) << 24;
  pixels.store(lanes, reinterpret_cast<BlockInts>(words));
}

}  // namespace platform::d3d9
