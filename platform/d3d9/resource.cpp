#include "platform/d3d9/resource.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>

namespace platform::d3d9 {

HRESULT allocatePixels(const FormatInfo& format, UINT width, UINT height, UINT depth, PixelStore* store) {
  std::uint64_t blocksPerRow = (std::uint64_t{width} + format.blockWidth - 1) / format.blockWidth;
  std::uint64_t rowPitch = (blocksPerRow * format.bytesPerBlock + 3) & ~std::uint64_t{3};
  std::uint64_t slicePitch = rowPitch * blockRowsOf(format, height);
  std::uint64_t total = slicePitch * depth;
  // Pitches travel as INT in the lock structures.
  constexpr std::uint64_t kLimit = std::numeric_limits<INT>::max();
  if (rowPitch > kLimit || slicePitch > kLimit || total > kLimit) return E_OUTOFMEMORY;
  store->format = &format;
  store->width = width;
  store->height = height;
  store->depth = depth;
  store->rowPitch = static_cast<UINT>(rowPitch);
  store->slicePitch = static_cast<UINT>(slicePitch);
  try {
    store->bytes.assign(static_cast<std::size_t>(total), std::byte{0});
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return D3D_OK;
}

bool regionIsValid(const FormatInfo& format, UINT width, UINT height, UINT depth, const D3DBOX& box) {
  if (box.Left >= box.Right || box.Top >= box.Bottom || box.Front >= box.Back) return false;
  if (box.Right > width || box.Bottom > height || box.Back > depth) return false;
  auto aligned = [](UINT value, UINT block, UINT edge) { return value % block == 0 || value == edge; };
  return box.Left % format.blockWidth == 0 && box.Top % format.blockHeight == 0 &&
         aligned(box.Right, format.blockWidth, width) && aligned(box.Bottom, format.blockHeight, height);
}

D3DBOX wholeBox(UINT width, UINT height, UINT depth) { return {0, 0, width, height, 0, depth}; }

bool boxFromRect(const RECT* rect, UINT width, UINT height, D3DBOX* box) {
  if (!rect) {
    *box = wholeBox(width, height);
    return true;
  }
  if (rect->left < 0 || rect->top < 0 || rect->right < 0 || rect->bottom < 0) return false;
  *box = {static_cast<UINT>(rect->left),
          static_cast<UINT>(rect->top),
          static_cast<UINT>(rect->right),
          static_cast<UINT>(rect->bottom),
          0,
          1};
  return true;
}

HRESULT PrivateData::set(REFIID guid, const void* data, DWORD size, DWORD flags) {
  // Flag 1 would store an interface pointer with a reference; this layer stores bytes only.
  if (flags != 0 || (!data && size != 0)) return D3DERR_INVALIDCALL;
  free(guid);
  Entry entry{guid, {}};
  const auto* bytes = static_cast<const std::byte*>(data);
  entry.data.assign(bytes, bytes + size);
  entries_.push_back(std::move(entry));
  return D3D_OK;
}

HRESULT PrivateData::get(REFIID guid, void* data, DWORD* size) const {
  if (!size) return D3DERR_INVALIDCALL;
  auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.guid == guid; });
  if (found == entries_.end()) return D3DERR_NOTFOUND;
  DWORD needed = static_cast<DWORD>(found->data.size());
  if (!data) {
    *size = needed;
    return D3D_OK;
  }
  if (*size < needed) {
    *size = needed;
    return D3DERR_MOREDATA;
  }
  std::copy(found->data.begin(), found->data.end(), static_cast<std::byte*>(data));
  *size = needed;
  return D3D_OK;
}

HRESULT PrivateData::free(REFIID guid) {
  auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.guid == guid; });
  if (found == entries_.end()) return D3DERR_NOTFOUND;
  entries_.erase(found);
  return D3D_OK;
}

}  // namespace platform::d3d9
