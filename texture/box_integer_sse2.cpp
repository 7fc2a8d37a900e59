// SSE2 version of the 32-bit ARGB box halving: two destination pixels per step. SSE2 is part
// of the x86-64 baseline; elsewhere the portable rows stand in.
#include "texture/box_integer.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void boxHalveRowArgbSimd(const std::byte* row0, const std::byte* row1, std::byte* out, std::uint32_t destinationWidth,
                         std::uint32_t sourceWidth) {
#if !defined(__SSE2__)
  boxHalveRow(*findIntegerBoxFormat(D3DFMT_A8R8G8B8), row0, row1, out, destinationWidth, sourceWidth);
#else
  if (sourceWidth < 2) {
    boxHalveRow(*findIntegerBoxFormat(D3DFMT_A8R8G8B8), row0, row1, out, destinationWidth, sourceWidth);
    return;
  }
  const __m128i zero = _mm_setzero_si128();
  const __m128i two = _mm_set1_epi16(2);
  std::uint32_t x = 0;
  for (; x + 2 <= destinationWidth; x += 2) {
    // Four source pixels of each row, widened to 16 bits per channel.
    __m128i top = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row0 + std::size_t{x} * 8));
    __m128i bottom = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row1 + std::size_t{x} * 8));
    __m128i pixels01 = _mm_add_epi16(_mm_unpacklo_epi8(top, zero), _mm_unpacklo_epi8(bottom, zero));
    __m128i pixels23 = _mm_add_epi16(_mm_unpackhi_epi8(top, zero), _mm_unpackhi_epi8(bottom, zero));
    // Horizontal pairs: (0 + 1) and (2 + 3).
    __m128i sums = _mm_add_epi16(_mm_unpacklo_epi64(pixels01, pixels23), _mm_unpackhi_epi64(pixels01, pixels23));
    __m128i averages = _mm_srli_epi16(_mm_add_epi16(sums, two), 2);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + std::size_t{x} * 4), _mm_packus_epi16(averages, zero));
  }
  if (x < destinationWidth) {
    boxHalveRow(*findIntegerBoxFormat(D3DFMT_A8R8G8B8), row0 + std::size_t{x} * 8, row1 + std::size_t{x} * 8,
                out + std::size_t{x} * 4, destinationWidth - x, sourceWidth - 2 * x);
  }
#endif
}
