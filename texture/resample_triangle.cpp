// Triangle filtering (area resampling of the linearly interpolated source). Each source row
// is decoded once, resampled horizontally, and added with its vertical (and depth) weights to
// the destination rows it touches; a destination row is encoded as soon as its last
// contributing source row has been added, and its buffer is reused.
#include <algorithm>

#include "texture/conversion_methods.h"
#include "texture/filter_weights.h"

namespace {

bool acceptsTriangle2D(const ConversionJob& job) { return job.method() == RESAMPLE_TRIANGLE && !isVolume(job); }
bool acceptsTriangle3D(const ConversionJob& job) { return job.method() == RESAMPLE_TRIANGLE && isVolume(job); }

// The last source index that contributes to each destination index.
std::vector<std::int64_t> lastContributors(const TriangleWeights& weights, std::uint32_t destinationSize) {
  std::vector<std::int64_t> last(destinationSize, -1);
  for (std::size_t i = 0; i < weights.size(); ++i) {
    for (const TriangleWeight& w : weights[i]) last[w.destination] = static_cast<std::int64_t>(i);
  }
  return last;
}

class DestinationRows {
 public:
  DestinationRows(PixelCodec& destination, ValueClass valuesClass)
      : destination_(destination),
        valuesClass_(valuesClass),
        slots_(std::size_t{destination.height()} * destination.depth(), kNone),
        encoded_(slots_.size(), false) {}

  FloatRow& row(std::uint32_t y, std::uint32_t z) {
    std::size_t& slot = slots_[index(y, z)];
    if (slot == kNone) {
      if (free_.empty()) {
        slot = buffers_.size();
        buffers_.emplace_back(destination_.width());
      } else {
        slot = free_.back();
        free_.pop_back();
        std::fill(buffers_[slot].begin(), buffers_[slot].end(), Float4{});
      }
    }
    return buffers_[slot];
  }

  void finish(std::uint32_t y, std::uint32_t z) {
    std::size_t i = index(y, z);
    if (encoded_[i]) return;
    FloatRow& pixels = row(y, z);
    for (Float4& p : pixels) p = clampToClass(p, valuesClass_);
    destination_.encodeRow(y, z, pixels.data());
    encoded_[i] = true;
    free_.push_back(slots_[i]);
    slots_[i] = kNone;
  }

  // Rows that no weight reached (possible only when every weight was negligible).
  void finishRest() {
    for (std::uint32_t z = 0; z < destination_.depth(); ++z) {
      for (std::uint32_t y = 0; y < destination_.height(); ++y) finish(y, z);
    }
  }

 private:
  static constexpr std::size_t kNone = ~std::size_t{0};
  std::size_t index(std::uint32_t y, std::uint32_t z) const { return std::size_t{z} * destination_.height() + y; }

  PixelCodec& destination_;
  ValueClass valuesClass_;
  std::vector<std::size_t> slots_;
  std::vector<bool> encoded_;
  std::vector<FloatRow> buffers_;
  std::vector<std::size_t> free_;
};

void runTriangle(ConversionJob& job) {
  PixelCodec& to = job.destination;
  PixelCodec& from = job.source;
  auto columns = triangleWeights(from.width(), to.width(), (job.filter & RESAMPLE_MIRROR_U) != 0);
  auto rows = triangleWeights(from.height(), to.height(), (job.filter & RESAMPLE_MIRROR_V) != 0);
  auto slices = triangleWeights(from.depth(), to.depth(), (job.filter & RESAMPLE_MIRROR_W) != 0);
  auto lastRow = lastContributors(rows, to.height());
  auto lastSlice = lastContributors(slices, to.depth());

  // The sums stay in the source's value range until the destination encodes them.
  DestinationRows destinationRows(to, from.valueClass());
  FloatRow sourceRow(from.width());
  FloatRow resampled(to.width());
  for (std::uint32_t z = 0; z < from.depth(); ++z) {
    for (std::uint32_t y = 0; y < from.height(); ++y) {
      from.decodeRow(y, z, sourceRow.data());
      std::fill(resampled.begin(), resampled.end(), Float4{});
      for (std::uint32_t x = 0; x < from.width(); ++x) {
        const Float4& p = sourceRow[x];
        for (const TriangleWeight& w : columns[x]) {
          Float4& target = resampled[w.destination];
          for (int c = 0; c < 4; ++c) target[c] += w.weight * p[c];
        }
      }
      for (const TriangleWeight& slice : slices[z]) {
        for (const TriangleWeight& row : rows[y]) {
          float weight = slice.weight * row.weight;
          FloatRow& target = destinationRows.row(row.destination, slice.destination);
          for (std::uint32_t x = 0; x < to.width(); ++x) {
            for (int c = 0; c < 4; ++c) target[x][c] += weight * resampled[x][c];
          }
          if (lastSlice[slice.destination] == z && lastRow[row.destination] == y) {
            destinationRows.finish(row.destination, slice.destination);
          }
        }
      }
    }
  }
  destinationRows.finishRest();
}

}  // namespace

const ConversionMethod kTriangle2DMethod{"triangle 2D", acceptsTriangle2D, runTriangle};
const ConversionMethod kTriangle3DMethod{"triangle 3D", acceptsTriangle3D, runTriangle};
