// How korINI turns INI text into numbers and numbers into INI text.
//
//   ini::NumericValue(u" 4 2 ")   // 42
//   ini::NumericValue(u"1.5E2")   // 150
//   ini::NumericValue(u"&HFFFF")  // -1
//   ini::DefaultText(7)           // " 7"
//   ini::GeneralDecimalText(100.0f / 3, u".")   // "33.33333"
#pragma once

#include <string_view>

#include "kortools/types.h"

namespace kor::ini {

// The numeric value of a text:
//  - spaces, tabs and line feeds are skipped wherever they stand;
//  - an optional "+" or "-", decimal digits with at most one "." (always ".",
//    whatever the locale), and an optional exponent: "E" or "D" in either
//    case, an optional sign and digits;
//  - reading stops at the first character that cannot continue the number,
//    and a text that does not begin with a number reads as 0;
//  - "&H" followed by hexadecimal digits, or "&O" by octal digits, reads them
//    as a whole number: a value up to &HFFFF is a 16-bit Integer (&H8000 to
//    &HFFFF are -32768 to -1), one up to &HFFFFFFFF a 32-bit Long (&H80000000
//    to &HFFFFFFFF are negative), a larger one raises error 6.
// A decimal number beyond the range of a Double raises error 6 "Overflow"; one
// too small for it reads as 0.
Double NumericValue(std::u16string_view text);

// A Double taken to a whole number, halves to the even neighbour; error 6 out
// of the target's range.
Integer ToInteger(Double d);
Long ToLong(Double d);

// A Double stored as a Single (rounded to the nearest); error 6 beyond the
// range of a Single.
Single ToSingle(Double d);

// The decimal digits of a number, after "-" when it is negative: 7 gives "7",
// -3 gives "-3". AppendDecimalDigits adds them to a text.
String DecimalDigits(Long n);
void AppendDecimalDigits(String& text, Long n);

// The decimal digits of a number after "-" when it is negative and after one
// space otherwise: 7 gives " 7", -3 gives "-3".
String DefaultText(Long n);

// The general decimal text of a Single: at most 7 significant digits, no
// trailing zeros in the fraction and no trailing separator, "-" before a
// negative value, a "0" before the separator of a value between -1 and 1, and
// the exponent form ("1.5E-05", "1.234568E+07") where fixed digits would need
// more than 7 places or start further than 4 places behind the separator.
String GeneralDecimalText(Single value, std::u16string_view decimalSeparator);

}  // namespace kor::ini
