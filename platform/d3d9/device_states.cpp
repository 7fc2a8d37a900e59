// The device's Set and Get calls, state blocks, vertex declarations and shaders.
#include <algorithm>
#include <cstring>

#include "platform/d3d9/device.h"
#include "platform/d3d9/shader_validator.h"

namespace platform::d3d9 {
namespace {

D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX result{};
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a.m[row][k] * b.m[k][column];
      result.m[row][column] = sum;
    }
  }
  return result;
}

// A light enabled before it was set: white, directional, shining along +z.
D3DLIGHT9 defaultLight() {
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
  light.Direction = {0.0f, 0.0f, 1.0f};
  return light;
}

bool rangeFits(UINT start, UINT count, UINT limit) { return start <= limit && count <= limit - start; }

// Constants arrive as packed scalars: four per register for floats and integers, one per
// register for booleans.
template <typename Value, std::size_t N, std::size_t Bits, typename Scalar>
void writeConstants(std::array<Value, N>& target, std::bitset<Bits>* recorded, UINT start, UINT count,
                    const Scalar* values) {
  static_assert(sizeof(Value) % sizeof(Scalar) == 0);
  if (count == 0) return;
  std::memcpy(&target[start], values, std::size_t{count} * sizeof(Value));
  for (UINT i = 0; recorded && i < count; ++i) recorded->set(start + i);
}

template <typename Value, std::size_t N, typename Scalar>
void readConstants(const std::array<Value, N>& source, UINT start, UINT count, Scalar* values) {
  if (count != 0) std::memcpy(values, &source[start], std::size_t{count} * sizeof(Value));
}

}  // namespace

DeviceState& Device::target() { return recording_ ? recording_->values() : state_; }
StateMask* Device::recordingMask() { return recording_ ? &recording_->mask() : nullptr; }

// --- Transforms, viewport, material, lights, clip planes ----------------------------------------

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  UINT slot = 0;
  if (!matrix || !transformSlot(state, &slot)) return D3DERR_INVALIDCALL;
  target().transforms[slot] = *matrix;
  if (StateMask* mask = recordingMask()) mask->transforms.set(slot);
  return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
  UINT slot = 0;
  if (!matrix || !transformSlot(state, &slot) || isPure()) return D3DERR_INVALIDCALL;
  *matrix = state_.transforms[slot];
  return D3D_OK;
}

HRESULT Device::MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  UINT slot = 0;
  if (!matrix || !transformSlot(state, &slot)) return D3DERR_INVALIDCALL;
  D3DMATRIX product = multiply(*matrix, state_.transforms[slot]);
  return SetTransform(state, &product);
}

HRESULT Device::SetViewport(const D3DVIEWPORT9* viewport) {
  if (!viewport || viewport->Width == 0 || viewport->Height == 0) return D3DERR_INVALIDCALL;
  if (renderTarget_) {
    const D3DSURFACE_DESC& desc = renderTarget_->desc();
    if (viewport->X > desc.Width || viewport->Width > desc.Width - viewport->X || viewport->Y > desc.Height ||
        viewport->Height > desc.Height - viewport->Y) {
      return D3DERR_INVALIDCALL;
    }
  }
  if (!(viewport->MinZ >= 0.0f && viewport->MinZ <= 1.0f && viewport->MaxZ >= 0.0f && viewport->MaxZ <= 1.0f)) {
    return D3DERR_INVALIDCALL;
  }
  target().viewport = *viewport;
  if (StateMask* mask = recordingMask()) mask->viewport = true;
  return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT9* viewport) {
  if (!viewport || isPure()) return D3DERR_INVALIDCALL;
  *viewport = state_.viewport;
  return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL9* material) {
  if (!material) return D3DERR_INVALIDCALL;
  target().material = *material;
  if (StateMask* mask = recordingMask()) mask->material = true;
  return D3D_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL9* material) {
  if (!material || isPure()) return D3DERR_INVALIDCALL;
  *material = state_.material;
  return D3D_OK;
}

HRESULT Device::SetLight(DWORD index, const D3DLIGHT9* light) {
  if (!light || light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL) return D3DERR_INVALIDCALL;
  DeviceState& state = target();
  auto found = state.lights.find(index);
  BOOL enabled = found != state.lights.end() ? found->second.enabled : FALSE;
  if (recording_ && found == state.lights.end()) {
    auto current = state_.lights.find(index);
    enabled = current != state_.lights.end() ? current->second.enabled : FALSE;
  }
  state.lights[index] = {*light, enabled};
  if (StateMask* mask = recordingMask()) mask->lights[index] = true;
  return D3D_OK;
}

HRESULT Device::GetLight(DWORD index, D3DLIGHT9* light) {
  if (!light || isPure()) return D3DERR_INVALIDCALL;
  auto found = state_.lights.find(index);
  if (found == state_.lights.end()) return D3DERR_INVALIDCALL;
  *light = found->second.light;
  return D3D_OK;
}

HRESULT Device::LightEnable(DWORD index, BOOL enable) {
  DeviceState& state = target();
  auto found = state.lights.find(index);
  if (found == state.lights.end()) {
    auto current = state_.lights.find(index);
    LightSlot slot = current != state_.lights.end() ? current->second : LightSlot{defaultLight(), FALSE};
    found = state.lights.emplace(index, slot).first;
  }
  found->second.enabled = enable ? TRUE : FALSE;
  if (StateMask* mask = recordingMask()) mask->lights[index] = true;
  return D3D_OK;
}

HRESULT Device::GetLightEnable(DWORD index, BOOL* enable) {
  if (!enable || isPure()) return D3DERR_INVALIDCALL;
  auto found = state_.lights.find(index);
  if (found == state_.lights.end()) return D3DERR_INVALIDCALL;
  *enable = found->second.enabled;
  return D3D_OK;
}

HRESULT Device::SetClipPlane(DWORD index, const float* plane) {
  if (!plane || index >= kClipPlaneCount) return D3DERR_INVALIDCALL;
  target().clipPlanes[index] = {plane[0], plane[1], plane[2], plane[3]};
  if (StateMask* mask = recordingMask()) mask->clipPlanes.set(index);
  return D3D_OK;
}

HRESULT Device::GetClipPlane(DWORD index, float* plane) {
  if (!plane || index >= kClipPlaneCount || isPure()) return D3DERR_INVALIDCALL;
  std::copy(state_.clipPlanes[index].begin(), state_.clipPlanes[index].end(), plane);
  return D3D_OK;
}

// --- Render, stage and sampler states -------------------------------------------------------

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if (!isRenderState(state)) return D3DERR_INVALIDCALL;
  target().renderStates[state] = value;
  if (StateMask* mask = recordingMask()) mask->renderStates.set(state);
  return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  if (!value || !isRenderState(state) || isPure()) return D3DERR_INVALIDCALL;
  *value = state_.renderStates[state];
  return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  if (stage >= kTextureStageCount || !isStageState(type)) return D3DERR_INVALIDCALL;
  target().stageStates[stage][type] = value;
  if (StateMask* mask = recordingMask()) mask->stageStates[stage].set(type);
  return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
  if (!value || stage >= kTextureStageCount || !isStageState(type) || isPure()) return D3DERR_INVALIDCALL;
  *value = state_.stageStates[stage][type];
  return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  UINT slot = 0;
  if (!samplerSlot(sampler, &slot) || !isSamplerState(type)) return D3DERR_INVALIDCALL;
  target().samplerStates[slot][type] = value;
  if (StateMask* mask = recordingMask()) mask->samplerStates[slot].set(type);
  return D3D_OK;
}

HRESULT Device::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
  UINT slot = 0;
  if (!value || !samplerSlot(sampler, &slot) || !isSamplerState(type) || isPure()) return D3DERR_INVALIDCALL;
  *value = state_.samplerStates[slot][type];
  return D3D_OK;
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  UINT slot = 0;
  if (!samplerSlot(stage, &slot)) return D3DERR_INVALIDCALL;
  if (texture) {
    DeviceChild* child = childOf(texture);
    TextureBase* base = textureBaseOf(texture);
    // Scratch textures are never used by the device.
    if (!child || !base || &child->device() != this || base->description().pool == D3DPOOL_SCRATCH) {
      return D3DERR_INVALIDCALL;
    }
  }
  target().textures[slot] = Binding<IDirect3DBaseTexture9>(texture);
  if (StateMask* mask = recordingMask()) mask->textures.set(slot);
  return D3D_OK;
}

HRESULT Device::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
  UINT slot = 0;
  if (!texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  if (!samplerSlot(stage, &slot) || isPure()) return D3DERR_INVALIDCALL;
  *texture = state_.textures[slot].get();
  if (*texture) (*texture)->AddRef();
  return D3D_OK;
}

HRESULT Device::ValidateDevice(DWORD* numPasses) {
  if (!numPasses) return D3DERR_INVALIDCALL;
  *numPasses = 1;
  return D3D_OK;
}

HRESULT Device::SetPaletteEntries(UINT paletteNumber, const PALETTEENTRY* entries) {
  if (!entries || paletteNumber > 0xFFFF) return D3DERR_INVALIDCALL;
  std::copy(entries, entries + 256, palettes_[paletteNumber].begin());
  return D3D_OK;
}

HRESULT Device::GetPaletteEntries(UINT paletteNumber, PALETTEENTRY* entries) {
  auto found = palettes_.find(paletteNumber);
  if (!entries || found == palettes_.end()) return D3DERR_INVALIDCALL;
  std::copy(found->second.begin(), found->second.end(), entries);
  return D3D_OK;
}

HRESULT Device::SetCurrentTexturePalette(UINT paletteNumber) {
  if (paletteNumber > 0xFFFF) return D3DERR_INVALIDCALL;
  target().currentTexturePalette = paletteNumber;
  if (StateMask* mask = recordingMask()) mask->texturePalette = true;
  return D3D_OK;
}

HRESULT Device::GetCurrentTexturePalette(UINT* paletteNumber) {
  if (!paletteNumber || isPure()) return D3DERR_INVALIDCALL;
  *paletteNumber = state_.currentTexturePalette;
  return D3D_OK;
}

HRESULT Device::SetScissorRect(const RECT* rect) {
  if (!rect || rect->left > rect->right || rect->top > rect->bottom) return D3DERR_INVALIDCALL;
  target().scissorRect = *rect;
  if (StateMask* mask = recordingMask()) mask->scissorRect = true;
  return D3D_OK;
}

HRESULT Device::GetScissorRect(RECT* rect) {
  if (!rect || isPure()) return D3DERR_INVALIDCALL;
  *rect = state_.scissorRect;
  return D3D_OK;
}

HRESULT Device::SetSoftwareVertexProcessing(BOOL software) {
  DWORD flags = setup_.behaviorFlags;
  if (flags & D3DCREATE_MIXED_VERTEXPROCESSING) {
    softwareVertexProcessing_ = software ? TRUE : FALSE;
    return D3D_OK;
  }
  // Only a mixed device switches; the others accept their own kind.
  bool isSoftware = (flags & D3DCREATE_SOFTWARE_VERTEXPROCESSING) != 0;
  return (software != FALSE) == isSoftware ? D3D_OK : D3DERR_INVALIDCALL;
}

BOOL Device::GetSoftwareVertexProcessing() {
  if (setup_.behaviorFlags & D3DCREATE_SOFTWARE_VERTEXPROCESSING) return TRUE;
  return softwareVertexProcessing_;
}

HRESULT Device::SetNPatchMode(float segments) {
  if (!(segments >= 0.0f)) return D3DERR_INVALIDCALL;
  target().nPatchSegments = segments;
  if (StateMask* mask = recordingMask()) mask->nPatchMode = true;
  return D3D_OK;
}

float Device::GetNPatchMode() { return state_.nPatchSegments; }

HRESULT Device::SetClipStatus(const D3DCLIPSTATUS9* clipStatus) {
  if (!clipStatus) return D3DERR_INVALIDCALL;
  clipStatus_ = *clipStatus;
  return D3D_OK;
}

HRESULT Device::GetClipStatus(D3DCLIPSTATUS9* clipStatus) {
  if (!clipStatus) return D3DERR_INVALIDCALL;
  *clipStatus = clipStatus_;
  return D3D_OK;
}

// --- State blocks ------------------------------------------------------------------------------

HRESULT Device::CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** stateBlock) {
  if (!stateBlock) return D3DERR_INVALIDCALL;
  *stateBlock = nullptr;
  if (type < D3DSBT_ALL || type > D3DSBT_VERTEXSTATE || recording_) return D3DERR_INVALIDCALL;
  auto* block = new StateBlock(*this, DeviceChild::Start::ownedByApplication, StateMask::forType(type, state_));
  copyMaskedState(state_, block->values(), block->mask());
  *stateBlock = block;
  return D3D_OK;
}

HRESULT Device::BeginStateBlock() {
  if (recording_) return D3DERR_INVALIDCALL;
  auto* block = new StateBlock(*this, DeviceChild::Start::ownedByDevice, StateMask{});
  recording_ = Binding<StateBlock>(block);
  block->releaseDeviceReference();
  return D3D_OK;
}

HRESULT Device::EndStateBlock(IDirect3DStateBlock9** stateBlock) {
  if (!stateBlock) return D3DERR_INVALIDCALL;
  *stateBlock = nullptr;
  if (!recording_) return D3DERR_INVALIDCALL;
  StateBlock* block = recording_.get();
  block->AddRef();
  recording_ = {};
  *stateBlock = block;
  return D3D_OK;
}

HRESULT Device::applyStateBlock(StateBlock& block) {
  if (recording_) return D3DERR_INVALIDCALL;
  copyMaskedState(block.values(), state_, block.mask());
  return D3D_OK;
}

HRESULT Device::captureStateBlock(StateBlock& block) {
  if (recording_) return D3DERR_INVALIDCALL;
  copyMaskedState(state_, block.values(), block.mask());
  return D3D_OK;
}

// --- Vertex input ------------------------------------------------------------------------------

HRESULT Device::CreateVertexDeclaration(const D3DVERTEXELEMENT9* vertexElements, IDirect3DVertexDeclaration9** decl) {
  if (!decl) return D3DERR_INVALIDCALL;
  *decl = nullptr;
  std::vector<D3DVERTEXELEMENT9> elements;
  if (HRESULT result = parseVertexDeclaration(vertexElements, &elements); FAILED(result)) return result;
  *decl = new VertexDeclaration(*this, DeviceChild::Start::ownedByApplication, std::move(elements), 0);
  return D3D_OK;
}

HRESULT Device::SetVertexDeclaration(IDirect3DVertexDeclaration9* decl) {
  auto* ours = dynamic_cast<VertexDeclaration*>(decl);
  if (decl && (!ours || &ours->device() != this)) return D3DERR_INVALIDCALL;
  DeviceState& state = target();
  state.vertexDeclaration = Binding<VertexDeclaration>(ours);
  state.fvf = ours ? ours->fvf() : 0;
  if (StateMask* mask = recordingMask()) mask->vertexDeclaration = true;
  return D3D_OK;
}

HRESULT Device::GetVertexDeclaration(IDirect3DVertexDeclaration9** decl) {
  if (!decl) return D3DERR_INVALIDCALL;
  *decl = nullptr;
  if (isPure()) return D3DERR_INVALIDCALL;
  *decl = state_.vertexDeclaration.get();
  if (*decl) (*decl)->AddRef();
  return D3D_OK;
}

HRESULT Device::SetFVF(DWORD fvf) {
  Binding<VertexDeclaration> declaration;
  if (fvf != 0) {
    auto cached = std::find_if(fvfDeclarations_.begin(), fvfDeclarations_.end(),
                               [&](const Binding<VertexDeclaration>& d) { return d->fvf() == fvf; });
    if (cached != fvfDeclarations_.end()) {
      declaration = *cached;
    } else {
      std::vector<D3DVERTEXELEMENT9> elements;
      if (!declarationFromFvf(fvf, &elements)) return D3DERR_INVALIDCALL;
      auto* made = new VertexDeclaration(*this, DeviceChild::Start::ownedByDevice, std::move(elements), fvf);
      declaration = Binding<VertexDeclaration>(made);
      made->releaseDeviceReference();
      fvfDeclarations_.push_back(declaration);
    }
  }
  DeviceState& state = target();
  state.vertexDeclaration = declaration;
  state.fvf = fvf;
  if (StateMask* mask = recordingMask()) mask->vertexDeclaration = true;
  return D3D_OK;
}

HRESULT Device::GetFVF(DWORD* fvf) {
  if (!fvf || isPure()) return D3DERR_INVALIDCALL;
  *fvf = state_.fvf;
  return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData, UINT offsetInBytes,
                                UINT stride) {
  auto* buffer = dynamic_cast<VertexBuffer*>(streamData);
  if (streamNumber >= kStreamCount || (streamData && (!buffer || &buffer->device() != this))) {
    return D3DERR_INVALIDCALL;
  }
  target().streams[streamNumber] = {Binding<VertexBuffer>(buffer), offsetInBytes, stride};
  if (StateMask* mask = recordingMask()) mask->streams.set(streamNumber);
  return D3D_OK;
}

HRESULT Device::GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9** streamData, UINT* offsetInBytes,
                                UINT* stride) {
  if (!streamData || !offsetInBytes || !stride) return D3DERR_INVALIDCALL;
  *streamData = nullptr;
  if (streamNumber >= kStreamCount || isPure()) return D3DERR_INVALIDCALL;
  const StreamSource& stream = state_.streams[streamNumber];
  *streamData = stream.buffer.get();
  if (*streamData) (*streamData)->AddRef();
  *offsetInBytes = stream.offset;
  *stride = stream.stride;
  return D3D_OK;
}

HRESULT Device::SetStreamSourceFreq(UINT streamNumber, UINT setting) {
  if (streamNumber >= kStreamCount) return D3DERR_INVALIDCALL;
  target().streamFrequencies[streamNumber] = setting;
  if (StateMask* mask = recordingMask()) mask->streamFrequencies.set(streamNumber);
  return D3D_OK;
}

HRESULT Device::GetStreamSourceFreq(UINT streamNumber, UINT* setting) {
  if (!setting || streamNumber >= kStreamCount || isPure()) return D3DERR_INVALIDCALL;
  *setting = state_.streamFrequencies[streamNumber];
  return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* indexData) {
  auto* buffer = dynamic_cast<IndexBuffer*>(indexData);
  if (indexData && (!buffer || &buffer->device() != this)) return D3DERR_INVALIDCALL;
  target().indices = Binding<IndexBuffer>(buffer);
  if (StateMask* mask = recordingMask()) mask->indices = true;
  return D3D_OK;
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer9** indexData) {
  if (!indexData) return D3DERR_INVALIDCALL;
  *indexData = nullptr;
  if (isPure()) return D3DERR_INVALIDCALL;
  *indexData = state_.indices.get();
  if (*indexData) (*indexData)->AddRef();
  return D3D_OK;
}

// --- Shaders and their constants ---------------------------------------------------------------

HRESULT Device::CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader) {
  if (!shader) return D3DERR_INVALIDCALL;
  *shader = nullptr;
  std::vector<DWORD> words;
  if (HRESULT result = validateShaderFunction(function, ShaderKind::vertex, &words); FAILED(result)) return result;
  *shader = new VertexShader(*this, std::move(words));
  return D3D_OK;
}

HRESULT Device::SetVertexShader(IDirect3DVertexShader9* shader) {
  auto* ours = dynamic_cast<VertexShader*>(shader);
  if (shader && (!ours || &ours->device() != this)) return D3DERR_INVALIDCALL;
  target().vertexShader = Binding<VertexShader>(ours);
  if (StateMask* mask = recordingMask()) mask->vertexShader = true;
  return D3D_OK;
}

HRESULT Device::GetVertexShader(IDirect3DVertexShader9** shader) {
  if (!shader) return D3DERR_INVALIDCALL;
  *shader = nullptr;
  if (isPure()) return D3DERR_INVALIDCALL;
  *shader = state_.vertexShader.get();
  if (*shader) (*shader)->AddRef();
  return D3D_OK;
}

HRESULT Device::CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** shader) {
  if (!shader) return D3DERR_INVALIDCALL;
  *shader = nullptr;
  std::vector<DWORD> words;
  if (HRESULT result = validateShaderFunction(function, ShaderKind::pixel, &words); FAILED(result)) return result;
  *shader = new PixelShader(*this, std::move(words));
  return D3D_OK;
}

HRESULT Device::SetPixelShader(IDirect3DPixelShader9* shader) {
  auto* ours = dynamic_cast<PixelShader*>(shader);
  if (shader && (!ours || &ours->device() != this)) return D3DERR_INVALIDCALL;
  target().pixelShader = Binding<PixelShader>(ours);
  if (StateMask* mask = recordingMask()) mask->pixelShader = true;
  return D3D_OK;
}

HRESULT Device::GetPixelShader(IDirect3DPixelShader9** shader) {
  if (!shader) return D3DERR_INVALIDCALL;
  *shader = nullptr;
  if (isPure()) return D3DERR_INVALIDCALL;
  *shader = state_.pixelShader.get();
  if (*shader) (*shader)->AddRef();
  return D3D_OK;
}

HRESULT Device::SetVertexShaderConstantF(UINT start, const float* data, UINT count) {
  if (!data || !rangeFits(start, count, kVertexShaderFloatConstants)) return D3DERR_INVALIDCALL;
  StateMask* mask = recordingMask();
  writeConstants(target().vertexFloats, mask ? &mask->vertexFloats : nullptr, start, count, data);
  return D3D_OK;
}

HRESULT Device::GetVertexShaderConstantF(UINT start, float* data, UINT count) {
  if (!data || !rangeFits(start, count, kVertexShaderFloatConstants) || isPure()) return D3DERR_INVALIDCALL;
  readConstants(state_.vertexFloats, start, count, data);
  return D3D_OK;
}

HRESULT Device::SetVertexShaderConstantI(UINT start, const int* data, UINT count) {
  if (!data || !rangeFits(start, count, kIntegerConstants)) return D3DERR_INVALIDCALL;
  StateMask* mask = recordingMask();
  writeConstants(target().vertexInts, mask ? &mask->vertexInts : nullptr, start, count, data);
  return D3D_OK;
}

HRESULT Device::GetVertexShaderConstantI(UINT start, int* data, UINT count) {
  if (!data || !rangeFits(start, count, kIntegerConstants) || isPure()) return D3DERR_INVALIDCALL;
  readConstants(state_.vertexInts, start, count, data);
  return D3D_OK;
}

HRESULT Device::SetVertexShaderConstantB(UINT start, const BOOL* data, UINT count) {
  if (!data || !rangeFits(start, count, kBoolConstants)) return D3DERR_INVALIDCALL;
  StateMask* mask = recordingMask();
  writeConstants(target().vertexBools, mask ? &mask->vertexBools : nullptr, start, count, data);
  return D3D_OK;
}

HRESULT Device::GetVertexShaderConstantB(UINT start, BOOL* data, UINT count) {
  if (!data || !rangeFits(start, count, kBoolConstants) || isPure()) return D3DERR_INVALIDCALL;
  readConstants(state_.vertexBools, start, count, data);
  return D3D_OK;
}

HRESULT Device::SetPixelShaderConstantF(UINT start, const float* data, UINT count) {
  if (!data || !rangeFits(start, count, kPixelShaderFloatConstants)) return D3DERR_INVALIDCALL;
  StateMask* mask = recordingMask();
  writeConstants(target().pixelFloats, mask ? &mask->pixelFloats : nullptr, start, count, data);
  return D3D_OK;
}

HRESULT Device::GetPixelShaderConstantF(UINT start, float* data, UINT count) {
  if (!data || !rangeFits(start, count, kPixelShaderFloatConstants) || isPure()) return D3DERR_INVALIDCALL;
  readConstants(state_.pixelFloats, start, count, data);
  return D3D_OK;
}

HRESULT Device::SetPixelShaderConstantI(UINT start, const int* data, UINT count) {
  if (!data || !rangeFits(start, count, kIntegerConstants)) return D3DERR_INVALIDCALL;
  StateMask* mask = recordingMask();
  writeConstants(target().pixelInts, mask ? &mask->pixelInts : nullptr, start, count, data);
  return D3D_OK;
}

HRESULT Device::GetPixelShaderConstantI(UINT start, int* data, UINT count) {
  if (!data || !rangeFits(start, count, kIntegerConstants) || isPure()) return D3DERR_INVALIDCALL;
  readConstants(state_.pixelInts, start, count, data);
  return D3D_OK;
}

HRESULT Device::SetPixelShaderConstantB(UINT start, const BOOL* data, UINT count) {
  if (!data || !rangeFits(start, count, kBoolConstants)) return D3DERR_INVALIDCALL;
  StateMask* mask = recordingMask();
  writeConstants(target().pixelBools, mask ? &mask->pixelBools : nullptr, start, count, data);
  return D3D_OK;
}

HRESULT Device::GetPixelShaderConstantB(UINT start, BOOL* data, UINT count) {
  if (!data || !rangeFits(start, count, kBoolConstants) || isPure()) return D3DERR_INVALIDCALL;
  readConstants(state_.pixelBools, start, count, data);
  return D3D_OK;
}

}  // namespace platform::d3d9
