// Shaders through the whole device: the program's hologram shaders pick grid cells as the
// angle term says, and a ps_1_1 shader combines a texture with the diffuse colour.
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

}  // namespace
}  // namespace platform::d3d9
