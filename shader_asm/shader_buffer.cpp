#include "shader_asm/shader_buffer.h"

#include <cstring>
#include <new>

namespace shader_asm {

namespace {
bool sameGuid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
}  // namespace

HRESULT ShaderBuffer::create(std::size_t size, ShaderBuffer** buffer) {
  if (buffer == nullptr) return D3DERR_INVALIDCALL;
  *buffer = nullptr;
  auto* data = new (std::nothrow) unsigned char[size == 0 ? 1 : size];
  if (data == nullptr) return E_OUTOFMEMORY;
  auto* object = new (std::nothrow) ShaderBuffer(data, size);
  if (object == nullptr) {
    delete[] data;
    return E_OUTOFMEMORY;
  }
  *buffer = object;
  return S_OK;
}

ShaderBuffer::~ShaderBuffer() { delete[] data_; }

HRESULT ShaderBuffer::QueryInterface(const GUID& iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (sameGuid(iid, IID_IUnknown) || sameGuid(iid, IID_ShaderBuffer)) {
    *object = this;
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG ShaderBuffer::AddRef() { return ++references_; }

ULONG ShaderBuffer::Release() {
  ULONG remaining = --references_;
  if (remaining == 0) delete this;
  return remaining;
}

void* ShaderBuffer::GetData() { return data_; }

DWORD ShaderBuffer::GetSize() { return static_cast<DWORD>(size_); }

}  // namespace shader_asm
