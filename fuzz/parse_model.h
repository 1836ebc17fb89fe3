// Step-by-step models of the korParse methods, written for clarity rather
// than speed: every search runs over freshly joined strings and every
// replacement rebuilds the text. The fuzz target compares the
// library with them on small inputs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kortools/error.h"
#include "kortools/types.h"

namespace kor::reference {

// 1-based InStr: the first position >= start where `find` begins; 0 when
// there is none or start lies beyond the end. Error 5 for a start below 1.
inline std::int64_t InStr(std::int64_t start, const String& text, const String& find) {
  if (start < 1) throw Error::Runtime(5);
  if (start > static_cast<std::int64_t>(text.size())) return 0;
  const auto p = text.find(find, static_cast<std::size_t>(start - 1));
  return p == String::npos ? 0 : static_cast<std::int64_t>(p) + 1;
}

inline String Mid(const String& s, std::int64_t start, std::int64_t length) {
  if (length < 1 || start > static_cast<std::int64_t>(s.size())) return String();
  return s.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(length));
}

// An empty delimiter divides nothing.
inline String ParseString(const String& line, const String& delimiter, std::int64_t index) {
  const std::int64_t len = static_cast<std::int64_t>(line.size());
  const std::int64_t d = static_cast<std::int64_t>(delimiter.size());
  if (line.empty() || line == delimiter) return String();
  if (d == 0) return line;
  std::int64_t start = 1, last = 1 - d, count = 0, end = 0;
  String value;
  auto search = [&] {
    const std::int64_t p = InStr(start, line, delimiter);
    end = p == 0 ? len + 1 : p;
  };
  for (;;) {
    search();
    if (end == 1) count = -1;
    while (last <= len && end == last + d) {
      start += d;
      last += d;
      search();
    }
    last = end;
    value = Mid(line, start, end - start);
    if (count == index - 1) return value;
    start = end + d;
    ++count;
    if (start > len) return value;
  }
}

// An empty search text occurs nowhere.
inline String SandR(String text, const String& search, const String& replacing) {
  std::size_t i = 1;
  while (!search.empty() && i <= text.size()) {
    if (text.compare(i - 1, search.size(), search) == 0 && i - 1 + search.size() <= text.size()) {
      text = text.substr(0, i - 1) + replacing + text.substr(i - 1 + search.size());
      i += replacing.size();
    } else {
      ++i;
    }
  }
  return text;
}

struct SmartResult {
  std::int64_t result = 0;     // the count, or the negated error number
  std::vector<String> values;  // elements 1 to n (or to 10000 after an error)
  bool endless = false;        // the steps went round without end
};

// Gives up (endless) after `maxRounds` rounds of the loop.
inline SmartResult SmartParse(const String& line, const String& delimiter, const String& encapsulator,
                              std::int64_t maxRounds) {
  SmartResult r;
  const String withD = line + delimiter;
  const String withE = line + encapsulator;
  const std::int64_t len = static_cast<std::int64_t>(line.size());
  const std::int64_t d = static_cast<std::int64_t>(delimiter.size());
  const std::int64_t e = static_cast<std::int64_t>(encapsulator.size());
  std::int64_t delimPos = 1 - d, valueStart = 0, valueEnd = 0, rounds = 0;
  try {
    while (valueStart <= len) {
      if (++rounds > maxRounds) {
        r.endless = true;
        break;
      }
      valueStart = delimPos + d;
      delimPos = InStr(valueStart, withD, delimiter);
      const std::int64_t quote = InStr(valueStart, withE, encapsulator);
      if (quote < delimPos) {
        valueStart = InStr(valueStart, line, encapsulator) + e;
        valueEnd = InStr(valueStart, withE, encapsulator) - 1;
        delimPos = InStr(valueEnd, withD, delimiter);
      } else {
        valueEnd = delimPos - 1;
      }
      if (valueEnd >= valueStart) {
        if (r.values.size() == 10000) throw Error::Runtime(9);
        r.values.push_back(Mid(line, valueStart, valueEnd - valueStart + 1));
      }
    }
    r.result = static_cast<std::int64_t>(r.values.size());
  } catch (const Error& error) {
    r.result = -error.Number();
  }
  return r;
}

struct TokenResult {
  std::int64_t count = 0;
  std::vector<String> tokens;  // elements 1 to count
};

inline TokenResult ParseTokenArray(const String& input, std::int64_t scanUntil) {
  TokenResult r;
  String s = input;
  std::int64_t p = 0;
  auto trim = [](const String& t) {
    const auto first = t.find_first_not_of(u' ');
    if (first == String::npos) return String();
    return t.substr(first, t.find_last_not_of(u' ') - first + 1);
  };
  for (;;) {
    s = p >= static_cast<std::int64_t>(s.size()) ? String() : s.substr(static_cast<std::size_t>(p));
    s.erase(0, std::min(s.find_first_not_of(u' '), s.size()));
    if (!s.empty() && s[0] == u',') s.erase(0, 1);
    if (!s.empty() && (s[0] == u'\'' || s[0] == u'"')) {
      const char16_t q = s[0];
      s.erase(0, 1);
      p = InStr(1, s + u" ", String(1, q));
    } else {
      p = InStr(1, s + u" ", u" ");
    }
    if (p == 0) break;
    if (r.count < 32767) ++r.count;
    if (static_cast<std::int64_t>(r.tokens.size()) < r.count) r.tokens.resize(static_cast<std::size_t>(r.count));
    r.tokens[static_cast<std::size_t>(r.count - 1)] = trim(Mid(s, 1, p - 1));
    if (r.count == scanUntil) break;
    if (trim(s).empty()) break;
  }
  return r;
}

}  // namespace kor::reference
