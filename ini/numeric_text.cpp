#include "ini/numeric_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "frame/text.h"
#include "kortools/error.h"
#include "kortools/variant.h"

namespace kor::ini {
namespace {

// The characters of a text in reading order, leaving out the blanks that the
// numeric reading skips wherever they stand.
class Cursor {
 public:
  explicit Cursor(std::u16string_view text) : text_(text) {}

  // The next character, or NUL at the end.
  char16_t Peek() {
    while (pos_ < text_.size() && (text_[pos_] == u' ' || text_[pos_] == u'\t' || text_[pos_] == u'\n')) ++pos_;
    return pos_ < text_.size() ? text_[pos_] : u'\0';
  }
  void Next() { ++pos_; }

 private:
  std::u16string_view text_;
  std::size_t pos_ = 0;
};

// The digits after "&H" or "&O": up to 16 bits an Integer, up to 32 bits a
// Long, both in two's complement.
Double WholeNumber(Cursor& c, int radix) {
  std::uint64_t v = 0;
  for (int d; (d = text::DigitValue(c.Peek(), radix)) >= 0; c.Next()) {
    v = v * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
    if (v > 0xFFFFFFFFu) throw Error::Runtime(6);
  }
  if (v <= 0xFFFFu) return static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

bool IsDecimalDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

Double NumericValue(std::u16string_view text) {
  Cursor c(text);
  if (c.Peek() == u'&') {
    c.Next();
    const char16_t form = c.Peek();
    if (form == u'H' || form == u'h' || form == u'O' || form == u'o') {
      c.Next();
      return WholeNumber(c, form == u'H' || form == u'h' ? 16 : 8);
    }
    return 0;
  }

  bool negative = false;
  if (c.Peek() == u'+' || c.Peek() == u'-') {
    negative = c.Peek() == u'-';
    c.Next();
  }
  // The mantissa as from_chars reads it, and the place of its first
  // significant digit relative to the decimal point (for telling an overflow
  // from an underflow).
  std::string number;
  bool anyDigit = false, point = false, significant = false;
  long magnitude = 0;
  for (char16_t ch; (ch = c.Peek()) != u'\0'; c.Next()) {
    if (IsDecimalDigit(ch)) {
      anyDigit = true;
      if (ch != u'0') significant = true;
      if (!point && significant) ++magnitude;
      if (point && !significant) --magnitude;
      number += static_cast<char>(ch);
    } else if (ch == u'.' && !point) {
      point = true;
      number += '.';
    } else {
      break;
    }
  }
  if (!anyDigit || !significant) return 0;

  long exponent = 0;
  const char16_t e = c.Peek();
  if (e == u'E' || e == u'e' || e == u'D' || e == u'd') {
    c.Next();
    bool negativeExponent = false;
    if (c.Peek() == u'+' || c.Peek() == u'-') {
      negativeExponent = c.Peek() == u'-';
      c.Next();
    }
    for (char16_t ch; IsDecimalDigit(ch = c.Peek()); c.Next())
      if (exponent < 100000) exponent = exponent * 10 + (ch - u'0');  // far beyond any Double already
    if (negativeExponent) exponent = -exponent;
  }
  number += 'e';
  number += std::to_string(exponent);

  double v = 0;
  const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), v);
  (void)end;
  if (ec == std::errc::result_out_of_range) {
    if (magnitude + exponent > 0) throw Error::Runtime(6);
    return 0;
  }
  return negative ? -v : v;
}

Integer ToInteger(Double d) { return ChangeType<Integer>(Variant(d)); }
Long ToLong(Double d) { return ChangeType<Long>(Variant(d)); }

Single ToSingle(Double d) {
  // Halfway between the largest Single and the next power of two rounds up to
  // infinity.
  if (!(std::fabs(d) < 0x1.ffffffp127)) throw Error::Runtime(6);
  return static_cast<Single>(d);
}

void AppendDecimalDigits(String& text, Long n) {
  char buf[16];
  const auto r = std::to_chars(buf, buf + sizeof buf, n);
  text.append(buf, r.ptr);
}

String DecimalDigits(Long n) {
  String digits;
  AppendDecimalDigits(digits, n);
  return digits;
}

String DefaultText(Long n) { return n < 0 ? DecimalDigits(n) : u" " + DecimalDigits(n); }

String GeneralDecimalText(Single value, std::u16string_view decimalSeparator) {
  if (value == 0) return u"0";  // also for -0
  char buf[48];
  const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<double>(value), std::chars_format::general, 7);
  String out;
  for (const char* p = buf; p != r.ptr; ++p) {
    if (*p == '.')
      out.append(decimalSeparator);
    else
      out += static_cast<char16_t>(*p == 'e' ? 'E' : *p);
  }
  return out;
}

}  // namespace kor::ini
