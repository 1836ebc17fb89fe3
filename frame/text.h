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

}  // namespace kor::text
