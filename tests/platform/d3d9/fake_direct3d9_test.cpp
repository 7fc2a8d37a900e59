#include "fake_direct3d9.h"

#include <gtest/gtest.h>

namespace {

using prism_test::FakeDirect3D9;

TEST(FakeDirect3D9Test, AnswersFromItsScript) {
  FakeDirect3D9 fake;
  FakeDirect3D9::Adapter& adapter = fake.addAdapter("Fake adapter", {1280, 1024, 75, D3DFMT_X8R8G8B8});
  adapter.modes.push_back({640, 480, 60, D3DFMT_R5G6B5});
  adapter.caps[D3DDEVTYPE_HAL] = FakeDirect3D9::capableCaps(D3DDEVTYPE_HAL);
  fake.deviceFormatCheck = [](UINT, D3DDEVTYPE, D3DFORMAT, DWORD usage, D3DRESOURCETYPE, D3DFORMAT format) {
    return (usage & D3DUSAGE_DEPTHSTENCIL) && format == D3DFMT_D32 ? D3DERR_NOTAVAILABLE : D3D_OK;
  };

  IDirect3D9* direct3D = &fake;
  EXPECT_EQ(direct3D->GetAdapterCount(), 1u);
  D3DADAPTER_IDENTIFIER9 identifier{};
  ASSERT_EQ(direct3D->GetAdapterIdentifier(0, 0, &identifier), D3D_OK);
  EXPECT_STREQ(identifier.Description, "Fake adapter");
  EXPECT_EQ(direct3D->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 1u);
  EXPECT_EQ(direct3D->GetAdapterModeCount(0, D3DFMT_R5G6B5), 1u);
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(direct3D->EnumAdapterModes(0, D3DFMT_R5G6B5, 0, &mode), D3D_OK);
  EXPECT_EQ(mode.Width, 640u);

  D3DCAPS9 caps{};
  EXPECT_EQ(direct3D->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_EQ(direct3D->GetDeviceCaps(0, D3DDEVTYPE_REF, &caps), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(direct3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                        D3DFMT_D32),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(direct3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                        D3DFMT_D16),
            D3D_OK);
  DWORD quality = 0;
  EXPECT_EQ(
      direct3D->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_NONE, &quality),
      D3D_OK);
  EXPECT_EQ(quality, 1u);
  D3DPRESENT_PARAMETERS parameters{};
  IDirect3DDevice9* device = nullptr;
  EXPECT_EQ(
      direct3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device),
      D3DERR_NOTAVAILABLE);
  EXPECT_EQ(fake.calls.front(), "GetAdapterCount");
  EXPECT_EQ(fake.calls.back(), "CreateDevice");
  EXPECT_EQ(direct3D->Release(), 0u);
  EXPECT_EQ(fake.references, 0u);
}

}  // namespace
