// The software device: life cycle (creation, loss, Reset, Present), resources and state.
// Drawing checks its arguments here and hands the work to the pipeline (draw_call.h).
#pragma once

#include <array>
#include <map>
#include <memory>
#include <unordered_set>
#include <vector>

#include "platform/d3d9/adapter.h"
#include "platform/d3d9/band_workers.h"
#include "platform/d3d9/com_ptr.h"
#include "platform/d3d9/device_state.h"
#include "platform/d3d9/held_draws.h"
#include "platform/d3d9/state_block.h"
#include "platform/d3d9/surface.h"
#include "platform/d3d9/texture.h"
#include "platform/d3d9/texture_sampler.h"

namespace platform::d3d9 {

class Direct3D;
struct DrawRequest;

// The number of rasteriser workers a new device uses: the processor count, at most 8.
unsigned defaultRenderWorkers();

// What a device was created with, after the present parameters were checked and completed.
struct DeviceSetup {
  UINT adapter;
  D3DDEVTYPE type;
  HWND focusWindow;
  DWORD behaviorFlags;
};

// Checks present parameters for an adapter and fills in what they leave to the device
// (back-buffer size and format of a window, the back-buffer count). On failure the result is
// D3DERR_INVALIDCALL or D3DERR_NOTAVAILABLE.
HRESULT completePresentParameters(const Adapter& adapter, D3DDEVTYPE type, HWND focusWindow,
                                  D3DPRESENT_PARAMETERS* parameters);

class Device final : public IDirect3DDevice9 {
 public:
  // The present parameters must have passed completePresentParameters.
  static HRESULT create(Direct3D& direct3D, const DeviceSetup& setup, const D3DPRESENT_PARAMETERS& parameters,
                        IDirect3DDevice9** device);

  // IUnknown
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // IDirect3DDevice9: life cycle and presentation (device.cpp)
  HRESULT TestCooperativeLevel() override;
  UINT GetAvailableTextureMem() override;
  HRESULT EvictManagedResources() override;
  HRESULT GetDirect3D(IDirect3D9** direct3D) override;
  HRESULT GetDeviceCaps(D3DCAPS9* caps) override;
  HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) override;
  HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) override;
  HRESULT SetCursorProperties(UINT xHotSpot, UINT yHotSpot, IDirect3DSurface9* cursorBitmap) override;
  void SetCursorPosition(int x, int y, DWORD flags) override;
  BOOL ShowCursor(BOOL show) override;
  HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* parameters, IDirect3DSwapChain9** swapChain) override;
  HRESULT GetSwapChain(UINT swapChain, IDirect3DSwapChain9** swapChainOut) override;
  UINT GetNumberOfSwapChains() override;
  HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) override;
  HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                  const void* dirtyRegion) override;
  HRESULT GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
                        IDirect3DSurface9** backBufferOut) override;
  HRESULT GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* rasterStatus) override;
  HRESULT SetDialogBoxMode(BOOL enableDialogs) override;
  void SetGammaRamp(UINT swapChain, DWORD flags, const D3DGAMMARAMP* ramp) override;
  void GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) override;

  // Resources (device_resources.cpp)
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        IDirect3DTexture9** texture, HANDLE* sharedHandle) override;
  HRESULT CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, IDirect3DVolumeTexture9** volumeTexture, HANDLE* sharedHandle) override;
  HRESULT CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DCubeTexture9** cubeTexture, HANDLE* sharedHandle) override;
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** vertexBuffer,
                             HANDLE* sharedHandle) override;
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) override;
  HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                             DWORD multisampleQuality, BOOL lockable, IDirect3DSurface9** surface,
                             HANDLE* sharedHandle) override;
  HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                    DWORD multisampleQuality, BOOL discard, IDirect3DSurface9** surface,
                                    HANDLE* sharedHandle) override;
  HRESULT UpdateSurface(IDirect3DSurface9* sourceSurface, const RECT* sourceRect, IDirect3DSurface9* destinationSurface,
                        const POINT* destPoint) override;
  HRESULT UpdateTexture(IDirect3DBaseTexture9* sourceTexture, IDirect3DBaseTexture9* destinationTexture) override;
  HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destSurface) override;
  HRESULT GetFrontBufferData(UINT swapChain, IDirect3DSurface9* destSurface) override;
  HRESULT StretchRect(IDirect3DSurface9* sourceSurface, const RECT* sourceRect, IDirect3DSurface9* destSurface,
                      const RECT* destRect, D3DTEXTUREFILTERTYPE filter) override;
  HRESULT ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) override;
  HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DSurface9** surface, HANDLE* sharedHandle) override;
  HRESULT SetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9* renderTarget) override;
  HRESULT GetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9** renderTarget) override;
  HRESULT SetDepthStencilSurface(IDirect3DSurface9* newZStencil) override;
  HRESULT GetDepthStencilSurface(IDirect3DSurface9** zStencilSurface) override;

  // Scenes, clearing and drawing (device_draw.cpp)
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;

  // States (device_states.cpp)
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
  HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
  HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
  HRESULT GetViewport(D3DVIEWPORT9* viewport) override;
  HRESULT SetMaterial(const D3DMATERIAL9* material) override;
  HRESULT GetMaterial(D3DMATERIAL9* material) override;
  HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
  HRESULT GetLight(DWORD index, D3DLIGHT9* light) override;
  HRESULT LightEnable(DWORD index, BOOL enable) override;
  HRESULT GetLightEnable(DWORD index, BOOL* enable) override;
  HRESULT SetClipPlane(DWORD index, const float* plane) override;
  HRESULT GetClipPlane(DWORD index, float* plane) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
  HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** stateBlock) override;
  HRESULT BeginStateBlock() override;
  HRESULT EndStateBlock(IDirect3DStateBlock9** stateBlock) override;
  HRESULT SetClipStatus(const D3DCLIPSTATUS9* clipStatus) override;
  HRESULT GetClipStatus(D3DCLIPSTATUS9* clipStatus) override;
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override;
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
  HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
  HRESULT ValidateDevice(DWORD* numPasses) override;
  HRESULT SetPaletteEntries(UINT paletteNumber, const PALETTEENTRY* entries) override;
  HRESULT GetPaletteEntries(UINT paletteNumber, PALETTEENTRY* entries) override;
  HRESULT SetCurrentTexturePalette(UINT paletteNumber) override;
  HRESULT GetCurrentTexturePalette(UINT* paletteNumber) override;
  HRESULT SetScissorRect(const RECT* rect) override;
  HRESULT GetScissorRect(RECT* rect) override;
  HRESULT SetSoftwareVertexProcessing(BOOL software) override;
  BOOL GetSoftwareVertexProcessing() override;
  HRESULT SetNPatchMode(float segments) override;
  float GetNPatchMode() override;

  // Drawing (device_draw.cpp)
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, INT baseVertexIndex, UINT minVertexIndex,
                               UINT numVertices, UINT startIndex, UINT primitiveCount) override;
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount, const void* vertexData,
                          UINT vertexStride) override;
  HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex, UINT numVertices,
                                 UINT primitiveCount, const void* indexData, D3DFORMAT indexDataFormat,
                                 const void* vertexData, UINT vertexStride) override;
  HRESULT ProcessVertices(UINT srcStartIndex, UINT destIndex, UINT vertexCount, IDirect3DVertexBuffer9* destBuffer,
                          IDirect3DVertexDeclaration9* vertexDecl, DWORD flags) override;

  // Vertex input and shaders (device_states.cpp)
  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* vertexElements, IDirect3DVertexDeclaration9** decl) override;
  HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* decl) override;
  HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** decl) override;
  HRESULT SetFVF(DWORD fvf) override;
  HRESULT GetFVF(DWORD* fvf) override;
  HRESULT CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader) override;
  HRESULT SetVertexShader(IDirect3DVertexShader9* shader) override;
  HRESULT GetVertexShader(IDirect3DVertexShader9** shader) override;
  HRESULT SetVertexShaderConstantF(UINT startRegister, const float* data, UINT count) override;
  HRESULT GetVertexShaderConstantF(UINT startRegister, float* data, UINT count) override;
  HRESULT SetVertexShaderConstantI(UINT startRegister, const int* data, UINT count) override;
  HRESULT GetVertexShaderConstantI(UINT startRegister, int* data, UINT count) override;
  HRESULT SetVertexShaderConstantB(UINT startRegister, const BOOL* data, UINT count) override;
  HRESULT GetVertexShaderConstantB(UINT startRegister, BOOL* data, UINT count) override;
  HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData, UINT offsetInBytes,
                          UINT stride) override;
  HRESULT GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9** streamData, UINT* offsetInBytes,
                          UINT* stride) override;
  HRESULT SetStreamSourceFreq(UINT streamNumber, UINT setting) override;
  HRESULT GetStreamSourceFreq(UINT streamNumber, UINT* setting) override;
  HRESULT SetIndices(IDirect3DIndexBuffer9* indexData) override;
  HRESULT GetIndices(IDirect3DIndexBuffer9** indexData) override;
  HRESULT CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** shader) override;
  HRESULT SetPixelShader(IDirect3DPixelShader9* shader) override;
  HRESULT GetPixelShader(IDirect3DPixelShader9** shader) override;
  HRESULT SetPixelShaderConstantF(UINT startRegister, const float* data, UINT count) override;
  HRESULT GetPixelShaderConstantF(UINT startRegister, float* data, UINT count) override;
  HRESULT SetPixelShaderConstantI(UINT startRegister, const int* data, UINT count) override;
  HRESULT GetPixelShaderConstantI(UINT startRegister, int* data, UINT count) override;
  HRESULT SetPixelShaderConstantB(UINT startRegister, const BOOL* data, UINT count) override;
  HRESULT GetPixelShaderConstantB(UINT startRegister, BOOL* data, UINT count) override;
  HRESULT DrawRectPatch(UINT handle, const float* numSegs, const D3DRECTPATCH_INFO* info) override;
  HRESULT DrawTriPatch(UINT handle, const float* numSegs, const D3DTRIPATCH_INFO* info) override;
  HRESULT DeletePatch(UINT handle) override;
  HRESULT CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) override;

  // For the device's own objects.
  void trackObject(DeviceChild* object) { objects_.insert(object); }
  void untrackObject(DeviceChild* object) { objects_.erase(object); }
  // What the rasteriser draws into and with.
  Surface* renderTarget() const { return renderTarget_.get(); }
  Surface* depthStencil() const { return depthStencil_.get(); }
  bool inScene() const { return inScene_; }
  const DeviceState& state() const { return state_; }
  DeviceState& state() { return state_; }
  // Applies a state block's values (IDirect3DStateBlock9::Apply) or captures into it.
  HRESULT applyStateBlock(StateBlock& block);
  HRESULT captureStateBlock(StateBlock& block);

  // Renders the draws held back so far; called before anything reads or changes pixels.
  void finishDraws() { heldDraws_.finish(bandWorkers_, renderWorkers_); }

  // Test hooks (see d3d9_testing.h).
  void setRenderWorkers(unsigned workers) {
    finishDraws();
    renderWorkers_ = workers == 0 ? 1 : workers;
  }
  void setFastPaths(bool enabled) {
    finishDraws();
    fastPaths_ = enabled;
  }
  void holdLost(bool held);
  std::size_t lastVisibilityDraws() const { return heldDraws_.lastVisibilityDraws(); }
  bool lastPresented(PresentedImage* image) const;

 private:
  enum class Cooperation { operational, lost, notReset };

  Device(Direct3D& direct3D, const DeviceSetup& setup);
  ~Device();

  HRESULT buildSwapChain(const D3DPRESENT_PARAMETERS& parameters);
  void restoreDefaultState();
  bool isPure() const { return (setup_.behaviorFlags & D3DCREATE_PUREDEVICE) != 0; }
  bool isLost() const { return cooperation_ != Cooperation::operational; }
  // Notices the loss of a fullscreen device whose window gave up the display.
  void updateCooperation();
  Adapter& adapter() const;
  // The state Set calls write: the recording block's values while recording, else the device's.
  DeviceState& target();
  StateMask* recordingMask();
  HRESULT createSurface(const D3DSURFACE_DESC& desc, bool lockable, DeviceChild::Start start, Surface** surface);
  HRESULT createTexture(const TextureDescription& description, IUnknown** texture);
  HRESULT checkTextureDescription(TextureDescription* description) const;
  HRESULT validateDraw(UINT vertexEnd, bool indexed) const;
  HRESULT draw(const DrawRequest& request);
  // Whether a draw with the current state may be held back with the others.
  bool mayHoldDraw() const;
  Surface* surfaceOf(IDirect3DSurface9* surface) const;
  void composeFrame(PresentedImage* image) const;

  ULONG referenceCount_ = 1;
  Direct3D& direct3D_;
  DeviceSetup setup_;
  D3DPRESENT_PARAMETERS parameters_{};
  Cooperation cooperation_ = Cooperation::operational;
  bool lossHeld_ = false;
  bool inScene_ = false;
  std::unordered_set<DeviceChild*> objects_;
  std::vector<Binding<Surface>> backBuffers_;
  Binding<Surface> autoDepthStencil_;
  Binding<Surface> renderTarget_;
  Binding<Surface> depthStencil_;
  DeviceState state_;
  Binding<StateBlock> recording_;
  std::vector<Binding<VertexDeclaration>> fvfDeclarations_;
  D3DGAMMARAMP gammaRamp_{};
  BOOL softwareVertexProcessing_ = FALSE;
  D3DCLIPSTATUS9 clipStatus_{};
  std::map<UINT, std::array<PALETTEENTRY, 256>> palettes_;
  // The device cursor: A8R8G8B8 pixels, hot spot, position and visibility.
  PresentedImage cursorImage_;
  POINT cursorHotSpot_{};
  POINT cursorPosition_{};
  BOOL cursorVisible_ = FALSE;
  PresentedImage lastPresented_;
  bool hasPresented_ = false;
  // Threads that rasterise one draw (bands of rows); the processor count by default.
  unsigned renderWorkers_ = defaultRenderWorkers();
  bool fastPaths_ = true;
  std::array<TexelScratch, kPixelSamplerCount> texelScratch_;  // draws' float copies of texels
  BandWorkers bandWorkers_;                                    // draws' threads beyond the caller's
  // Draws of the scene not yet rendered (only with the fast paths on).
  HeldDraws heldDraws_;
};

}  // namespace platform::d3d9
