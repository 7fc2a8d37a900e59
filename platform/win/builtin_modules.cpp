#include "platform/d3d9/d3d9.h"
#include "platform/win/modules.h"

namespace platform {

// The platform layer's own modules. Each module's registration function is listed here so
// that linking the layer is enough to make its modules findable by name.
void registerBuiltInModules() { d3d9::registerDirect3D9Module(); }

}  // namespace platform
