// Text helpers of the registry store: UTF-8 and UTF-16LE as registry files
// hold them. Unpaired surrogates, which the registry's UTF-16 can carry,
// pass through UTF-8 in its generalised form (three bytes each), so that data
// comes back unchanged.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "frame/text.h"

namespace kor::platform::regstore {

using text::AppendUtf8;

// The code point at `i`, advancing `i`; false (and one byte) for a byte that
// does not start a valid sequence.
bool NextCodePoint(std::string_view s, std::size_t& i, char32_t& c);

void AppendUtf16Le(std::string& out, char16_t unit);
// UTF-8 text as UTF-16LE; an invalid byte becomes U+FFFD.
void AppendUtf16Le(std::string& out, std::string_view utf8);
// UTF-16LE bytes as UTF-8; an odd last byte is left out.
void AppendUtf8FromUtf16Le(std::string& out, std::string_view bytes);

inline bool IsAsciiSpace(char c) { return c == ' ' || c == '\t'; }
std::string_view TrimSpace(std::string_view s);
bool StartsWithIgnoringCase(std::string_view s, std::string_view prefix);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
int HexDigit(char c);  // -1 when not a hex digit

// The lines of a text, without their line ends (LF or CR LF), numbered from 1.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line);
  std::size_t Number() const { return number_; }
  bool AtEnd() const { return pos_ >= text_.size(); }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t number_ = 0;
};

}  // namespace kor::platform::regstore
