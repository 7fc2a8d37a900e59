// The device's life cycle: creation, the swap chain, loss, Reset, Present and the cursor.
#include "platform/d3d9/device.h"

#include <algorithm>
#include <thread>

#include "platform/d3d9/direct3d.h"
#include "platform/d3d9/pixel_codec.h"

namespace platform::d3d9 {

unsigned defaultRenderWorkers() {
  unsigned processors = std::thread::hardware_concurrency();
  return processors == 0 ? 1 : std::min(processors, 8u);
}

namespace {

constexpr UINT kAvailableTextureMemory = 512u << 20;
constexpr DWORD kKnownPresentFlags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER | D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL |
                                     D3DPRESENTFLAG_DEVICECLIP | D3DPRESENTFLAG_VIDEO;

bool findMode(const Adapter& adapter, UINT width, UINT height, D3DFORMAT format, UINT refreshRate) {
  return std::any_of(adapter.modes.begin(), adapter.modes.end(), [&](const D3DDISPLAYMODE& mode) {
    return mode.Width == width && mode.Height == height && mode.Format == format &&
           (refreshRate == 0 || mode.RefreshRate == refreshRate);
  });
}

// Takes over the device's creation reference of an object the device made for itself.
template <typename Object>
Binding<Object> adoptDeviceOwned(Object* object) {
  Binding<Object> binding(object);
  object->releaseDeviceReference();
  return binding;
}

}  // namespace

HRESULT completePresentParameters(const Adapter& adapter, D3DDEVTYPE, HWND focusWindow, D3DPRESENT_PARAMETERS* p) {
  if (p->SwapEffect < D3DSWAPEFFECT_DISCARD || p->SwapEffect > D3DSWAPEFFECT_COPY) return D3DERR_INVALIDCALL;
  if (p->Flags & ~kKnownPresentFlags) return D3DERR_INVALIDCALL;
  if (p->BackBufferCount == 0) p->BackBufferCount = 1;
  if (p->BackBufferCount > kMaxBackBufferCount) {
    p->BackBufferCount = kMaxBackBufferCount;  // tells the caller how many could be made
    return D3DERR_INVALIDCALL;
  }
  if (p->SwapEffect == D3DSWAPEFFECT_COPY && p->BackBufferCount != 1) return D3DERR_INVALIDCALL;
  HWND window = p->hDeviceWindow ? p->hDeviceWindow : focusWindow;
  if (p->Windowed) {
    if (p->FullScreen_RefreshRateInHz != 0) return D3DERR_INVALIDCALL;
    if (p->BackBufferWidth == 0 || p->BackBufferHeight == 0) {
      UINT width = 0;
      UINT height = 0;
      displaySystem().clientSize(window, &width, &height);
      if (p->BackBufferWidth == 0) p->BackBufferWidth = std::max(width, 1u);
      if (p->BackBufferHeight == 0) p->BackBufferHeight = std::max(height, 1u);
    }
    if (p->BackBufferFormat == D3DFMT_UNKNOWN) p->BackBufferFormat = adapter.display.desktop.Format;
    if (FAILED(checkDeviceType(adapter.display.desktop.Format, p->BackBufferFormat, true))) return D3DERR_INVALIDCALL;
  } else {
    if (!window) return D3DERR_INVALIDCALL;
    D3DFORMAT displayFormat = displayFormatForBackBuffer(p->BackBufferFormat);
    if (FAILED(checkDeviceType(displayFormat, p->BackBufferFormat, false))) return D3DERR_INVALIDCALL;
    if (!findMode(adapter, p->BackBufferWidth, p->BackBufferHeight, displayFormat, p->FullScreen_RefreshRateInHz)) {
      return D3DERR_INVALIDCALL;
    }
  }
  if (p->BackBufferWidth > kMaxTextureSize || p->BackBufferHeight > kMaxTextureSize) return D3DERR_INVALIDCALL;
  DWORD qualityLevels = 0;
  if (FAILED(checkMultiSampleType(p->BackBufferFormat, p->MultiSampleType, &qualityLevels)) ||
      p->MultiSampleQuality >= qualityLevels) {
    return D3DERR_INVALIDCALL;
  }
  if (p->EnableAutoDepthStencil) {
    if (FAILED(
            checkDepthStencilMatch(adapter.display.desktop.Format, p->BackBufferFormat, p->AutoDepthStencilFormat))) {
      return D3DERR_INVALIDCALL;
    }
    if ((p->Flags & D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL) &&
        formatHas(p->AutoDepthStencilFormat, kSupportLockableDepth)) {
      return D3DERR_INVALIDCALL;
    }
  }
  switch (p->PresentationInterval) {
    case D3DPRESENT_INTERVAL_DEFAULT:
    case D3DPRESENT_INTERVAL_ONE:
    case D3DPRESENT_INTERVAL_IMMEDIATE: break;
    default: return D3DERR_INVALIDCALL;
  }
  return D3D_OK;
}

// --- Creation and destruction ----------------------------------------------------------------

Device::Device(Direct3D& direct3D, const DeviceSetup& setup) : direct3D_(direct3D), setup_(setup) {
  direct3D_.AddRef();
}

Device::~Device() {
  heldDraws_.discard();
  recording_ = {};
  state_ = DeviceState{};
  renderTarget_ = {};
  depthStencil_ = {};
  autoDepthStencil_ = {};
  backBuffers_.clear();
  fvfDeclarations_.clear();
  if (!parameters_.Windowed) adapter().currentMode = adapter().display.desktop;
  direct3D_.Release();
}

HRESULT Device::create(Direct3D& direct3D, const DeviceSetup& setup, const D3DPRESENT_PARAMETERS& parameters,
                       IDirect3DDevice9** device) {
  auto* created = new Device(direct3D, setup);
  created->parameters_ = parameters;
  if (HRESULT result = created->buildSwapChain(parameters); FAILED(result)) {
    created->Release();
    return result == E_OUTOFMEMORY ? D3DERR_OUTOFVIDEOMEMORY : result;
  }
  created->restoreDefaultState();
  *device = created;
  return D3D_OK;
}

Adapter& Device::adapter() const { return direct3D_.adapter(setup_.adapter); }

HRESULT Device::buildSwapChain(const D3DPRESENT_PARAMETERS& p) {
  backBuffers_.clear();
  autoDepthStencil_ = {};
  const bool lockable = (p.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0;
  for (UINT i = 0; i < p.BackBufferCount; ++i) {
    D3DSURFACE_DESC desc{p.BackBufferFormat, D3DRTYPE_SURFACE,     D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT,
                         p.MultiSampleType,  p.MultiSampleQuality, p.BackBufferWidth,     p.BackBufferHeight};
    Surface* surface = nullptr;
    if (HRESULT result = createSurface(desc, lockable, DeviceChild::Start::ownedByDevice, &surface); FAILED(result)) {
      return result;
    }
    backBuffers_.push_back(adoptDeviceOwned(surface));
  }
  if (p.EnableAutoDepthStencil) {
    D3DSURFACE_DESC desc{p.AutoDepthStencilFormat, D3DRTYPE_SURFACE,     D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT,
                         p.MultiSampleType,        p.MultiSampleQuality, p.BackBufferWidth,     p.BackBufferHeight};
    Surface* surface = nullptr;
    bool lockableDepth = formatHas(p.AutoDepthStencilFormat, kSupportLockableDepth);
    if (HRESULT result = createSurface(desc, lockableDepth, DeviceChild::Start::ownedByDevice, &surface);
        FAILED(result)) {
      return result;
    }
    autoDepthStencil_ = adoptDeviceOwned(surface);
  }
  Adapter& owner = adapter();
  if (p.Windowed) {
    owner.currentMode = owner.display.desktop;
  } else {
    UINT refresh = p.FullScreen_RefreshRateInHz ? p.FullScreen_RefreshRateInHz : owner.display.desktop.RefreshRate;
    owner.currentMode = {p.BackBufferWidth, p.BackBufferHeight, refresh,
                         displayFormatForBackBuffer(p.BackBufferFormat)};
  }
  return D3D_OK;
}

void Device::restoreDefaultState() {
  state_ = DeviceState::defaults(parameters_.EnableAutoDepthStencil != FALSE, parameters_.BackBufferWidth,
                                 parameters_.BackBufferHeight);
  renderTarget_ = backBuffers_.empty() ? Binding<Surface>() : backBuffers_.front();
  depthStencil_ = autoDepthStencil_;
  inScene_ = false;
}

// --- IUnknown ----------------------------------------------------------------------------------

HRESULT Device::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3DDevice9) {
    *object = static_cast<IDirect3DDevice9*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG Device::AddRef() { return ++referenceCount_; }

ULONG Device::Release() {
  if (referenceCount_ == 0) return 0;
  ULONG remaining = --referenceCount_;
  if (remaining == 0) delete this;
  return remaining;
}

// --- Loss and Reset ----------------------------------------------------------------------------

void Device::updateCooperation() {
  HWND window = parameters_.hDeviceWindow ? parameters_.hDeviceWindow : setup_.focusWindow;
  bool causePresent = lossHeld_ || (!parameters_.Windowed && !displaySystem().windowOwnsDisplay(window));
  if (cooperation_ == Cooperation::operational && causePresent) cooperation_ = Cooperation::lost;
  if (cooperation_ == Cooperation::lost && !causePresent) cooperation_ = Cooperation::notReset;
}

void Device::holdLost(bool held) {
  finishDraws();
  lossHeld_ = held;
  if (held) cooperation_ = Cooperation::lost;
  updateCooperation();
}

HRESULT Device::TestCooperativeLevel() {
  updateCooperation();
  switch (cooperation_) {
    case Cooperation::operational: return D3D_OK;
    case Cooperation::lost: return D3DERR_DEVICELOST;
    case Cooperation::notReset: return D3DERR_DEVICENOTRESET;
  }
  return D3DERR_DRIVERINTERNALERROR;
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* parameters) {
  if (!parameters) return D3DERR_INVALIDCALL;
  updateCooperation();
  if (cooperation_ == Cooperation::lost) return D3DERR_DEVICELOST;
  // Everything in the default pool, and every state block, must be released first.
  bool blocked = std::any_of(objects_.begin(), objects_.end(), [](DeviceChild* object) {
    return object->applicationCount() > 0 && object->blocksReset();
  });
  D3DPRESENT_PARAMETERS completed = *parameters;
  HRESULT result =
      blocked ? D3DERR_INVALIDCALL : completePresentParameters(adapter(), setup_.type, setup_.focusWindow, &completed);
  if (!blocked) *parameters = completed;
  if (SUCCEEDED(result)) {
    heldDraws_.discard();  // the targets they were for go now
    recording_ = {};
    state_ = DeviceState{};
    renderTarget_ = {};
    depthStencil_ = {};
    parameters_ = completed;
    result = buildSwapChain(completed);
    if (result == E_OUTOFMEMORY) result = D3DERR_OUTOFVIDEOMEMORY;
  }
  if (FAILED(result)) {
    // A failed Reset leaves the device waiting for another.
    cooperation_ = Cooperation::notReset;
    return result;
  }
  restoreDefaultState();
  cooperation_ = Cooperation::operational;
  return D3D_OK;
}

// --- Presentation ------------------------------------------------------------------------------

void Device::composeFrame(PresentedImage* image) const {
  Surface* back = backBuffers_.front().get();
  const D3DSURFACE_DESC& desc = back->desc();
  image->width = desc.Width;
  image->height = desc.Height;
  image->pixels.assign(std::size_t{desc.Width} * desc.Height, 0);
  PixelStore& pixels = back->pixels();
  for (UINT y = 0; y < desc.Height; ++y) {
    for (UINT x = 0; x < desc.Width; ++x) {
      Color4 color;
      decodePixel(desc.Format, pixels.at(x, y), &color);
      color.a = 1.0f;
      image->pixels[std::size_t{y} * desc.Width + x] = argbFromColor(color);
    }
  }
  // The device cursor is drawn over fullscreen frames; a window shows the system's cursor.
  if (parameters_.Windowed || !cursorVisible_ || cursorImage_.pixels.empty()) return;
  for (UINT cy = 0; cy < cursorImage_.height; ++cy) {
    for (UINT cx = 0; cx < cursorImage_.width; ++cx) {
      LONG x = cursorPosition_.x - cursorHotSpot_.x + static_cast<LONG>(cx);
      LONG y = cursorPosition_.y - cursorHotSpot_.y + static_cast<LONG>(cy);
      if (x < 0 || y < 0 || x >= static_cast<LONG>(desc.Width) || y >= static_cast<LONG>(desc.Height)) continue;
      Color4 over = colorFromArgb(cursorImage_.pixels[std::size_t{cy} * cursorImage_.width + cx]);
      D3DCOLOR& target = image->pixels[std::size_t(y) * desc.Width + std::size_t(x)];
      Color4 under = colorFromArgb(target);
      Color4 blended{over.r * over.a + under.r * (1 - over.a), over.g * over.a + under.g * (1 - over.a),
                     over.b * over.a + under.b * (1 - over.a), 1.0f};
      target = argbFromColor(blended);
    }
  }
}

HRESULT Device::Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride, const void*) {
  if ((sourceRect || destRect) && parameters_.SwapEffect != D3DSWAPEFFECT_COPY) return D3DERR_INVALIDCALL;
  updateCooperation();
  if (isLost()) return D3DERR_DEVICELOST;
  finishDraws();
  if (backBuffers_.empty() ||
      std::any_of(backBuffers_.begin(), backBuffers_.end(), [](const Binding<Surface>& b) { return b->isLocked(); })) {
    return D3DERR_INVALIDCALL;
  }
  composeFrame(&lastPresented_);
  hasPresented_ = true;
  // A chain of back buffers flips: each surface takes the contents of the one behind it, and
  // back buffer 0 is again the one the next Present shows.
  for (std::size_t i = 1; i < backBuffers_.size(); ++i) {
    std::swap(backBuffers_[i - 1]->pixels().bytes, backBuffers_[i]->pixels().bytes);
  }
  HWND window = destWindowOverride ? destWindowOverride
                                   : (parameters_.hDeviceWindow ? parameters_.hDeviceWindow : setup_.focusWindow);
  displaySystem().present(window, lastPresented_);
  return D3D_OK;
}

bool Device::lastPresented(PresentedImage* image) const {
  if (!hasPresented_) return false;
  *image = lastPresented_;
  return true;
}

HRESULT Device::GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
                              IDirect3DSurface9** backBufferOut) {
  if (!backBufferOut) return D3DERR_INVALIDCALL;
  *backBufferOut = nullptr;
  if (swapChain != 0 || type != D3DBACKBUFFER_TYPE_MONO || backBuffer >= backBuffers_.size()) {
    return D3DERR_INVALIDCALL;
  }
  *backBufferOut = backBuffers_[backBuffer].get();
  (*backBufferOut)->AddRef();
  return D3D_OK;
}

HRESULT Device::GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* rasterStatus) {
  if (swapChain != 0 || !rasterStatus) return D3DERR_INVALIDCALL;
  *rasterStatus = {FALSE, 0};
  return D3D_OK;
}

HRESULT Device::SetDialogBoxMode(BOOL) {
  return (parameters_.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) ? D3D_OK : D3DERR_INVALIDCALL;
}

void Device::SetGammaRamp(UINT swapChain, DWORD, const D3DGAMMARAMP* ramp) {
  if (swapChain == 0 && ramp) gammaRamp_ = *ramp;
}

void Device::GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) {
  if (swapChain == 0 && ramp) *ramp = gammaRamp_;
}

HRESULT Device::CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS*, IDirect3DSwapChain9** swapChain) {
  if (swapChain) *swapChain = nullptr;
  return D3DERR_NOTAVAILABLE;
}

HRESULT Device::GetSwapChain(UINT, IDirect3DSwapChain9** swapChainOut) {
  if (swapChainOut) *swapChainOut = nullptr;
  return D3DERR_INVALIDCALL;
}

UINT Device::GetNumberOfSwapChains() { return 1; }

// --- Device information ------------------------------------------------------------------------

UINT Device::GetAvailableTextureMem() { return kAvailableTextureMemory; }

HRESULT Device::EvictManagedResources() { return D3D_OK; }

HRESULT Device::GetDirect3D(IDirect3D9** direct3D) {
  if (!direct3D) return D3DERR_INVALIDCALL;
  *direct3D = &direct3D_;
  direct3D_.AddRef();
  return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS9* caps) {
  if (!caps) return D3DERR_INVALIDCALL;
  *caps = softwareDeviceCaps(setup_.adapter, setup_.type);
  return D3D_OK;
}

HRESULT Device::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) {
  if (swapChain != 0 || !mode) return D3DERR_INVALIDCALL;
  *mode = adapter().currentMode;
  return D3D_OK;
}

HRESULT Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) {
  if (!parameters) return D3DERR_INVALIDCALL;
  *parameters = {setup_.adapter, setup_.type, setup_.focusWindow, setup_.behaviorFlags};
  return D3D_OK;
}

// --- Cursor ------------------------------------------------------------------------------------

HRESULT Device::SetCursorProperties(UINT xHotSpot, UINT yHotSpot, IDirect3DSurface9* cursorBitmap) {
  finishDraws();
  Surface* surface = surfaceOf(cursorBitmap);
  if (!surface || surface->desc().Format != D3DFMT_A8R8G8B8) return D3DERR_INVALIDCALL;
  const D3DSURFACE_DESC& desc = surface->desc();
  if (xHotSpot >= desc.Width || yHotSpot >= desc.Height) return D3DERR_INVALIDCALL;
  cursorImage_.width = desc.Width;
  cursorImage_.height = desc.Height;
  cursorImage_.pixels.assign(std::size_t{desc.Width} * desc.Height, 0);
  for (UINT y = 0; y < desc.Height; ++y) {
    for (UINT x = 0; x < desc.Width; ++x) {
      Color4 color;
      decodePixel(D3DFMT_A8R8G8B8, surface->pixels().at(x, y), &color);
      cursorImage_.pixels[std::size_t{y} * desc.Width + x] = argbFromColor(color);
    }
  }
  cursorHotSpot_ = {static_cast<LONG>(xHotSpot), static_cast<LONG>(yHotSpot)};
  return D3D_OK;
}

void Device::SetCursorPosition(int x, int y, DWORD) { cursorPosition_ = {x, y}; }

BOOL Device::ShowCursor(BOOL show) { return std::exchange(cursorVisible_, show ? TRUE : FALSE); }

Surface* Device::surfaceOf(IDirect3DSurface9* surface) const {
  auto* ours = dynamic_cast<Surface*>(surface);
  return ours && &ours->device() == this ? ours : nullptr;
}

}  // namespace platform::d3d9
