#include "texture/pixel_converter.h"

#include <array>
#include <new>

#include "texture/conversion_methods.h"
#include "texture/pixel_codec.h"

namespace {

// No Direct3D 9 resource comes near this many pixels along one axis; the cap keeps row
// buffers and weight tables within reason for hostile descriptions.
constexpr std::uint32_t kMaxBoxExtent = 1u << 16;

bool validFilter(std::uint32_t filter) {
  std::uint32_t method = filter & 0xFFFF;
  return method >= RESAMPLE_NONE && method <= RESAMPLE_BOX && filter < RESAMPLE_FIRST_INVALID_FLAG;
}

bool validExtent(std::uint32_t low, std::uint32_t high) { return low < high && high - low <= kMaxBoxExtent; }

bool validDescription(const PixelBlock& block) {
  const D3DBOX& box = block.box;
  return block.pixels != nullptr && validExtent(box.Left, box.Right) && validExtent(box.Top, box.Bottom) &&
         validExtent(box.Front, box.Back);
}

// Tried in this order; the first that accepts does the whole job.
constexpr std::array kMethods = {
    &kSameMethod,  &kCopyMethod,     &kNoneMethod,     &kPointMethod,      &kBox2DMethod,
    &kBox3DMethod, &kLinear2DMethod, &kLinear3DMethod, &kTriangle2DMethod, &kTriangle3DMethod,
};

}  // namespace

PixelConverter::PixelConverter(const PixelBlock& destination, const PixelBlock& source, std::uint32_t filter)
    : destination_(destination), source_(source), filter_(filter) {
  destination_.gamma = (filter & RESAMPLE_GAMMA_OUT) != 0;
  destination_.dither = (filter & RESAMPLE_DITHER) != 0;
  destination_.colourKey = 0;
  source_.gamma = (filter & RESAMPLE_GAMMA_IN) != 0;
  source_.dither = false;
}

PixelConverter::~PixelConverter() = default;

HRESULT PixelConverter::run() {
  if (!validFilter(filter_) || !validDescription(destination_) || !validDescription(source_)) {
    return D3DERR_INVALIDCALL;
  }
  try {
    return convert();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT PixelConverter::convert() {
  auto destinationCodec = PixelCodec::create(destination_);
  if (!destinationCodec) return E_FAIL;
  auto sourceCodec = PixelCodec::create(source_);
  if (!sourceCodec) return E_FAIL;
  if (destinationCodec->valueClass() != ValueClass::floatingPoint) {
    destinationCodec->convertRowsFrom(sourceCodec->valueClass());
  }

  ConversionJob job{*destinationCodec, *sourceCodec, filter_};
  for (const ConversionMethod* method : kMethods) {
    if (!method->accepts(job)) continue;
    method->run(job);
    destinationCodec->flush();
    methodUsed_ = method->name;
    return S_OK;
  }
  return E_FAIL;
}

bool sameSize(const PixelCodec& a, const PixelCodec& b) {
  return a.width() == b.width() && a.height() == b.height() && a.depth() == b.depth();
}

bool isVolume(const ConversionJob& job) { return job.destination.depth() > 1 || job.source.depth() > 1; }

void dropMatchingGamma(ConversionJob& job) {
  if (job.destination.gamma() && job.source.gamma()) {
    job.destination.setGamma(false);
    job.source.setGamma(false);
  }
}

HRESULT convertPixels(const PixelBlock& destination, const PixelBlock& source, std::uint32_t filter) {
  return PixelConverter(destination, source, filter).run();
}
