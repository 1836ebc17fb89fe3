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

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kor::parse {

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

}  // namespace kor::parse
