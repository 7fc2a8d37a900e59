// State blocks: a mask of recorded states and their values.
#pragma once

#include "platform/d3d9/device_state.h"

namespace platform::d3d9 {

class StateBlock final : public DeviceObject<IDirect3DStateBlock9> {
 public:
  StateBlock(Device& device, Start start, const StateMask& mask);

  HRESULT GetDevice(IDirect3DDevice9** device) override { return getDevice(device); }
  HRESULT Capture() override;
  HRESULT Apply() override;

  StateMask& mask() { return mask_; }
  DeviceState& values() { return values_; }
  // State blocks must be released before the device is reset.
  bool blocksReset() const override { return true; }

 protected:
  bool implements(REFIID riid) const override { return riid == IID_IDirect3DStateBlock9; }

 private:
  StateMask mask_;
  DeviceState values_;
};

}  // namespace platform::d3d9
