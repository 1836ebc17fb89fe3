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

using text::AppendUtf16Le;
using text::AppendUtf8;

// UTF-8 text as UTF-16LE; an invalid byte becomes U+FFFD.
inline void AppendUtf16Le(std::string& out, std::string_view utf8) {
  text::AppendUtf16Le(out, utf8, text::Policy::kKeepSurrogates);
}
// UTF-16LE bytes as UTF-8; an odd last byte is left out.
inline void AppendUtf8FromUtf16Le(std::string& out, std::string_view bytes) {
  text::AppendUtf8FromUtf16Le(out, bytes, text::Policy::kKeepSurrogates);
}

inline bool IsAsciiSpace(char c) { return c == ' ' || c == '\t'; }
std::string_view TrimSpace(std::string_view s);
bool StartsWithIgnoringCase(std::string_view s, std::string_view prefix);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
int HexDigit(char c);  // -1 when not a hex digit

// The lines of a registry file: each ends with LF or CR LF.
class LineReader : public text::LineReader {
 public:
  explicit LineReader(std::string_view bytes) : text::LineReader(bytes, text::LineEnds::kLf) {}
};

}  // namespace kor::platform::regstore
