#include "host/json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

#include "kortools/utf.h"

namespace kor::host::json {

Value Value::Boolean(bool b) {
  Value v;
  v.data_ = b;
  return v;
}

Value Value::Whole(std::int64_t n) {
  Value v;
  v.data_ = Num{static_cast<double>(n), true, std::to_string(n)};
  return v;
}

namespace {

template <typename F>
std::string Shortest(F f) {
  if (!std::isfinite(f)) return "null";
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, f);
  return std::string(buf, r.ptr);
}

}  // namespace

Value Value::Number(double d) {
  Value v;
  v.data_ = Num{d, false, Shortest(d)};
  return v;
}

Value Value::Single(float f) {
  Value v;
  v.data_ = Num{f, false, Shortest(f)};
  return v;
}

Value Value::String(std::u16string s) {
  Value v;
  v.data_ = std::move(s);
  return v;
}

Value Value::Array() { return Array(std::vector<Value>()); }

Value Value::Array(std::vector<Value> items) {
  Value v;
  v.data_ = std::move(items);
  return v;
}

Value Value::Object() {
  Value v;
  v.data_ = std::vector<Member>();
  return v;
}

const Value* Value::Find(std::u16string_view key) const {
  if (kind() != Kind::Object) return nullptr;
  for (const auto& m : object())
    if (m.key == key) return &m.value;
  return nullptr;
}

const Value* Value::Find(std::string_view asciiKey) const {
  return Find(std::u16string(asciiKey.begin(), asciiKey.end()));
}

Value& Value::Add(std::string_view asciiKey, Value v) {
  std::get<std::vector<Member>>(data_).push_back({std::u16string(asciiKey.begin(), asciiKey.end()), std::move(v)});
  return *this;
}

Value& Value::Push(Value v) {
  array().push_back(std::move(v));
  return *this;
}

// ---------------------------------------------------------------------------
// Reading

class Reader {
 public:
  Reader(std::string_view text, std::size_t maxValues) : s_(text), valuesLeft_(maxValues == 0 ? SIZE_MAX : maxValues) {}

  bool Run(Value& out, std::string& error) {
    SkipBlanks();
    if (!ReadValue(out, 0)) {
      if (tooMany_) {
        error = kTooManyValues;
        return false;
      }
      error = "malformed JSON at byte " + std::to_string(pos_) + ": " + error_;
      return false;
    }
    SkipBlanks();
    if (pos_ != s_.size()) {
      error = "malformed JSON at byte " + std::to_string(pos_) + ": text after the end of the value";
      return false;
    }
    return true;
  }

 private:
  bool Fail(const char* what) {
    error_ = what;
    return false;
  }

  void SkipBlanks() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r')) ++pos_;
  }

  bool Literal(std::string_view word) {
    if (s_.substr(pos_, word.size()) != word) return Fail("unknown literal");
    pos_ += word.size();
    return true;
  }

  bool ReadValue(Value& out, int depth) {
    if (pos_ >= s_.size()) return Fail("unexpected end of input");
    if (valuesLeft_ == 0) {
      tooMany_ = true;
      return Fail(kTooManyValues);
    }
    --valuesLeft_;
    switch (s_[pos_]) {
      case '{': return ReadObject(out, depth + 1);
      case '[': return ReadArray(out, depth + 1);
      case '"': {
        std::u16string s;
        if (!ReadString(s)) return false;
        out = Value::String(std::move(s));
        return true;
      }
      case 't': out = Value::Boolean(true); return Literal("true");
      case 'f': out = Value::Boolean(false); return Literal("false");
      case 'n': out = Value(); return Literal("null");
      default:
        if (s_[pos_] == '-' || (s_[pos_] >= '0' && s_[pos_] <= '9')) return ReadNumber(out);
        return Fail("expected a value");
    }
  }

  // The items of an array or the members of an object, up to `close`.
  template <typename ReadItem>
  bool ReadList(char close, int depth, ReadItem readItem) {
    if (depth > kMaxDepth) return Fail("nesting too deep");
    ++pos_;  // '[' or '{'
    SkipBlanks();
    if (pos_ < s_.size() && s_[pos_] == close) {
      ++pos_;
      return true;
    }
    for (;;) {
      SkipBlanks();
      if (!readItem()) return false;
      SkipBlanks();
      if (pos_ < s_.size() && s_[pos_] == ',') {
        ++pos_;
      } else if (pos_ < s_.size() && s_[pos_] == close) {
        ++pos_;
        return true;
      } else {
        return Fail(close == '}' ? "expected ',' or '}'" : "expected ',' or ']'");
      }
    }
  }

  bool ReadObject(Value& out, int depth) {
    std::vector<Member> members;
    const bool ok = ReadList('}', depth, [&] {
      if (pos_ >= s_.size() || s_[pos_] != '"') return Fail("expected a member name");
      Member m;
      if (!ReadString(m.key)) return false;
      SkipBlanks();
      if (pos_ >= s_.size() || s_[pos_] != ':') return Fail("expected ':'");
      ++pos_;
      SkipBlanks();
      if (!ReadValue(m.value, depth)) return false;
      members.push_back(std::move(m));
      return true;
    });
    if (!ok) return false;
    // A name given twice would make the request ambiguous.
    std::vector<const std::u16string*> keys;
    keys.reserve(members.size());
    for (const auto& m : members) keys.push_back(&m.key);
    std::sort(keys.begin(), keys.end(), [](auto* a, auto* b) { return *a < *b; });
    if (std::adjacent_find(keys.begin(), keys.end(), [](auto* a, auto* b) { return *a == *b; }) != keys.end())
      return Fail("a member name is repeated in an object");
    out.data_ = std::move(members);
    return true;
  }

  bool ReadArray(Value& out, int depth) {
    std::vector<Value> items;
    const bool ok = ReadList(']', depth, [&] {
      items.emplace_back();
      return ReadValue(items.back(), depth);
    });
    if (!ok) return false;
    out.data_ = std::move(items);
    return true;
  }

  static int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  bool ReadString(std::u16string& out) {
    ++pos_;  // '"'
    for (;;) {
      if (pos_ >= s_.size()) return Fail("unterminated string");
      const auto c = static_cast<unsigned char>(s_[pos_]);
      if (c == '"') {
        ++pos_;
        return true;
      }
      if (c < 0x20) return Fail("control character in a string (write it as an escape)");
      if (c == '\\') {
        if (!ReadEscape(out)) return false;
      } else if (c < 0x80) {
        out += static_cast<char16_t>(c);
        ++pos_;
      } else {
        const auto ch = text::DecodeUtf8(s_, pos_);
        if (!ch) return Fail("invalid UTF-8");
        text::AppendUtf16(out, *ch);
      }
    }
  }

  bool ReadEscape(std::u16string& out) {
    if (pos_ + 1 >= s_.size()) return Fail("unterminated string");
    const char e = s_[pos_ + 1];
    pos_ += 2;
    switch (e) {
      case '"': out += u'"'; return true;
      case '\\': out += u'\\'; return true;
      case '/': out += u'/'; return true;
      case 'b': out += u'\b'; return true;
      case 'f': out += u'\f'; return true;
      case 'n': out += u'\n'; return true;
      case 'r': out += u'\r'; return true;
      case 't': out += u'\t'; return true;
      case 'u': {
        // Any code unit, an unpaired surrogate included: strings are UTF-16.
        if (s_.size() - pos_ < 4) return Fail("\\u needs four hex digits");
        unsigned unit = 0;
        for (int k = 0; k < 4; ++k) {
          const int h = Hex(s_[pos_ + static_cast<std::size_t>(k)]);
          if (h < 0) return Fail("\\u needs four hex digits");
          unit = unit * 16 + static_cast<unsigned>(h);
        }
        pos_ += 4;
        out += static_cast<char16_t>(unit);
        return true;
      }
      default: pos_ -= 1; return Fail("unknown escape");
    }
  }

  bool ReadNumber(Value& out) {
    const std::size_t start = pos_;
    auto digits = [&] {
      const std::size_t from = pos_;
      while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') ++pos_;
      return pos_ - from;
    };
    if (s_[pos_] == '-') ++pos_;
    const std::size_t intStart = pos_;
    const std::size_t intDigits = digits();
    if (intDigits == 0) return Fail("expected a digit");
    if (intDigits > 1 && s_[intStart] == '0') return Fail("a number may not start with 0");
    std::size_t fracStart = pos_, fracDigits = 0;
    bool whole = true;
    if (pos_ < s_.size() && s_[pos_] == '.') {
      ++pos_;
      fracStart = pos_;
      fracDigits = digits();
      if (fracDigits == 0) return Fail("expected a digit after '.'");
      whole = false;
    }
    std::int64_t exponent = 0;
    if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
      ++pos_;
      bool negative = false;
      if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-')) negative = s_[pos_++] == '-';
      const std::size_t expStart = pos_;
      if (digits() == 0) return Fail("expected a digit in the exponent");
      for (std::size_t i = expStart; i < pos_; ++i)
        exponent = std::min<std::int64_t>(exponent * 10 + (s_[i] - '0'), 1'000'000'000);
      if (negative) exponent = -exponent;
      whole = false;
    }
    Value::Num num;
    num.whole = whole;
    num.text.assign(s_.substr(start, pos_ - start));
    const auto r = std::from_chars(s_.data() + start, s_.data() + pos_, num.value);
    if (r.ec == std::errc::result_out_of_range) {
      // Beyond the range of a Double: infinite when large, zero when tiny.
      // The decimal exponent of the first significant digit tells which.
      std::int64_t magnitude = exponent;
      bool found = false;
      for (std::size_t i = intStart; i < intStart + intDigits && !found; ++i)
        if (s_[i] != '0') magnitude += static_cast<std::int64_t>(intStart + intDigits - i) - 1, found = true;
      for (std::size_t i = fracStart; i < fracStart + fracDigits && !found; ++i)
        if (s_[i] != '0') magnitude -= static_cast<std::int64_t>(i - fracStart) + 1, found = true;
      num.value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
      if (s_[start] == '-') num.value = -num.value;
    } else if (r.ec != std::errc() || r.ptr != s_.data() + pos_) {
      return Fail("malformed number");
    }
    out.data_ = std::move(num);
    return true;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
  std::size_t valuesLeft_;
  bool tooMany_ = false;
  const char* error_ = "";
};

bool Parse(std::string_view text, Value& out, std::string& error, std::size_t maxValues) {
  return Reader(text, maxValues).Run(out, error);
}

// ---------------------------------------------------------------------------
// Writing

void WriteString(std::u16string_view s, std::string& out) {
  static constexpr char kHex[] = "0123456789abcdef";
  auto escape = [&](char16_t u) {
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(u >> shift) & 0xF];
  };
  out += '"';
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char16_t u = s[i];
    switch (u) {
      case u'"': out += "\\\""; continue;
      case u'\\': out += "\\\\"; continue;
      case u'\b': out += "\\b"; continue;
      case u'\f': out += "\\f"; continue;
      case u'\n': out += "\\n"; continue;
      case u'\r': out += "\\r"; continue;
      case u'\t': out += "\\t"; continue;
      default: break;
    }
    if (const auto pair = text::PairAt(s, i)) {
      text::AppendUtf8(out, *pair);
      ++i;
    } else if (u < 0x20 || u == 0x85 || u == 0x2028 || u == 0x2029 || (u >= 0xD800 && u <= 0xDFFF)) {
      escape(u);  // controls, line ends to some readers, and unpaired surrogates
    } else if (u < 0x80) {
      out += static_cast<char>(u);
    } else {
      text::AppendUtf8(out, u);
    }
  }
  out += '"';
}

namespace {

// The recursion is bounded: values read are at most kMaxDepth deep, and the
// values the host builds are shallow.
void WriteValue(const Value& v, std::string& out) {
  switch (v.kind()) {
    case Value::Kind::Null: out += "null"; return;
    case Value::Kind::Boolean: out += v.boolean() ? "true" : "false"; return;
    case Value::Kind::Number: out += v.literal(); return;
    case Value::Kind::String: WriteString(v.string(), out); return;
    case Value::Kind::Array: {
      out += '[';
      bool first = true;
      for (const auto& item : v.array()) {
        if (!first) out += ',';
        first = false;
        WriteValue(item, out);
      }
      out += ']';
      return;
    }
    case Value::Kind::Object: {
      out += '{';
      bool first = true;
      for (const auto& m : v.object()) {
        if (!first) out += ',';
        first = false;
        WriteString(m.key, out);
        out += ':';
        WriteValue(m.value, out);
      }
      out += '}';
      return;
    }
  }
}

}  // namespace

void Write(const Value& v, std::string& out) { WriteValue(v, out); }

std::string Write(const Value& v) {
  std::string out;
  WriteValue(v, out);
  return out;
}

}  // namespace kor::host::json
