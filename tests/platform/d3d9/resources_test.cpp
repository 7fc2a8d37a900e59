#include <gtest/gtest.h>

#include <cstring>

#include "tests/platform/d3d9/device_fixture.h"

namespace platform::d3d9 {
namespace {

using ResourceTest = DeviceTest;

TEST_F(ResourceTest, LevelChainsHalveDownToOne) {
  ComPtr<IDirect3DTexture9> texture;
  ASSERT_EQ(device->CreateTexture(256, 64, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.put(), nullptr), D3D_OK);
  ASSERT_EQ(texture->GetLevelCount(), 9u);
  const UINT kWidths[] = {256, 128, 64, 32, 16, 8, 4, 2, 1};
  const UINT kHeights[] = {64, 32, 16, 8, 4, 2, 1, 1, 1};
  for (UINT level = 0; level < 9; ++level) {
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(level, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, kWidths[level]);
    EXPECT_EQ(desc.Height, kHeights[level]);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(desc.Type, D3DRTYPE_SURFACE);
  }
  D3DSURFACE_DESC desc{};
  EXPECT_EQ(texture->GetLevelDesc(9, &desc), D3DERR_INVALIDCALL);

  ComPtr<IDirect3DVolumeTexture9> volume;
  ASSERT_EQ(device->CreateVolumeTexture(16, 8, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, volume.put(), nullptr),
            D3D_OK);
  ASSERT_EQ(volume->GetLevelCount(), 5u);
  D3DVOLUME_DESC volumeDesc{};
  ASSERT_EQ(volume->GetLevelDesc(3, &volumeDesc), D3D_OK);
  EXPECT_EQ(volumeDesc.Width, 2u);
  EXPECT_EQ(volumeDesc.Height, 1u);
  EXPECT_EQ(volumeDesc.Depth, 1u);

  ComPtr<IDirect3DCubeTexture9> cube;
  ASSERT_EQ(device->CreateCubeTexture(32, 3, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, cube.put(), nullptr), D3D_OK);
  ComPtr<IDirect3DSurface9> face;
  ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACE_NEGATIVE_Z, 2, face.put()), D3D_OK);
  ASSERT_EQ(face->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Width, 8u);
  EXPECT_EQ(cube->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(6), 0, face.put()), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateTexture(16, 16, 6, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.put(), nullptr),
            D3DERR_INVALIDCALL)
      << "more levels than the chain has";
}

TEST_F(ResourceTest, CreationFollowsPoolUsageAndSizeRules) {
  ComPtr<IDirect3DTexture9> texture;
  auto create = [&](UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool) {
    return device->CreateTexture(w, h, levels, usage, format, pool, texture.put(), nullptr);
  };
  EXPECT_EQ(create(0, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
  EXPECT_EQ(create(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
  EXPECT_EQ(create(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT), D3D_OK);
  EXPECT_EQ(create(16, 16, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
  EXPECT_EQ(create(16, 16, 1, D3DUSAGE_DEPTHSTENCIL, D3DFMT_D24S8, D3DPOOL_DEFAULT), D3DERR_INVALIDCALL);
  EXPECT_EQ(create(16, 16, 1, 0, D3DFMT_R8G8B8, D3DPOOL_MANAGED), D3DERR_INVALIDCALL) << "not a texture format";
  EXPECT_EQ(create(16, 16, 1, 0, D3DFMT_R8G8B8, D3DPOOL_SCRATCH), D3D_OK) << "scratch takes any format";
  EXPECT_EQ(create(8193, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
  // Sizes other than powers of two: one level, no block formats.
  EXPECT_EQ(create(100, 60, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3D_OK);
  EXPECT_EQ(create(100, 60, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
  EXPECT_EQ(create(100, 60, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH), D3D_OK);
  EXPECT_EQ(create(12, 12, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
  EXPECT_EQ(create(16, 10, 1, 0, D3DFMT_DXT1, D3DPOOL_SCRATCH), D3DERR_INVALIDCALL) << "blocks of 4 by 4";
  EXPECT_EQ(create(16, 16, 0, 0, D3DFMT_DXT1, D3DPOOL_MANAGED), D3D_OK);
  EXPECT_EQ(texture->GetLevelCount(), 5u) << "DXT chains go down to 1 by 1";
  // Generated mipmaps: one visible level.
  EXPECT_EQ(create(64, 64, 0, D3DUSAGE_AUTOGENMIPMAP, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), D3D_OK);
  EXPECT_EQ(texture->GetLevelCount(), 1u);
  EXPECT_EQ(texture->SetAutoGenFilterType(D3DTEXF_POINT), D3D_OK);
  EXPECT_EQ(texture->GetAutoGenFilterType(), D3DTEXF_POINT);
  HANDLE shared = nullptr;
  EXPECT_EQ(device->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.put(), &shared),
            D3DERR_INVALIDCALL);
}

struct PitchCase {
  D3DFORMAT format;
  UINT width;
  UINT height;
  INT pitch;
};

TEST_F(ResourceTest, LockPitchesForEveryFormatFamily) {
  const PitchCase kCases[] = {
      {D3DFMT_A8R8G8B8, 10, 4, 40}, {D3DFMT_R5G6B5, 10, 4, 20},       {D3DFMT_A8, 10, 4, 12},
      {D3DFMT_R8G8B8, 3, 4, 12},    {D3DFMT_A16B16G16R16F, 5, 4, 40}, {D3DFMT_A32B32G32R32F, 3, 2, 48},
      {D3DFMT_DXT1, 16, 8, 32},     {D3DFMT_DXT5, 16, 8, 64},         {D3DFMT_DXT3, 4, 4, 16},
      {D3DFMT_UYVY, 6, 2, 12},      {D3DFMT_V8U8, 7, 1, 16},          {D3DFMT_L8, 5, 5, 8},
  };
  for (const PitchCase& c : kCases) {
    ComPtr<IDirect3DSurface9> surface;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(c.width, c.height, c.format, D3DPOOL_SCRATCH, surface.put(), nullptr),
              D3D_OK)
        << c.format;
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK) << c.format;
    EXPECT_EQ(locked.Pitch, c.pitch) << c.format;
    BYTE* base = static_cast<BYTE*>(locked.pBits);
    ASSERT_EQ(surface->UnlockRect(), D3D_OK);
    // A sub-rectangle starts at its first pixel (or block) within the same pitch.
    if (c.format == D3DFMT_DXT1) {
      RECT rect{4, 4, 8, 8};
      ASSERT_EQ(surface->LockRect(&locked, &rect, 0), D3D_OK);
      EXPECT_EQ(static_cast<BYTE*>(locked.pBits), base + 32 + 8);
      ASSERT_EQ(surface->UnlockRect(), D3D_OK);
    } else if (c.format == D3DFMT_A8R8G8B8) {
      RECT rect{2, 1, 5, 3};
      ASSERT_EQ(surface->LockRect(&locked, &rect, 0), D3D_OK);
      EXPECT_EQ(static_cast<BYTE*>(locked.pBits), base + 40 + 8);
      EXPECT_EQ(locked.Pitch, 40);
      ASSERT_EQ(surface->UnlockRect(), D3D_OK);
    }
  }
}

TEST_F(ResourceTest, LockRectanglesAndFlags) {
  ComPtr<IDirect3DTexture9> texture;
  ASSERT_EQ(device->CreateTexture(16, 16, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, texture.put(), nullptr), D3D_OK);
  D3DLOCKED_RECT locked{};
  RECT unaligned{2, 0, 6, 4};
  EXPECT_EQ(texture->LockRect(0, &locked, &unaligned, 0), D3DERR_INVALIDCALL) << "block formats lock whole blocks";
  RECT outside{0, 0, 20, 4};
  EXPECT_EQ(texture->LockRect(0, &locked, &outside, 0), D3DERR_INVALIDCALL);
  RECT empty{4, 4, 4, 8};
  EXPECT_EQ(texture->LockRect(0, &locked, &empty, 0), D3DERR_INVALIDCALL);
  RECT block{4, 8, 8, 12};
  ASSERT_EQ(texture->LockRect(0, &locked, &block, 0), D3D_OK);
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL) << "already locked";
  ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
  EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL) << "not locked";
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD), D3DERR_INVALIDCALL) << "not dynamic";

  // The 2x1 pair formats lock whole pairs; a ragged right edge is allowed at the surface's edge.
  ComPtr<IDirect3DSurface9> pairs;
  ASSERT_EQ(device->CreateOffscreenPlainSurface(5, 2, D3DFMT_YUY2, D3DPOOL_SCRATCH, pairs.put(), nullptr), D3D_OK);
  RECT odd{1, 0, 3, 1};
  EXPECT_EQ(pairs->LockRect(&locked, &odd, 0), D3DERR_INVALIDCALL);
  RECT edge{2, 0, 5, 1};
  EXPECT_EQ(pairs->LockRect(&locked, &edge, 0), D3D_OK);
  EXPECT_EQ(pairs->UnlockRect(), D3D_OK);

  ComPtr<IDirect3DTexture9> dynamic;
  ASSERT_EQ(
      device->CreateTexture(16, 16, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, dynamic.put(), nullptr),
      D3D_OK);
  EXPECT_EQ(dynamic->LockRect(0, &locked, &block, D3DLOCK_DISCARD), D3DERR_INVALIDCALL) << "discard locks it all";
  EXPECT_EQ(dynamic->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD), D3D_OK);
  EXPECT_EQ(dynamic->UnlockRect(0), D3D_OK);
}

TEST_F(ResourceTest, DefaultPoolResourcesLockOnlyWhenAllowed) {
  D3DLOCKED_RECT locked{};
  ComPtr<IDirect3DTexture9> texture;
  ASSERT_EQ(device->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture.put(), nullptr), D3D_OK);
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  ComPtr<IDirect3DSurface9> target;
  ASSERT_EQ(device->CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, target.put(), nullptr),
            D3D_OK);
  EXPECT_EQ(target->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);
  ASSERT_EQ(device->CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, target.put(), nullptr),
            D3D_OK);
  EXPECT_EQ(target->LockRect(&locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(target->UnlockRect(), D3D_OK);
  ComPtr<IDirect3DSurface9> depth;
  ASSERT_EQ(device->CreateDepthStencilSurface(8, 8, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE, depth.put(), nullptr),
            D3D_OK);
  EXPECT_EQ(depth->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);
  ASSERT_EQ(
      device->CreateDepthStencilSurface(8, 8, D3DFMT_D16_LOCKABLE, D3DMULTISAMPLE_NONE, 0, FALSE, depth.put(), nullptr),
      D3D_OK);
  EXPECT_EQ(depth->LockRect(&locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(depth->UnlockRect(), D3D_OK);
  ComPtr<IDirect3DSurface9> backBuffer;
  ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.put()), D3D_OK);
  EXPECT_EQ(backBuffer->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL) << "not made lockable";
  ComPtr<IDirect3DSurface9> scratch;
  EXPECT_EQ(device->CreateOffscreenPlainSurface(8, 8, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, scratch.put(), nullptr),
            D3DERR_INVALIDCALL);
}

TEST_F(ResourceTest, VolumesLockBoxes) {
  ComPtr<IDirect3DVolumeTexture9> volume;
  ASSERT_EQ(device->CreateVolumeTexture(8, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, volume.put(), nullptr),
            D3D_OK);
  D3DLOCKED_BOX locked{};
  ASSERT_EQ(volume->LockBox(0, &locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(locked.RowPitch, 32);
  EXPECT_EQ(locked.SlicePitch, 128);
  BYTE* base = static_cast<BYTE*>(locked.pBits);
  ASSERT_EQ(volume->UnlockBox(0), D3D_OK);
  D3DBOX box{1, 2, 3, 4, 3, 4};
  ASSERT_EQ(volume->LockBox(0, &locked, &box, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(static_cast<BYTE*>(locked.pBits), base + 3 * 128 + 2 * 32 + 4);
  ASSERT_EQ(volume->UnlockBox(0), D3D_OK);
  D3DBOX deep{0, 0, 1, 1, 0, 5};
  EXPECT_EQ(volume->LockBox(0, &locked, &deep, 0), D3DERR_INVALIDCALL);
  ComPtr<IDirect3DVolume9> level;
  ASSERT_EQ(volume->GetVolumeLevel(0, level.put()), D3D_OK);
  ComPtr<IDirect3DVolumeTexture9> container;
  ASSERT_EQ(level->GetContainer(IID_IDirect3DVolumeTexture9, reinterpret_cast<void**>(container.put())), D3D_OK);
  EXPECT_EQ(container.get(), volume.get());
  IUnknown* wrong = nullptr;
  EXPECT_EQ(level->GetContainer(IID_IDirect3DTexture9, reinterpret_cast<void**>(&wrong)), E_NOINTERFACE);
}

TEST_F(ResourceTest, BuffersLockRangesAndDiscardOnlyWhenDynamic) {
  ComPtr<IDirect3DVertexBuffer9> buffer;
  EXPECT_EQ(device->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, buffer.put(), nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateVertexBuffer(8, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, buffer.put(), nullptr), D3DERR_INVALIDCALL)
      << "shorter than one vertex";
  EXPECT_EQ(device->CreateVertexBuffer(64, D3DUSAGE_DYNAMIC, 0, D3DPOOL_MANAGED, buffer.put(), nullptr),
            D3DERR_INVALIDCALL);
  ASSERT_EQ(device->CreateVertexBuffer(9600, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, buffer.put(),
                                       nullptr),
            D3D_OK);
  D3DVERTEXBUFFER_DESC desc{};
  ASSERT_EQ(buffer->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Size, 9600u);
  EXPECT_EQ(desc.Format, D3DFMT_VERTEXDATA);
  void* whole = nullptr;
  ASSERT_EQ(buffer->Lock(0, 0, &whole, D3DLOCK_DISCARD), D3D_OK);
  void* part = nullptr;
  ASSERT_EQ(buffer->Lock(100, 28, &part, D3DLOCK_NOOVERWRITE), D3D_OK) << "buffer locks nest";
  EXPECT_EQ(static_cast<BYTE*>(part), static_cast<BYTE*>(whole) + 100);
  EXPECT_EQ(buffer->Unlock(), D3D_OK);
  EXPECT_EQ(buffer->Unlock(), D3D_OK);
  EXPECT_EQ(buffer->Unlock(), D3DERR_INVALIDCALL);
  EXPECT_EQ(buffer->Lock(9590, 20, &part, 0), D3DERR_INVALIDCALL);

  ComPtr<IDirect3DIndexBuffer9> indices;
  EXPECT_EQ(device->CreateIndexBuffer(64, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, indices.put(), nullptr),
            D3DERR_INVALIDCALL);
  ASSERT_EQ(device->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, indices.put(), nullptr), D3D_OK);
  EXPECT_EQ(indices->Lock(0, 0, &part, D3DLOCK_DISCARD), D3DERR_INVALIDCALL) << "not dynamic";
  ASSERT_EQ(indices->Lock(0, 0, &part, 0), D3D_OK);
  EXPECT_EQ(indices->Unlock(), D3D_OK);
}

TEST_F(ResourceTest, UpdateSurfaceAndUpdateTextureCopyFromSystemMemory) {
  ComPtr<IDirect3DTexture9> source;
  ComPtr<IDirect3DTexture9> target;
  ASSERT_EQ(device->CreateTexture(16, 16, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, source.put(), nullptr), D3D_OK);
  ASSERT_EQ(device->CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, target.put(), nullptr), D3D_OK);
  for (UINT level = 0; level < source->GetLevelCount(); ++level) {
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(source->LockRect(level, &locked, nullptr, 0), D3D_OK);
    static_cast<DWORD*>(locked.pBits)[0] = 0xAA000000u | level;
    ASSERT_EQ(source->UnlockRect(level), D3D_OK);
  }
  // The destination's top level takes the source level of its size (level 1).
  ASSERT_EQ(device->UpdateTexture(source.get(), target.get()), D3D_OK);
  EXPECT_EQ(device->UpdateTexture(target.get(), source.get()), D3DERR_INVALIDCALL);

  // Read back through a lockable render target: copy the default-pool level with StretchRect.
  ComPtr<IDirect3DSurface9> level0;
  ASSERT_EQ(target->GetSurfaceLevel(0, level0.put()), D3D_OK);
  ComPtr<IDirect3DSurface9> readable;
  ASSERT_EQ(device->CreateRenderTarget(8, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, readable.put(), nullptr),
            D3D_OK);
  EXPECT_EQ(device->StretchRect(level0.get(), nullptr, readable.get(), nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL)
      << "plain texture levels are no StretchRect source";

  ComPtr<IDirect3DSurface9> systemSurface;
  ComPtr<IDirect3DSurface9> sourceLevel;
  ASSERT_EQ(source->GetSurfaceLevel(2, sourceLevel.put()), D3D_OK);
  RECT rect{0, 0, 2, 2};
  POINT point{1, 1};
  ASSERT_EQ(device->UpdateSurface(sourceLevel.get(), &rect, readable.get(), &point), D3D_OK);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(readable->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  auto pixel = [&](int x, int y) {
    return reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch)[x];
  };
  EXPECT_EQ(pixel(1, 1), 0xAA000002u);
  EXPECT_EQ(pixel(0, 0), 0u);
  ASSERT_EQ(readable->UnlockRect(), D3D_OK);
  POINT tooFar{7, 7};
  EXPECT_EQ(device->UpdateSurface(sourceLevel.get(), &rect, readable.get(), &tooFar), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->UpdateSurface(readable.get(), nullptr, sourceLevel.get(), nullptr), D3DERR_INVALIDCALL)
      << "only from system memory into the default pool";
}

TEST_F(ResourceTest, UpdateTextureCopiesEveryFaceAndSlice) {
  ComPtr<IDirect3DCubeTexture9> cubeSource;
  ComPtr<IDirect3DCubeTexture9> cubeTarget;
  ASSERT_EQ(device->CreateCubeTexture(4, 0, 0, D3DFMT_L8, D3DPOOL_SYSTEMMEM, cubeSource.put(), nullptr), D3D_OK);
  ASSERT_EQ(device->CreateCubeTexture(4, 0, D3DUSAGE_DYNAMIC, D3DFMT_L8, D3DPOOL_DEFAULT, cubeTarget.put(), nullptr),
            D3D_OK);
  for (UINT face = 0; face < 6; ++face) {
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(cubeSource->LockRect(static_cast<D3DCUBEMAP_FACES>(face), 2, &locked, nullptr, 0), D3D_OK);
    static_cast<BYTE*>(locked.pBits)[0] = static_cast<BYTE>(10 + face);
    ASSERT_EQ(cubeSource->UnlockRect(static_cast<D3DCUBEMAP_FACES>(face), 2), D3D_OK);
  }
  ASSERT_EQ(device->UpdateTexture(cubeSource.get(), cubeTarget.get()), D3D_OK);
  for (UINT face = 0; face < 6; ++face) {
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(cubeTarget->LockRect(static_cast<D3DCUBEMAP_FACES>(face), 2, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<BYTE*>(locked.pBits)[0], 10 + face);
    ASSERT_EQ(cubeTarget->UnlockRect(static_cast<D3DCUBEMAP_FACES>(face), 2), D3D_OK);
  }
  EXPECT_EQ(device->UpdateTexture(cubeTarget.get(), cubeSource.get()), D3DERR_INVALIDCALL) << "the wrong way round";

  ComPtr<IDirect3DVolumeTexture9> volumeSource;
  ComPtr<IDirect3DVolumeTexture9> volumeTarget;
  ASSERT_EQ(device->CreateVolumeTexture(4, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, volumeSource.put(), nullptr),
            D3D_OK);
  ASSERT_EQ(device->CreateVolumeTexture(4, 4, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                        volumeTarget.put(), nullptr),
            D3D_OK);
  D3DLOCKED_BOX box{};
  ASSERT_EQ(volumeSource->LockBox(0, &box, nullptr, 0), D3D_OK);
  reinterpret_cast<DWORD*>(static_cast<BYTE*>(box.pBits) + 3 * box.SlicePitch + 2 * box.RowPitch)[1] = 0xCAFEF00D;
  ASSERT_EQ(volumeSource->UnlockBox(0), D3D_OK);
  ASSERT_EQ(device->UpdateTexture(volumeSource.get(), volumeTarget.get()), D3D_OK);
  ASSERT_EQ(volumeTarget->LockBox(0, &box, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(reinterpret_cast<DWORD*>(static_cast<BYTE*>(box.pBits) + 3 * box.SlicePitch + 2 * box.RowPitch)[1],
            0xCAFEF00Du);
  ASSERT_EQ(volumeTarget->UnlockBox(0), D3D_OK);
  EXPECT_EQ(device->UpdateTexture(volumeSource.get(), cubeTarget.get()), D3DERR_INVALIDCALL) << "kinds differ";
}

TEST_F(ResourceTest, GetRenderTargetDataReadsTheBackBuffer) {
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(1, 2, 3), 1.0f, 0), D3D_OK);
  ComPtr<IDirect3DSurface9> backBuffer;
  ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.put()), D3D_OK);
  ComPtr<IDirect3DSurface9> copy;
  ASSERT_EQ(device->CreateOffscreenPlainSurface(64, 48, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, copy.put(), nullptr),
            D3D_OK);
  ASSERT_EQ(device->GetRenderTargetData(backBuffer.get(), copy.get()), D3D_OK);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(static_cast<DWORD*>(locked.pBits)[0] & 0xFFFFFF, 0x010203u);
  ASSERT_EQ(copy->UnlockRect(), D3D_OK);
  ComPtr<IDirect3DSurface9> small;
  ASSERT_EQ(device->CreateOffscreenPlainSurface(8, 8, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, small.put(), nullptr),
            D3D_OK);
  EXPECT_EQ(device->GetRenderTargetData(backBuffer.get(), small.get()), D3DERR_INVALIDCALL);
}

TEST_F(ResourceTest, StretchRectScalesWithPointAndLinearFilters) {
  ComPtr<IDirect3DSurface9> source;
  ComPtr<IDirect3DSurface9> target;
  ASSERT_EQ(device->CreateOffscreenPlainSurface(2, 1, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, source.put(), nullptr), D3D_OK);
  ASSERT_EQ(device->CreateRenderTarget(4, 1, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, target.put(), nullptr),
            D3D_OK);
  ASSERT_EQ(device->ColorFill(source.get(), nullptr, 0xFF000000), D3D_OK);
  RECT right{1, 0, 2, 1};
  ASSERT_EQ(device->ColorFill(source.get(), &right, 0xFFFFFFFF), D3D_OK);

  auto row = [&](DWORD out[4]) {
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(target->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    std::memcpy(out, locked.pBits, 16);
    ASSERT_EQ(target->UnlockRect(), D3D_OK);
  };
  DWORD pixels[4] = {};
  ASSERT_EQ(device->StretchRect(source.get(), nullptr, target.get(), nullptr, D3DTEXF_POINT), D3D_OK);
  row(pixels);
  EXPECT_EQ(pixels[0], 0xFF000000u);
  EXPECT_EQ(pixels[1], 0xFF000000u);
  EXPECT_EQ(pixels[2], 0xFFFFFFFFu);
  EXPECT_EQ(pixels[3], 0xFFFFFFFFu);
  ASSERT_EQ(device->StretchRect(source.get(), nullptr, target.get(), nullptr, D3DTEXF_LINEAR), D3D_OK);
  row(pixels);
  // Destination centres at 0.5, 1.5, 2.5, 3.5 map to source 0.25, 0.75, 1.25, 1.75: edges clamp.
  EXPECT_EQ(pixels[0], 0xFF000000u);
  EXPECT_EQ(pixels[1] & 0xFF, 0x40u);
  EXPECT_EQ(pixels[2] & 0xFF, 0xBFu);
  EXPECT_EQ(pixels[3], 0xFFFFFFFFu);
  EXPECT_EQ(device->StretchRect(source.get(), nullptr, target.get(), nullptr, D3DTEXF_ANISOTROPIC), D3DERR_INVALIDCALL);
  RECT outside{0, 0, 3, 1};
  EXPECT_EQ(device->StretchRect(source.get(), &outside, target.get(), nullptr, D3DTEXF_POINT), D3DERR_INVALIDCALL);
}

TEST_F(ResourceTest, ForeignAndMismatchedObjectsAreRefused) {
  ComPtr<IDirect3DDevice9> other;
  D3DPRESENT_PARAMETERS p = windowedParameters();
  ASSERT_EQ(createDevice(&p, D3DCREATE_SOFTWARE_VERTEXPROCESSING, other.put()), D3D_OK);
  ComPtr<IDirect3DTexture9> theirs;
  ASSERT_EQ(other->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, theirs.put(), nullptr), D3D_OK);
  EXPECT_EQ(device->SetTexture(0, theirs.get()), D3DERR_INVALIDCALL);
  ComPtr<IDirect3DTexture9> scratch;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH, scratch.put(), nullptr), D3D_OK);
  EXPECT_EQ(device->SetTexture(0, scratch.get()), D3DERR_INVALIDCALL) << "scratch resources are not for the device";
  EXPECT_EQ(device->SetTexture(16, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetTexture(D3DVERTEXTEXTURESAMPLER0, nullptr), D3D_OK);
}

}  // namespace
}  // namespace platform::d3d9
