// The vertex stage of a draw: fixed-function transform or the bound vertex shader, bound once
// per draw, then run per vertex into clip-space vertices with attributes in their slots.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "platform/d3d9/device_state.h"
#include "platform/d3d9/fixed_lighting.h"
#include "platform/d3d9/pipeline_types.h"
#include "platform/d3d9/quad_program.h"
#include "platform/d3d9/texture_sampler.h"
#include "platform/d3d9/vertex_input.h"

namespace platform::d3d9 {

// The (usage, index) pairs of the extra attribute slots a vs_3_0 shader writes, so that a
// ps_3_0 shader reading the same semantics finds them.
struct VaryingMap {
  std::array<std::pair<DWORD, DWORD>, kVaryingSlots - kFirstExtraSlot> extras{};
  int extraCount = 0;
  // The slot of a semantic; -1 when it has none. `assign` adds new extras.
  int slotOf(DWORD usage, DWORD usageIndex, bool assign);
};

class VertexStage {
 public:
  // Binds the stage to the device state and the streams the draw reads. False when the
  // bound vertex shader cannot run (the draw is refused). `fastPaths` off keeps a shader on the
  // general interpreter.
  bool bind(const DeviceState& state, const std::array<StreamView, kStreamCount>& streams, SamplerSet* samplers,
            bool fastPaths = true);
  bool pretransformed() const { return pretransformed_; }
  const VaryingMap& varyings() const { return varyingMap_; }
  // The user clip planes (bit per plane) whose distances the processed vertices carry.
  DWORD userClipPlanes() const { return userPlanes_; }
  // The colour slots (bit per slot) every processed vertex gives as (1, 1, 1, 1): the
  // fixed-function defaults of colours the vertices lack, when no lighting replaces them.
  std::uint32_t whiteSlots() const;
  void process(UINT index, ShadedVertex* out);
  // The same for up to lanesAtOnce() vertices at once: a vertex shader runs them side by side.
  void process(const UINT* indices, ShadedVertex* const* outs, int count);
  int lanesAtOnce() const { return laneProgram_ ? kBatchLanes : kMaxLanes; }
  // Lets go of what processing needs once the draw's vertices are all processed.
  void finishProcessing() {
    laneProgram_.reset();
    laneOutputs_ = {};
  }

 private:
  void processFixed(UINT index, ShadedVertex* out);
  void processShader(const UINT* indices, ShadedVertex* const* outs, int count);
  void processLanes(const UINT* indices, ShadedVertex* const* outs, int count);
  // A shader's outputs into the vertex: output(type, number) gives an output register.
  template <typename Output>
  void shadedFromOutputs(const Output& output, ShadedVertex* out) const;
  // The fixed-function vertex fog factor of an object-space position (1 when off).
  float vertexFog(const Vec4& position) const;
  // Distances of a position to the enabled user clip planes, into the vertex.
  void userClipDistances(const Vec4& position, ShadedVertex* out) const;
  // The screen size of a point of `size` camera-space units at a camera-space position.
  float scaledPointSize(float size, const Vec4& viewPosition) const;
  void texturesOf(const Vec4* in, const Vec4& viewPosition, const Vec4& normal, ShadedVertex* out) const;

  const DeviceState* state_ = nullptr;
  VertexInput input_;
  bool pretransformed_ = false;
  bool hasDiffuse_ = false;
  bool hasSpecular_ = false;
  bool hasPointSize_ = false;
  bool lightingOn_ = false;
  FixedLighting lighting_;
  DWORD userPlanes_ = 0;
  float pointSizeState_ = 1.0f;
  bool pointScale_ = false;
  float pointScaleA_ = 1, pointScaleB_ = 0, pointScaleC_ = 0, viewportHeight_ = 0;
  bool writesPointSize_ = false;
  std::array<int, 8> setComponents_{};  // components of each texture coordinate set
  std::array<float, 16> world_{};
  std::array<float, 16> normalMatrix_{};  // camera-space normals for lighting
  std::array<float, 16> worldViewProjection_{};
  std::array<float, 16> worldView_{};
  // Shader path.
  const ShaderProgram* program_ = nullptr;
  std::vector<Vec4> floats_;
  std::array<std::array<int, 4>, 16> integers_{};
  std::array<BOOL, 16> bools_{};
  ShaderConstants constants_;
  std::array<LaneRegisters, kMaxLanes> lanes_;
  // The shader compiled to run many vertices side by side, when it is straight-line code, and
  // the rows of its output registers (null where it does not write them): oPos, oFog and oPts
  // first, then oD0 and oD1, then the texture coordinates or 3.0's outputs.
  std::unique_ptr<LaneProgram<kBatchLanes>> laneProgram_;
  std::array<std::array<const float*, 4>, 3 + 2 + 12> laneOutputs_{};
  static std::size_t laneOutputIndex(DWORD type, DWORD number) {
    return type == D3DSPR_RASTOUT ? number : type == D3DSPR_ATTROUT ? 3 + number : 5 + number;
  }
  VaryingMap varyingMap_;
  std::array<int, 12> outputSlots_{};  // vs_3_0 o# -> slot, -2 position, -3 point size, -1 none
};

}  // namespace platform::d3d9
