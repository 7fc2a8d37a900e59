#include "platform/d3d9/buffer.h"

namespace platform::d3d9 {
namespace {

constexpr DWORD kValidBufferLockFlags =
    D3DLOCK_READONLY | D3DLOCK_NOSYSLOCK | D3DLOCK_NOOVERWRITE | D3DLOCK_DISCARD | D3DLOCK_DONOTWAIT;

}  // namespace

HRESULT BufferStore::lock(UINT offset, UINT size, void** data, DWORD flags) {
  if (!data) return D3DERR_INVALIDCALL;
  *data = nullptr;
  if (flags & ~kValidBufferLockFlags) return D3DERR_INVALIDCALL;
  // Discarding and promising not to overwrite are for dynamic buffers only.
  if ((flags & (D3DLOCK_DISCARD | D3DLOCK_NOOVERWRITE)) && !(usage_ & D3DUSAGE_DYNAMIC)) return D3DERR_INVALIDCALL;
  UINT total = this->size();
  if (offset > total || (size != 0 && size > total - offset)) return D3DERR_INVALIDCALL;
  if (offset == total && offset != 0) return D3DERR_INVALIDCALL;
  *data = bytes_.data() + offset;
  ++lockCount_;
  return D3D_OK;
}

HRESULT BufferStore::unlock() {
  if (lockCount_ == 0) return D3DERR_INVALIDCALL;
  --lockCount_;
  return D3D_OK;
}

VertexBuffer::VertexBuffer(Device& device, const D3DVERTEXBUFFER_DESC& desc, std::vector<std::byte> bytes)
    : ResourceObject(device, Start::ownedByApplication, desc.Pool), desc_(desc), store_(std::move(bytes), desc.Usage) {}

bool VertexBuffer::implements(REFIID riid) const {
  return riid == IID_IDirect3DVertexBuffer9 || riid == IID_IDirect3DResource9;
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = desc_;
  return D3D_OK;
}

IndexBuffer::IndexBuffer(Device& device, const D3DINDEXBUFFER_DESC& desc, std::vector<std::byte> bytes)
    : ResourceObject(device, Start::ownedByApplication, desc.Pool), desc_(desc), store_(std::move(bytes), desc.Usage) {}

bool IndexBuffer::implements(REFIID riid) const {
  return riid == IID_IDirect3DIndexBuffer9 || riid == IID_IDirect3DResource9;
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = desc_;
  return D3D_OK;
}

}  // namespace platform::d3d9
