// What every resource shares: its pool, priority and private data, and the plain memory
// (with row and slice pitch) that surfaces and volumes keep their pixels in.
#pragma once

#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/d3d9/device_object.h"
#include "platform/d3d9/format_table.h"

namespace platform::d3d9 {

// Pixels of one surface or volume: rows of blocks, `rowPitch` bytes apart, slices
// `slicePitch` bytes apart.
struct PixelStore {
  const FormatInfo* format = nullptr;
  UINT width = 0;
  UINT height = 0;
  UINT depth = 1;
  UINT rowPitch = 0;
  UINT slicePitch = 0;
  std::vector<std::byte> bytes;

  std::byte* at(UINT x, UINT y, UINT z = 0) {
    return bytes.data() + std::size_t{z} * slicePitch + std::size_t{y / format->blockHeight} * rowPitch +
           std::size_t{x / format->blockWidth} * format->bytesPerBlock;
  }
};

// Allocates zeroed pixels; E_OUTOFMEMORY when the sizes are too large to address.
HRESULT allocatePixels(const FormatInfo& format, UINT width, UINT height, UINT depth, PixelStore* store);

// Whether a rectangle (or box) lies inside the sizes, is not empty, and starts and ends on
// block boundaries (ends may also be the edge).
bool regionIsValid(const FormatInfo& format, UINT width, UINT height, UINT depth, const D3DBOX& box);
D3DBOX wholeBox(UINT width, UINT height, UINT depth = 1);
bool boxFromRect(const RECT* rect, UINT width, UINT height, D3DBOX* box);

// Private data and priority of IDirect3DResource9 (and the private data of IDirect3DVolume9).
class PrivateData {
 public:
  HRESULT set(REFIID guid, const void* data, DWORD size, DWORD flags);
  HRESULT get(REFIID guid, void* data, DWORD* size) const;
  HRESULT free(REFIID guid);

 private:
  struct Entry {
    GUID guid;
    std::vector<std::byte> data;
  };
  std::vector<Entry> entries_;
};

template <typename Interface>
class ResourceObject : public DeviceObject<Interface> {
 public:
  ResourceObject(Device& device, DeviceChild::Start start, D3DPOOL pool, DeviceChild* container = nullptr)
      : DeviceObject<Interface>(device, start, container), pool_(pool) {}

  HRESULT GetDevice(IDirect3DDevice9** device) override { return this->getDevice(device); }
  HRESULT SetPrivateData(REFIID guid, const void* data, DWORD size, DWORD flags) override {
    return privateData_.set(guid, data, size, flags);
  }
  HRESULT GetPrivateData(REFIID guid, void* data, DWORD* size) override { return privateData_.get(guid, data, size); }
  HRESULT FreePrivateData(REFIID guid) override { return privateData_.free(guid); }
  DWORD SetPriority(DWORD priority) override {
    DWORD old = priority_;
    if (pool_ == D3DPOOL_MANAGED) priority_ = priority;
    return old;
  }
  DWORD GetPriority() override { return priority_; }
  void PreLoad() override {}

  D3DPOOL pool() const { return pool_; }
  bool blocksReset() const override { return pool_ == D3DPOOL_DEFAULT; }

 private:
  D3DPOOL pool_;
  DWORD priority_ = 0;
  PrivateData privateData_;
};

}  // namespace platform::d3d9
