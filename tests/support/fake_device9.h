// An IDirect3DDevice9 for loader tests: it forwards to a real device (when given one) but
// reports scripted caps, Direct3D object, display mode and creation parameters, and can make
// every texture it creates refuse locks (default pool render targets), as some drivers do.
// The test owns it; `references` shows whether the code under test released what it took.
#pragma once

#include <optional>

#include "platform/d3d9/d3d9.h"

namespace prism_test {

class FakeDevice9 : public IDirect3DDevice9 {
 public:
  // Calls not scripted below go here; without it they fail with D3DERR_NOTAVAILABLE.
  IDirect3DDevice9* inner = nullptr;
  // Scripted answers; unset ones are forwarded.
  std::optional<D3DCAPS9> caps;
  IDirect3D9* direct3D = nullptr;  // not owned; AddRef'ed when handed out
  std::optional<D3DDISPLAYMODE> displayMode;
  std::optional<D3DDEVICE_CREATION_PARAMETERS> creationParameters;
  // Textures are created in the default pool as render targets, so that their levels cannot
  // be locked but can be read back with GetRenderTargetData.
  bool unlockableTextures = false;
  ULONG references = 1;

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == IID_IDirect3DDevice9) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return references == 0 ? 0 : --references; }

  HRESULT GetDirect3D(IDirect3D9** out) override {
    if (direct3D) {
      direct3D->AddRef();
      *out = direct3D;
      return D3D_OK;
    }
    return inner ? inner->GetDirect3D(out) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetDeviceCaps(D3DCAPS9* out) override {
    if (caps) {
      *out = *caps;
      return D3D_OK;
    }
    return inner ? inner->GetDeviceCaps(out) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) override {
    if (displayMode) {
      *mode = *displayMode;
      return D3D_OK;
    }
    return inner ? inner->GetDisplayMode(swapChain, mode) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) override {
    if (creationParameters) {
      *parameters = *creationParameters;
      return D3D_OK;
    }
    return inner ? inner->GetCreationParameters(parameters) : D3DERR_NOTAVAILABLE;
  }
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        IDirect3DTexture9** texture, HANDLE* sharedHandle) override {
    if (!inner) return D3DERR_NOTAVAILABLE;
    if (unlockableTextures && pool != D3DPOOL_SYSTEMMEM && pool != D3DPOOL_SCRATCH) {
      return inner->CreateTexture(width, height, levels, usage | D3DUSAGE_RENDERTARGET, format, D3DPOOL_DEFAULT,
                                  texture, sharedHandle);
    }
    return inner->CreateTexture(width, height, levels, usage, format, pool, texture, sharedHandle);
  }
  HRESULT CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, IDirect3DVolumeTexture9** texture, HANDLE* sharedHandle) override {
    if (!inner) return D3DERR_NOTAVAILABLE;
    if (unlockableTextures && pool != D3DPOOL_SYSTEMMEM && pool != D3DPOOL_SCRATCH) pool = D3DPOOL_DEFAULT;
    return inner->CreateVolumeTexture(width, height, depth, levels, usage, format, pool, texture, sharedHandle);
  }
  HRESULT CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DCubeTexture9** texture, HANDLE* sharedHandle) override {
    if (!inner) return D3DERR_NOTAVAILABLE;
    if (unlockableTextures && pool != D3DPOOL_SYSTEMMEM && pool != D3DPOOL_SCRATCH) {
      return inner->CreateCubeTexture(edge, levels, usage | D3DUSAGE_RENDERTARGET, format, D3DPOOL_DEFAULT, texture,
                                      sharedHandle);
    }
    return inner->CreateCubeTexture(edge, levels, usage, format, pool, texture, sharedHandle);
  }

  // Everything else is forwarded.
  HRESULT TestCooperativeLevel() override { return inner ? inner->TestCooperativeLevel() : D3DERR_NOTAVAILABLE; }
  UINT GetAvailableTextureMem() override { return inner ? inner->GetAvailableTextureMem() : UINT{}; }
  HRESULT EvictManagedResources() override { return inner ? inner->EvictManagedResources() : D3DERR_NOTAVAILABLE; }
  HRESULT SetCursorProperties(UINT xHotSpot, UINT yHotSpot, IDirect3DSurface9* cursorBitmap) override {
    return inner ? inner->SetCursorProperties(xHotSpot, yHotSpot, cursorBitmap) : D3DERR_NOTAVAILABLE;
  }
  void SetCursorPosition(int x, int y, DWORD flags) override {
    if (inner) inner->SetCursorPosition(x, y, flags);
  }
  BOOL ShowCursor(BOOL show) override { return inner ? inner->ShowCursor(show) : BOOL{}; }
  HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* presentationParameters,
                                    IDirect3DSwapChain9** swapChain) override {
    return inner ? inner->CreateAdditionalSwapChain(presentationParameters, swapChain) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetSwapChain(UINT swapChain, IDirect3DSwapChain9** swapChainOut) override {
    return inner ? inner->GetSwapChain(swapChain, swapChainOut) : D3DERR_NOTAVAILABLE;
  }
  UINT GetNumberOfSwapChains() override { return inner ? inner->GetNumberOfSwapChains() : UINT{}; }
  HRESULT Reset(D3DPRESENT_PARAMETERS* presentationParameters) override {
    return inner ? inner->Reset(presentationParameters) : D3DERR_NOTAVAILABLE;
  }
  HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                  const void* dirtyRegion) override {
    return inner ? inner->Present(sourceRect, destRect, destWindowOverride, dirtyRegion) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
                        IDirect3DSurface9** backBufferOut) override {
    return inner ? inner->GetBackBuffer(swapChain, backBuffer, type, backBufferOut) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* rasterStatus) override {
    return inner ? inner->GetRasterStatus(swapChain, rasterStatus) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetDialogBoxMode(BOOL enableDialogs) override {
    return inner ? inner->SetDialogBoxMode(enableDialogs) : D3DERR_NOTAVAILABLE;
  }
  void SetGammaRamp(UINT swapChain, DWORD flags, const D3DGAMMARAMP* ramp) override {
    if (inner) inner->SetGammaRamp(swapChain, flags, ramp);
  }
  void GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) override {
    if (inner) inner->GetGammaRamp(swapChain, ramp);
  }
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** vertexBuffer,
                             HANDLE* sharedHandle) override {
    return inner ? inner->CreateVertexBuffer(length, usage, fvf, pool, vertexBuffer, sharedHandle)
                 : D3DERR_NOTAVAILABLE;
  }
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) override {
    return inner ? inner->CreateIndexBuffer(length, usage, format, pool, indexBuffer, sharedHandle)
                 : D3DERR_NOTAVAILABLE;
  }
  HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                             DWORD multisampleQuality, BOOL lockable, IDirect3DSurface9** surface,
                             HANDLE* sharedHandle) override {
    return inner ? inner->CreateRenderTarget(width, height, format, multiSample, multisampleQuality, lockable, surface,
                                             sharedHandle)
                 : D3DERR_NOTAVAILABLE;
  }
  HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                    DWORD multisampleQuality, BOOL discard, IDirect3DSurface9** surface,
                                    HANDLE* sharedHandle) override {
    return inner ? inner->CreateDepthStencilSurface(width, height, format, multiSample, multisampleQuality, discard,
                                                    surface, sharedHandle)
                 : D3DERR_NOTAVAILABLE;
  }
  HRESULT UpdateSurface(IDirect3DSurface9* sourceSurface, const RECT* sourceRect, IDirect3DSurface9* destinationSurface,
                        const POINT* destPoint) override {
    return inner ? inner->UpdateSurface(sourceSurface, sourceRect, destinationSurface, destPoint) : D3DERR_NOTAVAILABLE;
  }
  HRESULT UpdateTexture(IDirect3DBaseTexture9* sourceTexture, IDirect3DBaseTexture9* destinationTexture) override {
    return inner ? inner->UpdateTexture(sourceTexture, destinationTexture) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destSurface) override {
    return inner ? inner->GetRenderTargetData(renderTarget, destSurface) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetFrontBufferData(UINT swapChain, IDirect3DSurface9* destSurface) override {
    return inner ? inner->GetFrontBufferData(swapChain, destSurface) : D3DERR_NOTAVAILABLE;
  }
  HRESULT StretchRect(IDirect3DSurface9* sourceSurface, const RECT* sourceRect, IDirect3DSurface9* destSurface,
                      const RECT* destRect, D3DTEXTUREFILTERTYPE filter) override {
    return inner ? inner->StretchRect(sourceSurface, sourceRect, destSurface, destRect, filter) : D3DERR_NOTAVAILABLE;
  }
  HRESULT ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) override {
    return inner ? inner->ColorFill(surface, rect, color) : D3DERR_NOTAVAILABLE;
  }
  HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DSurface9** surface, HANDLE* sharedHandle) override {
    return inner ? inner->CreateOffscreenPlainSurface(width, height, format, pool, surface, sharedHandle)
                 : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9* renderTarget) override {
    return inner ? inner->SetRenderTarget(renderTargetIndex, renderTarget) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9** renderTarget) override {
    return inner ? inner->GetRenderTarget(renderTargetIndex, renderTarget) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetDepthStencilSurface(IDirect3DSurface9* newZStencil) override {
    return inner ? inner->SetDepthStencilSurface(newZStencil) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetDepthStencilSurface(IDirect3DSurface9** zStencilSurface) override {
    return inner ? inner->GetDepthStencilSurface(zStencilSurface) : D3DERR_NOTAVAILABLE;
  }
  HRESULT BeginScene() override { return inner ? inner->BeginScene() : D3DERR_NOTAVAILABLE; }
  HRESULT EndScene() override { return inner ? inner->EndScene() : D3DERR_NOTAVAILABLE; }
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override {
    return inner ? inner->Clear(count, rects, flags, color, z, stencil) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override {
    return inner ? inner->SetTransform(state, matrix) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override {
    return inner ? inner->GetTransform(state, matrix) : D3DERR_NOTAVAILABLE;
  }
  HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override {
    return inner ? inner->MultiplyTransform(state, matrix) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetViewport(const D3DVIEWPORT9* viewport) override {
    return inner ? inner->SetViewport(viewport) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetViewport(D3DVIEWPORT9* viewport) override {
    return inner ? inner->GetViewport(viewport) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetMaterial(const D3DMATERIAL9* material) override {
    return inner ? inner->SetMaterial(material) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetMaterial(D3DMATERIAL9* material) override {
    return inner ? inner->GetMaterial(material) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override {
    return inner ? inner->SetLight(index, light) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetLight(DWORD index, D3DLIGHT9* light) override {
    return inner ? inner->GetLight(index, light) : D3DERR_NOTAVAILABLE;
  }
  HRESULT LightEnable(DWORD index, BOOL enable) override {
    return inner ? inner->LightEnable(index, enable) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetLightEnable(DWORD index, BOOL* enable) override {
    return inner ? inner->GetLightEnable(index, enable) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetClipPlane(DWORD index, const float* plane) override {
    return inner ? inner->SetClipPlane(index, plane) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetClipPlane(DWORD index, float* plane) override {
    return inner ? inner->GetClipPlane(index, plane) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
    return inner ? inner->SetRenderState(state, value) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override {
    return inner ? inner->GetRenderState(state, value) : D3DERR_NOTAVAILABLE;
  }
  HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** stateBlock) override {
    return inner ? inner->CreateStateBlock(type, stateBlock) : D3DERR_NOTAVAILABLE;
  }
  HRESULT BeginStateBlock() override { return inner ? inner->BeginStateBlock() : D3DERR_NOTAVAILABLE; }
  HRESULT EndStateBlock(IDirect3DStateBlock9** stateBlock) override {
    return inner ? inner->EndStateBlock(stateBlock) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetClipStatus(const D3DCLIPSTATUS9* clipStatus) override {
    return inner ? inner->SetClipStatus(clipStatus) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetClipStatus(D3DCLIPSTATUS9* clipStatus) override {
    return inner ? inner->GetClipStatus(clipStatus) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override {
    return inner ? inner->GetTexture(stage, texture) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override {
    return inner ? inner->SetTexture(stage, texture) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override {
    return inner ? inner->GetTextureStageState(stage, type, value) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override {
    return inner ? inner->SetTextureStageState(stage, type, value) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override {
    return inner ? inner->GetSamplerState(sampler, type, value) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override {
    return inner ? inner->SetSamplerState(sampler, type, value) : D3DERR_NOTAVAILABLE;
  }
  HRESULT ValidateDevice(DWORD* numPasses) override {
    return inner ? inner->ValidateDevice(numPasses) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetPaletteEntries(UINT paletteNumber, const PALETTEENTRY* entries) override {
    return inner ? inner->SetPaletteEntries(paletteNumber, entries) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetPaletteEntries(UINT paletteNumber, PALETTEENTRY* entries) override {
    return inner ? inner->GetPaletteEntries(paletteNumber, entries) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetCurrentTexturePalette(UINT paletteNumber) override {
    return inner ? inner->SetCurrentTexturePalette(paletteNumber) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetCurrentTexturePalette(UINT* paletteNumber) override {
    return inner ? inner->GetCurrentTexturePalette(paletteNumber) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetScissorRect(const RECT* rect) override {
    return inner ? inner->SetScissorRect(rect) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetScissorRect(RECT* rect) override { return inner ? inner->GetScissorRect(rect) : D3DERR_NOTAVAILABLE; }
  HRESULT SetSoftwareVertexProcessing(BOOL software) override {
    return inner ? inner->SetSoftwareVertexProcessing(software) : D3DERR_NOTAVAILABLE;
  }
  BOOL GetSoftwareVertexProcessing() override { return inner ? inner->GetSoftwareVertexProcessing() : BOOL{}; }
  HRESULT SetNPatchMode(float segments) override {
    return inner ? inner->SetNPatchMode(segments) : D3DERR_NOTAVAILABLE;
  }
  float GetNPatchMode() override { return inner ? inner->GetNPatchMode() : float{}; }
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) override {
    return inner ? inner->DrawPrimitive(primitiveType, startVertex, primitiveCount) : D3DERR_NOTAVAILABLE;
  }
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, INT baseVertexIndex, UINT minVertexIndex,
                               UINT numVertices, UINT startIndex, UINT primitiveCount) override {
    return inner ? inner->DrawIndexedPrimitive(primitiveType, baseVertexIndex, minVertexIndex, numVertices, startIndex,
                                               primitiveCount)
                 : D3DERR_NOTAVAILABLE;
  }
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount, const void* vertexStreamZeroData,
                          UINT vertexStreamZeroStride) override {
    return inner ? inner->DrawPrimitiveUP(primitiveType, primitiveCount, vertexStreamZeroData, vertexStreamZeroStride)
                 : D3DERR_NOTAVAILABLE;
  }
  HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex, UINT numVertices,
                                 UINT primitiveCount, const void* indexData, D3DFORMAT indexDataFormat,
                                 const void* vertexStreamZeroData, UINT vertexStreamZeroStride) override {
    return inner ? inner->DrawIndexedPrimitiveUP(primitiveType, minVertexIndex, numVertices, primitiveCount, indexData,
                                                 indexDataFormat, vertexStreamZeroData, vertexStreamZeroStride)
                 : D3DERR_NOTAVAILABLE;
  }
  HRESULT ProcessVertices(UINT srcStartIndex, UINT destIndex, UINT vertexCount, IDirect3DVertexBuffer9* destBuffer,
                          IDirect3DVertexDeclaration9* vertexDecl, DWORD flags) override {
    return inner ? inner->ProcessVertices(srcStartIndex, destIndex, vertexCount, destBuffer, vertexDecl, flags)
                 : D3DERR_NOTAVAILABLE;
  }
  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* vertexElements,
                                  IDirect3DVertexDeclaration9** decl) override {
    return inner ? inner->CreateVertexDeclaration(vertexElements, decl) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* decl) override {
    return inner ? inner->SetVertexDeclaration(decl) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** decl) override {
    return inner ? inner->GetVertexDeclaration(decl) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetFVF(DWORD fvf) override { return inner ? inner->SetFVF(fvf) : D3DERR_NOTAVAILABLE; }
  HRESULT GetFVF(DWORD* fvf) override { return inner ? inner->GetFVF(fvf) : D3DERR_NOTAVAILABLE; }
  HRESULT CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader) override {
    return inner ? inner->CreateVertexShader(function, shader) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetVertexShader(IDirect3DVertexShader9* shader) override {
    return inner ? inner->SetVertexShader(shader) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetVertexShader(IDirect3DVertexShader9** shader) override {
    return inner ? inner->GetVertexShader(shader) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetVertexShaderConstantF(UINT startRegister, const float* constantData, UINT vector4fCount) override {
    return inner ? inner->SetVertexShaderConstantF(startRegister, constantData, vector4fCount) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetVertexShaderConstantF(UINT startRegister, float* constantData, UINT vector4fCount) override {
    return inner ? inner->GetVertexShaderConstantF(startRegister, constantData, vector4fCount) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetVertexShaderConstantI(UINT startRegister, const int* constantData, UINT vector4iCount) override {
    return inner ? inner->SetVertexShaderConstantI(startRegister, constantData, vector4iCount) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetVertexShaderConstantI(UINT startRegister, int* constantData, UINT vector4iCount) override {
    return inner ? inner->GetVertexShaderConstantI(startRegister, constantData, vector4iCount) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetVertexShaderConstantB(UINT startRegister, const BOOL* constantData, UINT boolCount) override {
    return inner ? inner->SetVertexShaderConstantB(startRegister, constantData, boolCount) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetVertexShaderConstantB(UINT startRegister, BOOL* constantData, UINT boolCount) override {
    return inner ? inner->GetVertexShaderConstantB(startRegister, constantData, boolCount) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData, UINT offsetInBytes,
                          UINT stride) override {
    return inner ? inner->SetStreamSource(streamNumber, streamData, offsetInBytes, stride) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9** streamData, UINT* offsetInBytes,
                          UINT* stride) override {
    return inner ? inner->GetStreamSource(streamNumber, streamData, offsetInBytes, stride) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetStreamSourceFreq(UINT streamNumber, UINT setting) override {
    return inner ? inner->SetStreamSourceFreq(streamNumber, setting) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetStreamSourceFreq(UINT streamNumber, UINT* setting) override {
    return inner ? inner->GetStreamSourceFreq(streamNumber, setting) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetIndices(IDirect3DIndexBuffer9* indexData) override {
    return inner ? inner->SetIndices(indexData) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetIndices(IDirect3DIndexBuffer9** indexData) override {
    return inner ? inner->GetIndices(indexData) : D3DERR_NOTAVAILABLE;
  }
  HRESULT CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** shader) override {
    return inner ? inner->CreatePixelShader(function, shader) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetPixelShader(IDirect3DPixelShader9* shader) override {
    return inner ? inner->SetPixelShader(shader) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetPixelShader(IDirect3DPixelShader9** shader) override {
    return inner ? inner->GetPixelShader(shader) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetPixelShaderConstantF(UINT startRegister, const float* constantData, UINT vector4fCount) override {
    return inner ? inner->SetPixelShaderConstantF(startRegister, constantData, vector4fCount) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetPixelShaderConstantF(UINT startRegister, float* constantData, UINT vector4fCount) override {
    return inner ? inner->GetPixelShaderConstantF(startRegister, constantData, vector4fCount) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetPixelShaderConstantI(UINT startRegister, const int* constantData, UINT vector4iCount) override {
    return inner ? inner->SetPixelShaderConstantI(startRegister, constantData, vector4iCount) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetPixelShaderConstantI(UINT startRegister, int* constantData, UINT vector4iCount) override {
    return inner ? inner->GetPixelShaderConstantI(startRegister, constantData, vector4iCount) : D3DERR_NOTAVAILABLE;
  }
  HRESULT SetPixelShaderConstantB(UINT startRegister, const BOOL* constantData, UINT boolCount) override {
    return inner ? inner->SetPixelShaderConstantB(startRegister, constantData, boolCount) : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetPixelShaderConstantB(UINT startRegister, BOOL* constantData, UINT boolCount) override {
    return inner ? inner->GetPixelShaderConstantB(startRegister, constantData, boolCount) : D3DERR_NOTAVAILABLE;
  }
  HRESULT DrawRectPatch(UINT handle, const float* numSegs, const D3DRECTPATCH_INFO* rectPatchInfo) override {
    return inner ? inner->DrawRectPatch(handle, numSegs, rectPatchInfo) : D3DERR_NOTAVAILABLE;
  }
  HRESULT DrawTriPatch(UINT handle, const float* numSegs, const D3DTRIPATCH_INFO* triPatchInfo) override {
    return inner ? inner->DrawTriPatch(handle, numSegs, triPatchInfo) : D3DERR_NOTAVAILABLE;
  }
  HRESULT DeletePatch(UINT handle) override { return inner ? inner->DeletePatch(handle) : D3DERR_NOTAVAILABLE; }
  HRESULT CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) override {
    return inner ? inner->CreateQuery(type, query) : D3DERR_NOTAVAILABLE;
  }
};

}  // namespace prism_test
