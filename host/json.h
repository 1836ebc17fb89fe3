// A small JSON reader and writer for the host's request lines.
//
//   kor::host::json::Value v;
//   std::string error;
//   if (kor::host::json::Parse(R"({"s": "\ud800", "n": 2})", v, error))
//     v.Find("s")->string();                  // u"\xD800": one lone surrogate
//   kor::host::json::Write(v);                // {"s":"\ud800","n":2}
//
// Why not one of the JSON packages: the protocol carries every UTF-16 code
// unit of a library string, NUL and unpaired surrogates included, through
// \uXXXX escapes in both directions. The common libraries decode strings to
// UTF-8 and refuse (or silently replace) an escape such as "\ud800", and they
// do not say whether a number was written as a whole number, which decides
// between Long and Double for a Variant. So strings here are UTF-16, numbers
// keep their literal, and the writer escapes what it must.
//
// Reading: strict RFC 8259 grammar; raw text must be valid UTF-8; objects
// keep their member order and may not repeat a name; nesting deeper than
// kMaxDepth is refused so that no input can exhaust the stack.
//
// Writing: one line, no blanks. Characters are written as raw UTF-8 except
// '"', '\\', control characters (\n, \t, ... or \u00XX), unpaired surrogates
// (\udXXX), and U+0085, U+2028 and U+2029, which some readers take for line
// ends. Numbers are written in the shortest form that reads back to the same
// value; a number that is not finite is written as null.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kor::host::json {

inline constexpr int kMaxDepth = 512;

struct Member;

class Value {
 public:
  enum class Kind { Null, Boolean, Number, String, Array, Object };

  Value() = default;  // null
  static Value Boolean(bool b);
  // A number made by the host: Whole for integers, Number for Doubles and
  // Date values, Single for Single values (shortest float form).
  static Value Whole(std::int64_t n);
  static Value Number(double d);
  static Value Single(float f);
  static Value String(std::u16string s);
  static Value Array();
  static Value Array(std::vector<Value> items);
  static Value Object();

  Kind kind() const noexcept { return static_cast<Kind>(data_.index()); }
  bool IsNull() const noexcept { return kind() == Kind::Null; }

  // Accessors; the kind must match.
  bool boolean() const { return std::get<bool>(data_); }
  double number() const { return std::get<Num>(data_).value; }
  // True when the number was written without a fraction or an exponent.
  bool whole() const { return std::get<Num>(data_).whole; }
  // The number's text as read (or as the host will write it).
  const std::string& literal() const { return std::get<Num>(data_).text; }
  const std::u16string& string() const { return std::get<std::u16string>(data_); }
  const std::vector<Value>& array() const { return std::get<std::vector<Value>>(data_); }
  std::vector<Value>& array() { return std::get<std::vector<Value>>(data_); }
  const std::vector<Member>& object() const { return std::get<std::vector<Member>>(data_); }

  // The member named `key` of an object (null when there is none, or when
  // this is not an object).
  const Value* Find(std::u16string_view key) const;
  const Value* Find(std::string_view asciiKey) const;

  // Builders for objects and arrays; they return *this.
  Value& Add(std::string_view asciiKey, Value v);
  Value& Push(Value v);

  friend bool operator==(const Value&, const Value&) = default;

 private:
  friend class Reader;
  struct Num {
    double value = 0;
    bool whole = false;
    std::string text;
    friend bool operator==(const Num& a, const Num& b) { return a.text == b.text; }
  };
  std::variant<std::monostate, bool, Num, std::u16string, std::vector<Value>, std::vector<Member>> data_;
};

struct Member {
  std::u16string key;
  Value value;
  friend bool operator==(const Member&, const Member&) = default;
};

// The error text of a parse that stopped at `maxValues`.
inline constexpr const char* kTooManyValues = "too many values";

// Reads one JSON text that fills `text` (blanks around it allowed). On
// failure returns false with a message that names the byte offset; with
// kTooManyValues when the text holds more than `maxValues` values (0: no
// limit).

bool Parse(std::string_view text, Value& out, std::string& error, std::size_t maxValues = 0);

// Writes `v` on one line.
void Write(const Value& v, std::string& out);
std::string Write(const Value& v);

// Writes `s` as a JSON string literal, quotes included.
void WriteString(std::u16string_view s, std::string& out);

}  // namespace kor::host::json
