// Box filtering: halving by averaging 2 by 2 (2 by 2 by 2 for volumes) source pixels. An odd
// source size (above 1) loses its last column, row or slice; a size of 1 uses its one pixel
// twice. Common same-format 2D halvings take an integer path.
#include "math/mmx_test.h"
#include "texture/box_integer.h"
#include "texture/conversion_methods.h"

namespace {

bool halves(std::uint32_t destination, std::uint32_t source) {
  return destination == source / 2 || (destination == 1 && source == 1);
}

bool acceptsBox2D(const ConversionJob& job) {
  const PixelCodec& to = job.destination;
  const PixelCodec& from = job.source;
  return job.method() == RESAMPLE_BOX && to.depth() == 1 && from.depth() == 1 && halves(to.width(), from.width()) &&
         halves(to.height(), from.height());
}

bool acceptsBox3D(const ConversionJob& job) {
  const PixelCodec& to = job.destination;
  const PixelCodec& from = job.source;
  return job.method() == RESAMPLE_BOX && isVolume(job) && halves(to.width(), from.width()) &&
         halves(to.height(), from.height()) && halves(to.depth(), from.depth());
}

// Second source index of the pair that feeds destination index i.
std::uint32_t partner(std::uint32_t i, std::uint32_t sourceSize) { return sourceSize > 1 ? 2 * i + 1 : 0; }

bool useIntegerPath(const ConversionJob& job) {
  const PixelBlock& to = job.destination.block();
  const PixelBlock& from = job.source.block();
  bool largerThanOnePixel = job.source.width() > 1 || job.source.height() > 1;
  return to.format == from.format && !to.dither && !job.destination.gamma() && !job.source.gamma() &&
         from.colourKey == 0 && largerThanOnePixel && findIntegerBoxFormat(to.format).has_value();
}

void runIntegerBox2D(ConversionJob& job) {
  const PixelBlock& to = job.destination.block();
  const PixelBlock& from = job.source.block();
  IntegerBoxFormat format = *findIntegerBoxFormat(to.format);
  bool simd = hasSimdBoxPath(to.format) && mmxAvailable();
  auto rowOf = [](const PixelBlock& block, std::uint32_t y, unsigned bytes) {
    return static_cast<std::byte*>(block.pixels) + std::int64_t{block.box.Front} * block.slicePitch +
           (std::int64_t{block.box.Top} + y) * block.rowPitch + std::int64_t{block.box.Left} * bytes;
  };
  std::uint32_t sourceWidth = job.source.width();
  std::uint32_t sourceHeight = job.source.height();
  for (std::uint32_t y = 0; y < job.destination.height(); ++y) {
    const std::byte* row0 = rowOf(from, 2 * y, format.bytesPerPixel);
    const std::byte* row1 = rowOf(from, partner(y, sourceHeight), format.bytesPerPixel);
    std::byte* out = rowOf(to, y, format.bytesPerPixel);
    if (simd) {
      boxHalveRowArgbSimd(row0, row1, out, job.destination.width(), sourceWidth);
    } else {
      boxHalveRow(format, row0, row1, out, job.destination.width(), sourceWidth);
    }
  }
}

void runBox2D(ConversionJob& job) {
  if (useIntegerPath(job)) {
    runIntegerBox2D(job);
    return;
  }
  PixelCodec& to = job.destination;
  PixelCodec& from = job.source;
  FloatRow top(from.width()), bottom(from.width()), out(to.width());
  for (std::uint32_t y = 0; y < to.height(); ++y) {
    from.decodeRow(2 * y, 0, top.data());
    from.decodeRow(partner(y, from.height()), 0, bottom.data());
    for (std::uint32_t x = 0; x < to.width(); ++x) {
      std::uint32_t x0 = 2 * x;
      std::uint32_t x1 = partner(x, from.width());
      for (int c = 0; c < 4; ++c) out[x][c] = 0.25f * (top[x0][c] + top[x1][c] + bottom[x0][c] + bottom[x1][c]);
    }
    to.encodeRow(y, 0, out.data());
  }
}

void runBox3D(ConversionJob& job) {
  PixelCodec& to = job.destination;
  PixelCodec& from = job.source;
  FloatRow rows[4] = {FloatRow(from.width()), FloatRow(from.width()), FloatRow(from.width()), FloatRow(from.width())};
  FloatRow out(to.width());
  for (std::uint32_t z = 0; z < to.depth(); ++z) {
    for (std::uint32_t y = 0; y < to.height(); ++y) {
      std::uint32_t sourceRows[2] = {2 * y, partner(y, from.height())};
      std::uint32_t sourceSlices[2] = {2 * z, partner(z, from.depth())};
      for (int i = 0; i < 4; ++i) from.decodeRow(sourceRows[i & 1], sourceSlices[i >> 1], rows[i].data());
      for (std::uint32_t x = 0; x < to.width(); ++x) {
        std::uint32_t x0 = 2 * x;
        std::uint32_t x1 = partner(x, from.width());
        for (int c = 0; c < 4; ++c) {
          float sum = 0.0f;
          for (const FloatRow& row : rows) sum += row[x0][c] + row[x1][c];
          out[x][c] = 0.125f * sum;
        }
      }
      to.encodeRow(y, z, out.data());
    }
  }
}

}  // namespace

const ConversionMethod kBox2DMethod{"box 2D", acceptsBox2D, runBox2D};
const ConversionMethod kBox3DMethod{"box 3D", acceptsBox3D, runBox3D};
