// Fuzzes `kortools serve`: arbitrary bytes as one request line, answered by
// the same function the host uses for each line. Every non-blank line must
// get exactly one response line, and that line must be a JSON object with an
// "error" or a "result"/"object"/"id".
//
// The classes that write, move or delete files (korFileMan, korINI,
// korCSV_IO) are not called from here: a found request must not act on the
// machine the fuzzer runs on. Message requests go nowhere.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/host_fuzz.h"
#include "host/serve.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ::setenv("KORTOOLS_EVENTLOG", "none", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // `serve` splits its input at line ends, so a line never holds one.
  std::string line(reinterpret_cast<const char*>(data), size);
  std::replace(line.begin(), line.end(), '\n', ' ');
  if (kor::fuzzing::NamesFileClass(line)) return -1;  // not added to the corpus

  // An array as large as the default limit allows would outgrow the fuzzer's
  // memory: a smaller limit, which the fuzzer then also reaches.
  kor::host::Limits limits;
  limits.maxArrayElements = 100000;
  kor::host::Server server(limits);
  const auto response = server.Handle(line);
  if (line.find_first_not_of(" \t\r") == std::string::npos) {
    kor::fuzzing::Require(!response);
    return 0;
  }
  kor::fuzzing::Require(response.has_value());
  kor::fuzzing::RequireResponse(*response);
  return 0;
}
