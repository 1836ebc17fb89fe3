// Automation dates: days since 1899-12-30 00:00, the fraction the time of
// day. For dates before the epoch the fraction still counts forward from
// midnight: -1.25 is 1899-12-29 06:00.
#pragma once

#include <cstdint>
#include <string_view>

#include "kortools/types.h"

namespace kor::dates {

struct CivilTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
};

// A day of the proleptic Gregorian calendar.
struct CivilDate {
  std::int64_t year;
  unsigned month, day;
};

// Days from 1970-01-01 to the given civil date, any year (month 1 to 12; a
// day past the month's end counts on into the next month).
//   dates::DaysFromCivil(1899, 12, 30) == -25569
std::int64_t DaysFromCivil(int year, int month, int day);

// The civil date `days` after 1970-01-01 (before it when negative).
//   dates::CivilOfDays(-1) == CivilDate{1969, 12, 31}
CivilDate CivilOfDays(std::int64_t days);

// The automation date of a civil date and time.
Date FromCivil(const CivilTime& t);

// The civil date and time of an automation date, to the nearest second.
CivilTime ToCivil(Date d);

// Whether an automation date lies within 100-01-01 and 9999-12-31 23:59:59.
bool InRange(double value);

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" (a "T" may stand
// for the blank); false for anything else.
bool ParseDate(std::u16string_view text, Date& out);

// "YYYY-MM-DD", with " HH:MM:SS" when the time is not midnight.
String FormatDate(Date d);

}  // namespace kor::dates
