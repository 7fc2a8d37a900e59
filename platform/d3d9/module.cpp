// The module "d3d9.dll": its exports and their registration with the module table.
#include <array>

#include "platform/d3d9/d3d9_testing.h"
#include "platform/d3d9/device.h"
#include "platform/d3d9/direct3d.h"
#include "platform/win/modules.h"

namespace {

// The setting DebugSetMute records; the software runtime writes no debug output to mute.
DWORD debugMuted = 0;

}  // namespace

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION) return nullptr;
  return new platform::d3d9::Direct3D();
}

void DebugSetMute(DWORD mute) { debugMuted = mute; }

namespace platform::d3d9 {

void registerDirect3D9Module() {
  static const std::array kExports = {
      ModuleExport{"Direct3DCreate9", platform::exportAddress(&Direct3DCreate9)},
      ModuleExport{"Direct3DShaderValidatorCreate9", platform::exportAddress(&Direct3DShaderValidatorCreate9)},
      ModuleExport{"DebugSetMute", platform::exportAddress(&DebugSetMute)},
  };
  registerModule("d3d9.dll", kExports);
}

namespace testing {

bool holdDeviceLost(IDirect3DDevice9* device, bool held) {
  auto* ours = dynamic_cast<Device*>(device);
  if (!ours) return false;
  ours->holdLost(held);
  return true;
}

bool setRenderWorkers(IDirect3DDevice9* device, unsigned workers) {
  auto* ours = dynamic_cast<Device*>(device);
  if (!ours) return false;
  ours->setRenderWorkers(workers);
  return true;
}

bool setFastPaths(IDirect3DDevice9* device, bool enabled) {
  auto* ours = dynamic_cast<Device*>(device);
  if (!ours) return false;
  ours->setFastPaths(enabled);
  return true;
}

bool lastVisibilityDraws(IDirect3DDevice9* device, std::size_t* draws) {
  auto* ours = dynamic_cast<Device*>(device);
  if (!ours) return false;
  *draws = ours->lastVisibilityDraws();
  return true;
}

bool lastPresentedImage(IDirect3DDevice9* device, PresentedImage* image) {
  auto* ours = dynamic_cast<Device*>(device);
  return ours && ours->lastPresented(image);
}

}  // namespace testing
}  // namespace platform::d3d9
