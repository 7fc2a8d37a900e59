// Triangle, line and point rasterisation in screen space. Triangles use edge functions in
// 24.8 fixed point with the platform's pixel centres at integer coordinates and its top-left
// fill rule; attributes come from plane equations of a/w and 1/w (perspective-correct), depth
// from a plane of z. Pixels are produced as 2x2 quads inside a clip region, so that one
// region per worker (a band of rows) gives the same pixels as one region for the whole target.
#pragma once

#include <array>
#include <cstdint>

#include "platform/d3d9/pipeline_types.h"

namespace platform::d3d9 {

// A vertex after the viewport transform: screen position, depth, 1/w, and its attributes
// (not yet divided by w).
struct ScreenVertex {
  float x = 0, y = 0, z = 0, rhw = 1;
  const std::array<Vec4, kVaryingSlots>* varyings = nullptr;
};

struct ClipRegion {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
};

class QuadSink {
 public:
  virtual ~QuadSink() = default;
  virtual void quad(QuadInput& quad) = 0;
};

struct Plane {
  float value = 0, dx = 0, dy = 0;  // at the first vertex, and per pixel in x and y
};

// What finding a triangle's pixels and their depths reads comes first, in its first 128 bytes:
// the attribute planes, most of the size, are read only for the pixels shaded.
struct TriangleSetup {
  std::array<std::int64_t, 3> x{}, y{};          // fixed point, 8 fractional bits
  std::array<std::int64_t, 3> bias{};            // 1 on top and left edges (edge i runs from vertex i to i+1)
  int minX = 0, minY = 0, maxX = -1, maxY = -1;  // inclusive pixel bounds
  float originX = 0, originY = 0;
  Plane z, rhw;
  std::uint32_t flatSlots = 0;
  bool frontFacing = true;
  std::array<std::array<Plane, 4>, kVaryingSlots> varyings{};  // a/w planes; constants when flat
};

// Sets up a triangle; false when it is culled, degenerate or not finite. `cullMode` is a
// D3DCULL value; the slots in `flatSlots` (bit per slot) keep the values of `flatSource` (the
// primitive's first vertex before clipping; a's attributes when null) across the triangle.
bool setupTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, DWORD cullMode,
                   std::uint32_t flatSlots, std::uint32_t usedSlots, TriangleSetup* setup,
                   const std::array<Vec4, kVaryingSlots>* flatSource = nullptr);
void rasterizeTriangle(const TriangleSetup& setup, const ClipRegion& region, std::uint32_t usedSlots, QuadSink& sink);
// A line from a to b; the last pixel is drawn when `lastPixel`.
void rasterizeLine(const ScreenVertex& a, const ScreenVertex& b, bool lastPixel, bool flat, const ClipRegion& region,
                   std::uint32_t usedSlots, QuadSink& sink);
// A square point of `size` pixels centred on the vertex.
void rasterizePoint(const ScreenVertex& v, float size, const ClipRegion& region, std::uint32_t usedSlots,
                    QuadSink& sink);

}  // namespace platform::d3d9
