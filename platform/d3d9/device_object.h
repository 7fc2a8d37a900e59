// Reference counting of the objects a device hands out.
//
// Each object keeps two counts. The application's count is what AddRef and Release return;
// while it is above 0 the object holds a reference on its device, so a leaked object makes the
// device's last Release return more than 0. The device's own count covers the bindings that
// keep an object in use (a texture set on a stage, a surface set as render target, a state
// block's captured values) without showing in the application's count. The object goes away
// when both reach 0. Surfaces and volumes inside a texture forward both counts to it.
#pragma once

#include <utility>

#include "platform/d3d9/d3d9.h"

namespace platform::d3d9 {

class Device;

class DeviceChild {
 public:
  enum class Start {
    ownedByApplication,  // made by a Create call: one application reference
    ownedByDevice,       // made by the device for itself (back buffers): one device reference
    insideContainer,     // a level of a texture: counts go to the container
  };

  DeviceChild(Device& device, Start start, DeviceChild* container = nullptr);
  DeviceChild(const DeviceChild&) = delete;
  DeviceChild& operator=(const DeviceChild&) = delete;
  virtual ~DeviceChild();

  ULONG addApplicationReference();
  ULONG releaseApplicationReference();
  void addDeviceReference();
  void releaseDeviceReference();

  ULONG applicationCount() const { return container_ ? container_->applicationCount() : applicationCount_; }
  Device& device() const { return *device_; }
  DeviceChild* container() const { return container_; }

  // Whether this object must be released before the device can be reset (D3DPOOL_DEFAULT
  // resources and state blocks).
  virtual bool blocksReset() const { return false; }

 private:
  Device* device_;
  DeviceChild* container_;
  ULONG applicationCount_ = 0;
  ULONG deviceCount_ = 0;
};

// The IUnknown part of an interface implemented on top of DeviceChild.
template <typename Interface>
class DeviceObject : public Interface, public DeviceChild {
 public:
  using DeviceChild::DeviceChild;

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || implements(riid)) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return addApplicationReference(); }
  ULONG Release() override { return releaseApplicationReference(); }

 protected:
  // The interfaces this object answers QueryInterface for, besides IUnknown.
  virtual bool implements(REFIID riid) const = 0;
  HRESULT getDevice(IDirect3DDevice9** device) const;
};

// A device reference to one of the device's objects: the binding in a state slot. Holds the
// pointer as the slot hands it out (an interface or an implementation class).
template <typename Object>
class Binding {
 public:
  Binding() = default;
  explicit Binding(Object* object) : object_(object), child_(object ? dynamic_cast<DeviceChild*>(object) : nullptr) {
    if (child_) child_->addDeviceReference();
  }
  Binding(const Binding& other) : Binding(other.object_) {}
  Binding& operator=(const Binding& other) {
    Binding copy(other);
    std::swap(object_, copy.object_);
    std::swap(child_, copy.child_);
    return *this;
  }
  ~Binding() {
    if (child_) child_->releaseDeviceReference();
  }
  Object* get() const { return object_; }
  Object* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  bool operator==(const Binding& other) const { return object_ == other.object_; }

 private:
  Object* object_ = nullptr;
  DeviceChild* child_ = nullptr;
};

}  // namespace platform::d3d9
