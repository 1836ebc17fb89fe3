// Fuzzes `kortools serve` as a whole: arbitrary bytes as its input, many
// lines at once, with small limits on the request size and on array elements.
// The host must read to the end and answer with response lines only, no more
// of them than there are lines.
//
// The classes that write, move or delete files (korFileMan, korINI,
// korCSV_IO) are not called from here: a found request must not act on the
// machine the fuzzer runs on. Message requests go nowhere.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "fuzz/fuzz_text.h"
#include "host/json.h"
#include "host/serve.h"

namespace {

using kor::fuzzing::Require;

// A request that may name one of the file classes.
bool NamesFileClass(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  for (std::string_view name : {"korfileman", "korini", "korcsv_io"})
    if (lower.find(name) != std::string::npos) return true;
  // A class name may also be spelled with escapes ("kor\u0046ileMan").
  return lower.find("\\u") != std::string::npos && lower.find("kor") != std::string::npos;
}

// A response line: one JSON object with an "error" or a "result"/"object"/"id".
void RequireResponse(std::string_view line) {
  Require(!line.empty() && line.find('\n') == std::string_view::npos);
  kor::host::json::Value v;
  std::string error;
  Require(kor::host::json::Parse(line, v, error));
  Require(v.kind() == kor::host::json::Value::Kind::Object);
  Require(v.Find("error") || v.Find("result") || v.Find("object") || v.Find("id"));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ::setenv("KORTOOLS_EVENTLOG", "none", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  if (NamesFileClass(input)) return -1;  // not added to the corpus

  kor::host::Limits limits;
  limits.maxRequestBytes = 200;
  limits.maxArrayElements = 1000;
  std::istringstream in(input);
  std::ostringstream out;
  Require(kor::host::Serve(in, out, limits) == 0);

  // At most one response line per input line, each a JSON object; which
  // lines get one (not the blank ones; error 5 for the long ones) is the
  // host's tests'.
  std::istringstream responses(out.str());
  std::size_t answered = 0;
  for (std::string line; std::getline(responses, line); ++answered) RequireResponse(line);
  Require(answered <= static_cast<std::size_t>(std::count(input.begin(), input.end(), '\n')) + 1);
  return 0;
}
