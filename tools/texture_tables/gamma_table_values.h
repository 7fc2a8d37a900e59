// How the gamma-2.2 lookup tables of the pixel converter are computed. Shared by the table
// generator and by the test that checks the checked-in tables against it.
#pragma once

#include <cmath>

namespace texture_tables {

inline constexpr int kGammaTableSize = 256;

// Entry i of the encoding table: the gamma-encoded value of (i / 254)^2. The last entry is 1.
inline float gammaEncodeEntry(int i) {
  if (i >= 255) return 1.0f;
  double linear = static_cast<double>(i) / 254.0;
  return static_cast<float>(std::pow(linear * linear, 1.0 / 2.2));
}

// Entry i of the decoding table: the gamma-decoded value of sqrt(i / 254). The last entry is 1.
inline float gammaDecodeEntry(int i) {
  if (i >= 255) return 1.0f;
  return static_cast<float>(std::pow(std::sqrt(static_cast<double>(i) / 254.0), 2.2));
}

}  // namespace texture_tables
