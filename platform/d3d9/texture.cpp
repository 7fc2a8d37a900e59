#include "platform/d3d9/texture.h"

#include <algorithm>

#include "platform/d3d9/device.h"

namespace platform::d3d9 {
namespace {

D3DSURFACE_DESC levelDescription(const TextureDescription& d, UINT level) {
  return {d.format,
          D3DRTYPE_SURFACE,
          d.usage,
          d.pool,
          D3DMULTISAMPLE_NONE,
          0,
          mipSize(d.width, level),
          mipSize(d.height, level)};
}

bool isBaseTextureId(REFIID riid) { return riid == IID_IDirect3DBaseTexture9 || riid == IID_IDirect3DResource9; }

}  // namespace

DWORD TextureBase::setLod(DWORD lod) {
  DWORD old = lod_;
  // Only managed textures have a level of detail to set.
  if (description_.pool == D3DPOOL_MANAGED) lod_ = std::min(lod, description_.levels - 1);
  return old;
}

TextureBase* textureBaseOf(IDirect3DBaseTexture9* texture) { return dynamic_cast<TextureBase*>(texture); }
DeviceChild* childOf(IDirect3DBaseTexture9* texture) { return dynamic_cast<DeviceChild*>(texture); }

// --- Texture ---------------------------------------------------------------------------------

Texture::Texture(Device& device, const TextureDescription& description, std::vector<PixelStore> levels)
    : TextureObject(device, description) {
  bool lockable = texturesLevelsAreLockable(description);
  for (UINT level = 0; level < levels.size(); ++level) {
    levels_.push_back(std::make_unique<Surface>(device, Start::insideContainer, this,
                                                levelDescription(description, level), lockable,
                                                std::move(levels[level])));
  }
}

bool Texture::implements(REFIID riid) const { return riid == IID_IDirect3DTexture9 || isBaseTextureId(riid); }

Surface* Texture::surface(UINT face, UINT level) {
  return face == 0 && level < levels_.size() ? levels_[level].get() : nullptr;
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
  Surface* found = surface(0, level);
  return found ? found->GetDesc(desc) : D3DERR_INVALIDCALL;
}

HRESULT Texture::GetSurfaceLevel(UINT level, IDirect3DSurface9** surfaceLevel) {
  if (!surfaceLevel) return D3DERR_INVALIDCALL;
  *surfaceLevel = surface(0, level);
  if (!*surfaceLevel) return D3DERR_INVALIDCALL;
  (*surfaceLevel)->AddRef();
  return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
  Surface* found = surface(0, level);
  return found ? found->LockRect(lockedRect, rect, flags) : D3DERR_INVALIDCALL;
}

HRESULT Texture::UnlockRect(UINT level) {
  Surface* found = surface(0, level);
  return found ? found->UnlockRect() : D3DERR_INVALIDCALL;
}

HRESULT Texture::AddDirtyRect(const RECT*) { return D3D_OK; }

// --- CubeTexture -----------------------------------------------------------------------------

CubeTexture::CubeTexture(Device& device, const TextureDescription& description, std::vector<PixelStore> levels)
    : TextureObject(device, description) {
  bool lockable = texturesLevelsAreLockable(description);
  for (UINT index = 0; index < levels.size(); ++index) {
    UINT level = index % description.levels;
    surfaces_.push_back(std::make_unique<Surface>(device, Start::insideContainer, this,
                                                  levelDescription(description, level), lockable,
                                                  std::move(levels[index])));
  }
}

bool CubeTexture::implements(REFIID riid) const { return riid == IID_IDirect3DCubeTexture9 || isBaseTextureId(riid); }

Surface* CubeTexture::surface(UINT face, UINT level) {
  if (face >= 6 || level >= description().levels) return nullptr;
  return surfaces_[face * description().levels + level].get();
}

HRESULT CubeTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
  Surface* found = surface(0, level);
  return found ? found->GetDesc(desc) : D3DERR_INVALIDCALL;
}

HRESULT CubeTexture::GetCubeMapSurface(D3DCUBEMAP_FACES face, UINT level, IDirect3DSurface9** result) {
  if (!result) return D3DERR_INVALIDCALL;
  *result = surface(face, level);
  if (!*result) return D3DERR_INVALIDCALL;
  (*result)->AddRef();
  return D3D_OK;
}

HRESULT CubeTexture::LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect,
                              DWORD flags) {
  Surface* found = surface(face, level);
  return found ? found->LockRect(lockedRect, rect, flags) : D3DERR_INVALIDCALL;
}

HRESULT CubeTexture::UnlockRect(D3DCUBEMAP_FACES face, UINT level) {
  Surface* found = surface(face, level);
  return found ? found->UnlockRect() : D3DERR_INVALIDCALL;
}

HRESULT CubeTexture::AddDirtyRect(D3DCUBEMAP_FACES face, const RECT*) { return face < 6 ? D3D_OK : D3DERR_INVALIDCALL; }

// --- VolumeTexture ---------------------------------------------------------------------------

VolumeTexture::VolumeTexture(Device& device, const TextureDescription& description, std::vector<PixelStore> levels)
    : TextureObject(device, description) {
  bool lockable = texturesLevelsAreLockable(description);
  for (UINT level = 0; level < levels.size(); ++level) {
    D3DVOLUME_DESC desc{description.format,
                        D3DRTYPE_VOLUME,
                        description.usage,
                        description.pool,
                        mipSize(description.width, level),
                        mipSize(description.height, level),
                        mipSize(description.depth, level)};
    levels_.push_back(std::make_unique<Volume>(device, this, desc, lockable, std::move(levels[level])));
  }
}

bool VolumeTexture::implements(REFIID riid) const {
  return riid == IID_IDirect3DVolumeTexture9 || isBaseTextureId(riid);
}

Volume* VolumeTexture::volume(UINT level) { return level < levels_.size() ? levels_[level].get() : nullptr; }

HRESULT VolumeTexture::GetLevelDesc(UINT level, D3DVOLUME_DESC* desc) {
  Volume* found = volume(level);
  return found ? found->GetDesc(desc) : D3DERR_INVALIDCALL;
}

HRESULT VolumeTexture::GetVolumeLevel(UINT level, IDirect3DVolume9** volumeLevel) {
  if (!volumeLevel) return D3DERR_INVALIDCALL;
  *volumeLevel = volume(level);
  if (!*volumeLevel) return D3DERR_INVALIDCALL;
  (*volumeLevel)->AddRef();
  return D3D_OK;
}

HRESULT VolumeTexture::LockBox(UINT level, D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) {
  Volume* found = volume(level);
  return found ? found->LockBox(lockedVolume, box, flags) : D3DERR_INVALIDCALL;
}

HRESULT VolumeTexture::UnlockBox(UINT level) {
  Volume* found = volume(level);
  return found ? found->UnlockBox() : D3DERR_INVALIDCALL;
}

HRESULT VolumeTexture::AddDirtyBox(const D3DBOX*) { return D3D_OK; }

}  // namespace platform::d3d9
