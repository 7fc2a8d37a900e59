// 2D, cube and volume textures: a chain of levels (six chains for cubes), each a surface or
// volume that forwards its reference counts to the texture.
#pragma once

#include <memory>
#include <vector>

#include "platform/d3d9/surface.h"

namespace platform::d3d9 {

struct TextureDescription {
  D3DRESOURCETYPE type;
  UINT width;
  UINT height;
  UINT depth;  // 1 unless a volume texture
  UINT levels;
  DWORD usage;
  D3DFORMAT format;
  D3DPOOL pool;
};

// The parts every texture kind shares, reachable from any of their interfaces.
class TextureBase {
 public:
  explicit TextureBase(const TextureDescription& description) : description_(description) {}
  virtual ~TextureBase() = default;

  const TextureDescription& description() const { return description_; }
  // Level `level` of face `face` (face 0 for 2D textures); null for a volume texture.
  virtual Surface* surface(UINT face, UINT level) = 0;
  virtual Volume* volume(UINT level) = 0;
  UINT faceCount() const { return description_.type == D3DRTYPE_CUBETEXTURE ? 6 : 1; }

 protected:
  DWORD setLod(DWORD lod);
  DWORD lod_ = 0;
  D3DTEXTUREFILTERTYPE autoGenFilter_ = D3DTEXF_LINEAR;

 private:
  TextureDescription description_;
};

// Whether the levels of a texture with this description may be locked.
inline bool texturesLevelsAreLockable(const TextureDescription& d) {
  return d.pool != D3DPOOL_DEFAULT || (d.usage & D3DUSAGE_DYNAMIC);
}

template <typename Interface>
class TextureObject : public ResourceObject<Interface>, public TextureBase {
 public:
  TextureObject(Device& device, const TextureDescription& description)
      : ResourceObject<Interface>(device, DeviceChild::Start::ownedByApplication, description.pool),
        TextureBase(description) {}

  DWORD SetLOD(DWORD lod) override { return setLod(lod); }
  DWORD GetLOD() override { return lod_; }
  DWORD GetLevelCount() override { return description().levels; }
  HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE filter) override {
    if (!(description().usage & D3DUSAGE_AUTOGENMIPMAP) || filter == D3DTEXF_NONE || filter > D3DTEXF_GAUSSIANQUAD) {
      return D3DERR_INVALIDCALL;
    }
    autoGenFilter_ = filter;
    return D3D_OK;
  }
  D3DTEXTUREFILTERTYPE GetAutoGenFilterType() override { return autoGenFilter_; }
  // The rasteriser reports no automatic mipmap generation (D3DOK_NOAUTOGEN), so nothing to do.
  void GenerateMipSubLevels() override {}
  D3DRESOURCETYPE GetType() override { return description().type; }
};

class Texture final : public TextureObject<IDirect3DTexture9> {
 public:
  Texture(Device& device, const TextureDescription& description, std::vector<PixelStore> levels);

  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
  HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surfaceLevel) override;
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
  HRESULT UnlockRect(UINT level) override;
  HRESULT AddDirtyRect(const RECT* dirtyRect) override;

  Surface* surface(UINT face, UINT level) override;
  Volume* volume(UINT) override { return nullptr; }

 protected:
  bool implements(REFIID riid) const override;

 private:
  std::vector<std::unique_ptr<Surface>> levels_;
};

class CubeTexture final : public TextureObject<IDirect3DCubeTexture9> {
 public:
  // `levels` holds each face's chain in turn.
  CubeTexture(Device& device, const TextureDescription& description, std::vector<PixelStore> levels);

  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
  HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES face, UINT level, IDirect3DSurface9** surface) override;
  HRESULT LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect,
                   DWORD flags) override;
  HRESULT UnlockRect(D3DCUBEMAP_FACES face, UINT level) override;
  HRESULT AddDirtyRect(D3DCUBEMAP_FACES face, const RECT* dirtyRect) override;

  Surface* surface(UINT face, UINT level) override;
  Volume* volume(UINT) override { return nullptr; }

 protected:
  bool implements(REFIID riid) const override;

 private:
  std::vector<std::unique_ptr<Surface>> surfaces_;
};

class VolumeTexture final : public TextureObject<IDirect3DVolumeTexture9> {
 public:
  VolumeTexture(Device& device, const TextureDescription& description, std::vector<PixelStore> levels);

  HRESULT GetLevelDesc(UINT level, D3DVOLUME_DESC* desc) override;
  HRESULT GetVolumeLevel(UINT level, IDirect3DVolume9** volumeLevel) override;
  HRESULT LockBox(UINT level, D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) override;
  HRESULT UnlockBox(UINT level) override;
  HRESULT AddDirtyBox(const D3DBOX* dirtyBox) override;

  Surface* surface(UINT, UINT) override { return nullptr; }
  Volume* volume(UINT level) override;

 protected:
  bool implements(REFIID riid) const override;

 private:
  std::vector<std::unique_ptr<Volume>> levels_;
};

// The texture behind one of this layer's texture interfaces, or null for a foreign object.
TextureBase* textureBaseOf(IDirect3DBaseTexture9* texture);
DeviceChild* childOf(IDirect3DBaseTexture9* texture);

}  // namespace platform::d3d9
