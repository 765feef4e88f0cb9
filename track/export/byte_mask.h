// Where a byte stands in a block of 64 bytes: bit i of the mask is set when p[i] is c. Scans
// over a whole text (line breaks, NULs) go a block at a time instead of a byte at a time.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

inline constexpr std::size_t kMaskBlock = 64;

// Bit i set when p[i] is c, for the 16 bytes from p.
inline std::uint32_t ByteMask16(const char* p, char c) {
#if defined(__SSE2__)
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
#else
  std::uint32_t mask = 0;
  for (std::size_t i = 0; i < 16; ++i)
    mask |= static_cast<std::uint32_t>(p[i] == c) << i;
  return mask;
#endif
}

// The same for the kMaskBlock bytes from p.
inline std::uint64_t ByteMask(const char* p, char c) {
  std::uint64_t mask = 0;
  for (std::size_t k = 0; k < kMaskBlock / 16; ++k)
    mask |= static_cast<std::uint64_t>(ByteMask16(p + 16 * k, c)) << (16 * k);
  return mask;
}
