#include "platform/d3d9/vertex_stage.h"
#include "platform/d3d9/raw_bits.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace platform::d3d9 {
namespace {

// Fixed-function input registers.
enum FixedInput : int {
  kInPosition,
  kInNormal,
  kInDiffuse,
  kInSpecular,
  kInTexCoord0,  // 8 sets
  kInPositionT = kInTexCoord0 + 8,
  kInPointSize,
  kFixedInputs
};

using Matrix = std::array<float, 16>;

Matrix toMatrix(const D3DMATRIX& m) {
  Matrix out{};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) out[static_cast<std::size_t>(r * 4 + c)] = m.m[r][c];
  }
  return out;
}

Matrix multiply(const Matrix& a, const Matrix& b) {
  Matrix out{};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      float sum = 0;
      for (int k = 0; k < 4; ++k)
        sum += a[static_cast<std::size_t>(r * 4 + k)] * b[static_cast<std::size_t>(k * 4 + c)];
      out[static_cast<std::size_t>(r * 4 + c)] = sum;
    }
  }
  return out;
}

// Row vector times matrix.
Vec4 transform(const Vec4& v, const Matrix& m) {
  Vec4 out{};
  for (int c = 0; c < 4; ++c) {
    out[static_cast<std::size_t>(c)] =
        v[0] * m[static_cast<std::size_t>(c)] + v[1] * m[static_cast<std::size_t>(4 + c)] +
        v[2] * m[static_cast<std::size_t>(8 + c)] + v[3] * m[static_cast<std::size_t>(12 + c)];
  }
  return out;
}

Vec4 color(const D3DCOLORVALUE& c) { return {c.r, c.g, c.b, c.a}; }

// The matrix that takes normals to camera space: the inverse transpose of the world-view
// matrix's 3x3 part (world and view matrices are affine, so that is the 4x4 inverse's 3x3
// part), as a 4x4 row-major matrix without translation. Its rows are the cofactor rows (cross
// products of the matrix rows) over the determinant; a singular matrix keeps the cofactors,
// which still give each normal's direction.
Matrix normalMatrix(const Matrix& m) {
  auto row = [&](int r) {
    auto i = static_cast<std::size_t>(r * 4);
    return std::array<float, 3>{m[i], m[i + 1], m[i + 2]};
  };
  auto cross = [](const std::array<float, 3>& a, const std::array<float, 3>& b) {
    return std::array<float, 3>{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  };
  std::array<float, 3> r0 = row(0), r1 = row(1), r2 = row(2);
  std::array<std::array<float, 3>, 3> cofactors{cross(r1, r2), cross(r2, r0), cross(r0, r1)};
  float determinant = r0[0] * cofactors[0][0] + r0[1] * cofactors[0][1] + r0[2] * cofactors[0][2];
  float scale = determinant != 0.0f && std::isfinite(determinant) ? 1.0f / determinant : 1.0f;
  Matrix out{};
  for (std::size_t r = 0; r < 3; ++r) {
    for (std::size_t c = 0; c < 3; ++c) out[r * 4 + c] = cofactors[r][c] * scale;
  }
  out[15] = 1.0f;
  return out;
}

int slotForFixedUsage(const D3DVERTEXELEMENT9& e) {
  switch (e.Usage) {
    case D3DDECLUSAGE_POSITION: return e.UsageIndex == 0 ? kInPosition : -1;
    case D3DDECLUSAGE_POSITIONT: return e.UsageIndex == 0 ? kInPositionT : -1;
    case D3DDECLUSAGE_NORMAL: return e.UsageIndex == 0 ? kInNormal : -1;
    case D3DDECLUSAGE_COLOR: return e.UsageIndex < 2 ? kInDiffuse + e.UsageIndex : -1;
    case D3DDECLUSAGE_TEXCOORD: return e.UsageIndex < 8 ? kInTexCoord0 + e.UsageIndex : -1;
    case D3DDECLUSAGE_PSIZE: return e.UsageIndex == 0 ? kInPointSize : -1;
    default: return -1;
  }
}

}  // namespace

int VaryingMap::slotOf(DWORD usage, DWORD usageIndex, bool assign) {
  if (usage == D3DDECLUSAGE_COLOR && usageIndex < 2) return kDiffuseSlot + static_cast<int>(usageIndex);
  if (usage == D3DDECLUSAGE_TEXCOORD && usageIndex < 8) return kTexCoordSlot + static_cast<int>(usageIndex);
  if (usage == D3DDECLUSAGE_FOG && usageIndex == 0) return kFogSlot;
  for (int i = 0; i < extraCount; ++i) {
    if (extras[static_cast<std::size_t>(i)] == std::make_pair(usage, usageIndex)) return kFirstExtraSlot + i;
  }
  if (!assign || extraCount == static_cast<int>(extras.size())) return -1;
  extras[static_cast<std::size_t>(extraCount)] = {usage, usageIndex};
  return kFirstExtraSlot + extraCount++;
}

bool VertexStage::bind(const DeviceState& state, const std::array<StreamView, kStreamCount>& streams,
                       SamplerSet* samplers, bool fastPaths) {
  state_ = &state;
  finishProcessing();
  input_ = {};
  for (UINT s = 0; s < kStreamCount; ++s) input_.setStream(s, streams[s]);
  const auto& elements = state.vertexDeclaration->elements();
  program_ = state.vertexShader ? state.vertexShader->program() : nullptr;
  if (state.vertexShader && !program_) return false;
  pretransformed_ = false;
  hasDiffuse_ = hasSpecular_ = hasPointSize_ = false;
  setComponents_.fill(2);
  for (const D3DVERTEXELEMENT9& e : elements) {
    if (e.Stream == 0xFF) break;
    if (e.Usage == D3DDECLUSAGE_TEXCOORD && e.UsageIndex < 8) {
      int count = e.Type <= D3DDECLTYPE_FLOAT4 ? e.Type + 1 : 4;
      if (e.Type == D3DDECLTYPE_SHORT2 || e.Type == D3DDECLTYPE_SHORT2N || e.Type == D3DDECLTYPE_USHORT2N ||
          e.Type == D3DDECLTYPE_FLOAT16_2) {
        count = 2;
      }
      setComponents_[e.UsageIndex] = count;
    }
    if (e.Usage == D3DDECLUSAGE_POSITIONT) pretransformed_ = true;
    if (e.Usage == D3DDECLUSAGE_COLOR && e.UsageIndex == 0) hasDiffuse_ = true;
    if (e.Usage == D3DDECLUSAGE_COLOR && e.UsageIndex == 1) hasSpecular_ = true;
    if (e.Usage == D3DDECLUSAGE_PSIZE && e.UsageIndex == 0) hasPointSize_ = true;
  }
  // User clip planes clip vertices the device transforms, and only while clipping is on.
  userPlanes_ = pretransformed_ || !state.renderStates[D3DRS_CLIPPING]
                    ? 0u
                    : state.renderStates[D3DRS_CLIPPLANEENABLE] & ((1u << kClipPlaneCount) - 1);
  varyingMap_ = {};
  if (pretransformed_ || !program_) {
    for (const D3DVERTEXELEMENT9& e : elements) {
      if (e.Stream == 0xFF) break;
      input_.addElement(e, slotForFixedUsage(e));
    }
    program_ = nullptr;
    UINT world = 0, view = 0, projection = 0;
    transformSlot(D3DTS_WORLD, &world);
    transformSlot(D3DTS_VIEW, &view);
    transformSlot(D3DTS_PROJECTION, &projection);
    world_ = toMatrix(state.transforms[world]);
    Matrix viewMatrix = toMatrix(state.transforms[view]);
    worldView_ = multiply(world_, viewMatrix);
    worldViewProjection_ = multiply(worldView_, toMatrix(state.transforms[projection]));
    lightingOn_ = state.renderStates[D3DRS_LIGHTING] != 0;
    if (lightingOn_ && !pretransformed_) {
      lighting_.bind(state, viewMatrix);
      normalMatrix_ = normalMatrix(worldView_);
    }
    const auto& rs = state.renderStates;
    pointSizeState_ = floatFromBits(rs[D3DRS_POINTSIZE]);
    pointScale_ = !pretransformed_ && rs[D3DRS_POINTSCALEENABLE] != 0;
    pointScaleA_ = floatFromBits(rs[D3DRS_POINTSCALE_A]);
    pointScaleB_ = floatFromBits(rs[D3DRS_POINTSCALE_B]);
    pointScaleC_ = floatFromBits(rs[D3DRS_POINTSCALE_C]);
    viewportHeight_ = static_cast<float>(state.viewport.Height);
    return true;
  }
  // Shader inputs: each declared v# takes the element of its usage and index.
  for (const ShaderDeclaration& d : program_->declarations) {
    if (d.type != D3DSPR_INPUT || d.number >= 16) continue;
    for (const D3DVERTEXELEMENT9& e : elements) {
      if (e.Stream == 0xFF) break;
      if (e.Usage == d.usage && e.UsageIndex == d.usageIndex) input_.addElement(e, static_cast<int>(d.number));
    }
  }
  outputSlots_.fill(-1);
  if (program_->major >= 3) {
    for (const ShaderDeclaration& d : program_->declarations) {
      if (d.type != D3DSPR_OUTPUT || d.number >= outputSlots_.size()) continue;
      int slot = d.usage == D3DDECLUSAGE_POSITION && d.usageIndex == 0 ? -2
                 : d.usage == D3DDECLUSAGE_PSIZE                       ? -3
                                                 : varyingMap_.slotOf(d.usage, d.usageIndex, true);
      outputSlots_[d.number] = slot;
    }
  }
  writesPointSize_ = false;
  for (const ShaderInstruction& in : program_->code) {
    if (in.hasDestination && in.destination.type == D3DSPR_RASTOUT && in.destination.number == D3DSRO_POINT_SIZE) {
      writesPointSize_ = true;
    }
  }
  for (int slot : outputSlots_) {
    if (program_->major >= 3 && slot == -3) writesPointSize_ = true;
  }
  pointSizeState_ = floatFromBits(state.renderStates[D3DRS_POINTSIZE]);
  floats_.resize(kVertexShaderFloatConstants);
  mergeFloatConstants(*program_, state.vertexFloats.data(), kVertexShaderFloatConstants, floats_.data());
  mergeIntegerConstants(*program_, state.vertexInts.data(), integers_.data());
  mergeBoolConstants(*program_, state.vertexBools.data(), bools_.data());
  constants_ = {};
  constants_.floats = floats_.data();
  constants_.floatCount = kVertexShaderFloatConstants;
  constants_.integers = integers_.data();
  constants_.bools = bools_.data();
  constants_.sampling = samplers;
  if (fastPaths && kBlocksPayOff) {
    laneProgram_ = std::make_unique<LaneProgram<kBatchLanes>>();
    if (laneProgram_->compile(*program_, floats_.data(), kVertexShaderFloatConstants)) {
      // Each output register's rows, looked up once for every run.
      constexpr std::pair<DWORD, DWORD> kRegisters[] = {
          {D3DSPR_RASTOUT, 3}, {D3DSPR_ATTROUT, 2}, {D3DSPR_TEXCRDOUT, 12}};
      for (const auto& [type, count] : kRegisters) {
        for (DWORD n = 0; n < count; ++n) {
          for (int c = 0; c < 4; ++c) {
            laneOutputs_[laneOutputIndex(type, n)][static_cast<std::size_t>(c)] = laneProgram_->outputRow(type, n, c);
          }
        }
      }
    } else {
      laneProgram_.reset();
    }
  }
  return true;
}

std::uint32_t VertexStage::whiteSlots() const {
  if (program_ || (lightingOn_ && !pretransformed_)) return 0;
  return (hasDiffuse_ ? 0u : 1u << kDiffuseSlot) | (hasSpecular_ ? 0u : 1u << kSpecularSlot);
}

void VertexStage::process(UINT index, ShadedVertex* out) { process(&index, &out, 1); }

void VertexStage::process(const UINT* indices, ShadedVertex* const* outs, int count) {
  if (laneProgram_) {
    processLanes(indices, outs, count);
  } else if (program_) {
    processShader(indices, outs, count);
  } else {
    for (int i = 0; i < count; ++i) processFixed(indices[i], outs[i]);
  }
}

// Each stage's coordinates: the set its TEXCOORDINDEX names or a generated camera-space vector,
// through the stage's texture matrix when TEXTURETRANSFORMFLAGS asks for one.
void VertexStage::texturesOf(const Vec4* in, const Vec4& viewPosition, const Vec4& normal, ShadedVertex* out) const {
  constexpr DWORD kCameraSpaceNormal = 0x10000, kCameraSpacePosition = 0x20000, kCameraSpaceReflection = 0x30000;
  for (UINT stage = 0; stage < 8; ++stage) {
    DWORD index = state_->stageStates[stage][D3DTSS_TEXCOORDINDEX];
    DWORD set = index & 0xFFFF;
    int components = set < 8 ? setComponents_[set] : 2;
    Vec4 c = set < 8 ? in[kInTexCoord0 + set] : Vec4{0, 0, 0, 1};
    switch (index & 0xFFFF0000) {
      case kCameraSpaceNormal:
        c = {normal[0], normal[1], normal[2], 1};
        components = 3;
        break;
      case kCameraSpacePosition:
        c = {viewPosition[0], viewPosition[1], viewPosition[2], 1};
        components = 3;
        break;
      case kCameraSpaceReflection: {
        float length = std::sqrt(viewPosition[0] * viewPosition[0] + viewPosition[1] * viewPosition[1] +
                                 viewPosition[2] * viewPosition[2]);
        Vec4 e = length > 0 ? Vec4{viewPosition[0] / length, viewPosition[1] / length, viewPosition[2] / length, 0}
                            : Vec4{0, 0, 1, 0};
        float d = 2 * (e[0] * normal[0] + e[1] * normal[1] + e[2] * normal[2]);
        c = {e[0] - d * normal[0], e[1] - d * normal[1], e[2] - d * normal[2], 1};
        components = 3;
        break;
      }
      default: break;
    }
    DWORD flags = state_->stageStates[stage][D3DTSS_TEXTURETRANSFORMFLAGS] & 0xFF;
    if (flags != D3DTTFF_DISABLE) {
      // The coordinates go in with a 1 after their last component, so the row after the last
      // used one translates (the third row for 2D coordinates).
      Vec4 v{0, 0, 0, 0};
      for (int i = 0; i < components && i < 4; ++i) v[static_cast<std::size_t>(i)] = c[static_cast<std::size_t>(i)];
      if (components < 4) v[static_cast<std::size_t>(components)] = 1;
      UINT slot = 0;
      transformSlot(D3DTS_TEXTURE0 + stage, &slot);
      c = transform(v, toMatrix(state_->transforms[slot]));
    }
    out->varyings[kTexCoordSlot + stage] = c;
  }
}

float VertexStage::vertexFog(const Vec4& position) const {
  const auto& rs = state_->renderStates;
  DWORD mode = rs[D3DRS_FOGVERTEXMODE];
  if (mode == D3DFOG_NONE || rs[D3DRS_FOGTABLEMODE] != D3DFOG_NONE) return 1.0f;
  Vec4 eye = transform(position, worldView_);
  float distance =
      rs[D3DRS_RANGEFOGENABLE] ? std::sqrt(eye[0] * eye[0] + eye[1] * eye[1] + eye[2] * eye[2]) : std::fabs(eye[2]);
  float start = floatFromBits(rs[D3DRS_FOGSTART]), end = floatFromBits(rs[D3DRS_FOGEND]),
        density = floatFromBits(rs[D3DRS_FOGDENSITY]);
  switch (mode) {
    case D3DFOG_EXP: return std::exp(-density * distance);
    case D3DFOG_EXP2: return std::exp(-(density * distance) * (density * distance));
    default: return end != start ? (end - distance) / (end - start) : 1.0f;
  }
}

void VertexStage::processFixed(UINT index, ShadedVertex* out) {
  std::array<Vec4, kFixedInputs> in;
  input_.fetch(index, in.data(), kFixedInputs);
  constexpr Vec4 kWhite{1, 1, 1, 1};
  out->varyings[kDiffuseSlot] = hasDiffuse_ ? in[kInDiffuse] : kWhite;
  out->varyings[kSpecularSlot] = hasSpecular_ ? in[kInSpecular] : kWhite;
  out->pointSize = hasPointSize_ ? in[kInPointSize][0] : pointSizeState_;
  if (pretransformed_) {
    for (UINT stage = 0; stage < 8; ++stage) {
      DWORD set = state_->stageStates[stage][D3DTSS_TEXCOORDINDEX] & 0xFFFF;
      out->varyings[kTexCoordSlot + stage] = set < 8 ? in[kInTexCoord0 + set] : Vec4{0, 0, 0, 1};
    }
    out->position = in[kInPositionT];
    // Pre-transformed vertices carry their fog factor in the specular alpha.
    out->varyings[kFogSlot] = {hasSpecular_ ? in[kInSpecular][3] : 1.0f, 0, 0, 0};
    return;
  }
  Vec4 position = in[kInPosition];
  position[3] = 1.0f;
  out->position = transform(position, worldViewProjection_);
  out->varyings[kFogSlot] = {vertexFog(position), 0, 0, 0};
  const DeviceState& s = *state_;
  Vec4 viewPosition = transform(position, worldView_);
  Vec4 normal = transform({in[kInNormal][0], in[kInNormal][1], in[kInNormal][2], 0}, worldView_);
  if (s.renderStates[D3DRS_NORMALIZENORMALS]) {
    float length = std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
    if (length > 0) {
      for (int c = 0; c < 3; ++c) normal[static_cast<std::size_t>(c)] /= length;
    }
  }
  texturesOf(in.data(), viewPosition, normal, out);
  if (userPlanes_) {
    Vec4 world = transform(position, world_);
    userClipDistances(world, out);
  }
  if (pointScale_) out->pointSize = scaledPointSize(out->pointSize, viewPosition);
  if (!lightingOn_) return;

  // Each material colour comes from a vertex colour when COLORVERTEX and its source state ask for
  // one the vertex has, otherwise from the material.
  bool colorVertex = s.renderStates[D3DRS_COLORVERTEX] != 0;
  auto source = [&](D3DRENDERSTATETYPE which, const D3DCOLORVALUE& material) -> Vec4 {
    DWORD from = colorVertex ? s.renderStates[which] : D3DMCS_MATERIAL;
    if (from == D3DMCS_COLOR1 && hasDiffuse_) return in[kInDiffuse];
    if (from == D3DMCS_COLOR2 && hasSpecular_) return in[kInSpecular];
    return color(material);
  };
  VertexMaterial material;
  material.diffuse = source(D3DRS_DIFFUSEMATERIALSOURCE, s.material.Diffuse);
  material.ambient = source(D3DRS_AMBIENTMATERIALSOURCE, s.material.Ambient);
  material.emissive = source(D3DRS_EMISSIVEMATERIALSOURCE, s.material.Emissive);
  if (lighting_.specularEnabled()) material.specular = source(D3DRS_SPECULARMATERIALSOURCE, s.material.Specular);
  material.power = s.material.Power;
  // Lighting takes its normal through the inverse transpose, which keeps it perpendicular to
  // the surface under non-uniform scaling.
  Vec4 litNormal = transform({in[kInNormal][0], in[kInNormal][1], in[kInNormal][2], 0}, normalMatrix_);
  if (s.renderStates[D3DRS_NORMALIZENORMALS]) {
    float length = std::sqrt(litNormal[0] * litNormal[0] + litNormal[1] * litNormal[1] + litNormal[2] * litNormal[2]);
    if (length > 0) {
      for (int c = 0; c < 3; ++c) litNormal[static_cast<std::size_t>(c)] /= length;
    }
  }
  LitColors lit = lighting_.light(viewPosition, litNormal, material);
  out->varyings[kDiffuseSlot] = lit.diffuse;
  out->varyings[kSpecularSlot] = lit.specular;
}

void VertexStage::userClipDistances(const Vec4& position, ShadedVertex* out) const {
  for (UINT plane = 0; plane < kClipPlaneCount; ++plane) {
    if (!(userPlanes_ & (1u << plane))) continue;
    const Vector4f& p = state_->clipPlanes[plane];
    out->clipDistances[plane] = p[0] * position[0] + p[1] * position[1] + p[2] * position[2] + p[3] * position[3];
  }
}

float VertexStage::scaledPointSize(float size, const Vec4& viewPosition) const {
  float distance = std::sqrt(viewPosition[0] * viewPosition[0] + viewPosition[1] * viewPosition[1] +
                             viewPosition[2] * viewPosition[2]);
  float q = pointScaleA_ + pointScaleB_ * distance + pointScaleC_ * distance * distance;
  // A zero or negative denominator has no finite size: take the largest, which the draw clamps.
  if (!(q > 0.0f)) return std::numeric_limits<float>::infinity();
  return viewportHeight_ * size * std::sqrt(1.0f / q);
}

void VertexStage::processShader(const UINT* indices, ShadedVertex* const* outs, int count) {
  for (int l = 0; l < count; ++l) {
    LaneRegisters& lane = lanes_[static_cast<std::size_t>(l)];
    lane.r = {};
    lane.rasterOut = {};
    lane.attributeOut = {};
    lane.textureOut = {};
    lane.out = {};
    lane.a0 = {};
    lane.p0 = {};
    input_.fetch(indices[l], lane.v.data(), static_cast<int>(lane.v.size()));
  }
  ShaderMachine(*program_, constants_).run(lanes_.data(), count);
  for (int l = 0; l < count; ++l) {
    const LaneRegisters& lane = lanes_[static_cast<std::size_t>(l)];
    auto output = [&](DWORD type, DWORD number) {
      switch (type) {
        case D3DSPR_RASTOUT: return lane.rasterOut[number];
        case D3DSPR_ATTROUT: return lane.attributeOut[number];
        default: return program_->major < 3 ? lane.textureOut[number] : lane.out[number];
      }
    };
    shadedFromOutputs(output, outs[l]);
  }
}

void VertexStage::processLanes(const UINT* indices, ShadedVertex* const* outs, int count) {
  LaneProgram<kBatchLanes>& program = *laneProgram_;
  std::array<Vec4, 16> v;
  for (int l = 0; l < count; ++l) {
    input_.fetch(indices[l], v.data(), static_cast<int>(v.size()));
    for (int i = 0; i < program.inputCount(); ++i) {
      for (unsigned left = program.inputComponents(i); left; left &= left - 1) {
        const int c = std::countr_zero(left);
        program.inputRow(i, c)[l] = v[static_cast<std::size_t>(i)][static_cast<std::size_t>(c)];
      }
    }
  }
  program.runVertices(count);
  for (int l = 0; l < count; ++l) {
    auto output = [&](DWORD type, DWORD number) {
      const auto& register_ = laneOutputs_[laneOutputIndex(type, number)];
      Vec4 value{0, 0, 0, 0};
      for (std::size_t c = 0; c < 4; ++c) {
        if (register_[c]) value[c] = register_[c][l];
      }
      return value;
    };
    shadedFromOutputs(output, outs[l]);
  }
}

template <typename Output>
void VertexStage::shadedFromOutputs(const Output& output, ShadedVertex* out) const {
  out->varyings = {};
  out->pointSize = pointSizeState_;
  if (program_->major < 3) {
    out->position = output(D3DSPR_RASTOUT, D3DSRO_POSITION);
    out->varyings[kDiffuseSlot] = output(D3DSPR_ATTROUT, 0);
    out->varyings[kSpecularSlot] = output(D3DSPR_ATTROUT, 1);
    for (DWORD t = 0; t < 8; ++t) out->varyings[kTexCoordSlot + t] = output(D3DSPR_TEXCRDOUT, t);
    out->varyings[kFogSlot] = {output(D3DSPR_RASTOUT, D3DSRO_FOG)[0], 0, 0, 0};
    if (writesPointSize_) out->pointSize = output(D3DSPR_RASTOUT, D3DSRO_POINT_SIZE)[0];
  } else {
    out->position = {};
    for (std::size_t o = 0; o < outputSlots_.size(); ++o) {
      const int slot = outputSlots_[o];
      if (slot == -2) out->position = output(D3DSPR_OUTPUT, static_cast<DWORD>(o));
      if (slot == -3) out->pointSize = output(D3DSPR_OUTPUT, static_cast<DWORD>(o))[0];
      if (slot >= 0) out->varyings[static_cast<std::size_t>(slot)] = output(D3DSPR_OUTPUT, static_cast<DWORD>(o));
    }
  }
  // With shaders the planes are in clip space, the space of the output position.
  if (userPlanes_) userClipDistances(out->position, out);
}

}  // namespace platform::d3d9
