// Wildcard matching on code points, one name component at a time. The pattern
// is rewritten into the Windows wildcard forms first; matching then follows
// every way the pattern can go at once (a set of pattern positions per name
// character), so it takes at most pattern length x name length steps whatever
// the pattern.
#include "winrules/wildcard.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/code_page.h"

namespace kor::platform {
namespace {

// The Windows wildcard forms, above the code points a name can hold (bytes
// that are not UTF-8 become 0x110000 + byte).
constexpr char32_t kStar = 0x120000;     // "*": any run of characters
constexpr char32_t kDosStar = 0x120001;  // "*" before ".": any run that does not take the last "."
constexpr char32_t kDosQm = 0x120002;    // "?": one character other than ".", or nothing before a "." or the end
constexpr char32_t kDosDot = 0x120003;   // "." before "*", "?" or the end: a "." or the end of the name

// Appends the code points of UTF-8 text, upper-cased; a byte that does not
// start a valid sequence stands for itself, above the Unicode range so that
// it can only match the same byte.
template <typename Out>
void AppendUpperCodePoints(std::string_view s, Out& out) {
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      out.push_back(b >= 'a' && b <= 'z' ? b - 32 : b);
      ++i;
      continue;
    }
    const std::size_t n = (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    char32_t c = n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    bool valid = n != 0 && i + n <= s.size();
    for (std::size_t k = 1; valid && k < n; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      valid = (t & 0xC0) == 0x80;
      c = (c << 6) | (t & 0x3F);
    }
    if (!valid) {
      out.push_back(0x110000 + b);
      ++i;
      continue;
    }
    out.push_back(UpperCase(c));
    i += n;
  }
}

// A name's code points: on the stack for every name a file system holds.
class NameCodePoints {
 public:
  explicit NameCodePoints(std::string_view name) {
    if (name.size() > kInline) heap_.reserve(name.size());
    AppendUpperCodePoints(name, *this);
  }
  void push_back(char32_t c) {
    if (heap_.empty() && size_ < kInline) {
      inline_[size_++] = c;
      return;
    }
    if (heap_.empty()) heap_.assign(inline_, inline_ + size_);
    heap_.push_back(c);
    ++size_;
  }
  std::u32string_view view() const { return heap_.empty() ? std::u32string_view(inline_, size_) : heap_; }

 private:
  static constexpr std::size_t kInline = 256;
  char32_t inline_[kInline];
  std::size_t size_ = 0;
  std::u32string heap_;
};

// Takes every step that consumes no character at name position `at` (`c` is
// the character there, `end` whether the name is used up), in pattern order:
// each such step goes one pattern position on.
void Close(std::u32string_view p, unsigned char* on, char32_t c, bool end) {
  for (std::size_t i = 0; i < p.size(); ++i) {
    if (!on[i]) continue;
    const char32_t w = p[i];
    if (w == kStar || w == kDosStar || (w == kDosQm && (end || c == U'.')) || (w == kDosDot && end)) on[i + 1] = 1;
  }
}

bool MatchForms(std::u32string_view p, std::u32string_view n) {
  const std::size_t lastDot = n.rfind(U'.');
  // Two sets of pattern positions: on the stack for any usual pattern.
  constexpr std::size_t kInline = 64;
  unsigned char inlineSets[2][kInline + 1] = {};
  std::vector<unsigned char> heapSets;
  unsigned char* on = inlineSets[0];
  unsigned char* next = inlineSets[1];
  if (p.size() > kInline) {
    heapSets.assign(2 * (p.size() + 1), 0);
    on = heapSets.data();
    next = on + p.size() + 1;
  }
  on[0] = 1;
  for (std::size_t k = 0; k < n.size(); ++k) {
    const char32_t c = n[k];
    Close(p, on, c, false);
    bool any = false;
    for (std::size_t i = 0; i < p.size(); ++i) {
      if (!on[i]) continue;
      const char32_t w = p[i];
      std::size_t to = p.size() + 1;  // none
      if (w == kStar) {
        to = i;
      } else if (w == kDosStar) {
        if (c != U'.' || k != lastDot) to = i;
      } else if (w == kDosQm) {
        if (c != U'.') to = i + 1;
      } else if (w == kDosDot) {
        if (c == U'.') to = i + 1;
      } else if (w == c) {
        to = i + 1;
      }
      if (to <= p.size()) {
        next[to] = 1;
        any = true;
      }
    }
    if (!any) return false;
    std::swap(on, next);
    std::fill(next, next + p.size() + 1, 0);
  }
  Close(p, on, 0, true);
  return on[p.size()] != 0;
}

}  // namespace

bool HasWildcards(std::string_view name) { return name.find_first_of("*?") != std::string_view::npos; }

WildcardPattern::WildcardPattern(std::string_view pattern) {
  if (pattern == "*" || pattern == "*.*") {
    all_ = true;
    return;
  }
  std::u32string raw;
  AppendUpperCodePoints(pattern, raw);
  p_.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const char32_t c = raw[i];
    const char32_t after = i + 1 < raw.size() ? raw[i + 1] : 0;
    if (c == U'?') {
      p_.push_back(kDosQm);
    } else if (c == U'*') {
      p_.push_back(after == U'.' ? kDosStar : kStar);
    } else if (c == U'.' && (i + 1 == raw.size() || after == U'*' || after == U'?')) {
      p_.push_back(kDosDot);
    } else {
      p_.push_back(c);
    }
  }
}

bool WildcardPattern::Matches(std::string_view name) const {
  if (all_) return true;
  const NameCodePoints n(name);
  return MatchForms(p_, n.view());
}

bool WildcardMatch(std::string_view pattern, std::string_view name) { return WildcardPattern(pattern).Matches(name); }

bool NameBefore(std::string_view a, std::string_view b) {
  const NameCodePoints ua(a), ub(b);
  return ua.view() != ub.view() ? ua.view() < ub.view() : a < b;
}

}  // namespace kor::platform
