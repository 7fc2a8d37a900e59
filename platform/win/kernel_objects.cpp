#include "platform/win/kernel_objects.h"

#include <map>
#include <mutex>

namespace platform {
namespace {

// Handles are small increasing numbers (multiples of 4, as the platform hands them out), never
// reused within a process so a stale handle cannot name a newer object.
struct HandleTable {
  std::mutex mutex;
  std::map<UINT_PTR, std::unique_ptr<KernelObject>> objects;
  UINT_PTR nextHandle = 4;
};

HandleTable& handleTable() {
  static HandleTable table;
  return table;
}

}  // namespace

HANDLE registerKernelObject(std::unique_ptr<KernelObject> object) {
  HandleTable& table = handleTable();
  std::lock_guard lock(table.mutex);
  UINT_PTR value = table.nextHandle;
  table.nextHandle += 4;
  table.objects.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

KernelObject* findKernelObject(HANDLE handle) {
  HandleTable& table = handleTable();
  std::lock_guard lock(table.mutex);
  auto found = table.objects.find(reinterpret_cast<UINT_PTR>(handle));
  return found == table.objects.end() ? nullptr : found->second.get();
}

bool closeKernelObject(HANDLE handle) {
  std::unique_ptr<KernelObject> closing;
  {
    HandleTable& table = handleTable();
    std::lock_guard lock(table.mutex);
    auto found = table.objects.find(reinterpret_cast<UINT_PTR>(handle));
    if (found == table.objects.end()) return false;
    closing = std::move(found->second);
    table.objects.erase(found);
  }
  return true;  // the object is destroyed outside the lock
}

}  // namespace platform
