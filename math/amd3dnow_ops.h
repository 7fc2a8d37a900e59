// The 3DNow! operations the 3DNow! set is written in, on a pair of floats in an MMX register.
//
// Built normally they are the real instructions: intrinsics where GCC keeps them, inline
// assembly where GCC would turn the intrinsic into SSE code in a 64-bit build (the two-float
// add, subtract, multiply, accumulate and swap). Built with PRISM_MATH_3DNOW_MODEL they are a
// plain C++ model of the same instructions, so the set's arithmetic can be checked on
// processors without 3DNow!; the model's reciprocal estimates are exact, as the refined
// sequences are meant to be.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#ifndef PRISM_MATH_3DNOW_MODEL
#include <mm3dnow.h>
#endif

namespace math_3dnow_ops {
namespace {

#ifdef PRISM_MATH_3DNOW_MODEL

struct Pair {
  float lo, hi;
};
inline Pair zeroPair() { return {0, 0}; }
inline Pair fromFloat(float a) { return {a, 0}; }
inline float lowFloat(Pair a) { return a.lo; }
inline Pair interleaveLow(Pair a, Pair b) { return {a.lo, b.lo}; }   // PUNPCKLDQ
inline Pair interleaveHigh(Pair a, Pair b) { return {a.hi, b.hi}; }  // PUNPCKHDQ
inline Pair pfadd(Pair a, Pair b) { return {a.lo + b.lo, a.hi + b.hi}; }
inline Pair pfsub(Pair a, Pair b) { return {a.lo - b.lo, a.hi - b.hi}; }
inline Pair pfmul(Pair a, Pair b) { return {a.lo * b.lo, a.hi * b.hi}; }
inline Pair pfacc(Pair a, Pair b) { return {a.lo + a.hi, b.lo + b.hi}; }
inline Pair pfnacc(Pair a, Pair b) { return {a.lo - a.hi, b.lo - b.hi}; }
inline Pair pswapd(Pair a) { return {a.hi, a.lo}; }
inline Pair pfrsqrt(Pair a) {
  float r = 1.0f / std::sqrt(a.lo);
  return {r, r};
}
inline Pair pfrsqit1(Pair squaredEstimate, Pair) { return squaredEstimate; }
inline Pair pfrcp(Pair a) {
  float r = 1.0f / a.lo;
  return {r, r};
}
inline Pair pfrcpit1(Pair a, Pair) { return a; }
inline Pair pfrcpit2(Pair, Pair estimate) { return estimate; }
inline void femms() {}

// The MMX integer side, on the pair's bits.
inline std::uint32_t bitsOf(float f) { return std::bit_cast<std::uint32_t>(f); }
inline float floatOf(std::uint32_t b) { return std::bit_cast<float>(b); }
template <typename Op>
inline Pair integerOp(Pair a, Pair b, Op op) {
  return {floatOf(op(bitsOf(a.lo), bitsOf(b.lo))), floatOf(op(bitsOf(a.hi), bitsOf(b.hi)))};
}
inline Pair integers(std::uint32_t value) { return {floatOf(value), floatOf(value)}; }
inline std::uint32_t lowInteger(Pair a) { return bitsOf(a.lo); }
inline std::uint32_t highInteger(Pair a) { return bitsOf(a.hi); }
inline Pair pand(Pair a, Pair b) {
  return integerOp(a, b, [](std::uint32_t x, std::uint32_t y) { return x & y; });
}
inline Pair por(Pair a, Pair b) {
  return integerOp(a, b, [](std::uint32_t x, std::uint32_t y) { return x | y; });
}
inline Pair pandn(Pair a, Pair b) {
  return integerOp(a, b, [](std::uint32_t x, std::uint32_t y) { return ~x & y; });
}
inline Pair paddd(Pair a, Pair b) {
  return integerOp(a, b, [](std::uint32_t x, std::uint32_t y) { return x + y; });
}
inline Pair psubd(Pair a, Pair b) {
  return integerOp(a, b, [](std::uint32_t x, std::uint32_t y) { return x - y; });
}
inline Pair pcmpgtd(Pair a, Pair b) {
  return integerOp(a, b, [](std::uint32_t x, std::uint32_t y) {
    return static_cast<std::int32_t>(x) > static_cast<std::int32_t>(y) ? 0xFFFFFFFFu : 0u;
  });
}
template <int Bits>
inline Pair psrld(Pair a) {
  return integerOp(a, a, [](std::uint32_t x, std::uint32_t) { return x >> Bits; });
}

#else

using Pair = __m64;
inline Pair zeroPair() { return _mm_setzero_si64(); }
inline Pair fromFloat(float a) { return _m_from_float(a); }
inline float lowFloat(Pair a) { return _m_to_float(a); }
inline Pair interleaveLow(Pair a, Pair b) { return _m_punpckldq(a, b); }
inline Pair interleaveHigh(Pair a, Pair b) { return _m_punpckhdq(a, b); }
inline Pair pfadd(Pair a, Pair b) {
  __asm__("pfadd %1, %0" : "+y"(a) : "y"(b));
  return a;
}
inline Pair pfsub(Pair a, Pair b) {
  __asm__("pfsub %1, %0" : "+y"(a) : "y"(b));
  return a;
}
inline Pair pfmul(Pair a, Pair b) {
  __asm__("pfmul %1, %0" : "+y"(a) : "y"(b));
  return a;
}
inline Pair pfacc(Pair a, Pair b) {
  __asm__("pfacc %1, %0" : "+y"(a) : "y"(b));
  return a;
}
inline Pair pfnacc(Pair a, Pair b) {  // extension
  __asm__("pfnacc %1, %0" : "+y"(a) : "y"(b));
  return a;
}
inline Pair pswapd(Pair a) {  // extension
  Pair swapped;
  __asm__("pswapd %1, %0" : "=y"(swapped) : "y"(a));
  return swapped;
}
inline Pair pfrsqrt(Pair a) { return _m_pfrsqrt(a); }
inline Pair pfrsqit1(Pair squaredEstimate, Pair a) { return _m_pfrsqit1(squaredEstimate, a); }
inline Pair pfrcp(Pair a) { return _m_pfrcp(a); }
inline Pair pfrcpit1(Pair a, Pair estimate) { return _m_pfrcpit1(a, estimate); }
inline Pair pfrcpit2(Pair step, Pair estimate) { return _m_pfrcpit2(step, estimate); }
inline void femms() { _m_femms(); }

// The MMX integer side, on the pair's bits.
inline Pair integers(std::uint32_t value) { return _mm_set1_pi32(static_cast<int>(value)); }
inline std::uint32_t lowInteger(Pair a) { return static_cast<std::uint32_t>(_mm_cvtsi64_si32(a)); }
inline std::uint32_t highInteger(Pair a) { return static_cast<std::uint32_t>(_mm_cvtsi64_si32(_mm_srli_si64(a, 32))); }
inline Pair pand(Pair a, Pair b) { return _mm_and_si64(a, b); }
inline Pair por(Pair a, Pair b) { return _mm_or_si64(a, b); }
inline Pair pandn(Pair a, Pair b) { return _mm_andnot_si64(a, b); }
inline Pair paddd(Pair a, Pair b) { return _mm_add_pi32(a, b); }
inline Pair psubd(Pair a, Pair b) { return _mm_sub_pi32(a, b); }
inline Pair pcmpgtd(Pair a, Pair b) { return _mm_cmpgt_pi32(a, b); }
template <int Bits>
inline Pair psrld(Pair a) {
  return _mm_srli_pi32(a, Bits);
}

#endif

// Memory, and pairs built from lanes.
inline Pair loadPair(const float* p) {
  Pair v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void storePair(float* p, Pair v) { std::memcpy(p, &v, sizeof v); }
inline Pair loadSingle(const float* p) { return fromFloat(*p); }  // (p[0], 0)
inline void storeSingle(float* p, Pair v) { *p = lowFloat(v); }
inline float highFloat(Pair v) { return lowFloat(interleaveHigh(v, v)); }
inline Pair pair(float a, float b) { return interleaveLow(fromFloat(a), fromFloat(b)); }
inline Pair splatLow(Pair v) { return interleaveLow(v, v); }
inline Pair splatHigh(Pair v) { return interleaveHigh(v, v); }
inline Pair splat(float a) { return splatLow(fromFloat(a)); }
inline Pair sumBoth(Pair a) { return pfacc(a, a); }  // (lo + hi, lo + hi)

// 1 / sqrt(s) and 1 / d of the low lane in both lanes, refined from the instructions' 15-bit
// estimates to full precision.
inline Pair reciprocalSqrt(Pair s) {
  Pair estimate = pfrsqrt(s);
  return pfrcpit2(pfrsqit1(pfmul(estimate, estimate), s), estimate);
}
inline Pair reciprocal(Pair d) {
  Pair estimate = pfrcp(d);
  return pfrcpit2(pfrcpit1(d, estimate), estimate);
}

}  // namespace
}  // namespace math_3dnow_ops
