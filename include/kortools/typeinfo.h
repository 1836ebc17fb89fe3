// The library's type information: the type library, its five classes, their
// default interfaces with every member in slot order, and the enumerations.
// The host's `describe`, the late-bound dispatcher and the server's type
// library are all read from these tables.
//
//   const kor::ClassInfo* c = kor::FindClass("korParse");
//   const kor::MemberInfo* m = kor::FindMember(*c, "ParseString");
//   m->dispid;                        // 0x60030000
//   m->params[2].type.kind;           // kor::TypeKind::Long
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "kortools/export.h"
#include "kortools/variant.h"

namespace kor {

// The automation type of a parameter or a result.
enum class TypeKind { Void, String, Integer, Long, Single, Double, Date, Boolean, Variant, Object, StringArray, Enum };

struct TypeRef {
  TypeKind kind = TypeKind::Void;
  std::string_view enumName;  // the enumeration, for TypeKind::Enum
};

// One parameter of a member, as the type library publishes it.
struct ParamInfo {
  std::string_view name;
  TypeRef type;
  bool byRef = false;
  bool optional = false;
  std::optional<Variant> defaultValue;  // only for optional parameters with a default
};

// A method, or a property's read or write (RegKey.RegErrorCode).
enum class MemberKind { Method, PropertyGet, PropertyPut };

// Calls the member on `self` (a pointer to the class's default interface)
// with one Variant per parameter; by-reference arguments are written back.
using Invoker = Variant (*)(void* self, std::span<Variant> args, std::span<const ParamInfo> params);

// One member of a default interface: its place in the dual interface's table,
// its dispatch id, parameters and result, and the call itself.
struct MemberInfo {
  int slot = 0;  // position after the seven slots of the dispatch interface
  std::string_view name;
  MemberKind kind = MemberKind::Method;
  std::int32_t dispid = 0;
  std::vector<ParamInfo> params;
  TypeRef result;
  std::string_view doc;  // empty when the member has none
  Invoker invoke = nullptr;
};

struct InterfaceInfo {
  std::string_view name;  // "_korParse"
  std::string_view guid;
  std::vector<MemberInfo> members;  // in slot order
};

struct ClassInfo {
  std::string_view name;  // "korParse"
  std::string_view guid;
  InterfaceInfo iface;
  // A new object, as a pointer to its default interface.
  std::shared_ptr<void> (*create)() = nullptr;
};

// The published enumerations and their members.
struct EnumMember {
  std::string_view name;
  std::int32_t value;
};

struct EnumInfo {
  std::string_view name;
  std::vector<EnumMember> members;
};

// The type library: its identity and version (korTools 4.6), classes and
// enumerations.
struct TypeLibraryInfo {
  std::string_view name;  // "korTools"
  std::string_view guid;
  int majorVersion = 0;
  int minorVersion = 0;
  std::vector<ClassInfo> classes;
  std::vector<EnumInfo> enums;
  // Earlier identifiers of the file-management interface, kept as aliases.
  std::vector<std::string_view> fileManAliases;
};

// The whole type library, built once on first use.
KORTOOLS_API const TypeLibraryInfo& TypeLibrary();

// Look-ups by name compare without regard to ASCII case, as automation
// names do; null when there is no such class or member.
KORTOOLS_API const ClassInfo* FindClass(std::string_view name);
KORTOOLS_API const MemberInfo* FindMember(const ClassInfo& cls, std::string_view name,
                                          MemberKind kind = MemberKind::Method);
KORTOOLS_API const MemberInfo* FindMember(const ClassInfo& cls, std::int32_t dispid,
                                          MemberKind kind = MemberKind::Method);
KORTOOLS_API const EnumInfo* FindEnum(std::string_view name);

// "String", "Integer", ..., or the enumeration's name.
KORTOOLS_API std::string_view TypeName(const TypeRef& type);

}  // namespace kor
