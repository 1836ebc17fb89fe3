// Fuzzes `kortools serve`: arbitrary bytes as one request line, answered by
// the same function the host uses for each line. Every non-blank line must
// get exactly one response line, and that line must be a JSON object with an
// "error" or a "result"/"object"/"id".
//
// The classes that write, move or delete files (korFileMan, korINI,
// korCSV_IO) are not called from here: a found request must not act on the
// machine the fuzzer runs on. Message requests go nowhere.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/json.h"
#include "host/serve.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

bool NamesFileClass(std::string_view line) {
  std::string lower(line);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  for (std::string_view name : {"korfileman", "korini", "korcsv_io"})
    if (lower.find(name) != std::string::npos) return true;
  // A class name may also be spelled with escapes ("kor\u0046ileMan").
  return lower.find("\\u") != std::string::npos && lower.find("kor") != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ::setenv("KORTOOLS_EVENTLOG", "none", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // `serve` splits its input at line ends, so a line never holds one.
  std::string line(reinterpret_cast<const char*>(data), size);
  std::replace(line.begin(), line.end(), '\n', ' ');
  if (NamesFileClass(line)) return -1;  // not added to the corpus

  kor::host::Server server;
  const auto response = server.Handle(line);
  if (line.find_first_not_of(" \t\r") == std::string::npos) {
    Require(!response);
    return 0;
  }
  Require(response && !response->empty() && response->find('\n') == std::string::npos);
  kor::host::json::Value v;
  std::string error;
  Require(kor::host::json::Parse(*response, v, error));
  Require(v.kind() == kor::host::json::Value::Kind::Object);
  Require(v.Find("error") || v.Find("result") || v.Find("object") || v.Find("id"));
  return 0;
}
