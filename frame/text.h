// The library's text module: UTF-8 and UTF-16 conversions under an explicit
// policy (kortools/utf.h, which programs outside the library use too), the
// UTF-16LE forms of files, ASCII helpers, digits and the line reader.
//
// The policies in use: text that leaves the library for a person (messages,
// the host's output) takes kReplace; the host refuses request text that is
// not UTF-8 (kStrict); the profile files and the registry files keep the
// unpaired surrogates their UTF-16 can carry (kKeepSurrogates), so a value
// read and written back is unchanged.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "kortools/types.h"
#include "kortools/utf.h"

namespace kor::text {

// The character at s[pos] under `policy`, moving `pos` past it; a byte that
// starts no valid form gives U+FFFD and is passed (never fails: kStrict and
// kReplace alike refuse encoded surrogates here).
//   while (pos < s.size()) out.push_back(kor::text::NextUtf8(s, pos, Policy::kKeepSurrogates));
char32_t NextUtf8(std::string_view s, std::size_t& pos, Policy policy);

// Appends one code point as UTF-16LE bytes (a surrogate pair above U+FFFF).
//   kor::text::AppendUtf16Le(bytes, u'A');          // bytes += "A\0"
void AppendUtf16Le(std::string& out, char32_t c);

// Appends UTF-8 text as UTF-16LE bytes; a bad byte becomes U+FFFD (kStrict
// is taken as kReplace).
//   kor::text::AppendUtf16Le(file, body, Policy::kKeepSurrogates);
void AppendUtf16Le(std::string& out, std::string_view utf8, Policy policy);

// Appends UTF-16LE bytes as UTF-8 under `policy` (kStrict as kReplace); an odd
// last byte is left out.
//   kor::text::AppendUtf8FromUtf16Le(body, units, Policy::kKeepSurrogates);
void AppendUtf8FromUtf16Le(std::string& out, std::string_view bytes, Policy policy);

// UTF-8 with every byte that starts no valid form (encoded surrogates
// included) replaced by U+FFFD; valid text comes back byte for byte.
//   kor::text::ValidUtf8("a\xFF") == "a\xEF\xBF\xBD"
std::string ValidUtf8(std::string_view s);

// ASCII text widened to UTF-16, unit for byte.
//   kor::text::Ascii("Key") == u"Key"
String Ascii(std::string_view s);

// The value of one digit of a number in base `radix` (at most 16; letters in
// either case), or -1 when `c` is no such digit.
//   text::DigitValue(u'F', 16) == 15, text::DigitValue(u'8', 8) == -1
constexpr int DigitValue(char16_t c, int radix) {
  int d = -1;
  if (c >= u'0' && c <= u'9')
    d = c - u'0';
  else if (c >= u'a' && c <= u'f')
    d = c - u'a' + 10;
  else if (c >= u'A' && c <= u'F')
    d = c - u'A' + 10;
  return d < radix ? d : -1;
}

// Which bytes end a line.
enum class LineEnds {
  kAny,  // CR LF, CR or LF
  kLf,   // LF, with a CR right before it (or at the very end) dropped
};

// The lines of a text in memory, without their line ends, numbered from 1;
// the views point into the text.
//   kor::text::LineReader lines(body, LineEnds::kLf);
//   for (std::string_view line; lines.Next(line);) Use(lines.Number(), line);
class LineReader {
 public:
  explicit LineReader(std::string_view text, LineEnds ends = LineEnds::kAny) : text_(text), ends_(ends) {}

  // The next line; false at the end of the text.
  bool Next(std::string_view& line);
  // The number of the line last read (0 before the first).
  std::size_t Number() const { return number_; }
  // The offset of the first byte after the last line's line end.
  std::size_t Position() const { return pos_; }
  bool AtEnd() const { return pos_ >= text_.size(); }

 private:
  std::string_view text_;
  LineEnds ends_;
  std::size_t pos_ = 0;
  std::size_t number_ = 0;
};

}  // namespace kor::text
