#include "platform/d3d9/pixel_stage.h"
#include "platform/d3d9/raw_bits.h"

#include <algorithm>
#include <cstring>

namespace platform::d3d9 {
namespace {

float clamp01(float x) { return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f; }

Vec4 fromArgb(D3DCOLOR c) {
  return {((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f, ((c >> 24) & 0xFF) / 255.0f};
}

// What the texture stages read for one pixel.
struct StageInputs {
  Vec4 diffuse, specular, current, temp, texture, factor, constant;
};

Vec4 argument(DWORD selector, const StageInputs& in) {
  Vec4 v;
  switch (selector & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE: v = in.diffuse; break;
    case D3DTA_CURRENT: v = in.current; break;
    case D3DTA_TEXTURE: v = in.texture; break;
    case D3DTA_TFACTOR: v = in.factor; break;
    case D3DTA_SPECULAR: v = in.specular; break;
    case D3DTA_TEMP: v = in.temp; break;
    case D3DTA_CONSTANT: v = in.constant; break;
    default: v = in.current; break;
  }
  if (selector & D3DTA_ALPHAREPLICATE) v = {v[3], v[3], v[3], v[3]};
  if (selector & D3DTA_COMPLEMENT) v = {1 - v[0], 1 - v[1], 1 - v[2], 1 - v[3]};
  return v;
}

// One texture operation on components [first, last) of the arguments.
void operate(DWORD op, const Vec4& a1, const Vec4& a2, const Vec4& a0, const StageInputs& in, int first, int last,
             Vec4* out) {
  for (int c = first; c < last; ++c) {
    auto i = static_cast<std::size_t>(c);
    float x = a1[i], y = a2[i], z = a0[i], r;
    switch (op) {
      case D3DTOP_SELECTARG2: r = y; break;
      case D3DTOP_MODULATE: r = x * y; break;
      case D3DTOP_MODULATE2X: r = 2 * x * y; break;
      case D3DTOP_MODULATE4X: r = 4 * x * y; break;
      case D3DTOP_ADD: r = x + y; break;
      case D3DTOP_ADDSIGNED: r = x + y - 0.5f; break;
      case D3DTOP_ADDSIGNED2X: r = 2 * (x + y - 0.5f); break;
      case D3DTOP_SUBTRACT: r = x - y; break;
      case D3DTOP_ADDSMOOTH: r = x + y * (1 - x); break;
      case D3DTOP_BLENDDIFFUSEALPHA: r = x * in.diffuse[3] + y * (1 - in.diffuse[3]); break;
      case D3DTOP_BLENDTEXTUREALPHA: r = x * in.texture[3] + y * (1 - in.texture[3]); break;
      case D3DTOP_BLENDFACTORALPHA: r = x * in.factor[3] + y * (1 - in.factor[3]); break;
      case D3DTOP_BLENDTEXTUREALPHAPM: r = x + y * (1 - in.texture[3]); break;
      case D3DTOP_BLENDCURRENTALPHA: r = x * in.current[3] + y * (1 - in.current[3]); break;
      case D3DTOP_MODULATEALPHA_ADDCOLOR: r = c == 3 ? x : x + a1[3] * y; break;
      case D3DTOP_MODULATECOLOR_ADDALPHA: r = c == 3 ? x : x * y + a1[3]; break;
      case D3DTOP_MODULATEINVALPHA_ADDCOLOR: r = c == 3 ? x : (1 - a1[3]) * y + x; break;
      case D3DTOP_MODULATEINVCOLOR_ADDALPHA: r = c == 3 ? x : (1 - x) * y + a1[3]; break;
      case D3DTOP_DOTPRODUCT3:
        r = 4 * ((a1[0] - 0.5f) * (a2[0] - 0.5f) + (a1[1] - 0.5f) * (a2[1] - 0.5f) + (a1[2] - 0.5f) * (a2[2] - 0.5f));
        break;
      case D3DTOP_MULTIPLYADD: r = z + x * y; break;
      case D3DTOP_LERP: r = z * x + (1 - z) * y; break;
      default: r = x; break;  // SELECTARG1 and PREMODULATE pass their first argument
    }
    (*out)[i] = clamp01(r);
  }
}

bool isBumpOperation(DWORD op) { return op == D3DTOP_BUMPENVMAP || op == D3DTOP_BUMPENVMAPLUMINANCE; }

}  // namespace

bool PixelStage::bind(const DeviceState& state, SamplerSet* samplers, const VaryingMap& varyings) {
  state_ = &state;
  samplers_ = samplers;
  program_ = state.pixelShader ? state.pixelShader->program() : nullptr;
  if (state.pixelShader && !program_) return false;
  usedSlots_ = 0;
  writesDepth_ = false;
  mayKill_ = false;
  stages_.clear();
  if (!program_) {
    textureFactor_ = fromArgb(state.renderStates[D3DRS_TEXTUREFACTOR]);
    specularAdd_ = state.renderStates[D3DRS_SPECULARENABLE] != 0;
    usedSlots_ = (1u << kDiffuseSlot) | (1u << kSpecularSlot);
    for (UINT s = 0; s < kTextureStageCount; ++s) {
      const auto& ss = state.stageStates[s];
      if (ss[D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
      Stage stage{};
      stage.colorOp = ss[D3DTSS_COLOROP];
      stage.alphaOp = ss[D3DTSS_ALPHAOP] == D3DTOP_DISABLE ? D3DTOP_SELECTARG2 : ss[D3DTSS_ALPHAOP];
      stage.colorArgs = {ss[D3DTSS_COLORARG1], ss[D3DTSS_COLORARG2], ss[D3DTSS_COLORARG0]};
      stage.alphaArgs = {ss[D3DTSS_ALPHAARG1], ss[D3DTSS_ALPHAARG2], ss[D3DTSS_ALPHAARG0]};
      stage.result = ss[D3DTSS_RESULTARG];
      stage.constant = fromArgb(ss[D3DTSS_CONSTANT]);
      stage.bump = {floatFromBits(ss[D3DTSS_BUMPENVMAT00]),  floatFromBits(ss[D3DTSS_BUMPENVMAT01]),
                    floatFromBits(ss[D3DTSS_BUMPENVMAT10]),  floatFromBits(ss[D3DTSS_BUMPENVMAT11]),
                    floatFromBits(ss[D3DTSS_BUMPENVLSCALE]), floatFromBits(ss[D3DTSS_BUMPENVLOFFSET])};
      stage.textured = s < samplers->pixel().size() && samplers->pixel()[s].bound();
      // Without a texture the default alpha argument reads the diffuse colour.
      if (!stage.textured && stage.alphaArgs[0] == D3DTA_TEXTURE) stage.alphaArgs[0] = D3DTA_DIFFUSE;
      // The vertex stage delivers each stage's own coordinates (after TEXCOORDINDEX and any
      // texture transform) in the stage's slot.
      stage.texCoordSlot = kTexCoordSlot + static_cast<int>(s);
      DWORD flags = ss[D3DTSS_TEXTURETRANSFORMFLAGS];
      stage.projectedComponent =
          (flags & D3DTTFF_PROJECTED) && (flags & 0xFF) >= 2 ? static_cast<int>(flags & 0xFF) - 1 : -1;
      if (stage.textured && stage.texCoordSlot >= 0) usedSlots_ |= 1u << stage.texCoordSlot;
      stages_.push_back(stage);
    }
    textureTimesDiffuse_ = false;
    if (stages_.size() == 1) {
      const Stage& only = stages_.front();
      textureTimesDiffuse_ = only.textured && only.colorOp == D3DTOP_MODULATE && only.colorArgs[0] == D3DTA_TEXTURE &&
                             only.colorArgs[1] == D3DTA_CURRENT && only.alphaOp == D3DTOP_SELECTARG1 &&
                             only.alphaArgs[0] == D3DTA_TEXTURE && only.result == D3DTA_CURRENT &&
                             only.projectedComponent < 0 && !specularAdd_;
    }
    return true;
  }
  const ShaderProgram& p = *program_;
  floats_.resize(kPixelShaderFloatConstants);
  mergeFloatConstants(p, state.pixelFloats.data(), kPixelShaderFloatConstants, floats_.data());
  mergeIntegerConstants(p, state.pixelInts.data(), integers_.data());
  mergeBoolConstants(p, state.pixelBools.data(), bools_.data());
  for (UINT s = 0; s < 8; ++s) {
    const auto& ss = state.stageStates[s];
    bump_[s] = {floatFromBits(ss[D3DTSS_BUMPENVMAT00]),  floatFromBits(ss[D3DTSS_BUMPENVMAT01]),
                floatFromBits(ss[D3DTSS_BUMPENVMAT10]),  floatFromBits(ss[D3DTSS_BUMPENVMAT11]),
                floatFromBits(ss[D3DTSS_BUMPENVLSCALE]), floatFromBits(ss[D3DTSS_BUMPENVLOFFSET])};
  }
  constants_ = {};
  constants_.floats = floats_.data();
  constants_.floatCount = kPixelShaderFloatConstants;
  constants_.integers = integers_.data();
  constants_.bools = bools_.data();
  constants_.sampling = samplers;
  constants_.bumpEnvironment = &bump_;
  inputSlots_.fill(-1);
  VaryingMap map = varyings;
  if (p.major >= 3) {
    for (const ShaderDeclaration& d : p.declarations) {
      if (d.type == D3DSPR_INPUT && d.number < 16) inputSlots_[d.number] = map.slotOf(d.usage, d.usageIndex, false);
    }
  } else if (p.major == 2) {
    // 2.x shaders declare the colours and texture coordinates they read.
    for (const ShaderDeclaration& d : p.declarations) {
      if (d.type == D3DSPR_INPUT && d.number < 2) inputSlots_[d.number] = kDiffuseSlot + static_cast<int>(d.number);
      if (d.type == D3DSPR_TEXTURE && d.number < 8) usedSlots_ |= 1u << (kTexCoordSlot + static_cast<int>(d.number));
    }
  } else {
    inputSlots_[0] = kDiffuseSlot;
    inputSlots_[1] = kSpecularSlot;
    usedSlots_ |= 0xFFu << kTexCoordSlot;
  }
  for (int slot : inputSlots_) {
    if (slot >= 0) usedSlots_ |= 1u << slot;
  }
  inputCount_ = p.major >= 3 ? 16 : 2;
  useQuadProgram_ = quadProgram_.compile(p, floats_.data(), kPixelShaderFloatConstants);
  tempCount_ = 0;
  for (const ShaderInstruction& in : p.code) {
    if (in.opcode == D3DSIO_TEXKILL) mayKill_ = true;
    if (in.hasDestination && in.destination.type == D3DSPR_DEPTHOUT) writesDepth_ = true;
    if (in.opcode == D3DSIO_TEXDEPTH || in.opcode == D3DSIO_TEXM3x2DEPTH) writesDepth_ = true;
    if (in.hasDestination && in.destination.type == D3DSPR_TEMP) {
      tempCount_ = std::max(tempCount_, static_cast<int>(std::min<DWORD>(in.destination.number + 1, 32)));
    }
  }
  // The quad program reads the quad directly when every register it reads is one the lanes
  // would have been given for this draw (so no value is left over from an earlier draw).
  quadProgramFromQuad_ = useQuadProgram_ && p.major >= 2 && !writesDepth_ && quadProgram_.inputCount() <= inputCount_;
  for (int t = 0; t < quadProgram_.textureCount(); ++t) {
    if (!(usedSlots_ & (1u << (kTexCoordSlot + t)))) quadProgramFromQuad_ = false;
  }
  return true;
}

void PixelStage::shade(const QuadInput& quad, QuadOutput* out) {
  if (program_) {
    shadeShader(quad, out);
  } else {
    shadeFixed(quad, out);
  }
}

void PixelStage::sampleStage(std::size_t stageIndex, const QuadInput& quad, std::array<Vec4, 4>* texels,
                             const std::array<Vec4, 4>* offsets) const {
  const Stage& stage = stages_[stageIndex];
  std::array<Vec4, 4> coordinates{};
  if (stage.texCoordSlot >= 0) coordinates = quad.varyings[static_cast<std::size_t>(stage.texCoordSlot)];
  if (stage.projectedComponent >= 0) {
    for (Vec4& c : coordinates) {
      float q = c[static_cast<std::size_t>(stage.projectedComponent)];
      if (q != 0.0f) {
        for (int i = 0; i < stage.projectedComponent; ++i) c[static_cast<std::size_t>(i)] /= q;
      }
    }
  }
  if (offsets) {
    for (std::size_t l = 0; l < 4; ++l) {
      coordinates[l][0] += (*offsets)[l][0];
      coordinates[l][1] += (*offsets)[l][1];
    }
  }
  float lod[4] = {};
  Vec4 ddx{}, ddy{};
  for (int c = 0; c < 4; ++c) {
    auto i = static_cast<std::size_t>(c);
    ddx[i] = coordinates[1][i] - coordinates[0][i];
    ddy[i] = coordinates[2][i] - coordinates[0][i];
  }
  samplers_->sample(static_cast<DWORD>(stageIndex), 4, coordinates.data(), ddx, ddy, LodMode::derivatives, lod,
                    texels->data());
}

void PixelStage::shadeFixed(const QuadInput& quad, QuadOutput* out) {
  out->depthWritten = false;
  out->killed = 0;
  if (textureTimesDiffuse_) {
    // The stage-0 defaults with a texture: colour = texture x diffuse, alpha = texture alpha.
    std::array<Vec4, 4> texels;
    sampleStage(0, quad, &texels);
    for (std::size_t l = 0; l < 4; ++l) {
      const Vec4& d = quad.varyings[kDiffuseSlot][l];
      const Vec4& t = texels[l];
      out->color[l] = {clamp01(clamp01(t[0]) * clamp01(d[0])), clamp01(clamp01(t[1]) * clamp01(d[1])),
                       clamp01(clamp01(t[2]) * clamp01(d[2])), clamp01(t[3])};
    }
    return;
  }
  std::array<StageInputs, 4> in;
  for (int l = 0; l < 4; ++l) {
    StageInputs& s = in[static_cast<std::size_t>(l)];
    s.diffuse = quad.varyings[kDiffuseSlot][static_cast<std::size_t>(l)];
    s.specular = quad.varyings[kSpecularSlot][static_cast<std::size_t>(l)];
    for (float& c : s.diffuse) c = clamp01(c);
    for (float& c : s.specular) c = clamp01(c);
    s.current = s.diffuse;
    s.temp = {0, 0, 0, 0};
    s.factor = textureFactor_;
  }
  // What a bump-map stage hands the next stage: (du', dv') and the luminance per lane.
  std::array<Vec4, 4> bumpOffsets{};
  std::array<float, 4> bumpLuminance{};
  bool bumpPending = false;
  bool premodulateColor = false, premodulateAlpha = false;
  for (std::size_t stageIndex = 0; stageIndex < stages_.size(); ++stageIndex) {
    const Stage& stage = stages_[stageIndex];
    bool bumped = bumpPending;
    bumpPending = false;
    if (stage.textured) {
      std::array<Vec4, 4> texels;
      sampleStage(stageIndex, quad, &texels, bumped ? &bumpOffsets : nullptr);
      for (std::size_t l = 0; l < 4; ++l) {
        if (bumped) {
          for (std::size_t c = 0; c < 3; ++c) texels[l][c] *= bumpLuminance[l];
        }
        in[l].texture = texels[l];
      }
    } else {
      for (auto& s : in) s.texture = {1, 1, 1, 1};
    }
    // A PREMODULATE stage before this one multiplies what it passed on by this stage's texture.
    if (premodulateColor || premodulateAlpha) {
      for (auto& s : in) {
        if (premodulateColor) {
          for (std::size_t c = 0; c < 3; ++c) s.current[c] = clamp01(s.current[c] * s.texture[c]);
        }
        if (premodulateAlpha) s.current[3] = clamp01(s.current[3] * s.texture[3]);
      }
    }
    premodulateColor = stage.colorOp == D3DTOP_PREMODULATE;
    premodulateAlpha = stage.alphaOp == D3DTOP_PREMODULATE;
    bool bump = isBumpOperation(stage.colorOp);
    if (bump && stage.textured) {
      // The bump texel holds du, dv (and luminance in its third channel); the stage's 2x2 matrix
      // turns them into offsets for the next stage's coordinates.
      const auto& m = stage.bump;
      for (std::size_t l = 0; l < 4; ++l) {
        const Vec4& t = in[l].texture;
        bumpOffsets[l] = {m[0] * t[0] + m[2] * t[1], m[1] * t[0] + m[3] * t[1], 0, 0};
        bumpLuminance[l] = stage.colorOp == D3DTOP_BUMPENVMAPLUMINANCE ? clamp01(t[2] * m[4] + m[5]) : 1.0f;
      }
      bumpPending = true;
    }
    for (auto& s : in) {
      s.constant = stage.constant;
      Vec4 result = s.current;
      // A bump-map stage leaves the colour as it was: its texel is not a colour.
      if (!bump) {
        operate(stage.colorOp, argument(stage.colorArgs[0], s), argument(stage.colorArgs[1], s),
                argument(stage.colorArgs[2], s), s, 0, 3, &result);
      }
      operate(stage.alphaOp, argument(stage.alphaArgs[0], s), argument(stage.alphaArgs[1], s),
              argument(stage.alphaArgs[2], s), s, 3, 4, &result);
      if (stage.result == D3DTA_TEMP) {
        s.temp = result;
      } else {
        s.current = result;
      }
    }
  }
  for (int l = 0; l < 4; ++l) {
    Vec4 color = in[static_cast<std::size_t>(l)].current;
    if (specularAdd_) {
      for (int c = 0; c < 3; ++c) {
        auto i = static_cast<std::size_t>(c);
        color[i] = clamp01(color[i] + in[static_cast<std::size_t>(l)].specular[i]);
      }
    }
    out->color[static_cast<std::size_t>(l)] = color;
  }
  out->depthWritten = false;
  out->killed = 0;
}

void PixelStage::shadeShader(const QuadInput& quad, QuadOutput* out) {
  const ShaderProgram& p = *program_;
  if (quadProgramFromQuad_) {
    quadProgram_.runQuad(quad, inputSlots_.data(), p.major < 3, samplers_, &out->color);
    out->killed = 0;
    out->depthWritten = writesDepth_;
    out->depth = quad.z;
    return;
  }
  for (int l = 0; l < 4; ++l) {
    LaneRegisters& lane = lanes_[static_cast<std::size_t>(l)];
    auto li = static_cast<std::size_t>(l);
    for (int r = 0; r < tempCount_; ++r) lane.r[static_cast<std::size_t>(r)] = {0, 0, 0, 0};
    for (int v = 0; v < inputCount_; ++v) {
      int slot = inputSlots_[static_cast<std::size_t>(v)];
      lane.v[static_cast<std::size_t>(v)] =
          slot >= 0 ? quad.varyings[static_cast<std::size_t>(slot)][li] : Vec4{0, 0, 0, 1};
    }
    if (p.major < 3) {
      for (int c = 0; c < 4; ++c) {
        lane.v[0][static_cast<std::size_t>(c)] = clamp01(lane.v[0][static_cast<std::size_t>(c)]);
        lane.v[1][static_cast<std::size_t>(c)] = clamp01(lane.v[1][static_cast<std::size_t>(c)]);
      }
      for (int t = 0; t < 8; ++t) {
        if (usedSlots_ & (1u << (kTexCoordSlot + t))) {
          lane.t[static_cast<std::size_t>(t)] = quad.varyings[static_cast<std::size_t>(kTexCoordSlot + t)][li];
        }
      }
    }
    lane.misc[0] = {static_cast<float>(quad.x + (l & 1)), static_cast<float>(quad.y + (l >> 1)), 0, 0};
    lane.misc[1] = {quad.frontFacing ? 1.0f : -1.0f, 0, 0, 0};
    lane.colorOut[0] = {0, 0, 0, 0};
    lane.depthWritten = false;
    lane.killed = false;
    lane.p0 = {};
  }
  if (useQuadProgram_) {
    quadProgram_.run(lanes_.data(), samplers_);
  } else {
    ShaderMachine(p, constants_).run(lanes_.data(), 4);
  }
  out->killed = 0;
  out->depthWritten = writesDepth_;
  for (int l = 0; l < 4; ++l) {
    const LaneRegisters& lane = lanes_[static_cast<std::size_t>(l)];
    auto li = static_cast<std::size_t>(l);
    out->color[li] = p.major < 2 ? lane.r[0] : lane.colorOut[0];
    if (lane.killed) out->killed |= static_cast<std::uint8_t>(1u << l);
    out->depth[li] = lane.depthWritten ? lane.depthOut : quad.z[li];
  }
}

}  // namespace platform::d3d9
