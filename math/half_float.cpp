// Conversions between 32-bit floats and the 16-bit half-float format.
#include <bit>
#include <cstdint>

#include "math/portable_routines.h"

namespace math_portable {
namespace {

// Largest magnitude that still rounds to a finite half below the saturation value's neighbour;
// anything above it (infinity and NaN included) saturates.
constexpr std::uint32_t kSaturationThreshold = 0x47FFEFFFu;
// Below 2^-14 the result is a half subnormal (or zero).
constexpr std::uint32_t kSmallestNormalHalfMinusOne = 0x387FFFFFu;
constexpr std::uint32_t kRebiasExponent = 112u << 23;  // float bias 127 to half bias 15

// Rounds away the low 13 bits of `bits` to nearest, ties to even.
constexpr std::uint32_t roundOff13Bits(std::uint32_t bits) { return (bits + 0xFFFu + ((bits >> 13) & 1u)) >> 13; }

constexpr Float16Bits toHalf(float value) {
  std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
  std::uint32_t magnitude = bits & 0x7FFFFFFFu;
  auto sign = static_cast<std::uint16_t>((bits >> 16) & 0x8000u);
  if (magnitude > kSaturationThreshold) return sign | 0x7FFFu;
  if (magnitude > kSmallestNormalHalfMinusOne) {
    return static_cast<Float16Bits>(sign | roundOff13Bits(magnitude - kRebiasExponent));
  }
  // Half subnormal: align the mantissa (with its implicit bit) to the half's fixed exponent.
  std::uint32_t exponent = magnitude >> 23;
  std::uint32_t mantissa = (magnitude & 0x7FFFFFu) | 0x800000u;
  std::uint32_t shift = 113u - exponent;
  std::uint32_t aligned = 0;
  if (shift < 32) {
    aligned = mantissa >> shift;
    // Bits shifted out still decide a tie: keep them as a sticky bit so a value just above
    // half an ulp rounds up instead of being taken for an exact tie.
    if ((mantissa & ((1u << shift) - 1u)) != 0) aligned |= 1u;
  }
  return static_cast<Float16Bits>(sign | roundOff13Bits(aligned));
}

constexpr float toFloat(Float16Bits half) {
  std::uint32_t sign = static_cast<std::uint32_t>(half & 0x8000u) << 16;
  std::uint32_t exponent = (half >> 10) & 0x1Fu;
  std::uint32_t mantissa = half & 0x3FFu;
  if (exponent != 0) return std::bit_cast<float>(sign | ((exponent + 112u) << 23) | (mantissa << 13));
  if (mantissa == 0) return std::bit_cast<float>(sign);
  // Subnormal half: normalise the mantissa; the exponent counts down from -14.
  int unbiased = -14;
  while ((mantissa & 0x400u) == 0) {
    mantissa <<= 1;
    --unbiased;
  }
  mantissa &= 0x3FFu;
  return std::bit_cast<float>(sign | (static_cast<std::uint32_t>(unbiased + 127) << 23) | (mantissa << 13));
}

static_assert(toHalf(1.0f) == 0x3C00);
static_assert(toHalf(65504.0f) == 0x7BFF);
static_assert(toFloat(0x7FFF) == 131008.0f);

}  // namespace

Float16Bits* float32To16Array(Float16Bits* out, const float* in, UINT count) {
  for (UINT i = 0; i < count; ++i) out[i] = toHalf(in[i]);
  return out;
}

float* float16To32Array(float* out, const Float16Bits* in, UINT count) {
  for (UINT i = 0; i < count; ++i) out[i] = toFloat(in[i]);
  return out;
}

}  // namespace math_portable
