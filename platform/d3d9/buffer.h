// Vertex and index buffers: plain bytes with nested locks.
#pragma once

#include <vector>

#include "platform/d3d9/resource.h"

namespace platform::d3d9 {

// The memory and lock rules both buffer kinds share.
class BufferStore {
 public:
  explicit BufferStore(std::vector<std::byte> bytes, DWORD usage) : bytes_(std::move(bytes)), usage_(usage) {}
  HRESULT lock(UINT offset, UINT size, void** data, DWORD flags);
  HRESULT unlock();
  const std::vector<std::byte>& bytes() const { return bytes_; }
  UINT size() const { return static_cast<UINT>(bytes_.size()); }
  bool isLocked() const { return lockCount_ > 0; }

 private:
  std::vector<std::byte> bytes_;
  DWORD usage_;
  UINT lockCount_ = 0;
};

class VertexBuffer final : public ResourceObject<IDirect3DVertexBuffer9> {
 public:
  VertexBuffer(Device& device, const D3DVERTEXBUFFER_DESC& desc, std::vector<std::byte> bytes);

  D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override {
    return store_.lock(offset, size, data, flags);
  }
  HRESULT Unlock() override { return store_.unlock(); }
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;

  const BufferStore& store() const { return store_; }

 protected:
  bool implements(REFIID riid) const override;

 private:
  D3DVERTEXBUFFER_DESC desc_;
  BufferStore store_;
};

class IndexBuffer final : public ResourceObject<IDirect3DIndexBuffer9> {
 public:
  IndexBuffer(Device& device, const D3DINDEXBUFFER_DESC& desc, std::vector<std::byte> bytes);

  D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override {
    return store_.lock(offset, size, data, flags);
  }
  HRESULT Unlock() override { return store_.unlock(); }
  HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;

  const BufferStore& store() const { return store_; }
  const D3DINDEXBUFFER_DESC& desc() const { return desc_; }

 protected:
  bool implements(REFIID riid) const override;

 private:
  D3DINDEXBUFFER_DESC desc_;
  BufferStore store_;
};

}  // namespace platform::d3d9
