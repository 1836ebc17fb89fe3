#include "kortools/variant.h"

#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "frame/dates.h"
#include "frame/text.h"
#include "kortools/error.h"

namespace kor {
namespace {

[[noreturn]] void Mismatch() { throw Error::Runtime(13); }

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t'; }

// Numeric text as the runtime reads it: blanks around, a sign, digits with
// optional thousands separators, a decimal point, an exponent (E or D), or
// "&H" / "&O" for hexadecimal and octal whole numbers.
bool ParseNumber(std::u16string_view s, double& out) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  if (s.empty()) return false;
  if (s.size() > 2 && s[0] == u'&' && (s[1] == u'H' || s[1] == u'h' || s[1] == u'O' || s[1] == u'o')) {
    const int base = (s[1] == u'H' || s[1] == u'h') ? 16 : 8;
    std::uint64_t v = 0;
    for (char16_t c : s.substr(2)) {
      const int d = text::DigitValue(c, base);
      if (d < 0) return false;
      v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
      if (v > 0xFFFFFFFFULL) return false;
    }
    // As in the runtime, &H values up to 16 bits are Integers and up to 32
    // bits Longs, so &HFFFF is -1.
    if (v <= 0xFFFF)
      out = static_cast<std::int16_t>(v);
    else
      out = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    return true;
  }
  std::string ascii;
  std::size_t i = 0;
  if (s[i] == u'+' || s[i] == u'-') ascii += static_cast<char>(s[i++]);
  bool digits = false;
  bool point = false;
  for (; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (c >= u'0' && c <= u'9') {
      ascii += static_cast<char>(c);
      digits = true;
    } else if (c == u',' && !point && digits) {
      continue;  // thousands separator
    } else if (c == u'.' && !point) {
      ascii += '.';
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return false;
  if (i < s.size() && (s[i] == u'E' || s[i] == u'e' || s[i] == u'D' || s[i] == u'd')) {
    ascii += 'e';
    ++i;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) ascii += static_cast<char>(s[i++]);
    bool expDigits = false;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
      ascii += static_cast<char>(s[i]);
      expDigits = true;
    }
    if (!expDigits) return false;
  }
  if (i != s.size()) return false;
  const char* first = ascii.data();
  if (*first == '+') ++first;
  auto [ptr, ec] = std::from_chars(first, ascii.data() + ascii.size(), out);
  if (ec == std::errc::result_out_of_range) throw Error::Runtime(6);
  return ec == std::errc() && ptr == ascii.data() + ascii.size();
}

double ToDouble(const Variant& v) {
  switch (v.type()) {
    case Variant::Type::Empty: return 0.0;
    case Variant::Type::Integer: return *v.get_if<Integer>();
    case Variant::Type::Long: return *v.get_if<Long>();
    case Variant::Type::Single: return *v.get_if<Single>();
    case Variant::Type::Double: return *v.get_if<Double>();
    case Variant::Type::Date: return v.get_if<Date>()->value;
    case Variant::Type::Boolean: return v.get_if<Boolean>()->value != 0 ? -1.0 : 0.0;
    case Variant::Type::String: {
      double d = 0;
      if (ParseNumber(*v.get_if<String>(), d)) return d;
      Mismatch();
    }
    default: Mismatch();
  }
}

// Rounds half to even and checks the range of the target type.
template <typename T>
T RoundChecked(double d) {
  if (std::isnan(d)) throw Error::Runtime(6);
  const double r = std::nearbyint(d);  // the default rounding mode: half to even
  if (r < static_cast<double>(std::numeric_limits<T>::min()) || r > static_cast<double>(std::numeric_limits<T>::max()))
    throw Error::Runtime(6);
  return static_cast<T>(r);
}

template <typename T>
T ToWhole(const Variant& v) {
  switch (v.type()) {
    case Variant::Type::Integer: return RoundChecked<T>(*v.get_if<Integer>());
    case Variant::Type::Long: return RoundChecked<T>(*v.get_if<Long>());
    case Variant::Type::Boolean: return static_cast<T>(v.get_if<Boolean>()->value != 0 ? -1 : 0);
    default: return RoundChecked<T>(ToDouble(v));
  }
}

// The runtime's shortest text of a number: up to `digits` significant digits,
// the exponent form beyond that range ("1E+20", "1.5E-07").
String FormatNumber(double d, int digits) {
  if (std::isnan(d)) return u"NaN";
  if (std::isinf(d)) return d > 0 ? u"Infinity" : u"-Infinity";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*G", digits, d);
  std::string s = buf;
  const auto e = s.find('E');
  if (e != std::string::npos) {
    // "1.5E-07" keeps two exponent digits; strip a trailing zero fraction.
    std::string mant = s.substr(0, e);
    std::string exp = s.substr(e + 1);
    const char sign = exp[0];
    exp = exp.substr(1);
    while (exp.size() > 2 && exp[0] == '0') exp.erase(0, 1);
    s = mant + "E" + sign + exp;
  }
  return String(s.begin(), s.end());
}

}  // namespace

std::string_view TypeName(Variant::Type type) {
  switch (type) {
    case Variant::Type::Empty: return "Empty";
    case Variant::Type::Missing: return "Missing";
    case Variant::Type::Integer: return "Integer";
    case Variant::Type::Long: return "Long";
    case Variant::Type::Single: return "Single";
    case Variant::Type::Double: return "Double";
    case Variant::Type::Date: return "Date";
    case Variant::Type::String: return "String";
    case Variant::Type::Boolean: return "Boolean";
    case Variant::Type::Object: return "Object";
    case Variant::Type::Array: return "Array";
  }
  return "?";
}

template <>
Integer ChangeType<Integer>(const Variant& v) {
  return ToWhole<Integer>(v);
}

template <>
Long ChangeType<Long>(const Variant& v) {
  return ToWhole<Long>(v);
}

template <>
Double ChangeType<Double>(const Variant& v) {
  return ToDouble(v);
}

template <>
Single ChangeType<Single>(const Variant& v) {
  if (const auto* s = v.get_if<Single>()) return *s;
  const double d = ToDouble(v);
  if (std::isfinite(d) && std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max()))
    throw Error::Runtime(6);
  return static_cast<Single>(d);
}

template <>
Date ChangeType<Date>(const Variant& v) {
  if (const auto* s = v.get_if<String>()) {
    Date d;
    if (dates::ParseDate(*s, d)) return d;
  }
  const double d = ToDouble(v);
  if (!dates::InRange(d)) throw Error::Runtime(6);
  return Date{d};
}

template <>
Boolean ChangeType<Boolean>(const Variant& v) {
  if (const auto* b = v.get_if<Boolean>()) return *b;
  if (const auto* s = v.get_if<String>()) {
    std::u16string_view t = *s;
    while (!t.empty() && IsSpace(t.front())) t.remove_prefix(1);
    while (!t.empty() && IsSpace(t.back())) t.remove_suffix(1);
    auto same = [&](std::u16string_view word) {
      if (t.size() != word.size()) return false;
      for (std::size_t i = 0; i < t.size(); ++i) {
        char16_t c = t[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != word[i]) return false;
      }
      return true;
    };
    if (same(u"true")) return kTrue;
    if (same(u"false")) return kFalse;
  }
  return Boolean(ToDouble(v) != 0.0);
}

template <>
String ChangeType<String>(const Variant& v) {
  switch (v.type()) {
    case Variant::Type::Empty: return String();
    case Variant::Type::String: return *v.get_if<String>();
    case Variant::Type::Integer: {
      const std::string s = std::to_string(*v.get_if<Integer>());
      return String(s.begin(), s.end());
    }
    case Variant::Type::Long: {
      const std::string s = std::to_string(*v.get_if<Long>());
      return String(s.begin(), s.end());
    }
    case Variant::Type::Single: return FormatNumber(*v.get_if<Single>(), 7);
    case Variant::Type::Double: return FormatNumber(*v.get_if<Double>(), 15);
    case Variant::Type::Date: return dates::FormatDate(*v.get_if<Date>());
    case Variant::Type::Boolean: return v.get_if<Boolean>()->value != 0 ? u"True" : u"False";
    default: Mismatch();
  }
}

}  // namespace kor
