#include "platform/d3d9/device_state.h"

#include <algorithm>

namespace platform::d3d9 {
namespace {

constexpr DWORD kFloatZero = 0x00000000;  // 0.0f
constexpr DWORD kFloatOne = 0x3F800000;   // 1.0f
constexpr DWORD kFloat64 = 0x42800000;    // 64.0f
constexpr BYTE kPixel = kPixelGroup;
constexpr BYTE kVertex = kVertexGroup;
constexpr BYTE kBoth = kPixelGroup | kVertexGroup;

// Every render state with its default and the state-block kinds that hold it.
constexpr RenderStateDefault kRenderStates[] = {
    {D3DRS_ZENABLE, D3DZB_FALSE, kPixel},
    {D3DRS_FILLMODE, D3DFILL_SOLID, kPixel},
    {D3DRS_SHADEMODE, D3DSHADE_GOURAUD, kBoth},
    {D3DRS_ZWRITEENABLE, TRUE, kPixel},
    {D3DRS_ALPHATESTENABLE, FALSE, kPixel},
    {D3DRS_LASTPIXEL, TRUE, kPixel},
    {D3DRS_SRCBLEND, D3DBLEND_ONE, kPixel},
    {D3DRS_DESTBLEND, D3DBLEND_ZERO, kPixel},
    {D3DRS_CULLMODE, D3DCULL_CCW, kVertex},
    {D3DRS_ZFUNC, D3DCMP_LESSEQUAL, kPixel},
    {D3DRS_ALPHAREF, 0, kPixel},
    {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS, kPixel},
    {D3DRS_DITHERENABLE, FALSE, kPixel},
    {D3DRS_ALPHABLENDENABLE, FALSE, kPixel},
    {D3DRS_FOGENABLE, FALSE, kVertex},
    {D3DRS_SPECULARENABLE, FALSE, kVertex},
    {D3DRS_FOGCOLOR, 0, kVertex},
    {D3DRS_FOGTABLEMODE, D3DFOG_NONE, kVertex},
    {D3DRS_FOGSTART, kFloatZero, kBoth},
    {D3DRS_FOGEND, kFloatOne, kBoth},
    {D3DRS_FOGDENSITY, kFloatOne, kBoth},
    {D3DRS_RANGEFOGENABLE, FALSE, kVertex},
    {D3DRS_STENCILENABLE, FALSE, kPixel},
    {D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP, kPixel},
    {D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP, kPixel},
    {D3DRS_STENCILPASS, D3DSTENCILOP_KEEP, kPixel},
    {D3DRS_STENCILFUNC, D3DCMP_ALWAYS, kPixel},
    {D3DRS_STENCILREF, 0, kPixel},
    {D3DRS_STENCILMASK, 0xFFFFFFFF, kPixel},
    {D3DRS_STENCILWRITEMASK, 0xFFFFFFFF, kPixel},
    {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF, kPixel},
    {D3DRS_WRAP0, 0, kPixel},
    {D3DRS_WRAP1, 0, kPixel},
    {D3DRS_WRAP2, 0, kPixel},
    {D3DRS_WRAP3, 0, kPixel},
    {D3DRS_WRAP4, 0, kPixel},
    {D3DRS_WRAP5, 0, kPixel},
    {D3DRS_WRAP6, 0, kPixel},
    {D3DRS_WRAP7, 0, kPixel},
    {D3DRS_CLIPPING, TRUE, kVertex},
    {D3DRS_LIGHTING, TRUE, kVertex},
    {D3DRS_AMBIENT, 0, kVertex},
    {D3DRS_FOGVERTEXMODE, D3DFOG_NONE, kVertex},
    {D3DRS_COLORVERTEX, TRUE, kVertex},
    {D3DRS_LOCALVIEWER, TRUE, kVertex},
    {D3DRS_NORMALIZENORMALS, FALSE, kVertex},
    {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1, kVertex},
    {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2, kVertex},
    {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL, kVertex},
    {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL, kVertex},
    {D3DRS_VERTEXBLEND, D3DVBF_DISABLE, kVertex},
    {D3DRS_CLIPPLANEENABLE, 0, kVertex},
    {D3DRS_POINTSIZE, kFloatOne, kVertex},
    {D3DRS_POINTSIZE_MIN, kFloatOne, kVertex},
    {D3DRS_POINTSPRITEENABLE, FALSE, kVertex},
    {D3DRS_POINTSCALEENABLE, FALSE, kVertex},
    {D3DRS_POINTSCALE_A, kFloatOne, kVertex},
    {D3DRS_POINTSCALE_B, kFloatZero, kVertex},
    {D3DRS_POINTSCALE_C, kFloatZero, kVertex},
    {D3DRS_MULTISAMPLEANTIALIAS, TRUE, kVertex},
    {D3DRS_MULTISAMPLEMASK, 0xFFFFFFFF, kVertex},
    {D3DRS_PATCHEDGESTYLE, D3DPATCHEDGE_DISCRETE, kVertex},
    {D3DRS_DEBUGMONITORTOKEN, 0, 0},
    {D3DRS_POINTSIZE_MAX, kFloat64, kVertex},
    {D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE, kVertex},
    {D3DRS_COLORWRITEENABLE, 0x0000000F, kPixel},
    {D3DRS_TWEENFACTOR, kFloatZero, kVertex},
    {D3DRS_BLENDOP, D3DBLENDOP_ADD, kPixel},
    {D3DRS_POSITIONDEGREE, D3DDEGREE_CUBIC, kVertex},
    {D3DRS_NORMALDEGREE, D3DDEGREE_LINEAR, kVertex},
    {D3DRS_SCISSORTESTENABLE, FALSE, kPixel},
    {D3DRS_SLOPESCALEDEPTHBIAS, 0, kPixel},
    {D3DRS_ANTIALIASEDLINEENABLE, FALSE, kPixel},
    {D3DRS_MINTESSELLATIONLEVEL, kFloatOne, kVertex},
    {D3DRS_MAXTESSELLATIONLEVEL, kFloatOne, kVertex},
    {D3DRS_ADAPTIVETESS_X, kFloatZero, kVertex},
    {D3DRS_ADAPTIVETESS_Y, kFloatZero, kVertex},
    {D3DRS_ADAPTIVETESS_Z, kFloatOne, kVertex},
    {D3DRS_ADAPTIVETESS_W, kFloatZero, kVertex},
    {D3DRS_ENABLEADAPTIVETESSELLATION, FALSE, kVertex},
    {D3DRS_TWOSIDEDSTENCILMODE, FALSE, kPixel},
    {D3DRS_CCW_STENCILFAIL, D3DSTENCILOP_KEEP, kPixel},
    {D3DRS_CCW_STENCILZFAIL, D3DSTENCILOP_KEEP, kPixel},
    {D3DRS_CCW_STENCILPASS, D3DSTENCILOP_KEEP, kPixel},
    {D3DRS_CCW_STENCILFUNC, D3DCMP_ALWAYS, kPixel},
    {D3DRS_COLORWRITEENABLE1, 0x0000000F, kPixel},
    {D3DRS_COLORWRITEENABLE2, 0x0000000F, kPixel},
    {D3DRS_COLORWRITEENABLE3, 0x0000000F, kPixel},
    {D3DRS_BLENDFACTOR, 0xFFFFFFFF, kPixel},
    {D3DRS_SRGBWRITEENABLE, 0, kPixel},
    {D3DRS_DEPTHBIAS, 0, kPixel},
    {D3DRS_WRAP8, 0, kPixel},
    {D3DRS_WRAP9, 0, kPixel},
    {D3DRS_WRAP10, 0, kPixel},
    {D3DRS_WRAP11, 0, kPixel},
    {D3DRS_WRAP12, 0, kPixel},
    {D3DRS_WRAP13, 0, kPixel},
    {D3DRS_WRAP14, 0, kPixel},
    {D3DRS_WRAP15, 0, kPixel},
    {D3DRS_SEPARATEALPHABLENDENABLE, FALSE, kPixel},
    {D3DRS_SRCBLENDALPHA, D3DBLEND_ONE, kPixel},
    {D3DRS_DESTBLENDALPHA, D3DBLEND_ZERO, kPixel},
    {D3DRS_BLENDOPALPHA, D3DBLENDOP_ADD, kPixel},
};

constexpr bool strictlyIncreasing(auto const& rows) {
  for (std::size_t i = 1; i < std::size(rows); ++i) {
    if (rows[i - 1].state >= rows[i].state) return false;
  }
  return true;
}
static_assert(strictlyIncreasing(kRenderStates), "render states in value order, each once");
static_assert(std::size(kRenderStates) == 103, "every Direct3D 9 render state");

constexpr StageStateDefault kStageStates[] = {
    {D3DTSS_COLOROP, D3DTOP_MODULATE, D3DTOP_DISABLE, kPixel},
    {D3DTSS_COLORARG1, D3DTA_TEXTURE, D3DTA_TEXTURE, kPixel},
    {D3DTSS_COLORARG2, D3DTA_CURRENT, D3DTA_CURRENT, kPixel},
    {D3DTSS_ALPHAOP, D3DTOP_SELECTARG1, D3DTOP_DISABLE, kPixel},
    {D3DTSS_ALPHAARG1, D3DTA_TEXTURE, D3DTA_TEXTURE, kPixel},
    {D3DTSS_ALPHAARG2, D3DTA_CURRENT, D3DTA_CURRENT, kPixel},
    {D3DTSS_BUMPENVMAT00, kFloatZero, kFloatZero, kPixel},
    {D3DTSS_BUMPENVMAT01, kFloatZero, kFloatZero, kPixel},
    {D3DTSS_BUMPENVMAT10, kFloatZero, kFloatZero, kPixel},
    {D3DTSS_BUMPENVMAT11, kFloatZero, kFloatZero, kPixel},
    {D3DTSS_TEXCOORDINDEX, 0, 0, kVertex},  // the stage's own number, set in defaults()
    {D3DTSS_BUMPENVLSCALE, kFloatZero, kFloatZero, kPixel},
    {D3DTSS_BUMPENVLOFFSET, kFloatZero, kFloatZero, kPixel},
    {D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE, D3DTTFF_DISABLE, kVertex},
    {D3DTSS_COLORARG0, D3DTA_CURRENT, D3DTA_CURRENT, kPixel},
    {D3DTSS_ALPHAARG0, D3DTA_CURRENT, D3DTA_CURRENT, kPixel},
    {D3DTSS_RESULTARG, D3DTA_CURRENT, D3DTA_CURRENT, kPixel},
    {D3DTSS_CONSTANT, 0xFFFFFFFF, 0xFFFFFFFF, kPixel},
};
static_assert(strictlyIncreasing(kStageStates), "stage states in value order, each once");
static_assert(std::size(kStageStates) == 18);

constexpr SamplerStateDefault kSamplerStates[] = {
    {D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP, kPixel},
    {D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP, kPixel},
    {D3DSAMP_ADDRESSW, D3DTADDRESS_WRAP, kPixel},
    {D3DSAMP_BORDERCOLOR, 0, kPixel},
    {D3DSAMP_MAGFILTER, D3DTEXF_POINT, kPixel},
    {D3DSAMP_MINFILTER, D3DTEXF_POINT, kPixel},
    {D3DSAMP_MIPFILTER, D3DTEXF_NONE, kPixel},
    {D3DSAMP_MIPMAPLODBIAS, kFloatZero, kPixel},
    {D3DSAMP_MAXMIPLEVEL, 0, kPixel},
    {D3DSAMP_MAXANISOTROPY, 1, kPixel},
    {D3DSAMP_SRGBTEXTURE, 0, kPixel},
    {D3DSAMP_ELEMENTINDEX, 0, kPixel},
    {D3DSAMP_DMAPOFFSET, 0, kVertex},
};
static_assert(strictlyIncreasing(kSamplerStates), "sampler states in value order, each once");
static_assert(std::size(kSamplerStates) == 13);

template <typename Rows>
bool contains(const Rows& rows, DWORD state) {
  return std::any_of(std::begin(rows), std::end(rows), [&](const auto& row) { return row.state == state; });
}

D3DMATRIX identity() {
  D3DMATRIX m{};
  for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
  return m;
}

}  // namespace

std::span<const RenderStateDefault> renderStateDefaults() { return kRenderStates; }
std::span<const StageStateDefault> stageStateDefaults() { return kStageStates; }
std::span<const SamplerStateDefault> samplerStateDefaults() { return kSamplerStates; }

bool isRenderState(DWORD state) { return state < kRenderStateSlots && contains(kRenderStates, state); }
bool isStageState(DWORD state) { return state < kStageStateSlots && contains(kStageStates, state); }
bool isSamplerState(DWORD state) { return state < kSamplerStateSlots && contains(kSamplerStates, state); }

bool samplerSlot(DWORD sampler, UINT* slot) {
  if (sampler < kPixelSamplerCount) {
    *slot = sampler;
  } else if (sampler >= D3DDMAPSAMPLER && sampler <= D3DVERTEXTEXTURESAMPLER3) {
    *slot = kPixelSamplerCount + (sampler - D3DDMAPSAMPLER);
  } else {
    return false;
  }
  return true;
}

bool transformSlot(DWORD state, UINT* slot) {
  if (state == D3DTS_VIEW || state == D3DTS_PROJECTION) {
    *slot = state - D3DTS_VIEW;
  } else if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) {
    *slot = 2 + (state - D3DTS_TEXTURE0);
  } else if (state >= D3DTS_WORLD && state < D3DTS_WORLD + 256) {
    *slot = 10 + (state - D3DTS_WORLD);
  } else {
    return false;
  }
  return true;
}

DeviceState DeviceState::defaults(bool autoDepthStencil, UINT targetWidth, UINT targetHeight) {
  DeviceState state;
  for (const RenderStateDefault& row : kRenderStates) state.renderStates[row.state] = row.value;
  state.renderStates[D3DRS_ZENABLE] = autoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
  for (UINT stage = 0; stage < kTextureStageCount; ++stage) {
    for (const StageStateDefault& row : kStageStates) {
      state.stageStates[stage][row.state] = stage == 0 ? row.stageZero : row.otherStages;
    }
    state.stageStates[stage][D3DTSS_TEXCOORDINDEX] = stage;
  }
  for (auto& sampler : state.samplerStates) {
    for (const SamplerStateDefault& row : kSamplerStates) sampler[row.state] = row.value;
  }
  state.transforms.fill(identity());
  state.viewport = {0, 0, targetWidth, targetHeight, 0.0f, 1.0f};
  state.scissorRect = {0, 0, static_cast<LONG>(targetWidth), static_cast<LONG>(targetHeight)};
  state.streamFrequencies.fill(1);
  return state;
}

StateMask StateMask::forType(D3DSTATEBLOCKTYPE type, const DeviceState& state) {
  StateMask mask;
  const BYTE group = type == D3DSBT_PIXELSTATE ? kPixelGroup : type == D3DSBT_VERTEXSTATE ? kVertexGroup : 0;
  auto wanted = [&](BYTE groups) { return group == 0 ? groups != 0 : (groups & group) != 0; };
  for (const RenderStateDefault& row : kRenderStates) mask.renderStates[row.state] = wanted(row.groups);
  for (auto& stage : mask.stageStates) {
    for (const StageStateDefault& row : kStageStates) stage[row.state] = wanted(row.groups);
  }
  for (auto& sampler : mask.samplerStates) {
    for (const SamplerStateDefault& row : kSamplerStates) sampler[row.state] = wanted(row.groups);
  }
  const bool pixel = group != kVertexGroup;
  const bool vertex = group != kPixelGroup;
  if (pixel) {
    mask.pixelFloats.set();
    mask.pixelInts.set();
    mask.pixelBools.set();
    mask.pixelShader = true;
  }
  if (vertex) {
    mask.vertexFloats.set();
    mask.vertexInts.set();
    mask.vertexBools.set();
    mask.vertexShader = true;
    mask.vertexDeclaration = true;
    mask.streamFrequencies.set();
    for (const auto& [index, light] : state.lights) mask.lights[index] = true;
  }
  if (group == 0) {
    mask.transforms.set();
    mask.textures.set();
    mask.streams.set();
    mask.clipPlanes.set();
    mask.viewport = true;
    mask.scissorRect = true;
    mask.material = true;
    mask.indices = true;
    mask.nPatchMode = true;
    mask.texturePalette = true;
  }
  return mask;
}

namespace {

template <typename Array, typename Bits>
void copyBits(const Array& from, Array& to, const Bits& bits) {
  for (std::size_t i = 0; i < bits.size(); ++i) {
    if (bits[i]) to[i] = from[i];
  }
}

}  // namespace

void copyMaskedState(const DeviceState& from, DeviceState& to, const StateMask& mask) {
  copyBits(from.renderStates, to.renderStates, mask.renderStates);
  for (UINT stage = 0; stage < kTextureStageCount; ++stage) {
    copyBits(from.stageStates[stage], to.stageStates[stage], mask.stageStates[stage]);
  }
  for (UINT sampler = 0; sampler < kSamplerSlotCount; ++sampler) {
    copyBits(from.samplerStates[sampler], to.samplerStates[sampler], mask.samplerStates[sampler]);
  }
  copyBits(from.transforms, to.transforms, mask.transforms);
  copyBits(from.textures, to.textures, mask.textures);
  copyBits(from.streams, to.streams, mask.streams);
  copyBits(from.streamFrequencies, to.streamFrequencies, mask.streamFrequencies);
  copyBits(from.clipPlanes, to.clipPlanes, mask.clipPlanes);
  copyBits(from.vertexFloats, to.vertexFloats, mask.vertexFloats);
  copyBits(from.vertexInts, to.vertexInts, mask.vertexInts);
  copyBits(from.vertexBools, to.vertexBools, mask.vertexBools);
  copyBits(from.pixelFloats, to.pixelFloats, mask.pixelFloats);
  copyBits(from.pixelInts, to.pixelInts, mask.pixelInts);
  copyBits(from.pixelBools, to.pixelBools, mask.pixelBools);
  for (const auto& [index, recorded] : mask.lights) {
    if (!recorded) continue;
    auto found = from.lights.find(index);
    if (found != from.lights.end()) to.lights[index] = found->second;
  }
  if (mask.viewport) to.viewport = from.viewport;
  if (mask.scissorRect) to.scissorRect = from.scissorRect;
  if (mask.material) to.material = from.material;
  if (mask.indices) to.indices = from.indices;
  if (mask.vertexDeclaration) {
    to.vertexDeclaration = from.vertexDeclaration;
    to.fvf = from.fvf;
  }
  if (mask.vertexShader) to.vertexShader = from.vertexShader;
  if (mask.pixelShader) to.pixelShader = from.pixelShader;
  if (mask.nPatchMode) to.nPatchSegments = from.nPatchSegments;
  if (mask.texturePalette) to.currentTexturePalette = from.currentTexturePalette;
}

}  // namespace platform::d3d9
