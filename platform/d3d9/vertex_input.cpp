#include "platform/d3d9/vertex_input.h"

#include <cstdint>
#include <cstring>

#include "platform/d3d9/raw_bits.h"
#include "platform/d3d9/texel_formats.h"
#include "platform/d3d9/vertex_declaration.h"

namespace platform::d3d9 {
namespace {

float snorm(std::int32_t value, float maximum) {
  float f = static_cast<float>(value) / maximum;
  return f < -1.0f ? -1.0f : f;
}

}  // namespace

Vec4 decodeDeclType(BYTE type, const std::byte* p) {
  switch (type) {
    case D3DDECLTYPE_FLOAT1: return {loadUnaligned<float>(p), 0, 0, 1};
    case D3DDECLTYPE_FLOAT2: return {loadUnaligned<float>(p), loadUnaligned<float>(p + 4), 0, 1};
    case D3DDECLTYPE_FLOAT3:
      return {loadUnaligned<float>(p), loadUnaligned<float>(p + 4), loadUnaligned<float>(p + 8), 1};
    case D3DDECLTYPE_FLOAT4:
      return {loadUnaligned<float>(p), loadUnaligned<float>(p + 4), loadUnaligned<float>(p + 8),
              loadUnaligned<float>(p + 12)};
    case D3DDECLTYPE_D3DCOLOR: {
      auto c = loadUnaligned<std::uint32_t>(p);
      return {((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f,
              ((c >> 24) & 0xFF) / 255.0f};
    }
    case D3DDECLTYPE_UBYTE4:
      return {static_cast<float>(std::to_integer<int>(p[0])), static_cast<float>(std::to_integer<int>(p[1])),
              static_cast<float>(std::to_integer<int>(p[2])), static_cast<float>(std::to_integer<int>(p[3]))};
    case D3DDECLTYPE_UBYTE4N:
      return {std::to_integer<int>(p[0]) / 255.0f, std::to_integer<int>(p[1]) / 255.0f,
              std::to_integer<int>(p[2]) / 255.0f, std::to_integer<int>(p[3]) / 255.0f};
    case D3DDECLTYPE_SHORT2:
      return {static_cast<float>(loadUnaligned<std::int16_t>(p)),
              static_cast<float>(loadUnaligned<std::int16_t>(p + 2)), 0, 1};
    case D3DDECLTYPE_SHORT4:
      return {static_cast<float>(loadUnaligned<std::int16_t>(p)),
              static_cast<float>(loadUnaligned<std::int16_t>(p + 2)),
              static_cast<float>(loadUnaligned<std::int16_t>(p + 4)),
              static_cast<float>(loadUnaligned<std::int16_t>(p + 6))};
    case D3DDECLTYPE_SHORT2N:
      return {snorm(loadUnaligned<std::int16_t>(p), 32767.0f), snorm(loadUnaligned<std::int16_t>(p + 2), 32767.0f), 0,
              1};
    case D3DDECLTYPE_SHORT4N:
      return {snorm(loadUnaligned<std::int16_t>(p), 32767.0f), snorm(loadUnaligned<std::int16_t>(p + 2), 32767.0f),
              snorm(loadUnaligned<std::int16_t>(p + 4), 32767.0f), snorm(loadUnaligned<std::int16_t>(p + 6), 32767.0f)};
    case D3DDECLTYPE_USHORT2N:
      return {loadUnaligned<std::uint16_t>(p) / 65535.0f, loadUnaligned<std::uint16_t>(p + 2) / 65535.0f, 0, 1};
    case D3DDECLTYPE_USHORT4N:
      return {loadUnaligned<std::uint16_t>(p) / 65535.0f, loadUnaligned<std::uint16_t>(p + 2) / 65535.0f,
              loadUnaligned<std::uint16_t>(p + 4) / 65535.0f, loadUnaligned<std::uint16_t>(p + 6) / 65535.0f};
    case D3DDECLTYPE_UDEC3: {
      auto w = loadUnaligned<std::uint32_t>(p);
      return {static_cast<float>(w & 0x3FF), static_cast<float>((w >> 10) & 0x3FF),
              static_cast<float>((w >> 20) & 0x3FF), 1};
    }
    case D3DDECLTYPE_DEC3N: {
      auto w = loadUnaligned<std::uint32_t>(p);
      auto field = [&](int shift) {
        std::int32_t v = static_cast<std::int32_t>((w >> shift) << 22) >> 22;
        return snorm(v, 511.0f);
      };
      return {field(0), field(10), field(20), 1};
    }
    case D3DDECLTYPE_FLOAT16_2:
      return {halfToFloat(loadUnaligned<std::uint16_t>(p)), halfToFloat(loadUnaligned<std::uint16_t>(p + 2)), 0, 1};
    case D3DDECLTYPE_FLOAT16_4:
      return {halfToFloat(loadUnaligned<std::uint16_t>(p)), halfToFloat(loadUnaligned<std::uint16_t>(p + 2)),
              halfToFloat(loadUnaligned<std::uint16_t>(p + 4)), halfToFloat(loadUnaligned<std::uint16_t>(p + 6))};
    default: return {0, 0, 0, 1};
  }
}

void VertexInput::addElement(const D3DVERTEXELEMENT9& element, int target) {
  if (target < 0 || element.Stream >= kStreamCount) return;
  UINT size = declTypeSize(element.Type);
  if (size == 0) return;
  elements_.push_back({element.Stream, element.Offset, element.Type, size, target});
}

void VertexInput::fetch(UINT index, Vec4* registers, int registerCount) const {
  for (int i = 0; i < registerCount; ++i) registers[i] = {0, 0, 0, 1};
  for (const Element& e : elements_) {
    if (e.target >= registerCount) continue;
    const StreamView& s = streams_[e.stream];
    if (!s.data) continue;
    std::uint64_t at = std::uint64_t{index} * s.stride + e.offset;
    if (at + e.size > s.size) continue;
    registers[e.target] = decodeDeclType(e.type, s.data + at);
  }
}

}  // namespace platform::d3d9
