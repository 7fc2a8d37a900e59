// Pixel conversion beside its baselines: raw copies against memcpy of the same bytes, the SIMD
// box row against the portable one, and the heavier filters and block encoders on full images.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "texture/box_integer.h"
#include "texture/pixel_converter.h"

namespace {

constexpr std::uint32_t kSide = 1024;

struct Image {
  Image(D3DFORMAT format, std::uint32_t width, std::uint32_t height, std::uint32_t bytesPerPixel)
      : bytes(std::size_t{width} * height * bytesPerPixel) {
    std::mt19937 random(1);
    for (auto& b : bytes) b = static_cast<std::byte>(random());
    block.pixels = bytes.data();
    block.format = format;
    block.rowPitch = std::int64_t{width} * bytesPerPixel;
    block.slicePitch = block.rowPitch * height;
    block.box = D3DBOX{0, 0, width, height, 0, 1};
  }
  std::vector<std::byte> bytes;
  PixelBlock block;
};

// Block-compressed images store 16 pixels in 8 or 16 bytes; `Image` sizes by pixel, so give it
// a quarter row of bytes per row of pixels (one block row per four pixel rows).
Image blockImage(D3DFORMAT format, unsigned bytesPerBlock) {
  Image image(format, kSide / 4, kSide / 4, bytesPerBlock);
  image.block.rowPitch = std::int64_t{kSide / 4} * bytesPerBlock;
  image.block.box = D3DBOX{0, 0, kSide, kSide, 0, 1};
  return image;
}

void convert(benchmark::State& state, Image& to, const Image& from, std::uint32_t filter) {
  for (auto _ : state) {
    HRESULT result = convertPixels(to.block, from.block, filter);
    benchmark::DoNotOptimize(result);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(from.bytes.size()));
}

void BM_MemcpyOfArgbImage(benchmark::State& state) {
  Image from(D3DFMT_A8R8G8B8, kSide, kSide, 4), to(D3DFMT_A8R8G8B8, kSide, kSide, 4);
  for (auto _ : state) {
    std::memcpy(to.bytes.data(), from.bytes.data(), from.bytes.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(from.bytes.size()));
}
BENCHMARK(BM_MemcpyOfArgbImage);

void BM_SameFormatCopy(benchmark::State& state) {
  Image from(D3DFMT_A8R8G8B8, kSide, kSide, 4), to(D3DFMT_A8R8G8B8, kSide, kSide, 4);
  convert(state, to, from, RESAMPLE_NONE);
}
BENCHMARK(BM_SameFormatCopy);

void BM_ArgbToXrgb(benchmark::State& state) {
  Image from(D3DFMT_A8R8G8B8, kSide, kSide, 4), to(D3DFMT_X8R8G8B8, kSide, kSide, 4);
  convert(state, to, from, RESAMPLE_NONE);
}
BENCHMARK(BM_ArgbToXrgb);

void BM_ArgbToR5G6B5ThroughFloats(benchmark::State& state) {
  Image from(D3DFMT_A8R8G8B8, kSide, kSide, 4), to(D3DFMT_R5G6B5, kSide, kSide, 2);
  convert(state, to, from, RESAMPLE_NONE | RESAMPLE_DITHER);
}
BENCHMARK(BM_ArgbToR5G6B5ThroughFloats);

// Every level of a full chain from 1024 by 1024 down to 1 by 1, each from the one above.
void BM_BoxMipChainArgb(benchmark::State& state) {
  std::vector<Image> levels;
  for (std::uint32_t side = kSide; side >= 1; side /= 2) levels.emplace_back(D3DFMT_A8R8G8B8, side, side, 4);
  for (auto _ : state) {
    for (std::size_t i = 1; i < levels.size(); ++i) {
      HRESULT result = convertPixels(levels[i].block, levels[i - 1].block, RESAMPLE_BOX);
      benchmark::DoNotOptimize(result);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(levels[0].bytes.size()));
}
BENCHMARK(BM_BoxMipChainArgb);

// The two integer box rows side by side over a 1024 by 1024 halving.
template <bool kSimd>
void BM_BoxHalvingRows(benchmark::State& state) {
  Image from(D3DFMT_A8R8G8B8, kSide, kSide, 4), to(D3DFMT_A8R8G8B8, kSide / 2, kSide / 2, 4);
  IntegerBoxFormat format = *findIntegerBoxFormat(D3DFMT_A8R8G8B8);
  for (auto _ : state) {
    for (std::uint32_t y = 0; y < kSide / 2; ++y) {
      const std::byte* row0 = from.bytes.data() + std::size_t{2 * y} * kSide * 4;
      const std::byte* row1 = row0 + std::size_t{kSide} * 4;
      std::byte* out = to.bytes.data() + std::size_t{y} * kSide * 2;
      if constexpr (kSimd) {
        boxHalveRowArgbSimd(row0, row1, out, kSide / 2, kSide);
      } else {
        boxHalveRow(format, row0, row1, out, kSide / 2, kSide);
      }
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(from.bytes.size()));
}
BENCHMARK(BM_BoxHalvingRows<false>)->Name("BM_BoxHalvingRowsPortable");
BENCHMARK(BM_BoxHalvingRows<true>)->Name("BM_BoxHalvingRowsSimd");

void BM_TriangleDither640x480To1024x512(benchmark::State& state) {
  Image from(D3DFMT_A8R8G8B8, 640, 480, 4), to(D3DFMT_A8R8G8B8, 1024, 512, 4);
  convert(state, to, from, RESAMPLE_TRIANGLE | RESAMPLE_DITHER);
}
BENCHMARK(BM_TriangleDither640x480To1024x512)->Unit(benchmark::kMillisecond);

void BM_EncodeDxt1(benchmark::State& state) {
  Image from(D3DFMT_A8R8G8B8, kSide, kSide, 4);
  Image to = blockImage(D3DFMT_DXT1, 8);
  convert(state, to, from, RESAMPLE_NONE);
}
BENCHMARK(BM_EncodeDxt1)->Unit(benchmark::kMillisecond);

void BM_EncodeDxt5(benchmark::State& state) {
  Image from(D3DFMT_A8R8G8B8, kSide, kSide, 4);
  Image to = blockImage(D3DFMT_DXT5, 16);
  convert(state, to, from, RESAMPLE_NONE);
}
BENCHMARK(BM_EncodeDxt5)->Unit(benchmark::kMillisecond);

}  // namespace
