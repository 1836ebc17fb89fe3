// ASCII fast paths of korCSV_IO: most CSV text is plain ASCII, which the code
// page leaves as it is, so it is widened to UTF-16 and narrowed back without
// a conversion. The loops take four units at a time in a 64-bit word.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kor::csv {

inline constexpr bool kWordLanes = std::endian::native == std::endian::little;

// Bytes to UTF-16 code units of the same values.
inline void Widen(const char* in, std::size_t n, char16_t* out) {
  std::size_t i = 0;
  if constexpr (kWordLanes) {
    for (; i + 4 <= n; i += 4) {
      std::uint32_t b;
      std::memcpy(&b, in + i, 4);
      const std::uint64_t w = (b & 0xFFULL) | (static_cast<std::uint64_t>(b & 0xFF00U) << 8) |
                              (static_cast<std::uint64_t>(b & 0xFF0000U) << 16) |
                              (static_cast<std::uint64_t>(b & 0xFF000000U) << 24);
      std::memcpy(out + i, &w, 8);
    }
  }
  for (; i < n; ++i) out[i] = static_cast<unsigned char>(in[i]);
}

// Whether every unit is below 0x80; `comma` tells whether one is ",".
inline bool ScanAscii(const char16_t* in, std::size_t n, bool& comma) {
  std::uint64_t seen = 0, commas = 0;
  std::size_t i = 0;
  if constexpr (kWordLanes) {
    for (; i + 4 <= n; i += 4) {
      std::uint64_t w;
      std::memcpy(&w, in + i, 8);
      seen |= w;
      const std::uint64_t x = w ^ 0x002C002C002C002CULL;  // a lane holding "," becomes 0
      commas |= (x - 0x0001000100010001ULL) & ~x & 0x8000800080008000ULL;
    }
  }
  for (; i < n; ++i) {
    seen |= in[i];
    commas |= in[i] == u',';
  }
  comma = commas != 0;
  return (seen & 0xFF80FF80FF80FF80ULL) == 0;
}

// UTF-16 code units below 0x80 to bytes.
inline void Narrow(const char16_t* in, std::size_t n, char* out) {
  std::size_t i = 0;
  if constexpr (kWordLanes) {
    for (; i + 4 <= n; i += 4) {
      std::uint64_t w;
      std::memcpy(&w, in + i, 8);
      const auto b = static_cast<std::uint32_t>((w & 0xFF) | ((w >> 8) & 0xFF00) | ((w >> 16) & 0xFF0000) |
                                                ((w >> 24) & 0xFF000000));
      std::memcpy(out + i, &b, 4);
    }
  }
  for (; i < n; ++i) out[i] = static_cast<char>(in[i]);
}

}  // namespace kor::csv
