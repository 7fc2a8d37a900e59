// The search for the supported format closest to a wanted one.
#include <array>

#include "platform/d3d9/com_ptr.h"
#include "texture/texture_loader.h"

using platform::d3d9::ComPtr;

namespace {

constexpr std::int64_t kMissingChannel = 16777216;  // a wanted channel the candidate lacks
constexpr std::int64_t kNarrowerBit = 65536;        // per bit a candidate channel is short
constexpr std::int64_t kUnwantedChannel = 256;      // a channel the wanted format does not have

// Which candidate classes may stand in for a wanted class (index: wanted class).
constexpr std::array<std::array<bool, 5>, 5> kCompatibleClasses{{
    //  colour palettised luminance bump   depth
    {{true, false, false, false, false}},  // colour
    {{true, true, false, false, false}},   // palettised
    {{true, false, true, false, false}},   // luminance
    {{false, false, false, true, false}},  // bump
    {{false, false, false, false, true}},  // depth
}};

std::array<std::uint32_t, 5> channelWidths(const FormatDescriptor& row) {
  return {row.extraBits, row.alphaBits, row.redBits, row.greenBits, row.blueBits};
}

// The device's view of format support: its Direct3D object, adapter, device type and display
// format, and the usage to ask with.
struct FormatQuery {
  ComPtr<IDirect3D9> direct3D;
  UINT adapter = 0;
  D3DDEVTYPE deviceType = D3DDEVTYPE_HAL;
  D3DFORMAT displayFormat = D3DFMT_UNKNOWN;
  DWORD usage = 0;

  bool supports(D3DRESOURCETYPE resourceType, D3DFORMAT format) const {
    return SUCCEEDED(direct3D->CheckDeviceFormat(adapter, deviceType, displayFormat, usage, resourceType, format));
  }
};

bool prepareQuery(IDirect3DDevice9* device, DWORD usage, FormatQuery* query) {
  D3DCAPS9 caps{};
  D3DDISPLAYMODE mode{};
  D3DDEVICE_CREATION_PARAMETERS creation{};
  if (FAILED(device->GetDirect3D(query->direct3D.put())) || !query->direct3D || FAILED(device->GetDeviceCaps(&caps)) ||
      FAILED(device->GetDisplayMode(0, &mode))) {
    return false;
  }
  query->adapter = caps.AdapterOrdinal;
  query->deviceType = caps.DeviceType;
  query->displayFormat = mode.Format;
  query->usage = usage;
  if ((usage & D3DUSAGE_QUERY_VERTEXTEXTURE) && SUCCEEDED(device->GetCreationParameters(&creation)) &&
      (creation.BehaviorFlags & D3DCREATE_SOFTWARE_VERTEXPROCESSING)) {
    query->usage |= D3DUSAGE_SOFTWAREPROCESSING;
  }
  return true;
}

}  // namespace

std::int64_t formatDistance(const FormatDescriptor& wanted, const FormatDescriptor& candidate) {
  auto wantedClass = static_cast<std::size_t>(wanted.formatClass);
  auto candidateClass = static_cast<std::size_t>(candidate.formatClass);
  if (wantedClass >= kCompatibleClasses.size() || candidateClass >= kCompatibleClasses.size() ||
      !kCompatibleClasses[wantedClass][candidateClass]) {
    return -1;
  }
  std::int64_t score = 0;
  std::int64_t wantedChannels = 0;
  const auto want = channelWidths(wanted);
  const auto have = channelWidths(candidate);
  for (std::size_t i = 0; i < want.size(); ++i) {
    std::int64_t w = want[i];
    std::int64_t c = have[i];
    if (w > 0) ++wantedChannels;
    if (c > w) score += w == 0 ? kUnwantedChannel : c - w;
    if (c < w) score += c == 0 ? kMissingChannel : (w - c) * kNarrowerBit;
  }
  // A candidate without any of the wanted channels is no stand-in at all.
  if (wantedChannels > 0 && score / kMissingChannel == wantedChannels) return -1;
  return score;
}

D3DFORMAT pickNearestFormat(IDirect3DDevice9* device, DWORD usage, D3DRESOURCETYPE resourceType,
                            const FormatDescriptor& wanted) {
  FormatQuery query;
  if (device && !prepareQuery(device, usage, &query)) return D3DFMT_UNKNOWN;

  const FormatDescriptor* best = nullptr;
  std::int64_t bestScore = 0;
  D3DFORMAT exact = D3DFMT_UNKNOWN;
  DebugMute(TRUE);
  for (const FormatDescriptor& row : formatDescriptors()) {
    if (row.format == D3DFMT_UNKNOWN) continue;
    if (device && !query.supports(resourceType, row.format)) continue;
    if (row.format == wanted.format) {
      exact = row.format;
      break;
    }
    if (!row.returnable) continue;
    std::int64_t score = formatDistance(wanted, row);
    if (score < 0) continue;
    if (!best || score < bestScore || (score == bestScore && row.bitsPerPixel < best->bitsPerPixel)) {
      best = &row;
      bestScore = score;
    }
  }
  DebugMute(FALSE);
  if (exact != D3DFMT_UNKNOWN) return exact;
  return best ? best->format : D3DFMT_UNKNOWN;
}
