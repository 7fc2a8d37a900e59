#include "platform/d3d9/texture_sampler.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/d3d9/raw_bits.h"
#include "platform/d3d9/shader_arithmetic.h"
#include "platform/d3d9/texel_lanes.h"
#include "platform/d3d9/texture.h"

namespace platform::d3d9 {
namespace {

using shader_arithmetic::floorExact;

// Texel-space coordinate to a safe integer range (NaN reads texel 0).
float tame(float t) {
  if (!(t == t)) return 0.0f;
  return std::clamp(t, -16777216.0f, 16777216.0f);
}

[[gnu::always_inline]] inline Vec4 lerp(const Vec4& a, const Vec4& b, float f) {
  return {a[0] + (b[0] - a[0]) * f, a[1] + (b[1] - a[1]) * f, a[2] + (b[2] - a[2]) * f, a[3] + (b[3] - a[3]) * f};
}

// Cube face and face coordinates for a direction (faces +X, -X, +Y, -Y, +Z, -Z).
int cubeFace(const Vec4& d, float* s, float* t) {
  float ax = std::fabs(d[0]), ay = std::fabs(d[1]), az = std::fabs(d[2]);
  int face;
  float sc, tc, ma;
  if (ax >= ay && ax >= az) {
    face = d[0] >= 0 ? 0 : 1;
    ma = ax;
    sc = d[0] >= 0 ? -d[2] : d[2];
    tc = -d[1];
  } else if (ay >= az) {
    face = d[1] >= 0 ? 2 : 3;
    ma = ay;
    sc = d[0];
    tc = d[1] >= 0 ? d[2] : -d[2];
  } else {
    face = d[2] >= 0 ? 4 : 5;
    ma = az;
    sc = d[2] >= 0 ? d[0] : -d[0];
    tc = -d[1];
  }
  if (!(ma > 0)) ma = 1;
  *s = (sc / ma + 1) * 0.5f;
  *t = (tc / ma + 1) * 0.5f;
  return face;
}

// A texel's red, green, blue and alpha side by side.
using Channels = Floats4;

[[gnu::always_inline]] inline Channels lerpChannels(Channels a, Channels b, float f) { return a + (b - a) * f; }

// k / 255 for every byte value, computed by the same division the texel readers use.
const std::array<float, 256> kUnitBytes = [] {
  std::array<float, 256> table{};
  for (int k = 0; k < 256; ++k) table[static_cast<std::size_t>(k)] = static_cast<float>(k) / 255.0f;
  return table;
}();

// One A8R8G8B8 texel as red, green, blue and alpha in [0, 1]; alpha 1 for a format without it.
// Table reads beat converting and dividing the four bytes side by side.
[[gnu::always_inline]] inline Channels unpackArgbChannels(const std::byte* texel, bool opaque) {
  std::uint32_t w;
  std::memcpy(&w, texel, 4);
  return Channels{kUnitBytes[(w >> 16) & 0xFF], kUnitBytes[(w >> 8) & 0xFF], kUnitBytes[w & 0xFF],
                  opaque ? 1.0f : kUnitBytes[w >> 24]};
}

}  // namespace

void TextureSampler::bind(IDirect3DBaseTexture9* texture, const std::array<DWORD, kSamplerStateSlots>& states) {
  reader_ = nullptr;
  levels_.clear();
  unpacked_ = nullptr;
  TextureBase* base = texture ? textureBaseOf(texture) : nullptr;
  if (!base) return;
  const TextureDescription& d = base->description();
  TexelReader reader = texelReaderFor(d.format);
  if (!reader) return;
  type_ = d.type;
  faces_ = static_cast<int>(base->faceCount());
  levelCount_ = static_cast<int>(d.levels);
  for (int face = 0; face < faces_; ++face) {
    for (int level = 0; level < levelCount_; ++level) {
      PixelStore* store = nullptr;
      if (d.type == D3DRTYPE_VOLUMETEXTURE) {
        Volume* volume = base->volume(static_cast<UINT>(level));
        store = volume ? &volume->pixels() : nullptr;
      } else {
        Surface* surface = base->surface(static_cast<UINT>(face), static_cast<UINT>(level));
        store = surface ? &surface->pixels() : nullptr;
      }
      if (!store || store->bytes.empty()) return;
      blockHeight_ = store->format->blockHeight;
      levels_.push_back({store->bytes.data(), static_cast<int>(store->width), static_cast<int>(store->height),
                         static_cast<int>(store->depth), store->rowPitch, store->slicePitch});
    }
  }
  reader_ = reader;
  packedArgb_ = d.format == D3DFMT_A8R8G8B8 || d.format == D3DFMT_X8R8G8B8;
  opaque_ = d.format == D3DFMT_X8R8G8B8;
  addressModes_ = {states[D3DSAMP_ADDRESSU], states[D3DSAMP_ADDRESSV], states[D3DSAMP_ADDRESSW]};
  D3DCOLOR border = states[D3DSAMP_BORDERCOLOR];
  border_ = {((border >> 16) & 0xFF) / 255.0f, ((border >> 8) & 0xFF) / 255.0f, (border & 0xFF) / 255.0f,
             ((border >> 24) & 0xFF) / 255.0f};
  magFilter_ = states[D3DSAMP_MAGFILTER];
  minFilter_ = states[D3DSAMP_MINFILTER];
  mipFilter_ = states[D3DSAMP_MIPFILTER];
  lodBias_ = floatFromBits(states[D3DSAMP_MIPMAPLODBIAS]);
  if (!std::isfinite(lodBias_)) lodBias_ = 0;
  maxMipLevel_ = static_cast<int>(std::min<DWORD>(states[D3DSAMP_MAXMIPLEVEL], static_cast<DWORD>(levelCount_ - 1)));
  // The texture's own LOD limit (SetLOD) acts like MAXMIPLEVEL.
  maxMipLevel_ = std::max<int>(
      maxMipLevel_, static_cast<int>(std::min<DWORD>(texture->GetLOD(), static_cast<DWORD>(levelCount_ - 1))));
  const Level& top = levels_[static_cast<std::size_t>(maxMipLevel_)];
  auto wrapsByMask = [](DWORD mode, int size) {
    return mode == D3DTADDRESS_WRAP && size > 0 && (size & (size - 1)) == 0;
  };
  wrappedBilinear_ = packedArgb_ && type_ == D3DRTYPE_TEXTURE && ignoresLevelOfDetail() &&
                     magFilter_ == D3DTEXF_LINEAR && wrapsByMask(addressModes_[0], top.width) &&
                     wrapsByMask(addressModes_[1], top.height) &&
                     // Block reads address the level with 32-bit byte offsets.
                     std::uint64_t{top.rowPitch} * std::uint64_t(top.height) <= std::uint64_t{INT32_MAX};
}

[[gnu::always_inline]] inline Channels TextureSampler::tap(const Level& level, int x, int y) const {
  if (unpacked_) {
    Channels bgra;
    std::memcpy(&bgra, &unpacked_[(std::size_t(y) * std::size_t(level.width) + std::size_t(x)) * 4], sizeof bgra);
    return __builtin_shufflevector(bgra, bgra, 2, 1, 0, 3);
  }
  return unpackArgbChannels(level.bytes + std::size_t(y) * level.rowPitch + 4 * std::size_t(x), opaque_);
}

void TextureSampler::unpackForDraw(std::uint64_t expectedSamples, TexelScratch& scratch) {
  unpacked_ = nullptr;
  if (!wrappedBilinear()) return;
  const Level& level = levels_[static_cast<std::size_t>(maxMipLevel_)];
  const std::uint64_t texels = std::uint64_t(level.width) * std::uint64_t(level.height);
  if (texels > kMaxUnpackedTexels || expectedSamples < 2 * texels) return;
  float* out = scratch.reserve(texels * 4);
  unpacked_ = out;
  for (int y = 0; y < level.height; ++y) {
    const auto* row = reinterpret_cast<const std::uint8_t*>(level.bytes + std::size_t(y) * level.rowPitch);
    // The same division the table holds, byte by byte (blue, green, red, alpha in memory),
    // eight bytes at a time.
    using Bytes8 = std::uint8_t __attribute__((vector_size(8)));
    using Ints8 = std::int32_t __attribute__((vector_size(32)));
    using Floats8 = float __attribute__((vector_size(32)));
    const int bytes = level.width * 4;
    int i = 0;
    for (; i + 8 <= bytes; i += 8) {
      Bytes8 eight;
      std::memcpy(&eight, row + i, sizeof eight);
      const Floats8 values = __builtin_convertvector(__builtin_convertvector(eight, Ints8), Floats8) / 255.0f;
      std::memcpy(out + i, &values, sizeof values);
    }
    for (; i < bytes; ++i) out[i] = static_cast<float>(row[i]) / 255.0f;
    if (opaque_) {
      for (int x = 0; x < level.width; ++x) out[4 * x + 3] = 1.0f;
    }
    out += std::size_t(level.width) * 4;
  }
}

[[gnu::always_inline]] inline Vec4 TextureSampler::wrappedBilinear(const Vec4& coordinates) const {
  // sampleLevel's linear filter on a 2D A8R8G8B8 / X8R8G8B8 level with wrap by mask, the four
  // channels side by side: the same operations in the same order.
  const Level& level = levels_[static_cast<std::size_t>(maxMipLevel_)];
  float tu = tame(coordinates[0] * static_cast<float>(level.width)) - 0.5f;
  float tv = tame(coordinates[1] * static_cast<float>(level.height)) - 0.5f;
  float fu = floorExact(tu), fv = floorExact(tv);
  int x0 = static_cast<int>(fu), y0 = static_cast<int>(fv);
  float au = tu - fu, av = tv - fv;
  const int maskU = level.width - 1, maskV = level.height - 1;
  const int xa = x0 & maskU, xb = (x0 + 1) & maskU, ya = y0 & maskV, yb = (y0 + 1) & maskV;
  Channels top = lerpChannels(tap(level, xa, ya), tap(level, xb, ya), au);
  Channels bottom = lerpChannels(tap(level, xa, yb), tap(level, xb, yb), au);
  Channels c = lerpChannels(top, bottom, av);
  return {c[0], c[1], c[2], c[3]};
}

Vec4 TextureSampler::sampleWrappedBilinear(const Vec4& coordinates) const { return wrappedBilinear(coordinates); }

namespace {

// tame on several lanes at once, lane by lane the same values.
template <typename Floats>
[[gnu::always_inline]] inline Floats tameLanes(Floats t) {
  const Floats zero = {}, low = zero - 16777216.0f, high = zero + 16777216.0f;
  t = t == t ? t : zero;
  t = t < low ? low : t;
  return high < t ? high : t;
}

// The texel positions and weights of bilinear reads wrapped by mask, for several lanes.
template <typename Floats, typename Ints>
struct WrappedTaps {
  Ints xa, xb, ya, yb;
  Floats au, av;
};

template <typename Floats, typename Ints>
[[gnu::always_inline]] inline WrappedTaps<Floats, Ints> wrappedTaps(Floats u, Floats v, int width, int height) {
  const Floats tu = tameLanes(u * static_cast<float>(width)) - 0.5f;
  const Floats tv = tameLanes(v * static_cast<float>(height)) - 0.5f;
  const Floats fu = shader_arithmetic::floorExactLanes<Floats, Ints>(tu),
               fv = shader_arithmetic::floorExactLanes<Floats, Ints>(tv);
  const Ints x0 = __builtin_convertvector(fu, Ints), y0 = __builtin_convertvector(fv, Ints);
  return {x0 & (width - 1), (x0 + 1) & (width - 1), y0 & (height - 1), (y0 + 1) & (height - 1), tu - fu, tv - fv};
}

}  // namespace

void TextureSampler::sampleWrappedBilinear(int lanes, const Vec4* coordinates, Vec4* results) const {
  if (lanes != 4) {
    for (int l = 0; l < lanes; ++l) results[l] = wrappedBilinear(coordinates[l]);
    return;
  }
  // A quad's four samples with the texel positions worked out side by side.
  using Ints = Ints4;
  const Level& level = levels_[static_cast<std::size_t>(maxMipLevel_)];
  const Channels u = {coordinates[0][0], coordinates[1][0], coordinates[2][0], coordinates[3][0]};
  const Channels v = {coordinates[0][1], coordinates[1][1], coordinates[2][1], coordinates[3][1]};
  const auto taps = wrappedTaps<Channels, Ints>(u, v, level.width, level.height);
  for (int l = 0; l < 4; ++l) {
    Channels top = lerpChannels(tap(level, taps.xa[l], taps.ya[l]), tap(level, taps.xb[l], taps.ya[l]), taps.au[l]);
    Channels bottom = lerpChannels(tap(level, taps.xa[l], taps.yb[l]), tap(level, taps.xb[l], taps.yb[l]), taps.au[l]);
    Channels c = lerpChannels(top, bottom, taps.av[l]);
    results[l] = {c[0], c[1], c[2], c[3]};
  }
}

void TextureSampler::sampleWrappedBilinear(int blocks, const BlockFloats* u, const BlockFloats* v,
                                           const std::array<BlockFloats*, 4>& results) const {
  // A block at a time, channel by channel: each tap's word gathered straight from the
  // level, its bytes turned into the values the table holds, then the quad lanes' lerps in
  // their order.
  const Level& level = levels_[static_cast<std::size_t>(maxMipLevel_)];
  const auto pitch = static_cast<std::int32_t>(level.rowPitch);
  // Rows of a power-of-two pitch (a power-of-two width) are found by a shift, cheaper than a
  // vector multiply.
  const int pitchShift = std::has_single_bit(level.rowPitch) ? std::countr_zero(level.rowPitch) : -1;
  auto rowOffsets = [&](BlockInts rows) { return pitchShift >= 0 ? rows << pitchShift : rows * pitch; };
  // Each block's texel reads are issued a block ahead of the arithmetic that waits for them.
  struct Fetched {
    BlockFloats au, av;
    BlockInts words[4];
  };
  auto fetch = [&](int b) {
    const auto taps = wrappedTaps<BlockFloats, BlockInts>(u[b], v[b], level.width, level.height);
    const BlockInts rowA = rowOffsets(taps.ya), rowB = rowOffsets(taps.yb), columnA = taps.xa * 4,
                    columnB = taps.xb * 4;
    return Fetched{taps.au,
                   taps.av,
                   {gatherWords(level.bytes, rowA + columnA), gatherWords(level.bytes, rowA + columnB),
                    gatherWords(level.bytes, rowB + columnA), gatherWords(level.bytes, rowB + columnB)}};
  };
  Fetched next = blocks > 0 ? fetch(0) : Fetched{};
  for (int b = 0; b < blocks; ++b) {
    const Fetched taps = next;
    const auto& words = taps.words;
    if (b + 1 < blocks) next = fetch(b + 1);
    // The lerps run on the texel values scaled by 2^32, scaled back once at the end. Every value
    // they meet is zero or a normal float (the weights are multiples of at least 2^-25), where a
    // power-of-two scale changes no rounding: the bits are those of the unscaled lerps.
    auto filter = [&](std::size_t c, int shift) {
      if (!results[c]) return;
      BlockFloats t[4];
      for (int i = 0; i < 4; ++i) t[i] = scaledChannelLanes(words[i], shift);
      const BlockFloats top = t[0] + (t[1] - t[0]) * taps.au, bottom = t[2] + (t[3] - t[2]) * taps.au;
      results[c][b] = (top + (bottom - top) * taps.av) * kUnscaleChannel;
    };
    // Red, green, blue and alpha sit at these bit offsets of an A8R8G8B8 word.
    filter(0, 16);
    filter(1, 8);
    filter(2, 0);
    if (!results[3]) {
      // Alpha is not wanted.
    } else if (opaque_) {
      results[3][b] = BlockFloats{} + 1.0f;  // lerps of 1 and 1 stay 1
    } else {
      filter(3, 24);
    }
  }
}

float TextureSampler::levelOfDetail(const Vec4& ddx, const Vec4& ddy) const {
  if (!reader_) return 0;
  const Level& top = levels_.front();
  float w = static_cast<float>(top.width), h = static_cast<float>(top.height), d = static_cast<float>(top.depth);
  float x2 = ddx[0] * w * ddx[0] * w + ddx[1] * h * ddx[1] * h;
  float y2 = ddy[0] * w * ddy[0] * w + ddy[1] * h * ddy[1] * h;
  if (type_ == D3DRTYPE_VOLUMETEXTURE) {
    x2 += ddx[2] * d * ddx[2] * d;
    y2 += ddy[2] * d * ddy[2] * d;
  }
  float footprint = std::max(x2, y2);
  if (!(footprint > 0)) return -64.0f + lodBias_;
  return 0.5f * std::log2(footprint) + lodBias_;
}

Vec4 TextureSampler::sample(const Vec4& coordinates, float lod) const {
  if (!reader_) return {0, 0, 0, 1};
  if (!(lod == lod)) lod = 0;
  DWORD filter = lod <= 0 ? magFilter_ : minFilter_;
  if (mipFilter_ == D3DTEXF_NONE || lod <= 0) return sampleLevel(coordinates, maxMipLevel_, filter);
  float top = static_cast<float>(levelCount_ - 1);
  if (mipFilter_ == D3DTEXF_POINT) {
    int level = static_cast<int>(floorExact(std::min(lod, top) + 0.5f));
    return sampleLevel(coordinates, std::max(level, maxMipLevel_), filter);
  }
  float clamped = std::min(lod, top);
  int lower = static_cast<int>(floorExact(clamped));
  float fraction = clamped - static_cast<float>(lower);
  if (lower < maxMipLevel_) return sampleLevel(coordinates, maxMipLevel_, filter);
  Vec4 a = sampleLevel(coordinates, lower, filter);
  if (fraction == 0.0f || lower + 1 >= levelCount_) return a;
  return lerp(a, sampleLevel(coordinates, lower + 1, filter), fraction);
}

[[gnu::always_inline]] inline int TextureSampler::address(int index, int size, DWORD mode) const {
  switch (mode) {
    case D3DTADDRESS_MIRROR: {
      int period = 2 * size;
      int m = ((index % period) + period) % period;
      return m < size ? m : period - 1 - m;
    }
    case D3DTADDRESS_CLAMP: return std::clamp(index, 0, size - 1);
    case D3DTADDRESS_BORDER: return index < 0 || index >= size ? -1 : index;
    case D3DTADDRESS_MIRRORONCE: return std::clamp(index < 0 ? -index - 1 : index, 0, size - 1);
    default:  // wrap
      if ((size & (size - 1)) == 0) return index & (size - 1);
      return ((index % size) + size) % size;
  }
}

Vec4 TextureSampler::texel(const Level& level, int face, int x, int y, int z) const {
  (void)face;
  if (x < 0 || y < 0 || z < 0) return border_;
  // Block formats keep four rows of texels per row of blocks.
  int blockRow = blockHeight_ == 1 ? y : y >> 2;
  int inBlock = blockHeight_ == 1 ? 0 : y & 3;
  const std::byte* row = level.bytes + std::size_t(z) * level.slicePitch + std::size_t(blockRow) * level.rowPitch;
  TexelColor c = reader_(row, static_cast<unsigned>(x), static_cast<unsigned>(inBlock));
  return {c[0], c[1], c[2], c[3]};
}

[[gnu::always_inline]] inline Vec4 TextureSampler::unpackArgb(const std::byte* row, int x) const {
  Channels c = unpackArgbChannels(row + 4 * x, opaque_);
  return {c[0], c[1], c[2], c[3]};
}

Vec4 TextureSampler::sampleLevel(const Vec4& coordinates, int levelIndex, DWORD filter) const {
  float u = coordinates[0], v = coordinates[1], w = coordinates[2];
  int face = 0;
  if (type_ == D3DRTYPE_CUBETEXTURE) face = cubeFace(coordinates, &u, &v);
  const Level& level = levels_[static_cast<std::size_t>(face * levelCount_ + levelIndex)];
  bool volume = type_ == D3DRTYPE_VOLUMETEXTURE;
  // Cube faces clamp at their edges.
  DWORD modeU = type_ == D3DRTYPE_CUBETEXTURE ? D3DTADDRESS_CLAMP : addressModes_[0];
  DWORD modeV = type_ == D3DRTYPE_CUBETEXTURE ? D3DTADDRESS_CLAMP : addressModes_[1];
  DWORD modeW = addressModes_[2];
  float tu = tame(u * static_cast<float>(level.width));
  float tv = tame(v * static_cast<float>(level.height));
  float tw = volume ? tame(w * static_cast<float>(level.depth)) : 0.5f;
  if (filter == D3DTEXF_POINT || filter == D3DTEXF_NONE) {
    int x = address(static_cast<int>(floorExact(tu)), level.width, modeU);
    int y = address(static_cast<int>(floorExact(tv)), level.height, modeV);
    int z = volume ? address(static_cast<int>(floorExact(tw)), level.depth, modeW) : 0;
    return texel(level, face, x, y, z);
  }
  tu -= 0.5f;
  tv -= 0.5f;
  tw -= 0.5f;
  float fu = floorExact(tu), fv = floorExact(tv), fw = floorExact(tw);
  int x0 = static_cast<int>(fu), y0 = static_cast<int>(fv), z0 = static_cast<int>(fw);
  float au = tu - fu, av = tv - fv, aw = tw - fw;
  int xa = address(x0, level.width, modeU), xb = address(x0 + 1, level.width, modeU);
  int ya = address(y0, level.height, modeV), yb = address(y0 + 1, level.height, modeV);
  if (packedArgb_ && !volume && xa >= 0 && xb >= 0 && ya >= 0 && yb >= 0) {
    // 2D A8R8G8B8 / X8R8G8B8: the same arithmetic with the texels read straight from memory.
    const std::byte* rowA = level.bytes + std::size_t(ya) * level.rowPitch;
    const std::byte* rowB = level.bytes + std::size_t(yb) * level.rowPitch;
    Vec4 top = lerp(unpackArgb(rowA, xa), unpackArgb(rowA, xb), au);
    Vec4 bottom = lerp(unpackArgb(rowB, xa), unpackArgb(rowB, xb), au);
    return lerp(top, bottom, av);
  }
  auto plane = [&](int z) {
    Vec4 top = lerp(texel(level, face, xa, ya, z), texel(level, face, xb, ya, z), au);
    Vec4 bottom = lerp(texel(level, face, xa, yb, z), texel(level, face, xb, yb, z), au);
    return lerp(top, bottom, av);
  };
  if (!volume) return plane(0);
  int za = address(z0, level.depth, modeW), zb = address(z0 + 1, level.depth, modeW);
  return lerp(plane(za), plane(zb), aw);
}

void SamplerSet::sample(DWORD sampler, int lanes, const Vec4* coordinates, const Vec4& ddx, const Vec4& ddy,
                        LodMode mode, const float* lod, Vec4* results) {
  const TextureSampler* s = nullptr;
  if (vertexSide_) {
    s = sampler < vertex_.size() ? &vertex_[sampler] : nullptr;
  } else {
    s = sampler < pixel_.size() ? &pixel_[sampler] : nullptr;
  }
  if (!s || !s->bound()) {
    for (int l = 0; l < lanes; ++l) results[l] = {0, 0, 0, 1};
    return;
  }
  if (s->wrappedBilinear()) {
    s->sampleWrappedBilinear(lanes, coordinates, results);
    return;
  }
  if (s->ignoresLevelOfDetail()) {
    for (int l = 0; l < lanes; ++l) results[l] = s->sample(coordinates[l], 0.0f);
    return;
  }
  float shared = (mode == LodMode::derivatives || mode == LodMode::bias || mode == LodMode::gradients)
                     ? s->levelOfDetail(ddx, ddy)
                     : 0.0f;
  for (int l = 0; l < lanes; ++l) {
    float level = shared;
    if (mode == LodMode::bias) level += lod[l];
    if (mode == LodMode::explicitLod) level = lod[l] + s->levelOfDetail({}, {}) + 64.0f;
    results[l] = s->sample(coordinates[l], level);
  }
}

void SamplerSet::sampleBlocks(DWORD sampler, int blocks, const std::array<const BlockFloats*, 4>& coordinates,
                              LodMode mode, const BlockFloats* lod, const std::array<BlockFloats*, 4>& results) {
  const TextureSampler* s = !vertexSide_ && sampler < pixel_.size() ? &pixel_[sampler] : nullptr;
  if (s && s->wrappedBilinear()) {
    s->sampleWrappedBilinear(blocks, coordinates[0], coordinates[1], results);
    return;
  }
  for (int b = 0; b < blocks; ++b) {
    for (const auto& lanes : kBlockQuadLanes) {
      std::array<Vec4, 4> quad, texels;
      float quadLod[4];
      for (std::size_t q = 0; q < 4; ++q) {
        const int l = lanes[q];
        quad[q] = {coordinates[0][b][l], coordinates[1][b][l], coordinates[2][b][l], coordinates[3][b][l]};
        quadLod[q] = lod ? lod[b][l] : 0.0f;
      }
      Vec4 ddx{}, ddy{};
      for (std::size_t c = 0; c < 4; ++c) {
        ddx[c] = quad[1][c] - quad[0][c];
        ddy[c] = quad[2][c] - quad[0][c];
      }
      sample(sampler, 4, quad.data(), ddx, ddy, mode, quadLod, texels.data());
      for (std::size_t q = 0; q < 4; ++q) {
        for (std::size_t c = 0; c < 4; ++c) {
          if (results[c]) results[c][b][lanes[q]] = texels[q][c];
        }
      }
    }
  }
}

}  // namespace platform::d3d9
