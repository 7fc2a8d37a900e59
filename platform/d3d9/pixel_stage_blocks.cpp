// The pixel stage on batches of pixel blocks: the fixed stages' texture-times-diffuse defaults
// and the quad program's shaders.
#include "platform/d3d9/pixel_stage.h"

#include <bit>
#include <optional>

#include "platform/d3d9/lane_packing.h"

namespace platform::d3d9 {

bool PixelStage::prepareBlocks(std::uint32_t whiteSlots) {
  blockComponents_ = {};
  if (!program_) {
    if (!textureTimesDiffuse_) return false;
    whiteDiffuse_ = (whiteSlots >> kDiffuseSlot) & 1;
    // A 2D texture reads two coordinates; the others (and their derivatives) up to all four.
    const auto slot = static_cast<std::size_t>(stages_.front().texCoordSlot);
    blockComponents_[slot] = samplers_->pixel()[0].type() == D3DRTYPE_TEXTURE ? 0x3 : 0xF;
    blockComponents_[kDiffuseSlot] = whiteDiffuse_ ? 0 : 0xF;
    preparePacking(samplers_->pixel()[0].samplesAlone());
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
  bool alone = !blockProgram_.readsPositionOrFace();
  for (unsigned left = blockProgram_.samplersRead(); left; left &= left - 1) {
    alone = alone && samplers_->pixel()[static_cast<std::size_t>(std::countr_zero(left))].samplesAlone();
  }
  preparePacking(alone);
  return true;
}

void PixelStage::preparePacking(bool lanesAlone) {
  packLanes_ = lanesAlone;
  if (packLanes_ && !packed_) {
    packed_ = std::make_unique<BlockBatch>();
    packedColor_ = std::make_unique<BatchColor>();
  }
}

void PixelStage::shadeBlocks(const BlockBatch& batch, BatchColor* color) {
  // Where no lane needs its neighbours, only the covered lanes are shaded, packed together.
  // The lanes past the last packed one hold what earlier batches left: shaded, never read.
  const BlockBatch* shaded = &batch;
  BatchColor* shadedColor = color;
  std::optional<LanePacking> packing;
  if (packLanes_) {
    packing.emplace(batch);
    packed_->count = packing->packedBlocks();
    shaded = packed_.get();
    shadedColor = packedColor_.get();
  }
  auto pack = [&](std::size_t slot, unsigned components) {
    for (; components; components &= components - 1) {
      const auto c = static_cast<std::size_t>(std::countr_zero(components));
      packLanes(*packing, batch.varyings[slot][c], reinterpret_cast<float*>(packed_->varyings[slot][c].data()));
    }
  };
  auto unpackColor = [&] {
    for (std::size_t c = 0; c < 4; ++c) {
      unpackLanes(*packing, reinterpret_cast<const float*>((*packedColor_)[c].data()), (*color)[c]);
    }
  };
  if (program_) {
    if (packing) {
      for (std::size_t slot = 0; slot < kVaryingSlots; ++slot) pack(slot, blockComponents_[slot]);
    }
    blockProgram_.runBatch(*shaded, inputSlots_.data(), program_->major < 3, samplers_, shadedColor);
    if (packing) unpackColor();
    return;
  }
  // Colour = texture x diffuse, alpha = texture alpha, each argument saturated first; only the
  // texture is read packed.
  const auto slot = static_cast<std::size_t>(stages_.front().texCoordSlot);
  if (packing) pack(slot, blockComponents_[slot]);
  const auto& coordinates = shaded->varyings[slot];
  samplers_->sampleBlocks(
      0, shaded->count, {coordinates[0].data(), coordinates[1].data(), coordinates[2].data(), coordinates[3].data()},
      LodMode::derivatives, nullptr,
      {(*shadedColor)[0].data(), (*shadedColor)[1].data(), (*shadedColor)[2].data(), (*shadedColor)[3].data()});
  if (packing) unpackColor();
  // A white diffuse leaves each saturated texel as it is.
  const auto& diffuse = batch.varyings[kDiffuseSlot];
  for (std::size_t b = 0; whiteDiffuse_ && b < static_cast<std::size_t>(batch.count); ++b) {
    for (std::size_t c = 0; c < 4; ++c) (*color)[c][b] = saturateLanes((*color)[c][b]);
  }
  for (std::size_t b = 0; !whiteDiffuse_ && b < static_cast<std::size_t>(batch.count); ++b) {
    for (std::size_t c = 0; c < 3; ++c) {
      (*color)[c][b] = saturateLanes(saturateLanes((*color)[c][b]) * saturateLanes(diffuse[c][b]));
    }
    (*color)[3][b] = saturateLanes((*color)[3][b]);
  }
}

}  // namespace platform::d3d9
