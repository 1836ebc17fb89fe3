#include "winrules/registry/text.h"

#include <cstdint>

namespace kor::platform::regstore {

bool NextCodePoint(std::string_view s, std::size_t& i, char32_t& c) {
  const auto b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) {
    c = b;
    ++i;
    return true;
  }
  const int need = b >= 0xF0 && b <= 0xF4 ? 3 : b >= 0xE0 && b <= 0xEF ? 2 : b >= 0xC2 && b <= 0xDF ? 1 : 0;
  if (need == 0 || i + static_cast<std::size_t>(need) >= s.size()) {
    c = b;
    ++i;
    return false;
  }
  char32_t v = b & (0x3F >> need);
  for (int k = 1; k <= need; ++k) {
    const auto cb = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
    if ((cb & 0xC0) != 0x80) {
      c = b;
      ++i;
      return false;
    }
    v = (v << 6) | (cb & 0x3F);
  }
  const char32_t minimum = need == 1 ? 0x80 : need == 2 ? 0x800 : 0x10000;
  if (v < minimum || v > 0x10FFFF) {
    c = b;
    ++i;
    return false;
  }
  c = v;
  i += static_cast<std::size_t>(need) + 1;
  return true;
}

void AppendUtf16Le(std::string& out, char16_t unit) {
  out += static_cast<char>(unit & 0xFF);
  out += static_cast<char>(unit >> 8);
}

void AppendUtf16Le(std::string& out, std::string_view utf8) {
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      out += '\0';
      ++i;
      continue;
    }
    char32_t c;
    if (!NextCodePoint(utf8, i, c)) c = 0xFFFD;
    if (c >= 0x10000) {
      AppendUtf16Le(out, static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      AppendUtf16Le(out, static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      AppendUtf16Le(out, static_cast<char16_t>(c));
    }
  }
}

void AppendUtf8FromUtf16Le(std::string& out, std::string_view bytes) {
  const std::size_t n = bytes.size() / 2;
  const auto unit = [&](std::size_t k) {
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                 (static_cast<unsigned char>(bytes[2 * k + 1]) << 8));
  };
  for (std::size_t k = 0; k < n; ++k) {
    char32_t c = unit(k);
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && k + 1 < n) {
      const char16_t low = unit(k + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++k;
      }
    }
    AppendUtf8(out, c);
  }
}

std::string_view TrimSpace(std::string_view s) {
  while (!s.empty() && IsAsciiSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsAsciiSpace(s.back())) s.remove_suffix(1);
  return s;
}

namespace {
char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
}  // namespace

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

bool StartsWithIgnoringCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualsIgnoringAsciiCase(s.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool LineReader::Next(std::string_view& line) {
  if (pos_ >= text_.size()) return false;
  std::size_t end = text_.find('\n', pos_);
  if (end == std::string_view::npos) end = text_.size();
  line = text_.substr(pos_, end - pos_);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  pos_ = end + 1;
  ++number_;
  return true;
}

}  // namespace kor::platform::regstore
