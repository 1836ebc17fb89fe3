#include "host/invoke.h"

#include <string>

#include "kortools/utf.h"

namespace kor::host {

String Text(std::string_view ascii) { return String(ascii.begin(), ascii.end()); }
String Quoted(std::u16string_view name) { return u"\"" + String(name) + u"\""; }

void Refuse(std::int32_t number, const String& detail) {
  throw Error(number, RuntimeErrorText(number) + u": " + detail);
}

const ClassInfo& ClassNamed(std::u16string_view name) {
  const ClassInfo* cls = FindClass(text::ToUtf8(name));
  if (!cls) Refuse(429, u"there is no class " + Quoted(name));
  return *cls;
}

std::pair<const ClassInfo*, std::u16string> SplitQualified(std::u16string_view qualified) {
  const auto dot = qualified.find(u'.');
  const ClassInfo& cls = ClassNamed(qualified.substr(0, dot));
  return {&cls, dot == std::u16string_view::npos ? std::u16string() : std::u16string(qualified.substr(dot + 1))};
}

const MemberInfo& MethodNamed(const ClassInfo& cls, std::u16string_view name) {
  const std::string key = text::ToUtf8(name);
  const MemberInfo* m = FindMember(cls, key, MemberKind::Method);
  if (!m) m = FindMember(cls, key, MemberKind::PropertyGet);
  if (!m) Refuse(438, Text(cls.name) + u" has no member " + Quoted(name));
  return *m;
}

const MemberInfo& MethodWithDispid(const ClassInfo& cls, std::int32_t dispid) {
  const MemberInfo* m = FindMember(cls, dispid, MemberKind::Method);
  if (!m) m = FindMember(cls, dispid, MemberKind::PropertyGet);
  if (!m) Refuse(438, Text(cls.name) + u" has no member with dispatch id " + Text(std::to_string(dispid)));
  return *m;
}

const MemberInfo& FieldNamed(const ClassInfo& cls, std::u16string_view name, bool write) {
  const MemberInfo* m = FindMember(cls, text::ToUtf8(name), write ? MemberKind::PropertyPut : MemberKind::PropertyGet);
  if (!m) Refuse(438, Text(cls.name) + u" has no field " + Quoted(name));
  return *m;
}

void CheckArgumentCount(const MemberInfo& member, std::size_t given) {
  const std::size_t n = member.params.size();
  if (given > n)
    Refuse(450, Text(member.name) + u" takes " + Text(std::to_string(n)) + (n == 1 ? u" argument" : u" arguments") +
                    u", not " + Text(std::to_string(given)));
}

Error ArrayLimitError(std::size_t elements, std::size_t limit) {
  return Error(7, RuntimeErrorText(7) + u": an array of " + Text(std::to_string(elements)) +
                      u" elements is more than the host's limit of " + Text(std::to_string(limit)) +
                      u" (--max-array-elements, KORTOOLS_MAX_ARRAY_ELEMENTS)");
}

HookScope::HookScope(std::vector<String>& messages, ScreenSize screen, std::size_t maxArrayElements,
                     std::optional<std::size_t>* refused)
    : saved_(GetHostHooks()) {
  HostHooks hooks = saved_;
  hooks.onMessage = [&messages](const String& text) { messages.push_back(text); };
  hooks.screen = [screen] { return screen; };
  hooks.maxArrayElements = maxArrayElements;
  hooks.onArrayLimit = nullptr;
  if (refused) hooks.onArrayLimit = [refused](std::size_t elements) { *refused = elements; };
  SetHostHooks(std::move(hooks));
}

HookScope::~HookScope() { SetHostHooks(std::move(saved_)); }

}  // namespace kor::host
