// Hooks for tests of programs that use the software Direct3D: forcing device loss and reading
// back what a device presented. They act on devices made by this layer and return false for
// any other object.
#pragma once

#include <cstddef>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/display_system.h"

namespace platform::d3d9::testing {

// Makes the device lost, as when its fullscreen window is minimised. While held the device
// stays lost (TestCooperativeLevel gives D3DERR_DEVICELOST); once released it reports
// D3DERR_DEVICENOTRESET until it is reset.
bool holdDeviceLost(IDirect3DDevice9* device, bool held);
// Sets how many threads rasterise the device's draws (bands of rows; at least 1). The image
// does not depend on it.
bool setRenderWorkers(IDirect3DDevice9* device, unsigned workers);
// Turns the pipeline's specialised paths for common states off or on (on by default). Off,
// every pixel takes the general paths, which the specialised ones must match bit for bit.
bool setFastPaths(IDirect3DDevice9* device, bool enabled);
// How many draws of the last run of held-back draws the visibility pass went through: up to
// the last whose pixels paint over earlier ones, or 0 when none did (or no pass ran).
bool lastVisibilityDraws(IDirect3DDevice9* device, std::size_t* draws);
// The last frame the device presented (back buffer 0, with the device cursor when fullscreen).
bool lastPresentedImage(IDirect3DDevice9* device, PresentedImage* image);

}  // namespace platform::d3d9::testing
