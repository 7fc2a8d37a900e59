// Linear filtering: each destination pixel interpolates between two source pixels per axis
// (four in 2D, eight for volumes). Decoded source rows are kept in a small cache so that each
// is decoded once while it is needed.
#include <array>

#include "texture/conversion_methods.h"
#include "texture/filter_weights.h"

namespace {

bool acceptsLinear2D(const ConversionJob& job) { return job.method() == RESAMPLE_LINEAR && !isVolume(job); }
bool acceptsLinear3D(const ConversionJob& job) { return job.method() == RESAMPLE_LINEAR && isVolume(job); }

// Holds the source rows of the current destination row; a row not needed any more makes room.
class SourceRowCache {
 public:
  explicit SourceRowCache(PixelCodec& source) : source_(source) {
    for (Slot& slot : slots_) slot.pixels.resize(source.width());
  }

  // The rows for `keys` (row, slice), decoded where not cached.
  std::array<const Float4*, 4> rows(const std::array<std::pair<std::uint32_t, std::uint32_t>, 4>& keys) {
    std::array<const Float4*, 4> result{};
    std::array<bool, 4> inUse{};
    for (int k = 0; k < 4; ++k) {
      for (int s = 0; s < 4; ++s) {
        if (slots_[s].valid && slots_[s].key == keys[k]) {
          result[k] = slots_[s].pixels.data();
          inUse[s] = true;
        }
      }
    }
    for (int k = 0; k < 4; ++k) {
      if (result[k] != nullptr) continue;
      int s = 0;
      while (inUse[s]) ++s;
      source_.decodeRow(keys[k].first, keys[k].second, slots_[s].pixels.data());
      slots_[s].key = keys[k];
      slots_[s].valid = true;
      inUse[s] = true;
      result[k] = slots_[s].pixels.data();
      // Later keys equal to this one share the slot.
      for (int later = k + 1; later < 4; ++later) {
        if (keys[later] == keys[k]) result[later] = result[k];
      }
    }
    return result;
  }

 private:
  struct Slot {
    FloatRow pixels;
    std::pair<std::uint32_t, std::uint32_t> key{};
    bool valid = false;
  };
  PixelCodec& source_;
  std::array<Slot, 4> slots_;
};

void runLinear(ConversionJob& job) {
  PixelCodec& to = job.destination;
  PixelCodec& from = job.source;
  auto columns = linearTaps(from.width(), to.width(), (job.filter & RESAMPLE_MIRROR_U) != 0);
  auto rows = linearTaps(from.height(), to.height(), (job.filter & RESAMPLE_MIRROR_V) != 0);
  auto slices = linearTaps(from.depth(), to.depth(), (job.filter & RESAMPLE_MIRROR_W) != 0);
  SourceRowCache cache(from);
  FloatRow out(to.width());
  for (std::uint32_t z = 0; z < to.depth(); ++z) {
    const LinearTap& slice = slices[z];
    for (std::uint32_t y = 0; y < to.height(); ++y) {
      const LinearTap& row = rows[y];
      auto source = cache.rows({{{row.first, slice.first},
                                 {row.second, slice.first},
                                 {row.first, slice.second},
                                 {row.second, slice.second}}});
      const float rowWeights[4] = {row.firstWeight * slice.firstWeight, row.secondWeight * slice.firstWeight,
                                   row.firstWeight * slice.secondWeight, row.secondWeight * slice.secondWeight};
      for (std::uint32_t x = 0; x < to.width(); ++x) {
        const LinearTap& column = columns[x];
        Float4 sum{};
        for (int r = 0; r < 4; ++r) {
          if (rowWeights[r] == 0.0f) continue;
          const Float4& a = source[r][column.first];
          const Float4& b = source[r][column.second];
          for (int c = 0; c < 4; ++c) {
            sum[c] += rowWeights[r] * (column.firstWeight * a[c] + column.secondWeight * b[c]);
          }
        }
        out[x] = sum;
      }
      to.encodeRow(y, z, out.data());
    }
  }
}

}  // namespace

const ConversionMethod kLinear2DMethod{"linear 2D", acceptsLinear2D, runLinear};
const ConversionMethod kLinear3DMethod{"linear 3D", acceptsLinear3D, runLinear};
