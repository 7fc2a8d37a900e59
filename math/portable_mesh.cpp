// Portable mesh routines: skinning and curved-triangle tessellation.
#include <cstring>
#include <vector>

#include "math/portable_routines.h"

namespace math_portable {
namespace {

Vec3 add(const Vec3& a, const Vec3& b) { return Vec3{a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 subtract(const Vec3& a, const Vec3& b) { return Vec3{a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 scale(const Vec3& v, float k) { return Vec3{v.x * k, v.y * k, v.z * k}; }
float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 normalised(const Vec3& v) {
  Vec3 result;
  math_portable::vec3Normalize(&result, &v);
  return result;
}

Vec3 readVec3(const BYTE* vertex, UINT offset) {
  Vec3 v;
  std::memcpy(&v, vertex + offset, sizeof v);
  return v;
}
void writeVec3(BYTE* vertex, UINT offset, const Vec3& v) { std::memcpy(vertex + offset, &v, sizeof v); }

// The ten control points and three mid-edge normals of a curved (PN) triangle.
struct CurvedTriangle {
  Vec3 p300, p030, p003, p210, p120, p021, p012, p102, p201, p111;
  Vec3 n200, n020, n002, n110, n011, n101;
};

// The edge control point near `from` on the edge to `to`, pulled into from's tangent plane.
Vec3 edgeControlPoint(const Vec3& from, const Vec3& to, const Vec3& normal) {
  float w = dot(subtract(to, from), normal);
  return scale(subtract(add(scale(from, 2), to), scale(normal, w)), 1.0f / 3.0f);
}

// The mid-edge normal: the average of the end normals mirrored about the edge's perpendicular plane.
Vec3 midEdgeNormal(const Vec3& pi, const Vec3& pj, const Vec3& ni, const Vec3& nj) {
  Vec3 edge = subtract(pj, pi);
  float lengthSquared = dot(edge, edge);
  float v = lengthSquared > 0.0f ? 2.0f * dot(edge, add(ni, nj)) / lengthSquared : 0.0f;
  return normalised(subtract(add(ni, nj), scale(edge, v)));
}

CurvedTriangle curvedTriangle(const Vec3 p[3], const Vec3 normals[3]) {
  Vec3 n[3] = {normalised(normals[0]), normalised(normals[1]), normalised(normals[2])};
  CurvedTriangle t;
  t.p300 = p[0];
  t.p030 = p[1];
  t.p003 = p[2];
  t.p210 = edgeControlPoint(p[0], p[1], n[0]);
  t.p120 = edgeControlPoint(p[1], p[0], n[1]);
  t.p021 = edgeControlPoint(p[1], p[2], n[1]);
  t.p012 = edgeControlPoint(p[2], p[1], n[2]);
  t.p102 = edgeControlPoint(p[2], p[0], n[2]);
  t.p201 = edgeControlPoint(p[0], p[2], n[0]);
  Vec3 edges = scale(add(add(add(t.p210, t.p120), add(t.p021, t.p012)), add(t.p102, t.p201)), 1.0f / 6.0f);
  Vec3 centre = scale(add(add(p[0], p[1]), p[2]), 1.0f / 3.0f);
  t.p111 = add(edges, scale(subtract(edges, centre), 0.5f));
  t.n200 = n[0];
  t.n020 = n[1];
  t.n002 = n[2];
  t.n110 = midEdgeNormal(p[0], p[1], n[0], n[1]);
  t.n011 = midEdgeNormal(p[1], p[2], n[1], n[2]);
  t.n101 = midEdgeNormal(p[2], p[0], n[2], n[0]);
  return t;
}

// Cubic position at barycentric weights a, b, c of corners 0, 1, 2.
Vec3 positionAt(const CurvedTriangle& t, float a, float b, float c) {
  Vec3 result = add(add(scale(t.p300, a * a * a), scale(t.p030, b * b * b)), scale(t.p003, c * c * c));
  result = add(result, scale(t.p210, 3 * a * a * b));
  result = add(result, scale(t.p120, 3 * a * b * b));
  result = add(result, scale(t.p201, 3 * a * a * c));
  result = add(result, scale(t.p021, 3 * b * b * c));
  result = add(result, scale(t.p102, 3 * a * c * c));
  result = add(result, scale(t.p012, 3 * b * c * c));
  return add(result, scale(t.p111, 6 * a * b * c));
}

// Quadratic normal at barycentric weights a, b, c, normalised.
Vec3 normalAt(const CurvedTriangle& t, float a, float b, float c) {
  Vec3 result = add(add(scale(t.n200, a * a), scale(t.n020, b * b)), scale(t.n002, c * c));
  result = add(result, scale(t.n110, a * b));
  result = add(result, scale(t.n011, b * c));
  result = add(result, scale(t.n101, a * c));
  return normalised(result);
}

}  // namespace

void* skinnedMeshUpdate(void* destinationVertices, const void* sourceVertices, const SkinnedMeshDesc* desc) {
  // Accumulate first, write afterwards: the destination may be the source itself.
  const bool hasNormals = desc->normalOffset != SkinnedMeshDesc::kNoNormal;
  std::vector<Vec3> positions(desc->vertexCount, Vec3{0, 0, 0});
  std::vector<Vec3> normals(hasNormals ? desc->vertexCount : 0, Vec3{0, 0, 0});
  const auto* source = static_cast<const BYTE*>(sourceVertices);
  for (UINT b = 0; b < desc->boneCount; ++b) {
    const SkinnedBone& bone = desc->bones[b];
    for (UINT i = 0; i < bone.influenceCount; ++i) {
      UINT index = bone.vertices[i];
      if (index >= desc->vertexCount) continue;  // an influence on a vertex that is not there
      const BYTE* vertex = source + static_cast<std::size_t>(index) * desc->vertexStride;
      float weight = bone.weights[i];
      Vec3 position = readVec3(vertex, 0);
      Vec4 moved;
      math_portable::vec3Transform(&moved, &position, bone.transform);
      positions[index] = add(positions[index], scale(Vec3{moved.x, moved.y, moved.z}, weight));
      if (hasNormals) {
        Vec3 normal = readVec3(vertex, desc->normalOffset);
        math_portable::vec3TransformNormal(&normal, &normal, bone.transform);
        normals[index] = add(normals[index], scale(normal, weight));
      }
    }
  }
  auto* destination = static_cast<BYTE*>(destinationVertices);
  for (UINT v = 0; v < desc->vertexCount; ++v) {
    BYTE* vertex = destination + static_cast<std::size_t>(v) * desc->vertexStride;
    writeVec3(vertex, 0, positions[v]);
    if (hasNormals) writeVec3(vertex, desc->normalOffset, normalised(normals[v]));
  }
  return destinationVertices;
}

Vec3* nPatchTessellate(Vec3* outPositions, Vec3* outNormals, const Vec3 positions[3], const Vec3 normals[3],
                       UINT segments) {
  if (segments == 0) return nullptr;
  CurvedTriangle t = curvedTriangle(positions, normals);
  float step = 1.0f / static_cast<float>(segments);
  std::size_t written = 0;
  for (UINT row = 0; row <= segments; ++row) {
    float a = 1.0f - static_cast<float>(row) * step;
    for (UINT k = 0; k <= row; ++k) {
      float c = static_cast<float>(k) * step;
      float b = static_cast<float>(row - k) * step;
      outPositions[written] = positionAt(t, a, b, c);
      if (outNormals != nullptr) outNormals[written] = normalAt(t, a, b, c);
      ++written;
    }
  }
  return outPositions;
}

}  // namespace math_portable
