// What the visibility pass finds for a run of held-back draws, for their rendering to use:
// which pixels a later draw of the run paints over whole, and which blocks each triangle covers.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "platform/d3d9/pixel_block.h"

namespace platform::d3d9 {

// The pixel blocks of a width x height target, row by row.
struct BlockGrid {
  int blocksPerRow = 0, blockRows = 0;

  BlockGrid() = default;
  BlockGrid(int width, int height)
      : blocksPerRow((width + kBlockWidth - 1) / kBlockWidth), blockRows((height + kBlockHeight - 1) / kBlockHeight) {}
  std::size_t blocks() const { return static_cast<std::size_t>(blocksPerRow) * static_cast<std::size_t>(blockRows); }
  // The block whose top-left pixel is (x, y), a block-aligned position inside the target.
  std::size_t index(int x, int y) const {
    return static_cast<std::size_t>(y / kBlockHeight) * static_cast<std::size_t>(blocksPerRow) +
           static_cast<std::size_t>(x / kBlockWidth);
  }
};

// Values kept block by block, each block's lanes side by side, that every run starts at an
// initial value without rewriting them all: a block not written in the current run reads as
// that value, and is filled with it when first written.
template <typename Value>
class RunBlocks {
 public:
  explicit RunBlocks(Value initial) { initial_.fill(initial); }

  // Starts a run over `blocks` blocks.
  void start(std::size_t blocks) {
    if (blocks != stamps_.size() || ++run_ == 0) {
      values_.assign(blocks * kBlockLanes, initial_[0]);
      stamps_.assign(blocks, 0);
      run_ = 1;
    }
  }
  const Value* read(std::size_t block) const {
    return stamps_[block] == run_ ? values_.data() + block * kBlockLanes : initial_.data();
  }
  Value* write(std::size_t block) {
    Value* lanes = values_.data() + block * kBlockLanes;
    if (stamps_[block] != run_) {
      std::copy(initial_.begin(), initial_.end(), lanes);
      stamps_[block] = run_;
    }
    return lanes;
  }

 private:
  std::array<Value, kBlockLanes> initial_;
  std::vector<Value> values_;
  std::vector<std::uint32_t> stamps_;
  std::uint32_t run_ = 0;
};

// Per pixel, the last draw of the run (numbered from 1; 0 for none) whose pixel there is sure
// to land and to replace the colour and depth that earlier draws leave: their pixels need not
// be shaded at all. Kept block by block, a block's lanes side by side.
class HiddenPixels {
 public:
  // Room for a target of this size, every pixel owned by no draw.
  void reset(int width, int height) {
    width_ = width;
    height_ = height;
    grid_ = BlockGrid(width, height);
    owners_.start(grid_.blocks());
  }
  int width() const { return width_; }
  int height() const { return height_; }
  const BlockGrid& grid() const { return grid_; }

  // The owners of the block whose top-left pixel is (x, y), a block-aligned position inside the
  // target, lane by lane.
  std::uint16_t* block(int x, int y) { return owners_.write(grid_.index(x, y)); }
  const std::uint16_t* block(int x, int y) const { return owners_.read(grid_.index(x, y)); }

  // The lanes of that block that a draw after `draw` paints over.
  [[gnu::always_inline]] unsigned hiddenLanes(int x, int y, std::uint16_t draw) const {
    BlockShorts owners;
    std::memcpy(&owners, block(x, y), sizeof owners);
    return laneBits(__builtin_convertvector(owners > draw, BlockInts));
  }

 private:
  int width_ = 0, height_ = 0;
  BlockGrid grid_;
  RunBlocks<std::uint16_t> owners_{0};
};

// A block a triangle covers: its top-left pixel and its covered lanes as bits.
struct CoveredBlock {
  std::int32_t x, y;
  std::uint32_t lanes;
};

// One draw's triangles at one block, in triangle order: each one's covered lanes and its number
// through the run. A block that more than kMost of a draw's triangles reach takes several, in
// order.
struct GatheredBlock {
  static constexpr std::uint32_t kMost = 4;
  std::int32_t x, y;
  std::uint32_t count;
  std::array<std::uint16_t, kMost> lanes;
  std::array<std::uint32_t, kMost> triangles;
};
static_assert(kBlockLanes <= 16, "a gathered block's lanes are 16-bit");

// The blocks each triangle of a run covers inside its draw's region, found band by band (bands
// of whole block rows, top to bottom), triangles numbered through the run's draws in order. The
// draws that gather their blocks have them kept block by block instead.
class CoveredBlocks {
 public:
  struct Band {
    int top = 0, bottom = 0;            // rows
    std::vector<CoveredBlock> blocks;   // every triangle's, in order
    std::vector<std::uint32_t> starts;  // where each triangle's begin, and the end
    // The gathered blocks of every draw that gathers, draw by draw, each draw's in the order it
    // first reaches them.
    std::vector<GatheredBlock> gathered;
    std::vector<std::uint32_t> gatheredStarts;  // where each draw's begin, and the end
  };
  std::vector<Band> bands;

  std::span<const CoveredBlock> of(const Band& band, std::size_t triangle) const {
    return std::span(band.blocks).subspan(band.starts[triangle], band.starts[triangle + 1] - band.starts[triangle]);
  }
  // The gathered blocks of draw `draw` (numbered from 0 through the run).
  std::span<const GatheredBlock> gatheredOf(const Band& band, std::size_t draw) const {
    return std::span(band.gathered)
        .subspan(band.gatheredStarts[draw], band.gatheredStarts[draw + 1] - band.gatheredStarts[draw]);
  }
};

// What one draw of a run takes from the visibility pass: nothing, or the pixels it skips and
// (from `firstTriangle` on, when `covered` is given) where its triangles' blocks are.
struct DrawVisibility {
  const HiddenPixels* hidden = nullptr;
  std::uint16_t draw = 0;
  const CoveredBlocks* covered = nullptr;
  std::size_t firstTriangle = 0;
};

}  // namespace platform::d3d9
