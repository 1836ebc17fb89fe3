// What the two fuzz targets of the host share: which requests they leave out,
// and the check that a response line is one JSON object.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "fuzz/fuzz_text.h"
#include "host/json.h"

namespace kor::fuzzing {

// The classes that write, move or delete files (korFileMan, korINI,
// korCSV_IO) are not called from the fuzzers: a found request must not act
// on the machine the fuzzer runs on.
inline bool NamesFileClass(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  for (std::string_view name : {"korfileman", "korini", "korcsv_io"})
    if (lower.find(name) != std::string::npos) return true;
  // A class name may also be spelled with escapes ("kor\u0046ileMan").
  return lower.find("\\u") != std::string::npos && lower.find("kor") != std::string::npos;
}

// A response line: one JSON object with an "error" or a "result"/"object"/"id".
inline host::json::Value RequireResponse(std::string_view line) {
  Require(!line.empty() && line.find('\n') == std::string_view::npos);
  host::json::Value v;
  std::string error;
  Require(host::json::Parse(line, v, error));
  Require(v.kind() == host::json::Value::Kind::Object);
  Require(v.Find("error") || v.Find("result") || v.Find("object") || v.Find("id"));
  return v;
}

}  // namespace kor::fuzzing
