#include "platform/d3d9/vertex_declaration.h"

#include <algorithm>
#include <array>

namespace platform::d3d9 {
namespace {

// Bytes per element, by D3DDECLTYPE value.
constexpr std::array<BYTE, 17> kDeclTypeSizes = {4, 8, 12, 16, 4, 4, 4, 8, 4, 4, 8, 4, 8, 4, 4, 4, 8};
static_assert(kDeclTypeSizes.size() == D3DDECLTYPE_UNUSED);

constexpr BYTE kLastMethod = D3DDECLMETHOD_LOOKUPPRESAMPLED;
constexpr BYTE kLastUsage = D3DDECLUSAGE_SAMPLE;
constexpr WORD kEndStream = 0xFF;

void append(std::vector<D3DVERTEXELEMENT9>* elements, WORD* offset, BYTE type, BYTE usage, BYTE index) {
  elements->push_back({0, *offset, type, D3DDECLMETHOD_DEFAULT, usage, index});
  *offset = static_cast<WORD>(*offset + declTypeSize(type));
}

}  // namespace

UINT declTypeSize(BYTE type) { return type < kDeclTypeSizes.size() ? kDeclTypeSizes[type] : 0; }

HRESULT parseVertexDeclaration(const D3DVERTEXELEMENT9* declaration, std::vector<D3DVERTEXELEMENT9>* elements) {
  if (!declaration) return D3DERR_INVALIDCALL;
  elements->clear();
  for (UINT i = 0;; ++i) {
    const D3DVERTEXELEMENT9& element = declaration[i];
    if (element.Stream == kEndStream && element.Type == D3DDECLTYPE_UNUSED) break;
    if (i + 1 >= MAXD3DDECLLENGTH) return D3DERR_INVALIDCALL;
    if (element.Stream >= 16 || element.Type >= D3DDECLTYPE_UNUSED || element.Method > kLastMethod ||
        element.Usage > kLastUsage || element.Offset % 4 != 0) {
      return D3DERR_INVALIDCALL;
    }
    bool duplicate = std::any_of(elements->begin(), elements->end(), [&](const D3DVERTEXELEMENT9& other) {
      return other.Usage == element.Usage && other.UsageIndex == element.UsageIndex;
    });
    if (duplicate) return D3DERR_INVALIDCALL;
    elements->push_back(element);
  }
  elements->push_back(D3DDECL_END());
  return D3D_OK;
}

bool declarationFromFvf(DWORD fvf, std::vector<D3DVERTEXELEMENT9>* elements) {
  elements->clear();
  constexpr DWORD kKnownBits = D3DFVF_POSITION_MASK | D3DFVF_NORMAL | D3DFVF_PSIZE | D3DFVF_DIFFUSE | D3DFVF_SPECULAR |
                               D3DFVF_TEXCOUNT_MASK | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR | 0xFFFF0000u;
  if (fvf & ~kKnownBits) return false;
  DWORD textureCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  if (textureCount > 8) return false;
  WORD offset = 0;
  DWORD position = fvf & D3DFVF_POSITION_MASK;
  switch (position) {
    case 0: break;
    case D3DFVF_XYZ: append(elements, &offset, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0); break;
    case D3DFVF_XYZRHW:
      if (fvf & D3DFVF_NORMAL) return false;
      append(elements, &offset, D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITIONT, 0);
      break;
    case D3DFVF_XYZW: append(elements, &offset, D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITION, 0); break;
    case D3DFVF_XYZB1:
    case D3DFVF_XYZB2:
    case D3DFVF_XYZB3:
    case D3DFVF_XYZB4:
    case D3DFVF_XYZB5: {
      append(elements, &offset, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
      DWORD betas = (position - D3DFVF_XYZRHW) / 2;  // XYZB1 is 6, each further beta adds 2
      bool lastIsIndices = fvf & (D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR);
      DWORD weights = lastIsIndices ? betas - 1 : betas;
      if (weights > 0) {
        append(elements, &offset, static_cast<BYTE>(D3DDECLTYPE_FLOAT1 + weights - 1), D3DDECLUSAGE_BLENDWEIGHT, 0);
      }
      if (lastIsIndices) {
        BYTE type = (fvf & D3DFVF_LASTBETA_UBYTE4) ? D3DDECLTYPE_UBYTE4 : D3DDECLTYPE_D3DCOLOR;
        append(elements, &offset, type, D3DDECLUSAGE_BLENDINDICES, 0);
      }
      break;
    }
    default: return false;
  }
  if (fvf & D3DFVF_NORMAL) append(elements, &offset, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0);
  if (fvf & D3DFVF_PSIZE) append(elements, &offset, D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE, 0);
  if (fvf & D3DFVF_DIFFUSE) append(elements, &offset, D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0);
  if (fvf & D3DFVF_SPECULAR) append(elements, &offset, D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1);
  for (DWORD set = 0; set < textureCount; ++set) {
    // Two size bits per set: 0 two floats, 1 three, 2 four, 3 one.
    constexpr std::array<BYTE, 4> kTypes = {D3DDECLTYPE_FLOAT2, D3DDECLTYPE_FLOAT3, D3DDECLTYPE_FLOAT4,
                                            D3DDECLTYPE_FLOAT1};
    DWORD sizeCode = (fvf >> (16 + 2 * set)) & 3;
    append(elements, &offset, kTypes[sizeCode], D3DDECLUSAGE_TEXCOORD, static_cast<BYTE>(set));
  }
  elements->push_back(D3DDECL_END());
  return true;
}

UINT fvfVertexSize(DWORD fvf) {
  std::vector<D3DVERTEXELEMENT9> elements;
  if (!declarationFromFvf(fvf, &elements)) return 0;
  UINT size = 0;
  for (const D3DVERTEXELEMENT9& element : elements) {
    if (element.Stream == kEndStream) break;
    size = std::max(size, element.Offset + declTypeSize(element.Type));
  }
  return size;
}

VertexDeclaration::VertexDeclaration(Device& device, Start start, std::vector<D3DVERTEXELEMENT9> elements, DWORD fvf)
    : DeviceObject(device, start), elements_(std::move(elements)), fvf_(fvf) {}

HRESULT VertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* numElements) {
  if (!numElements) return D3DERR_INVALIDCALL;
  *numElements = static_cast<UINT>(elements_.size());
  if (elements) std::copy(elements_.begin(), elements_.end(), elements);
  return D3D_OK;
}

}  // namespace platform::d3d9
