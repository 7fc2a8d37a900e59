#include "platform/d3d9/state_block.h"

#include "platform/d3d9/device.h"

namespace platform::d3d9 {

StateBlock::StateBlock(Device& device, Start start, const StateMask& mask) : DeviceObject(device, start), mask_(mask) {}

HRESULT StateBlock::Capture() { return device().captureStateBlock(*this); }

HRESULT StateBlock::Apply() { return device().applyStateBlock(*this); }

}  // namespace platform::d3d9
