// An owning pointer to a reference-counted interface: releases its reference when it goes
// away, adds one when copied.
#pragma once

#include <utility>

namespace platform::d3d9 {

template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes over a reference the caller already owns (a Create* or Get* result).
  static ComPtr adopt(Interface* pointer) {
    ComPtr result;
    result.pointer_ = pointer;
    return result;
  }
  // Adds a reference of its own.
  static ComPtr share(Interface* pointer) {
    if (pointer) pointer->AddRef();
    return adopt(pointer);
  }
  ComPtr(const ComPtr& other) : pointer_(other.pointer_) {
    if (pointer_) pointer_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }
  ~ComPtr() { reset(); }

  void reset() {
    if (Interface* old = std::exchange(pointer_, nullptr)) old->Release();
  }
  // Gives up the reference without releasing it.
  Interface* detach() { return std::exchange(pointer_, nullptr); }
  // Releases the current reference and gives the address for an out parameter.
  Interface** put() {
    reset();
    return &pointer_;
  }

  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace platform::d3d9
