// Step-by-step models of korCSV_IO's line splitter and reader, written for
// clarity rather than speed: 1-based positions, every search in a freshly
// joined string. The fuzz target compares the library with them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kortools/types.h"
#include "platform/code_page.h"

namespace kor::reference {

// The fields of a line (non-empty separator), untrimmed.
inline std::vector<String> SplitCSVLine(const String& line, const String& separator) {
  const auto len = static_cast<std::int64_t>(line.size());
  auto mid = [&](std::int64_t start, std::int64_t count) {
    if (start > len) return String();
    return line.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count));
  };
  std::vector<String> fields;
  String term = separator;
  std::int64_t p = 1;
  while (p <= len) {
    while (mid(p, static_cast<std::int64_t>(term.size())) == term) ++p;
    if (mid(p, 1) == u"\"") {
      term = u"\"" + separator;
      ++p;
    } else {
      term = separator;
    }
    const String searched = line + separator + term;
    const auto q = static_cast<std::int64_t>(searched.find(term, static_cast<std::size_t>(p - 1))) + 1;
    if (!(p == len + 1 && q == p)) fields.push_back(mid(p, q - p));
    p = q + static_cast<std::int64_t>(term.size());
  }
  return fields;
}

// The lines of a file's bytes: CR and CR LF end a line, LF does not; the text
// after the last line end is a line when it is not empty.
inline std::vector<std::string> Lines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::string current;
  bool open = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r') {
      lines.push_back(current);
      current.clear();
      open = false;
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      current += bytes[i];
      open = true;
    }
  }
  if (open) lines.push_back(current);
  return lines;
}

inline String TrimField(String f) {
  const auto b = f.find_first_not_of(u' ');
  if (b == String::npos) return String();
  f = f.substr(b, f.find_last_not_of(u' ') - b + 1);
  if (!f.empty() && f.front() == u'"') f.erase(0, 1);
  if (!f.empty() && f.back() == u'"') f.pop_back();
  return f;
}

// What ReadCSVFile makes of a file's bytes: the records (each of F fields),
// or nothing when it leaves the array unchanged. Lines with more fields than
// an Integer counts are not modelled.
inline std::optional<std::vector<std::vector<String>>> ReadCSV(std::string_view bytes, const platform::CodePage& cp,
                                                               std::int64_t limit = 2147000000) {
  std::vector<std::vector<String>> split;
  for (const std::string& line : Lines(bytes)) split.push_back(SplitCSVLine(cp.Decode(line), u","));
  std::size_t widest = 0;
  std::int64_t examined = 0;
  for (const auto& fields : split) {
    if (examined > limit) break;
    widest = std::max(widest, fields.size());
    ++examined;
  }
  if (examined == 0 || widest == 0) return std::nullopt;
  std::vector<std::vector<String>> records;
  for (const auto& fields : split) {
    std::vector<String> record(widest);
    for (std::size_t f = 0; f < widest && f < fields.size(); ++f) record[f] = TrimField(fields[f]);
    records.push_back(std::move(record));
  }
  return records;
}

}  // namespace kor::reference
