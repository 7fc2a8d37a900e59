// The platform layer's table of open kernel handles (files and file mappings). Handles are
// checked against the table so that a stale or foreign handle gives the platform's
// ERROR_INVALID_HANDLE instead of undefined behaviour.
#pragma once

#include <memory>

#include "platform/win/types.h"

namespace platform {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
};

// Takes ownership and returns the handle that names the object.
HANDLE registerKernelObject(std::unique_ptr<KernelObject> object);
// The object behind an open handle, or null.
KernelObject* findKernelObject(HANDLE handle);
// Removes and destroys the object; false when the handle is not open.
bool closeKernelObject(HANDLE handle);

template <typename T>
T* findKernelObjectOfType(HANDLE handle) {
  return dynamic_cast<T*>(findKernelObject(handle));
}

}  // namespace platform
