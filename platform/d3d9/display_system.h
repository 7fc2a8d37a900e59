// Where the software device meets the window layer: the displays that become adapters, the
// windows' client sizes and activity, and the presentation of finished frames. The Qt window
// layer installs its own; until then an offscreen system stands in with one 1024x768 display.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9_types.h"

namespace platform::d3d9 {

struct DisplayDescription {
  std::string name;         // "\\.\DISPLAY1" style device name
  std::string description;  // human-readable display name
  D3DDISPLAYMODE desktop;
  HMONITOR monitor;
};

// A presented frame, top row first, one 0xAARRGGBB word per pixel.
struct PresentedImage {
  UINT width = 0;
  UINT height = 0;
  std::vector<D3DCOLOR> pixels;
};

class DisplaySystem {
 public:
  virtual ~DisplaySystem() = default;
  virtual std::vector<DisplayDescription> displays() const = 0;
  // The client-area size of a window; false when the window is unknown.
  virtual bool clientSize(HWND window, UINT* width, UINT* height) const = 0;
  // Whether a fullscreen device on this window may show frames now: the window is neither
  // minimised nor deactivated. A fullscreen device is lost while this is false.
  virtual bool windowOwnsDisplay(HWND window) const = 0;
  virtual void present(HWND window, const PresentedImage& image) = 0;
};

// The stand-in used when no window layer is installed: one display, windows of any handle with
// a configurable client size (640x480 unless set), and the last frame presented per window.
class OffscreenDisplaySystem final : public DisplaySystem {
 public:
  std::vector<DisplayDescription> displays() const override;
  bool clientSize(HWND window, UINT* width, UINT* height) const override;
  bool windowOwnsDisplay(HWND window) const override;
  void present(HWND window, const PresentedImage& image) override;

  void setClientSize(HWND window, UINT width, UINT height);
  void setWindowOwnsDisplay(HWND window, bool owns);
  // The last frame presented to a window; false when none was.
  bool lastPresented(HWND window, PresentedImage* image) const;
  void clear();

 private:
  std::map<HWND, SIZE> clientSizes_;
  std::map<HWND, bool> ownsDisplay_;
  std::map<HWND, PresentedImage> presented_;
};

// The installed display system (the offscreen one unless the window layer set another).
DisplaySystem& displaySystem();
// Installs a display system; null goes back to the offscreen one. The caller keeps ownership.
void setDisplaySystem(DisplaySystem* system);
// The offscreen stand-in itself, for tests.
OffscreenDisplaySystem& offscreenDisplaySystem();

}  // namespace platform::d3d9
