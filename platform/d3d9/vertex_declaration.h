// Vertex declarations, and the fixed-function vertex format codes (FVF) turned into them.
#pragma once

#include <vector>

#include "platform/d3d9/device_object.h"

namespace platform::d3d9 {

// Checks a declaration up to its end marker: known types, methods and usages, streams below
// 16, offsets on 4-byte boundaries, no usage and index twice, at most 64 elements. On success
// `elements` receives the elements with the end marker.
HRESULT parseVertexDeclaration(const D3DVERTEXELEMENT9* declaration, std::vector<D3DVERTEXELEMENT9>* elements);

// The declaration an FVF code describes (end marker included); false for an invalid code.
bool declarationFromFvf(DWORD fvf, std::vector<D3DVERTEXELEMENT9>* elements);
// Bytes per vertex of an FVF code (0 for an invalid code).
UINT fvfVertexSize(DWORD fvf);
// Bytes of one element of a declaration type (0 for UNUSED or unknown).
UINT declTypeSize(BYTE type);

class VertexDeclaration final : public DeviceObject<IDirect3DVertexDeclaration9> {
 public:
  VertexDeclaration(Device& device, Start start, std::vector<D3DVERTEXELEMENT9> elements, DWORD fvf);

  HRESULT GetDevice(IDirect3DDevice9** device) override { return getDevice(device); }
  HRESULT GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* numElements) override;

  const std::vector<D3DVERTEXELEMENT9>& elements() const { return elements_; }
  // The FVF code the declaration was made from, or 0.
  DWORD fvf() const { return fvf_; }

 protected:
  bool implements(REFIID riid) const override { return riid == IID_IDirect3DVertexDeclaration9; }

 private:
  std::vector<D3DVERTEXELEMENT9> elements_;
  DWORD fvf_;
};

}  // namespace platform::d3d9
