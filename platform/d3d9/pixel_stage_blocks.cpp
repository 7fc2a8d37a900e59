// The pixel stage on 4x2 blocks: the fixed stages' texture-times-diffuse defaults and the
// quad program's shaders, eight lanes at a time.
#include "platform/d3d9/pixel_stage.h"

namespace platform::d3d9 {

bool PixelStage::prepareBlocks() {
  blockComponents_ = {};
  if (!program_) {
    if (!textureTimesDiffuse_) return false;
    // A 2D texture reads two coordinates; the others (and their derivatives) up to all four.
    const auto slot = static_cast<std::size_t>(stages_.front().texCoordSlot);
    blockComponents_[slot] = samplers_->pixel()[0].type() == D3DRTYPE_TEXTURE ? 0x3 : 0xF;
    blockComponents_[kDiffuseSlot] = 0xF;
    return true;
  }
  if (!quadProgramFromQuad_ || !blockProgram_.compile(*program_, floats_.data(), kPixelShaderFloatConstants)) {
    return false;
  }
  for (int v = 0; v < blockProgram_.inputCount(); ++v) {
    const int slot = inputSlots_[static_cast<std::size_t>(v)];
    if (slot >= 0) blockComponents_[static_cast<std::size_t>(slot)] |= blockProgram_.inputComponents(v);
  }
  for (int t = 0; t < blockProgram_.textureCount(); ++t) {
    blockComponents_[static_cast<std::size_t>(kTexCoordSlot + t)] |= blockProgram_.textureComponents(t);
  }
  return true;
}

void PixelStage::shadeBlock(const PixelBlock& block, BlockColor* color) {
  if (program_) {
    blockProgram_.runBlock(block, inputSlots_.data(), program_->major < 3, samplers_, color);
    return;
  }
  // Colour = texture x diffuse, alpha = texture alpha, each argument saturated first.
  BlockColor texel;
  const auto& coordinates = block.varyings[static_cast<std::size_t>(stages_.front().texCoordSlot)];
  samplers_->sampleBlock(0, coordinates, LodMode::derivatives, BlockFloats{}, &texel);
  const auto& diffuse = block.varyings[kDiffuseSlot];
  for (std::size_t c = 0; c < 3; ++c) (*color)[c] = saturateLanes(saturateLanes(texel[c]) * saturateLanes(diffuse[c]));
  (*color)[3] = saturateLanes(texel[3]);
}

}  // namespace platform::d3d9
