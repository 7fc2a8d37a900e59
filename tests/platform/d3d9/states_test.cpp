#include <gtest/gtest.h>

#include <bit>
#include <vector>

#include "platform/d3d9/device_state.h"
#include "tests/platform/d3d9/device_fixture.h"

namespace platform::d3d9 {
namespace {

using StateTest = DeviceTest;

DWORD floatBits(float value) { return std::bit_cast<DWORD>(value); }

TEST_F(StateTest, RenderStatesStartAtThePlatformDefaults) {
  struct Expected {
    D3DRENDERSTATETYPE state;
    DWORD value;
  };
  const Expected kDefaults[] = {
      {D3DRS_ZENABLE, D3DZB_TRUE},  // the fixture's device has an automatic depth buffer
      {D3DRS_FILLMODE, D3DFILL_SOLID},
      {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
      {D3DRS_ZWRITEENABLE, TRUE},
      {D3DRS_ALPHATESTENABLE, FALSE},
      {D3DRS_SRCBLEND, D3DBLEND_ONE},
      {D3DRS_DESTBLEND, D3DBLEND_ZERO},
      {D3DRS_CULLMODE, D3DCULL_CCW},
      {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
      {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
      {D3DRS_FOGEND, floatBits(1.0f)},
      {D3DRS_STENCILMASK, 0xFFFFFFFF},
      {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF},
      {D3DRS_CLIPPING, TRUE},
      {D3DRS_LIGHTING, TRUE},
      {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
      {D3DRS_POINTSIZE_MAX, floatBits(64.0f)},
      {D3DRS_COLORWRITEENABLE, 0xF},
      {D3DRS_BLENDOP, D3DBLENDOP_ADD},
      {D3DRS_POSITIONDEGREE, D3DDEGREE_CUBIC},
      {D3DRS_ADAPTIVETESS_Z, floatBits(1.0f)},
      {D3DRS_BLENDFACTOR, 0xFFFFFFFF},
      {D3DRS_DESTBLENDALPHA, D3DBLEND_ZERO},
  };
  for (const Expected& expected : kDefaults) {
    DWORD value = 0xDEADBEEF;
    ASSERT_EQ(device->GetRenderState(expected.state, &value), D3D_OK) << expected.state;
    EXPECT_EQ(value, expected.value) << "render state " << expected.state;
  }
  DWORD value = 0;
  EXPECT_EQ(device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(10), &value), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(210), 0), D3DERR_INVALIDCALL);
}

TEST_F(StateTest, StageSamplerAndTransformDefaults) {
  DWORD value = 0;
  ASSERT_EQ(device->GetTextureStageState(0, D3DTSS_COLOROP, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_MODULATE));
  ASSERT_EQ(device->GetTextureStageState(1, D3DTSS_COLOROP, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_DISABLE));
  ASSERT_EQ(device->GetTextureStageState(0, D3DTSS_ALPHAOP, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_SELECTARG1));
  for (DWORD stage = 0; stage < 8; ++stage) {
    ASSERT_EQ(device->GetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, &value), D3D_OK);
    EXPECT_EQ(value, stage);
  }
  ASSERT_EQ(device->GetTextureStageState(3, D3DTSS_CONSTANT, &value), D3D_OK);
  EXPECT_EQ(value, 0xFFFFFFFFu);
  EXPECT_EQ(device->GetTextureStageState(8, D3DTSS_COLOROP, &value), D3DERR_INVALIDCALL);

  for (DWORD sampler : {0u, 15u, D3DDMAPSAMPLER, D3DVERTEXTEXTURESAMPLER3}) {
    ASSERT_EQ(device->GetSamplerState(sampler, D3DSAMP_ADDRESSU, &value), D3D_OK);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTADDRESS_WRAP));
    ASSERT_EQ(device->GetSamplerState(sampler, D3DSAMP_MAGFILTER, &value), D3D_OK);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_POINT));
    ASSERT_EQ(device->GetSamplerState(sampler, D3DSAMP_MIPFILTER, &value), D3D_OK);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_NONE));
    ASSERT_EQ(device->GetSamplerState(sampler, D3DSAMP_MAXANISOTROPY, &value), D3D_OK);
    EXPECT_EQ(value, 1u);
  }
  EXPECT_EQ(device->GetSamplerState(16, D3DSAMP_ADDRESSU, &value), D3DERR_INVALIDCALL);

  for (D3DTRANSFORMSTATETYPE state :
       {D3DTS_VIEW, D3DTS_PROJECTION, D3DTS_TEXTURE7, D3DTS_WORLD, D3DTS_WORLDMATRIX(255)}) {
    D3DMATRIX matrix{};
    ASSERT_EQ(device->GetTransform(state, &matrix), D3D_OK);
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) EXPECT_EQ(matrix.m[i][j], i == j ? 1.0f : 0.0f);
    }
  }
  D3DVIEWPORT9 viewport{};
  ASSERT_EQ(device->GetViewport(&viewport), D3D_OK);
  EXPECT_EQ(viewport.Width, 64u);
  EXPECT_EQ(viewport.Height, 48u);
  EXPECT_EQ(viewport.MaxZ, 1.0f);
}

// Every render state of the table is settable and readable, and the table agrees with the
// defaults a new device reports.
TEST_F(StateTest, EveryTableRowRoundTrips) {
  for (const RenderStateDefault& row : renderStateDefaults()) {
    DWORD value = 0;
    ASSERT_EQ(device->GetRenderState(row.state, &value), D3D_OK);
    if (row.state != D3DRS_ZENABLE) {
      EXPECT_EQ(value, row.value) << row.state;
    }
    ASSERT_EQ(device->SetRenderState(row.state, 0x5A), D3D_OK);
    ASSERT_EQ(device->GetRenderState(row.state, &value), D3D_OK);
    EXPECT_EQ(value, 0x5Au);
  }
}

TEST_F(StateTest, RecordedStatesReachTheBlockNotTheDevice) {
  ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
  EXPECT_EQ(device->BeginStateBlock(), D3DERR_INVALIDCALL);
  ASSERT_EQ(device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE), D3D_OK);  // the last value counts
  ASSERT_EQ(device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), D3D_OK);
  ASSERT_EQ(device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD), D3D_OK);
  ASSERT_EQ(device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR), D3D_OK);
  ASSERT_EQ(device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1), D3D_OK);
  ComPtr<IDirect3DStateBlock9> block;
  ASSERT_EQ(device->EndStateBlock(block.put()), D3D_OK);
  IDirect3DStateBlock9* none = nullptr;
  EXPECT_EQ(device->EndStateBlock(&none), D3DERR_INVALIDCALL);
  EXPECT_EQ(none, nullptr);
  ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
  ComPtr<IDirect3DStateBlock9> block2;
  ASSERT_EQ(device->EndStateBlock(block2.put()), D3D_OK);
  ASSERT_TRUE(block);

  DWORD value = 0;
  ASSERT_EQ(device->GetRenderState(D3DRS_SRCBLEND, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_ONE)) << "recording does not change the device";

  ASSERT_EQ(device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS), D3D_OK);
  ASSERT_EQ(block->Apply(), D3D_OK);
  ASSERT_EQ(device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(FALSE));
  ASSERT_EQ(device->GetRenderState(D3DRS_SRCBLEND, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_SRCALPHA));
  ASSERT_EQ(device->GetTextureStageState(1, D3DTSS_COLOROP, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_ADD));
  ASSERT_EQ(device->GetFVF(&value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1));
  ASSERT_EQ(device->GetRenderState(D3DRS_ZFUNC, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DCMP_ALWAYS)) << "states outside the block stay";
}

// The glyph font's pattern: capture the caller's values, apply the text states, restore.
TEST_F(StateTest, CaptureRefreshesOnlyRecordedStates) {
  ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW), D3D_OK);
  ComPtr<IDirect3DStateBlock9> saved;
  ASSERT_EQ(device->EndStateBlock(saved.put()), D3D_OK);

  ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
  ASSERT_EQ(saved->Capture(), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, TRUE), D3D_OK);
  ASSERT_EQ(saved->Apply(), D3D_OK);
  DWORD value = 0;
  ASSERT_EQ(device->GetRenderState(D3DRS_CULLMODE, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_NONE));
  ASSERT_EQ(device->GetRenderState(D3DRS_ALPHATESTENABLE, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(FALSE));
  ASSERT_EQ(device->GetRenderState(D3DRS_LIGHTING, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(TRUE)) << "not in the block";

  ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
  EXPECT_EQ(saved->Capture(), D3DERR_INVALIDCALL);
  EXPECT_EQ(saved->Apply(), D3DERR_INVALIDCALL);
  ComPtr<IDirect3DStateBlock9> discard;
  ASSERT_EQ(device->EndStateBlock(discard.put()), D3D_OK);
}

TEST_F(StateTest, CreatedBlocksHoldAllPixelOrVertexState) {
  ComPtr<IDirect3DStateBlock9> pixel;
  ComPtr<IDirect3DStateBlock9> vertex;
  ComPtr<IDirect3DStateBlock9> all;
  ASSERT_EQ(device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), D3D_OK);  // pixel state
  ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);       // vertex state
  ASSERT_EQ(device->CreateStateBlock(D3DSBT_PIXELSTATE, pixel.put()), D3D_OK);
  ASSERT_EQ(device->CreateStateBlock(D3DSBT_VERTEXSTATE, vertex.put()), D3D_OK);
  ASSERT_EQ(device->CreateStateBlock(D3DSBT_ALL, all.put()), D3D_OK);
  EXPECT_EQ(device->CreateStateBlock(static_cast<D3DSTATEBLOCKTYPE>(4), pixel.put()), D3DERR_INVALIDCALL);
  ASSERT_EQ(device->CreateStateBlock(D3DSBT_PIXELSTATE, pixel.put()), D3D_OK);

  ComPtr<IDirect3DTexture9> texture;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.put(), nullptr), D3D_OK);
  auto reset = [&] {
    ASSERT_EQ(device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW), D3D_OK);
    ASSERT_EQ(device->SetTexture(0, texture.get()), D3D_OK);
  };
  auto read = [&](D3DRENDERSTATETYPE state) {
    DWORD value = 0;
    EXPECT_EQ(device->GetRenderState(state, &value), D3D_OK);
    return value;
  };
  reset();
  ASSERT_EQ(pixel->Apply(), D3D_OK);
  EXPECT_EQ(read(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_SRCALPHA));
  EXPECT_EQ(read(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CW));
  reset();
  ASSERT_EQ(vertex->Apply(), D3D_OK);
  EXPECT_EQ(read(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_ZERO));
  EXPECT_EQ(read(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
  reset();
  ASSERT_EQ(all->Apply(), D3D_OK);
  EXPECT_EQ(read(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_SRCALPHA));
  EXPECT_EQ(read(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
  IDirect3DBaseTexture9* bound = nullptr;
  ASSERT_EQ(device->GetTexture(0, &bound), D3D_OK);
  EXPECT_EQ(bound, nullptr) << "the ALL block holds the textures";
}

TEST_F(StateTest, BlocksKeepCapturedObjectsAlive) {
  ComPtr<IDirect3DTexture9> texture;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.put(), nullptr), D3D_OK);
  ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
  ASSERT_EQ(device->SetTexture(2, texture.get()), D3D_OK);
  ComPtr<IDirect3DStateBlock9> block;
  ASSERT_EQ(device->EndStateBlock(block.put()), D3D_OK);
  IDirect3DBaseTexture9* raw = texture.get();
  EXPECT_EQ(texture.detach()->Release(), 0u);
  ASSERT_EQ(block->Apply(), D3D_OK);
  IDirect3DBaseTexture9* bound = nullptr;
  ASSERT_EQ(device->GetTexture(2, &bound), D3D_OK);
  EXPECT_EQ(bound, raw);
  EXPECT_EQ(bound->GetType(), D3DRTYPE_TEXTURE);
  bound->Release();
  ASSERT_EQ(device->SetTexture(2, nullptr), D3D_OK);
}

TEST_F(StateTest, PureDevicesRefuseStateQueries) {
  device.reset();
  D3DPRESENT_PARAMETERS p = windowedParameters();
  ASSERT_EQ(createDevice(&p, D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE, device.put()), D3D_OK);
  DWORD value = 0;
  EXPECT_EQ(device->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
  EXPECT_EQ(device->GetRenderState(D3DRS_LIGHTING, &value), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->GetTextureStageState(0, D3DTSS_COLOROP, &value), D3DERR_INVALIDCALL);
  D3DMATRIX matrix{};
  EXPECT_EQ(device->GetTransform(D3DTS_VIEW, &matrix), D3DERR_INVALIDCALL);
  ComPtr<IDirect3DSurface9> target;
  EXPECT_EQ(device->GetRenderTarget(0, target.put()), D3D_OK) << "not a state-block state";
}

TEST_F(StateTest, LightsClipPlanesAndConstants) {
  D3DLIGHT9 light{};
  EXPECT_EQ(device->GetLight(3, &light), D3DERR_INVALIDCALL);
  ASSERT_EQ(device->LightEnable(3, TRUE), D3D_OK);
  ASSERT_EQ(device->GetLight(3, &light), D3D_OK);
  EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
  EXPECT_EQ(light.Direction.z, 1.0f);
  BOOL enabled = FALSE;
  ASSERT_EQ(device->GetLightEnable(3, &enabled), D3D_OK);
  EXPECT_TRUE(enabled);

  const float plane[4] = {1, 2, 3, 4};
  EXPECT_EQ(device->SetClipPlane(6, plane), D3DERR_INVALIDCALL);
  ASSERT_EQ(device->SetClipPlane(5, plane), D3D_OK);

  const float constants[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_EQ(device->SetVertexShaderConstantF(254, constants, 2), D3D_OK);
  EXPECT_EQ(device->SetVertexShaderConstantF(255, constants, 2), D3DERR_INVALIDCALL);
  float read[8] = {};
  ASSERT_EQ(device->GetVertexShaderConstantF(254, read, 2), D3D_OK);
  EXPECT_EQ(read[7], 8.0f);
  ASSERT_EQ(device->SetPixelShaderConstantF(0, constants, 1), D3D_OK);
  EXPECT_EQ(device->SetPixelShaderConstantF(224, constants, 1), D3DERR_INVALIDCALL);
  const int integers[4] = {3, 0, 1, 0};
  ASSERT_EQ(device->SetVertexShaderConstantI(15, integers, 1), D3D_OK);
  EXPECT_EQ(device->SetVertexShaderConstantI(16, integers, 1), D3DERR_INVALIDCALL);
  const BOOL flags[2] = {TRUE, FALSE};
  ASSERT_EQ(device->SetPixelShaderConstantB(14, flags, 2), D3D_OK);
  BOOL readFlags[2] = {};
  ASSERT_EQ(device->GetPixelShaderConstantB(14, readFlags, 2), D3D_OK);
  EXPECT_TRUE(readFlags[0]);
  EXPECT_FALSE(readFlags[1]);
}

TEST_F(StateTest, VertexDeclarationsAndFvfCodes) {
  const D3DVERTEXELEMENT9 card[] = {
      {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
      {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
      {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
      D3DDECL_END(),
  };
  ComPtr<IDirect3DVertexDeclaration9> declaration;
  ASSERT_EQ(device->CreateVertexDeclaration(card, declaration.put()), D3D_OK);
  UINT count = 0;
  ASSERT_EQ(declaration->GetDeclaration(nullptr, &count), D3D_OK);
  EXPECT_EQ(count, 4u);
  ASSERT_EQ(device->SetVertexDeclaration(declaration.get()), D3D_OK);
  DWORD fvf = 1;
  ASSERT_EQ(device->GetFVF(&fvf), D3D_OK);
  EXPECT_EQ(fvf, 0u);

  D3DVERTEXELEMENT9 duplicate[] = {card[0], card[0], D3DDECL_END()};
  duplicate[1].Offset = 12;
  EXPECT_EQ(device->CreateVertexDeclaration(duplicate, declaration.put()), D3DERR_INVALIDCALL);
  D3DVERTEXELEMENT9 badType[] = {card[0], D3DDECL_END()};
  badType[0].Type = 17;
  EXPECT_EQ(device->CreateVertexDeclaration(badType, declaration.put()), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateVertexDeclaration(nullptr, declaration.put()), D3DERR_INVALIDCALL);

  // The font's format becomes a declaration: position, colour, one texture coordinate.
  ASSERT_EQ(device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1), D3D_OK);
  ComPtr<IDirect3DVertexDeclaration9> fromFvf;
  ASSERT_EQ(device->GetVertexDeclaration(fromFvf.put()), D3D_OK);
  ASSERT_TRUE(fromFvf);
  D3DVERTEXELEMENT9 elements[MAXD3DDECLLENGTH];
  ASSERT_EQ(fromFvf->GetDeclaration(elements, &count), D3D_OK);
  ASSERT_EQ(count, 4u);
  EXPECT_EQ(elements[0].Usage, D3DDECLUSAGE_POSITIONT);
  EXPECT_EQ(elements[1].Usage, D3DDECLUSAGE_COLOR);
  EXPECT_EQ(elements[1].Offset, 16u);
  EXPECT_EQ(elements[2].Usage, D3DDECLUSAGE_TEXCOORD);
  EXPECT_EQ(elements[2].Offset, 20u);
  EXPECT_EQ(elements[3].Stream, 0xFFu);
  EXPECT_EQ(device->SetFVF(D3DFVF_XYZRHW | D3DFVF_NORMAL), D3DERR_INVALIDCALL);
}

TEST_F(StateTest, DrawCallsCheckTheirArgumentsAgainstTheBoundState) {
  ComPtr<IDirect3DVertexBuffer9> vertices;
  ComPtr<IDirect3DIndexBuffer9> indices;
  ASSERT_EQ(device->CreateVertexBuffer(4 * 28, 0, 0, D3DPOOL_MANAGED, vertices.put(), nullptr), D3D_OK);
  ASSERT_EQ(device->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, indices.put(), nullptr), D3D_OK);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "outside a scene";
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "no input layout";
  ASSERT_EQ(device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1), D3D_OK);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "no stream";
  ASSERT_EQ(device->SetStreamSource(0, vertices.get(), 0, 28), D3D_OK);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1), D3D_OK);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 2, 1), D3DERR_INVALIDCALL) << "past the buffer";
  EXPECT_EQ(device->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(7), 0, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL) << "no indices";
  ASSERT_EQ(device->SetIndices(indices.get()), D3D_OK);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 1, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_POINTLIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  const float user[3 * 7] = {};
  EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, user, 28), D3D_OK);
  IDirect3DVertexBuffer9* stream = vertices.get();
  UINT offset = 1;
  UINT stride = 1;
  ASSERT_EQ(device->GetStreamSource(0, &stream, &offset, &stride), D3D_OK);
  EXPECT_EQ(stream, nullptr) << "drawing from user memory unsets stream 0";
  ASSERT_EQ(device->EndScene(), D3D_OK);
}

}  // namespace
}  // namespace platform::d3d9
