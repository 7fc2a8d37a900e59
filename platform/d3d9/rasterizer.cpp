#include "platform/d3d9/rasterizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/d3d9/pixel_block.h"

namespace platform::d3d9 {
namespace {

constexpr float kSubpixels = 256.0f;
// Screen coordinates are limited so that edge-function products stay inside 64 bits.
constexpr float kCoordinateLimit = 1 << 21;

bool finite(const ScreenVertex& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.rhw);
}

// Rounds half away from zero, as llround does, without the library call: the clamped coordinate
// times 256 stays below 2^30, so the half added in double is exact. Callers pass finite values.
std::int64_t toFixed(float v) {
  const double scaled = static_cast<double>(std::clamp(v, -kCoordinateLimit, kCoordinateLimit) * kSubpixels);
  return static_cast<std::int64_t>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
}

// A plane's steps per pixel from its values at the three vertices: one expression for a single
// value and for four side by side, so that both give the same bits.
template <typename Value>
[[gnu::always_inline]] inline void planeSteps(Value a0, Value a1, Value a2, float dx1, float dy1, float dx2, float dy2,
                                              float inverseArea, Value* dx, Value* dy) {
  *dx = ((a1 - a0) * dy2 - (a2 - a0) * dy1) * inverseArea;
  *dy = ((a2 - a0) * dx1 - (a1 - a0) * dx2) * inverseArea;
}

Plane planeOf(float a0, float a1, float a2, float dx1, float dy1, float dx2, float dy2, float inverseArea) {
  Plane p;
  p.value = a0;
  planeSteps(a0, a1, a2, dx1, dy1, dx2, dy2, inverseArea, &p.dx, &p.dy);
  return p;
}

// planeOf for the four components of an attribute at once.
void componentPlanes(const Vec4& v0, const Vec4& v1, const Vec4& v2, float rhw0, float rhw1, float rhw2, float dx1,
                     float dy1, float dx2, float dy2, float inverseArea, std::array<Plane, 4>* planes) {
  Floats4 a0, a1, a2, dx, dy;
  std::memcpy(&a0, v0.data(), sizeof a0);
  std::memcpy(&a1, v1.data(), sizeof a1);
  std::memcpy(&a2, v2.data(), sizeof a2);
  a0 *= rhw0;
  a1 *= rhw1;
  a2 *= rhw2;
  planeSteps(a0, a1, a2, dx1, dy1, dx2, dy2, inverseArea, &dx, &dy);
  for (std::size_t c = 0; c < 4; ++c) (*planes)[c] = {a0[c], dx[c], dy[c]};
}

// Four lanes of a quad side by side; the same IEEE operations as one lane at a time, so the
// values are bit for bit those of the scalar plane evaluation.
using Lanes = Floats4;

[[gnu::always_inline]] inline Lanes atLanes(const Plane& p, Lanes dx, Lanes dy) {
  return p.value + p.dx * dx + p.dy * dy;
}

// Fills lanes' depth and attributes for one quad from a triangle's planes.
void interpolate(const TriangleSetup& s, std::uint32_t usedSlots, QuadInput& q) {
  const float left = static_cast<float>(q.x) - s.originX, right = static_cast<float>(q.x + 1) - s.originX;
  const float top = static_cast<float>(q.y) - s.originY, bottom = static_cast<float>(q.y + 1) - s.originY;
  const Lanes dx = {left, right, left, right}, dy = {top, top, bottom, bottom};
  const Lanes z = atLanes(s.z, dx, dy), rhw = atLanes(s.rhw, dx, dy);
  // 1 / rhw in all lanes with one division; lanes with rhw 0 take w = 0.
  const Lanes one = {1.0f, 1.0f, 1.0f, 1.0f}, zero = {};
  const Lanes w = rhw != zero ? one / (rhw != zero ? rhw : one) : zero;
  for (int l = 0; l < 4; ++l) q.z[static_cast<std::size_t>(l)] = std::clamp(z[l], 0.0f, 1.0f);
  for (std::uint32_t slots = usedSlots; slots; slots &= slots - 1) {
    int slot = __builtin_ctz(slots);
    auto si = static_cast<std::size_t>(slot);
    const auto& planes = s.varyings[si];
    auto& out = q.varyings[si];
    if (s.flatSlots & (1u << slot)) {
      for (Vec4& lane : out) {
        for (std::size_t c = 0; c < 4; ++c) lane[c] = planes[c].value;
      }
      continue;
    }
    // Components across lanes, turned into each lane's four components.
    const Lanes components[4] = {atLanes(planes[0], dx, dy) * w, atLanes(planes[1], dx, dy) * w,
                                 atLanes(planes[2], dx, dy) * w, atLanes(planes[3], dx, dy) * w};
    Lanes lanes[4];
    transpose4x4(components, lanes);
    static_assert(sizeof(Lanes) == sizeof(Vec4));
    std::memcpy(out.data(), lanes, sizeof lanes);
  }
}

}  // namespace

bool setupTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, DWORD cullMode,
                   std::uint32_t flatSlots, std::uint32_t usedSlots, TriangleSetup* s,
                   const std::array<Vec4, kVaryingSlots>* flatSource) {
  if (!flatSource) flatSource = a.varyings;
  if (!finite(a) || !finite(b) || !finite(c)) return false;
  std::array<const ScreenVertex*, 3> v{&a, &b, &c};
  std::array<std::int64_t, 3> x{toFixed(a.x), toFixed(b.x), toFixed(c.x)};
  std::array<std::int64_t, 3> y{toFixed(a.y), toFixed(b.y), toFixed(c.y)};
  std::int64_t area = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
  if (area == 0) return false;
  // Positive area runs clockwise on the screen (y grows downwards).
  bool clockwise = area > 0;
  if ((cullMode == D3DCULL_CCW && !clockwise) || (cullMode == D3DCULL_CW && clockwise)) return false;
  s->frontFacing = cullMode == D3DCULL_CW ? !clockwise : clockwise;
  if (!clockwise) {
    std::swap(v[1], v[2]);
    std::swap(x[1], x[2]);
    std::swap(y[1], y[2]);
  }
  s->x = x;
  s->y = y;
  for (int i = 0; i < 3; ++i) {
    auto e0 = static_cast<std::size_t>(i), e1 = static_cast<std::size_t>((i + 1) % 3);
    std::int64_t dx = x[e1] - x[e0], dy = y[e1] - y[e0];
    bool top = dy == 0 && dx > 0;
    bool left = dy < 0;
    s->bias[e0] = (top || left) ? 1 : 0;
  }
  std::int64_t minX = std::min({x[0], x[1], x[2]}), maxX = std::max({x[0], x[1], x[2]});
  std::int64_t minY = std::min({y[0], y[1], y[2]}), maxY = std::max({y[0], y[1], y[2]});
  auto ceilPixel = [](std::int64_t f) { return static_cast<int>((f + 255) >> 8); };
  auto floorPixel = [](std::int64_t f) { return static_cast<int>(f >> 8); };
  s->minX = ceilPixel(minX);
  s->maxX = floorPixel(maxX);
  s->minY = ceilPixel(minY);
  s->maxY = floorPixel(maxY);

  const ScreenVertex& p0 = *v[0];
  const ScreenVertex& p1 = *v[1];
  const ScreenVertex& p2 = *v[2];
  s->originX = p0.x;
  s->originY = p0.y;
  float dx1 = p1.x - p0.x, dy1 = p1.y - p0.y, dx2 = p2.x - p0.x, dy2 = p2.y - p0.y;
  float determinant = dx1 * dy2 - dx2 * dy1;
  if (determinant == 0.0f || !std::isfinite(determinant)) return false;
  float inverse = 1.0f / determinant;
  s->z = planeOf(p0.z, p1.z, p2.z, dx1, dy1, dx2, dy2, inverse);
  s->rhw = planeOf(p0.rhw, p1.rhw, p2.rhw, dx1, dy1, dx2, dy2, inverse);
  s->flatSlots = flatSlots;
  for (std::uint32_t slots = usedSlots; slots; slots &= slots - 1) {
    int slot = __builtin_ctz(slots);
    auto si = static_cast<std::size_t>(slot);
    if (s->flatSlots & (1u << slot)) {
      // Flat shading, and colours equal at every vertex, take the first vertex of the
      // primitive as given, before reordering.
      for (std::size_t c = 0; c < 4; ++c) s->varyings[si][c] = {(*flatSource)[si][c], 0, 0};
      continue;
    }
    componentPlanes((*p0.varyings)[si], (*p1.varyings)[si], (*p2.varyings)[si], p0.rhw, p1.rhw, p2.rhw, dx1, dy1, dx2,
                    dy2, inverse, &s->varyings[si]);
  }
  return true;
}

void rasterizeTriangle(const TriangleSetup& s, const ClipRegion& region, std::uint32_t usedSlots, QuadSink& sink) {
  int minX = std::max(s.minX, region.left), maxX = std::min(s.maxX, region.right - 1);
  int minY = std::max(s.minY, region.top), maxY = std::min(s.maxY, region.bottom - 1);
  if (minX > maxX || minY > maxY) return;
  // Edge i: E(p) = (x[i+1] - x[i]) * (p.y - y[i]) - (y[i+1] - y[i]) * (p.x - x[i]); inside when E + bias > 0.
  std::array<std::int64_t, 3> stepX{}, stepY{}, rowStart{};
  std::int64_t px0 = std::int64_t{minX & ~1} * 256, py0 = std::int64_t{minY & ~1} * 256;
  for (int i = 0; i < 3; ++i) {
    auto e0 = static_cast<std::size_t>(i), e1 = static_cast<std::size_t>((i + 1) % 3);
    std::int64_t dx = s.x[e1] - s.x[e0], dy = s.y[e1] - s.y[e0];
    stepX[e0] = -dy * 256;
    stepY[e0] = dx * 256;
    rowStart[e0] = dx * (py0 - s.y[e0]) - dy * (px0 - s.x[e0]) + s.bias[e0];
  }
  QuadInput q;
  q.frontFacing = s.frontFacing;
  for (int qy = minY & ~1; qy <= maxY; qy += 2) {
    std::array<std::int64_t, 3> e = rowStart;
    // Lanes 0 1 / 2 3: rows and columns of the quad outside the bounds are never covered.
    unsigned rowLanes = 0xF;
    if (qy < minY) rowLanes &= 0xC;
    if (qy + 1 > maxY) rowLanes &= 0x3;
    for (int qx = minX & ~1; qx <= maxX; qx += 2) {
      unsigned lanes = rowLanes;
      if (qx < minX) lanes &= 0xA;
      if (qx + 1 > maxX) lanes &= 0x5;
      unsigned inside[4] = {1, 1, 1, 1};
      for (std::size_t i = 0; i < 3; ++i) {
        inside[0] &= e[i] > 0;
        inside[1] &= e[i] + stepX[i] > 0;
        inside[2] &= e[i] + stepY[i] > 0;
        inside[3] &= e[i] + stepX[i] + stepY[i] > 0;
      }
      auto coverage = static_cast<std::uint8_t>(lanes & (inside[0] | inside[1] << 1 | inside[2] << 2 | inside[3] << 3));
      if (coverage) {
        q.x = qx;
        q.y = qy;
        q.coverage = coverage;
        interpolate(s, usedSlots, q);
        sink.quad(q);
      }
      for (std::size_t i = 0; i < 3; ++i) e[i] += 2 * stepX[i];
    }
    for (std::size_t i = 0; i < 3; ++i) rowStart[i] += 2 * stepY[i];
  }
}

namespace {

// Emits one pixel with every lane of its quad holding the same attributes.
void emitPixel(int px, int py, float z, const std::array<Vec4, kVaryingSlots>& values, std::uint32_t usedSlots,
               const ClipRegion& region, QuadSink& sink) {
  if (px < region.left || px >= region.right || py < region.top || py >= region.bottom) return;
  QuadInput q;
  q.x = px & ~1;
  q.y = py & ~1;
  q.coverage = static_cast<std::uint8_t>(1u << ((px & 1) | ((py & 1) << 1)));
  q.z.fill(std::clamp(z, 0.0f, 1.0f));
  for (std::uint32_t slots = usedSlots; slots; slots &= slots - 1) {
    auto si = static_cast<std::size_t>(__builtin_ctz(slots));
    q.varyings[si].fill(values[si]);
  }
  sink.quad(q);
}

}  // namespace

void rasterizeLine(const ScreenVertex& a, const ScreenVertex& b, bool lastPixel, bool flat, const ClipRegion& region,
                   std::uint32_t usedSlots, QuadSink& sink) {
  if (!finite(a) || !finite(b)) return;
  float ax = std::clamp(a.x, -kCoordinateLimit, kCoordinateLimit),
        ay = std::clamp(a.y, -kCoordinateLimit, kCoordinateLimit);
  float bx = std::clamp(b.x, -kCoordinateLimit, kCoordinateLimit),
        by = std::clamp(b.y, -kCoordinateLimit, kCoordinateLimit);
  float dx = bx - ax, dy = by - ay;
  // Steps along the major axis, one pixel each; the walk is cut to the region.
  int steps = static_cast<int>(std::ceil(std::max(std::fabs(dx), std::fabs(dy))));
  if (steps == 0) {
    if (lastPixel) {
      std::array<Vec4, kVaryingSlots> values = *a.varyings;
      emitPixel(static_cast<int>(std::floor(ax + 0.5f)), static_cast<int>(std::floor(ay + 0.5f)), a.z, values,
                usedSlots, region, sink);
    }
    return;
  }
  // Only the part of the walk inside the region (one pixel wider) is stepped through, so a
  // line far larger than the target costs no more than one across it.
  float t0 = 0.0f, t1 = 1.0f;
  auto clipTo = [&](float p, float q) {  // keeps p * t <= q
    if (p == 0.0f) return q >= 0.0f;
    float r = q / p;
    if (p < 0.0f) {
      t0 = std::max(t0, r);
    } else {
      t1 = std::min(t1, r);
    }
    return t0 <= t1;
  };
  if (!clipTo(-dx, ax - static_cast<float>(region.left - 1)) || !clipTo(dx, static_cast<float>(region.right) - ax) ||
      !clipTo(-dy, ay - static_cast<float>(region.top - 1)) || !clipTo(dy, static_cast<float>(region.bottom) - ay)) {
    return;
  }
  int count = lastPixel ? steps + 1 : steps;
  int first = std::max(0, static_cast<int>(std::floor(t0 * static_cast<float>(steps))) - 1);
  int last = std::min(count, static_cast<int>(std::ceil(t1 * static_cast<float>(steps))) + 2);
  std::array<Vec4, kVaryingSlots> values{};
  for (int i = first; i < last; ++i) {
    float t = static_cast<float>(i) / static_cast<float>(steps);
    float x = ax + dx * t, y = ay + dy * t;
    int px = static_cast<int>(std::floor(x + 0.5f)), py = static_cast<int>(std::floor(y + 0.5f));
    if (px < region.left || px >= region.right || py < region.top || py >= region.bottom) continue;
    float rhw = a.rhw + (b.rhw - a.rhw) * t;
    float w = rhw != 0.0f ? 1.0f / rhw : 0.0f;
    for (std::uint32_t slots = usedSlots; slots; slots &= slots - 1) {
      int slot = __builtin_ctz(slots);
      auto si = static_cast<std::size_t>(slot);
      bool constant = flat && (slot == kDiffuseSlot || slot == kSpecularSlot);
      for (int c = 0; c < 4; ++c) {
        auto ci = static_cast<std::size_t>(c);
        float va = (*a.varyings)[si][ci], vb = (*b.varyings)[si][ci];
        values[si][ci] = constant ? va : (va * a.rhw + (vb * b.rhw - va * a.rhw) * t) * w;
      }
    }
    emitPixel(px, py, a.z + (b.z - a.z) * t, values, usedSlots, region, sink);
  }
}

void rasterizePoint(const ScreenVertex& v, float size, const ClipRegion& region, std::uint32_t usedSlots,
                    QuadSink& sink) {
  if (!finite(v) || !(size > 0.0f)) return;
  size = std::min(size, 8192.0f);
  float half = size * 0.5f;
  float x0 = std::clamp(v.x - half, -kCoordinateLimit, kCoordinateLimit);
  float y0 = std::clamp(v.y - half, -kCoordinateLimit, kCoordinateLimit);
  int left = std::max(static_cast<int>(std::ceil(x0)), region.left);
  int top = std::max(static_cast<int>(std::ceil(y0)), region.top);
  int right = std::min(static_cast<int>(std::ceil(x0 + size)), region.right);
  int bottom = std::min(static_cast<int>(std::ceil(y0 + size)), region.bottom);
  for (int py = top; py < bottom; ++py) {
    for (int px = left; px < right; ++px) emitPixel(px, py, v.z, *v.varyings, usedSlots, region, sink);
  }
}

}  // namespace platform::d3d9
