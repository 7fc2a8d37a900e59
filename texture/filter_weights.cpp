#include "texture/filter_weights.h"

#include <algorithm>
#include <cmath>

namespace {

// Weights at or below this are left out; they cannot change an 8-bit result.
constexpr double kNegligibleWeight = 0.00001;

std::uint32_t wrapIndex(std::int64_t index, std::uint32_t size, bool clampEdges) {
  if (index < 0) return clampEdges ? 0 : size - 1;
  if (index >= size) return clampEdges ? size - 1 : 0;
  return static_cast<std::uint32_t>(index);
}

}  // namespace

std::vector<LinearTap> linearTaps(std::uint32_t sourceSize, std::uint32_t destinationSize, bool clampEdges) {
  std::vector<LinearTap> taps(destinationSize);
  double scale = static_cast<double>(sourceSize) / destinationSize;
  for (std::uint32_t i = 0; i < destinationSize; ++i) {
    double m = (i + 0.5) * scale + 0.5;
    double o = std::trunc(m);
    auto index = static_cast<std::int64_t>(o);
    taps[i] = {wrapIndex(index - 1, sourceSize, clampEdges), wrapIndex(index, sourceSize, clampEdges),
               static_cast<float>(o + 1 - m), static_cast<float>(m - o)};
  }
  return taps;
}

TriangleWeights triangleWeights(std::uint32_t sourceSize, std::uint32_t destinationSize, bool clampEdges) {
  TriangleWeights weights(sourceSize);
  double k = static_cast<double>(destinationSize) / sourceSize;
  double end = destinationSize;
  for (std::uint32_t i = 0; i < sourceSize; ++i) {
    std::vector<TriangleWeight>& list = weights[i];
    for (int half = 0; half < 2; ++half) {
      double low = (i - 0.5 + half) * k;
      double high = (i + 0.5 + half) * k;
      // The half-tent beyond a clamped edge folds back in at full height, so that the edge
      // pixels still receive a total weight of 1.
      bool flat = clampEdges && ((half == 0 && i == 0) || (half == 1 && i + 1 == sourceSize));
      if (clampEdges) {
        low = std::max(low, 0.0);
        high = std::min(high, end);
      }
      for (double cell = std::floor(low); cell < high; cell += 1.0) {
        double pieceLow = std::max(low, cell);
        double pieceHigh = std::min(high, cell + 1.0);
        double length = pieceHigh - pieceLow;
        if (length <= 0.0) continue;
        double u = 0.5 * (pieceLow + pieceHigh) / k;  // source coordinate of the midpoint
        double height = flat ? 1.0 : (half == 0 ? u - (i - 0.5) : (i + 1.5) - u);
        auto index = static_cast<std::int64_t>(cell);
        std::int64_t wrapped = ((index % destinationSize) + destinationSize) % destinationSize;
        auto destination = static_cast<std::uint32_t>(clampEdges ? index : wrapped);
        auto weight = static_cast<float>(length * height);
        if (!list.empty() && list.back().destination == destination) {
          list.back().weight += weight;
        } else {
          list.push_back({destination, weight});
        }
      }
    }
    // Wrapping a tent wider than the image meets the same destination again: merge those too.
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.destination < b.destination; });
    std::vector<TriangleWeight> merged;
    for (const TriangleWeight& entry : list) {
      if (!merged.empty() && merged.back().destination == entry.destination) {
        merged.back().weight += entry.weight;
      } else {
        merged.push_back(entry);
      }
    }
    std::erase_if(merged, [](const TriangleWeight& w) { return w.weight <= kNegligibleWeight; });
    list = std::move(merged);
  }
  return weights;
}
