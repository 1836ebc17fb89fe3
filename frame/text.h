// UTF-8 and UTF-16 conversions for text that leaves the library as UTF-8
// (error messages, log lines, the host's output).
#pragma once

#include <string>
#include <string_view>

#include "kortools/types.h"

namespace kor::text {

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view s);

// UTF-8 to UTF-16; an invalid byte sequence becomes U+FFFD.
String FromUtf8(std::string_view s);

// Appends the UTF-8 form of one code point (a surrogate code point in its
// three-byte form, as text that keeps unpaired surrogates needs it).
void AppendUtf8(std::string& out, char32_t c);

// ASCII-only helpers for names and literals.
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

}  // namespace kor::text
