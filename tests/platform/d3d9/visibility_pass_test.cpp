// The visibility pass on hand-built runs of draws: which pixels it gives to a later draw, worked
// out from the depth rules (a draw's pixel must be sure to pass against the buffer and against
// every depth the run may have stored), and the blocks it keeps for each triangle.
#include "platform/d3d9/visibility_pass.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <utility>
#include <vector>

#include "platform/d3d9/block_rasterizer.h"
#include "platform/d3d9/format_table.h"

namespace platform::d3d9 {
namespace {

constexpr int kWidth = 23, kHeight = 13;
const IntegerDepth kD24{4, 24, 8, 16777215.0};

// Two triangles covering the pixels whose centres lie in [x0, x1) x [y0, y1), at depth z.
std::vector<TriangleSetup> rectangle(float x0, float y0, float x1, float y1, float z) {
  static const std::array<Vec4, kVaryingSlots> varyings{};
  auto corner = [&](float x, float y) { return ScreenVertex{x - 0.5f, y - 0.5f, z, 1.0f, &varyings}; };
  std::vector<TriangleSetup> triangles(2);
  EXPECT_TRUE(setupTriangle(corner(x0, y0), corner(x1, y0), corner(x0, y1), D3DCULL_NONE, 0, 0, &triangles[0]));
  EXPECT_TRUE(setupTriangle(corner(x1, y0), corner(x1, y1), corner(x0, y1), D3DCULL_NONE, 0, 0, &triangles[1]));
  return triangles;
}

struct Layer {
  std::vector<TriangleSetup> triangles;
  bool writesDepth = true, knownDepth = true, paintsOver = false;
  unsigned depthPasses = 3;  // LESSEQUAL
  bool linesOrPoints = false;
  bool gathersBlocks = false;
};

class VisibilityPassTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(allocatePixels(*findFormat(D3DFMT_D24S8), kWidth, kHeight, 1, &depth_), S_OK); }

  // Every depth word of the buffer holds depth `z`.
  void clearDepth(float z) {
    const auto word = static_cast<DWORD>(static_cast<double>(z) * kD24.maximum + 0.5) << 8;
    for (UINT y = 0; y < depth_.height; ++y) {
      for (UINT x = 0; x < depth_.width; ++x) std::memcpy(depth_.at(x, y), &word, 4);
    }
  }

  // Runs the pass over the layers with `workers` bands; the owner of every pixel, row by row.
  std::vector<int> owners(const std::vector<Layer>& layers, unsigned workers = 2) {
    std::vector<DrawCoverage> draws;
    for (const Layer& layer : layers) {
      DrawCoverage draw;
      draw.triangles.emplace_back(layer.triangles);
      draw.region = {0, 0, kWidth, kHeight};
      draw.writesDepth = layer.writesDepth;
      draw.knownDepth = layer.knownDepth;
      draw.paintsOver = layer.paintsOver;
      draw.depthPasses = layer.depthPasses;
      draw.linesOrPoints = layer.linesOrPoints;
      draw.gathersBlocks = layer.gathersBlocks;
      draws.push_back(draw);
    }
    hidden_.reset(kWidth, kHeight);
    seen_ = pass_.run(draws, depth_, kD24, hidden_, covered_, workers_, workers);
    std::vector<int> result;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const std::uint16_t* block = std::as_const(hidden_).block(x & ~(kBlockWidth - 1), y & ~(kBlockHeight - 1));
        result.push_back(seen_ ? block[(y % kBlockHeight) * kBlockWidth + x % kBlockWidth] : 0);
      }
    }
    return result;
  }

  // Three layers that paint over, each of `triangles` random triangles reaching past the target.
  static std::vector<Layer> randomLayers(std::uint32_t seed, int triangles) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> position(-4.0f, 27.0f), depth(0.0f, 1.0f);
    static const std::array<Vec4, kVaryingSlots> varyings{};
    std::vector<Layer> layers(3);
    for (Layer& layer : layers) {
      layer.paintsOver = true;
      for (int i = 0; i < triangles; ++i) {
        ScreenVertex v[3];
        for (ScreenVertex& corner : v) corner = {position(random), position(random), depth(random), 1.0f, &varyings};
        TriangleSetup setup;
        if (setupTriangle(v[0], v[1], v[2], D3DCULL_NONE, 0, 0, &setup)) layer.triangles.push_back(setup);
      }
    }
    return layers;
  }

  // The owners of pixels inside [x0, x1) x [y0, y1) being `inside`, the rest `outside`.
  static std::vector<int> expected(int x0, int y0, int x1, int y1, int inside, int outside = 0) {
    std::vector<int> result;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) result.push_back(x >= x0 && x < x1 && y >= y0 && y < y1 ? inside : outside);
    }
    return result;
  }

  PixelStore depth_;
  VisibilityPass pass_;
  HiddenPixels hidden_;
  CoveredBlocks covered_;
  BandWorkers workers_;
  std::size_t seen_ = 0;
};

TEST_F(VisibilityPassTest, ANearerOpaqueDrawOwnsThePixelsItCovers) {
  clearDepth(1.0f);
  Layer card{rectangle(0, 0, kWidth, kHeight, 0.5f)};
  Layer patch{rectangle(3, 2, 15, 11, 0.25f), true, true, true};
  EXPECT_EQ(owners({card, patch}), expected(3, 2, 15, 11, 2));
  EXPECT_EQ(seen_, 2u);
  // Behind what the run drew first, it owns nothing; at the same depth LESSEQUAL passes and
  // LESS does not.
  patch.triangles = rectangle(3, 2, 15, 11, 0.75f);
  EXPECT_EQ(owners({card, patch}), expected(0, 0, 0, 0, 0));
  patch.triangles = rectangle(3, 2, 15, 11, 0.5f);
  EXPECT_EQ(owners({card, patch}), expected(3, 2, 15, 11, 2));
  patch.depthPasses = 1;
  EXPECT_EQ(owners({card, patch}), expected(0, 0, 0, 0, 0));
  // Other functions may fail whatever the depths, so they are never sure.
  patch.triangles = rectangle(3, 2, 15, 11, 0.25f);
  patch.depthPasses = 2;  // EQUAL
  EXPECT_EQ(owners({card, patch}), expected(0, 0, 0, 0, 0));
  // ALWAYS lands whatever was stored.
  patch.triangles = rectangle(3, 2, 15, 11, 0.75f);
  patch.depthPasses = 7;
  EXPECT_EQ(owners({card, patch}), expected(3, 2, 15, 11, 2));
}

TEST_F(VisibilityPassTest, TheBufferAsTheRunFoundItCounts) {
  clearDepth(0.3f);
  Layer card{rectangle(0, 0, kWidth, kHeight, 0.5f)};
  Layer patch{rectangle(3, 2, 15, 11, 0.25f), true, true, true};
  // 0.25 passes against 0.3 but the card's 0.5 fails, so the card's pixels never land there;
  // the patch is still sure to land.
  EXPECT_EQ(owners({card, patch}), expected(3, 2, 15, 11, 2));
  clearDepth(0.2f);
  EXPECT_EQ(owners({card, patch}), expected(0, 0, 0, 0, 0));
  // LESS against the same integer fails.
  clearDepth(0.25f);
  patch.depthPasses = 1;
  EXPECT_EQ(owners({card, patch}), expected(0, 0, 0, 0, 0));
}

TEST_F(VisibilityPassTest, DepthsThePassCannotFollowRuleOutLaterOwners) {
  clearDepth(1.0f);
  Layer first{rectangle(0, 0, kWidth, kHeight, 0.5f), true, true, true};
  Layer unknown{rectangle(0, 0, 8, kHeight, 0.9f), true, false, false};
  Layer patch{rectangle(3, 2, 15, 11, 0.25f), true, true, true};
  // Left of x = 8 the shader-written depth may be below the patch's.
  std::vector<int> want = expected(0, 0, kWidth, kHeight, 1);
  for (int y = 2; y < 11; ++y) {
    for (int x = 8; x < 15; ++x) want[static_cast<std::size_t>(y * kWidth + x)] = 3;
  }
  EXPECT_EQ(owners({first, unknown, patch}), want);
  // A draw that stores no depth leaves everything as it was.
  unknown.writesDepth = false;
  EXPECT_EQ(owners({first, unknown, patch}), expected(3, 2, 15, 11, 3, 1));
  // Lines and points write depths the pass does not follow anywhere in their draw's region.
  unknown = {{}, true, true, false};
  unknown.linesOrPoints = true;
  EXPECT_EQ(owners({first, unknown, patch}), expected(0, 0, kWidth, kHeight, 1));
}

TEST_F(VisibilityPassTest, AnOwnersDepthCountsForTheDrawsAfterIt) {
  clearDepth(1.0f);
  Layer card{rectangle(0, 0, kWidth, kHeight, 0.5f)};
  Layer near{rectangle(3, 2, 15, 11, 0.2f), true, true, true};
  // Behind the near patch where they overlap, in front of the card elsewhere.
  Layer far{rectangle(10, 0, kWidth, kHeight, 0.3f), true, true, true};
  std::vector<int> want = expected(3, 2, 15, 11, 2);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 10; x < kWidth; ++x) {
      if (x >= 15 || y < 2 || y >= 11) want[static_cast<std::size_t>(y * kWidth + x)] = 3;
    }
  }
  EXPECT_EQ(owners({card, near, far}), want);
  // The same within one draw: its later triangles behind its earlier ones are not sure to land.
  near.triangles.insert(near.triangles.end(), far.triangles.begin(), far.triangles.end());
  Layer closest{rectangle(12, 0, 13, kHeight, 0.25f), true, true, true};
  want = expected(3, 2, 15, 11, 2);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 10; x < kWidth; ++x) want[static_cast<std::size_t>(y * kWidth + x)] = 2;
    if (y < 2 || y >= 11) want[static_cast<std::size_t>(y * kWidth + 12)] = 3;
  }
  EXPECT_EQ(owners({card, near, closest}), want);
}

TEST_F(VisibilityPassTest, OnlyDrawsUpToTheLastThatPaintsOverAreGoneThrough) {
  clearDepth(1.0f);
  Layer opaque{rectangle(0, 0, kWidth, kHeight, 0.5f), true, true, true};
  Layer blended{rectangle(0, 0, kWidth, kHeight, 0.1f)};
  owners({blended, opaque, blended});
  EXPECT_EQ(seen_, 2u);
  // With nothing before it to hide, the pass is not run at all.
  owners({opaque, blended});
  EXPECT_EQ(seen_, 0u);
  owners({blended});
  EXPECT_EQ(seen_, 0u);
}

TEST_F(VisibilityPassTest, PixelsBeyondASmallerDepthBufferAreNeverOwned) {
  ASSERT_EQ(allocatePixels(*findFormat(D3DFMT_D24S8), 10, 7, 1, &depth_), S_OK);
  clearDepth(1.0f);
  Layer card{rectangle(0, 0, kWidth, kHeight, 0.5f)};
  Layer patch{rectangle(0, 0, kWidth, kHeight, 0.25f), true, true, true};
  EXPECT_EQ(owners({card, patch}), expected(0, 0, 10, 7, 2));
}

TEST_F(VisibilityPassTest, KeptBlocksAreTheRasterisersOwnBandByBand) {
  clearDepth(1.0f);
  std::vector<Layer> layers = randomLayers(5, 6);
  for (unsigned workers : {1u, 2u, 3u}) {
    owners(layers, workers);
    std::size_t triangle = 0;
    for (const Layer& layer : layers) {
      for (const TriangleSetup& t : layer.triangles) {
        for (const CoveredBlocks::Band& band : covered_.bands) {
          std::vector<CoveredBlock> want;
          forEachCoveredBlock(t, {0, band.top, kWidth, band.bottom}, [&](int x, int y, unsigned lanes) {
            want.push_back({x, y, lanes});
          });
          const auto kept = covered_.of(band, triangle);
          ASSERT_EQ(kept.size(), want.size());
          for (std::size_t b = 0; b < want.size(); ++b) {
            EXPECT_EQ(kept[b].x, want[b].x);
            EXPECT_EQ(kept[b].y, want[b].y);
            EXPECT_EQ(kept[b].lanes, want[b].lanes);
          }
        }
        ++triangle;
      }
    }
  }
}

TEST_F(VisibilityPassTest, GatheredBlocksHoldTheRasterisersBlocksInTriangleOrder) {
  clearDepth(1.0f);
  // Overlapping triangles, and more of them at a block than a gathered block holds.
  std::vector<Layer> layers = randomLayers(11, 9);
  // Two draws after the last owner, which nothing can hide: the one that gathers has its blocks
  // gathered all the same, the other keeps none (it finds them itself).
  constexpr std::size_t kOwners = 3;
  for (std::uint32_t seed : {12u, 13u}) {
    layers.push_back(randomLayers(seed, 9).front());
    layers.back().paintsOver = false;
  }
  const std::vector<int> plain = owners(layers, 1);
  layers[0].gathersBlocks = layers[2].gathersBlocks = layers[3].gathersBlocks = true;
  for (unsigned workers : {1u, 2u, 3u}) {
    // Gathering changes nothing the pass finds.
    EXPECT_EQ(owners(layers, workers), plain) << workers;
    EXPECT_EQ(seen_, kOwners);
    std::size_t first = 0;  // the layer's first triangle, numbered through the run
    for (std::size_t d = 0; d < layers.size(); ++d) {
      for (const CoveredBlocks::Band& band : covered_.bands) {
        // The rasteriser's blocks, triangle by triangle: a gathering draw keeps none of them that
        // way, but each of its blocks' entries in triangle order, block by block.
        std::map<std::pair<int, int>, std::vector<std::pair<std::uint32_t, unsigned>>> want;
        for (std::size_t t = 0; t < layers[d].triangles.size(); ++t) {
          const auto number = static_cast<std::uint32_t>(first + t);
          forEachCoveredBlock(layers[d].triangles[t], {0, band.top, kWidth, band.bottom},
                              [&](int x, int y, unsigned lanes) {
                                want[{x, y}].push_back({number, lanes});
                              });
          if (layers[d].gathersBlocks || d >= kOwners) {
            EXPECT_TRUE(covered_.of(band, number).empty());
          }
        }
        if (!layers[d].gathersBlocks) {
          EXPECT_TRUE(covered_.gatheredOf(band, d).empty());
          continue;
        }
        std::map<std::pair<int, int>, std::vector<std::pair<std::uint32_t, unsigned>>> got;
        for (const GatheredBlock& block : covered_.gatheredOf(band, d)) {
          ASSERT_GE(block.count, 1u);
          ASSERT_LE(block.count, GatheredBlock::kMost);
          for (std::uint32_t i = 0; i < block.count; ++i) {
            got[{block.x, block.y}].push_back({block.triangles[i], block.lanes[i]});
          }
        }
        EXPECT_EQ(got, want) << "layer " << d << " workers " << workers;
      }
      first += layers[d].triangles.size();
    }
  }
}

TEST(DepthAtMostScaleTest, NoDepthAtOrBelowTheScaledIntegerRoundsPastIt) {
  // Every integer of 16- and 24-bit buffers, quantised as the merge does.
  for (const IntegerDepth& format : {IntegerDepth{2, 16, 0, 65535.0}, kD24}) {
    const float scale = depthAtMostScale(format);
    int above = 0, farBelow = 0;
    for (std::uint32_t k = 0; k <= static_cast<std::uint32_t>(format.maximum); ++k) {
      const float z = static_cast<float>(k) * scale;
      const auto quantised = static_cast<std::uint32_t>(static_cast<double>(z) * format.maximum + 0.5);
      above += quantised > k;
      // Little below k, so that the comparison gives little away: within k * 2^-20 and one.
      farBelow += quantised + 1 + (k >> 20) < k;
    }
    EXPECT_EQ(above, 0) << format.bits << " bits";
    EXPECT_EQ(farBelow, 0) << format.bits << " bits";
  }
}

TEST(NarrowEdgeLanesTest, TrianglesUpToTheLimitCoverTheSameBlocksAsWithWideLanes) {
  std::mt19937 random(17);
  static const std::array<Vec4, kVaryingSlots> varyings{};
  const ClipRegion region{0, 0, 300, 300};
  for (int i = 0; i < 400; ++i) {
    // Spans up to and just inside the narrow lanes' limit of 30000 (117 pixels and a bit).
    const float span = i % 4 == 0 ? 117.18f : std::uniform_real_distribution<float>(1.0f, 117.0f)(random);
    std::uniform_real_distribution<float> offset(0.0f, span), origin(-20.0f, 150.0f);
    const float ox = origin(random), oy = origin(random);
    ScreenVertex v[3];
    for (ScreenVertex& corner : v) corner = {ox + offset(random), oy + offset(random), 0.5f, 1.0f, &varyings};
    TriangleSetup setup;
    if (!setupTriangle(v[0], v[1], v[2], D3DCULL_NONE, 0, 0, &setup)) continue;
    const auto [lowX, highX] = std::minmax({setup.x[0], setup.x[1], setup.x[2]});
    const auto [lowY, highY] = std::minmax({setup.y[0], setup.y[1], setup.y[2]});
    if (highX - lowX >= 30000 || highY - lowY >= 30000) continue;
    std::vector<CoveredBlock> narrow, wide;
    auto collect = [](std::vector<CoveredBlock>& into) {
      return [&into](int x, int y, unsigned lanes) { into.push_back({x, y, lanes}); };
    };
    auto intoNarrow = collect(narrow);
    auto intoWide = collect(wide);
    forEachCoveredBlockAs<std::int32_t>(setup, region, intoNarrow);
    forEachCoveredBlockAs<std::int64_t>(setup, region, intoWide);
    ASSERT_EQ(narrow.size(), wide.size()) << i;
    for (std::size_t b = 0; b < wide.size(); ++b) {
      ASSERT_EQ(narrow[b].x, wide[b].x);
      ASSERT_EQ(narrow[b].y, wide[b].y);
      ASSERT_EQ(narrow[b].lanes, wide[b].lanes) << i;
    }
  }
}

}  // namespace
}  // namespace platform::d3d9
