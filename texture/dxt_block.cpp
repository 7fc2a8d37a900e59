#include "texture/dxt_block.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Fitting compares colours by their contribution to luminance, relative to green's.
constexpr float kRedWeight = 0.29703665f;
constexpr float kBlueWeight = 0.10078278f;
constexpr float kTinyRange = 1.1754944e-38f;
constexpr float kSmallRange = 0.00024414062f;     // 2^-12
constexpr float kConvergedStep = 1.5258789e-05f;  // 2^-16
constexpr int kMaxRefinementPasses = 8;

using Vec3 = std::array<float, 3>;

float clampUnit(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }  // NaN becomes 0

Vec3 operator-(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 operator+(const Vec3& a, const Vec3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec3 operator*(float s, const Vec3& a) { return {s * a[0], s * a[1], s * a[2]}; }
float dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

std::uint16_t load16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t load32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}
void store16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void store32(std::uint8_t* p, std::uint32_t v) {
  store16(p, v);
  store16(p + 2, v >> 16);
}

Vec3 expand565(std::uint32_t c) {
  return {static_cast<float>(c >> 11) / 31.0f, static_cast<float>((c >> 5) & 63) / 63.0f,
          static_cast<float>(c & 31) / 31.0f};
}

std::uint32_t quantiseLevel(float v, int levels) {
  return static_cast<std::uint32_t>(
      std::clamp(static_cast<int>(clampUnit(v) * static_cast<float>(levels) + 0.5f), 0, levels));
}

std::uint32_t pack565(const Vec3& c) {
  return (quantiseLevel(c[0], 31) << 11) | (quantiseLevel(c[1], 63) << 5) | quantiseLevel(c[2], 31);
}

Vec3 weighted(const Vec3& c) { return {c[0] * kRedWeight, c[1], c[2] * kBlueWeight}; }
Vec3 unweighted(const Vec3& c) { return {c[0] / kRedWeight, c[1], c[2] / kBlueWeight}; }

// Floyd-Steinberg inside the block: 7/16 right, 3/16 down-left, 5/16 down, 1/16 down-right.
template <std::size_t N>
void diffuseError(std::array<std::array<float, N>, kBlockPixels>& errors, int pixel,
                  const std::array<float, N>& error) {
  int x = pixel & 3;
  int y = pixel >> 2;
  auto add = [&](int target, float share) {
    for (std::size_t c = 0; c < N; ++c) errors[target][c] += error[c] * share;
  };
  if (x < 3) add(pixel + 1, 7.0f / 16.0f);
  if (y < 3) {
    if (x > 0) add(pixel + 3, 3.0f / 16.0f);
    add(pixel + 4, 5.0f / 16.0f);
    if (x < 3) add(pixel + 5, 1.0f / 16.0f);
  }
}

// Reduces one channel of every pixel to `levels` + 1 steps with error diffusion; returns the
// reduced values (level / levels).
std::array<float, kBlockPixels> reduceWithDiffusion(const std::array<float, kBlockPixels>& values, int levels) {
  std::array<std::array<float, 1>, kBlockPixels> errors{};
  std::array<float, kBlockPixels> reduced{};
  for (int i = 0; i < kBlockPixels; ++i) {
    float v = values[i] + errors[i][0];
    reduced[i] = static_cast<float>(quantiseLevel(v, levels)) / static_cast<float>(levels);
    diffuseError(errors, i, std::array<float, 1>{v - reduced[i]});
  }
  return reduced;
}

// ---- colour block ----

struct Palette {
  std::array<Vec3, 4> colours;
  int count;
};

// Weights of endpoint A and B at each palette position along the line from A to B.
constexpr float kFourColourWeights[4][2] = {{1.0f, 0.0f}, {2.0f / 3, 1.0f / 3}, {1.0f / 3, 2.0f / 3}, {0.0f, 1.0f}};
constexpr float kThreeColourWeights[3][2] = {{1.0f, 0.0f}, {0.5f, 0.5f}, {0.0f, 1.0f}};

const float* positionWeights(int count, int k) { return count == 4 ? kFourColourWeights[k] : kThreeColourWeights[k]; }

// Position (0 .. count - 1) of p projected onto the line from a to b.
int nearestPosition(const Vec3& p, const Vec3& a, const Vec3& b, int count) {
  Vec3 d = b - a;
  float length = dot(d, d);
  if (!(length > 0.0f)) return 0;
  float t = dot(p - a, d) * static_cast<float>(count - 1) / length;
  if (!(t > 0.0f)) return 0;
  return std::min(static_cast<int>(t + 0.5f), count - 1);
}

// Fits endpoints A and B (weighted space) to the colours of the pixels marked in `use`.
void fitEndpoints(const std::array<Vec3, kBlockPixels>& p, const std::array<bool, kBlockPixels>& use, int count,
                  Vec3& a, Vec3& b) {
  a = {1e30f, 1e30f, 1e30f};
  b = {-1e30f, -1e30f, -1e30f};
  for (int i = 0; i < kBlockPixels; ++i) {
    if (!use[i]) continue;
    for (int c = 0; c < 3; ++c) {
      a[c] = std::min(a[c], p[i][c]);
      b[c] = std::max(b[c], p[i][c]);
    }
  }
  Vec3 d = b - a;
  float lengthSquared = dot(d, d);
  if (lengthSquared < kTinyRange) return;

  // The box's main diagonal may run the wrong way in green or blue: pick the diagonal along
  // which the colours spread most.
  Vec3 centre = 0.5f * (a + b);
  std::array<float, 4> spread{};
  for (int i = 0; i < kBlockPixels; ++i) {
    if (!use[i]) continue;
    float x = (p[i][0] - centre[0]) * d[0] / lengthSquared;
    float y = (p[i][1] - centre[1]) * d[1] / lengthSquared;
    float z = (p[i][2] - centre[2]) * d[2] / lengthSquared;
    spread[0] += (x + y + z) * (x + y + z);
    spread[1] += (x + y - z) * (x + y - z);
    spread[2] += (x - y + z) * (x - y + z);
    spread[3] += (x - y - z) * (x - y - z);
  }
  auto best = static_cast<int>(std::max_element(spread.begin(), spread.end()) - spread.begin());
  if (best >= 2) std::swap(a[1], b[1]);
  if (best & 1) std::swap(a[2], b[2]);
  if (lengthSquared < kSmallRange) return;

  for (int pass = 0; pass < kMaxRefinementPasses; ++pass) {
    Vec3 span = b - a;
    if (dot(span, span) < kSmallRange) return;
    Vec3 sumA{}, sumB{};
    float weightA = 0.0f, weightB = 0.0f;
    for (int i = 0; i < kBlockPixels; ++i) {
      if (!use[i]) continue;
      int k = nearestPosition(p[i], a, b, count);
      const float* w = positionWeights(count, k);
      Vec3 error = (w[0] * a + w[1] * b) - p[i];
      sumA = sumA + (w[0] / 8.0f) * error;
      weightA += (w[0] / 8.0f) * w[0];
      sumB = sumB + (w[1] / 8.0f) * error;
      weightB += (w[1] / 8.0f) * w[1];
    }
    if (weightA > 0.0f) a = a - (1.0f / weightA) * sumA;
    if (weightB > 0.0f) b = b - (1.0f / weightB) * sumB;
    bool converged = true;
    for (int c = 0; c < 3; ++c) {
      converged = converged && sumA[c] * sumA[c] < kConvergedStep && sumB[c] * sumB[c] < kConvergedStep;
    }
    if (converged) return;
  }
}

Palette colourPalette(std::uint32_t c0, std::uint32_t c1, bool threeColour) {
  Vec3 a = expand565(c0);
  Vec3 b = expand565(c1);
  if (threeColour) return {{a, b, 0.5f * (a + b), Vec3{}}, 3};
  return {{a, b, a + (1.0f / 3.0f) * (b - a), a + (2.0f / 3.0f) * (b - a)}, 4};
}

// Writes the 8-byte colour block. `opaque` marks the pixels to colour; any other pixel is
// transparent and selects the three-colour mode. Transparent pixels take no part in the fit.
void encodeColourBlock(const Float4 pixels[kBlockPixels], const std::array<bool, kBlockPixels>& opaque,
                       std::uint8_t* out) {
  bool threeColour = std::find(opaque.begin(), opaque.end(), false) != opaque.end();
  if (std::find(opaque.begin(), opaque.end(), true) == opaque.end()) {
    store16(out, 0x0000);
    store16(out + 2, 0xFFFF);
    store32(out + 4, 0xFFFFFFFF);
    return;
  }

  std::array<Vec3, kBlockPixels> p;
  {
    std::array<float, kBlockPixels> channel[3];
    for (int i = 0; i < kBlockPixels; ++i) {
      for (int c = 0; c < 3; ++c) channel[c][i] = pixels[i][c];
    }
    constexpr int levels[3] = {31, 63, 31};
    for (int c = 0; c < 3; ++c) channel[c] = reduceWithDiffusion(channel[c], levels[c]);
    for (int i = 0; i < kBlockPixels; ++i) p[i] = weighted({channel[0][i], channel[1][i], channel[2][i]});
  }

  int count = threeColour ? 3 : 4;
  Vec3 a, b;
  fitEndpoints(p, opaque, count, a, b);
  std::uint32_t c0 = pack565(unweighted(a));
  std::uint32_t c1 = pack565(unweighted(b));
  if (!threeColour && c0 == c1) {
    store16(out, c0);
    store16(out + 2, c1);
    store32(out + 4, 0);
    return;
  }
  // The order of the endpoints tells the decoder the mode.
  if (threeColour ? c0 > c1 : c0 < c1) std::swap(c0, c1);

  Palette palette = colourPalette(c0, c1, threeColour);
  for (auto& colour : palette.colours) colour = weighted(colour);
  constexpr std::uint32_t kFourColourIndex[4] = {0, 2, 3, 1};
  constexpr std::uint32_t kThreeColourIndex[3] = {0, 2, 1};

  std::array<std::array<float, 3>, kBlockPixels> errors{};
  std::uint32_t indices = 0;
  for (int i = 0; i < kBlockPixels; ++i) {
    std::uint32_t index = 3;
    if (opaque[i]) {
      Vec3 v = p[i] + Vec3{errors[i][0], errors[i][1], errors[i][2]};
      int k = nearestPosition(v, palette.colours[0], palette.colours[1], count);
      index = threeColour ? kThreeColourIndex[k] : kFourColourIndex[k];
      diffuseError(errors, i, v - palette.colours[index]);
    }
    indices |= index << (2 * i);
  }
  store16(out, c0);
  store16(out + 2, c1);
  store32(out + 4, indices);
}

void decodeColourBlock(const std::uint8_t* in, bool allowThreeColour, Float4 pixels[kBlockPixels]) {
  std::uint32_t c0 = load16(in);
  std::uint32_t c1 = load16(in + 2);
  std::uint32_t indices = load32(in + 4);
  bool threeColour = allowThreeColour && c0 <= c1;
  Palette palette = colourPalette(c0, c1, threeColour);
  for (int i = 0; i < kBlockPixels; ++i) {
    std::uint32_t index = (indices >> (2 * i)) & 3;
    if (threeColour && index == 3) {
      pixels[i] = Float4{0.0f, 0.0f, 0.0f, 0.0f};
      continue;
    }
    const Vec3& c = palette.colours[index];
    pixels[i] = Float4{c[0], c[1], c[2], 1.0f};
  }
}

// ---- explicit alpha (DXT2, DXT3) ----

void encodeExplicitAlpha(const Float4 pixels[kBlockPixels], std::uint8_t* out) {
  std::array<float, kBlockPixels> alpha;
  for (int i = 0; i < kBlockPixels; ++i) alpha[i] = pixels[i][kAlpha];
  alpha = reduceWithDiffusion(alpha, 15);
  for (int i = 0; i < kBlockPixels; i += 2) {
    out[i / 2] = static_cast<std::uint8_t>(quantiseLevel(alpha[i], 15) | (quantiseLevel(alpha[i + 1], 15) << 4));
  }
}

void decodeExplicitAlpha(const std::uint8_t* in, Float4 pixels[kBlockPixels]) {
  for (int i = 0; i < kBlockPixels; ++i) {
    pixels[i][kAlpha] = static_cast<float>((in[i / 2] >> (4 * (i & 1))) & 15) / 15.0f;
  }
}

// ---- interpolated alpha (DXT4, DXT5) ----

struct AlphaPalette {
  std::array<float, 8> values;  // by stored index
  bool sixValues;
};

AlphaPalette alphaPalette(std::uint32_t a0Byte, std::uint32_t a1Byte) {
  float a0 = static_cast<float>(a0Byte) / 255.0f;
  float a1 = static_cast<float>(a1Byte) / 255.0f;
  AlphaPalette palette{{a0, a1}, a0Byte <= a1Byte};
  if (!palette.sixValues) {
    for (int k = 1; k <= 6; ++k)
      palette.values[1 + k] = (static_cast<float>(7 - k) * a0 + static_cast<float>(k) * a1) / 7.0f;
  } else {
    for (int k = 1; k <= 4; ++k)
      palette.values[1 + k] = (static_cast<float>(5 - k) * a0 + static_cast<float>(k) * a1) / 5.0f;
    palette.values[6] = 0.0f;
    palette.values[7] = 1.0f;
  }
  return palette;
}

// Least-squares refinement of the low and high alpha endpoints for the given values, which
// are spread over `steps` + 1 evenly spaced palette points from low to high.
void refineAlphaEndpoints(const std::array<float, kBlockPixels>& values, const std::array<bool, kBlockPixels>& use,
                          int steps, float& low, float& high) {
  for (int pass = 0; pass < kMaxRefinementPasses && high - low >= 1.0f / 256.0f; ++pass) {
    float ll = 0, lh = 0, hh = 0, lv = 0, hv = 0;
    for (int i = 0; i < kBlockPixels; ++i) {
      if (!use[i]) continue;
      float t = (values[i] - low) * static_cast<float>(steps) / (high - low);
      int k = std::clamp(static_cast<int>(t + 0.5f), 0, steps);
      float wh = static_cast<float>(k) / static_cast<float>(steps);
      float wl = 1.0f - wh;
      ll += wl * wl;
      lh += wl * wh;
      hh += wh * wh;
      lv += wl * values[i];
      hv += wh * values[i];
    }
    float determinant = ll * hh - lh * lh;
    if (std::fabs(determinant) < 1e-12f) return;
    float newLow = std::clamp((lv * hh - hv * lh) / determinant, 0.0f, 1.0f);
    float newHigh = std::clamp((hv * ll - lv * lh) / determinant, 0.0f, 1.0f);
    if (newLow > newHigh) return;
    if (newLow == low && newHigh == high) return;
    low = newLow;
    high = newHigh;
  }
}

void encodeInterpolatedAlpha(const Float4 pixels[kBlockPixels], std::uint8_t* out) {
  std::array<float, kBlockPixels> alpha;
  for (int i = 0; i < kBlockPixels; ++i) alpha[i] = pixels[i][kAlpha];
  std::array<float, kBlockPixels> reduced = reduceWithDiffusion(alpha, 255);
  float smallest = *std::min_element(reduced.begin(), reduced.end());
  float largest = *std::max_element(reduced.begin(), reduced.end());
  if (smallest == 1.0f) {
    out[0] = out[1] = 255;
    std::fill(out + 2, out + 8, std::uint8_t{0});
    return;
  }
  bool sixValues = smallest == 0.0f || largest == 1.0f;
  std::array<bool, kBlockPixels> use;
  float low = 2.0f, high = -1.0f;
  for (int i = 0; i < kBlockPixels; ++i) {
    use[i] = !sixValues || (reduced[i] > 0.0f && reduced[i] < 1.0f);
    if (!use[i]) continue;
    low = std::min(low, reduced[i]);
    high = std::max(high, reduced[i]);
  }
  if (low > high) {  // only 0 and 1, both of which the six-value palette holds
    low = 0.0f;
    high = 1.0f;
  }
  refineAlphaEndpoints(reduced, use, sixValues ? 5 : 7, low, high);
  std::uint32_t lowByte = quantiseLevel(low, 255);
  std::uint32_t highByte = quantiseLevel(high, 255);
  std::uint32_t a0 = sixValues ? lowByte : highByte;
  std::uint32_t a1 = sixValues ? highByte : lowByte;
  AlphaPalette palette = alphaPalette(a0, a1);
  bool allZero = !sixValues && a0 == a1;
  float e0 = palette.values[0];
  float e1 = palette.values[1];
  int n = sixValues ? 6 : 8;
  constexpr std::uint32_t kEightIndex[8] = {0, 2, 3, 4, 5, 6, 7, 1};
  constexpr std::uint32_t kSixIndex[6] = {0, 2, 3, 4, 5, 1};

  std::array<std::array<float, 1>, kBlockPixels> errors{};
  std::uint64_t indices = 0;
  for (int i = 0; i < kBlockPixels; ++i) {
    float v = reduced[i] + errors[i][0];
    std::uint32_t index = 0;
    if (!allZero) {
      float t = e0 == e1 ? 0.0f : (v - e0) * static_cast<float>(n - 1) / (e1 - e0);
      if (t <= 0.0f) {
        index = 0;
      } else if (t >= static_cast<float>(n - 1)) {
        index = 1;
      } else {
        int k = static_cast<int>(t + 0.5f);
        index = sixValues ? kSixIndex[k] : kEightIndex[k];
      }
      if (sixValues && v <= e0 / 2.0f) index = 6;
      if (sixValues && v >= (e1 + 1.0f) / 2.0f) index = 7;
    }
    diffuseError(errors, i, std::array<float, 1>{v - palette.values[index]});
    indices |= std::uint64_t{index} << (3 * i);
  }
  out[0] = static_cast<std::uint8_t>(a0);
  out[1] = static_cast<std::uint8_t>(a1);
  for (int b = 0; b < 6; ++b) out[2 + b] = static_cast<std::uint8_t>(indices >> (8 * b));
}

void decodeInterpolatedAlpha(const std::uint8_t* in, Float4 pixels[kBlockPixels]) {
  AlphaPalette palette = alphaPalette(in[0], in[1]);
  std::uint64_t indices = 0;
  for (int b = 0; b < 6; ++b) indices |= std::uint64_t{in[2 + b]} << (8 * b);
  for (int i = 0; i < kBlockPixels; ++i) pixels[i][kAlpha] = palette.values[(indices >> (3 * i)) & 7];
}

bool isPremultiplied(D3DFORMAT format) { return format == D3DFMT_DXT2 || format == D3DFMT_DXT4; }

}  // namespace

bool isBlockFormat(D3DFORMAT format) {
  return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
         format == D3DFMT_DXT5;
}

unsigned blockBytes(D3DFORMAT format) { return format == D3DFMT_DXT1 ? 8 : 16; }

void decodeBlock(D3DFORMAT format, const std::uint8_t* block, Float4 pixels[kBlockPixels]) {
  if (format == D3DFMT_DXT1) {
    decodeColourBlock(block, true, pixels);
    return;
  }
  decodeColourBlock(block + 8, false, pixels);
  if (format == D3DFMT_DXT2 || format == D3DFMT_DXT3) {
    decodeExplicitAlpha(block, pixels);
  } else {
    decodeInterpolatedAlpha(block, pixels);
  }
  if (!isPremultiplied(format)) return;
  for (int i = 0; i < kBlockPixels; ++i) {
    float a = pixels[i][kAlpha];
    for (int c = 0; c < 3; ++c) {
      float& v = pixels[i][c];
      v = a == 0.0f ? 0.0f : (v >= a ? 1.0f : v / a);
    }
  }
}

void encodeBlock(D3DFORMAT format, const Float4 input[kBlockPixels], std::uint8_t* block) {
  Float4 pixels[kBlockPixels];
  for (int i = 0; i < kBlockPixels; ++i) {
    for (int c = 0; c < 4; ++c) pixels[i][c] = clampUnit(input[i][c]);
    if (isPremultiplied(format)) {
      for (int c = 0; c < 3; ++c) pixels[i][c] *= pixels[i][kAlpha];
    }
  }
  std::array<bool, kBlockPixels> opaque;
  opaque.fill(true);
  if (format == D3DFMT_DXT1) {
    std::array<float, kBlockPixels> alpha;
    for (int i = 0; i < kBlockPixels; ++i) alpha[i] = pixels[i][kAlpha];
    alpha = reduceWithDiffusion(alpha, 1);
    for (int i = 0; i < kBlockPixels; ++i) opaque[i] = alpha[i] >= 0.5f;
    encodeColourBlock(pixels, opaque, block);
    return;
  }
  if (format == D3DFMT_DXT2 || format == D3DFMT_DXT3) {
    encodeExplicitAlpha(pixels, block);
  } else {
    encodeInterpolatedAlpha(pixels, block);
  }
  encodeColourBlock(pixels, opaque, block + 8);
}

Float4 roundToBlockPrecision(D3DFORMAT format, const Float4& pixel) {
  int alphaLevels = format == D3DFMT_DXT2 || format == D3DFMT_DXT3 ? 15 : 255;
  constexpr int levels[3] = {31, 63, 31};
  Float4 out;
  for (int c = 0; c < 3; ++c)
    out[c] = static_cast<float>(quantiseLevel(pixel[c], levels[c])) / static_cast<float>(levels[c]);
  out[kAlpha] = static_cast<float>(quantiseLevel(pixel[kAlpha], alphaLevels)) / static_cast<float>(alphaLevels);
  return out;
}
