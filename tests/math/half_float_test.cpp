#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "math/vector_math.h"

namespace {

Float16Bits toHalf(float value) {
  Float16Bits half = 0;
  float32To16Array(&half, &value, 1);
  return half;
}

float toFloat(Float16Bits half) {
  float value = 0;
  float16To32Array(&value, &half, 1);
  return value;
}

TEST(HalfFloatTest, KnownValuesToHalf) {
  EXPECT_EQ(toHalf(1.0f), 0x3C00);
  EXPECT_EQ(toHalf(-2.0f), 0xC000);
  EXPECT_EQ(toHalf(65504.0f), 0x7BFF);
  EXPECT_EQ(toHalf(131008.0f), 0x7FFF);  // exponent 31 is an ordinary exponent
  EXPECT_EQ(toHalf(0.0f), 0x0000);
  EXPECT_EQ(toHalf(-0.0f), 0x8000);
  EXPECT_EQ(toHalf(std::ldexp(1.0f, -14)), 0x0400);  // smallest normal half
  EXPECT_EQ(toHalf(std::ldexp(1.0f, -24)), 0x0001);  // smallest subnormal half
  EXPECT_EQ(toHalf(std::ldexp(1023.0f, -24)), 0x03FF);
}

TEST(HalfFloatTest, SaturatesInsteadOfOverflowing) {
  EXPECT_EQ(toHalf(200000.0f), 0x7FFF);
  EXPECT_EQ(toHalf(-200000.0f), 0xFFFF);
  EXPECT_EQ(toHalf(std::numeric_limits<float>::infinity()), 0x7FFF);
  EXPECT_EQ(toHalf(std::numeric_limits<float>::quiet_NaN()), 0x7FFF);
  // 131008 + half an ulp would round to the even value above the largest half: saturates.
  EXPECT_EQ(toHalf(131072.0f - 32.0f), 0x7FFF);
  EXPECT_EQ(toHalf(std::nextafter(131040.0f, 0.0f)), 0x7FFF);
}

TEST(HalfFloatTest, RoundsToNearestTiesToEven) {
  // Normal range: 1 + 2^-11 lies halfway between 1 and 1 + 2^-10.
  EXPECT_EQ(toHalf(1.0f + std::ldexp(1.0f, -11)), 0x3C00);
  EXPECT_EQ(toHalf(1.0f + 3 * std::ldexp(1.0f, -11)), 0x3C02);
  EXPECT_EQ(toHalf(std::nextafter(1.0f + std::ldexp(1.0f, -11), 2.0f)), 0x3C01);
  // Subnormal range: 2^-25 is the tie between 0 and the smallest subnormal.
  EXPECT_EQ(toHalf(std::ldexp(1.0f, -25)), 0x0000);
  EXPECT_EQ(toHalf(std::ldexp(3.0f, -25)), 0x0002);
  // Just above the tie must round up, even though the deciding bits are shifted out.
  EXPECT_EQ(toHalf(std::nextafter(std::ldexp(1.0f, -25), 1.0f)), 0x0001);
  EXPECT_EQ(toHalf(-std::nextafter(std::ldexp(1.0f, -25), 1.0f)), 0x8001);
  // Too small for the format: a zero with the sign kept.
  EXPECT_EQ(toHalf(std::ldexp(1.0f, -30)), 0x0000);
  EXPECT_EQ(toHalf(-std::numeric_limits<float>::denorm_min()), 0x8000);
}

TEST(HalfFloatTest, KnownValuesToFloat) {
  EXPECT_EQ(toFloat(0x3C00), 1.0f);
  EXPECT_EQ(toFloat(0x7BFF), 65504.0f);
  EXPECT_EQ(toFloat(0x7FFF), 131008.0f);
  EXPECT_EQ(toFloat(0x7C00), 65536.0f);
  EXPECT_EQ(toFloat(0x0001), std::ldexp(1.0f, -24));
  EXPECT_EQ(toFloat(0x0200), std::ldexp(1.0f, -15));
  EXPECT_EQ(toFloat(0x03FF), std::ldexp(1023.0f, -24));
  float negativeZero = toFloat(0x8000);
  EXPECT_EQ(negativeZero, 0.0f);
  EXPECT_TRUE(std::signbit(negativeZero));
  EXPECT_EQ(std::bit_cast<std::uint32_t>(toFloat(0x0000)), 0u);
}

TEST(HalfFloatTest, EveryHalfSurvivesARoundTrip) {
  std::vector<Float16Bits> halves(65536);
  for (std::uint32_t i = 0; i < halves.size(); ++i) halves[i] = static_cast<Float16Bits>(i);
  std::vector<float> floats(halves.size());
  std::vector<Float16Bits> back(halves.size());
  EXPECT_EQ(float16To32Array(floats.data(), halves.data(), 65536), floats.data());
  EXPECT_EQ(float32To16Array(back.data(), floats.data(), 65536), back.data());
  for (std::uint32_t i = 0; i < halves.size(); ++i) ASSERT_EQ(back[i], halves[i]) << "half " << i;
}

TEST(HalfFloatTest, ZeroCountTouchesNothing) {
  float value = 5.0f;
  Float16Bits half = 0x1234;
  float32To16Array(&half, &value, 0);
  float16To32Array(&value, &half, 0);
  EXPECT_EQ(half, 0x1234);
  EXPECT_EQ(value, 5.0f);
}

}  // namespace
