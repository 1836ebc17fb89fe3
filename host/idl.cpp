#include "host/idl.h"

#include <cstdio>
#include <ostream>
#include <stdexcept>
#include <string>

#include "kortools/typeinfo.h"
#include "kortools/utf.h"

namespace kor::host {
namespace {

// The name of the result parameter; no member has a parameter of that name.
constexpr std::string_view kResultName = "RetVal";

// widl refuses a string default on a by-reference parameter (MIDL takes it),
// so such defaults go through a macro that gives widl the number 0 in their
// place; the build then puts the string into the compiled library
// (cmake/type_library.py), so that a compiler that fills in
// left-out arguments from the library passes the published default.
constexpr std::string_view kByRefStringDefault = "KORTOOLS_BYREF_STRING_DEFAULT";

std::string Hex(std::int32_t n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(n));
  return buf;
}

// Enumeration values that read as bit patterns (the registry roots) are
// written in hexadecimal, the others (-1 included) in decimal.
std::string Number(std::int32_t n) { return n < -0xFFFF ? Hex(n) : std::to_string(n); }

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\%03o", u);
      out += buf;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// The automation type of a value of `type`, as the type library names it.
std::string TypeText(const TypeRef& type) {
  switch (type.kind) {
    case TypeKind::String: return "BSTR";
    case TypeKind::Integer: return "short";
    case TypeKind::Long: return "long";
    case TypeKind::Single: return "float";
    case TypeKind::Double: return "double";
    case TypeKind::Date: return "DATE";
    case TypeKind::Boolean: return "VARIANT_BOOL";
    case TypeKind::Variant: return "VARIANT";
    case TypeKind::Object: return "IDispatch*";
    case TypeKind::StringArray: return "SAFEARRAY(BSTR)";
    case TypeKind::Enum: return std::string(type.enumName);
    case TypeKind::Void: break;
  }
  throw std::logic_error("a parameter of type Void");
}

std::string DefaultText(const Variant& v, const TypeRef& type) {
  switch (type.kind) {
    case TypeKind::String: return Quoted(text::ToUtf8(ChangeType<String>(v)));
    case TypeKind::Boolean: return ChangeType<Boolean>(v) ? "-1" : "0";
    case TypeKind::Integer:
    case TypeKind::Long:
    case TypeKind::Enum: return std::to_string(ChangeType<Long>(v));
    default: break;
  }
  // A floating-point default, written so that it reads back exactly.
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.17g", ChangeType<Double>(v));
  return buf;
}

std::string ParamText(const ParamInfo& p) {
  if (p.name == kResultName) throw std::logic_error("a parameter named like the result");
  std::string s = p.byRef ? "[in, out" : "[in";
  if (p.optional) s += ", optional";
  if (p.defaultValue && p.byRef && p.type.kind == TypeKind::String)
    s += " " + std::string(kByRefStringDefault) + "(" + DefaultText(*p.defaultValue, p.type) + ")";
  else if (p.defaultValue)
    s += ", defaultvalue(" + DefaultText(*p.defaultValue, p.type) + ")";
  s += "] " + TypeText(p.type) + (p.byRef ? "* " : " ");
  return s + std::string(p.name);
}

void WriteMember(const MemberInfo& m, std::ostream& out) {
  out << "        [id(" << Hex(m.dispid) << ")";
  if (m.kind == MemberKind::PropertyGet) out << ", propget";
  if (m.kind == MemberKind::PropertyPut) out << ", propput";
  if (!m.doc.empty()) out << ", helpstring(" << Quoted(m.doc) << ")";
  out << "]\n        HRESULT " << m.name << "(";
  std::string sep;
  for (const ParamInfo& p : m.params) {
    out << sep << ParamText(p);
    sep = ", ";
  }
  if (m.result.kind != TypeKind::Void) out << sep << "[out, retval] " << TypeText(m.result) << "* " << kResultName;
  out << ");\n";
}

void WriteInterface(const InterfaceInfo& iface, std::ostream& out) {
  out << "    [\n"
      << "        odl,\n"
      << "        uuid(" << iface.guid << "),\n"
      << "        hidden,\n"
      << "        dual,\n"
      << "        nonextensible,\n"
      << "        oleautomation\n"
      << "    ]\n"
      << "    interface " << iface.name << " : IDispatch\n"
      << "    {\n";
  int slot = 0;
  for (const MemberInfo& m : iface.members) {
    // The members are written in table order, which is the slot order.
    if (m.slot != slot++) throw std::logic_error("members out of slot order in " + std::string(iface.name));
    WriteMember(m, out);
  }
  out << "    };\n\n";
}

}  // namespace

void WriteIdl(std::ostream& out) {
  const TypeLibraryInfo& lib = TypeLibrary();
  out << "// The " << lib.name << " type library, written by `kortools describe --idl` from the\n"
      << "// library's type information. Do not edit: regenerate it.\n"
      << "import \"oaidl.idl\";\n\n"
      << "// widl takes no string default on a by-reference parameter: it compiles 0\n"
      << "// in its place, which the build replaces by the string.\n"
      << "#ifdef __WIDL__\n"
      << "#define " << kByRefStringDefault << "(text) , defaultvalue(0)\n"
      << "#else\n"
      << "#define " << kByRefStringDefault << "(text) , defaultvalue(text)\n"
      << "#endif\n\n"
      << "[\n"
      << "    uuid(" << lib.guid << "),\n"
      << "    version(" << lib.majorVersion << "." << lib.minorVersion << ")\n"
      << "]\n"
      << "library " << lib.name << "\n"
      << "{\n"
      << "    importlib(\"stdole2.tlb\");\n\n";
  for (const ClassInfo& c : lib.classes) out << "    interface " << c.iface.name << ";\n";
  out << "\n";
  for (const EnumInfo& e : lib.enums) {
    out << "    typedef enum " << e.name << "\n    {\n";
    std::string sep;
    for (const EnumMember& m : e.members) {
      out << sep << "        " << m.name << " = " << Number(m.value);
      sep = ",\n";
    }
    out << "\n    } " << e.name << ";\n\n";
  }
  for (const ClassInfo& c : lib.classes) {
    WriteInterface(c.iface, out);
    if (c.name != "korFileMan") continue;
    // Earlier identifiers of the interface, so that clients built against an
    // earlier version still reach the current one.
    int n = 0;
    for (std::string_view guid : lib.fileManAliases)
      out << "    typedef [uuid(" << guid << "), public, hidden] " << c.iface.name << " " << c.iface.name << "___v"
          << n++ << ";\n";
    if (n) out << "\n";
  }
  for (const ClassInfo& c : lib.classes) {
    // Every class is creatable and also a global application object, so its
    // members can be called unqualified. (widl has no attribute for the
    // predeclared-instance flag; the global instance comes from appobject.)
    out << "    [\n"
        << "        uuid(" << c.guid << "),\n"
        << "        appobject\n"
        << "    ]\n"
        << "    coclass " << c.name << "\n"
        << "    {\n"
        << "        [default] interface " << c.iface.name << ";\n"
        << "    };\n";
    if (&c != &lib.classes.back()) out << "\n";
  }
  out << "};\n";
}

}  // namespace kor::host
