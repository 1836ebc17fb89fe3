// `kortools serve`: the JSON-lines host. One request per line in, one
// response per line out.
//
//   kor::host::Server server;
//   server.Handle(R"({"id": 1, "create": "RegKey"})");   // {"id":1,"object":"RegKey:1"}
//   server.Handle("   ");                                   // nothing: a blank line
#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "host/json.h"
#include "kortools/dispatch.h"

namespace kor::host {

class Server {
 public:
  // The response to one request line (without its line end); nothing for a
  // blank line. Never throws: whatever the line holds, the answer is one
  // JSON object.
  std::optional<std::string> Handle(std::string_view line);

 private:
  json::Value Respond(const json::Value& request, json::Value response);
  json::Value Call(const json::Value& request, json::Value response);
  json::Value Create(const json::Value& request, json::Value response);
  json::Value Release(const json::Value& request, json::Value response);
  json::Value GetOrSet(const json::Value& request, json::Value response, bool set);
  AutomationObject& ObjectOf(const json::Value& handle);

  std::map<std::u16string, AutomationObject> objects_;  // by handle
  std::uint64_t created_ = 0;
};

// Answers every line of `in` on `out`, flushing after each response, until
// the end of `in`. Returns the exit status: 0, or 1 when `out` fails.
int Serve(std::istream& in, std::ostream& out);

}  // namespace kor::host
