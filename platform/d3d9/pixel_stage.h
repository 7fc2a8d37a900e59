// The pixel stage of a draw: the fixed-function texture stages or the bound pixel shader,
// bound once per draw and run on 2x2 quads.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "platform/d3d9/device_state.h"
#include "platform/d3d9/lane_packing.h"
#include "platform/d3d9/pipeline_types.h"
#include "platform/d3d9/pixel_block.h"
#include "platform/d3d9/quad_program.h"
#include "platform/d3d9/texture_sampler.h"
#include "platform/d3d9/vertex_stage.h"

namespace platform::d3d9 {

class PixelStage {
 public:
  // False when the bound pixel shader cannot run.
  bool bind(const DeviceState& state, SamplerSet* samplers, const VaryingMap& varyings);
  // Attribute slots the stage reads (bit per slot), so the rasteriser interpolates only those.
  std::uint32_t usedSlots() const { return usedSlots_; }
  bool writesDepth() const { return writesDepth_; }
  bool mayKill() const { return mayKill_; }
  void shade(const QuadInput& quad, QuadOutput* out);
  // After bind: whether the draw's pixels can be shaded in blocks with shadeBlocks (the
  // stage-0 texture-times-diffuse defaults, or a shader the quad program runs from the quad).
  // `whiteSlots`: the colour slots that are (1, 1, 1, 1) at every pixel; `colorComponents`: the
  // colour components the merge reads (the others are left as they come).
  bool prepareBlocks(std::uint32_t whiteSlots = 0, std::uint8_t colorComponents = 0xF);
  // After prepareBlocks: the attribute components shadeBlocks reads (within usedSlots).
  const BlockComponents& blockComponents() const { return blockComponents_; }
  // After prepareBlocks: whether each lane's colour depends on its own attributes alone (no
  // derivatives between lanes, no position or face), so that a block's lanes may come from
  // different triangles.
  bool lanesAlone() const { return packLanes_; }
  // oC0 (or the fixed stages' colour) of the lanes of a batch's blocks; the same bits shade
  // gives. Block by block, or, when the lanes were shaded packed, as the returned packing
  // (valid until the next call) places them.
  const LanePacking* shadeBlocks(const BlockBatch& batch, BatchColor* color);

 private:
  struct Stage {
    DWORD colorOp, alphaOp;
    std::array<DWORD, 3> colorArgs;  // arg1, arg2, arg0
    std::array<DWORD, 3> alphaArgs;
    DWORD result;
    int texCoordSlot;        // -1: none
    int projectedComponent;  // the component D3DTTFF_PROJECTED divides by, or -1
    Vec4 constant;
    bool textured;
    std::array<float, 6> bump;  // BUMPENVMAT00, 01, 10, 11, BUMPENVLSCALE, BUMPENVLOFFSET
  };
  void shadeFixed(const QuadInput& quad, QuadOutput* out);
  // `offsets`, when given, moves each lane's (u, v) before sampling (a bump map's deltas).
  void sampleStage(std::size_t stageIndex, const QuadInput& quad, std::array<Vec4, 4>* texels,
                   const std::array<Vec4, 4>* offsets = nullptr) const;
  void shadeShader(const QuadInput& quad, QuadOutput* out);
  void preparePacking(bool lanesAlone);

  const DeviceState* state_ = nullptr;
  SamplerSet* samplers_ = nullptr;
  std::uint32_t usedSlots_ = 0;
  bool writesDepth_ = false;
  bool mayKill_ = false;
  // Fixed function.
  std::vector<Stage> stages_;
  Vec4 textureFactor_{};
  bool specularAdd_ = false;
  bool textureTimesDiffuse_ = false;  // the stage-0 defaults with a texture: the fast path
  bool whiteDiffuse_ = false;         // for blocks: the diffuse colour is 1 everywhere
  // Shader.
  const ShaderProgram* program_ = nullptr;
  std::vector<Vec4> floats_;
  std::array<std::array<int, 4>, 16> integers_{};
  std::array<BOOL, 16> bools_{};
  std::array<std::array<float, 6>, 8> bump_{};
  ShaderConstants constants_;
  std::array<LaneRegisters, 4> lanes_{};
  std::array<int, 16> inputSlots_{};  // v# -> slot (-1 none)
  int tempCount_ = 0;
  int inputCount_ = 16;
  // Straight-line shaders run as a quad program; the others on the interpreter.
  QuadProgram quadProgram_;
  bool useQuadProgram_ = false;
  bool quadProgramFromQuad_ = false;
  BlockProgram blockProgram_;
  BlockComponents blockComponents_{};
  std::uint8_t colorComponents_ = 0xF;  // see prepareBlocks
  // Set when no lane's colour depends on another lane: the covered lanes are then packed into
  // `packed_` and shaded alone.
  bool packLanes_ = false;
  std::unique_ptr<BlockBatch> packed_;
  std::optional<LanePacking> packing_;
};

}  // namespace platform::d3d9
