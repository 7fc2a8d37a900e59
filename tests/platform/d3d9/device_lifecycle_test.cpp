#include <gtest/gtest.h>

#include "platform/d3d9/d3d9_testing.h"
#include "tests/platform/d3d9/device_fixture.h"

namespace platform::d3d9 {
namespace {

TEST_F(DeviceTest, CreationFillsInWhatTheParametersLeaveOpen) {
  D3DPRESENT_PARAMETERS p{};
  p.SwapEffect = D3DSWAPEFFECT_DISCARD;
  p.Windowed = TRUE;
  p.hDeviceWindow = testWindow();
  offscreenDisplaySystem().setClientSize(testWindow(), 300, 200);
  ComPtr<IDirect3DDevice9> second;
  ASSERT_EQ(createDevice(&p, D3DCREATE_SOFTWARE_VERTEXPROCESSING, second.put()), D3D_OK);
  EXPECT_EQ(p.BackBufferWidth, 300u);
  EXPECT_EQ(p.BackBufferHeight, 200u);
  EXPECT_EQ(p.BackBufferFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(p.BackBufferCount, 1u);
  ComPtr<IDirect3DSurface9> backBuffer;
  ASSERT_EQ(second->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.put()), D3D_OK);
  D3DSURFACE_DESC desc{};
  ASSERT_EQ(backBuffer->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Width, 300u);
  EXPECT_EQ(desc.Height, 200u);
  EXPECT_EQ(desc.Usage, D3DUSAGE_RENDERTARGET);
  EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
}

TEST_F(DeviceTest, CreationRefusesBadArguments) {
  ComPtr<IDirect3DDevice9> other;
  D3DPRESENT_PARAMETERS p = windowedParameters();
  EXPECT_EQ(createDevice(&p, 0, other.put()), D3DERR_INVALIDCALL);  // no vertex processing
  EXPECT_EQ(createDevice(&p, D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING, other.put()),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(createDevice(&p, D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE, other.put()),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(
      direct3D->CreateDevice(0, D3DDEVTYPE_SW, testWindow(), D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, other.put()),
      D3DERR_NOTAVAILABLE);
  EXPECT_EQ(createDevice(nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, other.put()), D3DERR_INVALIDCALL);

  p = windowedParameters();
  p.BackBufferCount = 5;
  EXPECT_EQ(createDevice(&p, D3DCREATE_SOFTWARE_VERTEXPROCESSING, other.put()), D3DERR_INVALIDCALL);
  EXPECT_EQ(p.BackBufferCount, 3u) << "the count that could be made is written back";
  p = windowedParameters();
  p.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
  EXPECT_EQ(createDevice(&p, D3DCREATE_SOFTWARE_VERTEXPROCESSING, other.put()), D3DERR_INVALIDCALL);
  p = windowedParameters();
  p.AutoDepthStencilFormat = D3DFMT_A8R8G8B8;
  EXPECT_EQ(createDevice(&p, D3DCREATE_SOFTWARE_VERTEXPROCESSING, other.put()), D3DERR_INVALIDCALL);
  p = windowedParameters();
  p.FullScreen_RefreshRateInHz = 60;
  EXPECT_EQ(createDevice(&p, D3DCREATE_SOFTWARE_VERTEXPROCESSING, other.put()), D3DERR_INVALIDCALL);
  p = windowedParameters();
  p.PresentationInterval = D3DPRESENT_INTERVAL_TWO;
  EXPECT_EQ(createDevice(&p, D3DCREATE_SOFTWARE_VERTEXPROCESSING, other.put()), D3DERR_INVALIDCALL);
  // Fullscreen needs a mode of the adapter.
  p = fullscreenParameters();
  p.BackBufferWidth = 641;
  EXPECT_EQ(createDevice(&p, D3DCREATE_SOFTWARE_VERTEXPROCESSING, other.put()), D3DERR_INVALIDCALL);
  p = fullscreenParameters();
  p.BackBufferFormat = D3DFMT_A1R5G5B5;  // no such display mode
  EXPECT_EQ(createDevice(&p, D3DCREATE_SOFTWARE_VERTEXPROCESSING, other.put()), D3DERR_INVALIDCALL);
  EXPECT_FALSE(other);
}

TEST_F(DeviceTest, ResourcesHoldTheDeviceSoALeakShowsInItsLastRelease) {
  ComPtr<IDirect3DTexture9> texture;
  ASSERT_EQ(device->CreateTexture(16, 16, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.put(), nullptr), D3D_OK);
  EXPECT_EQ(device->AddRef(), 3u);  // the fixture's, the texture's, this one
  EXPECT_EQ(device->Release(), 2u);

  // A level shares its texture's count; getters add a reference.
  ComPtr<IDirect3DSurface9> level;
  ASSERT_EQ(texture->GetSurfaceLevel(1, level.put()), D3D_OK);
  EXPECT_EQ(texture->AddRef(), 3u);
  EXPECT_EQ(texture->Release(), 2u);
  IDirect3DDevice9* owner = nullptr;
  ASSERT_EQ(level->GetDevice(&owner), D3D_OK);
  EXPECT_EQ(owner, device.get());
  EXPECT_EQ(owner->Release(), 2u);
  ComPtr<IDirect3DTexture9> container;
  ASSERT_EQ(level->GetContainer(IID_IDirect3DTexture9, reinterpret_cast<void**>(container.put())), D3D_OK);
  EXPECT_EQ(container.get(), texture.get());
  container.reset();
  level.reset();

  // Binding does not count for the application: the texture goes when the device lets go.
  ASSERT_EQ(device->SetTexture(0, texture.get()), D3D_OK);
  EXPECT_EQ(texture.detach()->Release(), 0u);
  IDirect3DBaseTexture9* bound = nullptr;
  ASSERT_EQ(device->GetTexture(0, &bound), D3D_OK);
  ASSERT_NE(bound, nullptr);
  EXPECT_EQ(bound->Release(), 0u);
  ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);

  // A leaked buffer keeps the device's last release above 0.
  IDirect3DVertexBuffer9* leaked = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &leaked, nullptr), D3D_OK);
  EXPECT_EQ(device.detach()->Release(), 1u);
  EXPECT_EQ(leaked->Release(), 0u);  // which also frees the device
}

TEST_F(DeviceTest, GettersHandOutAddedReferences) {
  IDirect3D9* owner = nullptr;
  ASSERT_EQ(device->GetDirect3D(&owner), D3D_OK);
  EXPECT_EQ(owner, direct3D.get());
  EXPECT_EQ(owner->Release(), 2u);  // the test's and the device's

  ComPtr<IDirect3DSurface9> backBuffer;
  ComPtr<IDirect3DSurface9> renderTarget;
  ComPtr<IDirect3DSurface9> depth;
  ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.put()), D3D_OK);
  ASSERT_EQ(device->GetRenderTarget(0, renderTarget.put()), D3D_OK);
  ASSERT_EQ(device->GetDepthStencilSurface(depth.put()), D3D_OK);
  EXPECT_EQ(backBuffer.get(), renderTarget.get());
  EXPECT_EQ(backBuffer->AddRef(), 3u);
  EXPECT_EQ(backBuffer->Release(), 2u);
  EXPECT_EQ(device->GetBackBuffer(0, 1, D3DBACKBUFFER_TYPE_MONO, backBuffer.put()), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->GetRenderTarget(1, renderTarget.put()), D3DERR_INVALIDCALL);

  D3DDISPLAYMODE mode{};
  ASSERT_EQ(device->GetDisplayMode(0, &mode), D3D_OK);
  EXPECT_EQ(mode.Width, 1024u);
  D3DCAPS9 caps{};
  ASSERT_EQ(device->GetDeviceCaps(&caps), D3D_OK);
  EXPECT_EQ(caps.DeviceType, D3DDEVTYPE_HAL);
}

TEST_F(DeviceTest, ResetRefusesWhileDefaultPoolResourcesOrStateBlocksLive) {
  ComPtr<IDirect3DVertexBuffer9> defaultBuffer;
  ComPtr<IDirect3DTexture9> managedTexture;
  ASSERT_EQ(device->CreateVertexBuffer(96, 0, D3DFVF_XYZ, D3DPOOL_DEFAULT, defaultBuffer.put(), nullptr), D3D_OK);
  ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, managedTexture.put(), nullptr), D3D_OK);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(managedTexture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  static_cast<DWORD*>(locked.pBits)[0] = 0x12345678;
  ASSERT_EQ(managedTexture->UnlockRect(0), D3D_OK);

  D3DPRESENT_PARAMETERS p = windowedParameters(32, 32);
  EXPECT_EQ(device->Reset(&p), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET) << "a failed Reset leaves the device lost";
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
  defaultBuffer.reset();

  ComPtr<IDirect3DStateBlock9> block;
  ASSERT_EQ(device->CreateStateBlock(D3DSBT_ALL, block.put()), D3D_OK);
  EXPECT_EQ(device->Reset(&p), D3DERR_INVALIDCALL);
  block.reset();
  // Holding the back buffer counts too.
  ComPtr<IDirect3DSurface9> backBuffer;
  ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.put()), D3D_OK);
  EXPECT_EQ(device->Reset(&p), D3DERR_INVALIDCALL);
  backBuffer.reset();

  ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
  ASSERT_EQ(device->Reset(&p), D3D_OK);
  EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
  DWORD lighting = 0;
  ASSERT_EQ(device->GetRenderState(D3DRS_LIGHTING, &lighting), D3D_OK);
  EXPECT_EQ(lighting, static_cast<DWORD>(TRUE)) << "states return to their defaults";
  D3DVIEWPORT9 viewport{};
  ASSERT_EQ(device->GetViewport(&viewport), D3D_OK);
  EXPECT_EQ(viewport.Width, 32u);
  EXPECT_EQ(viewport.Height, 32u);

  // The managed texture kept its contents.
  ASSERT_EQ(managedTexture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(static_cast<DWORD*>(locked.pBits)[0], 0x12345678u);
  ASSERT_EQ(managedTexture->UnlockRect(0), D3D_OK);
}

TEST_F(DeviceTest, ResetLetsGoOfReleasedButStillBoundResources) {
  ComPtr<IDirect3DTexture9> texture;
  ComPtr<IDirect3DVertexBuffer9> buffer;
  ASSERT_EQ(
      device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture.put(), nullptr),
      D3D_OK);
  ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, buffer.put(), nullptr), D3D_OK);
  ComPtr<IDirect3DSurface9> level;
  ASSERT_EQ(texture->GetSurfaceLevel(0, level.put()), D3D_OK);
  ASSERT_EQ(device->SetRenderTarget(0, level.get()), D3D_OK);
  ASSERT_EQ(device->SetTexture(1, texture.get()), D3D_OK);
  ASSERT_EQ(device->SetStreamSource(0, buffer.get(), 0, 16), D3D_OK);
  D3DVIEWPORT9 viewport{};
  ASSERT_EQ(device->GetViewport(&viewport), D3D_OK);
  EXPECT_EQ(viewport.Width, 8u) << "a new render target brings its own viewport";
  level.reset();
  texture.reset();
  buffer.reset();
  D3DPRESENT_PARAMETERS p = windowedParameters();
  ASSERT_EQ(device->Reset(&p), D3D_OK);
  ComPtr<IDirect3DSurface9> target;
  ComPtr<IDirect3DSurface9> backBuffer;
  ASSERT_EQ(device->GetRenderTarget(0, target.put()), D3D_OK);
  ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.put()), D3D_OK);
  EXPECT_EQ(target.get(), backBuffer.get()) << "Reset puts the back buffer back as render target";
}

TEST_F(DeviceTest, ShadersAndDeclarationsSurviveReset) {
  const DWORD shader[] = {D3DVS_VERSION(1, 1), 0x0000FFFF};
  ComPtr<IDirect3DVertexShader9> vertexShader;
  ASSERT_EQ(device->CreateVertexShader(shader, vertexShader.put()), D3D_OK);
  const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
  ComPtr<IDirect3DVertexDeclaration9> declaration;
  ASSERT_EQ(device->CreateVertexDeclaration(elements, declaration.put()), D3D_OK);
  ASSERT_EQ(device->SetVertexShader(vertexShader.get()), D3D_OK);
  D3DPRESENT_PARAMETERS p = windowedParameters();
  ASSERT_EQ(device->Reset(&p), D3D_OK);
  ComPtr<IDirect3DVertexShader9> bound;
  ASSERT_EQ(device->GetVertexShader(bound.put()), D3D_OK);
  EXPECT_FALSE(bound) << "Reset unbinds";
  EXPECT_EQ(device->SetVertexShader(vertexShader.get()), D3D_OK);
  EXPECT_EQ(device->SetVertexDeclaration(declaration.get()), D3D_OK);
}

TEST_F(DeviceTest, ReferenceDeviceIsTheSameRasteriser) {
  ComPtr<IDirect3DDevice9> reference;
  D3DPRESENT_PARAMETERS p = windowedParameters();
  ASSERT_EQ(
      direct3D->CreateDevice(0, D3DDEVTYPE_REF, testWindow(), D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, reference.put()),
      D3D_OK);
  D3DDEVICE_CREATION_PARAMETERS creation{};
  ASSERT_EQ(reference->GetCreationParameters(&creation), D3D_OK);
  EXPECT_EQ(creation.DeviceType, D3DDEVTYPE_REF);
  EXPECT_EQ(creation.BehaviorFlags, static_cast<DWORD>(D3DCREATE_SOFTWARE_VERTEXPROCESSING));
  EXPECT_TRUE(reference->GetSoftwareVertexProcessing());
  EXPECT_EQ(reference->SetSoftwareVertexProcessing(FALSE), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, ResetWithoutDepthBufferTurnsDepthTestingOff) {
  DWORD zEnable = 0;
  ASSERT_EQ(device->GetRenderState(D3DRS_ZENABLE, &zEnable), D3D_OK);
  EXPECT_EQ(zEnable, static_cast<DWORD>(D3DZB_TRUE));
  D3DPRESENT_PARAMETERS p = windowedParameters();
  p.EnableAutoDepthStencil = FALSE;
  ASSERT_EQ(device->Reset(&p), D3D_OK);
  ASSERT_EQ(device->GetRenderState(D3DRS_ZENABLE, &zEnable), D3D_OK);
  EXPECT_EQ(zEnable, static_cast<DWORD>(D3DZB_FALSE));
  IDirect3DSurface9* depth = nullptr;
  EXPECT_EQ(device->GetDepthStencilSurface(&depth), D3DERR_NOTFOUND);
  EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, ForcedLossGoesThroughLostAndNotResetBackToOperational) {
  ASSERT_TRUE(testing::holdDeviceLost(device.get(), true));
  EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
  D3DPRESENT_PARAMETERS p = windowedParameters();
  EXPECT_EQ(device->Reset(&p), D3DERR_DEVICELOST) << "cannot reset while the cause lasts";
  // Calls keep working while lost.
  EXPECT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
  EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
  ComPtr<IDirect3DSurface9> plain;
  ASSERT_EQ(device->CreateOffscreenPlainSurface(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, plain.put(), nullptr),
            D3D_OK);
  D3DLOCKED_RECT locked{};
  EXPECT_EQ(plain->LockRect(&locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(plain->UnlockRect(), D3D_OK);

  ASSERT_TRUE(testing::holdDeviceLost(device.get(), false));
  EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
  ASSERT_EQ(device->Reset(&p), D3D_OK);
  EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(DeviceTest, FullscreenDeviceIsLostWhileItsWindowGivesUpTheDisplay) {
  device.reset();
  D3DPRESENT_PARAMETERS p = fullscreenParameters();
  ASSERT_EQ(createDevice(&p, D3DCREATE_HARDWARE_VERTEXPROCESSING, device.put()), D3D_OK);
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(direct3D->GetAdapterDisplayMode(0, &mode), D3D_OK);
  EXPECT_EQ(mode.Width, 640u) << "fullscreen switches the adapter's mode";
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

  offscreenDisplaySystem().setWindowOwnsDisplay(testWindow(), false);  // minimised
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
  EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
  offscreenDisplaySystem().setWindowOwnsDisplay(testWindow(), true);  // restored
  EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  ASSERT_EQ(device->Reset(&p), D3D_OK);
  EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);

  device.reset();
  ASSERT_EQ(direct3D->GetAdapterDisplayMode(0, &mode), D3D_OK);
  EXPECT_EQ(mode.Width, 1024u) << "releasing the device restores the desktop";
}

TEST_F(DeviceTest, PresentShowsTheClearedBackBuffer) {
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x000000FF, 1.0f, 0), D3D_OK);
  D3DRECT corner{0, 0, 2, 2};
  ASSERT_EQ(device->Clear(1, &corner, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 0, 0), 1.0f, 0), D3D_OK);
  ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  PresentedImage image;
  ASSERT_TRUE(testing::lastPresentedImage(device.get(), &image));
  ASSERT_EQ(image.width, 64u);
  ASSERT_EQ(image.height, 48u);
  EXPECT_EQ(image.pixels[0], 0xFFFF0000u);
  EXPECT_EQ(image.pixels[1 * 64 + 1], 0xFFFF0000u);
  EXPECT_EQ(image.pixels[2], 0xFF0000FFu);
  EXPECT_EQ(image.pixels[47 * 64 + 63], 0xFF0000FFu);
  // The offscreen display received the same frame.
  PresentedImage shown;
  ASSERT_TRUE(offscreenDisplaySystem().lastPresented(testWindow(), &shown));
  EXPECT_EQ(shown.pixels, image.pixels);

  // Clearing stays inside the viewport.
  D3DVIEWPORT9 viewport{10, 10, 4, 4, 0.0f, 1.0f};
  ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 255, 0), 1.0f, 0), D3D_OK);
  ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  ASSERT_TRUE(testing::lastPresentedImage(device.get(), &image));
  EXPECT_EQ(image.pixels[10 * 64 + 10], 0xFF00FF00u);
  EXPECT_EQ(image.pixels[13 * 64 + 13], 0xFF00FF00u);
  EXPECT_EQ(image.pixels[14 * 64 + 14], 0xFF0000FFu);
  EXPECT_EQ(image.pixels[9 * 64 + 10], 0xFF0000FFu);
}

TEST_F(DeviceTest, PresentFlipsAChainOfBackBuffers) {
  device.reset();
  D3DPRESENT_PARAMETERS p = windowedParameters(4, 4);
  p.SwapEffect = D3DSWAPEFFECT_FLIP;
  p.BackBufferCount = 2;
  ASSERT_EQ(createDevice(&p, D3DCREATE_HARDWARE_VERTEXPROCESSING, device.put()), D3D_OK);
  ComPtr<IDirect3DSurface9> second;
  ASSERT_EQ(device->GetBackBuffer(0, 1, D3DBACKBUFFER_TYPE_MONO, second.put()), D3D_OK);
  ASSERT_EQ(device->ColorFill(second.get(), nullptr, D3DCOLOR_XRGB(0, 255, 0)), D3D_OK);
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 0, 0), 1.0f, 0), D3D_OK);
  second.reset();
  PresentedImage image;
  ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  ASSERT_TRUE(testing::lastPresentedImage(device.get(), &image));
  EXPECT_EQ(image.pixels[0], 0xFFFF0000u);
  ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  ASSERT_TRUE(testing::lastPresentedImage(device.get(), &image));
  EXPECT_EQ(image.pixels[0], 0xFF00FF00u) << "the second buffer's frame comes next";
}

TEST_F(DeviceTest, FullscreenFramesShowTheDeviceCursor) {
  device.reset();
  D3DPRESENT_PARAMETERS p = fullscreenParameters();
  ASSERT_EQ(createDevice(&p, D3DCREATE_HARDWARE_VERTEXPROCESSING, device.put()), D3D_OK);
  ComPtr<IDirect3DSurface9> cursor;
  ASSERT_EQ(device->CreateOffscreenPlainSurface(2, 2, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH, cursor.put(), nullptr), D3D_OK);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(cursor->LockRect(&locked, nullptr, 0), D3D_OK);
  auto* row0 = static_cast<DWORD*>(locked.pBits);
  auto* row1 = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + locked.Pitch);
  row0[0] = 0xFFFFFFFF;  // opaque white
  row0[1] = 0x00000000;  // transparent
  row1[0] = 0x00000000;
  row1[1] = 0xFFFFFFFF;
  ASSERT_EQ(cursor->UnlockRect(), D3D_OK);
  ASSERT_EQ(device->SetCursorProperties(1, 1, cursor.get()), D3D_OK);
  device->SetCursorPosition(10, 20, 0);
  EXPECT_EQ(device->ShowCursor(TRUE), FALSE);
  EXPECT_EQ(device->ShowCursor(TRUE), TRUE);
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
  ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  PresentedImage image;
  ASSERT_TRUE(testing::lastPresentedImage(device.get(), &image));
  EXPECT_EQ(image.pixels[19 * 640 + 9], 0xFFFFFFFFu);   // hot spot (1, 1) sits at (10, 20)
  EXPECT_EQ(image.pixels[19 * 640 + 10], 0xFF000000u);  // transparent cursor pixel
  EXPECT_EQ(image.pixels[20 * 640 + 10], 0xFFFFFFFFu);
  EXPECT_EQ(device->ShowCursor(FALSE), TRUE);
  ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  ASSERT_TRUE(testing::lastPresentedImage(device.get(), &image));
  EXPECT_EQ(image.pixels[19 * 640 + 9], 0xFF000000u);
  // Cursors must be A8R8G8B8.
  ComPtr<IDirect3DSurface9> wrong;
  ASSERT_EQ(device->CreateOffscreenPlainSurface(2, 2, D3DFMT_R5G6B5, D3DPOOL_SCRATCH, wrong.put(), nullptr), D3D_OK);
  EXPECT_EQ(device->SetCursorProperties(0, 0, wrong.get()), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, ScenesDoNotNest) {
  EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->EndScene(), D3D_OK);
}

}  // namespace
}  // namespace platform::d3d9
