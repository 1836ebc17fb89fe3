// UTF-8 and UTF-16: the conversions of the library, for programs that pass
// text between the two forms (the kortools host among them).
//
//   std::string u8 = kor::text::ToUtf8(u"na\u00EFve");          // "na\xC3\xAFve"
//   kor::String u16 = kor::text::FromUtf8("na\xC3\xAFve");       // u"na\u00EFve"
//
//   kor::String checked;
//   if (!kor::text::AppendUtf16(checked, input, kor::text::Policy::kStrict))
//     Reject("invalid UTF-8");
//
// Bad input is what UTF-8 does not allow (a stray or missing continuation
// byte, an overlong form, a value above U+10FFFF, the three-byte form of a
// surrogate) and, in UTF-16, a surrogate that is not part of a pair. Each
// conversion says what becomes of it through its `Policy`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "kortools/export.h"

namespace kor::text {

enum class Policy {
  // Bad input is refused: the conversion reports false.
  kStrict,
  // Each bad byte, and each unpaired surrogate, becomes U+FFFD.
  kReplace,
  // Unpaired surrogates cross in their three-byte UTF-8 form (the generalised
  // UTF-8 some call WTF-8), in both directions, so that UTF-16 that holds
  // them comes back unchanged; any other bad byte becomes U+FFFD.
  kKeepSurrogates,
};

namespace detail {
// Whether no unit has a bit of `lanes` set (the mask repeated for every unit
// in a 64-bit word), a word at a time.
template <class Unit>
inline bool NoBitsOf(const Unit* p, std::size_t n, std::uint64_t lanes) noexcept {
  constexpr std::size_t kPerWord = 8 / sizeof(Unit);
  std::uint64_t seen = 0;
  for (; n >= kPerWord; p += kPerWord, n -= kPerWord) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    seen |= word;
  }
  for (; n > 0; ++p, --n) seen |= static_cast<std::make_unsigned_t<Unit>>(*p);
  return (seen & lanes) == 0;
}
}  // namespace detail

// Whether every byte (every unit) is below 0x80: ASCII is the same text in
// UTF-8, UTF-16 and every code page, and needs no conversion.
//   if (kor::text::IsAscii(line)) return kor::String(line.begin(), line.end());
inline bool IsAscii(std::string_view s) noexcept { return detail::NoBitsOf(s.data(), s.size(), 0x8080808080808080ULL); }
inline bool IsAscii(std::u16string_view s) noexcept {
  return detail::NoBitsOf(s.data(), s.size(), 0xFF80FF80FF80FF80ULL);
}

// The character whose UTF-8 form starts at s[pos], moving `pos` past it;
// empty (and `pos` unmoved) when no valid form starts there. Encoded
// surrogates count as valid only with kKeepSurrogates.
//   std::size_t pos = 0;
//   while (const auto c = kor::text::DecodeUtf8(s, pos)) Use(*c);
KORTOOLS_API std::optional<char32_t> DecodeUtf8(std::string_view s, std::size_t& pos,
                                                Policy policy = Policy::kStrict) noexcept;

// The character of the surrogate pair at s[i], empty when no pair starts
// there.
//   if (const auto c = kor::text::PairAt(s, i)) { Use(*c); ++i; }
KORTOOLS_API std::optional<char32_t> PairAt(std::u16string_view s, std::size_t i) noexcept;

// Appends one code point (at most U+10FFFF): as UTF-8, a surrogate code point
// in its three-byte form; as UTF-16, one unit or a surrogate pair.
//   kor::text::AppendUtf8(out, U'\u20AC');     // out += "\xE2\x82\xAC"
KORTOOLS_API void AppendUtf8(std::string& out, char32_t c);
KORTOOLS_API void AppendUtf16(std::u16string& out, char32_t c);

// Appends UTF-16 text as UTF-8 under `policy`; false when the policy is
// kStrict and `s` holds an unpaired surrogate (`out` then holds the text
// before it). kReplace writes `replacement` for each unpaired surrogate.
//   kor::text::AppendUtf8(out, name, kor::text::Policy::kKeepSurrogates);
KORTOOLS_API bool AppendUtf8(std::string& out, std::u16string_view s, Policy policy = Policy::kReplace,
                             char32_t replacement = 0xFFFD);

// Appends UTF-8 text as UTF-16 under `policy`; false when the policy is
// kStrict and `s` is not valid UTF-8 (`out` then holds the text before the
// bad byte).
//   if (!kor::text::AppendUtf16(out, request, kor::text::Policy::kStrict)) return Fail();
KORTOOLS_API bool AppendUtf16(std::u16string& out, std::string_view s, Policy policy = Policy::kReplace);

// The whole-text forms of the two, for kReplace and kKeepSurrogates (kStrict
// needs the answer of the Append form).
//   std::string message = kor::text::ToUtf8(error.Description());
KORTOOLS_API std::string ToUtf8(std::u16string_view s, Policy policy = Policy::kReplace);
KORTOOLS_API std::u16string FromUtf8(std::string_view s, Policy policy = Policy::kReplace);

}  // namespace kor::text
