#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/d3d9/com_ptr.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/display_system.h"
#include "platform/win/modules.h"

namespace platform::d3d9 {
namespace {

ComPtr<IDirect3D9> createDirect3D() { return ComPtr<IDirect3D9>::adopt(Direct3DCreate9(D3D_SDK_VERSION)); }

TEST(Direct3DCreate9Test, OnlyVersion31GivesAnObject) {
  EXPECT_EQ(Direct3DCreate9(30), nullptr);
  EXPECT_EQ(Direct3DCreate9(32), nullptr);
  IDirect3D9* direct3D = Direct3DCreate9(31);
  ASSERT_NE(direct3D, nullptr);
  EXPECT_EQ(direct3D->AddRef(), 2u);
  EXPECT_EQ(direct3D->Release(), 1u);
  EXPECT_EQ(direct3D->Release(), 0u);
}

TEST(Direct3DModuleTest, ExportsAreFoundByName) {
  HMODULE module = LoadLibraryA("d3d9.dll");
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(GetModuleHandleA("D3D9"), module);
  auto create = reinterpret_cast<Direct3DCreate9Function>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "Direct3DCreate9")));
  ASSERT_NE(create, nullptr);
  IDirect3D9* direct3D = create(31);
  ASSERT_NE(direct3D, nullptr);
  direct3D->Release();
  auto validatorCreate = reinterpret_cast<Direct3DShaderValidatorCreate9Function>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "Direct3DShaderValidatorCreate9")));
  ASSERT_NE(validatorCreate, nullptr);
  IDirect3DShaderValidator9* validator = validatorCreate();
  ASSERT_NE(validator, nullptr);
  EXPECT_EQ(validator->Release(), 0u);
  auto mute =
      reinterpret_cast<DebugSetMuteFunction>(reinterpret_cast<void (*)()>(GetProcAddress(module, "DebugSetMute")));
  ASSERT_NE(mute, nullptr);
  mute(1);
  mute(0);
  EXPECT_EQ(GetProcAddress(module, "Direct3DCreate9Ex"), nullptr);
}

TEST(AdapterTest, WithoutDisplaySystemOneOffscreenAdapter) {
  auto direct3D = createDirect3D();
  ASSERT_EQ(direct3D->GetAdapterCount(), 1u);
  D3DDISPLAYMODE desktop{};
  ASSERT_EQ(direct3D->GetAdapterDisplayMode(0, &desktop), D3D_OK);
  EXPECT_EQ(desktop.Width, 1024u);
  EXPECT_EQ(desktop.Height, 768u);
  EXPECT_EQ(desktop.RefreshRate, 60u);
  EXPECT_EQ(desktop.Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(direct3D->GetAdapterDisplayMode(1, &desktop), D3DERR_INVALIDCALL);

  D3DADAPTER_IDENTIFIER9 identifier{};
  ASSERT_EQ(direct3D->GetAdapterIdentifier(0, 0, &identifier), D3D_OK);
  std::string description = identifier.Description;
  EXPECT_NE(description.find("Software Rasterizer"), std::string::npos) << description;
  EXPECT_NE(description.find("Offscreen display"), std::string::npos) << description;
  EXPECT_EQ(direct3D->GetAdapterIdentifier(0, 0x80, &identifier), D3DERR_INVALIDCALL);
  EXPECT_EQ(direct3D->GetAdapterIdentifier(1, 0, &identifier), D3DERR_INVALIDCALL);
}

TEST(AdapterTest, ModesAreTheDesktopAndSmallerCommonSizesIn32And16Bits) {
  auto direct3D = createDirect3D();
  for (D3DFORMAT format : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5}) {
    UINT count = direct3D->GetAdapterModeCount(0, format);
    ASSERT_GT(count, 1u);
    bool hasDesktop = false;
    bool has640 = false;
    for (UINT i = 0; i < count; ++i) {
      D3DDISPLAYMODE mode{};
      ASSERT_EQ(direct3D->EnumAdapterModes(0, format, i, &mode), D3D_OK);
      EXPECT_EQ(mode.Format, format);
      EXPECT_EQ(mode.RefreshRate, 60u);
      EXPECT_LE(mode.Width, 1024u);
      EXPECT_LE(mode.Height, 768u);
      EXPECT_GE(mode.Width, 640u);
      hasDesktop |= mode.Width == 1024 && mode.Height == 768;
      has640 |= mode.Width == 640 && mode.Height == 480;
    }
    EXPECT_TRUE(hasDesktop);
    EXPECT_TRUE(has640);
    D3DDISPLAYMODE mode{};
    EXPECT_EQ(direct3D->EnumAdapterModes(0, format, count, &mode), D3DERR_INVALIDCALL);
  }
  EXPECT_EQ(direct3D->GetAdapterModeCount(0, D3DFMT_X1R5G5B5), 0u);
  EXPECT_EQ(direct3D->GetAdapterModeCount(0, D3DFMT_A2R10G10B10), 0u);
}

// A display system with two screens stands for the window layer.
class TwoScreens final : public DisplaySystem {
 public:
  std::vector<DisplayDescription> displays() const override {
    return {{"\\\\.\\DISPLAY1", "Left screen", {1920, 1080, 75, D3DFMT_X8R8G8B8}, nullptr},
            {"\\\\.\\DISPLAY2", "Right screen", {800, 600, 60, D3DFMT_X8R8G8B8}, nullptr}};
  }
  bool clientSize(HWND, UINT*, UINT*) const override { return false; }
  bool windowOwnsDisplay(HWND) const override { return true; }
  void present(HWND, const PresentedImage&) override {}
};

TEST(AdapterTest, OneAdapterPerDisplayOfTheDisplaySystem) {
  TwoScreens screens;
  setDisplaySystem(&screens);
  auto direct3D = createDirect3D();
  setDisplaySystem(nullptr);
  ASSERT_EQ(direct3D->GetAdapterCount(), 2u);
  D3DADAPTER_IDENTIFIER9 identifier{};
  ASSERT_EQ(direct3D->GetAdapterIdentifier(1, 0, &identifier), D3D_OK);
  EXPECT_NE(std::string(identifier.Description).find("Right screen"), std::string::npos);
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(direct3D->GetAdapterDisplayMode(0, &mode), D3D_OK);
  EXPECT_EQ(mode.RefreshRate, 75u);
  // Modes stop at each desktop's size.
  UINT count = direct3D->GetAdapterModeCount(1, D3DFMT_X8R8G8B8);
  ASSERT_EQ(direct3D->EnumAdapterModes(1, D3DFMT_X8R8G8B8, count - 1, &mode), D3D_OK);
  EXPECT_EQ(mode.Width, 800u);
  EXPECT_EQ(mode.Height, 600u);
}

TEST(CapsTest, HalAndRefAreTheSoftwareRasteriserAndSwIsMissing) {
  auto direct3D = createDirect3D();
  D3DCAPS9 caps{};
  EXPECT_EQ(direct3D->GetDeviceCaps(0, D3DDEVTYPE_SW, &caps), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(direct3D->GetDeviceCaps(0, D3DDEVTYPE_NULLREF, &caps), D3DERR_INVALIDCALL);
  EXPECT_EQ(direct3D->GetDeviceCaps(1, D3DDEVTYPE_HAL, &caps), D3DERR_INVALIDCALL);
  for (D3DDEVTYPE type : {D3DDEVTYPE_HAL, D3DDEVTYPE_REF}) {
    ASSERT_EQ(direct3D->GetDeviceCaps(0, type, &caps), D3D_OK);
    EXPECT_EQ(caps.DeviceType, type);
    EXPECT_EQ(caps.VertexShaderVersion, D3DVS_VERSION(3, 0));
    EXPECT_EQ(caps.PixelShaderVersion, D3DPS_VERSION(3, 0));
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_PUREDEVICE);
    EXPECT_EQ(caps.MaxTextureWidth, 8192u);
    EXPECT_EQ(caps.MaxTextureHeight, 8192u);
    EXPECT_EQ(caps.TextureCaps & (D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_NONPOW2CONDITIONAL),
              D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_NONPOW2CONDITIONAL);
    EXPECT_EQ(caps.TextureCaps & (D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_MIPCUBEMAP | D3DPTEXTURECAPS_MIPVOLUMEMAP),
              D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_MIPCUBEMAP | D3DPTEXTURECAPS_MIPVOLUMEMAP);
    EXPECT_EQ(caps.PresentationIntervals, D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE);
    EXPECT_FALSE(caps.PrimitiveMiscCaps & D3DPMISCCAPS_NULLREFERENCE);
    EXPECT_GE(caps.MaxVertexShaderConst, 256u);
  }
}

// The questions the program's device enumeration asks, and the answers that make the
// windowed X8R8G8B8 desktop usable with a depth buffer.
TEST(FormatChecksTest, AnswersTheEnumerationsQuestions) {
  auto direct3D = createDirect3D();
  const D3DFORMAT kBackBuffers[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A2R10G10B10,
                                    D3DFMT_R5G6B5,   D3DFMT_A1R5G5B5, D3DFMT_X1R5G5B5};
  for (D3DFORMAT backBuffer : kBackBuffers) {
    // A window's back buffer is converted when presented, so any back-buffer format will do.
    EXPECT_EQ(direct3D->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, backBuffer, TRUE), D3D_OK) << backBuffer;
    bool fullscreenOk = backBuffer == D3DFMT_A8R8G8B8 || backBuffer == D3DFMT_X8R8G8B8;
    EXPECT_EQ(direct3D->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, backBuffer, FALSE) == D3D_OK, fullscreenOk)
        << backBuffer;
  }
  EXPECT_EQ(direct3D->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, D3DFMT_R5G6B5, FALSE), D3D_OK);
  EXPECT_EQ(direct3D->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_A2R10G10B10, D3DFMT_A2R10G10B10, TRUE),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(direct3D->CheckDeviceType(0, D3DDEVTYPE_SW, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE), D3DERR_INVALIDCALL);
  EXPECT_EQ(direct3D->CheckDeviceFormat(0, D3DDEVTYPE_SW, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8),
            D3DERR_NOTAVAILABLE);

  for (D3DFORMAT depth : {D3DFMT_D16, D3DFMT_D15S1, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D32}) {
    EXPECT_EQ(
        direct3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, depth),
        D3D_OK)
        << depth;
    EXPECT_EQ(direct3D->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, depth), D3D_OK);
    EXPECT_EQ(direct3D->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, depth, TRUE, D3DMULTISAMPLE_NONE, nullptr),
              D3D_OK);
  }
  EXPECT_EQ(direct3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                        D3DFMT_A8R8G8B8),
            D3DERR_NOTAVAILABLE);

  DWORD quality = 99;
  EXPECT_EQ(
      direct3D->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_NONE, &quality),
      D3D_OK);
  EXPECT_EQ(quality, 1u);
  for (int type = 1; type <= 16; ++type) {
    EXPECT_EQ(direct3D->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                                   static_cast<D3DMULTISAMPLE_TYPE>(type), &quality),
              D3DERR_NOTAVAILABLE);
  }

  // Texture formats the texture loader may pick, and the blending query of the glyph font.
  for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A4R4G4B4, D3DFMT_R5G6B5, D3DFMT_L8, D3DFMT_A8L8,
                           D3DFMT_DXT1, D3DFMT_DXT5, D3DFMT_A16B16G16R16F, D3DFMT_V8U8}) {
    EXPECT_EQ(direct3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, format), D3D_OK)
        << format;
  }
  for (D3DFORMAT format : {D3DFMT_R8G8B8, D3DFMT_P8, D3DFMT_UYVY, D3DFMT_D24S8, D3DFMT_MULTI2_ARGB8}) {
    EXPECT_EQ(direct3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, format),
              D3DERR_NOTAVAILABLE)
        << format;
  }
  EXPECT_EQ(direct3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                        D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING | D3DUSAGE_RENDERTARGET,
                                        D3DRTYPE_SURFACE, D3DFMT_X8R8G8B8),
            D3D_OK);
  EXPECT_EQ(direct3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE,
                                        D3DFMT_L8),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(direct3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_AUTOGENMIPMAP, D3DRTYPE_TEXTURE,
                                        D3DFMT_A8R8G8B8),
            D3DOK_NOAUTOGEN);
  EXPECT_EQ(direct3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8),
            D3DERR_NOTAVAILABLE);
}

}  // namespace
}  // namespace platform::d3d9
