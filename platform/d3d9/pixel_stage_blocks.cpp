// The pixel stage on batches of pixel blocks: the fixed stages' texture-times-diffuse defaults
// and the quad program's shaders.
#include "platform/d3d9/pixel_stage.h"

#include <bit>
#include <optional>

#include "platform/d3d9/lane_packing.h"

namespace platform::d3d9 {

bool PixelStage::prepareBlocks(std::uint32_t whiteSlots, std::uint8_t colorComponents) {
  blockComponents_ = {};
  colorComponents_ = colorComponents;
  if (!program_) {
    if (!textureTimesDiffuse_) return false;
    whiteDiffuse_ = (whiteSlots >> kDiffuseSlot) & 1;
    // A 2D texture reads two coordinates; the others (and their derivatives) up to all four.
    const auto slot = static_cast<std::size_t>(stages_.front().texCoordSlot);
    blockComponents_[slot] = samplers_->pixel()[0].coordinatesRead();
    blockComponents_[kDiffuseSlot] = whiteDiffuse_ ? 0 : 0xF;
    preparePacking(samplers_->pixel()[0].samplesAlone());
    return true;
  }
  SamplerCoordinates coordinates;
  for (std::size_t s = 0; s < coordinates.size(); ++s) coordinates[s] = samplers_->pixel()[s].coordinatesRead();
  if (!quadProgramFromQuad_ ||
      !blockProgram_.compile(*program_, floats_.data(), kPixelShaderFloatConstants, coordinates, colorComponents)) {
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
  if (packLanes_ && !packed_) packed_ = std::make_unique<BlockBatch>();
}

const LanePacking* PixelStage::shadeBlocks(const BlockBatch& batch, BatchColor* color) {
  // Where no lane needs its neighbours, only the covered lanes are shaded, packed together,
  // when that leaves out at least one block's shading (blocks gathered from a mesh's
  // triangles are mostly whole). The lanes past the last packed one hold what earlier batches
  // left: shaded, never read.
  const BlockBatch* shaded = &batch;
  packing_.reset();
  if (packLanes_ && packing_.emplace(batch).packedBlocks() == batch.count) packing_.reset();
  if (packing_) {
    const LanePacking& packing = *packing_;
    for (std::size_t slot = 0; slot < kVaryingSlots; ++slot) {
      for (unsigned left = blockComponents_[slot]; left; left &= left - 1) {
        const auto c = static_cast<std::size_t>(std::countr_zero(left));
        packLanes(packing, batch.varyings[slot][c], reinterpret_cast<float*>(packed_->varyings[slot][c].data()));
      }
    }
    packed_->count = packing.packedBlocks();
    shaded = packed_.get();
  }
  const std::size_t blocks = static_cast<std::size_t>(shaded->count);
  if (program_) {
    blockProgram_.runBatch(*shaded, inputSlots_.data(), program_->major < 3, samplers_, color);
  } else {
    // Colour = texture x diffuse, alpha = texture alpha, each argument saturated first.
    const auto& coordinates = shaded->varyings[static_cast<std::size_t>(stages_.front().texCoordSlot)];
    const bool alpha = colorComponents_ & 8;
    samplers_->sampleBlocks(
        0, shaded->count, {coordinates[0].data(), coordinates[1].data(), coordinates[2].data(), coordinates[3].data()},
        LodMode::derivatives, nullptr,
        {(*color)[0].data(), (*color)[1].data(), (*color)[2].data(), alpha ? (*color)[3].data() : nullptr});
    const auto& diffuse = shaded->varyings[kDiffuseSlot];
    for (std::size_t b = 0; b < blocks; ++b) {
      if (whiteDiffuse_) {
        // A white diffuse leaves each saturated texel as it is.
        for (std::size_t c = 0; c < (alpha ? 4u : 3u); ++c) (*color)[c][b] = saturateLanes((*color)[c][b]);
        continue;
      }
      for (std::size_t c = 0; c < 3; ++c) {
        (*color)[c][b] = saturateLanes(saturateLanes((*color)[c][b]) * saturateLanes(diffuse[c][b]));
      }
      if (alpha) (*color)[3][b] = saturateLanes((*color)[3][b]);
    }
  }
  return packing_ ? &*packing_ : nullptr;
}

}  // namespace platform::d3d9
