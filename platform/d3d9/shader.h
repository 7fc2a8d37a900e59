// Vertex and pixel shader objects: the validated token stream the device was given.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/d3d9/device_object.h"
#include "platform/d3d9/shader_machine.h"

namespace platform::d3d9 {

template <typename Interface>
class ShaderObject : public DeviceObject<Interface> {
 public:
  ShaderObject(Device& device, std::vector<DWORD> tokens)
      : DeviceObject<Interface>(device, DeviceChild::Start::ownedByApplication), tokens_(std::move(tokens)) {}

  HRESULT GetDevice(IDirect3DDevice9** device) override { return this->getDevice(device); }
  HRESULT GetFunction(void* data, UINT* sizeOfData) override {
    if (!sizeOfData) return D3DERR_INVALIDCALL;
    UINT size = static_cast<UINT>(tokens_.size() * sizeof(DWORD));
    if (!data) {
      *sizeOfData = size;
      return D3D_OK;
    }
    if (*sizeOfData < size) return D3DERR_INVALIDCALL;
    std::copy(tokens_.begin(), tokens_.end(), static_cast<DWORD*>(data));
    *sizeOfData = size;
    return D3D_OK;
  }

  const std::vector<DWORD>& tokens() const { return tokens_; }
  DWORD version() const { return tokens_.front(); }
  // The decoded program, made on first use; null when the stream does not decode.
  const ShaderProgram* program() const {
    if (!decodeTried_) {
      decodeTried_ = true;
      auto program = std::make_unique<ShaderProgram>();
      if (decodeShaderProgram(tokens_, program.get())) {
        bindRegisterOffsets(program.get());
        program_ = std::move(program);
      }
    }
    return program_.get();
  }

 private:
  std::vector<DWORD> tokens_;
  mutable bool decodeTried_ = false;
  mutable std::unique_ptr<ShaderProgram> program_;
};

class VertexShader final : public ShaderObject<IDirect3DVertexShader9> {
 public:
  using ShaderObject::ShaderObject;

 protected:
  bool implements(REFIID riid) const override { return riid == IID_IDirect3DVertexShader9; }
};

class PixelShader final : public ShaderObject<IDirect3DPixelShader9> {
 public:
  using ShaderObject::ShaderObject;

 protected:
  bool implements(REFIID riid) const override { return riid == IID_IDirect3DPixelShader9; }
};

}  // namespace platform::d3d9
