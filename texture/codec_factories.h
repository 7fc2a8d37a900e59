// Constructors of the individual codec families; each returns null for formats it does not handle.
#pragma once

#include <memory>

#include "texture/pixel_codec.h"

std::unique_ptr<PixelCodec> createPackedCodec(const PixelBlock& block);
std::unique_ptr<PixelCodec> createFloatCodec(const PixelBlock& block);
std::unique_ptr<PixelCodec> createPairCodec(const PixelBlock& block);
std::unique_ptr<PixelCodec> createBlockCodec(const PixelBlock& block);
