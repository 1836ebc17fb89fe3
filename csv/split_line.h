// How korCSV_IO splits one line into fields, on code-page bytes or on UTF-16
// text alike.
//
// Separators are skipped one character at a time while the text at the
// position equals the text that ended the previous field (the separator S, or
// a double quote and S after a quoted field), so runs of separators and
// separators at either end of the line give no empty fields, except the one
// empty field directly after a quoted field. A field that begins with a double
// quote ends at the next double quote followed by S; one that does not, at the
// next S. The search runs in the line followed by S and the terminator, so it
// always ends: a quoted field without its closing quote runs to the end of the
// line, a double quote ending the line then closing it.
//
//   kor::csv::Splitter<char> split(",");
//   split.Split("\"a,b\",c", [](std::size_t n, std::size_t begin, std::size_t end) { ... });
//   // n = 1: [1, 4) "a,b"; n = 2: [6, 7) "c"; returns 2
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "kortools/error.h"
#include "kortools/string_array.h"
#include "kortools/types.h"

namespace kor::csv {

// The field count is an Integer: a line with more fields raises error 6.
inline constexpr std::size_t kMaxFields = 32767;

template <typename Char>
class Splitter {
 public:
  using View = std::basic_string_view<Char>;

  // `separator` must not be empty.
  explicit Splitter(View separator) : separator_(separator), quoted_(1, Char('"')) { quoted_ += separator; }

  // Calls onField(n, begin, end) for field n = 1, 2, ... with its bounds in
  // `line`, and returns the number of fields; error 6 past kMaxFields.
  template <typename OnField>
  std::size_t Split(View line, OnField&& onField) const {
    if (separator_.size() == 1 && separator_[0] != Char('"')) return SplitAtOne(line, separator_[0], onField);
    const std::size_t len = line.size();
    std::size_t n = 0;
    View term = separator_;
    std::size_t p = 0;
    while (p < len) {
      p = SkipTerminators(line, p, term);
      if (p < len && line[p] == Char('"')) {
        term = quoted_;
        ++p;
      } else {
        term = separator_;
      }
      const std::size_t q = FindTerminator(line, p, term);
      if (!(p == len && q == p)) {
        if (++n > kMaxFields) throw Error::Runtime(6);
        onField(n, p, std::min(q, len));
      }
      p = q + term.size();
    }
    return n;
  }

 private:
  // The same steps for a one-character separator `s` that is not a quote,
  // with the searches written out: after a quoted field the terminator is a
  // quote and `s`, and such a field without one ends past the appended `s`.
  template <typename OnField>
  static std::size_t SplitAtOne(View line, Char s, OnField& onField) {
    const Char* d = line.data();
    const std::size_t len = line.size();
    std::size_t n = 0;
    bool quoted = false;  // whether the previous field was
    std::size_t p = 0;
    while (p < len) {
      if (quoted) {
        while (p + 2 <= len && d[p] == Char('"') && d[p + 1] == s) ++p;
      } else {
        while (p < len && d[p] == s) ++p;
      }
      std::size_t q = p;
      quoted = p < len && d[p] == Char('"');
      if (quoted) {
        q = ++p;
        while (q + 1 < len && !(d[q] == Char('"') && d[q + 1] == s)) ++q;
        if (q + 1 >= len && !(q + 1 == len && d[q] == Char('"'))) q = len + 1;
      } else {
        while (q < len && d[q] != s) ++q;
      }
      if (!(p == len && q == p)) {
        if (++n > kMaxFields) throw Error::Runtime(6);
        onField(n, p, std::min(q, len));
      }
      p = q + (quoted ? 2 : 1);
    }
    return n;
  }

  static std::size_t SkipTerminators(View line, std::size_t p, View term) {
    const std::size_t len = line.size();
    if (term.size() == 1) {
      while (p < len && line[p] == term[0]) ++p;
      return p;
    }
    while (p + term.size() <= len && line.compare(p, term.size(), term) == 0) ++p;
    return p;
  }

  // The first position at or after p where `term` occurs in the line followed
  // by the separator and `term`.
  std::size_t FindTerminator(View line, std::size_t p, View term) const {
    const std::size_t len = line.size();
    if (p + term.size() <= len) {
      const std::size_t q = term.size() == 1 ? line.find(term[0], p) : line.find(term, p);
      if (q != View::npos) return q;
    }
    // An occurrence that runs into the appended text; there is one at the
    // latest where the appended terminator starts.
    const View sep = separator_;
    auto at = [&](std::size_t i) {
      if (i < len) return line[i];
      i -= len;
      return i < sep.size() ? sep[i] : term[i - sep.size()];
    };
    std::size_t i = std::max(p, len + 1 > term.size() ? len + 1 - term.size() : std::size_t{0});
    for (;; ++i) {
      std::size_t k = 0;
      while (k < term.size() && at(i + k) == term[k]) ++k;
      if (k == term.size()) return i;
    }
  }

  View separator_;
  std::basic_string<Char> quoted_;
};

// The line's fields as korCSV_IO's private SplitCSVLine gives them: `fields`
// re-dimensioned to 0 To n, the fields at 1 to n, element 0 empty. An empty
// separator raises error 5.
Integer SplitLine(const String& line, const String& separator, StringArray& fields);

}  // namespace kor::csv
