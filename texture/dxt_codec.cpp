// Row access to DXT1-DXT5 surfaces. Blocks are counted from the description's pixel address
// and the row pitch is that of a row of blocks. Decoding keeps one decoded row of blocks;
// encoding collects each row of blocks until every box row inside it has arrived, merging in
// the current contents of blocks that the box covers only partly.
#include <map>

#include "texture/codec_factories.h"
#include "texture/dxt_block.h"

namespace {

class BlockCodec final : public PixelCodec {
 public:
  explicit BlockCodec(const PixelBlock& block)
      : PixelCodec(block, ValueClass::unsignedUnit),
        bytesPerBlock_(blockBytes(block.format)),
        firstBlockColumn_(block.box.Left / 4),
        blockColumns_((std::uint64_t{block.box.Right} + 3) / 4 - block.box.Left / 4),
        decoded_(rowLength() * 4) {}

  void flush() override {
    for (auto& [key, pending] : pending_) encodeBlockRow(key, pending);
    pending_.clear();
  }

 private:
  struct PendingRow {
    std::vector<Float4> pixels;  // 4 rows of rowLength()
    unsigned rowsWritten = 0;    // bit per row of the block row
  };
  using BlockRowKey = std::pair<std::uint64_t, std::uint64_t>;  // slice, block row (absolute)

  std::size_t rowLength() const { return blockColumns_ * 4; }
  std::size_t leftInCache() const { return block_.box.Left % 4; }

  std::uint8_t* blockAddress(const BlockRowKey& key, std::uint64_t blockColumn) const {
    auto* row = reinterpret_cast<std::uint8_t*>(
        absoluteRow(static_cast<std::int64_t>(key.second), static_cast<std::int64_t>(key.first)));
    return row + (firstBlockColumn_ + blockColumn) * bytesPerBlock_;
  }

  void decodeBlockRow(const BlockRowKey& key, std::vector<Float4>& pixels) const {
    Float4 block[kBlockPixels];
    for (std::uint64_t column = 0; column < blockColumns_; ++column) {
      decodeBlock(block_.format, blockAddress(key, column), block);
      for (int i = 0; i < kBlockPixels; ++i) pixels[(i / 4) * rowLength() + column * 4 + i % 4] = block[i];
    }
  }

  void encodeBlockRow(const BlockRowKey& key, const PendingRow& pending) {
    Float4 block[kBlockPixels];
    for (std::uint64_t column = 0; column < blockColumns_; ++column) {
      for (int i = 0; i < kBlockPixels; ++i) block[i] = pending.pixels[(i / 4) * rowLength() + column * 4 + i % 4];
      encodeBlock(block_.format, block, blockAddress(key, column));
    }
  }

  BlockRowKey keyOf(std::uint32_t y, std::uint32_t z) const {
    return {std::uint64_t{block_.box.Front} + z, (std::uint64_t{block_.box.Top} + y) / 4};
  }

  // The rows of block row `blockRow` that lie inside the box, one bit each.
  unsigned rowsInBox(std::uint64_t blockRow) const {
    unsigned mask = 0;
    for (unsigned r = 0; r < 4; ++r) {
      std::uint64_t row = blockRow * 4 + r;
      if (row >= block_.box.Top && row < block_.box.Bottom) mask |= 1u << r;
    }
    return mask;
  }

  void unpackRow(std::uint32_t y, std::uint32_t z, Float4* out) override {
    BlockRowKey key = keyOf(y, z);
    if (!decodedValid_ || key != decodedKey_) {
      decodeBlockRow(key, decoded_);
      decodedKey_ = key;
      decodedValid_ = true;
    }
    const Float4* row = decoded_.data() + ((block_.box.Top + y) % 4) * rowLength() + leftInCache();
    std::copy(row, row + width(), out);
  }

  void packRow(std::uint32_t y, std::uint32_t z, const Float4* in) override {
    BlockRowKey key = keyOf(y, z);
    auto [it, inserted] = pending_.try_emplace(key);
    PendingRow& pending = it->second;
    unsigned needed = rowsInBox(key.second);
    if (inserted) {
      pending.pixels.resize(rowLength() * 4);
      bool partial = needed != 0xF || block_.box.Left % 4 != 0 || block_.box.Right % 4 != 0;
      if (partial) decodeBlockRow(key, pending.pixels);
    }
    unsigned rowInBlock = (block_.box.Top + y) % 4;
    std::copy(in, in + width(), pending.pixels.begin() + rowInBlock * rowLength() + leftInCache());
    pending.rowsWritten |= 1u << rowInBlock;
    if (pending.rowsWritten == needed) {
      encodeBlockRow(key, pending);
      pending_.erase(it);
      decodedValid_ = false;  // the source may be this very surface
    }
  }

  Float4 roundTrip(const Float4& pixel) override { return roundToBlockPrecision(block_.format, pixel); }

  unsigned bytesPerBlock_;
  std::uint64_t firstBlockColumn_;
  std::uint64_t blockColumns_;
  std::vector<Float4> decoded_;
  BlockRowKey decodedKey_{};
  bool decodedValid_ = false;
  std::map<BlockRowKey, PendingRow> pending_;
};

}  // namespace

std::unique_ptr<PixelCodec> createBlockCodec(const PixelBlock& block) {
  if (!isBlockFormat(block.format)) return nullptr;
  return std::make_unique<BlockCodec>(block);
}
