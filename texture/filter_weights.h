// Per-axis weight tables of the linear and triangle filters. An axis either wraps around at
// its edges or clamps to them (its RESAMPLE_MIRROR flag set).
#pragma once

#include <cstdint>
#include <vector>

// Linear interpolation: destination index i takes source indices first and second with the
// given weights (which sum to 1).
struct LinearTap {
  std::uint32_t first;
  std::uint32_t second;
  float firstWeight;
  float secondWeight;
};
std::vector<LinearTap> linearTaps(std::uint32_t sourceSize, std::uint32_t destinationSize, bool clampEdges);

// Area resampling: what one source index contributes to which destination indices.
struct TriangleWeight {
  std::uint32_t destination;
  float weight;
};
using TriangleWeights = std::vector<std::vector<TriangleWeight>>;  // by source index
TriangleWeights triangleWeights(std::uint32_t sourceSize, std::uint32_t destinationSize, bool clampEdges);
