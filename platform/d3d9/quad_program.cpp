#include "platform/d3d9/quad_program.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>
#include <type_traits>
#include <utility>

#include "platform/d3d9/shader_arithmetic.h"
#include "platform/d3d9/texture_sampler.h"

namespace platform::d3d9 {
namespace {

using shader_arithmetic::floorExact;
using shader_arithmetic::logarithm;
using shader_arithmetic::reciprocal;
using shader_arithmetic::reciprocalRoot;
using shader_arithmetic::saturate;

constexpr int kFirstComponent[1] = {0};

// Which components of the sources a step reads.
QuadProgramShape shapeOf(DWORD opcode) {
  switch (opcode) {
    case D3DSIO_MOV:
    case D3DSIO_ADD:
    case D3DSIO_SUB:
    case D3DSIO_MUL:
    case D3DSIO_MAD:
    case D3DSIO_MIN:
    case D3DSIO_MAX:
    case D3DSIO_FRC:
    case D3DSIO_ABS:
    case D3DSIO_LRP:
    case D3DSIO_CMP: return QuadProgramShape::componentwise;
    case D3DSIO_RCP:
    case D3DSIO_RSQ:
    case D3DSIO_EXP:
    case D3DSIO_LOG:
    case D3DSIO_POW: return QuadProgramShape::scalar;
    default: return QuadProgramShape::whole;
  }
}

bool supported(DWORD opcode) {
  switch (opcode) {
    case D3DSIO_NOP:
    case D3DSIO_MOV:
    case D3DSIO_ADD:
    case D3DSIO_SUB:
    case D3DSIO_MAD:
    case D3DSIO_MUL:
    case D3DSIO_RCP:
    case D3DSIO_RSQ:
    case D3DSIO_DP3:
    case D3DSIO_DP4:
    case D3DSIO_MIN:
    case D3DSIO_MAX:
    case D3DSIO_EXP:
    case D3DSIO_LOG:
    case D3DSIO_FRC:
    case D3DSIO_LRP:
    case D3DSIO_CMP:
    case D3DSIO_ABS:
    case D3DSIO_POW:
    case D3DSIO_NRM:
    case D3DSIO_DP2ADD:
    case D3DSIO_TEX: return true;
    default: return false;
  }
}

}  // namespace

template <int Lanes>
int LaneProgram<Lanes>::outputSlot(DWORD type, DWORD number) const {
  // oT0-oT7, or 3.0's o0-o7, in the t# slots; oPos, oFog and oPts, or 3.0's o8-o11, in the oC#
  // slots; oD0 and oD1 in vPos's and vFace's.
  switch (type) {
    case D3DSPR_RASTOUT: return major_ < 3 && number < 3 ? kColors + static_cast<int>(number) : -1;
    case D3DSPR_ATTROUT: return major_ < 3 && number < 2 ? kMisc + static_cast<int>(number) : -1;
    case D3DSPR_TEXCRDOUT:
      if (major_ < 3) return number < 8 ? kTextures + static_cast<int>(number) : -1;
      return number < 8    ? kTextures + static_cast<int>(number)
             : number < 12 ? kColors + static_cast<int>(number) - 8
                           : -1;
    default: return -1;
  }
}

template <int Lanes>
bool LaneProgram<Lanes>::slotOf(const ShaderOperand& operand, bool destination, std::uint16_t* slot) {
  if (operand.relative) return false;
  DWORD n = operand.number;
  if (vertex_ && operand.type != D3DSPR_TEMP && operand.type != D3DSPR_INPUT && operand.type != D3DSPR_CONST) {
    const int output = destination ? outputSlot(operand.type, n) : -1;
    if (output < 0) return false;
    *slot = static_cast<std::uint16_t>(output);
    return true;
  }
  switch (operand.type) {
    case D3DSPR_TEMP:
      if (n >= 32) return false;
      tempCount_ = std::max(tempCount_, static_cast<int>(n) + 1);
      *slot = static_cast<std::uint16_t>(kTemps + n);
      return true;
    case D3DSPR_COLOROUT:
      if (!destination || n >= 4) return false;
      colorCount_ = std::max(colorCount_, static_cast<int>(n) + 1);
      *slot = static_cast<std::uint16_t>(kColors + n);
      return true;
    case D3DSPR_INPUT:
      if (destination || n >= 16) return false;
      inputCount_ = std::max(inputCount_, static_cast<int>(n) + 1);
      *slot = static_cast<std::uint16_t>(kInputs + n);
      return true;
    case D3DSPR_TEXTURE:
      if (destination || n >= 8) return false;
      textureCount_ = std::max(textureCount_, static_cast<int>(n) + 1);
      *slot = static_cast<std::uint16_t>(kTextures + n);
      return true;
    case D3DSPR_MISCTYPE:
      if (destination || n >= 2) return false;
      *slot = static_cast<std::uint16_t>(kMisc + n);
      return true;
    case D3DSPR_CONST: {
      if (destination) return false;
      auto found = std::find(constantIndices_.begin(), constantIndices_.end(), n);
      if (found == constantIndices_.end()) {
        constantIndices_.push_back(static_cast<std::uint16_t>(n));
        found = constantIndices_.end() - 1;
      }
      *slot = static_cast<std::uint16_t>(kConstants + (found - constantIndices_.begin()));
      return true;
    }
    default: return false;
  }
}

template <int Lanes>
bool LaneProgram<Lanes>::compile(const ShaderProgram& program, const Vec4* constants, std::uint32_t constantCount,
                                 const SamplerCoordinates& samplerCoordinates, std::uint8_t colorComponents) {
  samplerCoordinates_ = samplerCoordinates;
  colorComponents_ = colorComponents;
  samplersRead_ = 0;
  steps_.clear();
  constantIndices_.clear();
  inputCount_ = 0;
  textureCount_ = 0;
  colorCount_ = 1;
  tempCount_ = 0;
  vertex_ = !program.pixel;
  major_ = static_cast<int>(program.major);
  outputsWritten_ = {};
  // Vertices run only in batches (runVertices); pixel shaders from 2.0 on.
  if (vertex_ ? Lanes != kBatchLanes : program.major < 2) return false;
  for (const ShaderInstruction& in : program.code) {
    if (!supported(in.opcode) || in.predicated || !in.hasDestination) return false;
    if (in.opcode == D3DSIO_NOP) continue;
    Step step;
    step.opcode = in.opcode;
    if (!slotOf(in.destination, true, &step.destination)) return false;
    if (in.destination.shift != 0) return false;
    step.mask = in.destination.mask;
    if (step.destination >= kOutputs && step.destination < kConstants) {
      outputsWritten_[static_cast<std::size_t>(step.destination - kOutputs)] |= static_cast<std::uint8_t>(step.mask);
    }
    step.shape = shapeOf(in.opcode);
    for (int c = 0; c < 4; ++c) {
      if (step.mask & (1u << c)) step.components[step.componentCount++] = c;
    }
    step.saturate = in.destination.saturate;
    if (in.opcode == D3DSIO_TEX) {
      if (vertex_) return false;
      if (in.sourceCount != 2 || in.sources[1].type != D3DSPR_SAMPLER) return false;
      step.sampler = in.sources[1].number;
      if (step.sampler >= 16) return false;
      samplersRead_ |= static_cast<std::uint16_t>(1u << step.sampler);
      for (int c = 0; c < 4; ++c) step.samplerSwizzle[c] = in.sources[1].swizzle[static_cast<std::size_t>(c)];
      step.controls = in.controls;
      step.sourceCount = 1;
    } else {
      if (in.sourceCount > 3) return false;
      step.sourceCount = in.sourceCount;
    }
    for (int i = 0; i < step.sourceCount; ++i) {
      const ShaderOperand& s = in.sources[static_cast<std::size_t>(i)];
      if (s.modifier != 0 && s.modifier != 1 && s.modifier != 11 && s.modifier != 12) return false;
      Source& source = step.sources[i];
      if (!slotOf(s, false, &source.slot)) return false;
      for (int c = 0; c < 4; ++c) source.swizzle[c] = s.swizzle[static_cast<std::size_t>(c)];
      source.modifier = s.modifier;
    }
    // Assemblers write sub as add with the second source negated; as a subtraction (the same
    // operation in IEEE arithmetic) it runs directly.
    if (step.opcode == D3DSIO_ADD && step.sources[0].modifier + step.sources[1].modifier == 1) {
      if (step.sources[0].modifier == 1) std::swap(step.sources[0], step.sources[1]);
      step.sources[1].modifier = 0;
      step.opcode = D3DSIO_SUB;
    }
    // Steps whose components may each be computed and stored in turn (no component reads a
    // destination row an earlier one wrote) and whose sources carry no modifier run directly;
    // a scalar step reads the first component of its source for every component it writes.
    auto readComponent = [&step](const Source& source, int c) {
      return source.swizzle[step.shape == Shape::scalar ? 0 : c];
    };
    bool direct = step.shape != Shape::whole;
    for (int i = 0; i < step.sourceCount; ++i) direct = direct && step.sources[i].modifier == 0;
    for (int k = 0; k < step.componentCount && direct; ++k) {
      for (int i = 0; i < step.sourceCount; ++i) {
        const Source& source = step.sources[i];
        if (source.slot != step.destination) continue;
        for (int earlier = 0; earlier < k; ++earlier) {
          if (readComponent(source, step.components[k]) == step.components[earlier]) direct = false;
        }
      }
    }
    if (direct) step.direct = directFor(step.opcode, step.saturate);
    if (step.opcode == D3DSIO_TEX) {
      bool identity = true;
      for (int c = 0; c < 4; ++c) identity = identity && step.samplerSwizzle[c] == c;
      step.sampleInPlace = identity && step.controls == 0 && step.mask == 0xF && !step.saturate &&
                           step.sources[0].modifier == 0 && step.sources[0].slot != step.destination;
    }
    steps_.push_back(step);
  }
  findRegistersToClear();
  findLiveInputs();
  const std::vector<Step> folded = resolveRows();
  // The API constants, then the slots of the steps worked out here once.
  constexpr std::size_t kFloatsPerVector = sizeof(RegisterVector) / sizeof(float);
  registers_.assign((kConstants + constantIndices_.size() + folded.size()) * kSlotFloats / kFloatsPerVector,
                    RegisterVector{});
  for (std::size_t i = 0; i < constantIndices_.size(); ++i) {
    Vec4 value = constantIndices_[i] < constantCount ? constants[constantIndices_[i]] : Vec4{0, 0, 0, 0};
    float* rows = registerFloats() + (kConstants + i) * kSlotFloats;
    for (int c = 0; c < 4; ++c) {
      for (int l = 0; l < Lanes; ++l) rows[c * Lanes + l] = value[static_cast<std::size_t>(c)];
    }
  }
  for (const Step& step : folded) step.direct(registerFloats(), step, Lanes);
  return true;
}

template <int Lanes>
unsigned LaneProgram<Lanes>::componentsRead(const Step& step, const Source& source, unsigned written) const {
  unsigned read = 0;
  if (step.shape == Shape::componentwise) {
    for (; written; written &= written - 1) read |= 1u << source.swizzle[__builtin_ctz(written)];
  } else if (step.shape == Shape::scalar) {
    read = 1u << source.swizzle[0];
  } else {
    // texld reads the coordinates its texture needs, and w when projecting or biasing.
    unsigned used = 0xF;
    if (step.opcode == D3DSIO_TEX) {
      used = step.sampler < samplerCoordinates_.size() ? samplerCoordinates_[step.sampler] : 0xF;
      if (step.controls != 0) used |= 0x8;
    }
    for (; used; used &= used - 1) read |= 1u << source.swizzle[__builtin_ctz(used)];
  }
  return read;
}

template <int Lanes>
void LaneProgram<Lanes>::findRegistersToClear() {
  // Temporaries and colour outputs start each run at zero, as the interpreter's lanes do; only
  // the components a run could read before writing them need clearing.
  std::array<std::uint8_t, kConstants> written{}, readFirst{};
  for (const Step& step : steps_) {
    for (int i = 0; i < step.sourceCount; ++i) {
      const Source& source = step.sources[i];
      if (source.slot >= kInputs) continue;  // only temporaries are both read and written
      readFirst[source.slot] |= componentsRead(step, source, step.mask) & ~written[source.slot];
    }
    written[step.destination] |= step.mask;
  }
  clearRows_.clear();
  auto clear = [this](int slot, unsigned components) {
    for (; components; components &= components - 1) clearRows_.push_back(homeRow(slot, __builtin_ctz(components)));
  };
  for (int slot = kTemps; slot < kTemps + tempCount_; ++slot) clear(slot, readFirst[static_cast<std::size_t>(slot)]);
  // The colour outputs up to the last one written are read after the run; a vertex shader's
  // outputs are read back only where written.
  for (int slot = kColors; slot < kColors + colorCount_ && !vertex_; ++slot) {
    clear(slot, ~written[static_cast<std::size_t>(slot)] & 0xFu);
  }
}

template <int Lanes>
void LaneProgram<Lanes>::findLiveInputs() {
  // Backwards from the colour outputs: a step whose written components are live makes the
  // source components it reads for them live; what it writes is dead before it.
  entryLive_ = {};
  if (vertex_) {
    for (int slot = kOutputs; slot < kConstants; ++slot) entryLive_[static_cast<std::size_t>(slot)] = 0xF;
  } else {
    for (int slot = kColors; slot < kColors + 4; ++slot) entryLive_[static_cast<std::size_t>(slot)] = 0xF;
    entryLive_[kColors] = colorComponents_;
  }
  for (auto step = steps_.rbegin(); step != steps_.rend(); ++step) {
    const unsigned written = entryLive_[step->destination] & step->mask;
    step->live = static_cast<std::uint8_t>(written);
    entryLive_[step->destination] &= static_cast<std::uint8_t>(~step->mask);
    if (!written) continue;
    for (int i = 0; i < step->sourceCount; ++i) {
      const Source& source = step->sources[i];
      if (source.slot >= kConstants) continue;
      entryLive_[source.slot] |= static_cast<std::uint8_t>(componentsRead(*step, source, written));
    }
  }
}

template <int Lanes>
bool LaneProgram<Lanes>::copyCanShare(std::size_t copy, int component, std::uint32_t row) const {
  // Inputs and constants are never written during a run; other rows are written only by
  // their own register, so the sharing holds if that register's component is not written
  // again before the copy's destination component is.
  const int owner = static_cast<int>(row / kSlotFloats), ownerComponent = static_cast<int>(row % kSlotFloats) / Lanes;
  if (readOnly(owner)) return true;
  const Step& step = steps_[copy];
  for (std::size_t j = copy + 1; j < steps_.size(); ++j) {
    const Step& later = steps_[j];
    if (later.destination == owner && (later.mask >> ownerComponent) & 1) return false;
    if (later.destination == step.destination && (later.mask >> component) & 1) return true;
  }
  return true;
}

template <int Lanes>
auto LaneProgram<Lanes>::resolveRows() -> std::vector<Step> {
  // Each register component's current row: its own, until a shared copy points it elsewhere.
  std::vector<std::array<std::uint32_t, 4>> current(kConstants + constantIndices_.size());
  for (std::size_t slot = 0; slot < current.size(); ++slot) {
    for (int c = 0; c < 4; ++c) current[slot][static_cast<std::size_t>(c)] = homeRow(static_cast<int>(slot), c);
  }
  std::vector<Step> kept, folded;
  kept.reserve(steps_.size());
  for (std::size_t i = 0; i < steps_.size(); ++i) {
    Step step = steps_[i];
    for (int s = 0; s < step.sourceCount; ++s) {
      Source& source = step.sources[s];
      for (int c = 0; c < 4; ++c) source.rows[c] = current[source.slot][source.swizzle[c]];
    }
    auto& destination = current[step.destination];
    const bool plainCopy = step.opcode == D3DSIO_MOV && !step.saturate && step.sources[0].modifier == 0;
    bool shared = plainCopy;
    for (int k = 0; k < step.componentCount && shared; ++k) {
      const int c = step.components[k];
      shared = copyCanShare(i, c, step.sources[0].rows[c]);
    }
    if (shared) {
      for (int k = 0; k < step.componentCount; ++k) {
        const int c = step.components[k];
        destination[static_cast<std::size_t>(c)] = step.sources[0].rows[c];
      }
      continue;
    }
    // A scalar step reads the first component of each source for every component it writes.
    // A direct step that reads constants only is worked out once, into a slot of its own after
    // the constants, which its destination then reads.
    bool constant = step.direct != nullptr;
    for (int k = 0; k < step.componentCount && step.direct; ++k) {
      const int c = step.components[k];
      for (int s = 0; s < step.sourceCount; ++s) {
        step.rows[k][s + 1] = step.sources[s].rows[step.shape == Shape::scalar ? 0 : c];
        constant = constant && step.rows[k][s + 1] >= homeRow(kConstants, 0);
      }
    }
    const int slot =
        constant ? kConstants + static_cast<int>(constantIndices_.size() + folded.size()) : step.destination;
    for (int k = 0; k < step.componentCount; ++k) {
      const int c = step.components[k];
      step.rows[k][0] = homeRow(slot, c);
      destination[static_cast<std::size_t>(c)] = homeRow(slot, c);
    }
    (constant ? folded : kept).push_back(step);
  }
  steps_ = std::move(kept);
  for (std::size_t o = 0; o < kOutputSlots; ++o) outputRows_[o] = current[static_cast<std::size_t>(kOutputs) + o];
  return folded;
}

template <int Lanes>
void LaneProgram<Lanes>::run(LaneRegisters* lanes, ShaderSampling* sampling) requires(Lanes == 4) {
  float* base = registerFloats();
  auto fill = [base](int slot, const Vec4& value, int lane) {
    for (int c = 0; c < 4; ++c) base[slot * kSlotFloats + c * Lanes + lane] = value[static_cast<std::size_t>(c)];
  };
  for (int l = 0; l < 4; ++l) {
    const LaneRegisters& lane = lanes[l];
    for (int v = 0; v < inputCount_; ++v) fill(kInputs + v, lane.v[static_cast<std::size_t>(v)], l);
    for (int t = 0; t < textureCount_; ++t) fill(kTextures + t, lane.t[static_cast<std::size_t>(t)], l);
    fill(kMisc, lane.misc[0], l);
    fill(kMisc + 1, lane.misc[1], l);
  }
  execute(sampling, Lanes);
  for (int l = 0; l < 4; ++l) {
    for (int o = 0; o < colorCount_; ++o) {
      lanes[l].colorOut[static_cast<std::size_t>(o)] = outputOfLane(o, l);
    }
  }
}

template <int Lanes>
void LaneProgram<Lanes>::runQuad(const QuadInput& quad, const int* inputSlots, bool clampColors,
                                 ShaderSampling* sampling, std::array<Vec4, 4>* colors) requires(Lanes == 4) {
  float* base = registerFloats();
  for (int v = 0; v < inputCount_; ++v) {
    float* r = base + (kInputs + v) * 16;
    const int slot = inputSlots[v];
    for (int l = 0; l < 4; ++l) {
      const Vec4 value =
          slot >= 0 ? quad.varyings[static_cast<std::size_t>(slot)][static_cast<std::size_t>(l)] : Vec4{0, 0, 0, 1};
      for (int c = 0; c < 4; ++c) {
        float x = value[static_cast<std::size_t>(c)];
        r[c * 4 + l] = clampColors && v < 2 ? saturate(x) : x;
      }
    }
  }
  for (int t = 0; t < textureCount_; ++t) {
    float* r = base + (kTextures + t) * 16;
    const auto& lanes = quad.varyings[static_cast<std::size_t>(kTexCoordSlot + t)];
    for (int l = 0; l < 4; ++l) {
      for (int c = 0; c < 4; ++c) r[c * 4 + l] = lanes[static_cast<std::size_t>(l)][static_cast<std::size_t>(c)];
    }
  }
  float* position = base + kMisc * 16;
  float* face = base + (kMisc + 1) * 16;
  for (int l = 0; l < 4; ++l) {
    position[l] = static_cast<float>(quad.x + (l & 1));
    position[4 + l] = static_cast<float>(quad.y + (l >> 1));
    position[8 + l] = position[12 + l] = 0.0f;
    face[l] = quad.frontFacing ? 1.0f : -1.0f;
    face[4 + l] = face[8 + l] = face[12 + l] = 0.0f;
  }
  execute(sampling, Lanes);
  for (int l = 0; l < 4; ++l) (*colors)[static_cast<std::size_t>(l)] = outputOfLane(0, l);
}

template <int Lanes>
void LaneProgram<Lanes>::runBatch(const BlockBatch& batch, const int* inputSlots, bool clampColors,
                                  SamplerSet* sampling, BatchColor* color) requires(Lanes == kBatchLanes) {
  const auto blocks = static_cast<std::size_t>(batch.count);
  const int lanes = batch.count * kBlockLanes;
  // Only the components that can reach a colour are filled; the rest are never read for one.
  auto live = [this](int slot, int c) { return (entryLive_[static_cast<std::size_t>(slot)] >> c) & 1; };
  const BlockFloats zero = {}, one = zero + 1.0f;
  for (int v = 0; v < inputCount_; ++v) {
    const int slot = inputSlots[v];
    for (int c = 0; c < 4; ++c) {
      if (!live(kInputs + v, c)) continue;
      BlockFloats* out = registerRow(kInputs + v, c);
      if (slot < 0) {
        std::fill_n(out, blocks, c == 3 ? one : zero);
        continue;
      }
      const auto& in = batch.varyings[static_cast<std::size_t>(slot)][static_cast<std::size_t>(c)];
      for (std::size_t b = 0; b < blocks; ++b) out[b] = clampColors && v < 2 ? saturateLanes(in[b]) : in[b];
    }
  }
  for (int t = 0; t < textureCount_; ++t) {
    for (int c = 0; c < 4; ++c) {
      if (!live(kTextures + t, c)) continue;
      const auto& in = batch.varyings[static_cast<std::size_t>(kTexCoordSlot + t)][static_cast<std::size_t>(c)];
      std::copy_n(in.begin(), blocks, registerRow(kTextures + t, c));
    }
  }
  for (std::size_t b = 0; readsPositionOrFace() && b < blocks; ++b) {
    registerRow(kMisc, 0)[b] = static_cast<float>(batch.x[b]) + kBlockColumns;
    registerRow(kMisc, 1)[b] = static_cast<float>(batch.y[b]) + kBlockRows;
    registerRow(kMisc, 2)[b] = registerRow(kMisc, 3)[b] = zero;
    registerRow(kMisc + 1, 0)[b] = zero + (batch.frontFacing[b] ? 1.0f : -1.0f);
    for (int c = 1; c < 4; ++c) registerRow(kMisc + 1, c)[b] = zero;
  }
  execute(sampling, lanes);
  for (int c = 0; c < 4; ++c)
    std::copy_n(rowAt(outputRows_[kColors - kOutputs][static_cast<std::size_t>(c)]), blocks,
                (*color)[static_cast<std::size_t>(c)].begin());
}

template <int Lanes>
void LaneProgram<Lanes>::runVertices(int count) requires(Lanes == kBatchLanes) {
  // Whole blocks of lanes; those past `count` hold what earlier runs left, never read back.
  execute<SamplerSet>(nullptr, std::min(Lanes, (count + kBlockLanes - 1) / kBlockLanes * kBlockLanes));
}

template <int Lanes>
const float* LaneProgram<Lanes>::outputRow(DWORD type, DWORD number, int c) const {
  const int slot = outputSlot(type, number);
  if (slot < 0) return nullptr;
  const auto o = static_cast<std::size_t>(slot - kOutputs);
  if (!((outputsWritten_[o] >> c) & 1)) return nullptr;
  return reinterpret_cast<const float*>(registers_.data()) + outputRows_[o][static_cast<std::size_t>(c)];
}

template <int Lanes>
Vec4 LaneProgram<Lanes>::vertexOutput(DWORD type, DWORD number, int lane) const {
  Vec4 value{0, 0, 0, 0};
  for (int c = 0; c < 4; ++c) {
    if (const float* row = outputRow(type, number, c)) value[static_cast<std::size_t>(c)] = row[lane];
  }
  return value;
}

namespace {

// One texture read for a quad (through the interpreter's sampling interface, derivatives
// from the quad's lanes) or for a block (through the draw's samplers, quad by quad).
void sampleLanes(ShaderSampling* sampling, DWORD sampler, const float (&coordinates)[4][4], LodMode mode,
                 const float (&lod)[4], float (&texels)[4][4]) {
  Vec4 quad[4], results[4];
  for (int l = 0; l < 4; ++l) quad[l] = {coordinates[0][l], coordinates[1][l], coordinates[2][l], coordinates[3][l]};
  Vec4 ddx{}, ddy{};
  for (std::size_t c = 0; c < 4; ++c) {
    ddx[c] = quad[1][c] - quad[0][c];
    ddy[c] = quad[2][c] - quad[0][c];
  }
  if (sampling) {
    sampling->sample(sampler, 4, quad, ddx, ddy, mode, lod, results);
  } else {
    for (Vec4& t : results) t = {0, 0, 0, 1};
  }
  for (int c = 0; c < 4; ++c)
    for (int l = 0; l < 4; ++l) texels[c][l] = results[l][static_cast<std::size_t>(c)];
}

void sampleLanes(ShaderSampling* sampling, DWORD sampler, int lanes, const float (&coordinates)[4][4], LodMode mode,
                 const float (&lod)[4], float (&texels)[4][4]) {
  (void)lanes;
  sampleLanes(sampling, sampler, coordinates, mode, lod, texels);
}

void sampleLanes(SamplerSet* sampling, DWORD sampler, int lanes, const float (&coordinates)[4][kBatchLanes],
                 LodMode mode, const float (&lod)[kBatchLanes], float (&texels)[4][kBatchLanes]) {
  auto rows = [](const float* lanes) { return reinterpret_cast<const BlockFloats*>(lanes); };
  auto outRows = [](float* lanes) { return reinterpret_cast<BlockFloats*>(lanes); };
  sampling->sampleBlocks(sampler, lanes / kBlockLanes,
                         {rows(coordinates[0]), rows(coordinates[1]), rows(coordinates[2]), rows(coordinates[3])}, mode,
                         rows(lod), {outRows(texels[0]), outRows(texels[1]), outRows(texels[2]), outRows(texels[3])});
}

}  // namespace

template <int Lanes>
template <typename Sampling>
void LaneProgram<Lanes>::execute(Sampling* sampling, int lanes) {
  float* base = registerFloats();
  for (std::uint32_t row : clearRows_) std::fill_n(base + row, lanes, 0.0f);
  // Direct steps are calls of their own; the others, kept out of this loop, leave it nothing
  // to keep in registers across those calls.
  for (const Step& step : steps_) {
    if (step.direct) {
      step.direct(base, step, lanes);
    } else {
      runStep(step, sampling, lanes);
    }
  }
}

template <int Lanes>
template <typename Sampling>
[[gnu::noinline]] void LaneProgram<Lanes>::runStep(const Step& step, Sampling* sampling, int lanes) {
  float* base = registerFloats();
  using Rows = float[4][Lanes];  // one register: [component][lane]
  auto rows = [base](std::uint16_t slot) { return reinterpret_cast<Rows*>(base + slot * kSlotFloats); };

  float a[4][Lanes], b[4][Lanes], c3[4][Lanes], result[4][Lanes];
  // A source's four components (after swizzle and modifier), rows [component][lane].
  // One component of a source (after swizzle and modifier) across the lanes.
  auto loadRow = [&](const Source& s, int c, float out[Lanes]) {
    const float* r = base + s.rows[c];
    switch (s.modifier) {
      case 1:
        for (int l = 0; l < lanes; ++l) out[l] = -r[l];
        break;
      case 11:
        for (int l = 0; l < lanes; ++l) out[l] = std::fabs(r[l]);
        break;
      case 12:
        for (int l = 0; l < lanes; ++l) out[l] = -std::fabs(r[l]);
        break;
      default: std::memcpy(out, r, static_cast<std::size_t>(lanes) * sizeof(float)); break;
    }
  };
  auto load = [&](const Source& s, float out[4][Lanes]) {
    for (int c = 0; c < 4; ++c) loadRow(s, c, out[c]);
  };
  if constexpr (std::is_same_v<Sampling, SamplerSet>) {
    if (step.sampleInPlace) {
      const Source& s = step.sources[0];
      auto in = [&](int c) { return rowAt(s.rows[c]); };
      // Components nothing reads are not sampled.
      auto out = [&](int c) { return (step.live >> c) & 1 ? registerRow(step.destination, c) : nullptr; };
      sampling->sampleBlocks(step.sampler, lanes / kBlockLanes, {in(0), in(1), in(2), in(3)}, LodMode::derivatives,
                             nullptr, {out(0), out(1), out(2), out(3)});
      return;
    }
  }
  const std::span<const int> components(step.components, static_cast<std::size_t>(step.componentCount));
  if (step.shape != Shape::whole) {
    // Component-wise steps compute only the components they write; scalar steps read only
    // the first component of each source.
    for (int c : step.shape == Shape::componentwise ? components : std::span<const int>(kFirstComponent)) {
      if (step.sourceCount > 0) loadRow(step.sources[0], c, a[c]);
      if (step.sourceCount > 1) loadRow(step.sources[1], c, b[c]);
      if (step.sourceCount > 2) loadRow(step.sources[2], c, c3[c]);
    }
  } else {
    if (step.sourceCount > 0) load(step.sources[0], a);
    if (step.sourceCount > 1) load(step.sources[1], b);
    if (step.sourceCount > 2) load(step.sources[2], c3);
  }
  switch (step.opcode) {
    case D3DSIO_MOV:
      for (int c : components)
        for (int l = 0; l < lanes; ++l) result[c][l] = a[c][l];
      break;
    case D3DSIO_ADD:
      for (int c : components)
        for (int l = 0; l < lanes; ++l) result[c][l] = a[c][l] + b[c][l];
      break;
    case D3DSIO_SUB:
      for (int c : components)
        for (int l = 0; l < lanes; ++l) result[c][l] = a[c][l] - b[c][l];
      break;
    case D3DSIO_MUL:
      for (int c : components)
        for (int l = 0; l < lanes; ++l) result[c][l] = a[c][l] * b[c][l];
      break;
    case D3DSIO_MAD:
      for (int c : components)
        for (int l = 0; l < lanes; ++l) result[c][l] = a[c][l] * b[c][l] + c3[c][l];
      break;
    case D3DSIO_MIN:
      for (int c : components)
        for (int l = 0; l < lanes; ++l) result[c][l] = a[c][l] < b[c][l] ? a[c][l] : b[c][l];
      break;
    case D3DSIO_MAX:
      for (int c : components)
        for (int l = 0; l < lanes; ++l) result[c][l] = a[c][l] >= b[c][l] ? a[c][l] : b[c][l];
      break;
    case D3DSIO_FRC:
      for (int c : components)
        for (int l = 0; l < lanes; ++l) result[c][l] = a[c][l] - floorExact(a[c][l]);
      break;
    case D3DSIO_ABS:
      for (int c : components)
        for (int l = 0; l < lanes; ++l) result[c][l] = std::fabs(a[c][l]);
      break;
    case D3DSIO_LRP:
      for (int c : components)
        for (int l = 0; l < lanes; ++l) result[c][l] = a[c][l] * b[c][l] + (1.0f - a[c][l]) * c3[c][l];
      break;
    case D3DSIO_CMP:
      for (int c : components)
        for (int l = 0; l < lanes; ++l) result[c][l] = a[c][l] >= 0.0f ? b[c][l] : c3[c][l];
      break;
    case D3DSIO_DP3:
      for (int l = 0; l < lanes; ++l) {
        float d = a[0][l] * b[0][l] + a[1][l] * b[1][l] + a[2][l] * b[2][l];
        for (int c = 0; c < 4; ++c) result[c][l] = d;
      }
      break;
    case D3DSIO_DP4:
      for (int l = 0; l < lanes; ++l) {
        float d = a[0][l] * b[0][l] + a[1][l] * b[1][l] + a[2][l] * b[2][l] + a[3][l] * b[3][l];
        for (int c = 0; c < 4; ++c) result[c][l] = d;
      }
      break;
    case D3DSIO_DP2ADD:
      for (int l = 0; l < lanes; ++l) {
        float d = a[0][l] * b[0][l] + a[1][l] * b[1][l] + c3[0][l];
        for (int c = 0; c < 4; ++c) result[c][l] = d;
      }
      break;
    case D3DSIO_RCP:
    case D3DSIO_RSQ:
    case D3DSIO_EXP:
    case D3DSIO_LOG:
      for (int l = 0; l < lanes; ++l) {
        float x = a[0][l];
        float r = step.opcode == D3DSIO_RCP   ? reciprocal(x)
                  : step.opcode == D3DSIO_RSQ ? reciprocalRoot(x)
                  : step.opcode == D3DSIO_EXP ? std::exp2(x)
                                              : logarithm(x);
        for (int c = 0; c < 4; ++c) result[c][l] = r;
      }
      break;
    case D3DSIO_POW:
      for (int l = 0; l < lanes; ++l) {
        float r = std::pow(std::fabs(a[0][l]), b[0][l]);
        for (int c = 0; c < 4; ++c) result[c][l] = r;
      }
      break;
    case D3DSIO_NRM:
      for (int l = 0; l < lanes; ++l) {
        float f = a[0][l] * a[0][l] + a[1][l] * a[1][l] + a[2][l] * a[2][l];
        f = f != 0.0f ? 1.0f / std::sqrt(f) : FLT_MAX;
        for (int c = 0; c < 4; ++c) result[c][l] = a[c][l] * f;
      }
      break;
    case D3DSIO_TEX: {
      // texldp divides by w, texldb biases the level by w; then the sampler for all lanes.
      alignas(BlockFloats) float coordinates[4][Lanes], texels[4][Lanes], lod[Lanes];
      for (int c = 0; c < 4; ++c) std::memcpy(coordinates[c], a[c], static_cast<std::size_t>(lanes) * sizeof(float));
      LodMode mode = (step.controls & 2) ? LodMode::bias : LodMode::derivatives;
      for (int l = 0; l < lanes; ++l) {
        const float w = coordinates[3][l];
        if ((step.controls & 1) && w != 0.0f) {
          for (int c = 0; c < 3; ++c) coordinates[c][l] /= w;
        }
        lod[l] = (step.controls & 2) ? w : 0.0f;
      }
      sampleLanes(sampling, step.sampler, lanes, coordinates, mode, lod, texels);
      for (int c = 0; c < 4; ++c)
        for (int l = 0; l < lanes; ++l) result[c][l] = texels[step.samplerSwizzle[c]][l];
      break;
    }
    default: break;
  }
  Rows& out = *rows(step.destination);
  if (step.saturate) {
    for (int c : components)
      for (int l = 0; l < lanes; ++l) out[c][l] = saturate(result[c][l]);
  } else {
    for (int c : components) std::memcpy(out[c], result[c], static_cast<std::size_t>(lanes) * sizeof(float));
  }
}

template <int Lanes>
template <DWORD Opcode, bool Saturate>
void LaneProgram<Lanes>::runDirect(float* registers, const Step& step, int lanes) {
  // Quads run a constant four lanes; batches whole blocks.
  using Floats = std::conditional_t<Lanes == 4, Floats4, BlockFloats>;
  using Ints = std::conditional_t<Lanes == 4, Ints4, BlockInts>;
  constexpr int kChunk = sizeof(Floats) / sizeof(float);
  if constexpr (Lanes == 4) lanes = 4;
  for (int k = 0; k < step.componentCount; ++k) {
    float* o = registers + step.rows[k][0];
    const float* a = registers + step.rows[k][1];
    const float* b = registers + step.rows[k][2];
    const float* c = registers + step.rows[k][3];
    for (int first = 0; first < lanes; first += kChunk) {
      Floats x, y, z, r;
      std::memcpy(&x, a + first, sizeof x);
      if constexpr (Opcode == D3DSIO_ADD || Opcode == D3DSIO_SUB || Opcode == D3DSIO_MUL || Opcode == D3DSIO_MAD ||
                    Opcode == D3DSIO_MIN || Opcode == D3DSIO_MAX || Opcode == D3DSIO_LRP || Opcode == D3DSIO_CMP) {
        std::memcpy(&y, b + first, sizeof y);
      }
      if constexpr (Opcode == D3DSIO_MAD || Opcode == D3DSIO_LRP || Opcode == D3DSIO_CMP) {
        std::memcpy(&z, c + first, sizeof z);
      }
      const Floats zero = {};
      if constexpr (Opcode == D3DSIO_MOV) r = x;
      if constexpr (Opcode == D3DSIO_ADD) r = x + y;
      if constexpr (Opcode == D3DSIO_SUB) r = x - y;
      if constexpr (Opcode == D3DSIO_MUL) r = x * y;
      if constexpr (Opcode == D3DSIO_MAD) r = x * y + z;
      if constexpr (Opcode == D3DSIO_MIN) r = x < y ? x : y;
      if constexpr (Opcode == D3DSIO_MAX) r = x >= y ? x : y;
      if constexpr (Opcode == D3DSIO_FRC) r = x - shader_arithmetic::floorExactLanes<Floats, Ints>(x);
      if constexpr (Opcode == D3DSIO_ABS) r = reinterpret_cast<Floats>(reinterpret_cast<Ints>(x) & 0x7FFFFFFF);
      if constexpr (Opcode == D3DSIO_LRP) r = x * y + (1.0f - x) * z;
      if constexpr (Opcode == D3DSIO_CMP) r = x >= zero ? y : z;
      // rcp and rsq keep 1 exact and give FLT_MAX for 0, as their scalar forms do.
      if constexpr (Opcode == D3DSIO_RCP || Opcode == D3DSIO_RSQ) {
        const Floats one = zero + 1.0f;
        if constexpr (Opcode == D3DSIO_RSQ) x = reinterpret_cast<Floats>(reinterpret_cast<Ints>(x) & 0x7FFFFFFF);
        const Floats safe = x == zero ? one : x;
        const Floats divisor = Opcode == D3DSIO_RSQ ? shader_arithmetic::sqrtLanes(safe) : safe;
        r = x == one ? one : (x == zero ? zero + FLT_MAX : one / divisor);
      }
      if constexpr (Saturate) r = saturateLanes(r);
      std::memcpy(o + first, &r, sizeof r);
    }
  }
}

template <int Lanes>
void (*LaneProgram<Lanes>::directFor(DWORD opcode, bool saturate))(float*, const Step&, int) {
  switch (opcode) {
#define PRISM_DIRECT_STEP(op) \
  case op: return saturate ? &runDirect<op, true> : &runDirect<op, false>;
    PRISM_DIRECT_STEP(D3DSIO_MOV)
    PRISM_DIRECT_STEP(D3DSIO_ADD)
    PRISM_DIRECT_STEP(D3DSIO_SUB)
    PRISM_DIRECT_STEP(D3DSIO_MUL)
    PRISM_DIRECT_STEP(D3DSIO_MAD)
    PRISM_DIRECT_STEP(D3DSIO_MIN)
    PRISM_DIRECT_STEP(D3DSIO_MAX)
    PRISM_DIRECT_STEP(D3DSIO_FRC)
    PRISM_DIRECT_STEP(D3DSIO_ABS)
    PRISM_DIRECT_STEP(D3DSIO_LRP)
    PRISM_DIRECT_STEP(D3DSIO_CMP)
    PRISM_DIRECT_STEP(D3DSIO_RCP)
    PRISM_DIRECT_STEP(D3DSIO_RSQ)
#undef PRISM_DIRECT_STEP
    default: return nullptr;
  }
}

template class LaneProgram<4>;
// The block program has no per-lane-register or quad entry points; only what it uses.
template bool LaneProgram<kBatchLanes>::compile(const ShaderProgram&, const Vec4*, std::uint32_t,
                                                const SamplerCoordinates&, std::uint8_t);
template void LaneProgram<kBatchLanes>::runBatch(const BlockBatch&, const int*, bool, SamplerSet*, BatchColor*);
template void LaneProgram<kBatchLanes>::runVertices(int);
template const float* LaneProgram<kBatchLanes>::outputRow(DWORD, DWORD, int) const;
template Vec4 LaneProgram<kBatchLanes>::vertexOutput(DWORD, DWORD, int) const;

}  // namespace platform::d3d9
