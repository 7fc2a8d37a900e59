#include "platform/d3d9/adapter.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/d3d9/device_limits.h"
#include "platform/d3d9/format_table.h"

namespace platform::d3d9 {
namespace {

// The common display sizes offered below the desktop size.
constexpr std::array<SIZE, 14> kCommonModeSizes = {{
    {640, 480},
    {720, 480},
    {800, 600},
    {1024, 768},
    {1152, 864},
    {1280, 720},
    {1280, 800},
    {1280, 960},
    {1280, 1024},
    {1366, 768},
    {1440, 900},
    {1600, 1200},
    {1680, 1050},
    {1920, 1080},
}};

// The formats modes are offered in.
constexpr std::array kModeFormats = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5};

void copyText(char* destination, std::size_t capacity, const std::string& text) {
  std::size_t length = std::min(capacity - 1, text.size());
  std::memcpy(destination, text.data(), length);
  destination[length] = '\0';
}

std::vector<D3DDISPLAYMODE> modesFor(const D3DDISPLAYMODE& desktop) {
  std::vector<SIZE> sizes;
  for (SIZE size : kCommonModeSizes) {
    if (static_cast<UINT>(size.cx) <= desktop.Width && static_cast<UINT>(size.cy) <= desktop.Height) {
      sizes.push_back(size);
    }
  }
  SIZE desktopSize{static_cast<LONG>(desktop.Width), static_cast<LONG>(desktop.Height)};
  if (std::none_of(sizes.begin(), sizes.end(),
                   [&](SIZE s) { return s.cx == desktopSize.cx && s.cy == desktopSize.cy; })) {
    sizes.push_back(desktopSize);
  }
  std::sort(sizes.begin(), sizes.end(), [](SIZE a, SIZE b) { return a.cx != b.cx ? a.cx < b.cx : a.cy < b.cy; });
  std::vector<D3DDISPLAYMODE> modes;
  for (D3DFORMAT format : kModeFormats) {
    for (SIZE size : sizes) {
      modes.push_back({static_cast<UINT>(size.cx), static_cast<UINT>(size.cy), desktop.RefreshRate, format});
    }
  }
  return modes;
}

bool isDisplayFormat(D3DFORMAT format) { return formatHas(format, kSupportDisplay); }

}  // namespace

std::vector<Adapter> describeAdapters(const DisplaySystem& system) {
  std::vector<DisplayDescription> displays = system.displays();
  if (displays.empty()) displays = OffscreenDisplaySystem().displays();
  std::vector<Adapter> adapters;
  for (std::size_t i = 0; i < displays.size(); ++i) {
    Adapter adapter{};
    adapter.display = displays[i];
    D3DADAPTER_IDENTIFIER9& id = adapter.identifier;
    copyText(id.Driver, sizeof id.Driver, "prism_d3d9.dll");
    copyText(id.Description, sizeof id.Description, "Prism Software Rasterizer on " + displays[i].description);
    copyText(id.DeviceName, sizeof id.DeviceName, displays[i].name);
    id.DriverVersion.QuadPart = (LONGLONG{9} << 48) | (LONGLONG{1} << 16);  // product 0, version 9, 1.0
    id.DeviceIdentifier = {0x50524953, 0x4144, static_cast<WORD>(i), {0x53, 0x4F, 0x46, 0x54, 0x52, 0x41, 0x53, 0x54}};
    adapter.modes = modesFor(displays[i].desktop);
    adapter.currentMode = displays[i].desktop;
    adapters.push_back(adapter);
  }
  return adapters;
}

// The caps of the software rasteriser, one field per line in the structure's order.
D3DCAPS9 softwareDeviceCaps(UINT adapterOrdinal, D3DDEVTYPE type) {
  constexpr DWORD kFilters = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MIPFPOINT |
                             D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
  constexpr DWORD kAddressing = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP |
                                D3DPTADDRESSCAPS_BORDER | D3DPTADDRESSCAPS_INDEPENDENTUV | D3DPTADDRESSCAPS_MIRRORONCE;
  D3DCAPS9 caps{};
  caps.DeviceType = type;
  caps.AdapterOrdinal = adapterOrdinal;
  caps.Caps = 0;
  caps.Caps2 = D3DCAPS2_DYNAMICTEXTURES | D3DCAPS2_FULLSCREENGAMMA;
  caps.Caps3 = D3DCAPS3_COPY_TO_VIDMEM | D3DCAPS3_COPY_TO_SYSTEMMEM;
  caps.PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
  caps.CursorCaps = D3DCURSORCAPS_COLOR;
  caps.DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY | D3DDEVCAPS_TEXTURESYSTEMMEMORY |
                 D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP | D3DDEVCAPS_DRAWPRIMITIVES2 |
                 D3DDEVCAPS_DRAWPRIMITIVES2EX | D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION |
                 D3DDEVCAPS_PUREDEVICE;
  caps.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                           D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_CLIPTLVERTS | D3DPMISCCAPS_BLENDOP;
  caps.RasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_FOGVERTEX | D3DPRASTERCAPS_FOGTABLE |
                    D3DPRASTERCAPS_MIPMAPLODBIAS | D3DPRASTERCAPS_SCISSORTEST | D3DPRASTERCAPS_DEPTHBIAS |
                    D3DPRASTERCAPS_SLOPESCALEDEPTHBIAS;
  caps.ZCmpCaps = D3DPCMPCAPS_ALL;
  caps.SrcBlendCaps = D3DPBLENDCAPS_ALL;
  caps.DestBlendCaps = D3DPBLENDCAPS_ALL;
  caps.AlphaCmpCaps = D3DPCMPCAPS_ALL;
  caps.ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND |
                   D3DPSHADECAPS_FOGGOURAUD;
  // Powers of two for mipmapped 2D textures; other sizes with one level, clamped addressing.
  caps.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_ALPHA |
                     D3DPTEXTURECAPS_NONPOW2CONDITIONAL | D3DPTEXTURECAPS_PROJECTED | D3DPTEXTURECAPS_CUBEMAP |
                     D3DPTEXTURECAPS_VOLUMEMAP | D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_MIPVOLUMEMAP |
                     D3DPTEXTURECAPS_MIPCUBEMAP;
  caps.TextureFilterCaps = kFilters;
  caps.CubeTextureFilterCaps = kFilters;
  caps.VolumeTextureFilterCaps = kFilters;
  caps.TextureAddressCaps = kAddressing;
  caps.VolumeTextureAddressCaps = kAddressing;
  caps.LineCaps = D3DLINECAPS_TEXTURE | D3DLINECAPS_ZTEST | D3DLINECAPS_BLEND | D3DLINECAPS_ALPHACMP;
  caps.MaxTextureWidth = kMaxTextureSize;
  caps.MaxTextureHeight = kMaxTextureSize;
  caps.MaxVolumeExtent = kMaxVolumeExtent;
  caps.MaxTextureRepeat = 8192;
  caps.MaxTextureAspectRatio = kMaxTextureSize;
  caps.MaxAnisotropy = 1;
  caps.MaxVertexW = 1e10f;
  caps.GuardBandLeft = -32768.0f;
  caps.GuardBandTop = -32768.0f;
  caps.GuardBandRight = 32768.0f;
  caps.GuardBandBottom = 32768.0f;
  caps.ExtentsAdjust = 0.0f;
  caps.StencilCaps = D3DSTENCILCAPS_ALL;
  caps.FVFCaps = 8;  // texture coordinate sets
  caps.TextureOpCaps = D3DTEXOPCAPS_ALL;
  caps.MaxTextureBlendStages = kTextureStageCount;
  caps.MaxSimultaneousTextures = kTextureStageCount;
  caps.VertexProcessingCaps = D3DVTXPCAPS_TEXGEN | D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_DIRECTIONALLIGHTS |
                              D3DVTXPCAPS_POSITIONALLIGHTS | D3DVTXPCAPS_LOCALVIEWER;
  caps.MaxActiveLights = 8;
  caps.MaxUserClipPlanes = kClipPlaneCount;
  caps.MaxVertexBlendMatrices = 4;
  caps.MaxVertexBlendMatrixIndex = 0;
  caps.MaxPointSize = kMaxPointSize;
  caps.MaxPrimitiveCount = kMaxPrimitiveCount;
  caps.MaxVertexIndex = 0xFFFFFF;
  caps.MaxStreams = kStreamCount;
  caps.MaxStreamStride = 255;
  caps.VertexShaderVersion = D3DVS_VERSION(3, 0);
  caps.MaxVertexShaderConst = kVertexShaderFloatConstants;
  caps.PixelShaderVersion = D3DPS_VERSION(3, 0);
  caps.PixelShader1xMaxValue = 8.0f;
  caps.DevCaps2 = 0;
  caps.MaxNpatchTessellationLevel = 0.0f;
  caps.Reserved5 = 0;
  caps.MasterAdapterOrdinal = adapterOrdinal;
  caps.AdapterOrdinalInGroup = 0;
  caps.NumberOfAdaptersInGroup = 1;
  caps.DeclTypes = D3DDTCAPS_ALL;
  caps.NumSimultaneousRTs = 1;
  caps.StretchRectFilterCaps =
      D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
  caps.VS20Caps = {1, 24, 32, 4};
  caps.PS20Caps = {0x1F, 24, 32, 4, 512};
  caps.VertexTextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MAGFPOINT;
  caps.MaxVShaderInstructionsExecuted = 65535;
  caps.MaxPShaderInstructionsExecuted = 65535;
  caps.MaxVertexShader30InstructionSlots = 32768;
  caps.MaxPixelShader30InstructionSlots = 32768;
  return caps;
}

D3DFORMAT displayFormatForBackBuffer(D3DFORMAT backBufferFormat) {
  switch (backBufferFormat) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8: return D3DFMT_X8R8G8B8;
    case D3DFMT_A1R5G5B5:
    case D3DFMT_X1R5G5B5: return D3DFMT_X1R5G5B5;
    case D3DFMT_R5G6B5: return D3DFMT_R5G6B5;
    case D3DFMT_A2R10G10B10: return D3DFMT_A2R10G10B10;
    default: return D3DFMT_UNKNOWN;
  }
}

HRESULT checkDeviceType(D3DFORMAT displayFormat, D3DFORMAT backBufferFormat, bool windowed) {
  if (!isDisplayFormat(displayFormat)) return D3DERR_NOTAVAILABLE;
  if (windowed && formatHas(displayFormat, kSupportFullscreenOnly)) return D3DERR_NOTAVAILABLE;
  if (backBufferFormat == D3DFMT_UNKNOWN) return windowed ? D3D_OK : D3DERR_INVALIDCALL;
  if (!formatHas(backBufferFormat, kSupportBackBuffer)) return D3DERR_NOTAVAILABLE;
  // A window's frames are converted when presented; fullscreen shows the back buffer as it is.
  if (windowed) return D3D_OK;
  return displayFormatForBackBuffer(backBufferFormat) == displayFormat ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT checkDeviceFormat(D3DFORMAT adapterFormat, DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format) {
  if (!isDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
  const FormatInfo* info = findFormat(format);
  if (!info) return D3DERR_NOTAVAILABLE;
  constexpr DWORD kUnsupportedQueries =
      D3DUSAGE_QUERY_LEGACYBUMPMAP | D3DUSAGE_QUERY_SRGBREAD | D3DUSAGE_QUERY_SRGBWRITE | D3DUSAGE_DMAP;
  if (usage & kUnsupportedQueries) return D3DERR_NOTAVAILABLE;
  if (usage & D3DUSAGE_QUERY_VERTEXTEXTURE) {
    if (format != D3DFMT_R32F && format != D3DFMT_A32B32G32R32F) return D3DERR_NOTAVAILABLE;
  }
  const bool texture = type == D3DRTYPE_TEXTURE || type == D3DRTYPE_CUBETEXTURE || type == D3DRTYPE_VOLUMETEXTURE;
  if (usage & D3DUSAGE_DEPTHSTENCIL) {
    if (!(info->support & kSupportDepthStencil) || type != D3DRTYPE_SURFACE) return D3DERR_NOTAVAILABLE;
  }
  if (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING)) {
    if (!(info->support & kSupportRenderTarget) || type == D3DRTYPE_VOLUMETEXTURE) return D3DERR_NOTAVAILABLE;
  }
  switch (type) {
    case D3DRTYPE_SURFACE:
      if (!(info->support & (kSupportOffscreen | kSupportDepthStencil | kSupportRenderTarget))) {
        return D3DERR_NOTAVAILABLE;
      }
      break;
    case D3DRTYPE_TEXTURE:
    case D3DRTYPE_CUBETEXTURE:
    case D3DRTYPE_VOLUMETEXTURE:
      if (!(info->support & kSupportTexture)) return D3DERR_NOTAVAILABLE;
      break;
    case D3DRTYPE_VOLUME: return D3DERR_NOTAVAILABLE;
    case D3DRTYPE_VERTEXBUFFER: return format == D3DFMT_VERTEXDATA ? D3D_OK : D3DERR_NOTAVAILABLE;
    case D3DRTYPE_INDEXBUFFER: return (info->support & kSupportIndices) ? D3D_OK : D3DERR_NOTAVAILABLE;
    default: return D3DERR_INVALIDCALL;
  }
  // Textures may ask for generated mipmaps; the rasteriser makes none, so they get the status.
  if ((usage & D3DUSAGE_AUTOGENMIPMAP) && texture) {
    return type == D3DRTYPE_VOLUMETEXTURE ? D3DERR_NOTAVAILABLE : D3DOK_NOAUTOGEN;
  }
  return D3D_OK;
}

HRESULT checkDepthStencilMatch(D3DFORMAT adapterFormat, D3DFORMAT renderTargetFormat, D3DFORMAT depthFormat) {
  if (!isDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
  if (!formatHas(renderTargetFormat, kSupportRenderTarget)) return D3DERR_NOTAVAILABLE;
  if (!formatHas(depthFormat, kSupportDepthStencil)) return D3DERR_NOTAVAILABLE;
  return D3D_OK;
}

HRESULT checkMultiSampleType(D3DFORMAT surfaceFormat, D3DMULTISAMPLE_TYPE type, DWORD* qualityLevels) {
  if (qualityLevels) *qualityLevels = 0;
  if (type > D3DMULTISAMPLE_16_SAMPLES) return D3DERR_INVALIDCALL;
  if (!formatHas(surfaceFormat, kSupportRenderTarget) && !formatHas(surfaceFormat, kSupportDepthStencil)) {
    return D3DERR_NOTAVAILABLE;
  }
  if (type != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
  if (qualityLevels) *qualityLevels = 1;
  return D3D_OK;
}

HRESULT checkFormatConversion(D3DFORMAT sourceFormat, D3DFORMAT targetFormat) {
  if (!formatHas(targetFormat, kSupportBackBuffer)) return D3DERR_NOTAVAILABLE;
  if (sourceFormat == targetFormat) return D3D_OK;
  return formatHas(sourceFormat, kSupportRenderTarget) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

}  // namespace platform::d3d9
