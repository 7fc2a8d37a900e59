// loadTextureFromFile of 1024 × 1024 24-bit TGA and PNG files with every default (decode,
// triangle filtering with dithering into level 0, the box-filtered chain of 10 more levels),
// and, in the same run, the same work split into its stages with each stage's share of the time.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/d3d9/com_ptr.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/windowless_device.h"
#include "tests/texture/image_file_builders.h"
#include "texture/texture_loader.h"

namespace {

using platform::d3d9::ComPtr;
using test_images::Bytes;

constexpr std::uint32_t kSize = 1024;

// A smooth picture with some noise, as photographs have.
std::vector<Bytes> pictureRows() {
  std::vector<Bytes> rows(kSize, Bytes(std::size_t{kSize} * 3));
  std::uint32_t noise = 12345;
  for (std::uint32_t y = 0; y < kSize; ++y) {
    for (std::uint32_t x = 0; x < kSize; ++x) {
      noise = noise * 1103515245 + 12345;
      for (std::uint32_t c = 0; c < 3; ++c) {
        rows[y][x * 3 + c] = static_cast<std::uint8_t>((x * (c + 1) + y * (3 - c) + ((noise >> 16) & 15)) / 4);
      }
    }
  }
  return rows;
}

Bytes tgaFile() {
  Bytes file = test_images::tgaHeader({.width = kSize, .height = kSize, .pixelBits = 24, .descriptor = 0x20});
  for (const Bytes& row : pictureRows()) {
    for (std::size_t x = 0; x < row.size(); x += 3) file.insert(file.end(), {row[x + 2], row[x + 1], row[x]});
  }
  return file;
}

Bytes pngFile() { return test_images::pngFile(kSize, kSize, 8, 2, pictureRows()); }

// The two files on disk for the whole run.
struct BenchFiles {
  BenchFiles() {
    directory = std::filesystem::temp_directory_path() / "prism_texture_loading_bench";
    std::filesystem::create_directories(directory);
    write("picture.tga", tgaFile());
    write("picture.png", pngFile());
  }
  ~BenchFiles() {
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
  }
  void write(const char* name, const Bytes& bytes) {
    std::ofstream((directory / name).string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  std::string path(const char* name) const { return (directory / name).string(); }
  std::filesystem::path directory;
};

const BenchFiles& benchFiles() {
  static const BenchFiles files;
  return files;
}

struct SoftwareDevice {
  SoftwareDevice() { platform::d3d9::createWindowlessDevice({}, &device); }
  ComPtr<IDirect3DDevice9> device;
};

const char* fileName(const benchmark::State& state) { return state.range(0) == 0 ? "picture.tga" : "picture.png"; }

void BM_LoadTextureFromFile(benchmark::State& state) {
  SoftwareDevice software;
  const std::string path = benchFiles().path(fileName(state));
  for (auto _ : state) {
    ComPtr<IDirect3DTexture9> texture;
    if (FAILED(loadTextureFromFile(software.device.get(), path.c_str(), texture.put()))) {
      state.SkipWithError("loadTextureFromFile failed");
      break;
    }
    benchmark::DoNotOptimize(texture.get());
  }
  state.SetLabel(fileName(state));
}
BENCHMARK(BM_LoadTextureFromFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same work stage by stage: decoding, level 0 (texture creation and the triangle filter with
// dithering), and the box-filtered chain. Counters give each stage's milliseconds and share.
void BM_LoadStages(benchmark::State& state) {
  SoftwareDevice software;
  std::ifstream stream(benchFiles().path(fileName(state)), std::ios::binary);
  const Bytes file((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
  using Clock = std::chrono::steady_clock;
  double decodeSeconds = 0, levelZeroSeconds = 0, mipSeconds = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    DecodedImage image;
    if (FAILED(decodeImage(image, file.data(), static_cast<UINT>(file.size()), nullptr, true))) {
      state.SkipWithError("decoding failed");
      break;
    }
    auto decoded = Clock::now();
    ComPtr<IDirect3DTexture9> texture;
    software.device->CreateTexture(kSize, kSize, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, texture.put(), nullptr);
    ComPtr<IDirect3DSurface9> top;
    texture->GetSurfaceLevel(0, top.put());
    RECT rect{0, 0, static_cast<LONG>(kSize), static_cast<LONG>(kSize)};
    copyMemoryToSurface(top.get(), nullptr, nullptr, image.pixels, image.format, image.rowPitch, nullptr, &rect,
                        RESAMPLE_DEFAULT, 0);
    auto levelZero = Clock::now();
    rebuildMipLevels(texture.get(), nullptr, 0, RESAMPLE_BOX);
    auto done = Clock::now();
    decodeSeconds += std::chrono::duration<double>(decoded - start).count();
    levelZeroSeconds += std::chrono::duration<double>(levelZero - decoded).count();
    mipSeconds += std::chrono::duration<double>(done - levelZero).count();
  }
  const double total = decodeSeconds + levelZeroSeconds + mipSeconds;
  const double iterations = static_cast<double>(state.iterations());
  if (total > 0 && iterations > 0) {
    state.counters["decode_ms"] = 1000 * decodeSeconds / iterations;
    state.counters["level0_ms"] = 1000 * levelZeroSeconds / iterations;
    state.counters["mips_ms"] = 1000 * mipSeconds / iterations;
    state.counters["decode_share"] = decodeSeconds / total;
    state.counters["level0_share"] = levelZeroSeconds / total;
    state.counters["mips_share"] = mipSeconds / total;
  }
  state.SetLabel(fileName(state));
}
BENCHMARK(BM_LoadStages)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
