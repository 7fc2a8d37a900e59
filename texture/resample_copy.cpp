// The methods that move pixels without resampling arithmetic: raw copy of equal formats,
// decode-and-encode of equal sizes, one-to-one copy without scaling, and nearest sampling.
#include <algorithm>
#include <cstring>

#include "texture/conversion_methods.h"
#include "texture/dxt_block.h"
#include "texture/packed_remap.h"
#include "texture/pixel_formats.h"

namespace {

bool isPairFormat(D3DFORMAT format) {
  return format == D3DFMT_UYVY || format == D3DFMT_YUY2 || format == D3DFMT_R8G8_B8G8 || format == D3DFMT_G8R8_G8B8;
}

bool samePalette(const PixelBlock& a, const PixelBlock& b) {
  if (a.format != D3DFMT_P8 && a.format != D3DFMT_A8P8) return true;
  if (a.palette == nullptr || b.palette == nullptr) return a.palette == b.palette;
  return std::memcmp(a.palette, b.palette, 256 * sizeof(PALETTEENTRY)) == 0;
}

// Where raw rows start and how many bytes and rows they take; block formats count rows of
// blocks, pair formats whole pairs.
struct RawGeometry {
  std::int64_t firstRow;
  std::int64_t firstByte;
  std::int64_t rowBytes;
  std::int64_t rows;
};

RawGeometry rawGeometry(const PixelBlock& block) {
  const D3DBOX& box = block.box;
  std::int64_t width = box.Right - box.Left;
  std::int64_t height = box.Bottom - box.Top;
  if (isBlockFormat(block.format)) {
    std::int64_t bytes = blockBytes(block.format);
    return {box.Top / 4, box.Left / 4 * bytes, (width + 3) / 4 * bytes, (height + 3) / 4};
  }
  if (isPairFormat(block.format)) return {box.Top, box.Left / 2 * 4, (width + 1) / 2 * 4, height};
  std::int64_t bytesPerPixel = describeFormat(block.format).bitsPerPixel / 8;
  return {box.Top, box.Left * bytesPerPixel, width * bytesPerPixel, height};
}

bool alignedForRawCopy(const PixelBlock& block) {
  if (isBlockFormat(block.format)) return block.box.Left % 4 == 0 && block.box.Top % 4 == 0;
  if (isPairFormat(block.format)) return block.box.Left % 2 == 0;
  return true;
}

bool acceptsSame(const ConversionJob& job) {
  const PixelBlock& to = job.destination.block();
  const PixelBlock& from = job.source.block();
  return to.format == from.format && from.colourKey == 0 && sameSize(job.destination, job.source) &&
         job.destination.gamma() == job.source.gamma() && samePalette(to, from) && alignedForRawCopy(to) &&
         alignedForRawCopy(from);
}

void runSame(ConversionJob& job) {
  const PixelBlock& to = job.destination.block();
  const PixelBlock& from = job.source.block();
  RawGeometry target = rawGeometry(to);
  RawGeometry origin = rawGeometry(from);
  for (std::int64_t z = 0; z < job.source.depth(); ++z) {
    for (std::int64_t row = 0; row < origin.rows; ++row) {
      auto* out = static_cast<std::byte*>(to.pixels) + (to.box.Front + z) * to.slicePitch +
                  (target.firstRow + row) * to.rowPitch + target.firstByte;
      const auto* in = static_cast<const std::byte*>(from.pixels) + (from.box.Front + z) * from.slicePitch +
                       (origin.firstRow + row) * from.rowPitch + origin.firstByte;
      std::memmove(out, in, static_cast<std::size_t>(origin.rowBytes));
    }
  }
}

bool acceptsCopy(const ConversionJob& job) { return sameSize(job.destination, job.source); }

// Formats whose channels carry over bit for bit skip the float rows.
std::optional<PackedRemap> integerCopyPlan(const ConversionJob& job) {
  const PixelBlock& to = job.destination.block();
  const PixelBlock& from = job.source.block();
  if (from.colourKey != 0 || job.destination.gamma() || job.source.gamma()) return std::nullopt;
  const PackedLayout* toLayout = findPackedLayout(to.format);
  const PackedLayout* fromLayout = findPackedLayout(from.format);
  if (toLayout == nullptr || fromLayout == nullptr) return std::nullopt;
  return planPackedRemap(*toLayout, *fromLayout);
}

void runCopy(ConversionJob& job) {
  dropMatchingGamma(job);
  if (auto plan = integerCopyPlan(job)) {
    const PixelBlock& to = job.destination.block();
    const PixelBlock& from = job.source.block();
    for (std::int64_t z = 0; z < job.source.depth(); ++z) {
      for (std::int64_t y = 0; y < job.source.height(); ++y) {
        const auto* in = static_cast<const std::byte*>(from.pixels) + (from.box.Front + z) * from.slicePitch +
                         (from.box.Top + y) * from.rowPitch + std::int64_t{from.box.Left} * plan->sourceBytes;
        auto* out = static_cast<std::byte*>(to.pixels) + (to.box.Front + z) * to.slicePitch +
                    (to.box.Top + y) * to.rowPitch + std::int64_t{to.box.Left} * plan->destinationBytes;
        remapRow(*plan, in, out, job.source.width());
      }
    }
    return;
  }
  FloatRow row(job.source.width());
  for (std::uint32_t z = 0; z < job.source.depth(); ++z) {
    for (std::uint32_t y = 0; y < job.source.height(); ++y) {
      job.source.decodeRow(y, z, row.data());
      job.destination.encodeRow(y, z, row.data());
    }
  }
}

bool acceptsNone(const ConversionJob& job) { return job.method() == RESAMPLE_NONE; }

void runNone(ConversionJob& job) {
  dropMatchingGamma(job);
  PixelCodec& to = job.destination;
  PixelCodec& from = job.source;
  FloatRow sourceRow(from.width());
  FloatRow row(to.width());
  std::uint32_t overlap = std::min(to.width(), from.width());
  for (std::uint32_t z = 0; z < to.depth(); ++z) {
    for (std::uint32_t y = 0; y < to.height(); ++y) {
      std::fill(row.begin(), row.end(), Float4{});
      if (z < from.depth() && y < from.height()) {
        from.decodeRow(y, z, sourceRow.data());
        std::copy_n(sourceRow.begin(), overlap, row.begin());
      }
      to.encodeRow(y, z, row.data());
    }
  }
}

bool acceptsPoint(const ConversionJob& job) { return job.method() == RESAMPLE_POINT; }

// Nearest source index per destination index, stepping in 16.16 fixed point without a
// half-pixel offset.
std::vector<std::uint32_t> pointIndices(std::uint32_t sourceSize, std::uint32_t destinationSize) {
  std::uint64_t step = (std::uint64_t{sourceSize} << 16) / destinationSize;
  std::vector<std::uint32_t> indices(destinationSize);
  for (std::uint32_t i = 0; i < destinationSize; ++i) {
    indices[i] = static_cast<std::uint32_t>(std::min<std::uint64_t>((i * step) >> 16, sourceSize - 1));
  }
  return indices;
}

void runPoint(ConversionJob& job) {
  dropMatchingGamma(job);
  PixelCodec& to = job.destination;
  PixelCodec& from = job.source;
  auto columns = pointIndices(from.width(), to.width());
  auto rows = pointIndices(from.height(), to.height());
  auto slices = pointIndices(from.depth(), to.depth());
  FloatRow sourceRow(from.width());
  FloatRow row(to.width());
  std::int64_t decodedRow = -1;
  std::int64_t decodedSlice = -1;
  for (std::uint32_t z = 0; z < to.depth(); ++z) {
    for (std::uint32_t y = 0; y < to.height(); ++y) {
      if (rows[y] != decodedRow || slices[z] != decodedSlice) {
        from.decodeRow(rows[y], slices[z], sourceRow.data());
        decodedRow = rows[y];
        decodedSlice = slices[z];
      }
      for (std::uint32_t x = 0; x < to.width(); ++x) row[x] = sourceRow[columns[x]];
      to.encodeRow(y, z, row.data());
    }
  }
}

}  // namespace

const ConversionMethod kSameMethod{"same", acceptsSame, runSame};
const ConversionMethod kCopyMethod{"copy", acceptsCopy, runCopy};
const ConversionMethod kNoneMethod{"none", acceptsNone, runNone};
const ConversionMethod kPointMethod{"point", acceptsPoint, runPoint};
