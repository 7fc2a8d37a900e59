// Uniform access to the levels and faces of the three texture kinds.
#pragma once

#include "platform/d3d9/com_ptr.h"
#include "platform/d3d9/d3d9.h"

class TextureLevels {
 public:
  // Recognises the texture's kind; `valid()` is false for anything but a 2D, volume or cube texture.
  explicit TextureLevels(IDirect3DBaseTexture9* texture);

  bool valid() const { return type_ != D3DRTYPE_SURFACE; }
  D3DRESOURCETYPE type() const { return type_; }
  UINT faceCount() const { return type_ == D3DRTYPE_CUBETEXTURE ? 6 : 1; }
  UINT levelCount() const;
  // Width, height and depth of level 0.
  HRESULT topSize(UINT* width, UINT* height, UINT* depth) const;

  HRESULT surface(UINT face, UINT level, platform::d3d9::ComPtr<IDirect3DSurface9>* surface) const;
  HRESULT volume(UINT level, platform::d3d9::ComPtr<IDirect3DVolume9>* volume) const;

 private:
  D3DRESOURCETYPE type_ = D3DRTYPE_SURFACE;
  platform::d3d9::ComPtr<IDirect3DTexture9> texture_;
  platform::d3d9::ComPtr<IDirect3DVolumeTexture9> volumeTexture_;
  platform::d3d9::ComPtr<IDirect3DCubeTexture9> cubeTexture_;
  IDirect3DBaseTexture9* base_ = nullptr;
};
