// Fixed-function vertex lighting in camera space: the enabled lights are prepared once per
// draw, then each vertex gets its diffuse colour (emissive + ambient + diffuse) and, when
// specular lighting is on, its specular colour.
#pragma once

#include <array>
#include <vector>

#include "platform/d3d9/device_state.h"
#include "platform/d3d9/pipeline_types.h"

namespace platform::d3d9 {

// A vertex's material colours after the material-source states picked vertex or material colours.
struct VertexMaterial {
  Vec4 diffuse{}, ambient{}, specular{}, emissive{};
  float power = 0;
};

struct LitColors {
  Vec4 diffuse{};   // clamped to [0, 1]; alpha is the diffuse material's alpha
  Vec4 specular{};  // clamped to [0, 1]; zero when specular lighting is off
};

class FixedLighting {
 public:
  // `view` is the row-major view matrix that takes world-space lights to camera space.
  void bind(const DeviceState& state, const std::array<float, 16>& view);
  bool specularEnabled() const { return specular_; }
  // `position` and `normal` are in camera space; the normal is used as given.
  LitColors light(const Vec4& position, const Vec4& normal, const VertexMaterial& material) const;

 private:
  using Vec3 = std::array<float, 3>;
  struct Light {
    D3DLIGHTTYPE type = D3DLIGHT_DIRECTIONAL;
    Vec4 diffuse{}, specular{}, ambient{};
    Vec3 position{};
    Vec3 direction{};  // unit vector the light travels along; zero when none was given
    float range = 0, attenuation0 = 0, attenuation1 = 0, attenuation2 = 0;
    float cosHalfTheta = 1, cosHalfPhi = 1, falloff = 0;
  };
  // Attenuation times spot factor of a positional light for a vertex, with the unit vector
  // from the vertex to the light; false when the light does not reach the vertex.
  bool reach(const Light& light, const Vec4& position, Vec3* toLight, float* scale) const;

  std::vector<Light> lights_;
  Vec4 globalAmbient_{};
  bool specular_ = false;
  bool localViewer_ = true;
};

}  // namespace platform::d3d9
