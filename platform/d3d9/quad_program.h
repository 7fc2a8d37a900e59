// Straight-line pixel shaders (2.x and 3.0 without flow control, predicates, relative
// addressing, texkill or depth output) compiled once per draw into steps that work on a 2x2
// quad, or a batch of pixel blocks made of quads, with the lanes innermost, so each step is a
// few loops across the lanes; straight-line vertex shaders the same way, a vertex a lane.
// Shaders outside that subset run on the general interpreter; all give the same bits.
#pragma once

#include <array>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "platform/d3d9/pipeline_types.h"
#include "platform/d3d9/pixel_block.h"
#include "platform/d3d9/shader_machine.h"

namespace platform::d3d9 {

// Which source components a step reads: those it writes, the first only, or all four.
enum class QuadProgramShape : std::uint8_t { componentwise, scalar, whole };

class SamplerSet;

// For each sampler, the coordinate components its texture reads (bit c: component c): two for
// a 2D texture, all four when unknown.
using SamplerCoordinates = std::array<std::uint8_t, 16>;
inline constexpr SamplerCoordinates kAllSamplerCoordinates = [] {
  SamplerCoordinates all{};
  all.fill(0xF);
  return all;
}();

template <int Lanes>
class LaneProgram {
 public:
  // Compiles `program` with its constants (already merged with its definitions); false when the
  // program needs the general interpreter. Vertex shaders of any version compile for
  // runVertices (in the batch program), pixel shaders of 2.0 and later for the other runs.
  // Coordinate components a sampler does not read are neither filled nor cleared for texld.
  // Only the components of oC0 in `colorComponents` (bit c: component c) need be right after a
  // run.
  bool compile(const ShaderProgram& program, const Vec4* constants, std::uint32_t constantCount,
               const SamplerCoordinates& samplerCoordinates = kAllSamplerCoordinates,
               std::uint8_t colorComponents = 0xF);
  // Runs on four lanes whose v#, t# and vPos/vFace are set; writes oC0-oC3 of each lane.
  void run(LaneRegisters* lanes, ShaderSampling* sampling) requires(Lanes == 4);
  // The same run fed straight from a quad's attributes: v# from `inputSlots` (a missing slot, -1,
  // reads (0, 0, 0, 1); v0 and v1 saturated when `clampColors`), t# from the texture-coordinate
  // slots, vPos and vFace from the quad. Writes oC0 of each lane to `colors`.
  void runQuad(const QuadInput& quad, const int* inputSlots, bool clampColors, ShaderSampling* sampling,
               std::array<Vec4, 4>* colors) requires(Lanes == 4);
  // The same for the lanes of a batch's blocks, reading textures through the draw's samplers.
  void runBatch(const BlockBatch& batch, const int* inputSlots, bool clampColors, SamplerSet* sampling,
                BatchColor* color) requires(Lanes == kBatchLanes);
  // A vertex shader's run: component `c` of input v`v` across the lanes, to be filled for the
  // lanes run (the components inputComponents leaves out are never read)...
  float* inputRow(int v, int c) { return registerFloats() + homeRow(kInputs + v, c); }
  // ... then the first `count` lanes (at most Lanes) run...
  void runVertices(int count) requires(Lanes == kBatchLanes);
  // ... and component `c` of output register `number` of `type` (D3DSPR_RASTOUT, ATTROUT,
  // TEXCRDOUT or OUTPUT) read back across the lanes: null when the program does not write it, for
  // it is 0 then, as the interpreter's outputs start...
  const float* outputRow(DWORD type, DWORD number, int c) const;
  // ... or one lane's output register whole.
  Vec4 vertexOutput(DWORD type, DWORD number, int lane) const;
  // How many v# and t# registers the program reads (the highest number read, plus one).
  int inputCount() const { return inputCount_; }
  int textureCount() const { return textureCount_; }
  // The components of v# and t# whose values can reach a colour output (bit c: component c).
  std::uint8_t inputComponents(int v) const { return entryLive_[static_cast<std::size_t>(kInputs + v)]; }
  std::uint8_t textureComponents(int t) const { return entryLive_[static_cast<std::size_t>(kTextures + t)]; }
  // The samplers texld reads (bit s: sampler s), and whether vPos or vFace can reach a colour:
  // together they say whether a lane's colour depends on anything but the lane's own inputs.
  std::uint16_t samplersRead() const { return samplersRead_; }
  bool readsPositionOrFace() const { return (entryLive_[kMisc] | entryLive_[kMisc + 1]) != 0; }

 private:
  struct Source {
    std::uint16_t slot = 0;
    std::uint8_t swizzle[4] = {0, 1, 2, 3};
    std::uint8_t modifier = 0;
    std::uint32_t rows[4] = {};  // where each swizzled component is read: see resolveRows
  };
  struct Step {
    DWORD opcode = 0;
    std::uint16_t destination = 0;
    std::uint8_t mask = 0xF;
    QuadProgramShape shape = QuadProgramShape::whole;
    std::uint8_t componentCount = 0;
    int components[4] = {};  // the written components, in order
    bool saturate = false;
    std::uint8_t sourceCount = 0;
    Source sources[3];
    DWORD sampler = 0;
    std::uint8_t samplerSwizzle[4] = {0, 1, 2, 3};
    DWORD controls = 0;
    // A plain texld into another register, whole and unmodified: batches sample straight from
    // the source's rows into the destination's.
    bool sampleInPlace = false;
    std::uint8_t live = 0xF;  // the written components something after the step reads
    // Component-wise steps without source modifiers run through `direct`: one function per
    // operation over the register rows at `rows` ([component][destination, sources]).
    void (*direct)(float* registers, const Step& step, int lanes) = nullptr;
    std::uint32_t rows[4][4] = {};
  };
  template <DWORD Opcode, bool Saturate>
  static void runDirect(float* registers, const Step& step, int lanes);
  static void (*directFor(DWORD opcode, bool saturate))(float*, const Step&, int);
  // Register slots: each holds [component][lane]. A vertex shader has no t#, vPos, vFace or oC#:
  // its outputs take those slots (kOutputs on), see outputSlot.
  static constexpr int kTemps = 0, kInputs = 32, kTextures = 48, kMisc = 56, kColors = 58, kConstants = 62;
  static constexpr int kOutputs = kTextures, kOutputSlots = kConstants - kOutputs;
  static constexpr int kSlotFloats = 4 * Lanes;

  static constexpr std::uint32_t homeRow(int slot, int component) {
    return static_cast<std::uint32_t>(slot * kSlotFloats + component * Lanes);
  }

  bool slotOf(const ShaderOperand& operand, bool destination, std::uint16_t* slot);
  // A vertex shader's output register's slot; -1 for none.
  int outputSlot(DWORD type, DWORD number) const;
  // Slots no step writes during a run: inputs and constants, and for pixel shaders t#, vPos and
  // vFace.
  bool readOnly(int slot) const {
    return slot >= kConstants || (slot >= kInputs && slot < (vertex_ ? kInputs + 16 : kColors));
  }
  // The components of `source` that `step` reads to compute the components in `written`.
  unsigned componentsRead(const Step& step, const Source& source, unsigned written) const;
  void findRegistersToClear();
  void findLiveInputs();
  // Gives every source the rows it reads. A plain copy is dropped where its destination can
  // read the source's rows instead, that is where those rows stay unchanged for as long as
  // the destination could be read. Steps on constants alone leave the program: they are
  // returned, to be run once on the constants' rows.
  std::vector<Step> resolveRows();
  bool copyCanShare(std::size_t copy, int component, std::uint32_t row) const;
  // Runs the steps over the first `lanes` lanes of the registers as filled (a multiple of the
  // block's lanes, or the quad's four); colour outputs in the rows outputRows_ names.
  template <typename Sampling>
  void execute(Sampling* sampling, int lanes);
  // One step that does not run directly (see Step::direct), over the same lanes.
  template <typename Sampling>
  void runStep(const Step& step, Sampling* sampling, int lanes);

  std::vector<Step> steps_;
  std::vector<std::uint16_t> constantIndices_;  // API constant of each constant slot
  std::vector<std::uint32_t> clearRows_;        // rows each run starts by clearing
  // The output slots' rows after the run (oC# and a vertex shader's outputs), and the
  // components of each the program writes.
  std::array<std::array<std::uint32_t, 4>, kOutputSlots> outputRows_{};
  std::array<std::uint8_t, kOutputSlots> outputsWritten_{};
  bool vertex_ = false;
  int major_ = 0;
  std::array<std::uint8_t, kConstants> entryLive_{};  // see inputComponents
  std::uint8_t colorComponents_ = 0xF;                // see compile
  // Slots x 4 components x lanes, in vectors so that every row is aligned for them.
  using RegisterVector = std::conditional_t<Lanes == 4, Floats4, BlockFloats>;
  std::vector<RegisterVector> registers_;
  float* registerFloats() { return reinterpret_cast<float*>(registers_.data()); }
  // Component `component` of register slot `slot` across a batch's lanes, block by block.
  BlockFloats* registerRow(int slot, int component) { return rowAt(homeRow(slot, component)); }
  BlockFloats* rowAt(std::uint32_t row) { return reinterpret_cast<BlockFloats*>(registerFloats() + row); }
  // oC`output` of one lane after a run.
  Vec4 outputOfLane(int output, int lane) {
    const auto& rows = outputRows_[static_cast<std::size_t>(kColors - kOutputs + output)];
    const float* base = registerFloats();
    return {base[rows[0] + lane], base[rows[1] + lane], base[rows[2] + lane], base[rows[3] + lane]};
  }
  using Shape = QuadProgramShape;

  int inputCount_ = 0;
  int textureCount_ = 0;
  int tempCount_ = 0;
  int colorCount_ = 1;
  SamplerCoordinates samplerCoordinates_ = kAllSamplerCoordinates;
  std::uint16_t samplersRead_ = 0;
};

using QuadProgram = LaneProgram<4>;
using BlockProgram = LaneProgram<kBatchLanes>;

}  // namespace platform::d3d9
