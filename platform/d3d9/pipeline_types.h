// What travels between the stages of a draw: shaded vertices in clip space with their
// attributes in fixed slots, and 2x2 pixel quads with interpolated attributes.
#pragma once

#include <array>
#include <cstdint>

#include "platform/d3d9/device_limits.h"
#include "platform/d3d9/shader_machine.h"

namespace platform::d3d9 {

// Attribute slots: diffuse, specular, texture coordinates 0-7, fog, then the other
// semantics a vs_3_0 / ps_3_0 pair passes (assigned in declaration order).
inline constexpr int kVaryingSlots = 16;
inline constexpr int kDiffuseSlot = 0;
inline constexpr int kSpecularSlot = 1;
inline constexpr int kTexCoordSlot = 2;
inline constexpr int kFogSlot = 10;
inline constexpr int kFirstExtraSlot = 11;

struct ShadedVertex {
  Vec4 position{};  // clip space, or screen space (x, y, z, rhw) when pre-transformed
  std::array<Vec4, kVaryingSlots> varyings{};
  float pointSize = 1.0f;
  std::array<float, kClipPlaneCount> clipDistances{};  // to the enabled user clip planes
};

struct QuadInput {
  int x = 0, y = 0;           // top-left pixel of the quad
  std::uint8_t coverage = 0;  // bit l: lane l (0 1 / 2 3) is inside the primitive
  bool frontFacing = true;
  std::array<float, 4> z{};                                   // depth per lane
  std::array<std::array<Vec4, 4>, kVaryingSlots> varyings{};  // [slot][lane]
};

struct QuadOutput {
  std::array<Vec4, 4> color{};  // oC0 per lane
  std::array<float, 4> depth{};
  bool depthWritten = false;
  std::uint8_t killed = 0;
};

}  // namespace platform::d3d9
