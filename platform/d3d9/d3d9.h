// The software Direct3D 9: its published interfaces as abstract classes, in the platform's
// method order, and the module's entry points. Value types are in d3d9_types.h.
#pragma once

#include "platform/d3d9/d3d9_types.h"

// Interface identifiers. IUnknown's is the platform's; the Direct3D ones identify this layer's
// interfaces for QueryInterface and GetContainer.
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID prismDirect3DInterfaceId(WORD index) {
  return {0x50524953, 0x4D39, index, {0x9A, 0x6E, 0x21, 0x44, 0x33, 0x44, 0x39, 0x00}};
}
inline constexpr IID IID_IDirect3D9 = prismDirect3DInterfaceId(1);
inline constexpr IID IID_IDirect3DDevice9 = prismDirect3DInterfaceId(2);
inline constexpr IID IID_IDirect3DResource9 = prismDirect3DInterfaceId(3);
inline constexpr IID IID_IDirect3DBaseTexture9 = prismDirect3DInterfaceId(4);
inline constexpr IID IID_IDirect3DTexture9 = prismDirect3DInterfaceId(5);
inline constexpr IID IID_IDirect3DCubeTexture9 = prismDirect3DInterfaceId(6);
inline constexpr IID IID_IDirect3DVolumeTexture9 = prismDirect3DInterfaceId(7);
inline constexpr IID IID_IDirect3DSurface9 = prismDirect3DInterfaceId(8);
inline constexpr IID IID_IDirect3DVolume9 = prismDirect3DInterfaceId(9);
inline constexpr IID IID_IDirect3DVertexBuffer9 = prismDirect3DInterfaceId(10);
inline constexpr IID IID_IDirect3DIndexBuffer9 = prismDirect3DInterfaceId(11);
inline constexpr IID IID_IDirect3DVertexDeclaration9 = prismDirect3DInterfaceId(12);
inline constexpr IID IID_IDirect3DVertexShader9 = prismDirect3DInterfaceId(13);
inline constexpr IID IID_IDirect3DPixelShader9 = prismDirect3DInterfaceId(14);
inline constexpr IID IID_IDirect3DStateBlock9 = prismDirect3DInterfaceId(15);
inline constexpr IID IID_IDirect3DSwapChain9 = prismDirect3DInterfaceId(16);

class IUnknown {
 public:
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};

class IDirect3DDevice9;
class IDirect3DSurface9;
class IDirect3DVolume9;
class IDirect3DSwapChain9;  // additional swap chains are not offered
class IDirect3DQuery9;      // queries are not offered

class IDirect3D9 : public IUnknown {
 public:
  virtual HRESULT RegisterSoftwareDevice(void* initializeFunction) = 0;
  virtual UINT GetAdapterCount() = 0;
  virtual HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* identifier) = 0;
  virtual UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) = 0;
  virtual HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* displayMode) = 0;
  virtual HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) = 0;
  virtual HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat,
                                  D3DFORMAT backBufferFormat, BOOL windowed) = 0;
  virtual HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat, DWORD usage,
                                    D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) = 0;
  virtual HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT surfaceFormat,
                                             BOOL windowed, D3DMULTISAMPLE_TYPE multiSampleType,
                                             DWORD* qualityLevels) = 0;
  virtual HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat,
                                         D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) = 0;
  virtual HRESULT CheckDeviceFormatConversion(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT sourceFormat,
                                              D3DFORMAT targetFormat) = 0;
  virtual HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS9* caps) = 0;
  virtual HMONITOR GetAdapterMonitor(UINT adapter) = 0;
  virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                               D3DPRESENT_PARAMETERS* presentationParameters,
                               IDirect3DDevice9** returnedDeviceInterface) = 0;

 protected:
  ~IDirect3D9() = default;
};

class IDirect3DResource9 : public IUnknown {
 public:
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  virtual HRESULT SetPrivateData(REFIID guid, const void* data, DWORD sizeOfData, DWORD flags) = 0;
  virtual HRESULT GetPrivateData(REFIID guid, void* data, DWORD* sizeOfData) = 0;
  virtual HRESULT FreePrivateData(REFIID guid) = 0;
  virtual DWORD SetPriority(DWORD priorityNew) = 0;
  virtual DWORD GetPriority() = 0;
  virtual void PreLoad() = 0;
  virtual D3DRESOURCETYPE GetType() = 0;

 protected:
  ~IDirect3DResource9() = default;
};

class IDirect3DBaseTexture9 : public IDirect3DResource9 {
 public:
  virtual DWORD SetLOD(DWORD lodNew) = 0;
  virtual DWORD GetLOD() = 0;
  virtual DWORD GetLevelCount() = 0;
  virtual HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE filterType) = 0;
  virtual D3DTEXTUREFILTERTYPE GetAutoGenFilterType() = 0;
  virtual void GenerateMipSubLevels() = 0;

 protected:
  ~IDirect3DBaseTexture9() = default;
};

class IDirect3DTexture9 : public IDirect3DBaseTexture9 {
 public:
  virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
  virtual HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surfaceLevel) = 0;
  virtual HRESULT LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) = 0;
  virtual HRESULT UnlockRect(UINT level) = 0;
  virtual HRESULT AddDirtyRect(const RECT* dirtyRect) = 0;

 protected:
  ~IDirect3DTexture9() = default;
};

class IDirect3DCubeTexture9 : public IDirect3DBaseTexture9 {
 public:
  virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
  virtual HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES faceType, UINT level, IDirect3DSurface9** cubeMapSurface) = 0;
  virtual HRESULT LockRect(D3DCUBEMAP_FACES faceType, UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect,
                           DWORD flags) = 0;
  virtual HRESULT UnlockRect(D3DCUBEMAP_FACES faceType, UINT level) = 0;
  virtual HRESULT AddDirtyRect(D3DCUBEMAP_FACES faceType, const RECT* dirtyRect) = 0;

 protected:
  ~IDirect3DCubeTexture9() = default;
};

class IDirect3DVolumeTexture9 : public IDirect3DBaseTexture9 {
 public:
  virtual HRESULT GetLevelDesc(UINT level, D3DVOLUME_DESC* desc) = 0;
  virtual HRESULT GetVolumeLevel(UINT level, IDirect3DVolume9** volumeLevel) = 0;
  virtual HRESULT LockBox(UINT level, D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) = 0;
  virtual HRESULT UnlockBox(UINT level) = 0;
  virtual HRESULT AddDirtyBox(const D3DBOX* dirtyBox) = 0;

 protected:
  ~IDirect3DVolumeTexture9() = default;
};

class IDirect3DSurface9 : public IDirect3DResource9 {
 public:
  virtual HRESULT GetContainer(REFIID riid, void** container) = 0;
  virtual HRESULT GetDesc(D3DSURFACE_DESC* desc) = 0;
  virtual HRESULT LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) = 0;
  virtual HRESULT UnlockRect() = 0;
  virtual HRESULT GetDC(HDC* dc) = 0;
  virtual HRESULT ReleaseDC(HDC dc) = 0;

 protected:
  ~IDirect3DSurface9() = default;
};

class IDirect3DVolume9 : public IUnknown {
 public:
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  virtual HRESULT SetPrivateData(REFIID guid, const void* data, DWORD sizeOfData, DWORD flags) = 0;
  virtual HRESULT GetPrivateData(REFIID guid, void* data, DWORD* sizeOfData) = 0;
  virtual HRESULT FreePrivateData(REFIID guid) = 0;
  virtual HRESULT GetContainer(REFIID riid, void** container) = 0;
  virtual HRESULT GetDesc(D3DVOLUME_DESC* desc) = 0;
  virtual HRESULT LockBox(D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) = 0;
  virtual HRESULT UnlockBox() = 0;

 protected:
  ~IDirect3DVolume9() = default;
};

class IDirect3DVertexBuffer9 : public IDirect3DResource9 {
 public:
  virtual HRESULT Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) = 0;

 protected:
  ~IDirect3DVertexBuffer9() = default;
};

class IDirect3DIndexBuffer9 : public IDirect3DResource9 {
 public:
  virtual HRESULT Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) = 0;

 protected:
  ~IDirect3DIndexBuffer9() = default;
};

class IDirect3DVertexDeclaration9 : public IUnknown {
 public:
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  // With elements null, writes only the element count (end marker included).
  virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* numElements) = 0;

 protected:
  ~IDirect3DVertexDeclaration9() = default;
};

class IDirect3DVertexShader9 : public IUnknown {
 public:
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  // With data null, writes only the size in bytes.
  virtual HRESULT GetFunction(void* data, UINT* sizeOfData) = 0;

 protected:
  ~IDirect3DVertexShader9() = default;
};

class IDirect3DPixelShader9 : public IUnknown {
 public:
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  virtual HRESULT GetFunction(void* data, UINT* sizeOfData) = 0;

 protected:
  ~IDirect3DPixelShader9() = default;
};

class IDirect3DStateBlock9 : public IUnknown {
 public:
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  virtual HRESULT Capture() = 0;
  virtual HRESULT Apply() = 0;

 protected:
  ~IDirect3DStateBlock9() = default;
};

class IDirect3DDevice9 : public IUnknown {
 public:
  virtual HRESULT TestCooperativeLevel() = 0;
  virtual UINT GetAvailableTextureMem() = 0;
  virtual HRESULT EvictManagedResources() = 0;
  virtual HRESULT GetDirect3D(IDirect3D9** direct3D) = 0;
  virtual HRESULT GetDeviceCaps(D3DCAPS9* caps) = 0;
  virtual HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) = 0;
  virtual HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) = 0;
  virtual HRESULT SetCursorProperties(UINT xHotSpot, UINT yHotSpot, IDirect3DSurface9* cursorBitmap) = 0;
  virtual void SetCursorPosition(int x, int y, DWORD flags) = 0;
  virtual BOOL ShowCursor(BOOL show) = 0;
  virtual HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* presentationParameters,
                                            IDirect3DSwapChain9** swapChain) = 0;
  virtual HRESULT GetSwapChain(UINT swapChain, IDirect3DSwapChain9** swapChainOut) = 0;
  virtual UINT GetNumberOfSwapChains() = 0;
  virtual HRESULT Reset(D3DPRESENT_PARAMETERS* presentationParameters) = 0;
  virtual HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                          const void* dirtyRegion) = 0;
  virtual HRESULT GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
                                IDirect3DSurface9** backBufferOut) = 0;
  virtual HRESULT GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* rasterStatus) = 0;
  virtual HRESULT SetDialogBoxMode(BOOL enableDialogs) = 0;
  virtual void SetGammaRamp(UINT swapChain, DWORD flags, const D3DGAMMARAMP* ramp) = 0;
  virtual void GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) = 0;
  virtual HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                IDirect3DTexture9** texture, HANDLE* sharedHandle) = 0;
  virtual HRESULT CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage, D3DFORMAT format,
                                      D3DPOOL pool, IDirect3DVolumeTexture9** volumeTexture, HANDLE* sharedHandle) = 0;
  virtual HRESULT CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                    IDirect3DCubeTexture9** cubeTexture, HANDLE* sharedHandle) = 0;
  virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                     IDirect3DVertexBuffer9** vertexBuffer, HANDLE* sharedHandle) = 0;
  virtual HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                    IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) = 0;
  virtual HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                     DWORD multisampleQuality, BOOL lockable, IDirect3DSurface9** surface,
                                     HANDLE* sharedHandle) = 0;
  virtual HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                            DWORD multisampleQuality, BOOL discard, IDirect3DSurface9** surface,
                                            HANDLE* sharedHandle) = 0;
  virtual HRESULT UpdateSurface(IDirect3DSurface9* sourceSurface, const RECT* sourceRect,
                                IDirect3DSurface9* destinationSurface, const POINT* destPoint) = 0;
  virtual HRESULT UpdateTexture(IDirect3DBaseTexture9* sourceTexture, IDirect3DBaseTexture9* destinationTexture) = 0;
  virtual HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destSurface) = 0;
  virtual HRESULT GetFrontBufferData(UINT swapChain, IDirect3DSurface9* destSurface) = 0;
  virtual HRESULT StretchRect(IDirect3DSurface9* sourceSurface, const RECT* sourceRect, IDirect3DSurface9* destSurface,
                              const RECT* destRect, D3DTEXTUREFILTERTYPE filter) = 0;
  virtual HRESULT ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) = 0;
  virtual HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                              IDirect3DSurface9** surface, HANDLE* sharedHandle) = 0;
  virtual HRESULT SetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9* renderTarget) = 0;
  virtual HRESULT GetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9** renderTarget) = 0;
  virtual HRESULT SetDepthStencilSurface(IDirect3DSurface9* newZStencil) = 0;
  virtual HRESULT GetDepthStencilSurface(IDirect3DSurface9** zStencilSurface) = 0;
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) = 0;
  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
  virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) = 0;
  virtual HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
  virtual HRESULT SetViewport(const D3DVIEWPORT9* viewport) = 0;
  virtual HRESULT GetViewport(D3DVIEWPORT9* viewport) = 0;
  virtual HRESULT SetMaterial(const D3DMATERIAL9* material) = 0;
  virtual HRESULT GetMaterial(D3DMATERIAL9* material) = 0;
  virtual HRESULT SetLight(DWORD index, const D3DLIGHT9* light) = 0;
  virtual HRESULT GetLight(DWORD index, D3DLIGHT9* light) = 0;
  virtual HRESULT LightEnable(DWORD index, BOOL enable) = 0;
  virtual HRESULT GetLightEnable(DWORD index, BOOL* enable) = 0;
  virtual HRESULT SetClipPlane(DWORD index, const float* plane) = 0;
  virtual HRESULT GetClipPlane(DWORD index, float* plane) = 0;
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
  virtual HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** stateBlock) = 0;
  virtual HRESULT BeginStateBlock() = 0;
  virtual HRESULT EndStateBlock(IDirect3DStateBlock9** stateBlock) = 0;
  virtual HRESULT SetClipStatus(const D3DCLIPSTATUS9* clipStatus) = 0;
  virtual HRESULT GetClipStatus(D3DCLIPSTATUS9* clipStatus) = 0;
  virtual HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) = 0;
  virtual HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) = 0;
  virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) = 0;
  virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) = 0;
  virtual HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) = 0;
  virtual HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) = 0;
  virtual HRESULT ValidateDevice(DWORD* numPasses) = 0;
  virtual HRESULT SetPaletteEntries(UINT paletteNumber, const PALETTEENTRY* entries) = 0;
  virtual HRESULT GetPaletteEntries(UINT paletteNumber, PALETTEENTRY* entries) = 0;
  virtual HRESULT SetCurrentTexturePalette(UINT paletteNumber) = 0;
  virtual HRESULT GetCurrentTexturePalette(UINT* paletteNumber) = 0;
  virtual HRESULT SetScissorRect(const RECT* rect) = 0;
  virtual HRESULT GetScissorRect(RECT* rect) = 0;
  virtual HRESULT SetSoftwareVertexProcessing(BOOL software) = 0;
  virtual BOOL GetSoftwareVertexProcessing() = 0;
  virtual HRESULT SetNPatchMode(float segments) = 0;
  virtual float GetNPatchMode() = 0;
  virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) = 0;
  virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, INT baseVertexIndex, UINT minVertexIndex,
                                       UINT numVertices, UINT startIndex, UINT primitiveCount) = 0;
  virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount, const void* vertexStreamZeroData,
                                  UINT vertexStreamZeroStride) = 0;
  virtual HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex, UINT numVertices,
                                         UINT primitiveCount, const void* indexData, D3DFORMAT indexDataFormat,
                                         const void* vertexStreamZeroData, UINT vertexStreamZeroStride) = 0;
  virtual HRESULT ProcessVertices(UINT srcStartIndex, UINT destIndex, UINT vertexCount,
                                  IDirect3DVertexBuffer9* destBuffer, IDirect3DVertexDeclaration9* vertexDecl,
                                  DWORD flags) = 0;
  virtual HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* vertexElements,
                                          IDirect3DVertexDeclaration9** decl) = 0;
  virtual HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* decl) = 0;
  virtual HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** decl) = 0;
  virtual HRESULT SetFVF(DWORD fvf) = 0;
  virtual HRESULT GetFVF(DWORD* fvf) = 0;
  virtual HRESULT CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader) = 0;
  virtual HRESULT SetVertexShader(IDirect3DVertexShader9* shader) = 0;
  virtual HRESULT GetVertexShader(IDirect3DVertexShader9** shader) = 0;
  virtual HRESULT SetVertexShaderConstantF(UINT startRegister, const float* constantData, UINT vector4fCount) = 0;
  virtual HRESULT GetVertexShaderConstantF(UINT startRegister, float* constantData, UINT vector4fCount) = 0;
  virtual HRESULT SetVertexShaderConstantI(UINT startRegister, const int* constantData, UINT vector4iCount) = 0;
  virtual HRESULT GetVertexShaderConstantI(UINT startRegister, int* constantData, UINT vector4iCount) = 0;
  virtual HRESULT SetVertexShaderConstantB(UINT startRegister, const BOOL* constantData, UINT boolCount) = 0;
  virtual HRESULT GetVertexShaderConstantB(UINT startRegister, BOOL* constantData, UINT boolCount) = 0;
  virtual HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData, UINT offsetInBytes,
                                  UINT stride) = 0;
  virtual HRESULT GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9** streamData, UINT* offsetInBytes,
                                  UINT* stride) = 0;
  virtual HRESULT SetStreamSourceFreq(UINT streamNumber, UINT setting) = 0;
  virtual HRESULT GetStreamSourceFreq(UINT streamNumber, UINT* setting) = 0;
  virtual HRESULT SetIndices(IDirect3DIndexBuffer9* indexData) = 0;
  virtual HRESULT GetIndices(IDirect3DIndexBuffer9** indexData) = 0;
  virtual HRESULT CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** shader) = 0;
  virtual HRESULT SetPixelShader(IDirect3DPixelShader9* shader) = 0;
  virtual HRESULT GetPixelShader(IDirect3DPixelShader9** shader) = 0;
  virtual HRESULT SetPixelShaderConstantF(UINT startRegister, const float* constantData, UINT vector4fCount) = 0;
  virtual HRESULT GetPixelShaderConstantF(UINT startRegister, float* constantData, UINT vector4fCount) = 0;
  virtual HRESULT SetPixelShaderConstantI(UINT startRegister, const int* constantData, UINT vector4iCount) = 0;
  virtual HRESULT GetPixelShaderConstantI(UINT startRegister, int* constantData, UINT vector4iCount) = 0;
  virtual HRESULT SetPixelShaderConstantB(UINT startRegister, const BOOL* constantData, UINT boolCount) = 0;
  virtual HRESULT GetPixelShaderConstantB(UINT startRegister, BOOL* constantData, UINT boolCount) = 0;
  virtual HRESULT DrawRectPatch(UINT handle, const float* numSegs, const D3DRECTPATCH_INFO* rectPatchInfo) = 0;
  virtual HRESULT DrawTriPatch(UINT handle, const float* numSegs, const D3DTRIPATCH_INFO* triPatchInfo) = 0;
  virtual HRESULT DeletePatch(UINT handle) = 0;
  virtual HRESULT CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) = 0;

 protected:
  ~IDirect3DDevice9() = default;
};

// The shader validator handed out by the export "Direct3DShaderValidatorCreate9". It checks
// a token stream one instruction at a time and reports through the callback: message types
// 1 and 5 are warnings, 2 and 6 errors. The callback's result is ignored.
using D3DSHADERVALIDATORCALLBACK = HRESULT (*)(const char* file, int line, DWORD messageType, DWORD code,
                                               const char* message, void* context);
inline constexpr DWORD D3DSHADERVALIDATOR_WARNING = 1;
inline constexpr DWORD D3DSHADERVALIDATOR_ERROR = 2;

class IDirect3DShaderValidator9 : public IUnknown {
 public:
  virtual HRESULT Begin(D3DSHADERVALIDATORCALLBACK callback, void* context, DWORD reserved) = 0;
  // Takes the words of one statement (the version token, one instruction with its
  // parameters, a comment, or the end token). A failure result means the stream is invalid.
  virtual HRESULT Instruction(const char* file, UINT line, const DWORD* tokens, DWORD tokenCount) = 0;
  virtual HRESULT End() = 0;

 protected:
  ~IDirect3DShaderValidator9() = default;
};

// The module's exports. Direct3DCreate9 gives null for any SDK version but 31.
IDirect3D9* Direct3DCreate9(UINT sdkVersion);
IDirect3DShaderValidator9* Direct3DShaderValidatorCreate9();
// Mutes (non-zero) or unmutes (0) the debug output of the runtime. The software runtime writes
// no debug output, so this only records the setting.
void DebugSetMute(DWORD mute);
using Direct3DCreate9Function = IDirect3D9* (*)(UINT);
using Direct3DShaderValidatorCreate9Function = IDirect3DShaderValidator9* (*)();
using DebugSetMuteFunction = void (*)(DWORD);

namespace platform::d3d9 {

// Registers "d3d9.dll" with its exports in the platform layer's module table.
void registerDirect3D9Module();

}  // namespace platform::d3d9
