// The automation value types that cross the library's boundary.
//
//   kor::String s = u"a,b,c";          // UTF-16, length-counted, may hold NUL
//   kor::Integer i = 3;                // 16-bit signed
//   kor::Long n = 70000;               // 32-bit signed
//   kor::Boolean yes = true;           // stored as -1, False as 0
//   kor::Date d{36526.5};              // days since 1899-12-30, noon
#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace kor {

// An automation string. An absent string and the empty string are the same
// value.
using String = std::u16string;

using Integer = std::int16_t;
using Long = std::int32_t;
using Single = float;
using Double = double;

// A 16-bit automation Boolean: True is -1, False is 0, and any non-zero value
// tests as True.
struct Boolean {
  std::int16_t value = 0;

  constexpr Boolean() = default;
  constexpr Boolean(bool b) : value(b ? -1 : 0) {}  // NOLINT(google-explicit-constructor)
  static constexpr Boolean FromRaw(std::int16_t raw) {
    Boolean r;
    r.value = raw;
    return r;
  }
  constexpr explicit operator bool() const { return value != 0; }
  friend constexpr bool operator==(Boolean a, Boolean b) { return (a.value != 0) == (b.value != 0); }
};

inline constexpr Boolean kTrue{true};
inline constexpr Boolean kFalse{false};

// An automation date: days since 30 December 1899 00:00; the fraction is the
// time of day (for dates before the epoch the fraction still counts forward
// from midnight, so -1.25 is 29 December 1899 06:00).
struct Date {
  double value = 0.0;
  friend constexpr auto operator<=>(Date, Date) = default;
};

}  // namespace kor
