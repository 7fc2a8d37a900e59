// The per-pixel operations after shading, in the platform's order: alpha test, stencil and
// depth tests with their writes, fog, blending, the colour write mask, and the write into the
// render target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/d3d9/device_state.h"
#include "platform/d3d9/lane_packing.h"
#include "platform/d3d9/pipeline_types.h"
#include "platform/d3d9/pixel_block.h"
#include "platform/d3d9/surface.h"

namespace platform::d3d9 {

// A depth buffer of integers up to 24 bits: where the depth sits in each word and its largest
// value.
struct IntegerDepth {
  int bytes = 4;  // 2 or 4
  int bits = 24;
  int shift = 0;
  double maximum = 0;  // 2^bits - 1
};

class OutputMerger {
 public:
  // `fastPaths` false keeps every draw on the general merge (tests compare the two).
  void bind(const DeviceState& state, Surface* target, Surface* depthStencil, bool shaderFog, bool fastPaths = true);
  // Merges the covered, not killed lanes of a quad.
  void merge(const QuadInput& quad, const QuadOutput& shaded) { (this->*merge_)(quad, shaded); }
  // Whether the bound state is one of the common ones mergeBlocks handles.
  bool mergesBlocks() const { return mergeBlocks_ != nullptr; }
  // Merges the covered lanes of a batch's blocks in order (colours as shaded, depth from the
  // blocks).
  // `packing`, when given, says where each block's lanes sit in `color`.
  void mergeBlocks(const BlockBatch& batch, const BatchColor& color, const LanePacking* packing) {
    (this->*mergeBlocks_)(batch, color, packing);
  }

  // The components of the shaded colour the block merge reads (bit c: component c): alpha only
  // for the alpha test, blending, or a target that keeps it.
  std::uint8_t blockColorComponents() const {
    return alphaTest_ || blend_ || targetFormat_ != D3DFMT_X8R8G8B8 ? 0xF : 0x7;
  }
  // Whether each pixel that passes the depth test replaces its colour and depth whole, whatever
  // the target held: a common merge (every channel written, no fog or stencil) without alpha
  // test or blending, and with depth writes.
  bool paintsOver() const { return mergeBlocks_ != nullptr && !alphaTest_ && !blend_ && depthWrite_; }
  bool writesDepth() const { return depthWrite_; }
  unsigned depthPasses() const { return depthPasses_; }
  // The bound depth buffer's layout when it holds integers of up to 24 bits.
  std::optional<IntegerDepth> integerDepth() const {
    if (!depth_ || layout_.isFloat || layout_.depthBits > 24) return std::nullopt;
    return IntegerDepth{layout_.bytes, layout_.depthBits, layout_.depthShift, depthMaximum_};
  }

 private:
  using MergeFunction = void (OutputMerger::*)(const QuadInput&, const QuadOutput&);
  void mergeGeneral(const QuadInput& quad, const QuadOutput& shaded);
  // The specialised merge for the bound state, or null when it needs the general one.
  MergeFunction commonMerge() const;
  template <int DepthBytes, bool Blend>
  void mergeCommon(const QuadInput& quad, const QuadOutput& shaded);
  using BatchMergeFunction = void (OutputMerger::*)(const BlockBatch&, const BatchColor&, const LanePacking*);
  BatchMergeFunction commonBatchMerge() const;
  int commonDepthBytes() const;
  template <int DepthBytes, bool Blend>
  void mergeBlocksCommon(const BlockBatch& batch, const BatchColor& shaded, const LanePacking* packing);
  template <int DepthBytes, bool Blend>
  void mergeBlockCommon(int x, int y, unsigned lanes, BlockFloats z, const BlockColor& shaded);
  // The depth test and write of one pixel in the common states; false when it fails.
  template <int DepthBytes>
  bool commonDepthTest(int x, int y, float z);

  struct DepthLayout {
    int bytes = 0;
    int depthBits = 0;
    int depthShift = 0;
    int stencilBits = 0;
    bool isFloat = false;
  };
  bool depthStencilTest(int x, int y, float z, bool frontFacing);
  Vec4 readTarget(std::byte* pixel) const;
  void writeTarget(std::byte* pixel, const Vec4& color) const;
  Vec4 blend(const Vec4& source, const Vec4& destination) const;

  MergeFunction merge_ = &OutputMerger::mergeGeneral;
  BatchMergeFunction mergeBlocks_ = nullptr;
  bool allowFastPaths_ = true;
  const DeviceState* state_ = nullptr;
  PixelStore* target_ = nullptr;
  D3DFORMAT targetFormat_ = D3DFMT_UNKNOWN;
  bool fastTarget_ = false;
  bool targetHasAlpha_ = true;
  PixelStore* depth_ = nullptr;
  std::byte* depthBytes_ = nullptr;
  std::byte* targetBytes_ = nullptr;
  std::size_t targetPixelStep_ = 0;  // bytes per pixel; 0 for block formats
  DepthLayout layout_;
  bool depthTest_ = false, depthWrite_ = false, stencil_ = false, twoSided_ = false;
  DWORD depthFunc_ = D3DCMP_LESSEQUAL;
  unsigned depthPasses_ = 7;  // comparisonMask of depthFunc_
  DWORD depthBits_ = 0;       // the depth's bits in a depth-stencil word
  double depthMaximum_ = 0;   // the largest integer depth
  bool alphaTest_ = false;
  DWORD alphaFunc_ = D3DCMP_ALWAYS;
  unsigned alphaPasses_ = 7;  // comparisonMask of alphaFunc_
  DWORD alphaRef_ = 0;
  bool blend_ = false;
  bool separateAlpha_ = false;
  DWORD srcBlend_ = D3DBLEND_ONE, destBlend_ = D3DBLEND_ZERO, blendOp_ = D3DBLENDOP_ADD;
  DWORD srcBlendAlpha_ = D3DBLEND_ONE, destBlendAlpha_ = D3DBLEND_ZERO, blendOpAlpha_ = D3DBLENDOP_ADD;
  Vec4 blendFactor_{};
  DWORD writeMask_ = 0xF;
  bool fog_ = false;
  DWORD fogTable_ = D3DFOG_NONE;
  float fogStart_ = 0, fogEnd_ = 1, fogDensity_ = 1;
  Vec4 fogColor_{};
};

// Comparison of the platform's D3DCMPFUNC: new value against stored value.
bool compareValues(DWORD function, double incoming, double stored);
// A D3DCMPFUNC as the outcomes it passes: bit 0 less, bit 1 equal, bit 2 greater.
unsigned comparisonMask(DWORD function);

}  // namespace platform::d3d9
