// `kortools serve`: the JSON-lines host. One request per line in, one
// response per line out.
//
//   kor::host::Server server;
//   server.Handle(R"({"id": 1, "create": "RegKey"})");   // {"id":1,"object":"RegKey:1"}
//   server.Handle("   ");                                   // nothing: a blank line
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "host/json.h"
#include "kortools/dispatch.h"

namespace kor::host {

// What one request may cost. A request line longer than maxRequestBytes is
// read to its end but not kept, and gets error 5; an array of more than
// maxArrayElements elements (an argument, or one a member would make) gets
// error 7, and so does a request of more than twice as many JSON values. 0
// stands for no limit.
struct Limits {
  static constexpr std::size_t kDefaultRequestBytes = std::size_t{2} << 30;  // 2 GiB
  static constexpr std::size_t kDefaultArrayElements = std::size_t{64} << 20;
  std::size_t maxRequestBytes = kDefaultRequestBytes;
  std::size_t maxArrayElements = kDefaultArrayElements;
};

// The limits that KORTOOLS_MAX_REQUEST_BYTES and KORTOOLS_MAX_ARRAY_ELEMENTS
// set, the defaults for those not set. False, with `error` saying why, when
// one is set to anything but a whole number.
bool LimitsFromEnvironment(Limits& limits, std::string& error);

// A whole number of bytes or elements as an option or variable gives it
// ("1048576", "0"); false for any other text.
bool ParseLimit(std::string_view text, std::size_t& value);

class Server {
 public:
  explicit Server(Limits limits = {}) : limits_(limits) {}

  // The response to one request line (without its line end); nothing for a
  // blank line. Never throws: whatever the line holds, the answer is one
  // JSON object.
  std::optional<std::string> Handle(std::string_view line);

  // The response to a request line that was longer than the limit.
  std::string TooLong() const;

 private:
  json::Value Respond(const json::Value& request, json::Value response);
  json::Value Call(const json::Value& request, json::Value response);
  json::Value Create(const json::Value& request, json::Value response);
  json::Value Release(const json::Value& request, json::Value response);
  json::Value GetOrSet(const json::Value& request, json::Value response, bool set);
  AutomationObject& ObjectOf(const json::Value& handle);

  Limits limits_;
  std::map<std::u16string, AutomationObject> objects_;  // by handle
  std::uint64_t created_ = 0;
};

// Answers every line of `in` on `out`, flushing after each response, until
// the end of `in`. Returns the exit status: 0, or 1 when `out` fails.
int Serve(std::istream& in, std::ostream& out, Limits limits = {});

}  // namespace kor::host
