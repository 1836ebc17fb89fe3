#include "parse/forward_search.h"

#include <algorithm>

namespace kor::parse {

ForwardSearch::ForwardSearch(std::u16string_view text, std::u16string_view pattern)
    : text_(text), pattern_(pattern), border_(pattern.size() + 1, 0) {
  std::uint32_t k = 0;
  for (std::size_t i = 1; i < pattern_.size(); ++i) {
    while (k > 0 && pattern_[i] != pattern_[k]) k = border_[k];
    if (pattern_[i] == pattern_[k]) ++k;
    border_[i + 1] = k;
  }
}

std::size_t ForwardSearch::From(std::size_t start) {
  if (found_ != npos && found_ >= start) return found_;
  if (exhausted_) return npos;
  const std::size_t m = pattern_.size();
  const std::size_t n = text_.size();
  if (start > scanned_) {
    scanned_ = start;
    matched_ = 0;
  } else {
    // Keep only the part of the current partial match that begins at or
    // after start.
    while (matched_ > 0 && scanned_ - matched_ < start) matched_ = border_[matched_];
  }
  while (scanned_ < n) {
    if (matched_ == 0) {
      // Nothing matched yet: jump to the next unit that can begin the
      // pattern and compare from there. Whatever matched from that unit on
      // is the longest partial match, as nothing before it can begin one.
      const char16_t* const begin = text_.data();
      const char16_t* const q = FindUnit(begin + scanned_, begin + n, pattern_[0]);
      if (q == begin + n) {
        scanned_ = n;
        break;
      }
      const std::size_t limit = std::min(m, static_cast<std::size_t>(begin + n - q));
      std::size_t k = 1;
      while (k < limit && q[k] == pattern_[k]) ++k;
      scanned_ = static_cast<std::size_t>(q - begin) + k;
      matched_ = k;
    } else {
      const char16_t c = text_[scanned_];
      while (matched_ > 0 && pattern_[matched_] != c) matched_ = border_[matched_];
      if (pattern_[matched_] == c) ++matched_;
      ++scanned_;
    }
    if (matched_ == m) {
      found_ = scanned_ - m;
      return found_;
    }
  }
  exhausted_ = true;
  found_ = npos;
  return npos;
}

}  // namespace kor::parse
