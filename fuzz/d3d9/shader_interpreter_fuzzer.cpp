// Decodes arbitrary words as a shader (after the first byte, which picks the constants' pattern)
// and runs whatever decodes, validated or not, on one lane and on a 2x2 quad with a sampler that
// answers every read, and as a lane program when it is one (a quad program for pixel shaders, a
// batch of vertices for vertex shaders), which for a shader the device takes must give the
// interpreter's bits. Nothing may crash or run away.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3d9/quad_program.h"
#include "platform/d3d9/shader_machine.h"
#include "platform/d3d9/shader_validator.h"

namespace {

using namespace platform::d3d9;

class AnswerEverything final : public ShaderSampling {
 public:
  void sample(DWORD sampler, int lanes, const Vec4* coordinates, const Vec4&, const Vec4&, LodMode, const float* lod,
              Vec4* results) override {
    for (int l = 0; l < lanes; ++l) {
      results[l] = {coordinates[l][0], coordinates[l][1], static_cast<float>(sampler), lod[l]};
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  const std::uint8_t pattern = data[0];
  std::vector<DWORD> words((size - 1) / 4);
  std::memcpy(words.data(), data + 1, words.size() * 4);
  words.push_back(0x0000FFFF);  // the end token, so that every stream ends
  // The validator reads a stream without a length, as the device's Create*Shader calls do, so
  // a comment's length may carry it past our end token: pad with more of them.
  std::vector<DWORD> padded = words;
  padded.resize(words.size() + 0x8001, 0x0000FFFF);

  ShaderKind kind = (words[0] & 0xFFFF0000) == 0xFFFF0000 ? ShaderKind::pixel : ShaderKind::vertex;
  std::vector<DWORD> validated;
  const bool valid = validateShaderFunction(padded.data(), kind, &validated) == D3D_OK;

  ShaderProgram program;
  if (!decodeShaderProgram(words, &program)) return 0;
  if (pattern & 1) bindRegisterOffsets(&program);

  std::vector<Vec4> floats(256);
  for (std::size_t i = 0; i < floats.size(); ++i) {
    float f = static_cast<float>(i) * ((pattern & 2) ? -0.5f : 0.25f);
    floats[i] = {f, f + 1, (pattern & 4) ? 1e30f : 0.5f, (pattern & 8) ? -1.0f : 2.0f};
  }
  std::array<std::array<int, 4>, 16> integers{};
  for (auto& v : integers) v = {(pattern & 16) ? 255 : 3, 1, (pattern & 32) ? -1 : 1, 0};
  std::array<BOOL, 16> bools{};
  for (std::size_t i = 0; i < bools.size(); ++i) bools[i] = ((pattern >> (i % 8)) & 1) ? TRUE : FALSE;
  std::array<std::array<float, 6>, 8> bump{};
  AnswerEverything sampling;
  ShaderConstants constants;
  constants.floats = floats.data();
  constants.floatCount = static_cast<std::uint32_t>(floats.size());
  constants.integers = integers.data();
  constants.bools = bools.data();
  constants.sampling = &sampling;
  constants.bumpEnvironment = &bump;

  std::array<LaneRegisters, 4> lanes{};
  for (int l = 0; l < 4; ++l) {
    for (auto& v : lanes[static_cast<std::size_t>(l)].v) v = {static_cast<float>(l), -1, 0.5f, 1};
    for (auto& t : lanes[static_cast<std::size_t>(l)].t) t = {0.25f * static_cast<float>(l), 0.5f, -0.5f, 1};
  }
  ShaderMachine machine(program, constants);
  machine.run(lanes.data(), 1);
  machine.run(lanes.data(), 4);
  // Straight-line pixel shaders also run as quad programs, which must give the interpreter's
  // bits for every shader the device would take (NaNs may differ in sign and payload only).
  QuadProgram quad;
  if (quad.compile(program, floats.data(), static_cast<std::uint32_t>(floats.size()))) {
    std::array<LaneRegisters, 4> viaQuad = lanes;
    quad.run(viaQuad.data(), &sampling);
    if (valid && (pattern & 1)) {
      for (std::size_t l = 0; l < 4; ++l) {
        for (std::size_t o = 0; o < 4; ++o) {
          for (std::size_t c = 0; c < 4; ++c) {
            const float a = lanes[l].colorOut[o][c], b = viaQuad[l].colorOut[o][c];
            if (std::memcmp(&a, &b, sizeof a) != 0 && !(a != a && b != b)) __builtin_trap();
          }
        }
      }
    }
  }
  // Straight-line vertex shaders run as batches of vertices, four of them here.
  LaneProgram<kBatchLanes> vertices;
  if (!program.pixel && vertices.compile(program, floats.data(), static_cast<std::uint32_t>(floats.size()))) {
    for (int l = 0; l < 4; ++l) {
      for (int v = 0; v < vertices.inputCount(); ++v) {
        for (int c = 0; c < 4; ++c) {
          vertices.inputRow(v, c)[l] =
              lanes[static_cast<std::size_t>(l)].v[static_cast<std::size_t>(v)][static_cast<std::size_t>(c)];
        }
      }
    }
    vertices.runVertices(4);
    if (valid && (pattern & 1)) {
      auto same = [](const Vec4& a, const Vec4& b) {
        for (std::size_t c = 0; c < 4; ++c) {
          if (std::memcmp(&a[c], &b[c], sizeof(float)) != 0 && !(a[c] != a[c] && b[c] != b[c])) return false;
        }
        return true;
      };
      for (int l = 0; l < 4; ++l) {
        const LaneRegisters& lane = lanes[static_cast<std::size_t>(l)];
        for (DWORD n = 0; n < 12; ++n) {
          const Vec4 out = program.major >= 3 ? lane.out[n] : n < 8 ? lane.textureOut[n] : Vec4{};
          if (!same(vertices.vertexOutput(D3DSPR_TEXCRDOUT, n, l), out)) __builtin_trap();
        }
        if (program.major < 3) {
          for (DWORD n = 0; n < 3; ++n) {
            if (!same(vertices.vertexOutput(D3DSPR_RASTOUT, n, l), lane.rasterOut[n])) __builtin_trap();
          }
          for (DWORD n = 0; n < 2; ++n) {
            if (!same(vertices.vertexOutput(D3DSPR_ATTROUT, n, l), lane.attributeOut[n])) __builtin_trap();
          }
        }
      }
    }
  }
  return 0;
}
