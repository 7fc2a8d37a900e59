// Texture creation from a named file: the file is mapped read-only for the decoders.
#include "platform/win/files.h"
#include "texture/texture_loader.h"

namespace {

// A read-only view of a whole file; unmaps and closes whatever it opened.
class MappedFile {
 public:
  MappedFile() = default;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile() {
    if (view_) UnmapViewOfFile(view_);
    if (mapping_) CloseHandle(mapping_);
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }

  // ResultInvalidData when the file cannot be opened, sized or mapped. An empty file maps to
  // no view and size 0.
  HRESULT open(const char* name) {
    file_ = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_RANDOM_ACCESS, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return ResultInvalidData;
    DWORD high = 0;
    size_ = GetFileSize(file_, &high);
    // Files of 4 GiB or more cannot be described by the 32-bit size the decoders take.
    if (size_ == INVALID_FILE_SIZE || high != 0) return ResultInvalidData;
    mapping_ = CreateFileMappingA(file_, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping_) return ResultInvalidData;
    view_ = MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0);
    if (!view_ && size_ != 0) return ResultInvalidData;
    return D3D_OK;
  }

  const void* view() const { return view_; }
  UINT size() const { return size_; }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  HANDLE mapping_ = nullptr;
  LPVOID view_ = nullptr;
  UINT size_ = 0;
};

}  // namespace

HRESULT loadTextureFromFileWithOptions(IDirect3DDevice9* device, const char* fileName, UINT width, UINT height,
                                       UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                       DWORD mipFilter, D3DCOLOR colourKey, ImageSummary* info, PALETTEENTRY* palette,
                                       IDirect3DTexture9** texture) {
  if (texture) *texture = nullptr;
  if (!fileName) return D3DERR_INVALIDCALL;
  MappedFile file;
  if (HRESULT result = file.open(fileName); FAILED(result)) return result;
  return loadTextureFromImageData(device, file.view(), file.size(), width, height, mipLevels, usage, format, pool,
                                  filter, mipFilter, colourKey, info, palette, texture);
}

HRESULT loadTextureFromFile(IDirect3DDevice9* device, const char* fileName, IDirect3DTexture9** texture) {
  const TextureRequest defaults;
  return loadTextureFromFileWithOptions(device, fileName, defaults.width, defaults.height, defaults.mipLevels,
                                        defaults.usage, defaults.format, defaults.pool, defaults.filter,
                                        defaults.mipFilter, defaults.colourKey, nullptr, nullptr, texture);
}
