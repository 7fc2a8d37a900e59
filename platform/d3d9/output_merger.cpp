#include "platform/d3d9/output_merger.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/d3d9/pixel_codec.h"
#include "platform/d3d9/raw_bits.h"

namespace platform::d3d9 {
namespace {

[[gnu::always_inline]] inline bool compareInline(DWORD function, double incoming, double stored) {
  switch (function) {
    case D3DCMP_NEVER: return false;
    case D3DCMP_LESS: return incoming < stored;
    case D3DCMP_EQUAL: return incoming == stored;
    case D3DCMP_LESSEQUAL: return incoming <= stored;
    case D3DCMP_GREATER: return incoming > stored;
    case D3DCMP_NOTEQUAL: return incoming != stored;
    case D3DCMP_GREATEREQUAL: return incoming >= stored;
    default: return true;  // ALWAYS
  }
}

[[gnu::always_inline]] inline float clamp01(float x) { return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f; }

// Little-endian words of 2 or 4 bytes (the machine's own order).
DWORD readWord(const std::byte* p, int bytes) {
  if (bytes == 4) {
    DWORD word;
    std::memcpy(&word, p, 4);
    return word;
  }
  std::uint16_t half;
  std::memcpy(&half, p, 2);
  return half;
}
void writeWord(std::byte* p, int bytes, DWORD word) {
  if (bytes == 4) {
    std::memcpy(p, &word, 4);
    return;
  }
  auto half = static_cast<std::uint16_t>(word);
  std::memcpy(p, &half, 2);
}

DWORD stencilOperation(DWORD op, DWORD value, DWORD reference, DWORD maximum) {
  switch (op) {
    case D3DSTENCILOP_ZERO: return 0;
    case D3DSTENCILOP_REPLACE: return reference & maximum;
    case D3DSTENCILOP_INCRSAT: return value < maximum ? value + 1 : maximum;
    case D3DSTENCILOP_DECRSAT: return value > 0 ? value - 1 : 0;
    case D3DSTENCILOP_INVERT: return ~value & maximum;
    case D3DSTENCILOP_INCR: return (value + 1) & maximum;
    case D3DSTENCILOP_DECR: return (value - 1) & maximum;
    default: return value;  // KEEP
  }
}

Vec4 blendFactor(DWORD factor, const Vec4& s, const Vec4& d, const Vec4& constant) {
  switch (factor) {
    case D3DBLEND_ZERO: return {0, 0, 0, 0};
    case D3DBLEND_ONE: return {1, 1, 1, 1};
    case D3DBLEND_SRCCOLOR: return s;
    case D3DBLEND_INVSRCCOLOR: return {1 - s[0], 1 - s[1], 1 - s[2], 1 - s[3]};
    case D3DBLEND_SRCALPHA: return {s[3], s[3], s[3], s[3]};
    case D3DBLEND_INVSRCALPHA: return {1 - s[3], 1 - s[3], 1 - s[3], 1 - s[3]};
    case D3DBLEND_DESTALPHA: return {d[3], d[3], d[3], d[3]};
    case D3DBLEND_INVDESTALPHA: return {1 - d[3], 1 - d[3], 1 - d[3], 1 - d[3]};
    case D3DBLEND_DESTCOLOR: return d;
    case D3DBLEND_INVDESTCOLOR: return {1 - d[0], 1 - d[1], 1 - d[2], 1 - d[3]};
    case D3DBLEND_SRCALPHASAT: {
      float f = std::min(s[3], 1 - d[3]);
      return {f, f, f, 1};
    }
    case D3DBLEND_BLENDFACTOR: return constant;
    case D3DBLEND_INVBLENDFACTOR: return {1 - constant[0], 1 - constant[1], 1 - constant[2], 1 - constant[3]};
    default: return {1, 1, 1, 1};
  }
}

float blendOperation(DWORD op, float s, float d) {
  switch (op) {
    case D3DBLENDOP_SUBTRACT: return s - d;
    case D3DBLENDOP_REVSUBTRACT: return d - s;
    case D3DBLENDOP_MIN: return std::min(s, d);
    case D3DBLENDOP_MAX: return std::max(s, d);
    default: return s + d;
  }
}

}  // namespace

bool compareValues(DWORD function, double incoming, double stored) { return compareInline(function, incoming, stored); }

void OutputMerger::bind(const DeviceState& state, Surface* target, Surface* depthStencil, bool shaderFog,
                        bool fastPaths) {
  allowFastPaths_ = fastPaths;
  state_ = &state;
  const auto& rs = state.renderStates;
  target_ = target ? &target->pixels() : nullptr;
  targetFormat_ = target ? target->desc().Format : D3DFMT_UNKNOWN;
  fastTarget_ = targetFormat_ == D3DFMT_A8R8G8B8 || targetFormat_ == D3DFMT_X8R8G8B8;
  targetHasAlpha_ = targetFormat_ != D3DFMT_X8R8G8B8 && targetFormat_ != D3DFMT_R5G6B5 &&
                    targetFormat_ != D3DFMT_X1R5G5B5 && targetFormat_ != D3DFMT_R8G8B8;
  depth_ = depthStencil ? &depthStencil->pixels() : nullptr;
  layout_ = {};
  if (depth_) {
    switch (depthStencil->desc().Format) {
      case D3DFMT_D16:
      case D3DFMT_D16_LOCKABLE: layout_ = {2, 16, 0, 0, false}; break;
      case D3DFMT_D15S1: layout_ = {2, 15, 1, 1, false}; break;
      case D3DFMT_D24S8:
      case D3DFMT_D24FS8: layout_ = {4, 24, 8, 8, false}; break;
      case D3DFMT_D24X8: layout_ = {4, 24, 8, 0, false}; break;
      case D3DFMT_D24X4S4: layout_ = {4, 24, 8, 4, false}; break;
      case D3DFMT_D32: layout_ = {4, 32, 0, 0, false}; break;
      case D3DFMT_D32F_LOCKABLE: layout_ = {4, 32, 0, 0, true}; break;
      default: depth_ = nullptr; break;
    }
  }
  depthBytes_ = depth_ ? depth_->bytes.data() : nullptr;
  // Where an integer depth sits in its word, and the largest value it holds.
  depthBits_ = layout_.depthBits == 32 ? 0xFFFFFFFFu : ((1u << layout_.depthBits) - 1) << layout_.depthShift;
  depthMaximum_ = layout_.depthBits == 32 ? 4294967295.0 : static_cast<double>((1u << layout_.depthBits) - 1);
  targetBytes_ = target_ ? target_->bytes.data() : nullptr;
  // Pixels of one-texel blocks are addressed by row and column, without the block division.
  targetPixelStep_ = target_ && target_->format->blockWidth == 1 && target_->format->blockHeight == 1
                         ? target_->format->bytesPerBlock
                         : 0;
  depthTest_ = depth_ && rs[D3DRS_ZENABLE] != D3DZB_FALSE;
  depthWrite_ = depthTest_ && rs[D3DRS_ZWRITEENABLE];
  depthFunc_ = rs[D3DRS_ZFUNC];
  stencil_ = depth_ && layout_.stencilBits > 0 && rs[D3DRS_STENCILENABLE];
  twoSided_ = rs[D3DRS_TWOSIDEDSTENCILMODE] != 0;
  alphaTest_ = rs[D3DRS_ALPHATESTENABLE] != 0;
  alphaFunc_ = rs[D3DRS_ALPHAFUNC];
  alphaRef_ = rs[D3DRS_ALPHAREF] & 0xFF;
  blend_ = rs[D3DRS_ALPHABLENDENABLE] != 0;
  separateAlpha_ = rs[D3DRS_SEPARATEALPHABLENDENABLE] != 0;
  srcBlend_ = rs[D3DRS_SRCBLEND];
  destBlend_ = rs[D3DRS_DESTBLEND];
  blendOp_ = rs[D3DRS_BLENDOP];
  srcBlendAlpha_ = separateAlpha_ ? rs[D3DRS_SRCBLENDALPHA] : srcBlend_;
  destBlendAlpha_ = separateAlpha_ ? rs[D3DRS_DESTBLENDALPHA] : destBlend_;
  blendOpAlpha_ = separateAlpha_ ? rs[D3DRS_BLENDOPALPHA] : blendOp_;
  D3DCOLOR factor = rs[D3DRS_BLENDFACTOR];
  blendFactor_ = {((factor >> 16) & 0xFF) / 255.0f, ((factor >> 8) & 0xFF) / 255.0f, (factor & 0xFF) / 255.0f,
                  ((factor >> 24) & 0xFF) / 255.0f};
  writeMask_ = rs[D3DRS_COLORWRITEENABLE] & 0xF;
  fog_ = rs[D3DRS_FOGENABLE] != 0 && shaderFog;
  fogTable_ = rs[D3DRS_FOGTABLEMODE];
  fogStart_ = floatFromBits(rs[D3DRS_FOGSTART]);
  fogEnd_ = floatFromBits(rs[D3DRS_FOGEND]);
  fogDensity_ = floatFromBits(rs[D3DRS_FOGDENSITY]);
  D3DCOLOR fogColor = rs[D3DRS_FOGCOLOR];
  fogColor_ = {((fogColor >> 16) & 0xFF) / 255.0f, ((fogColor >> 8) & 0xFF) / 255.0f, (fogColor & 0xFF) / 255.0f, 1};
  depthPasses_ = comparisonMask(depthFunc_);
  alphaPasses_ = comparisonMask(alphaFunc_);
  MergeFunction common = commonMerge();
  merge_ = common ? common : &OutputMerger::mergeGeneral;
  mergeBlocks_ = commonBatchMerge();
}

[[gnu::always_inline]] inline bool OutputMerger::depthStencilTest(int x, int y, float z, bool frontFacing) {
  if (!depthTest_ && !stencil_) return true;
  if (static_cast<UINT>(x) >= depth_->width || static_cast<UINT>(y) >= depth_->height) return true;
  std::byte* pixel = depthBytes_ + std::size_t(y) * depth_->rowPitch + std::size_t(x) * depth_->format->bytesPerBlock;
  DWORD word = readWord(pixel, layout_.bytes);
  z = clamp01(z);
  bool depthPass = true;
  DWORD newDepthBits = 0;
  DWORD depthMask = 0;
  if (layout_.isFloat) {
    depthMask = 0xFFFFFFFFu;
    std::memcpy(&newDepthBits, &z, 4);
    depthPass = !depthTest_ || compareInline(depthFunc_, z, floatFromBits(word));
  } else {
    DWORD quantised = static_cast<DWORD>(static_cast<double>(z) * depthMaximum_ + 0.5);
    depthMask = depthBits_;
    DWORD stored = (word & depthMask) >> layout_.depthShift;
    newDepthBits = (quantised << layout_.depthShift) & depthMask;
    depthPass = !depthTest_ || compareInline(depthFunc_, quantised, stored);
  }
  bool pass = depthPass;
  DWORD newWord = word;
  if (stencil_) {
    const auto& rs = state_->renderStates;
    bool ccw = twoSided_ && !frontFacing;
    DWORD maximum = (1u << layout_.stencilBits) - 1;
    DWORD stored = word & maximum;
    DWORD mask = rs[D3DRS_STENCILMASK];
    DWORD reference = rs[D3DRS_STENCILREF];
    bool stencilPass =
        compareValues(rs[ccw ? D3DRS_CCW_STENCILFUNC : D3DRS_STENCILFUNC], reference & mask & maximum, stored & mask);
    DWORD op = !stencilPass ? rs[ccw ? D3DRS_CCW_STENCILFAIL : D3DRS_STENCILFAIL]
               : !depthPass ? rs[ccw ? D3DRS_CCW_STENCILZFAIL : D3DRS_STENCILZFAIL]
                            : rs[ccw ? D3DRS_CCW_STENCILPASS : D3DRS_STENCILPASS];
    DWORD updated = stencilOperation(op, stored, reference, maximum);
    DWORD writeMask = rs[D3DRS_STENCILWRITEMASK] & maximum;
    newWord = (newWord & ~writeMask) | (updated & writeMask);
    pass = stencilPass && depthPass;
  }
  if (pass && depthWrite_) newWord = (newWord & ~depthMask) | newDepthBits;
  if (newWord != word) writeWord(pixel, layout_.bytes, newWord);
  return pass;
}

Vec4 OutputMerger::readTarget(std::byte* pixel) const {
  if (fastTarget_) {
    DWORD w = readWord(pixel, 4);
    return {((w >> 16) & 0xFF) / 255.0f, ((w >> 8) & 0xFF) / 255.0f, (w & 0xFF) / 255.0f,
            targetFormat_ == D3DFMT_A8R8G8B8 ? ((w >> 24) & 0xFF) / 255.0f : 1.0f};
  }
  Color4 c;
  decodePixel(targetFormat_, pixel, &c);
  return {c.r, c.g, c.b, c.a};
}

[[gnu::always_inline]] inline void OutputMerger::writeTarget(std::byte* pixel, const Vec4& color) const {
  if (fastTarget_) {
    auto byte = [](float v) { return static_cast<DWORD>(clamp01(v) * 255.0f + 0.5f); };
    DWORD w = (byte(color[3]) << 24) | (byte(color[0]) << 16) | (byte(color[1]) << 8) | byte(color[2]);
    if (targetFormat_ == D3DFMT_X8R8G8B8) w &= 0x00FFFFFFu;
    writeWord(pixel, 4, w);
    return;
  }
  encodePixel(targetFormat_, {color[0], color[1], color[2], color[3]}, pixel);
}

Vec4 OutputMerger::blend(const Vec4& s, const Vec4& d) const {
  Vec4 sf = blendFactor(srcBlend_, s, d, blendFactor_);
  Vec4 df = blendFactor(destBlend_, s, d, blendFactor_);
  // The obsolete both-alpha factors set the destination factor from the source's.
  if (srcBlend_ == D3DBLEND_BOTHSRCALPHA) {
    sf = blendFactor(D3DBLEND_SRCALPHA, s, d, blendFactor_);
    df = blendFactor(D3DBLEND_INVSRCALPHA, s, d, blendFactor_);
  } else if (srcBlend_ == D3DBLEND_BOTHINVSRCALPHA) {
    sf = blendFactor(D3DBLEND_INVSRCALPHA, s, d, blendFactor_);
    df = blendFactor(D3DBLEND_SRCALPHA, s, d, blendFactor_);
  }
  Vec4 out{};
  for (int c = 0; c < 3; ++c) {
    auto i = static_cast<std::size_t>(c);
    out[i] = blendOperation(blendOp_, s[i] * sf[i], d[i] * df[i]);
  }
  if (separateAlpha_) {
    Vec4 sa = blendFactor(srcBlendAlpha_, s, d, blendFactor_);
    Vec4 da = blendFactor(destBlendAlpha_, s, d, blendFactor_);
    out[3] = blendOperation(blendOpAlpha_, s[3] * sa[3], d[3] * da[3]);
  } else {
    out[3] = blendOperation(blendOp_, s[3] * sf[3], d[3] * df[3]);
  }
  return out;
}

void OutputMerger::mergeGeneral(const QuadInput& quad, const QuadOutput& shaded) {
  for (int l = 0; l < 4; ++l) {
    if (!(quad.coverage & (1u << l)) || (shaded.killed & (1u << l))) continue;
    auto li = static_cast<std::size_t>(l);
    int x = quad.x + (l & 1), y = quad.y + (l >> 1);
    Vec4 color = shaded.color[li];
    for (float& c : color) c = clamp01(c);
    if (alphaTest_) {
      auto alpha = static_cast<DWORD>(color[3] * 255.0f + 0.5f);
      if (!compareInline(alphaFunc_, alpha, alphaRef_)) continue;
    }
    if (depth_ && !depthStencilTest(x, y, shaded.depthWritten ? shaded.depth[li] : quad.z[li], quad.frontFacing)) {
      continue;
    }
    if (!target_ || writeMask_ == 0) continue;
    if (fog_) {
      float f;
      if (fogTable_ != D3DFOG_NONE) {
        float d = quad.z[li];
        switch (fogTable_) {
          case D3DFOG_EXP: f = std::exp(-fogDensity_ * d); break;
          case D3DFOG_EXP2: f = std::exp(-(fogDensity_ * d) * (fogDensity_ * d)); break;
          default: f = fogEnd_ != fogStart_ ? (fogEnd_ - d) / (fogEnd_ - fogStart_) : 1.0f; break;
        }
      } else {
        f = quad.varyings[kFogSlot][li][0];
      }
      f = clamp01(f);
      for (int c = 0; c < 3; ++c) {
        auto i = static_cast<std::size_t>(c);
        color[i] = f * color[i] + (1 - f) * fogColor_[i];
      }
    }
    std::byte* pixel = targetPixelStep_
                           ? targetBytes_ + std::size_t(y) * target_->rowPitch + std::size_t(x) * targetPixelStep_
                           : target_->at(static_cast<UINT>(x), static_cast<UINT>(y));
    bool needsDestination = blend_ || writeMask_ != 0xF;
    Vec4 destination = needsDestination ? readTarget(pixel) : Vec4{};
    if (blend_) color = blend(color, destination);
    if (writeMask_ != 0xF) {
      for (int c = 0; c < 4; ++c) {
        auto i = static_cast<std::size_t>(c);
        if (!(writeMask_ & (1u << c))) color[i] = destination[i];
      }
    }
    writeTarget(pixel, color);
  }
}

}  // namespace platform::d3d9
