// MB/s of decoded pixels for 1024 × 1024 images of each format, with memcpy of the same number
// of bytes as the yardstick. Files whose pixels the decoder uses in place report "in_place" 1.
#include <benchmark/benchmark.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "tests/texture/image_file_builders.h"

namespace {

using namespace test_images;

constexpr std::uint32_t kSize = 1024;

// A smooth picture with some noise, so compressed formats see realistic data.
Bytes picture(int channels) {
  Bytes samples(std::size_t{kSize} * kSize * channels);
  std::uint32_t noise = 12345;
  for (std::uint32_t y = 0; y < kSize; ++y) {
    for (std::uint32_t x = 0; x < kSize; ++x) {
      noise = noise * 1103515245 + 12345;
      for (int c = 0; c < channels; ++c) {
        samples[(std::size_t{y} * kSize + x) * channels + c] =
            static_cast<std::uint8_t>((x * (c + 1) + y * (3 - c) + ((noise >> 16) & 15)) / 4);
      }
    }
  }
  return samples;
}

Bytes tgaFile(std::uint8_t descriptor) {
  Bytes file = tgaHeader({.width = kSize, .height = kSize, .pixelBits = 24, .descriptor = descriptor});
  Bytes samples = picture(3);
  file.insert(file.end(), samples.begin(), samples.end());
  return file;
}

Bytes tgaRleFile() {
  Bytes file = tgaHeader({.imageType = 10, .width = kSize, .height = kSize, .pixelBits = 24, .descriptor = 0x20});
  Bytes samples = picture(3);
  // Runs of 4 equal pixels and literals of 4, alternating.
  for (std::size_t pixel = 0; pixel < std::size_t{kSize} * kSize; pixel += 8) {
    file.push_back(0x83);
    file.insert(file.end(), samples.begin() + pixel * 3, samples.begin() + pixel * 3 + 3);
    file.push_back(0x03);
    file.insert(file.end(), samples.begin() + (pixel + 4) * 3, samples.begin() + (pixel + 8) * 3);
  }
  return file;
}

Bytes bmp24File(bool topDown) {
  const std::int32_t height = topDown ? -static_cast<std::int32_t>(kSize) : static_cast<std::int32_t>(kSize);
  return bmpFile({.width = kSize, .height = height, .bitCount = 24}, {}, picture(3));
}

Bytes ppmFile() {
  std::string header = "P6\n1024 1024\n255\n";
  Bytes file(header.begin(), header.end());
  Bytes samples = picture(3);
  file.insert(file.end(), samples.begin(), samples.end());
  return file;
}

Bytes ddsFile(bool dxt1) {
  DdsFields fields{.width = kSize, .height = kSize};
  if (dxt1) fields.pfFlags = 0x4, fields.fourCc = MAKEFOURCC('D', 'X', 'T', '1');
  Bytes file = ddsHeader(fields);
  file.resize(file.size() + (dxt1 ? std::size_t{kSize} * kSize / 2 : std::size_t{kSize} * kSize * 4), 0x5A);
  return file;
}

Bytes pngRgbaFile() {
  Bytes samples = picture(4);
  std::vector<Bytes> rows;
  for (std::uint32_t y = 0; y < kSize; ++y) {
    rows.emplace_back(samples.begin() + std::size_t{y} * kSize * 4, samples.begin() + std::size_t{y + 1} * kSize * 4);
  }
  return pngFile(kSize, kSize, 8, 6, rows);
}

const std::map<std::string, Bytes>& files() {
  static const std::map<std::string, Bytes> all = {
      {"png_rgba", pngRgbaFile()},
      {"jpeg", jpegFile(kSize, kSize, 3, picture(3), 90)},
      {"tga_raw_bottom_up", tgaFile(0x00)},
      {"tga_raw_top_down", tgaFile(0x20)},
      {"tga_rle", tgaRleFile()},
      {"bmp24_bottom_up", bmp24File(false)},
      {"bmp24_top_down", bmp24File(true)},
      {"ppm_p6", ppmFile()},
      {"dds_x8r8g8b8", ddsFile(false)},
      {"dds_dxt1", ddsFile(true)},
  };
  return all;
}

std::size_t decodedBytes(const DecodedImage& image) {
  std::size_t rows = image.height;
  if (image.format == D3DFMT_DXT1) rows = (rows + 3) / 4;
  return std::size_t{image.rowPitch} * rows;
}

void decodeFormat(benchmark::State& state, const std::string& name) {
  const Bytes& file = files().at(name);
  std::size_t bytes = 0;
  bool inPlace = false;
  for (auto _ : state) {
    DecodedImage image;
    if (decode(image, file) != S_OK) {
      state.SkipWithError("decoding failed");
      return;
    }
    bytes = decodedBytes(image);
    inPlace = pointsInto(image, file);
    benchmark::DoNotOptimize(image.pixels);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
  state.counters["in_place"] = inPlace ? 1 : 0;
}

// memcpy of as many bytes as the format decodes to.
void copyLikeFormat(benchmark::State& state, const std::string& name) {
  DecodedImage image;
  decode(image, files().at(name));
  const std::size_t bytes = decodedBytes(image);
  Bytes source(bytes, 1), target(bytes);
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), bytes);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

const int kRegistered = [] {
  for (const auto& [name, file] : files()) {
    benchmark::RegisterBenchmark(("decode/" + name).c_str(), decodeFormat, name)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("memcpy/" + name).c_str(), copyLikeFormat, name)->Unit(benchmark::kMicrosecond);
  }
  return 0;
}();

}  // namespace
