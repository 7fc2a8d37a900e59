#include "platform/d3d9/display_system.h"

namespace platform::d3d9 {
namespace {

constexpr UINT kDefaultClientWidth = 640;
constexpr UINT kDefaultClientHeight = 480;

DisplaySystem* installedSystem = nullptr;

}  // namespace

std::vector<DisplayDescription> OffscreenDisplaySystem::displays() const {
  return {DisplayDescription{"\\\\.\\DISPLAY1",
                             "Offscreen display",
                             {1024, 768, 60, D3DFMT_X8R8G8B8},
                             reinterpret_cast<HMONITOR>(std::uintptr_t{1})}};
}

bool OffscreenDisplaySystem::clientSize(HWND window, UINT* width, UINT* height) const {
  auto found = clientSizes_.find(window);
  *width = found == clientSizes_.end() ? kDefaultClientWidth : static_cast<UINT>(found->second.cx);
  *height = found == clientSizes_.end() ? kDefaultClientHeight : static_cast<UINT>(found->second.cy);
  return true;
}

bool OffscreenDisplaySystem::windowOwnsDisplay(HWND window) const {
  auto found = ownsDisplay_.find(window);
  return found == ownsDisplay_.end() || found->second;
}

void OffscreenDisplaySystem::present(HWND window, const PresentedImage& image) { presented_[window] = image; }

void OffscreenDisplaySystem::setClientSize(HWND window, UINT width, UINT height) {
  clientSizes_[window] = SIZE{static_cast<LONG>(width), static_cast<LONG>(height)};
}

void OffscreenDisplaySystem::setWindowOwnsDisplay(HWND window, bool owns) { ownsDisplay_[window] = owns; }

bool OffscreenDisplaySystem::lastPresented(HWND window, PresentedImage* image) const {
  auto found = presented_.find(window);
  if (found == presented_.end()) return false;
  *image = found->second;
  return true;
}

void OffscreenDisplaySystem::clear() {
  clientSizes_.clear();
  ownsDisplay_.clear();
  presented_.clear();
}

OffscreenDisplaySystem& offscreenDisplaySystem() {
  static OffscreenDisplaySystem system;
  return system;
}

DisplaySystem& displaySystem() { return installedSystem ? *installedSystem : offscreenDisplaySystem(); }

void setDisplaySystem(DisplaySystem* system) { installedSystem = system; }

}  // namespace platform::d3d9
