#include "platform/d3d9/fixed_lighting.h"

#include <algorithm>
#include <cmath>

namespace platform::d3d9 {
namespace {

using Vec3 = std::array<float, 3>;

float dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The unit vector along v; zero for a zero or non-finite vector.
Vec3 normalized(const Vec3& v) {
  float length = std::sqrt(dot(v, v));
  if (!(length > 0.0f) || !std::isfinite(length)) return {0, 0, 0};
  return {v[0] / length, v[1] / length, v[2] / length};
}

// Row vector (x, y, z, w) times a row-major 4x4 matrix, x/y/z of the result.
Vec3 transform(const Vec3& v, float w, const std::array<float, 16>& m) {
  Vec3 out{};
  for (std::size_t c = 0; c < 3; ++c) out[c] = v[0] * m[c] + v[1] * m[4 + c] + v[2] * m[8 + c] + w * m[12 + c];
  return out;
}

Vec4 color(const D3DCOLORVALUE& c) { return {c.r, c.g, c.b, c.a}; }

// NaN (from non-finite light or material values) clamps to 0.
float clamp01(float x) { return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f; }

}  // namespace

void FixedLighting::bind(const DeviceState& state, const std::array<float, 16>& view) {
  const auto& rs = state.renderStates;
  specular_ = rs[D3DRS_SPECULARENABLE] != 0;
  localViewer_ = rs[D3DRS_LOCALVIEWER] != 0;
  D3DCOLOR ambient = rs[D3DRS_AMBIENT];
  globalAmbient_ = {((ambient >> 16) & 0xFF) / 255.0f, ((ambient >> 8) & 0xFF) / 255.0f, (ambient & 0xFF) / 255.0f,
                    ((ambient >> 24) & 0xFF) / 255.0f};
  lights_.clear();
  for (const auto& [number, slot] : state.lights) {
    if (!slot.enabled) continue;
    const D3DLIGHT9& source = slot.light;
    Light light;
    light.type = source.Type;
    light.diffuse = color(source.Diffuse);
    light.specular = color(source.Specular);
    light.ambient = color(source.Ambient);
    light.position = transform({source.Position.x, source.Position.y, source.Position.z}, 1.0f, view);
    light.direction = normalized(transform({source.Direction.x, source.Direction.y, source.Direction.z}, 0.0f, view));
    light.range = source.Range;
    light.attenuation0 = source.Attenuation0;
    light.attenuation1 = source.Attenuation1;
    light.attenuation2 = source.Attenuation2;
    light.cosHalfTheta = std::cos(source.Theta * 0.5f);
    light.cosHalfPhi = std::cos(source.Phi * 0.5f);
    light.falloff = source.Falloff;
    lights_.push_back(light);
  }
}

bool FixedLighting::reach(const Light& light, const Vec4& position, Vec3* toLight, float* scale) const {
  if (light.type == D3DLIGHT_DIRECTIONAL) {
    *toLight = {-light.direction[0], -light.direction[1], -light.direction[2]};
    *scale = 1.0f;
    return true;
  }
  Vec3 offset{light.position[0] - position[0], light.position[1] - position[1], light.position[2] - position[2]};
  float distance = std::sqrt(dot(offset, offset));
  // Past its range a light has no effect at all, ambient included (NaN distances too).
  if (!(distance <= light.range)) return false;
  float denominator = light.attenuation0 + light.attenuation1 * distance + light.attenuation2 * distance * distance;
  // All-zero (or negative) coefficients would divide by zero: such a light is left unattenuated.
  float attenuation = denominator > 0.0f ? 1.0f / denominator : 1.0f;
  *toLight = normalized(offset);
  if (light.type == D3DLIGHT_SPOT) {
    // rho: cosine between the spot axis and the direction from the light to the vertex.
    float rho = distance > 0.0f ? -dot(light.direction, *toLight) : 1.0f;
    float spot = 1.0f;
    if (rho <= light.cosHalfPhi) {
      spot = 0.0f;
    } else if (rho <= light.cosHalfTheta) {
      spot = std::pow((rho - light.cosHalfPhi) / (light.cosHalfTheta - light.cosHalfPhi), light.falloff);
    }
    attenuation *= spot;
  }
  *scale = attenuation;
  return attenuation > 0.0f;
}

LitColors FixedLighting::light(const Vec4& position, const Vec4& normal, const VertexMaterial& material) const {
  Vec3 n{normal[0], normal[1], normal[2]};
  // The viewer: at the camera-space origin, or infinitely far back along the view axis. The
  // camera looks along +z, so the direction to a distant viewer is -z.
  Vec3 toViewer{0, 0, -1};
  if (localViewer_) toViewer = normalized({-position[0], -position[1], -position[2]});
  Vec3 ambient{globalAmbient_[0], globalAmbient_[1], globalAmbient_[2]};
  Vec3 diffuse{}, specular{};
  for (const Light& light : lights_) {
    Vec3 toLight;
    float scale = 0;
    if (!reach(light, position, &toLight, &scale)) continue;
    float lambert = dot(n, toLight);
    for (std::size_t c = 0; c < 3; ++c) {
      ambient[c] += light.ambient[c] * scale;
      if (lambert > 0.0f) diffuse[c] += light.diffuse[c] * lambert * scale;
    }
    if (!specular_) continue;
    Vec3 halfway = normalized({toViewer[0] + toLight[0], toViewer[1] + toLight[1], toViewer[2] + toLight[2]});
    float highlight = dot(n, halfway);
    if (!(highlight > 0.0f)) continue;
    float term = std::pow(highlight, material.power) * scale;
    for (std::size_t c = 0; c < 3; ++c) specular[c] += light.specular[c] * term;
  }
  LitColors out;
  for (std::size_t c = 0; c < 3; ++c) {
    out.diffuse[c] =
        clamp01(material.emissive[c] + material.ambient[c] * ambient[c] + material.diffuse[c] * diffuse[c]);
    if (specular_) out.specular[c] = clamp01(material.specular[c] * specular[c]);
  }
  out.diffuse[3] = clamp01(material.diffuse[3]);
  out.specular[3] = 0.0f;
  return out;
}

}  // namespace platform::d3d9
