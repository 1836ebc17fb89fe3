#include "frame/dates.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace kor::dates {
namespace {

constexpr std::int64_t kEpochDays = -25569;  // 1899-12-30 counted from 1970-01-01

bool Digits(std::u16string_view s, std::size_t pos, std::size_t n, int& out) {
  if (pos + n > s.size()) return false;
  out = 0;
  for (std::size_t i = pos; i < pos + n; ++i) {
    if (s[i] < u'0' || s[i] > u'9') return false;
    out = out * 10 + (s[i] - u'0');
  }
  return true;
}

int DaysInMonth(int y, int m) {
  using namespace std::chrono;
  return static_cast<int>(
      static_cast<unsigned>(year_month_day_last{year{y}, month_day_last{month{static_cast<unsigned>(m)}}}.day()));
}

// The calendar repeats every 400 years, which <chrono>'s years (up to 32767)
// do not all hold: a date is moved by whole cycles into 1970 to 2369.
constexpr std::int64_t kDaysPerCycle = 146097;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b < 0 ? 1 : 0); }

}  // namespace

std::int64_t DaysFromCivil(int y, int m, int d) {
  using namespace std::chrono;
  const std::int64_t cycles = FloorDiv(std::int64_t{y} - 1970, 400);
  const year_month_day date{year{static_cast<int>(y - cycles * 400)}, month{static_cast<unsigned>(m)},
                            day{static_cast<unsigned>(d)}};
  return sys_days{date}.time_since_epoch().count() + cycles * kDaysPerCycle;
}

CivilDate CivilOfDays(std::int64_t days) {
  using namespace std::chrono;
  const std::int64_t cycles = FloorDiv(days, kDaysPerCycle);
  const year_month_day date{sys_days{std::chrono::days{days - cycles * kDaysPerCycle}}};
  return {static_cast<int>(date.year()) + cycles * 400, static_cast<unsigned>(date.month()),
          static_cast<unsigned>(date.day())};
}

Date FromCivil(const CivilTime& t) {
  const double days = static_cast<double>(DaysFromCivil(t.year, t.month, t.day) - kEpochDays);
  const double frac = (t.hour * 3600.0 + t.minute * 60.0 + t.second) / 86400.0;
  return Date{days < 0 ? days - frac : days + frac};
}

CivilTime ToCivil(Date d) {
  double whole = std::trunc(d.value);
  std::int64_t seconds = std::llround(std::fabs(d.value - whole) * 86400.0);
  if (seconds >= 86400) {  // rounding reached the next midnight
    seconds -= 86400;
    whole += d.value < 0 ? -1 : 1;
  }
  const CivilDate date = CivilOfDays(static_cast<std::int64_t>(whole) + kEpochDays);
  CivilTime t;
  t.year = static_cast<int>(date.year);
  t.month = static_cast<int>(date.month);
  t.day = static_cast<int>(date.day);
  t.hour = static_cast<int>(seconds / 3600);
  t.minute = static_cast<int>(seconds / 60 % 60);
  t.second = static_cast<int>(seconds % 60);
  return t;
}

bool InRange(double value) { return value >= -657434.0 && value < 2958466.0; }

bool ParseDate(std::u16string_view s, Date& out) {
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
  CivilTime t;
  if (s.size() < 10 || !Digits(s, 0, 4, t.year) || s[4] != u'-' || !Digits(s, 5, 2, t.month) || s[7] != u'-' ||
      !Digits(s, 8, 2, t.day))
    return false;
  if (t.year < 100 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > DaysInMonth(t.year, t.month)) return false;
  if (s.size() > 10) {
    if ((s[10] != u' ' && s[10] != u'T') || s.size() < 16 || !Digits(s, 11, 2, t.hour) || s[13] != u':' ||
        !Digits(s, 14, 2, t.minute))
      return false;
    if (s.size() > 16 && (s.size() != 19 || s[16] != u':' || !Digits(s, 17, 2, t.second))) return false;
    if (t.hour > 23 || t.minute > 59 || t.second > 59) return false;
  }
  out = FromCivil(t);
  return true;
}

String FormatDate(Date d) {
  const CivilTime t = ToCivil(d);
  char buf[40];
  if (t.hour == 0 && t.minute == 0 && t.second == 0)
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
  else
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  const std::string s = buf;
  return String(s.begin(), s.end());
}

}  // namespace kor::dates
