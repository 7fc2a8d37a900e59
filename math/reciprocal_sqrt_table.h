// Reciprocal square root from a table of 512 linear segments, used by the x87-tuned
// vec3Normalize in place of a square root and a division.
//
// A normal float s = 2^e * 1.m is split into an even power of two and a mantissa x in [1, 4):
// x in [1, 2) when the biased exponent is odd, x in [2, 4) when it is even. The segment is
// chosen by the exponent's lowest bit and the top eight mantissa bits; within it the remaining
// fifteen mantissa bits interpolate linearly. One Newton step then brings the estimate to float
// precision. The table is computed at compile time.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

namespace math_detail {
namespace {

struct ReciprocalSqrtSegment {
  float offset;  // the estimate at the segment's start
  float slope;   // its change across the whole segment
};

constexpr double constexprSqrt(double x) {
  double root = x;
  for (int i = 0; i < 40; ++i) root = 0.5 * (root + x / root);
  return root;
}

constexpr std::array<ReciprocalSqrtSegment, 512> makeReciprocalSqrtTable() {
  std::array<ReciprocalSqrtSegment, 512> table{};
  for (int index = 0; index < 512; ++index) {
    bool oddExponent = (index >> 8) != 0;  // odd biased exponent: x in [1, 2)
    double base = oddExponent ? 1.0 : 2.0;
    double start = base * (1.0 + (index & 255) / 256.0);
    double end = start + base / 256.0;
    double y0 = 1.0 / constexprSqrt(start), y1 = 1.0 / constexprSqrt(end);
    // The chord lies above the convex curve; lower it by half its largest gap (near the middle).
    double middle = 0.5 * (start + end);
    double gap = 0.5 * (y0 + y1) - 1.0 / constexprSqrt(middle);
    table[index] = {static_cast<float>(y0 - 0.5 * gap), static_cast<float>(y1 - y0)};
  }
  return table;
}

inline constexpr std::array<ReciprocalSqrtSegment, 512> kReciprocalSqrtTable = makeReciprocalSqrtTable();

// 1 / sqrt(s) for a positive normal float s.
inline float reciprocalSqrt(float s) {
  std::uint32_t bits = std::bit_cast<std::uint32_t>(s);
  std::uint32_t exponent = bits >> 23;  // biased; the sign is 0
  std::uint32_t index = ((exponent & 1u) << 8) | ((bits >> 15) & 0xFFu);
  float within = static_cast<float>(bits & 0x7FFFu) * (1.0f / 32768.0f);
  const ReciprocalSqrtSegment& segment = kReciprocalSqrtTable[index];
  float estimate = segment.offset + segment.slope * within;
  // s = 2^(2k) * x, so 1 / sqrt(s) = 2^-k / sqrt(x) with k = floor((exponent - 127) / 2).
  int k = (static_cast<int>(exponent) - 127 - ((exponent & 1u) == 0 ? 1 : 0)) / 2;
  float scale = std::bit_cast<float>(static_cast<std::uint32_t>(127 - k) << 23);
  float y = estimate * scale;
  return y * (1.5f - 0.5f * s * y * y);
}

}  // namespace
}  // namespace math_detail
