// Wildcard matching on code points, one name component at a time.
#include "platform/wildcard.h"

#include <string>

#include "platform/code_page.h"

namespace kor::platform {
namespace {

// The code points of UTF-8 text, upper-cased; a byte that does not start a
// valid sequence stands for itself, above the Unicode range so that it can
// only match the same byte.
std::u32string UpperCodePoints(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    char32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
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
  return out;
}

// "*" and "?" matching with one backtrack point: linear in practice.
bool Match(std::u32string_view p, std::u32string_view n) {
  std::size_t pi = 0, ni = 0, star = std::u32string_view::npos, mark = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == U'?' || p[pi] == n[ni])) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == U'*') {
      star = pi++;
      mark = ni;
    } else if (star != std::u32string_view::npos) {
      pi = star + 1;
      ni = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == U'*') ++pi;
  return pi == p.size();
}

}  // namespace

bool HasWildcards(std::string_view name) { return name.find_first_of("*?") != std::string_view::npos; }

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  const std::u32string p = UpperCodePoints(pattern);
  const std::u32string n = UpperCodePoints(name);
  if (Match(p, n)) return true;
  const std::u32string_view pv(p);
  // "x.*" also matches "x", and "*.*" every name.
  if (pv.size() >= 2 && pv.substr(pv.size() - 2) == U".*") return Match(pv.substr(0, pv.size() - 2), n);
  // "x." matches "x", and "*." every name without a dot.
  if (!pv.empty() && pv.back() == U'.' && n.find(U'.') == std::u32string::npos)
    return Match(pv.substr(0, pv.size() - 1), n);
  return false;
}

}  // namespace kor::platform
