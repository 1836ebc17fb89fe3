// UTF-8 and UTF-16 for the host. The host needs its own conversions: input
// must be rejected, not repaired, when it is not valid UTF-8, and the JSON
// reader decodes raw text one character at a time.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kor::host {

// Decodes one UTF-8 character at s[pos] and advances pos past it. Overlong
// forms, encoded surrogates, values above U+10FFFF and truncated sequences
// are invalid: the result is then empty and pos is left where it was.
std::optional<char32_t> DecodeUtf8(std::string_view s, std::size_t& pos);

// Appends c (at most U+10FFFF) as UTF-16: one code unit or a surrogate pair.
void AppendUtf16(std::u16string& out, char32_t c);

// Appends c (at most U+10FFFF, not a surrogate) as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

// Whole-text conversions. Utf8ToUtf16 fails (empty result) on invalid UTF-8;
// Utf16ToUtf8 writes an unpaired surrogate as U+FFFD, for text meant for a
// person.
std::optional<std::u16string> Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);

// The surrogate pair at s[i], if there is one, as its character.
std::optional<char32_t> PairAt(std::u16string_view s, std::size_t i);

}  // namespace kor::host
