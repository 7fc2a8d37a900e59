// Everything a device's Set calls change, in arrays indexed by the platform's state numbers,
// with the platform's defaults; and the masks that say which parts a state block holds.
#pragma once

#include <array>
#include <bitset>
#include <map>
#include <span>

#include "platform/d3d9/buffer.h"
#include "platform/d3d9/device_limits.h"
#include "platform/d3d9/shader.h"
#include "platform/d3d9/vertex_declaration.h"

namespace platform::d3d9 {

// Which state-block kinds a state belongs to.
enum StateGroup : BYTE {
  kPixelGroup = 1,
  kVertexGroup = 2,
};

struct RenderStateDefault {
  D3DRENDERSTATETYPE state;
  DWORD value;
  BYTE groups;
};
struct StageStateDefault {
  D3DTEXTURESTAGESTATETYPE state;
  DWORD stageZero;    // value on stage 0
  DWORD otherStages;  // value on stages 1-7
  BYTE groups;
};
struct SamplerStateDefault {
  D3DSAMPLERSTATETYPE state;
  DWORD value;
  BYTE groups;
};

// The defaults tables. D3DRS_ZENABLE's default depends on the automatic depth buffer, and
// D3DTSS_TEXCOORDINDEX's is the stage's own number; the tables hold their plain values.
std::span<const RenderStateDefault> renderStateDefaults();
std::span<const StageStateDefault> stageStateDefaults();
std::span<const SamplerStateDefault> samplerStateDefaults();

bool isRenderState(DWORD state);
bool isStageState(DWORD state);
bool isSamplerState(DWORD state);
// Slot of a sampler or texture stage number (0-15, 256, 257-260); false for others.
bool samplerSlot(DWORD sampler, UINT* slot);
// Slot of a transform state; false for others.
bool transformSlot(DWORD state, UINT* slot);

struct StreamSource {
  Binding<VertexBuffer> buffer;
  UINT offset = 0;
  UINT stride = 0;
};

struct LightSlot {
  D3DLIGHT9 light{};
  BOOL enabled = FALSE;
};

using Vector4f = std::array<float, 4>;
using Vector4i = std::array<int, 4>;

struct DeviceState {
  std::array<DWORD, kRenderStateSlots> renderStates{};
  std::array<std::array<DWORD, kStageStateSlots>, kTextureStageCount> stageStates{};
  std::array<std::array<DWORD, kSamplerStateSlots>, kSamplerSlotCount> samplerStates{};
  std::array<D3DMATRIX, kTransformSlots> transforms{};
  D3DVIEWPORT9 viewport{};
  RECT scissorRect{};
  D3DMATERIAL9 material{};
  std::map<DWORD, LightSlot> lights;
  std::array<Vector4f, kClipPlaneCount> clipPlanes{};
  std::array<Binding<IDirect3DBaseTexture9>, kSamplerSlotCount> textures;
  std::array<StreamSource, kStreamCount> streams;
  std::array<UINT, kStreamCount> streamFrequencies{};
  Binding<IndexBuffer> indices;
  Binding<VertexDeclaration> vertexDeclaration;
  DWORD fvf = 0;
  Binding<VertexShader> vertexShader;
  Binding<PixelShader> pixelShader;
  std::array<Vector4f, kVertexShaderFloatConstants> vertexFloats{};
  std::array<Vector4i, kIntegerConstants> vertexInts{};
  std::array<BOOL, kBoolConstants> vertexBools{};
  std::array<Vector4f, kPixelShaderFloatConstants> pixelFloats{};
  std::array<Vector4i, kIntegerConstants> pixelInts{};
  std::array<BOOL, kBoolConstants> pixelBools{};
  float nPatchSegments = 0.0f;
  UINT currentTexturePalette = 0;

  // The state of a new or reset device; the viewport and scissor rectangle cover the target.
  static DeviceState defaults(bool autoDepthStencil, UINT targetWidth, UINT targetHeight);
};

// Which parts of DeviceState a state block holds.
struct StateMask {
  std::bitset<kRenderStateSlots> renderStates;
  std::array<std::bitset<kStageStateSlots>, kTextureStageCount> stageStates;
  std::array<std::bitset<kSamplerStateSlots>, kSamplerSlotCount> samplerStates;
  std::bitset<kTransformSlots> transforms;
  std::bitset<kSamplerSlotCount> textures;
  std::bitset<kStreamCount> streams;
  std::bitset<kStreamCount> streamFrequencies;
  std::bitset<kClipPlaneCount> clipPlanes;
  std::bitset<kVertexShaderFloatConstants> vertexFloats;
  std::bitset<kIntegerConstants> vertexInts;
  std::bitset<kBoolConstants> vertexBools;
  std::bitset<kPixelShaderFloatConstants> pixelFloats;
  std::bitset<kIntegerConstants> pixelInts;
  std::bitset<kBoolConstants> pixelBools;
  std::map<DWORD, bool> lights;  // light index -> recorded (light and enable both follow it)
  bool viewport = false;
  bool scissorRect = false;
  bool material = false;
  bool indices = false;
  bool vertexDeclaration = false;  // also covers the FVF code
  bool vertexShader = false;
  bool pixelShader = false;
  bool nPatchMode = false;
  bool texturePalette = false;

  // The masks of CreateStateBlock: all state, pixel state, vertex state. Lights present on the
  // device are taken from `state`.
  static StateMask forType(D3DSTATEBLOCKTYPE type, const DeviceState& state);
};

// Copies the masked parts of `from` into `to`.
void copyMaskedState(const DeviceState& from, DeviceState& to, const StateMask& mask);

}  // namespace platform::d3d9
