// Occurrence search for callers whose start positions only move forward.
//
//   ForwardSearch find(line, u";;");
//   std::size_t a = find.From(0);      // first occurrence at or after index 0
//   std::size_t b = find.From(a + 2);  // the next one, without rescanning
//
// Each From(start) gives the smallest index p >= start at which the pattern
// begins in the text (overlapping occurrences included), or npos. Across a
// run of calls with non-decreasing starts every text unit is examined a
// bounded number of times (Knuth-Morris-Pratt), so a whole run costs
// O(Len(text) + Len(pattern)) whatever the pattern, and a position that was
// already found is remembered rather than searched for again.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kor::parse {

// The first unit equal to `c` in [first, last), or `last`: eight units at a
// time where the processor compares them at once.
inline const char16_t* FindUnit(const char16_t* first, const char16_t* last, char16_t c) {
#if defined(__SSE2__)
  const __m128i wanted = _mm_set1_epi16(static_cast<short>(c));
  for (; last - first >= 8; first += 8) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first));
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, wanted)));
    if (mask != 0) return first + __builtin_ctz(mask) / 2;
  }
#endif
  for (; first != last; ++first)
    if (*first == c) return first;
  return last;
}

// Counts, up to `most`, the units equal to `c` that follow a unit other than
// `c`, among the units of `line` but its first and its last; `at` is the
// index of the last one counted.
inline std::int64_t CountFieldEnds(std::u16string_view line, char16_t c, std::int64_t most, std::size_t& at) {
  if (line.size() < 3 || most <= 0) return 0;
  const char16_t* const t = line.data();
  const std::size_t stop = line.size() - 1;
  std::size_t i = 1;
  std::int64_t counted = 0;
#if defined(__SSE2__)
  const __m128i wanted = _mm_set1_epi16(static_cast<short>(c));
  for (; stop - i >= 8; i += 8) {
    const __m128i here = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i)), wanted);
    const __m128i before = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i - 1)), wanted);
    // One bit per unit.
    auto ends =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(_mm_andnot_si128(before, here), _mm_setzero_si128())));
    if (ends == 0) continue;
    // The bits set, without a processor instruction for it.
    unsigned k = ends - ((ends >> 1) & 0x55u);
    k = (k & 0x33u) + ((k >> 2) & 0x33u);
    k = (k + (k >> 4)) & 0x0Fu;
    if (counted + static_cast<std::int64_t>(k) < most) {
      counted += k;
      at = i + static_cast<std::size_t>(std::bit_width(ends) - 1);
      continue;
    }
    for (;; ends &= ends - 1) {
      at = i + static_cast<std::size_t>(std::countr_zero(ends));
      if (++counted == most) return counted;
    }
  }
#endif
  for (; i < stop && counted < most; ++i) {
    if (t[i] == c && t[i - 1] != c) {
      at = i;
      ++counted;
    }
  }
  return counted;
}

class ForwardSearch {
 public:
  static constexpr std::size_t npos = std::u16string_view::npos;

  // The pattern must not be empty. Both views must outlive the object.
  ForwardSearch(std::u16string_view text, std::u16string_view pattern);

  // Smallest index >= start where the pattern begins, or npos. `start` must
  // not be smaller than in the previous call.
  std::size_t From(std::size_t start);

 private:
  std::u16string_view text_;
  std::u16string_view pattern_;
  // border_[j]: length of the longest proper border of the pattern's first j
  // units (the prefix function, shifted by one).
  std::vector<std::uint32_t> border_;
  std::size_t scanned_ = 0;   // text units consumed so far
  std::size_t matched_ = 0;   // pattern units matched by the text before scanned_
  std::size_t found_ = npos;  // the last occurrence returned
  bool exhausted_ = false;    // no occurrence at or after the last start
};

// Calls run(next) and returns its result, where next(from) is the smallest
// index >= from at which the non-empty pattern begins in the text, or npos.
// For callers whose every search starts past the occurrence found before:
// then each text unit is examined a bounded number of times. A pattern whose
// first unit does not recur needs no search state: a partial match that fails
// after k units rules out the k - 1 places after its start too, and the
// search in between runs eight units at a time. Any other pattern goes
// through ForwardSearch.
template <typename Run>
decltype(auto) WithForwardSearch(std::u16string_view text, std::u16string_view pattern, Run&& run) {
  if (pattern.size() > 1 && pattern.find(pattern[0], 1) != std::u16string_view::npos) {
    ForwardSearch search(text, pattern);
    return run([&search](std::size_t from) { return search.From(from); });
  }
  const std::size_t m = pattern.size();
  const char16_t* const begin = text.data();
  // Past the last place where a whole pattern fits.
  const std::size_t places = text.size() >= m ? text.size() - m + 1 : 0;
  const char16_t* const last = begin + places;
  return run([=](std::size_t from) {
    const char16_t* p = begin + (from < places ? from : places);
    while (p < last) {
      const char16_t* const q = FindUnit(p, last, pattern[0]);
      if (q == last) break;
      std::size_t k = 1;
      while (k < m && q[k] == pattern[k]) ++k;
      if (k == m) return static_cast<std::size_t>(q - begin);
      p = q + k;
    }
    return ForwardSearch::npos;
  });
}

}  // namespace kor::parse
