#include "frame/dates.h"

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
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

}  // namespace

std::int64_t DaysFromCivil(int year, int month, int day) {
  // Howard Hinnant's days_from_civil.
  const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t mp = (month + 9) % 12;
  const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
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
  // Civil from days (Howard Hinnant).
  const std::int64_t z = static_cast<std::int64_t>(whole) + kEpochDays + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  CivilTime t;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
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
