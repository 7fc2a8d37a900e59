// The ways a conversion can be carried out, tried in a fixed order; the first that accepts a
// pair of codecs does the whole job.
#pragma once

#include <cstdint>
#include <vector>

#include "texture/pixel_codec.h"

struct ConversionJob {
  PixelCodec& destination;
  PixelCodec& source;
  std::uint32_t filter;

  std::uint32_t method() const { return filter & 0xFFFF; }
};

struct ConversionMethod {
  const char* name;
  bool (*accepts)(const ConversionJob&);
  void (*run)(ConversionJob&);  // throws std::bad_alloc only
};

// In the order they are tried (see pixel_converter.cpp).
extern const ConversionMethod kSameMethod;
extern const ConversionMethod kCopyMethod;
extern const ConversionMethod kNoneMethod;
extern const ConversionMethod kPointMethod;
extern const ConversionMethod kBox2DMethod;
extern const ConversionMethod kBox3DMethod;
extern const ConversionMethod kLinear2DMethod;
extern const ConversionMethod kLinear3DMethod;
extern const ConversionMethod kTriangle2DMethod;
extern const ConversionMethod kTriangle3DMethod;

// Helpers shared by the methods.
using FloatRow = std::vector<Float4>;
bool sameSize(const PixelCodec& a, const PixelCodec& b);
bool isVolume(const ConversionJob& job);
// The copy, none and point methods do no arithmetic on values, so gamma coding on both sides
// cancels out.
void dropMatchingGamma(ConversionJob& job);
