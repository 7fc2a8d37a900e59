// Element access for the array routines, whose strides are given in bytes.
//
// Everything here has internal linkage on purpose: the processor-specific sets include this
// header from files built with their own target flags, and a shared inline copy could let the
// linker pick one compiled for another processor.
#pragma once

#include <cstddef>

#include "platform/win/types.h"

namespace math_detail {
namespace {

template <typename T>
inline const T* stridedAt(const T* base, UINT stride, UINT index) {
  return reinterpret_cast<const T*>(reinterpret_cast<const BYTE*>(base) + static_cast<std::size_t>(stride) * index);
}

template <typename T>
inline T* stridedAt(T* base, UINT stride, UINT index) {
  return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(base) + static_cast<std::size_t>(stride) * index);
}

// Calls step(output floats, input floats) for each element of a strided array.
template <typename Out, typename In, typename Step>
inline Out* forEachElement(Out* out, UINT outStride, const In* in, UINT inStride, UINT count, Step step) {
  for (UINT i = 0; i < count; ++i) {
    step(reinterpret_cast<float*>(stridedAt(out, outStride, i)),
         reinterpret_cast<const float*>(stridedAt(in, inStride, i)));
  }
  return out;
}

}  // namespace
}  // namespace math_detail
