// Reading vertices out of their streams: each declaration element decoded by its type into a
// four-float register, with (0, 0, 0, 1) for what the vertex does not supply.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "platform/d3d9/device_limits.h"
#include "platform/d3d9/shader_machine.h"

namespace platform::d3d9 {

// Expands one element of a D3DDECLTYPE at `data` (which holds at least declTypeSize bytes).
Vec4 decodeDeclType(BYTE type, const std::byte* data);

struct StreamView {
  const std::byte* data = nullptr;  // the stream's bytes from its offset on
  std::size_t size = 0;
  UINT stride = 0;
};

class VertexInput {
 public:
  void setStream(UINT stream, const StreamView& view) { streams_[stream] = view; }
  // Routes an element into register `target` (elements without a target are skipped).
  void addElement(const D3DVERTEXELEMENT9& element, int target);
  // Fills `registers` (registerCount of them) for vertex `index`. Elements whose bytes lie
  // outside their stream read as defaults.
  void fetch(UINT index, Vec4* registers, int registerCount) const;

 private:
  struct Element {
    UINT stream;
    UINT offset;
    BYTE type;
    UINT size;
    int target;
  };
  std::array<StreamView, kStreamCount> streams_{};
  std::vector<Element> elements_;
};

}  // namespace platform::d3d9
