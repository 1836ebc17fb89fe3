#include "host/serve.h"

#include <cstdint>
#include <cstdlib>
#include <istream>
#include <limits>
#include <new>
#include <ostream>
#include <utility>
#include <vector>

#include "host/convert.h"
#include "host/invoke.h"

namespace kor::host {
namespace {

using Kind = json::Value::Kind;

[[noreturn]] void Malformed(std::string_view detail) { Refuse(5, Text(detail)); }

json::Value ErrorJson(const Error& e) {
  json::Value out = json::Value::Object();
  return out.Add("number", json::Value::Whole(e.Number())).Add("description", json::Value::String(e.Description()));
}

// The answer when even an error response cannot be built.
constexpr std::string_view kOutOfMemory = R"({"error":{"number":7,"description":"Out of memory"}})";

// The members a request may hold, by what it asks for.
struct Action {
  std::string_view key;
  std::vector<std::string_view> allowed;
};
const Action kActions[] = {
    {"call", {"id", "call", "dispid", "object", "args", "screen"}},
    {"dispid", {"id", "call", "dispid", "object", "args", "screen"}},
    {"create", {"id", "create"}},
    {"release", {"id", "release"}},
    {"get", {"id", "get", "object"}},
    {"set", {"id", "set", "object", "value"}},
};

const std::u16string& StringMember(const json::Value& request, std::string_view key) {
  const json::Value* v = request.Find(key);
  if (!v || v->kind() != Kind::String) Malformed("\"" + std::string(key) + "\" must be a string");
  return v->string();
}

std::int32_t DispidOf(const json::Value& v) {
  // Dispatch ids are 32-bit; 0x80000000 and up may also be written unsigned.
  if (v.kind() != Kind::Number || !v.whole() || v.number() < std::numeric_limits<std::int32_t>::min() ||
      v.number() > std::numeric_limits<std::uint32_t>::max())
    Malformed("\"dispid\" must be a 32-bit whole number");
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(v.number())));
}

ScreenSize ScreenOf(const json::Value* v) {
  constexpr std::string_view kForm = R"("screen" must be {"Width": W, "Height": H})";
  ScreenSize screen;
  if (!v) return screen;
  if (v->kind() != Kind::Object) Malformed(kForm);
  for (const auto& m : v->object()) {
    Single* field = m.key == u"Width" ? &screen.width : m.key == u"Height" ? &screen.height : nullptr;
    if (!field || m.value.kind() != Kind::Number) Malformed(kForm);
    try {
      *field = ChangeType<Single>(Double{NumberOf(m.value)});
    } catch (const Error&) {
      Malformed("the screen size is out of range");
    }
  }
  return screen;
}

// The answer to a request that raised, from inside the handler: whatever went
// wrong, an error response with the request's id.
std::string ErrorLine(const json::Value* id) noexcept {
  try {
    Error e(51, u"Internal error");
    try {
      throw;
    } catch (const Error& raised) {
      e = raised;
    } catch (const std::bad_alloc&) {
      e = Error::Runtime(7);
    } catch (const std::exception& other) {
      e = Error(51, u"Internal error: " + Text(other.what()));
    } catch (...) {
    }
    json::Value out = json::Value::Object();
    if (id) out.Add("id", *id);
    return json::Write(out.Add("error", ErrorJson(e)));
  } catch (...) {
    return std::string(kOutOfMemory);  // not even room for the id
  }
}

bool Blank(std::string_view line) { return line.find_first_not_of(" \t\r") == std::string_view::npos; }

}  // namespace

std::optional<std::string> Server::Handle(std::string_view line) {
  if (Blank(line)) return std::nullopt;
  json::Value request;
  const json::Value* id = nullptr;
  try {
    std::string error;
    const std::size_t most = limits_.maxArrayElements;
    // An array of the most elements allowed, in two dimensions, takes at
    // most twice as many values; the rest of a request takes few.
    const std::size_t maxValues = most == 0 || most > SIZE_MAX / 4 ? 0 : 2 * most + 1024;
    if (!json::Parse(line, request, error, maxValues)) {
      if (error == json::kTooManyValues)
        Refuse(7, u"the request holds more than " + Text(std::to_string(maxValues)) +
                      u" JSON values, twice the host's limit on array elements (--max-array-elements, "
                      u"KORTOOLS_MAX_ARRAY_ELEMENTS)");
      Malformed(error);
    }
    if (request.kind() != Kind::Object) Malformed("a request is a JSON object");
    id = request.Find("id");
    json::Value response = json::Value::Object();
    if (id) response.Add("id", *id);
    return json::Write(Respond(request, std::move(response)));
  } catch (...) {
    return ErrorLine(id);
  }
}

json::Value Server::Respond(const json::Value& request, json::Value response) {
  const Action* action = nullptr;
  for (const auto& a : kActions) {
    if (!request.Find(a.key)) continue;
    // "dispid" goes with "call"; any other pair of actions is a conflict.
    if (action && !(action->key == "call" && a.key == "dispid"))
      Malformed("a request asks for exactly one of call, create, release, get and set");
    if (!action) action = &a;
  }
  if (!action) Malformed("a request asks for exactly one of call, create, release, get and set");
  for (const auto& m : request.object()) {
    bool known = false;
    for (std::string_view k : action->allowed) known = known || m.key == Text(k);
    if (!known) Refuse(5, Quoted(m.key) + u" does not belong in a " + Text(action->key) + u" request");
  }
  if (action->key == "call" || action->key == "dispid") return Call(request, std::move(response));
  if (action->key == "create") return Create(request, std::move(response));
  if (action->key == "release") return Release(request, std::move(response));
  return GetOrSet(request, std::move(response), action->key == "set");
}

AutomationObject& Server::ObjectOf(const json::Value& handle) {
  if (handle.kind() != Kind::String) Malformed("an object handle is a string");
  const auto found = objects_.find(handle.string());
  if (found == objects_.end()) Refuse(5, u"there is no object " + Quoted(handle.string()));
  return found->second;
}

json::Value Server::Call(const json::Value& request, json::Value response) {
  const json::Value* object = request.Find("object");
  const json::Value* dispid = request.Find("dispid");
  const json::Value* call = request.Find("call");
  if (call && call->kind() != Kind::String) Malformed("\"call\" must be a string");

  // The object, and the member's name when it is named.
  std::optional<AutomationObject> target;
  std::u16string name;
  if (object) {
    target = ObjectOf(*object);
    if (call) name = call->string();
  } else if (!call) {
    Malformed(R"(a call by dispatch id names its class in "call" or its object in "object")");
  } else {
    const auto [cls, member] = SplitQualified(call->string());
    if (!dispid && member.empty()) Malformed(R"("call" names Class.Member when there is no "object")");
    target = AutomationObject::Global(cls->name);
    name = member;
  }
  if (dispid && !name.empty()) Malformed(R"(name the member by "call" or by "dispid", not both)");
  const MemberInfo& member =
      dispid ? MethodWithDispid(target->Class(), DispidOf(*dispid)) : MethodNamed(target->Class(), name);

  static const json::Value kNoArgs = json::Value::Array();
  const json::Value* args = request.Find("args");
  if (!args) args = &kNoArgs;
  if (args->kind() != Kind::Array) Malformed("\"args\" must be an array");
  const auto& given = args->array();
  CheckArgumentCount(member, given.size());
  const ScreenSize screen = ScreenOf(request.Find("screen"));

  // From here on the request is a call: the response carries args and
  // messages, and an error is the member's or an argument's own. An array
  // beyond the host's limit is error 7, also where the member goes on past
  // the error.
  std::vector<String> messages;
  std::optional<std::size_t> refused;
  HookScope hooks(messages, screen, limits_.maxArrayElements, &refused);
  std::vector<Variant> vars;
  vars.reserve(given.size());
  try {
    for (std::size_t i = 0; i < given.size(); ++i) vars.push_back(FromJson(given[i], member.params[i].type));
  } catch (const Error& e) {
    // An argument that does not convert: nothing was called, so the
    // arguments are shown as they were given.
    response.Add("args", *args).Add("messages", json::Value::Array());
    return std::move(
        response.Add("error", ErrorJson(refused ? ArrayLimitError(*refused, limits_.maxArrayElements) : e)));
  }
  std::optional<Error> raised;
  try {
    const Variant result = target->Invoke(member, vars);
    if (!refused) response.Add("result", ToJson(result, member.result));
  } catch (const Error& e) {
    raised = e;
  } catch (const std::bad_alloc&) {
    raised = Error::Runtime(7);
  }
  if (refused) raised = ArrayLimitError(*refused, limits_.maxArrayElements);
  json::Value after = json::Value::Array();
  for (std::size_t i = 0; i < vars.size(); ++i) after.Push(ToJson(vars[i], member.params[i].type));
  json::Value texts = json::Value::Array();
  for (auto& t : messages) texts.Push(json::Value::String(std::move(t)));
  response.Add("args", std::move(after)).Add("messages", std::move(texts));
  if (raised) response.Add("error", ErrorJson(*raised));
  return response;
}

json::Value Server::Create(const json::Value& request, json::Value response) {
  const ClassInfo& cls = ClassNamed(StringMember(request, "create"));
  AutomationObject object = AutomationObject::Create(cls.name);
  const std::u16string handle = Text(cls.name) + u":" + Text(std::to_string(++created_));
  objects_.emplace(handle, std::move(object));
  return std::move(response.Add("object", json::Value::String(handle)));
}

json::Value Server::Release(const json::Value& request, json::Value response) {
  const json::Value& handle = *request.Find("release");
  ObjectOf(handle);
  // The last reference goes: a RegKey closes its key as it is destroyed.
  objects_.erase(handle.string());
  return response;
}

json::Value Server::GetOrSet(const json::Value& request, json::Value response, bool set) {
  const std::u16string& field = StringMember(request, set ? "set" : "get");
  const json::Value* object = request.Find("object");
  std::optional<AutomationObject> target;
  std::u16string name = field;
  if (object) {
    target = ObjectOf(*object);
  } else {
    auto [cls, rest] = SplitQualified(field);
    if (rest.empty()) Malformed("name the field as Class.Field when there is no \"object\"");
    target = AutomationObject::Global(cls->name);
    name = std::move(rest);
  }
  const MemberInfo& member = FieldNamed(target->Class(), name, set);
  std::vector<String> messages;
  HookScope hooks(messages, ScreenSize{}, limits_.maxArrayElements);
  std::vector<Variant> args;
  if (set) {
    const json::Value* value = request.Find("value");
    if (!value) Malformed("a set request needs \"value\"");
    args.push_back(FromJson(*value, member.params.at(0).type));
  }
  const Variant result = target->Invoke(member, args);
  return std::move(response.Add("result", set ? json::Value() : ToJson(result, member.result)));
}

bool ParseLimit(std::string_view text, std::size_t& value) {
  if (text.empty()) return false;
  std::size_t n = 0;
  for (const char c : text) {
    if (c < '0' || c > '9' || n > (SIZE_MAX - 9) / 10) return false;
    n = n * 10 + static_cast<std::size_t>(c - '0');
  }
  value = n;
  return true;
}

bool LimitsFromEnvironment(Limits& limits, std::string& error) {
  for (const auto& [name, field] : {std::pair{"KORTOOLS_MAX_REQUEST_BYTES", &Limits::maxRequestBytes},
                                    std::pair{"KORTOOLS_MAX_ARRAY_ELEMENTS", &Limits::maxArrayElements}}) {
    const char* text = std::getenv(name);
    if (text == nullptr) continue;
    if (!ParseLimit(text, limits.*field)) {
      error = std::string(name) + " must be a whole number (0 for no limit), not \"" + text + "\"";
      return false;
    }
  }
  return true;
}

std::string Server::TooLong() const {
  try {
    Refuse(5, u"the request is longer than the host's limit of " + Text(std::to_string(limits_.maxRequestBytes)) +
                  u" bytes (--max-request-bytes, KORTOOLS_MAX_REQUEST_BYTES)");
  } catch (...) {
    return ErrorLine(nullptr);
  }
}

namespace {

// Reads one line, without its line end, into `line`; false at the end of
// the input. A line longer than `most` bytes (0: no limit) is read to its
// end but not kept: `line` is then empty and `tooLong` true.
bool ReadRequestLine(std::istream& in, std::string& line, std::size_t most, bool& tooLong) {
  line.clear();
  tooLong = false;
  bool any = false;
  char chunk[1 << 16];
  for (;;) {
    in.getline(chunk, sizeof chunk);
    auto n = static_cast<std::size_t>(in.gcount());
    if (n != 0) any = true;
    const bool full = in.fail() && !in.eof() && n == sizeof chunk - 1;  // no line end in this chunk
    const bool ended = !full && !in.eof();                              // the line end was read too
    if (ended) --n;
    if (!tooLong && most != 0 && line.size() + n > most) {
      tooLong = true;
      std::string().swap(line);
    }
    if (!tooLong) line.append(chunk, n);
    if (full) {
      in.clear();
      continue;
    }
    return any;
  }
}

}  // namespace

int Serve(std::istream& in, std::ostream& out, Limits limits) {
  Server server(limits);
  std::string line;
  bool tooLong = false;
  bool first = true;
  while (ReadRequestLine(in, line, limits.maxRequestBytes, tooLong)) {
    std::string_view text = line;
    if (first && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a byte-order mark
    first = false;
    const auto response = tooLong ? std::optional<std::string>(server.TooLong()) : server.Handle(text);
    if (!response) continue;
    out << *response << '\n';
    out.flush();
    if (!out) return 1;
  }
  return 0;
}

}  // namespace kor::host
