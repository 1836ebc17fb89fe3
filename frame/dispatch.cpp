#include "kortools/dispatch.h"

#include <map>
#include <string>

#include "kortools/error.h"

namespace kor {
namespace {

const ClassInfo& ClassOrThrow(std::string_view name) {
  const ClassInfo* cls = FindClass(name);
  if (!cls) throw Error::Runtime(429);
  return *cls;
}

}  // namespace

AutomationObject AutomationObject::Create(std::string_view className) {
  const ClassInfo& cls = ClassOrThrow(className);
  return AutomationObject(&cls, cls.create());
}

AutomationObject AutomationObject::Global(std::string_view className) {
  const ClassInfo& cls = ClassOrThrow(className);
  // One predeclared instance per class, created on first use. The library is
  // apartment-threaded: objects are only used on the thread that made them.
  static std::map<const ClassInfo*, std::shared_ptr<void>> instances;
  auto& self = instances[&cls];
  if (!self) self = cls.create();
  return AutomationObject(&cls, self);
}

Variant AutomationObject::Invoke(std::string_view member, std::vector<Variant>& args) {
  const MemberInfo* m = FindMember(*class_, member);
  if (!m) throw Error::Runtime(438);
  return Invoke(*m, args);
}

Variant AutomationObject::Invoke(std::int32_t dispid, std::vector<Variant>& args) {
  const MemberInfo* m = FindMember(*class_, dispid);
  if (!m) throw Error::Runtime(438);
  return Invoke(*m, args);
}

Variant AutomationObject::Invoke(const MemberInfo& member, std::vector<Variant>& args) {
  if (args.size() > member.params.size()) throw Error::Runtime(450);
  // Trailing arguments left out are passed as missing; the binding applies
  // defaults and rejects a required one (error 449).
  const std::size_t given = args.size();
  args.resize(member.params.size(), Variant::Missing());
  struct Trim {
    std::vector<Variant>& args;
    std::size_t given;
    ~Trim() { args.resize(given); }
  } trim{args, given};
  return member.invoke(self_.get(), args, member.params);
}

Variant AutomationObject::GetProperty(std::string_view name) {
  const MemberInfo* m = FindMember(*class_, name, MemberKind::PropertyGet);
  if (!m) throw Error::Runtime(438);
  std::vector<Variant> none;
  return Invoke(*m, none);
}

void AutomationObject::SetProperty(std::string_view name, const Variant& value) {
  const MemberInfo* m = FindMember(*class_, name, MemberKind::PropertyPut);
  if (!m) throw Error::Runtime(438);
  std::vector<Variant> args{value};
  Invoke(*m, args);
}

}  // namespace kor
