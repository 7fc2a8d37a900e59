#include "texture/texture_levels.h"

using platform::d3d9::ComPtr;

namespace {

template <typename Interface>
ComPtr<Interface> queryInterface(IDirect3DBaseTexture9* texture, REFIID id) {
  void* found = nullptr;
  if (FAILED(texture->QueryInterface(id, &found))) return nullptr;
  return ComPtr<Interface>::adopt(static_cast<Interface*>(found));
}

}  // namespace

TextureLevels::TextureLevels(IDirect3DBaseTexture9* texture) : base_(texture) {
  if (!texture) return;
  switch (texture->GetType()) {
    case D3DRTYPE_TEXTURE:
      texture_ = queryInterface<IDirect3DTexture9>(texture, IID_IDirect3DTexture9);
      if (texture_) type_ = D3DRTYPE_TEXTURE;
      break;
    case D3DRTYPE_VOLUMETEXTURE:
      volumeTexture_ = queryInterface<IDirect3DVolumeTexture9>(texture, IID_IDirect3DVolumeTexture9);
      if (volumeTexture_) type_ = D3DRTYPE_VOLUMETEXTURE;
      break;
    case D3DRTYPE_CUBETEXTURE:
      cubeTexture_ = queryInterface<IDirect3DCubeTexture9>(texture, IID_IDirect3DCubeTexture9);
      if (cubeTexture_) type_ = D3DRTYPE_CUBETEXTURE;
      break;
    default: break;
  }
}

UINT TextureLevels::levelCount() const { return valid() ? base_->GetLevelCount() : 0; }

HRESULT TextureLevels::topSize(UINT* width, UINT* height, UINT* depth) const {
  *depth = 1;
  if (type_ == D3DRTYPE_VOLUMETEXTURE) {
    D3DVOLUME_DESC desc{};
    HRESULT result = volumeTexture_->GetLevelDesc(0, &desc);
    *width = desc.Width;
    *height = desc.Height;
    *depth = desc.Depth;
    return result;
  }
  D3DSURFACE_DESC desc{};
  HRESULT result = D3DERR_INVALIDCALL;
  if (texture_) result = texture_->GetLevelDesc(0, &desc);
  if (cubeTexture_) result = cubeTexture_->GetLevelDesc(0, &desc);
  *width = desc.Width;
  *height = desc.Height;
  return result;
}

HRESULT TextureLevels::surface(UINT face, UINT level, ComPtr<IDirect3DSurface9>* surface) const {
  if (texture_) return texture_->GetSurfaceLevel(level, surface->put());
  if (cubeTexture_) return cubeTexture_->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(face), level, surface->put());
  return D3DERR_INVALIDCALL;
}

HRESULT TextureLevels::volume(UINT level, ComPtr<IDirect3DVolume9>* volume) const {
  if (volumeTexture_) return volumeTexture_->GetVolumeLevel(level, volume->put());
  return D3DERR_INVALIDCALL;
}
