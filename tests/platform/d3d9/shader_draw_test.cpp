// Shaders through the whole device: the program's hologram shaders pick grid cells as the
// angle term says, a ps_1_1 shader combines a texture with the diffuse colour, colours the
// vertices lack read exactly white while a vertex shader's colours blend, and vertex shaders
// run as lane programs give the interpreter's image.
#include <algorithm>
#include <random>

#include "tests/platform/d3d9/assemble_text.h"
#include "tests/platform/d3d9/hologram_shaders.h"
#include "tests/platform/d3d9/render_fixture.h"

namespace platform::d3d9 {
namespace {

class ShaderDrawTest : public RenderTest {};

TEST_F(ShaderDrawTest, HologramShadersPickTheCellOfTheAngleTerm) {
  useTarget(6, 6);
  std::vector<DWORD> vsTokens = hologramVertexShader(), psTokens = hologramPixelShader();
  ComPtr<IDirect3DVertexShader9> vs;
  ComPtr<IDirect3DPixelShader9> ps;
  ComPtr<IDirect3DVertexDeclaration9> declaration;
  ASSERT_EQ(device->CreateVertexShader(vsTokens.data(), vs.put()), D3D_OK);
  ASSERT_EQ(device->CreatePixelShader(psTokens.data(), ps.put()), D3D_OK);
  ASSERT_EQ(device->CreateVertexDeclaration(cardVertexElements(), declaration.put()), D3D_OK);
  std::vector<D3DCOLOR> cells(9);
  for (UINT i = 0; i < 9; ++i) cells[i] = 0xFF000000u | (i + 1) * 0x11;
  ComPtr<IDirect3DTexture9> texture = makeTexture(3, 3, cells);
  device->SetVertexDeclaration(declaration.get());
  device->SetVertexShader(vs.get());
  device->SetPixelShader(ps.get());
  device->SetTexture(0, texture.get());
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  const float c4[4] = {0.0f, 0.1f, 0.2f, 1.0f}, c6[4] = {0, 0, 3, 1}, pc0[4] = {3.0f, 0.33333f, 0, 1};
  device->SetVertexShaderConstantF(0, identity, 4);
  device->SetVertexShaderConstantF(4, c4, 1);
  device->SetVertexShaderConstantF(6, c6, 1);
  device->SetPixelShaderConstantF(0, pc0, 1);
  // A zero normal makes N.V zero, so s = c5.x; (u, v) = (0.5, 0.5) lands on each cell's centre.
  CardVertex quad[] = {{{-1, 1, 0.5f}, {0, 0, 0}, 0.5f, 0.5f},
                       {{1, 1, 0.5f}, {0, 0, 0}, 0.5f, 0.5f},
                       {{-1, -1, 0.5f}, {0, 0, 0}, 0.5f, 0.5f},
                       {{1, -1, 0.5f}, {0, 0, 0}, 0.5f, 0.5f}};
  struct Case {
    float s;
    UINT cell;
  };
  for (const Case& c : {Case{0.05f, 0}, Case{0.4f, 3}, Case{0.5f, 4}, Case{0.7f, 6}, Case{0.95f, 8}}) {
    const float c5[4] = {c.s, 2.0f, 1.6f, 2.0f};
    device->SetVertexShaderConstantF(5, c5, 1);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(CardVertex)), D3D_OK);
    EXPECT_EQ(count(cells[c.cell]), 36) << "s = " << c.s;
  }
  device->SetVertexShader(nullptr);
  device->SetPixelShader(nullptr);
}

TEST_F(ShaderDrawTest, VersionOnePixelShaderModulatesItsTextureWithTheDiffuseColour) {
  ShaderTokens t(D3DPS_VERSION(1, 1));
  t.op(D3DSIO_TEX, {dst(D3DSPR_TEXTURE, 0)})
      .op(D3DSIO_MUL, {dst(D3DSPR_TEMP, 0), src(D3DSPR_TEXTURE, 0), src(D3DSPR_INPUT, 0)});
  std::vector<DWORD> tokens = t.end();
  ComPtr<IDirect3DPixelShader9> ps;
  ASSERT_EQ(device->CreatePixelShader(tokens.data(), ps.put()), D3D_OK);
  ComPtr<IDirect3DTexture9> texture = makeTexture(1, 1, {0xFF8040FF});
  device->SetTexture(0, texture.get());
  device->SetPixelShader(ps.get());
  ASSERT_EQ(drawRect(0, 0, 2, 2, 0x80FF8080), D3D_OK);
  EXPECT_EQ(pixel(1, 1), 0x80802080u);
  device->SetPixelShader(nullptr);
}

TEST_F(ShaderDrawTest, ColoursTheVerticesLackAreExactlyWhiteAcrossPerspectiveTriangles) {
  // The default colours of vertices without any are the same at every vertex, so every pixel
  // reads exactly 1, however the perspective divide would round an interpolated 1. The shader
  // magnifies any difference from 1 into black; an exact 1 gives mid grey.
  std::vector<DWORD> tokens = assembleText(
      "ps_2_0\n"
      "def c0, 1, 1, 1, 1\n"
      "def c1, 1000000000, 1000000000, 1000000000, 1000000000\n"
      "def c2, 0.5, 0.5, 0.5, 0.5\n"
      "dcl v0\n"
      "dcl v1\n"
      "add r0, v0, v1\n"
      "add r0, r0, -c0\n"
      "add r0, r0, -c0\n"
      "mad oC0, r0, c1, c2\n");
  ComPtr<IDirect3DPixelShader9> ps;
  ASSERT_EQ(device->CreatePixelShader(tokens.data(), ps.put()), D3D_OK);
  useTarget(32, 32);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  device->SetPixelShader(ps.get());
  struct Vertex {
    float x, y, z, rhw, u, v;
  };
  const Vertex vertices[] = {{0, 0, 0.5f, 0.31f, 0, 0}, {32, 0, 0.5f, 3.7f, 1, 0},   {0, 32, 0.5f, 1.3f, 0, 1},
                             {32, 0, 0.5f, 3.7f, 1, 0}, {32, 32, 0.5f, 0.07f, 1, 1}, {0, 32, 0.5f, 1.3f, 0, 1}};
  device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
  for (bool fast : {false, true}) {
    testing::setFastPaths(device.get(), fast);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, vertices, sizeof(Vertex)), D3D_OK);
    EXPECT_EQ(count(0x80808080u), 32 * 32) << "fast paths " << fast;
  }
  testing::setFastPaths(device.get(), true);
  device->SetPixelShader(nullptr);
  // A vertex shader's colours are its own, even when the vertices carry none.
  std::vector<DWORD> vs = assembleText(
      "vs_2_0\n"
      "dcl_position v0\n"
      "mov oPos, v0\n"
      "add oD0, v0.xyxy, v0.yxyx\n");
  ComPtr<IDirect3DVertexShader9> shader;
  ASSERT_EQ(device->CreateVertexShader(vs.data(), shader.put()), D3D_OK);
  device->SetVertexShader(shader.get());
  const float corners[][3] = {{-1, 1, 0.5f}, {3, 1, 0.5f}, {-1, -3, 0.5f}};
  device->SetFVF(D3DFVF_XYZ);
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, corners, sizeof corners[0]), D3D_OK);
  EXPECT_GT(distinctColors(), 4u);
  device->SetVertexShader(nullptr);
}

TEST_F(ShaderDrawTest, VertexShadersGiveTheInterpretersImageOnTheFastPaths) {
  // Each pair's vertex shader runs as a lane program with the fast paths on and on the
  // interpreter with them off; the vertices it writes (position, colours, coordinates, fog,
  // 3.0's outputs by their semantics) must give the same pixels.
  const char* pairs[][2] = {
      {"vs_1_1\ndcl_position v0\ndcl_color v1\ndcl_texcoord v2\nmov oPos, v0\nmul oD0, v1, c1\n"
       "mad oD1.xyz, v2.yxzw, c2, v1\nmov oT0, v2\nadd oT1.xy, v2, c3\nmov oFog, v2.x\n",
       "ps_2_0\ndcl v0\ndcl v1\ndcl t0\ndcl t1\nmad r0, t0, v0, v1\nadd r0.xy, r0, t1\nmov oC0, r0\n"},
      {"vs_3_0\ndcl_position v0\ndcl_color v1\ndcl_texcoord v2\ndcl_position o0\ndcl_color o1\n"
       "dcl_texcoord3 o2\ndcl_texcoord0 o3\nmov o0, v0\nmul o1, v1, c1\nnrm r0, v2\nmov o2, r0\n"
       "frc o3.xy, v2\n",
       "ps_3_0\ndcl_color v0\ndcl_texcoord3 v1\ndcl_texcoord0 v2\nmad r0, v1, c0.x, v0\n"
       "add r0.xy, r0, v2\nmov oC0, r0\n"},
  };
  struct Vertex {
    float x, y, z;
    D3DCOLOR color;
    float u, v, w;
  };
  std::mt19937 random(5);
  std::uniform_real_distribution<float> position(-1.2f, 1.2f), depth(0.0f, 1.0f), coordinate(-2.0f, 2.0f);
  std::vector<Vertex> vertices;
  for (int i = 0; i < 3 * 12; ++i) {
    vertices.push_back({position(random), position(random), depth(random), static_cast<D3DCOLOR>(random()),
                        coordinate(random), coordinate(random), coordinate(random)});
  }
  const float constants[4][4] = {{0.5f, 0, 0, 0}, {0.75f, 1.5f, -0.25f, 1}, {2, -1, 0.5f, 0.125f}, {0.3f, 0.6f, 0, 0}};
  useTarget(41, 29);
  for (const auto& pair : pairs) {
    SCOPED_TRACE(pair[0]);
    std::vector<DWORD> vs = assembleText(pair[0]), ps = assembleText(pair[1]);
    ComPtr<IDirect3DVertexShader9> vertexShader;
    ComPtr<IDirect3DPixelShader9> pixelShader;
    ASSERT_EQ(device->CreateVertexShader(vs.data(), vertexShader.put()), D3D_OK);
    ASSERT_EQ(device->CreatePixelShader(ps.data(), pixelShader.put()), D3D_OK);
    device->SetVertexShader(vertexShader.get());
    device->SetPixelShader(pixelShader.get());
    device->SetVertexShaderConstantF(0, &constants[0][0], 4);
    device->SetPixelShaderConstantF(0, &constants[0][0], 1);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(0));
    std::vector<D3DCOLOR> images[2];
    for (bool fast : {false, true}) {
      testing::setFastPaths(device.get(), fast);
      device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
      ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 12, vertices.data(), sizeof(Vertex)), D3D_OK);
      images[fast ? 1 : 0] = pixels();
    }
    testing::setFastPaths(device.get(), true);
    EXPECT_EQ(images[1], images[0]);
    EXPECT_GT(std::count_if(images[0].begin(), images[0].end(), [](D3DCOLOR c) { return c != 0; }), 200);
  }
  device->SetVertexShader(nullptr);
  device->SetPixelShader(nullptr);
}

}  // namespace
}  // namespace platform::d3d9
