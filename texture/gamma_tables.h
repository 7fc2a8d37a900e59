// Gamma 2.2 coding of one channel value through 256-entry tables with linear interpolation.
// The tables are indexed non-linearly (by 254 sqrt(v) for encoding, 254 v^2 for decoding) so
// that the steep ends of the curves get most of the entries.
#pragma once

#include <span>

// v^(1/2.2) for linear v.
float gammaEncode(float v);
// v^2.2 for gamma-encoded v.
float gammaDecode(float v);

std::span<const float, 256> gammaEncodeTable();
std::span<const float, 256> gammaDecodeTable();
