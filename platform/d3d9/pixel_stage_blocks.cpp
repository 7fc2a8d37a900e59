// The pixel stage on 4x2 blocks: the fixed stages' texture-times-diffuse defaults and the
// quad program's shaders, eight lanes at a time.
#include "platform/d3d9/pixel_stage.h"

namespace platform::d3d9 {

bool PixelStage::prepareBlocks() {
  if (!program_) return textureTimesDiffuse_;
  return quadProgramFromQuad_ && blockProgram_.compile(*program_, floats_.data(), kPixelShaderFloatConstants);
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
