// Sizes of the software device's state: how many of each kind of slot it keeps.
#pragma once

#include "platform/win/types.h"

namespace platform::d3d9 {

inline constexpr UINT kMaxTextureSize = 8192;
inline constexpr UINT kMaxVolumeExtent = 2048;
inline constexpr UINT kTextureStageCount = 8;
inline constexpr UINT kPixelSamplerCount = 16;
// Pixel samplers 0-15, the displacement-map sampler 256 and vertex samplers 257-260.
inline constexpr UINT kSamplerSlotCount = kPixelSamplerCount + 5;
inline constexpr UINT kStreamCount = 16;
inline constexpr UINT kClipPlaneCount = 6;
// Largest point size in pixels (D3DCAPS9::MaxPointSize).
inline constexpr float kMaxPointSize = 64.0f;
inline constexpr UINT kMaxBackBufferCount = 3;
inline constexpr UINT kVertexShaderFloatConstants = 256;
inline constexpr UINT kPixelShaderFloatConstants = 224;
inline constexpr UINT kIntegerConstants = 16;
inline constexpr UINT kBoolConstants = 16;
inline constexpr UINT kRenderStateSlots = 256;
inline constexpr UINT kStageStateSlots = 33;    // D3DTSS_* values 0-32
inline constexpr UINT kSamplerStateSlots = 14;  // D3DSAMP_* values 0-13
// Primitives one draw call may ask for (D3DCAPS9::MaxPrimitiveCount).
inline constexpr UINT kMaxPrimitiveCount = 0xFFFFF;
// View, projection, eight texture matrices and 256 world matrices.
inline constexpr UINT kTransformSlots = 2 + 8 + 256;

}  // namespace platform::d3d9
