// Writing small shaders as token streams in tests: one call per instruction.
#pragma once

#include <cstring>
#include <initializer_list>
#include <vector>

#include "platform/d3d9/shader_tokens.h"

namespace platform::d3d9 {

class ShaderTokens {
 public:
  explicit ShaderTokens(DWORD version) { tokens_.push_back(version); }

  // An instruction with its parameter tokens (the 2.0+ length field is filled in).
  ShaderTokens& op(DWORD opcodeWithControls, std::initializer_list<DWORD> parameters, DWORD comparison = 0,
                   bool predicated = false) {
    bool modern = shader_tokens::versionMajor(tokens_.front()) >= 2;
    tokens_.push_back(shader_tokens::makeInstruction(opcodeWithControls, comparison,
                                                     modern ? static_cast<DWORD>(parameters.size()) : 0, predicated));
    tokens_.insert(tokens_.end(), parameters);
    return *this;
  }
  ShaderTokens& def(DWORD index, float x, float y, float z, float w) {
    float values[4] = {x, y, z, w};
    DWORD words[4];
    std::memcpy(words, values, sizeof words);
    return op(D3DSIO_DEF,
              {shader_tokens::makeDestination(D3DSPR_CONST, index), words[0], words[1], words[2], words[3]});
  }
  ShaderTokens& defi(DWORD index, int x, int y, int z, int w) {
    return op(D3DSIO_DEFI, {shader_tokens::makeDestination(D3DSPR_CONSTINT, index), static_cast<DWORD>(x),
                            static_cast<DWORD>(y), static_cast<DWORD>(z), static_cast<DWORD>(w)});
  }
  ShaderTokens& defb(DWORD index, bool value) {
    return op(D3DSIO_DEFB, {shader_tokens::makeDestination(D3DSPR_CONSTBOOL, index), value ? 1u : 0u});
  }
  // dcl with a usage (inputs and outputs) or a sampler texture type.
  ShaderTokens& dcl(DWORD usage, DWORD usageIndex, DWORD destination) {
    return op(D3DSIO_DCL, {shader_tokens::makeUsageDeclaration(usage, usageIndex), destination});
  }
  ShaderTokens& dclSampler(DWORD textureType, DWORD number) {
    return op(D3DSIO_DCL, {shader_tokens::makeSamplerDeclaration(textureType),
                           shader_tokens::makeDestination(D3DSPR_SAMPLER, number)});
  }
  std::vector<DWORD> end() {
    std::vector<DWORD> out = tokens_;
    out.push_back(D3DVS_END_TOKEN);
    return out;
  }

 private:
  std::vector<DWORD> tokens_;
};

// Short names for parameter tokens.
inline DWORD dst(DWORD type, DWORD number, DWORD mask = D3DSP_WRITEMASK_ALL, DWORD modifiers = 0) {
  return shader_tokens::makeDestination(type, number, mask, modifiers);
}
inline DWORD src(DWORD type, DWORD number, DWORD swizzle = D3DSP_NOSWIZZLE, DWORD modifier = D3DSPSM_NONE) {
  return shader_tokens::makeSource(type, number, swizzle, modifier);
}
inline DWORD srcRelative(DWORD type, DWORD number, DWORD swizzle = D3DSP_NOSWIZZLE) {
  return shader_tokens::makeSource(type, number, swizzle, D3DSPSM_NONE, true);
}
// The address token of a relative source: a0 or aL, one component.
inline DWORD addressToken(DWORD type, DWORD component) {
  return shader_tokens::makeSource(type, 0, shader_tokens::makeSwizzle(component, component, component, component));
}
inline DWORD replicate(DWORD component) {
  return shader_tokens::makeSwizzle(component, component, component, component);
}

}  // namespace platform::d3d9
