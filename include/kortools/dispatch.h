// Late-bound calls: a member found by name or dispatch id, called with
// Variant arguments converted to its parameter types by the automation rules.
//
//   kor::AutomationObject parse = kor::AutomationObject::Global("korParse");
//   std::vector<kor::Variant> args{kor::String(u"a,b,c"), kor::String(u","), kor::Long{2}};
//   kor::Variant r = parse.Invoke("ParseString", args);     // String "b"
//
// Arguments are in parameter order. Trailing optional arguments may be left
// out; one left out in the middle is Variant::Missing(). After the call (also
// one that raised) each by-reference argument holds the caller's variable as
// the member left it.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "kortools/export.h"
#include "kortools/typeinfo.h"
#include "kortools/variant.h"

namespace kor {

class KORTOOLS_API AutomationObject {
 public:
  // A new object of the class; error 429 "ActiveX component can't create
  // object" for a class the library does not have.
  static AutomationObject Create(std::string_view className);
  // The class's predeclared global instance, created on first use and kept
  // for the life of the process.
  static AutomationObject Global(std::string_view className);

  const ClassInfo& Class() const { return *class_; }

  // Error 438 for an unknown member, 450 for too many arguments, 449 for a
  // required argument left out, 13 or 6 for an argument that does not convert.
  Variant Invoke(std::string_view member, std::vector<Variant>& args);
  Variant Invoke(std::int32_t dispid, std::vector<Variant>& args);
  Variant Invoke(const MemberInfo& member, std::vector<Variant>& args);

  // Public fields and properties (RegKey.RegErrorCode).
  Variant GetProperty(std::string_view name);
  void SetProperty(std::string_view name, const Variant& value);

  // The object itself, as a pointer to its default interface.
  void* Self() const { return self_.get(); }

 private:
  AutomationObject(const ClassInfo* cls, std::shared_ptr<void> self) : class_(cls), self_(std::move(self)) {}
  const ClassInfo* class_;
  std::shared_ptr<void> self_;
};

}  // namespace kor
