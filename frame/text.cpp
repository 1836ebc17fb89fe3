#include "frame/text.h"

namespace kor::text {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

constexpr bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

char16_t Utf16LeUnit(std::string_view bytes, std::size_t k) {
  return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * k]) |
                               (static_cast<unsigned char>(bytes[2 * k + 1]) << 8));
}

// The conversions' own steps, which the loops below inline (the exported
// functions cannot be).
std::optional<char32_t> Decode(std::string_view s, std::size_t& pos, Policy policy) {
  if (pos >= s.size()) return std::nullopt;
  const auto lead = static_cast<unsigned char>(s[pos]);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  std::size_t extra = 0;
  char32_t c = 0, minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1, c = lead & 0x1Fu, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2, c = lead & 0x0Fu, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3, c = lead & 0x07u, minimum = 0x10000;
  } else {
    return std::nullopt;  // a continuation byte, C0, C1 or F5..FF
  }
  if (s.size() - pos <= extra) return std::nullopt;
  for (std::size_t k = 1; k <= extra; ++k) {
    const auto b = static_cast<unsigned char>(s[pos + k]);
    if ((b & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (b & 0x3Fu);
  }
  if (c < minimum || c > 0x10FFFF) return std::nullopt;
  if (IsSurrogate(c) && policy != Policy::kKeepSurrogates) return std::nullopt;
  pos += extra + 1;
  return c;
}

void PutUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void PutUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  }
}

void PutUtf16Le(std::string& out, char32_t c) {
  const auto unit = [&out](char32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  if (c < 0x10000) {
    unit(c);
  } else {
    unit(0xD800 + ((c - 0x10000) >> 10));
    unit(0xDC00 + ((c - 0x10000) & 0x3FF));
  }
}

// UTF-16 units, from `unit(k)` for k below n, to code points under `policy`:
// `put` takes each one; false at the first unpaired surrogate under kStrict.
template <class Unit, class Put>
bool EachUtf16(std::size_t n, Unit unit, Policy policy, char32_t replacement, Put put) {
  for (std::size_t k = 0; k < n; ++k) {
    char32_t c = unit(k);
    if (c < 0x80) {
      put(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && k + 1 < n) {
      const char32_t low = unit(k + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        put(0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
        ++k;
        continue;
      }
    }
    if (IsSurrogate(c) && policy != Policy::kKeepSurrogates) {
      if (policy == Policy::kStrict) return false;
      c = replacement;
    }
    put(c);
  }
  return true;
}

// UTF-8 to code points under `policy`: `put` takes each one; false at the
// first bad byte under kStrict.
template <class Put>
bool EachUtf8(std::string_view s, Policy policy, Put put) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      put(b);
      ++i;
    } else if (const auto c = Decode(s, i, policy)) {
      put(*c);
    } else if (policy == Policy::kStrict) {
      return false;
    } else {
      put(kReplacement);
      ++i;
    }
  }
  return true;
}

}  // namespace

std::optional<char32_t> DecodeUtf8(std::string_view s, std::size_t& pos, Policy policy) noexcept {
  return Decode(s, pos, policy);
}

char32_t NextUtf8(std::string_view s, std::size_t& pos, Policy policy) {
  if (const auto c = Decode(s, pos, policy)) return *c;
  ++pos;
  return kReplacement;
}

std::optional<char32_t> PairAt(std::u16string_view s, std::size_t i) noexcept {
  if (i + 1 < s.size() && s[i] >= 0xD800 && s[i] <= 0xDBFF && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF)
    return 0x10000 + ((static_cast<char32_t>(s[i]) - 0xD800) << 10) + (static_cast<char32_t>(s[i + 1]) - 0xDC00);
  return std::nullopt;
}

void AppendUtf8(std::string& out, char32_t c) { PutUtf8(out, c); }

void AppendUtf16(std::u16string& out, char32_t c) { PutUtf16(out, c); }

void AppendUtf16Le(std::string& out, char32_t c) { PutUtf16Le(out, c); }

bool AppendUtf8(std::string& out, std::u16string_view s, Policy policy, char32_t replacement) {
  if (IsAscii(s)) {
    out.append(s.begin(), s.end());
    return true;
  }
  out.reserve(out.size() + s.size());
  return EachUtf16(
      s.size(), [s](std::size_t k) { return s[k]; }, policy, replacement, [&out](char32_t c) { PutUtf8(out, c); });
}

bool AppendUtf16(std::u16string& out, std::string_view s, Policy policy) {
  if (IsAscii(s)) {
    out.append(s.begin(), s.end());
    return true;
  }
  out.reserve(out.size() + s.size());
  return EachUtf8(s, policy, [&out](char32_t c) { PutUtf16(out, c); });
}

std::string ToUtf8(std::u16string_view s, Policy policy) {
  std::string out;
  AppendUtf8(out, s, policy);
  return out;
}

std::u16string FromUtf8(std::string_view s, Policy policy) {
  std::u16string out;
  AppendUtf16(out, s, policy);
  return out;
}

void AppendUtf16Le(std::string& out, std::string_view utf8, Policy policy) {
  if (policy == Policy::kStrict) policy = Policy::kReplace;
  EachUtf8(utf8, policy, [&out](char32_t c) { PutUtf16Le(out, c); });
}

void AppendUtf8FromUtf16Le(std::string& out, std::string_view bytes, Policy policy) {
  if (policy == Policy::kStrict) policy = Policy::kReplace;
  EachUtf16(
      bytes.size() / 2, [bytes](std::size_t k) { return Utf16LeUnit(bytes, k); }, policy, kReplacement,
      [&out](char32_t c) { PutUtf8(out, c); });
}

std::string ValidUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t start = i;
    if (Decode(s, i, Policy::kStrict)) {
      out.append(s.substr(start, i - start));
    } else {
      PutUtf8(out, kReplacement);
      ++i;
    }
  }
  return out;
}

String Ascii(std::string_view s) { return String(s.begin(), s.end()); }

bool LineReader::Next(std::string_view& line) {
  if (pos_ >= text_.size()) return false;
  ++number_;
  if (ends_ == LineEnds::kLf) {
    std::size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(pos_, end - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = end < text_.size() ? end + 1 : end;
    return true;
  }
  std::size_t end = pos_;
  while (end < text_.size() && text_[end] != '\r' && text_[end] != '\n') ++end;
  line = text_.substr(pos_, end - pos_);
  pos_ = end == text_.size() ? end : end + 1;
  if (end < text_.size() && text_[end] == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
  return true;
}

}  // namespace kor::text
