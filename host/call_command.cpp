// Arguments are text and convert by the parameter's declared type:
//
//   String                 the text itself (UTF-8)
//   Integer, Long, Single, numeric text as the automation runtime reads it
//   Double                 ("12", "-1.5", "1E3", "&HFF")
//   an enumeration         a member's name (HKEY_CURRENT_USER) or a number
//   Boolean                True / False, or a number
//   Date                   a number, or "YYYY-MM-DD[ HH:MM[:SS]]"
//   Variant                the JSON forms of `serve` when the text is a JSON
//                          object ({"Long": 5}), otherwise a String
//   String(), Object       the JSON forms of `serve`
//
// {"Missing": null} leaves an optional argument out. An output parameter (its
// name begins with "o_") after the last argument given gets a fresh empty
// variable of its type, so that outputs need not be written. Any other
// required argument left out is error 449 "Argument not optional", raised by
// the late-bound call as a script's call would get it; the message names the
// argument.
#include "host/call_command.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <ostream>

#include "host/convert.h"
#include "host/invoke.h"
#include "host/json.h"
#include "kortools/dispatch.h"
#include "kortools/utf.h"

namespace kor::host {
namespace {

std::string Utf8(std::u16string_view s) { return text::ToUtf8(s); }

// Text of the command line: refused, not repaired, when it is not UTF-8.
std::optional<String> Utf16(std::string_view s) {
  String out;
  if (!text::AppendUtf16(out, s, text::Policy::kStrict)) return std::nullopt;
  return out;
}

bool SameName(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

// The text as JSON, when it is a JSON object.
std::optional<json::Value> JsonObject(const std::string& text) {
  json::Value v;
  std::string error;
  if (text.find('{') == std::string::npos || !json::Parse(text, v, error) || v.kind() != json::Value::Kind::Object)
    return std::nullopt;
  return v;
}

Variant FromText(const std::string& text, const ParamInfo& param) {
  const std::optional<json::Value> asJson = JsonObject(text);
  if (asJson && IsMissingForm(*asJson)) return Variant::Missing();
  switch (param.type.kind) {
    case TypeKind::StringArray:
    case TypeKind::Object:
      if (!asJson) throw Error::Runtime(13);
      return FromJson(*asJson, param.type);
    case TypeKind::Variant:
      if (asJson) return VariantFromJson(*asJson);
      break;
    default: break;
  }
  const std::optional<String> s = Utf16(text);
  if (!s) Refuse(5, u"the text is not UTF-8");
  Variant v = *s;
  switch (param.type.kind) {
    case TypeKind::String:
    case TypeKind::Variant: return v;
    case TypeKind::Integer: return ChangeType<Integer>(v);
    case TypeKind::Long: return ChangeType<Long>(v);
    case TypeKind::Single: return ChangeType<Single>(v);
    case TypeKind::Double: return ChangeType<Double>(v);
    case TypeKind::Date: return ChangeType<Date>(v);
    case TypeKind::Boolean: return ChangeType<Boolean>(v);
    case TypeKind::Enum:
      if (const EnumInfo* e = FindEnum(param.type.enumName))
        for (const EnumMember& m : e->members)
          if (SameName(text, m.name)) return Long{m.value};
      return ChangeType<Long>(v);
    default: throw Error::Runtime(13);
  }
}

// An output of the member: the library names its outputs "o_...". Such a
// parameter left out at the end gets a fresh variable.
bool IsOutput(const ParamInfo& p) { return p.byRef && !p.optional && p.name.starts_with("o_"); }

// Which argument a description is about.
String ArgumentContext(std::size_t i, const ParamInfo& p) {
  return u" (argument " + Text(std::to_string(i + 1)) + u", " + Text(p.name) + u" As " + Text(TypeName(p.type)) + u")";
}

// A fresh variable of the parameter's type, for an output left out.
Variant Fresh(const TypeRef& type) {
  switch (type.kind) {
    case TypeKind::String: return String();
    case TypeKind::Integer: return Integer{0};
    case TypeKind::Long:
    case TypeKind::Enum: return Long{0};
    case TypeKind::Single: return Single{0};
    case TypeKind::Double: return Double{0};
    case TypeKind::Date: return Date{};
    case TypeKind::Boolean: return Boolean(false);
    case TypeKind::StringArray: return StringArray();
    default: return Variant();  // Variant: Empty; Object: Nothing
  }
}

// A value for a person: strings as they are, numbers and dates as the
// runtime writes them, arrays one element per line.
void Print(std::ostream& out, const std::string& name, const Variant& v) {
  const std::string prefix = name.empty() ? "" : name + " = ";
  if (const auto* a = v.get_if<StringArray>()) {
    if (a->size() == 0) {
      out << prefix << "(no elements)\n";
      return;
    }
    const auto& b = a->AllBounds();
    const std::int64_t rows = static_cast<std::int64_t>(b[0].upper) - b[0].lower + 1;
    for (std::size_t k = 0; k < a->size(); ++k) {
      const auto at = static_cast<std::int64_t>(k);
      std::string index = std::to_string(b[0].lower + at % rows);
      if (a->Dims() == 2) index += ", " + std::to_string(b[1].lower + at / rows);
      out << name << "(" << index << ") = " << Utf8(a->Items()[k]) << "\n";
    }
  } else if (v.get_if<Object>()) {
    out << prefix << json::Write(TaggedJson(v)) << "\n";
  } else if (v.IsMissing()) {
    out << prefix << "(missing)\n";
  } else {
    out << prefix << Utf8(ChangeType<String>(v)) << "\n";
  }
}

}  // namespace

int RunCall(const std::string& qualified, const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            std::size_t maxArrayElements) {
  std::vector<String> messages;
  try {
    const auto name = Utf16(qualified);
    if (!name) Refuse(5, u"the member name is not UTF-8");
    const auto [cls, memberName] = SplitQualified(*name);
    if (memberName.empty()) Refuse(5, u"name the member as Class.Member");
    const MemberInfo& member = MethodNamed(*cls, memberName);
    CheckArgumentCount(member, args.size());

    std::vector<Variant> vars;
    for (std::size_t i = 0; i < args.size(); ++i) {
      const ParamInfo& p = member.params[i];
      try {
        vars.push_back(FromText(args[i], p));
      } catch (const Error& e) {
        throw Error(e.Number(), e.Description() + ArgumentContext(i, p));
      }
    }
    // Outputs left out at the end get fresh variables.
    std::vector<bool> fresh(args.size(), false);
    std::size_t last = args.size();
    for (std::size_t i = args.size(); i < member.params.size(); ++i)
      if (IsOutput(member.params[i])) last = i + 1;
    for (std::size_t i = args.size(); i < last; ++i) {
      const bool output = IsOutput(member.params[i]);
      vars.push_back(output ? Fresh(member.params[i].type) : Variant::Missing());
      fresh.push_back(output);
    }

    const std::vector<Variant> before = vars;
    AutomationObject object = AutomationObject::Global(cls->name);
    Variant result;
    {
      std::optional<std::size_t> refused;
      HookScope hooks(messages, ScreenSize{}, maxArrayElements, &refused);
      try {
        result = object.Invoke(member, vars);
      } catch (const std::bad_alloc&) {
        throw Error::Runtime(7);
      } catch (const Error& e) {
        if (e.Number() != 449) throw;
        // The first required argument left out is the one refused.
        std::size_t i = 0;
        while (i < member.params.size() && (member.params[i].optional || (i < vars.size() && !vars[i].IsMissing())))
          ++i;
        if (i == member.params.size()) throw;
        throw Error(449, e.Description() + ArgumentContext(i, member.params[i]));
      }
      // An array beyond the limit is an error, also where the member goes on.
      if (refused) throw ArrayLimitError(*refused, maxArrayElements);
    }
    for (const auto& m : messages) err << "message: " << Utf8(m) << "\n";
    if (member.result.kind != TypeKind::Void) Print(out, "", result);
    for (std::size_t i = 0; i < vars.size(); ++i)
      if (member.params[i].byRef && (fresh[i] || !(vars[i] == before[i])))
        Print(out, std::string(member.params[i].name), vars[i]);
    return 0;
  } catch (const Error& e) {
    for (const auto& m : messages) err << "message: " << Utf8(m) << "\n";
    err << "error " << e.Number() << ": " << Utf8(e.Description()) << "\n";
    return 1;
  }
}

}  // namespace kor::host
