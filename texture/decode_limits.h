// Size arithmetic for decoders: every byte count derived from a file header goes through these
// checked helpers, so no header can make a size wrap around or exceed what a decoder may allocate.
#pragma once

#include <cstdint>
#include <optional>

// No decoded level may need more than this many bytes (1 GiB; 16 MiB in the small-limits test
// build, so that tests can reach the cap).
#if PRISM_SMALL_LIMITS
inline constexpr std::uint64_t kMaxDecodedBytes = std::uint64_t{1} << 24;
#else
inline constexpr std::uint64_t kMaxDecodedBytes = std::uint64_t{1} << 30;
#endif

// a × b, or nothing when the product does not fit in 64 bits.
inline std::optional<std::uint64_t> checkedMultiply(std::uint64_t a, std::uint64_t b) {
  std::uint64_t product = 0;
  if (__builtin_mul_overflow(a, b, &product)) return std::nullopt;
  return product;
}

// a × b × c, or nothing on overflow.
inline std::optional<std::uint64_t> checkedMultiply(std::uint64_t a, std::uint64_t b, std::uint64_t c) {
  auto ab = checkedMultiply(a, b);
  if (!ab) return std::nullopt;
  return checkedMultiply(*ab, c);
}

// Whether a decoder may allocate `bytes` for pixels: within the global cap and, for formats that
// expand their input, within what `inputBytes` can describe at `maxExpansion` output bytes each.
inline bool allocationAllowed(std::optional<std::uint64_t> bytes, std::uint64_t inputBytes,
                              std::uint64_t maxExpansion) {
  if (!bytes || *bytes > kMaxDecodedBytes) return false;
  auto fillable = checkedMultiply(inputBytes, maxExpansion);
  return !fillable || *bytes <= *fillable;
}
