// Fixed-function lighting read back through single points, whose pixel takes the lit vertex
// colour unchanged. Camera space equals world space (identity view), the camera looks along +z
// and the vertex normals face it. Expectations follow the ambient, diffuse, specular,
// attenuation and spotlight formulas worked by hand.
#include <cmath>
#include <limits>

#include "tests/platform/d3d9/render_fixture.h"

namespace platform::d3d9 {
namespace {

struct LitVertex {
  float x, y, z;
  float nx, ny, nz;
};
constexpr DWORD kLitFvf = D3DFVF_XYZ | D3DFVF_NORMAL;

struct ColoredLitVertex {
  float x, y, z;
  float nx, ny, nz;
  D3DCOLOR diffuse, specular;
};
constexpr DWORD kColoredLitFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR;

D3DCOLORVALUE rgba(float r, float g, float b, float a = 1.0f) { return {r, g, b, a}; }

D3DMATRIX identityMatrix() {
  D3DMATRIX m{};
  for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
  return m;
}

D3DLIGHT9 directionalLight(float x, float y, float z) {
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Direction = {x, y, z};
  light.Diffuse = rgba(1, 1, 1);
  return light;
}

// A directional light that only lights specular highlights, in white.
D3DLIGHT9 specularLight(float x, float y, float z) {
  D3DLIGHT9 light = directionalLight(x, y, z);
  light.Diffuse = rgba(0, 0, 0);
  light.Specular = rgba(1, 1, 1);
  return light;
}

D3DLIGHT9 pointLight(float x, float y, float z) {
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_POINT;
  light.Position = {x, y, z};
  light.Diffuse = rgba(1, 1, 1);
  light.Range = 100.0f;
  light.Attenuation0 = 1.0f;
  return light;
}

class LightingTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    useTarget(4, 4);
    D3DMATRIX identity = identityMatrix();
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &identity);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  }

  void useLight(const D3DLIGHT9& light) {
    ASSERT_EQ(device->SetLight(0, &light), D3D_OK);
    ASSERT_EQ(device->LightEnable(0, TRUE), D3D_OK);
  }
  void useMaterial(D3DCOLORVALUE diffuse, D3DCOLORVALUE ambient = {}, D3DCOLORVALUE specular = {},
                   D3DCOLORVALUE emissive = {}, float power = 0) {
    D3DMATERIAL9 material{diffuse, ambient, specular, emissive, power};
    ASSERT_EQ(device->SetMaterial(&material), D3D_OK);
  }

  // The pixel of one lit point at the viewport centre (camera-space position (0, 0, 0.5)).
  D3DCOLOR litCentre(float nx = 0, float ny = 0, float nz = -1) {
    LitVertex v{0, 0, 0.5f, nx, ny, nz};
    return drawPoint(&v, sizeof v, kLitFvf, 2, 2);
  }
  D3DCOLOR drawPoint(const void* vertex, UINT stride, DWORD fvf, UINT x, UINT y) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00u, 1.0f, 0);
    device->SetFVF(fvf);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_POINTLIST, 1, vertex, stride), D3D_OK);
    return pixel(x, y);
  }
};

// Each channel within one step of the expected intensity (the target rounds).
::testing::AssertionResult colorNear(D3DCOLOR actual, float r, float g, float b) {
  float want[3] = {r * 255.0f, g * 255.0f, b * 255.0f};
  int got[3] = {static_cast<int>((actual >> 16) & 0xFF), static_cast<int>((actual >> 8) & 0xFF),
                static_cast<int>(actual & 0xFF)};
  for (int c = 0; c < 3; ++c) {
    if (std::fabs(static_cast<float>(got[c]) - want[c]) > 1.0f) {
      return ::testing::AssertionFailure()
             << std::hex << "got 0x" << actual << std::dec << ", channel " << c << " wanted " << want[c];
    }
  }
  return ::testing::AssertionSuccess();
}

TEST_F(LightingTest, DirectionalDiffuseScalesByTheCosineToTheLight) {
  // Light travelling along (0, 0.6, 0.8): N.L = 0.8. The vertex has no colour, so the default
  // COLOR1 diffuse source falls back to the material.
  useLight(directionalLight(0, 0.6f, 0.8f));
  useMaterial(rgba(1, 0.5f, 0.25f));
  EXPECT_TRUE(colorNear(litCentre(), 0.8f, 0.4f, 0.2f));
  // A light behind the surface adds nothing.
  useLight(directionalLight(0, 0, -1));
  EXPECT_TRUE(colorNear(litCentre(), 0, 0, 0));
}

TEST_F(LightingTest, LitColoursShadeAcrossATriangle) {
  // The vertices have no colours of their own, but lighting gives each its own: the triangle
  // blends between them rather than taking one colour.
  useLight(directionalLight(0, 0, 1));
  useMaterial(rgba(1, 1, 1));
  const LitVertex corners[] = {{-1, 1, 0.5f, 0, 0, -1}, {3, 1, 0.5f, 0, 0.8f, -0.6f}, {-1, -3, 0.5f, 0.8f, 0, -0.6f}};
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00u, 1.0f, 0);
  device->SetFVF(kLitFvf);
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, corners, sizeof(LitVertex)), D3D_OK);
  EXPECT_GT(distinctColors(), 4u);
}

TEST_F(LightingTest, NormalsAreScaledUnlessNormalizeNormalsIsOn) {
  useLight(directionalLight(0, 0, 1));
  useMaterial(rgba(0.4f, 0.4f, 0.4f));
  EXPECT_TRUE(colorNear(litCentre(0, 0, -2), 0.8f, 0.8f, 0.8f));
  device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  EXPECT_TRUE(colorNear(litCentre(0, 0, -2), 0.4f, 0.4f, 0.4f));
}

TEST_F(LightingTest, NormalsFollowTheInverseTransposeOfTheWorldView) {
  // World scales x by 2: the normal (1, 0, -1) becomes (0.5, 0, -1), normalised
  // (0.4472, 0, -0.8944); N.L with the light along +z is 0.8944 (the plain matrix would
  // give (2, 0, -1) and 0.4472).
  useLight(directionalLight(0, 0, 1));
  useMaterial(rgba(1, 1, 1));
  D3DMATRIX world = identityMatrix();
  world.m[0][0] = 2.0f;
  device->SetTransform(D3DTS_WORLD, &world);
  device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  EXPECT_TRUE(colorNear(litCentre(1, 0, -1), 0.8944f, 0.8944f, 0.8944f));
  // A uniform scale of 2 without normalisation halves a unit normal's length.
  world.m[1][1] = world.m[2][2] = 2.0f;
  device->SetTransform(D3DTS_WORLD, &world);
  device->SetRenderState(D3DRS_NORMALIZENORMALS, FALSE);
  LitVertex v{0, 0, 0.25f, 0, 0, -1};  // at camera-space z 0.5 after the scale
  EXPECT_TRUE(colorNear(drawPoint(&v, sizeof v, kLitFvf, 2, 2), 0.5f, 0.5f, 0.5f));
}

TEST_F(LightingTest, AmbientIsGlobalPlusEachLightsAttenuatedAmbient) {
  // Global 0x00FF8000 (1, 128/255, 0) times material ambient (0.6, 1, 1), plus the light's
  // ambient (0.2, 0, 0.4) halved by Attenuation0 = 2, times the same material ambient.
  D3DLIGHT9 light = pointLight(0, 0, -1.5f);
  light.Diffuse = rgba(0, 0, 0);
  light.Ambient = rgba(0.2f, 0, 0.4f);
  light.Attenuation0 = 2.0f;
  useLight(light);
  useMaterial(rgba(0, 0, 0), rgba(0.6f, 1, 1));
  device->SetRenderState(D3DRS_AMBIENT, 0x00FF8000u);
  EXPECT_TRUE(colorNear(litCentre(), 0.6f + 0.06f, 128.0f / 255.0f, 0.2f));
}

TEST_F(LightingTest, PointLightAttenuatesWithDistanceAndStopsAtItsRange) {
  // Light 2 units in front of the vertex: 1 / (1 + 0.5 * 2 + 0.25 * 4) = 1/3.
  D3DLIGHT9 light = pointLight(0, 0, -1.5f);
  light.Attenuation1 = 0.5f;
  light.Attenuation2 = 0.25f;
  light.Ambient = rgba(1, 1, 1);
  useMaterial(rgba(0.6f, 1.0f, 0.2f), rgba(0.3f, 0.3f, 0.3f));
  light.Range = 2.0f;
  useLight(light);
  EXPECT_TRUE(colorNear(litCentre(), (0.6f + 0.3f) / 3, (1.0f + 0.3f) / 3, (0.2f + 0.3f) / 3));
  // Out of range the light gives neither diffuse nor ambient light.
  light.Range = 1.99f;
  useLight(light);
  EXPECT_TRUE(colorNear(litCentre(), 0, 0, 0));
  // All-zero attenuation would divide by zero: the light is left unattenuated.
  light.Range = 100.0f;
  light.Attenuation0 = light.Attenuation1 = light.Attenuation2 = 0;
  light.Ambient = rgba(0, 0, 0);
  useLight(light);
  EXPECT_TRUE(colorNear(litCentre(), 0.6f, 1.0f, 0.2f));
}

TEST_F(LightingTest, SpotlightConeFallsOffBetweenThetaAndPhi) {
  // The light sits 1 unit in front of the vertex; tilting its axis by angle a gives rho = cos a.
  // Theta 0.4 and Phi 1.2: inside cos(0.2) full light, outside cos(0.6) none, between
  // ((rho - cos 0.6) / (cos 0.2 - cos 0.6)) ^ Falloff.
  useMaterial(rgba(1, 1, 1), rgba(1, 1, 1));
  auto spot = [&](float cosine, float falloff) {
    D3DLIGHT9 light = pointLight(0, 0, -0.5f);
    light.Type = D3DLIGHT_SPOT;
    light.Direction = {std::sqrt(1 - cosine * cosine), 0, cosine};
    light.Theta = 0.4f;
    light.Phi = 1.2f;
    light.Falloff = falloff;
    useLight(light);
    return litCentre();
  };
  const float between = (0.9f - std::cos(0.6f)) / (std::cos(0.2f) - std::cos(0.6f));  // 0.48254
  EXPECT_TRUE(colorNear(spot(1.0f, 1.0f), 1, 1, 1));
  EXPECT_TRUE(colorNear(spot(0.9f, 1.0f), between, between, between));
  EXPECT_TRUE(colorNear(spot(0.9f, 2.0f), between * between, between * between, between * between));
  EXPECT_TRUE(colorNear(spot(0.8f, 1.0f), 0, 0, 0));
  // The cone scales the light's ambient term too.
  auto ambientSpot = [&](float cosine) {
    D3DLIGHT9 light = pointLight(0, 0, -0.5f);
    light.Type = D3DLIGHT_SPOT;
    light.Diffuse = rgba(0, 0, 0);
    light.Ambient = rgba(0.5f, 0.5f, 0.5f);
    light.Direction = {std::sqrt(1 - cosine * cosine), 0, cosine};
    light.Theta = 0.4f;
    light.Phi = 1.2f;
    light.Falloff = 1.0f;
    useLight(light);
    return litCentre();
  };
  EXPECT_TRUE(colorNear(ambientSpot(1.0f), 0.5f, 0.5f, 0.5f));
  EXPECT_TRUE(colorNear(ambientSpot(0.8f), 0, 0, 0));
}

TEST_F(LightingTest, SpecularUsesTheHalfwayVectorAndPower) {
  // Light travelling along (0, 0.6, 0.8), non-local viewer (view direction -z):
  // H = norm((0, -0.6, -0.8) + (0, 0, -1)), N.H = 1.8 / sqrt(3.6) = 0.948683, squared 0.9.
  useLight(specularLight(0, 0.6f, 0.8f));
  useMaterial(rgba(0, 0, 0), rgba(0, 0, 0), rgba(1, 0.5f, 0.2f), rgba(0, 0, 0), 2.0f);
  device->SetRenderState(D3DRS_LOCALVIEWER, FALSE);
  // Specular lighting is off by default.
  EXPECT_TRUE(colorNear(litCentre(), 0, 0, 0));
  device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  EXPECT_TRUE(colorNear(litCentre(), 0.9f, 0.45f, 0.18f));
}

TEST_F(LightingTest, LocalViewerTakesTheDirectionToTheCameraFromTheVertex) {
  // Vertex at camera-space (0.5, 0, 1), drawn at pixel (3, 2) with z halved by the projection.
  // Light travelling along +z. Local viewer: to camera = norm(-0.5, 0, -1); N.H = 0.973249,
  // ^10 = 0.76247. Non-local viewer: H = -z, N.H = 1.
  D3DMATRIX projection = identityMatrix();
  projection.m[2][2] = 0.5f;
  device->SetTransform(D3DTS_PROJECTION, &projection);
  useLight(specularLight(0, 0, 1));
  useMaterial(rgba(0, 0, 0), rgba(0, 0, 0), rgba(1, 1, 1), rgba(0, 0, 0), 10.0f);
  device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  LitVertex v{0.5f, 0, 1, 0, 0, -1};
  EXPECT_TRUE(colorNear(drawPoint(&v, sizeof v, kLitFvf, 3, 2), 0.76247f, 0.76247f, 0.76247f));
  device->SetRenderState(D3DRS_LOCALVIEWER, FALSE);
  EXPECT_TRUE(colorNear(drawPoint(&v, sizeof v, kLitFvf, 3, 2), 1, 1, 1));
}

TEST_F(LightingTest, MaterialSourcesPickVertexColoursWhenColorVertexIsOn) {
  useLight(directionalLight(0, 0, 1));
  useMaterial(rgba(0.2f, 0.2f, 0.2f, 0.4f), rgba(0, 0, 0), rgba(0, 0, 0), rgba(0.2f, 0.2f, 0.2f));
  ColoredLitVertex v{0, 0, 0.5f, 0, 0, -1, 0x80336699u, 0x00204080u};
  // Default sources: diffuse from the first vertex colour (alpha too), emissive from the
  // material.
  D3DCOLOR c = drawPoint(&v, sizeof v, kColoredLitFvf, 2, 2);
  EXPECT_TRUE(colorNear(c, (0x33 + 51) / 255.0f, (0x66 + 51) / 255.0f, (0x99 + 51) / 255.0f));
  EXPECT_EQ(c >> 24, 0x80u);
  // Emissive from the second vertex colour.
  device->SetRenderState(D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_COLOR2);
  c = drawPoint(&v, sizeof v, kColoredLitFvf, 2, 2);
  EXPECT_TRUE(colorNear(c, (0x33 + 0x20) / 255.0f, (0x66 + 0x40) / 255.0f, 1.0f));
  // COLORVERTEX off: every colour from the material, alpha from the material's diffuse alpha.
  device->SetRenderState(D3DRS_COLORVERTEX, FALSE);
  c = drawPoint(&v, sizeof v, kColoredLitFvf, 2, 2);
  EXPECT_TRUE(colorNear(c, 0.4f, 0.4f, 0.4f));
  EXPECT_EQ(c >> 24, 102u);
}

TEST_F(LightingTest, SpecularMaterialSourceReadsTheSecondVertexColour) {
  useLight(specularLight(0, 0, 1));
  useMaterial(rgba(0, 0, 0), rgba(0, 0, 0), rgba(1, 1, 1), rgba(0, 0, 0), 4.0f);
  device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  device->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
  ColoredLitVertex v{0, 0, 0.5f, 0, 0, -1, 0xFF000000u, 0x00204080u};
  EXPECT_TRUE(colorNear(drawPoint(&v, sizeof v, kColoredLitFvf, 2, 2), 0x20 / 255.0f, 0x40 / 255.0f, 0x80 / 255.0f));
  device->SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL);
  EXPECT_TRUE(colorNear(drawPoint(&v, sizeof v, kColoredLitFvf, 2, 2), 1, 1, 1));
}

TEST_F(LightingTest, NonFiniteLightsAndMaterialsGiveBlackNotGarbage) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  useMaterial(rgba(1, 1, 1), rgba(1, 1, 1));
  D3DLIGHT9 light = pointLight(nan, 0, 0);
  light.Ambient = rgba(1, 1, 1);
  useLight(light);
  EXPECT_TRUE(colorNear(litCentre(), 0, 0, 0));
  useLight(directionalLight(nan, nan, nan));
  EXPECT_TRUE(colorNear(litCentre(), 0, 0, 0));
  useLight(directionalLight(0, 0, 1));
  useMaterial(rgba(nan, 0.4f, 0.4f));
  EXPECT_TRUE(colorNear(litCentre(), 0, 0.4f, 0.4f));
}

}  // namespace
}  // namespace platform::d3d9
