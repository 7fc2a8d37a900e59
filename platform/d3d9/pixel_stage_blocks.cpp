// The pixel stage on batches of pixel blocks: the fixed stages' texture-times-diffuse defaults
// and the quad program's shaders.
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
  SamplerCoordinates coordinates;
  for (std::size_t s = 0; s < coordinates.size(); ++s) coordinates[s] = samplers_->pixel()[s].coordinatesRead();
  if (!quadProgramFromQuad_ ||
      !blockProgram_.compile(*program_, floats_.data(), kPixelShaderFloatConstants, coordinates)) {
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

void PixelStage::shadeBlocks(const BlockBatch& batch, BatchColor* color) {
  if (program_) {
    blockProgram_.runBatch(batch, inputSlots_.data(), program_->major < 3, samplers_, color);
    return;
  }
  // Colour = texture x diffuse, alpha = texture alpha, each argument saturated first.
  const auto& coordinates = batch.varyings[static_cast<std::size_t>(stages_.front().texCoordSlot)];
  const auto& diffuse = batch.varyings[kDiffuseSlot];
  samplers_->sampleBlocks(
      0, batch.count, {coordinates[0].data(), coordinates[1].data(), coordinates[2].data(), coordinates[3].data()},
      LodMode::derivatives, nullptr, {(*color)[0].data(), (*color)[1].data(), (*color)[2].data(), (*color)[3].data()});
  for (std::size_t b = 0; b < static_cast<std::size_t>(batch.count); ++b) {
    for (std::size_t c = 0; c < 3; ++c) {
      (*color)[c][b] = saturateLanes(saturateLanes((*color)[c][b]) * saturateLanes(diffuse[c][b]));
    }
    (*color)[3][b] = saturateLanes((*color)[3][b]);
  }
}

}  // namespace platform::d3d9
