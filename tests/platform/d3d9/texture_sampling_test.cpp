// Texture sampling through the device: texel centres, bilinear weights, address modes at the
// edges, mip selection from screen-space derivatives, texel formats, cube and volume maps.
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>

#include "platform/d3d9/format_table.h"
#include "platform/d3d9/texel_formats.h"
#include "platform/d3d9/texture_sampler.h"
#include "tests/platform/d3d9/render_fixture.h"

namespace platform::d3d9 {
namespace {

class SamplingTest : public RenderTest {
 protected:
  // Draws pixel (0, 0) with every vertex carrying (u, v) and returns it.
  D3DCOLOR sampleAt(float u, float v) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    std::vector<ScreenVertex9> quad{{-0.5f, -0.5f, 0.5f, 1, 0xFFFFFFFF, u, v},
                                    {0.5f, -0.5f, 0.5f, 1, 0xFFFFFFFF, u, v},
                                    {-0.5f, 0.5f, 0.5f, 1, 0xFFFFFFFF, u, v},
                                    {0.5f, 0.5f, 0.5f, 1, 0xFFFFFFFF, u, v}};
    EXPECT_EQ(drawScreen(D3DPT_TRIANGLESTRIP, quad, 2), D3D_OK);
    return pixel(0, 0);
  }
  void filter(DWORD f) {
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, f);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, f);
  }
  void address(DWORD mode) {
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, mode);
    device->SetSamplerState(0, D3DSAMP_ADDRESSV, mode);
  }
};

// A row of four texels 0x10, 0x20, 0x30, 0x40 in blue, repeated on every row.
std::vector<D3DCOLOR> rampTexels() {
  std::vector<D3DCOLOR> t;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x)
      t.push_back(0xFF000000u | static_cast<D3DCOLOR>(0x10 * (x + 1)) | (static_cast<D3DCOLOR>(y) << 16));
  }
  return t;
}

TEST_F(SamplingTest, BilinearWeightsFollowTheTexelCentres) {
  ComPtr<IDirect3DTexture9> texture = makeTexture(4, 4, rampTexels());
  device->SetTexture(0, texture.get());
  filter(D3DTEXF_LINEAR);
  EXPECT_EQ(sampleAt(0.375f, 0.375f), 0xFF010020u);   // texel (1, 1) exactly
  EXPECT_EQ(sampleAt(0.5f, 0.375f), 0xFF010028u);     // halfway between texels 1 and 2
  EXPECT_EQ(sampleAt(0.4375f, 0.375f), 0xFF010024u);  // a quarter of the way
  EXPECT_EQ(sampleAt(0.5f, 0.5f), 0xFF020028u);       // average of four (red 1 and 2 -> 1.5 rounds to 2)
  filter(D3DTEXF_POINT);
  EXPECT_EQ(sampleAt(0.49f, 0.1f), 0xFF000020u);
  EXPECT_EQ(sampleAt(0.5f, 0.1f), 0xFF000030u);
}

TEST_F(SamplingTest, AddressModesAtAndBeyondTheEdges) {
  ComPtr<IDirect3DTexture9> texture = makeTexture(4, 4, rampTexels());
  device->SetTexture(0, texture.get());
  device->SetSamplerState(0, D3DSAMP_BORDERCOLOR, 0xFF123456);
  filter(D3DTEXF_POINT);
  struct Case {
    DWORD mode;
    D3DCOLOR below, above;  // at u = -0.125 and u = 1.125 (v inside row 0)
  };
  const Case cases[] = {{D3DTADDRESS_WRAP, 0xFF000040, 0xFF000010},
                        {D3DTADDRESS_MIRROR, 0xFF000010, 0xFF000040},
                        {D3DTADDRESS_CLAMP, 0xFF000010, 0xFF000040},
                        {D3DTADDRESS_BORDER, 0xFF123456, 0xFF123456},
                        {D3DTADDRESS_MIRRORONCE, 0xFF000010, 0xFF000040}};
  for (const Case& c : cases) {
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, c.mode);
    EXPECT_EQ(sampleAt(-0.125f, 0.1f), c.below) << "mode " << c.mode;
    EXPECT_EQ(sampleAt(1.125f, 0.1f), c.above) << "mode " << c.mode;
  }
  // Bilinear at u = 0 straddles the edge: wrap blends the last texel in, clamp does not.
  filter(D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
  EXPECT_EQ(sampleAt(0.0f, 0.125f), 0xFF000028u);
  device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  EXPECT_EQ(sampleAt(0.0f, 0.125f), 0xFF000010u);
  // Mirror-once reflects only the first period.
  device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRRORONCE);
  filter(D3DTEXF_POINT);
  EXPECT_EQ(sampleAt(-0.9f, 0.1f), 0xFF000040u);
  EXPECT_EQ(sampleAt(-1.9f, 0.1f), 0xFF000040u);
}

TEST_F(SamplingTest, MipLevelsFollowTheScreenFootprint) {
  // Level l of an 8x8 texture is solid 0x10 * (l + 1) in green.
  std::vector<D3DCOLOR> texels;
  for (UINT level = 0; level < 4; ++level) {
    UINT size = 8 >> level;
    texels.insert(texels.end(), size * size, 0xFF000000u | ((0x10 * (level + 1)) << 8));
  }
  ComPtr<IDirect3DTexture9> texture = makeTexture(8, 8, texels, 4);
  device->SetTexture(0, texture.get());
  filter(D3DTEXF_POINT);
  auto drawSquare = [&](float size) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    drawRect(-0.5f, -0.5f, size - 0.5f, size - 0.5f, 0xFFFFFFFF);
    return pixel(0, 0);
  };
  device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
  EXPECT_EQ(drawSquare(2), 0xFF001000u) << "no mipmapping: level 0";
  device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
  EXPECT_EQ(drawSquare(8), 0xFF001000u) << "one texel per pixel: level 0";
  EXPECT_EQ(drawSquare(4), 0xFF002000u) << "two texels per pixel: level 1";
  EXPECT_EQ(drawSquare(2), 0xFF003000u) << "four texels per pixel: level 2";
  device->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, 3);
  EXPECT_EQ(drawSquare(8), 0xFF004000u) << "MAXMIPLEVEL limits the largest level";
  device->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, 0);
  float bias = 0.5f;
  DWORD biasBits;
  std::memcpy(&biasBits, &bias, 4);
  device->SetSamplerState(0, D3DSAMP_MIPMAPLODBIAS, biasBits);
  device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
  EXPECT_EQ(drawSquare(4), 0xFF002800u) << "linear between levels 1 and 2";
}

TEST_F(SamplingTest, StagesPickTheirCoordinateSetAndTransformIt) {
  ComPtr<IDirect3DTexture9> texture = makeTexture(4, 4, rampTexels());
  device->SetTexture(0, texture.get());
  struct TwoSets {
    float x, y, z;
    float u0, v0, u1, v1;
  } quad[] = {{-1, 1, 0.5f, 0.875f, 0.1f, 0.375f, 0.1f},
              {1, 1, 0.5f, 0.875f, 0.1f, 0.375f, 0.1f},
              {-1, -1, 0.5f, 0.875f, 0.1f, 0.375f, 0.1f},
              {1, -1, 0.5f, 0.875f, 0.1f, 0.375f, 0.1f}};
  device->SetFVF(D3DFVF_XYZ | D3DFVF_TEX2);
  device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 1);
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof quad[0]), D3D_OK);
  EXPECT_EQ(pixel(2, 2), 0xFF000020u);
  // A 2D texture matrix: u' = 2u - 0.625, its translation in the third row.
  D3DMATRIX m{};
  m.m[0][0] = 2;
  m.m[1][1] = 1;
  m.m[2][0] = -0.625f;
  m.m[3][3] = 1;
  device->SetTransform(D3DTS_TEXTURE0, &m);
  device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof quad[0]), D3D_OK);
  EXPECT_EQ(pixel(2, 2), 0xFF000010u);
  device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
  device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
}

TEST_F(SamplingTest, TheDirectArgbReadsMatchTheGeneralTexelReaders) {
  useTarget(32, 32);
  // The same texels as A8R8G8B8 (read directly) and as A8B8G8R8 (read through the format table).
  std::vector<D3DCOLOR> argb(64);
  for (UINT i = 0; i < 64; ++i) argb[i] = (i * 0x04000000u) | ((i * 0x030507u) ^ 0x00A05010u);
  ComPtr<IDirect3DTexture9> direct = makeTexture(8, 8, argb);
  ComPtr<IDirect3DTexture9> general;
  ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8B8G8R8, D3DPOOL_MANAGED, general.put(), nullptr), D3D_OK);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(general->LockRect(0, &locked, nullptr, 0), D3D_OK);
  for (UINT y = 0; y < 8; ++y) {
    for (UINT x = 0; x < 8; ++x) {
      D3DCOLOR c = argb[y * 8 + x];
      D3DCOLOR abgr = (c & 0xFF00FF00u) | ((c >> 16) & 0xFF) | ((c & 0xFF) << 16);
      std::memcpy(static_cast<char*>(locked.pBits) + y * locked.Pitch + x * 4, &abgr, 4);
    }
  }
  general->UnlockRect(0);
  filter(D3DTEXF_LINEAR);
  std::vector<ScreenVertex9> t{{0, 0, 0.5f, 1, 0xFFFFFFFF, -0.3f, -0.2f},
                               {32, 0, 0.5f, 1, 0xFFFFFFFF, 2.7f, 0.1f},
                               {0, 32, 0.5f, 1, 0xFFFFFFFF, 0.2f, 1.9f}};
  for (DWORD mode : {D3DTADDRESS_WRAP, D3DTADDRESS_MIRROR, D3DTADDRESS_CLAMP}) {
    address(mode);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->SetTexture(0, direct.get());
    drawScreen(D3DPT_TRIANGLELIST, t, 1);
    std::vector<D3DCOLOR> fast = pixels();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->SetTexture(0, general.get());
    drawScreen(D3DPT_TRIANGLELIST, t, 1);
    EXPECT_EQ(pixels(), fast) << "address mode " << mode;
  }
}

TEST_F(SamplingTest, WrappedBilinearFastPathGivesTheGeneralSamplesBits) {
  std::vector<D3DCOLOR> texels(16 * 8);
  for (UINT i = 0; i < texels.size(); ++i) texels[i] = (i * 0x09000000u) | ((i * 0x0B0705u) ^ 0x00C03311u);
  ComPtr<IDirect3DTexture9> texture = makeTexture(16, 8, texels);
  std::array<DWORD, kSamplerStateSlots> states{};
  states[D3DSAMP_ADDRESSU] = states[D3DSAMP_ADDRESSV] = states[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
  states[D3DSAMP_MAGFILTER] = states[D3DSAMP_MINFILTER] = D3DTEXF_LINEAR;
  states[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
  TextureSampler sampler;
  sampler.bind(texture.get(), states);
  ASSERT_TRUE(sampler.wrappedBilinear());
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  std::vector<float> coordinates = {0.0f, 1.0f, -1.0f, 0.03125f, 0.5f, -0.7f, 3.3f, 1e9f, -1e9f, nan, inf, -inf};
  for (int i = 0; i < 200; ++i) coordinates.push_back(static_cast<float>(i * 37 % 211) / 61.0f - 1.7f);
  for (std::size_t i = 0; i < coordinates.size(); ++i) {
    Vec4 at{coordinates[i], coordinates[(i * 7 + 3) % coordinates.size()], 0.0f, 1.0f};
    Vec4 fast = sampler.sampleWrappedBilinear(at), general = sampler.sample(at, 0.0f);
    EXPECT_EQ(std::memcmp(&fast, &general, sizeof fast), 0) << "at " << at[0] << ", " << at[1];
  }
  // Four lanes at a time, as a quad samples.
  for (std::size_t i = 0; i + 4 <= coordinates.size(); i += 4) {
    Vec4 at[4], fast[4];
    for (std::size_t l = 0; l < 4; ++l)
      at[l] = {coordinates[i + l], coordinates[(i + l * 5 + 1) % coordinates.size()], 0, 1};
    sampler.sampleWrappedBilinear(4, at, fast);
    for (std::size_t l = 0; l < 4; ++l) {
      Vec4 general = sampler.sample(at[l], 0.0f);
      EXPECT_EQ(std::memcmp(&fast[l], &general, sizeof general), 0) << "at " << at[l][0] << ", " << at[l][1];
    }
  }
  // Blocks of lanes at a time, as batches sample, with the texel weights as small as they come
  // (coordinates a hair past a texel centre, and near zero) besides the ones above; then without
  // alpha, which leaves the other channels as they were.
  for (int k = 0; k < 16; ++k) {
    for (float hair : {0x1p-19f, 0x1p-21f, -0x1p-21f, 0x1p-30f}) coordinates.push_back((k + 0.5f + hair) / 16.0f);
  }
  for (float tiny : {0x1p-30f, -0x1p-40f, 0x1p-126f, 0x1p-149f}) coordinates.push_back(tiny);
  constexpr int kBlocks = 5;
  std::array<BlockFloats, kBlocks> u{}, v{};
  for (std::size_t i = 0; i < std::size_t{kBlocks} * kBlockLanes; ++i) {
    u[i / kBlockLanes][i % kBlockLanes] = coordinates[(i * 13) % coordinates.size()];
    v[i / kBlockLanes][i % kBlockLanes] = coordinates[(coordinates.size() - 1 - i) % coordinates.size()];
  }
  for (bool alpha : {true, false}) {
    std::array<std::array<BlockFloats, kBlocks>, 4> rows{};
    sampler.sampleWrappedBilinear(kBlocks, u.data(), v.data(),
                                  {rows[0].data(), rows[1].data(), rows[2].data(), alpha ? rows[3].data() : nullptr});
    for (std::size_t i = 0; i < std::size_t{kBlocks} * kBlockLanes; ++i) {
      const std::size_t b = i / kBlockLanes, l = i % kBlockLanes;
      const Vec4 at{u[b][l], v[b][l], 0, 1}, general = sampler.sample(at, 0.0f);
      for (std::size_t c = 0; c < (alpha ? 4u : 3u); ++c) {
        const float fast = rows[c][b][l];
        EXPECT_EQ(std::memcmp(&fast, &general[c], sizeof fast), 0)
            << "at " << at[0] << ", " << at[1] << " channel " << c;
      }
      if (!alpha) {
        EXPECT_EQ(rows[3][b][l], 0.0f);
      }
    }
  }
  // Anything else (another address mode, a point filter, a mip filter) keeps the general path.
  states[D3DSAMP_ADDRESSV] = D3DTADDRESS_CLAMP;
  sampler.bind(texture.get(), states);
  EXPECT_FALSE(sampler.wrappedBilinear());
  states[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
  states[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
  sampler.bind(texture.get(), states);
  EXPECT_FALSE(sampler.wrappedBilinear());
}

TEST_F(SamplingTest, UnboundTexturesDrawTheDiffuseColour) {
  device->SetTexture(0, nullptr);
  EXPECT_EQ(drawRect(0, 0, 2, 2, 0x80336699), D3D_OK);
  EXPECT_EQ(pixel(1, 1), 0x80336699u);
}

TEST_F(SamplingTest, CubeFacesAndVolumeSlices) {
  ComPtr<IDirect3DCubeTexture9> cube;
  ASSERT_EQ(device->CreateCubeTexture(2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, cube.put(), nullptr), D3D_OK);
  for (UINT face = 0; face < 6; ++face) {
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(cube->LockRect(static_cast<D3DCUBEMAP_FACES>(face), 0, &locked, nullptr, 0), D3D_OK);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 2; ++x) {
        D3DCOLOR c = 0xFF000000u | (face + 1) * 0x10;
        std::memcpy(static_cast<char*>(locked.pBits) + y * locked.Pitch + x * 4, &c, 4);
      }
    }
    cube->UnlockRect(static_cast<D3DCUBEMAP_FACES>(face), 0);
  }
  device->SetTexture(0, cube.get());
  device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(0));
  struct CubeVertex {
    float x, y, z, rhw, u, v, w;
  };
  const float directions[6][3] = {{1, 0.1f, 0.2f},  {-1, 0.1f, 0.2f}, {0.1f, 1, 0.2f},
                                  {0.1f, -1, 0.2f}, {0.1f, 0.2f, 1},  {0.1f, 0.2f, -1}};
  for (UINT face = 0; face < 6; ++face) {
    const float* d = directions[face];
    CubeVertex quad[] = {{-0.5f, -0.5f, 0.5f, 1, d[0], d[1], d[2]},
                         {0.5f, -0.5f, 0.5f, 1, d[0], d[1], d[2]},
                         {-0.5f, 0.5f, 0.5f, 1, d[0], d[1], d[2]},
                         {0.5f, 0.5f, 0.5f, 1, d[0], d[1], d[2]}};
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(CubeVertex)), D3D_OK);
    EXPECT_EQ(pixel(0, 0), 0xFF000000u | (face + 1) * 0x10) << "face " << face;
  }
  ComPtr<IDirect3DVolumeTexture9> volume;
  ASSERT_EQ(device->CreateVolumeTexture(1, 1, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, volume.put(), nullptr),
            D3D_OK);
  D3DLOCKED_BOX box{};
  ASSERT_EQ(volume->LockBox(0, &box, nullptr, 0), D3D_OK);
  for (int z = 0; z < 4; ++z) {
    D3DCOLOR c = 0xFF000000u | static_cast<D3DCOLOR>(z + 1) << 16;
    std::memcpy(static_cast<char*>(box.pBits) + z * box.SlicePitch, &c, 4);
  }
  volume->UnlockBox(0);
  device->SetTexture(0, volume.get());
  for (int z = 0; z < 4; ++z) {
    float w = (static_cast<float>(z) + 0.5f) / 4.0f;
    CubeVertex quad[] = {{-0.5f, -0.5f, 0.5f, 1, 0.5f, 0.5f, w},
                         {0.5f, -0.5f, 0.5f, 1, 0.5f, 0.5f, w},
                         {-0.5f, 0.5f, 0.5f, 1, 0.5f, 0.5f, w},
                         {0.5f, 0.5f, 0.5f, 1, 0.5f, 0.5f, w}};
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(CubeVertex)), D3D_OK);
    EXPECT_EQ(pixel(0, 0), 0xFF000000u | static_cast<D3DCOLOR>(z + 1) << 16) << "slice " << z;
  }
}

TEST(TexelFormatsTest, ReadersExpandEachFormatWithThePlatformDefaults) {
  auto read = [](D3DFORMAT format, std::initializer_list<unsigned char> bytes, unsigned x = 0, unsigned y = 0) {
    std::vector<std::byte> data;
    for (unsigned char b : bytes) data.push_back(static_cast<std::byte>(b));
    TexelReader reader = texelReaderFor(format);
    EXPECT_NE(reader, nullptr) << format;
    return reader ? reader(data.data(), x, y) : TexelColor{};
  };
  EXPECT_EQ(read(D3DFMT_R5G6B5, {0x1F, 0xF8}), (TexelColor{1, 0, 1, 1}));
  EXPECT_EQ(read(D3DFMT_A1R5G5B5, {0x00, 0x80}), (TexelColor{0, 0, 0, 1}));
  EXPECT_EQ(read(D3DFMT_L8, {0xFF}), (TexelColor{1, 1, 1, 1}));
  EXPECT_EQ(read(D3DFMT_A8, {0xFF}), (TexelColor{0, 0, 0, 1}));
  EXPECT_EQ(read(D3DFMT_A8L8, {0x00, 0xFF}), (TexelColor{0, 0, 0, 1}));
  EXPECT_EQ(read(D3DFMT_V8U8, {0x81, 0x7F}), (TexelColor{-1, 1, 1, 1}));
  EXPECT_EQ(read(D3DFMT_G16R16, {0xFF, 0xFF, 0, 0}), (TexelColor{1, 0, 1, 1}));
  EXPECT_EQ(read(D3DFMT_R16F, {0x00, 0x3C}), (TexelColor{1, 1, 1, 1}));
  EXPECT_EQ(read(D3DFMT_R32F, {0, 0, 0x80, 0x3F}), (TexelColor{1, 1, 1, 1}));
  EXPECT_EQ(read(D3DFMT_A16B16G16R16F, {0, 0x38, 0, 0x3C, 0, 0xC0, 0, 0}), (TexelColor{0.5f, 1, -2, 0}));
  // DXT1: red and blue end points, index 2 = two thirds red, index 3 (c0 > c1) = one third.
  auto dxt1 = [&](unsigned x) { return read(D3DFMT_DXT1, {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0, 0, 0}, x, 0); };
  EXPECT_EQ(dxt1(0), (TexelColor{1, 0, 0, 1}));
  EXPECT_EQ(dxt1(1), (TexelColor{0, 0, 1, 1}));
  EXPECT_FLOAT_EQ(dxt1(2)[0], 2.0f / 3.0f);
  EXPECT_FLOAT_EQ(dxt1(3)[2], 2.0f / 3.0f);
  EXPECT_EQ(texelReaderFor(D3DFMT_UNKNOWN), nullptr);
}

TEST(TexelFormatsTest, EveryFormatTexturesMayUseHasAReader) {
  std::vector<D3DFORMAT> formats;
  for (DWORD value = 1; value < 256; ++value) formats.push_back(static_cast<D3DFORMAT>(value));
  formats.insert(formats.end(), {D3DFMT_DXT1, D3DFMT_DXT2, D3DFMT_DXT3, D3DFMT_DXT4, D3DFMT_DXT5});
  int textureFormats = 0;
  for (D3DFORMAT format : formats) {
    if (!formatHas(format, kSupportTexture)) continue;
    ++textureFormats;
    EXPECT_NE(texelReaderFor(format), nullptr) << "format " << format;
  }
  EXPECT_GT(textureFormats, 30);
}

}  // namespace
}  // namespace platform::d3d9
