// The reference-counted byte buffer the assembler hands out for tokens and for messages.
#pragma once

#include <cstddef>
#include <utility>

#include "platform/win/result_codes.h"
#include "platform/win/types.h"

namespace shader_asm {

inline constexpr GUID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr GUID IID_ShaderBuffer = {0x932E6A7E, 0xC68E, 0x45DD, {0xA7, 0xBF, 0x53, 0xD1, 0x9C, 0x86, 0xDB, 0x1F}};

class ShaderBuffer {
 public:
  // A buffer of `size` bytes (uninitialised), reference count 1. D3DERR_INVALIDCALL for a null
  // out pointer, E_OUTOFMEMORY when it cannot be allocated.
  static HRESULT create(std::size_t size, ShaderBuffer** buffer);

  virtual HRESULT QueryInterface(const GUID& iid, void** object);
  virtual ULONG AddRef();
  virtual ULONG Release();
  virtual void* GetData();
  virtual DWORD GetSize();

 protected:
  virtual ~ShaderBuffer();

 private:
  ShaderBuffer(unsigned char* data, std::size_t size) : data_(data), size_(size) {}
  ULONG references_ = 1;
  unsigned char* data_;
  std::size_t size_;
};

// Owns one reference.
class ShaderBufferPtr {
 public:
  ShaderBufferPtr() = default;
  explicit ShaderBufferPtr(ShaderBuffer* buffer) : buffer_(buffer) {}
  ShaderBufferPtr(const ShaderBufferPtr&) = delete;
  ShaderBufferPtr& operator=(const ShaderBufferPtr&) = delete;
  ShaderBufferPtr(ShaderBufferPtr&& other) noexcept : buffer_(std::exchange(other.buffer_, nullptr)) {}
  ShaderBufferPtr& operator=(ShaderBufferPtr&& other) noexcept {
    reset(std::exchange(other.buffer_, nullptr));
    return *this;
  }
  ~ShaderBufferPtr() { reset(); }

  void reset(ShaderBuffer* buffer = nullptr) {
    if (buffer_ != nullptr) buffer_->Release();
    buffer_ = buffer;
  }
  ShaderBuffer* get() const { return buffer_; }
  ShaderBuffer* operator->() const { return buffer_; }
  explicit operator bool() const { return buffer_ != nullptr; }
  // For out parameters: releases what is held and hands out the slot.
  ShaderBuffer** put() {
    reset();
    return &buffer_;
  }

 private:
  ShaderBuffer* buffer_ = nullptr;
};

}  // namespace shader_asm
