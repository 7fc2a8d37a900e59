// The interpreter for vertex and pixel shaders. It runs a decoded program over one lane (a
// vertex) or four lanes in lockstep (a 2x2 pixel quad: lanes 0 1 on the top row, 2 3 below),
// so that texture reads can take their level of detail from the differences between lanes.
// Dynamic branches keep a mask of the lanes that take them.
#pragma once

#include <array>
#include <cstdint>

#include "platform/d3d9/shader_program.h"

namespace platform::d3d9 {

using Vec4 = std::array<float, 4>;

inline constexpr int kMaxLanes = 4;

// Per-lane registers: inputs, temporaries, outputs.
struct LaneRegisters {
  std::array<Vec4, 32> r{};
  std::array<Vec4, 16> v{};
  std::array<Vec4, 8> t{};
  std::array<Vec4, 3> rasterOut{};     // oPos, oFog, oPts
  std::array<Vec4, 2> attributeOut{};  // oD0, oD1
  std::array<Vec4, 8> textureOut{};    // oT0-oT7
  std::array<Vec4, 12> out{};          // o0-o11 of vs_3_0
  std::array<Vec4, 4> colorOut{};      // oC0-oC3
  std::array<Vec4, 2> misc{};          // vPos, vFace
  float depthOut = 0;
  bool depthWritten = false;
  std::array<int, 4> a0{};
  std::array<bool, 4> p0{};
  bool killed = false;
};

// How a texture read asks for its level of detail.
enum class LodMode : std::uint8_t { derivatives, bias, explicitLod, gradients };

// The texture access the shader's samplers go through.
class ShaderSampling {
 public:
  virtual ~ShaderSampling() = default;
  // Samples `lanes` coordinates with sampler `sampler`. `ddx`/`ddy` are the coordinate
  // derivatives for LodMode::derivatives and gradients; `lod` per lane is the bias or the
  // explicit level.
  virtual void sample(DWORD sampler, int lanes, const Vec4* coordinates, const Vec4& ddx, const Vec4& ddy, LodMode mode,
                      const float* lod, Vec4* results) = 0;
};

// The values every lane shares: constants and samplers.
struct ShaderConstants {
  const Vec4* floats = nullptr;
  std::uint32_t floatCount = 0;
  const std::array<int, 4>* integers = nullptr;  // 16
  const BOOL* bools = nullptr;                   // 16
  ShaderSampling* sampling = nullptr;
  // Pixel-shader 1.x: bump-environment matrices, luminance scale and offset per stage.
  const std::array<std::array<float, 6>, 8>* bumpEnvironment = nullptr;
};

class ShaderMachine {
 public:
  // Binds a program; the constant table must outlive the runs. Definitions inside the
  // program replace the constants they name; the caller gives the constants merged (see
  // mergeDefinitions).
  ShaderMachine(const ShaderProgram& program, const ShaderConstants& constants)
      : program_(program), constants_(constants) {}

  // Runs the program over `lanes` lanes (1 or 4). `live` marks lanes that are real pixels
  // (helpers of a partly covered quad still run, for derivatives).
  void run(LaneRegisters* registers, int lanes);

 private:
  struct Frame;
  const ShaderProgram& program_;
  const ShaderConstants& constants_;
};

// Precomputes the direct register offsets the interpreter's fast paths use. Programs run the
// same with or without it.
void bindRegisterOffsets(ShaderProgram* program);

// The float constants a program sees: `api` with the program's def values laid over.
void mergeFloatConstants(const ShaderProgram& program, const Vec4* api, std::uint32_t count, Vec4* merged);
void mergeIntegerConstants(const ShaderProgram& program, const std::array<int, 4>* api, std::array<int, 4>* merged);
void mergeBoolConstants(const ShaderProgram& program, const BOOL* api, BOOL* merged);

}  // namespace platform::d3d9
