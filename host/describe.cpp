#include "host/describe.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <vector>

#include "host/convert.h"
#include "host/json.h"
#include "kortools/typeinfo.h"
#include "kortools/utf.h"

namespace kor::host {
namespace {

// What to describe: classes and enumerations of the type library.
struct Selection {
  std::vector<const ClassInfo*> classes;
  std::vector<const EnumInfo*> enums;
};

bool Select(const std::string& name, Selection& sel) {
  const TypeLibraryInfo& lib = TypeLibrary();
  if (name.empty()) {
    for (const auto& c : lib.classes) sel.classes.push_back(&c);
    for (const auto& e : lib.enums) sel.enums.push_back(&e);
    return true;
  }
  if (const ClassInfo* c = FindClass(name)) {
    sel.classes.push_back(c);
    // The enumerations its members use, in the library's order.
    for (const auto& e : lib.enums) {
      const bool used = std::ranges::any_of(c->iface.members, [&](const MemberInfo& m) {
        return m.result.enumName == e.name ||
               std::ranges::any_of(m.params, [&](const ParamInfo& p) { return p.type.enumName == e.name; });
      });
      if (used) sel.enums.push_back(&e);
    }
    return true;
  }
  if (const EnumInfo* e = FindEnum(name)) {
    sel.enums.push_back(e);
    return true;
  }
  return false;
}

// The earlier identifiers that the file-management interface answers to.
const std::vector<std::string_view>& AliasesOf(const ClassInfo& c) {
  static const std::vector<std::string_view> none;
  return &c == FindClass("korFileMan") ? TypeLibrary().fileManAliases : none;
}

std::string_view KindName(MemberKind k) {
  switch (k) {
    case MemberKind::Method: return "Method";
    case MemberKind::PropertyGet: return "PropertyGet";
    case MemberKind::PropertyPut: return "PropertyPut";
  }
  return "?";
}

std::string Hex(std::int32_t n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(n));
  return buf;
}

// ---------------------------------------------------------------------------
// Text: members in the declaration syntax of the automation language.

std::string Literal(const Variant& v, const TypeRef& type) {
  if (type.kind != TypeKind::String) return text::ToUtf8(ChangeType<String>(v));
  std::string out = "\"";
  for (char c : text::ToUtf8(ChangeType<String>(v))) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string ParamText(const ParamInfo& p) {
  std::string s;
  if (p.optional) s += "Optional ";
  s += p.byRef ? "ByRef " : "ByVal ";
  s += p.name;
  if (p.type.kind == TypeKind::StringArray)
    s += "() As String";
  else
    s += " As " + std::string(TypeName(p.type));
  if (p.defaultValue) s += " = " + Literal(*p.defaultValue, p.type);
  return s;
}

std::string MemberText(const MemberInfo& m) {
  std::string s;
  if (m.kind == MemberKind::PropertyGet)
    s = "Property Get ";
  else if (m.kind == MemberKind::PropertyPut)
    s = "Property Let ";
  else
    s = m.result.kind == TypeKind::Void ? "Sub " : "Function ";
  s += m.name;
  s += "(";
  for (std::size_t i = 0; i < m.params.size(); ++i) s += (i ? ", " : "") + ParamText(m.params[i]);
  s += ")";
  if (m.result.kind != TypeKind::Void) s += " As " + std::string(TypeName(m.result));
  return s;
}

void WriteText(const Selection& sel, std::ostream& out) {
  const TypeLibraryInfo& lib = TypeLibrary();
  out << "Library " << lib.name << " " << lib.majorVersion << "." << lib.minorVersion << " {" << lib.guid << "}\n";
  for (const ClassInfo* c : sel.classes) {
    out << "\nClass " << c->name << " {" << c->guid << "}\n";
    out << "  Interface " << c->iface.name << " {" << c->iface.guid << "}\n";
    for (std::string_view alias : AliasesOf(*c)) out << "    also {" << alias << "}\n";
    out << "  slot  dispid\n";
    for (const MemberInfo& m : c->iface.members) {
      char slot[8];
      std::snprintf(slot, sizeof slot, "%4d", m.slot);
      out << "  " << slot << "  &H" << Hex(m.dispid) << "  " << MemberText(m) << "\n";
      if (!m.doc.empty()) out << std::string(20, ' ') << "\"" << m.doc << "\"\n";
    }
  }
  for (const EnumInfo* e : sel.enums) {
    out << "\nEnum " << e->name << "\n";
    for (const EnumMember& m : e->members) {
      out << "  " << m.name << " = " << m.value;
      if (m.value < 0 || m.value > 0xFFFF) out << " (&H" << Hex(m.value) << ")";
      out << "\n";
    }
  }
}

// ---------------------------------------------------------------------------
// JSON

json::Value Str(std::string_view s) { return json::Value::String(std::u16string(s.begin(), s.end())); }

json::Value MemberJson(const MemberInfo& m) {
  json::Value params = json::Value::Array();
  for (const ParamInfo& p : m.params) {
    json::Value param = json::Value::Object();
    param.Add("name", Str(p.name))
        .Add("type", Str(TypeName(p.type)))
        .Add("byRef", json::Value::Boolean(p.byRef))
        .Add("optional", json::Value::Boolean(p.optional));
    if (p.defaultValue) param.Add("default", ToJson(*p.defaultValue, p.type));
    params.Push(std::move(param));
  }
  json::Value out = json::Value::Object();
  return out.Add("slot", json::Value::Whole(m.slot))
      .Add("name", Str(m.name))
      .Add("kind", Str(KindName(m.kind)))
      .Add("dispid", json::Value::Whole(m.dispid))
      .Add("params", std::move(params))
      .Add("result", Str(TypeName(m.result)))
      .Add("doc", m.doc.empty() ? json::Value() : Str(m.doc));
}

json::Value LibraryJson(const Selection& sel) {
  const TypeLibraryInfo& lib = TypeLibrary();
  json::Value classes = json::Value::Array();
  for (const ClassInfo* c : sel.classes) {
    json::Value members = json::Value::Array();
    for (const MemberInfo& m : c->iface.members) members.Push(MemberJson(m));
    json::Value aliases = json::Value::Array();
    for (std::string_view a : AliasesOf(*c)) aliases.Push(Str(a));
    json::Value iface = json::Value::Object();
    iface.Add("name", Str(c->iface.name))
        .Add("guid", Str(c->iface.guid))
        .Add("aliases", std::move(aliases))
        .Add("members", std::move(members));
    json::Value cls = json::Value::Object();
    classes.Push(std::move(cls.Add("name", Str(c->name)).Add("guid", Str(c->guid)).Add("interface", std::move(iface))));
  }
  json::Value enums = json::Value::Array();
  for (const EnumInfo* e : sel.enums) {
    json::Value members = json::Value::Array();
    for (const EnumMember& m : e->members) {
      json::Value member = json::Value::Object();
      members.Push(std::move(member.Add("name", Str(m.name)).Add("value", json::Value::Whole(m.value))));
    }
    json::Value en = json::Value::Object();
    enums.Push(std::move(en.Add("name", Str(e->name)).Add("members", std::move(members))));
  }
  json::Value out = json::Value::Object();
  return out.Add("name", Str(lib.name))
      .Add("guid", Str(lib.guid))
      .Add("version", Str(std::to_string(lib.majorVersion) + "." + std::to_string(lib.minorVersion)))
      .Add("classes", std::move(classes))
      .Add("enums", std::move(enums));
}

}  // namespace

int Describe(const std::string& name, bool asJson, std::ostream& out, std::ostream& err) {
  Selection sel;
  if (!Select(name, sel)) {
    err << "kortools: there is no class or enumeration named \"" << name << "\"\n";
    return 1;
  }
  if (asJson)
    out << json::Write(LibraryJson(sel)) << "\n";
  else
    WriteText(sel, out);
  return 0;
}

}  // namespace kor::host
