// Fuzzes `kortools serve` as a whole: arbitrary bytes as its input, many
// lines at once, with small limits on the request size and on array elements.
// Every line that is not blank, and every line beyond the size limit, must
// get exactly one response line, in order; a line beyond the limit gets error
// 5, and the host reads on.
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
#include <vector>

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
kor::host::json::Value RequireResponse(std::string_view line) {
  Require(!line.empty() && line.find('\n') == std::string_view::npos);
  kor::host::json::Value v;
  std::string error;
  Require(kor::host::json::Parse(line, v, error));
  Require(v.kind() == kor::host::json::Value::Kind::Object);
  Require(v.Find("error") || v.Find("result") || v.Find("object") || v.Find("id"));
  return v;
}

constexpr std::size_t kMostBytes = 200;

// What the host must answer for each line of the input: nothing for a blank
// line, error 5 for a long one, anything else for the rest.
enum class Expect { kNothing, kTooLong, kAnswer };

std::vector<Expect> Expected(std::string_view input) {
  std::vector<Expect> out;
  bool first = true;
  while (!input.empty()) {
    const std::size_t end = input.find('\n');
    std::string_view line = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    const bool tooLong = line.size() > kMostBytes;
    if (first && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
    first = false;
    if (tooLong) {
      out.push_back(Expect::kTooLong);
    } else if (line.find_first_not_of(" \t\r") != std::string_view::npos) {
      out.push_back(Expect::kAnswer);
    }
  }
  return out;
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
  limits.maxRequestBytes = kMostBytes;
  limits.maxArrayElements = 1000;
  std::istringstream in(input);
  std::ostringstream out;
  Require(kor::host::Serve(in, out, limits) == 0);

  const std::vector<Expect> expected = Expected(input);
  std::istringstream responses(out.str());
  std::string line;
  for (const Expect e : expected) {
    Require(static_cast<bool>(std::getline(responses, line)));
    const auto v = RequireResponse(line);
    if (e == Expect::kTooLong) {
      const auto* error = v.Find("error");
      Require(error && error->Find("number") && error->Find("number")->number() == 5);
    }
  }
  Require(!std::getline(responses, line));
  return 0;
}
