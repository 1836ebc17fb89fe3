// What `serve` and `call` share: finding a member by name or dispatch id,
// refusing a request with a runtime error, and lending the library the host's
// hooks for the length of one call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "kortools/error.h"
#include "kortools/host.h"
#include "kortools/typeinfo.h"

namespace kor::host {

String Text(std::string_view ascii);
String Quoted(std::u16string_view name);

// Raises the runtime error `number` with its standard text followed by what
// was wrong: "Object doesn't support this property or method: korParse has
// no member \"Foo\"".
[[noreturn]] void Refuse(std::int32_t number, const String& detail);

// The class of that name (error 429 when there is none).
const ClassInfo& ClassNamed(std::u16string_view name);

// "Class.Member" split at its dot: the class (error 429 when there is none)
// and the rest, empty when there is no dot.
std::pair<const ClassInfo*, std::u16string> SplitQualified(std::u16string_view qualified);

// A method by name or dispatch id; a property read stands in for a method
// when there is none, as in a late-bound call. Error 438 when neither exists.
const MemberInfo& MethodNamed(const ClassInfo& cls, std::u16string_view name);
const MemberInfo& MethodWithDispid(const ClassInfo& cls, std::int32_t dispid);

// The property read or write of that name (error 438 when there is none).
const MemberInfo& FieldNamed(const ClassInfo& cls, std::u16string_view name, bool write);

// Error 7 for an array of `elements` beyond the limit of `limit` elements,
// with a description that names the limit and where it is set.
Error ArrayLimitError(std::size_t elements, std::size_t limit);

// Error 450 when `given` arguments are more than `member` takes.
void CheckArgumentCount(const MemberInfo& member, std::size_t given);

// Lends the library a screen size and a limit on array elements (0: none)
// and collects its message requests while it lives; the previous hooks come
// back afterwards. `refused`, when given, receives the size of an array that
// the limit refused.
class HookScope {
 public:
  HookScope(std::vector<String>& messages, ScreenSize screen, std::size_t maxArrayElements = 0,
            std::optional<std::size_t>* refused = nullptr);
  ~HookScope();
  HookScope(const HookScope&) = delete;
  HookScope& operator=(const HookScope&) = delete;

 private:
  HostHooks saved_;
};

}  // namespace kor::host
