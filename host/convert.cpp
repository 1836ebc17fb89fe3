#include "host/convert.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

#include "host/window.h"
#include "kortools/error.h"

namespace kor::host {
namespace {

using Kind = json::Value::Kind;

[[noreturn]] void Mismatch() { throw Error::Runtime(13); }

String StringOf(const json::Value& v) {
  if (v.IsNull()) return String();
  if (v.kind() != Kind::String) Mismatch();
  return v.string();
}

Long LongOf(const json::Value& v) { return ChangeType<Long>(Double{NumberOf(v)}); }

// A bound plus a count, as the upper bound of a dimension.
Long UpperBound(Long lower, std::size_t count) {
  const std::int64_t upper = static_cast<std::int64_t>(lower) + static_cast<std::int64_t>(count) - 1;
  if (count > static_cast<std::size_t>(std::numeric_limits<Long>::max()) || upper > std::numeric_limits<Long>::max() ||
      upper < std::numeric_limits<Long>::min())
    throw Error::Runtime(6);
  return static_cast<Long>(upper);
}

StringArray ArrayFromJson(const json::Value& v) {
  if (v.kind() != Kind::Object) Mismatch();
  const json::Value* items = v.Find("items");
  const json::Value* lbound = v.Find("lbound");
  const json::Value* lbounds = v.Find("lbounds");
  if (!items || (lbound && lbounds)) Mismatch();
  for (const auto& m : v.object())
    if (m.key != u"items" && m.key != u"lbound" && m.key != u"lbounds") Mismatch();

  StringArray a;
  if (items->IsNull()) return a;  // no dimensions
  if (items->kind() != Kind::Array) Mismatch();
  const auto& rows = items->array();
  if (!lbounds) {
    const Long lower = lbound ? LongOf(*lbound) : 0;
    a.ReDim(lower, UpperBound(lower, rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) a.Items()[i] = StringOf(rows[i]);
    return a;
  }
  if (lbounds->kind() != Kind::Array || lbounds->array().size() != 2) Mismatch();
  const Long lower1 = LongOf(lbounds->array()[0]);
  const Long lower2 = LongOf(lbounds->array()[1]);
  std::size_t columns = 0;
  for (const auto& row : rows) {
    if (row.kind() != Kind::Array) Mismatch();
    if (&row != &rows.front() && row.array().size() != columns) Mismatch();
    columns = row.array().size();
  }
  a.ReDim(lower1, UpperBound(lower1, rows.size()), lower2, UpperBound(lower2, columns));
  // Elements are stored with the first index varying fastest.
  for (std::size_t i = 0; i < rows.size(); ++i)
    for (std::size_t j = 0; j < columns; ++j) a.Items()[i + j * rows.size()] = StringOf(rows[i].array()[j]);
  return a;
}

json::Value ArrayToJson(const StringArray& a) {
  json::Value out = json::Value::Object();
  if (a.Dims() == 0) return out.Add("items", json::Value());
  if (a.Dims() == 1) {
    json::Value items = json::Value::Array();
    items.array().reserve(a.size());
    for (const auto& s : a.Items()) items.Push(json::Value::String(s));
    return out.Add("lbound", json::Value::Whole(a.LBound(1))).Add("items", std::move(items));
  }
  const auto& b = a.AllBounds();
  const auto rows = static_cast<std::size_t>(static_cast<std::int64_t>(b[0].upper) - b[0].lower + 1);
  const auto columns = static_cast<std::size_t>(static_cast<std::int64_t>(b[1].upper) - b[1].lower + 1);
  json::Value items = json::Value::Array();
  items.array().reserve(rows);
  for (std::size_t i = 0; i < rows; ++i) {
    json::Value row = json::Value::Array();
    row.array().reserve(columns);
    for (std::size_t j = 0; j < columns; ++j) row.Push(json::Value::String(a.Items()[i + j * rows]));
    items.Push(std::move(row));
  }
  return out.Add("lbounds", json::Value::Array({json::Value::Whole(b[0].lower), json::Value::Whole(b[1].lower)}))
      .Add("items", std::move(items));
}

json::Value ObjectToJson(const Object& o) {
  if (const auto* w = dynamic_cast<const RecordingWindow*>(o.get())) return w->ToJson();
  return json::Value();  // Nothing, or an object the host did not make
}

// The scalar types, by their declared kind.
Variant ScalarFromJson(const json::Value& v, TypeKind kind) {
  switch (kind) {
    case TypeKind::String: return StringOf(v);
    case TypeKind::Integer: return ChangeType<Integer>(Double{NumberOf(v)});
    case TypeKind::Long:
    case TypeKind::Enum: return LongOf(v);
    case TypeKind::Single: return ChangeType<Single>(Double{NumberOf(v)});
    case TypeKind::Double: return Double{NumberOf(v)};
    case TypeKind::Date: return ChangeType<Date>(Double{NumberOf(v)});
    case TypeKind::Boolean:
      if (v.kind() == Kind::Boolean) return Boolean(v.boolean());
      return Boolean(NumberOf(v) != 0.0);
    default: Mismatch();
  }
}

// The declared kind that a Variant subtype converts as.
TypeKind KindOf(Variant::Type t) {
  switch (t) {
    case Variant::Type::Integer: return TypeKind::Integer;
    case Variant::Type::Long: return TypeKind::Long;
    case Variant::Type::Single: return TypeKind::Single;
    case Variant::Type::Double: return TypeKind::Double;
    case Variant::Type::Date: return TypeKind::Date;
    case Variant::Type::String: return TypeKind::String;
    case Variant::Type::Boolean: return TypeKind::Boolean;
    default: return TypeKind::Void;
  }
}

constexpr Variant::Type kTaggedTypes[] = {Variant::Type::Empty, Variant::Type::Missing, Variant::Type::Integer,
                                          Variant::Type::Long,  Variant::Type::Single,  Variant::Type::Double,
                                          Variant::Type::Date,  Variant::Type::String,  Variant::Type::Boolean};

}  // namespace

double NumberOf(const json::Value& v) {
  if (v.kind() != Kind::Number) Mismatch();
  if (!std::isfinite(v.number())) throw Error::Runtime(6);
  return v.number();
}

bool IsMissingForm(const json::Value& v) {
  return v.kind() == Kind::Object && v.object().size() == 1 && v.object()[0].key == u"Missing" &&
         v.object()[0].value.IsNull();
}

Variant VariantFromJson(const json::Value& v) {
  switch (v.kind()) {
    case Kind::Null: return Variant();
    case Kind::Boolean: return Boolean(v.boolean());
    case Kind::String: return v.string();
    case Kind::Number: {
      // A whole number is a Long, as a literal of that size would be; beyond
      // the range of a Long, or with a fraction or an exponent, a Double.
      const double d = NumberOf(v);
      if (v.whole() && d >= std::numeric_limits<Long>::min() && d <= std::numeric_limits<Long>::max())
        return static_cast<Long>(d);
      return Double{d};
    }
    case Kind::Array: Mismatch();
    case Kind::Object: break;
  }
  if (v.object().size() == 1) {
    const auto& [key, value] = v.object()[0];
    for (const Variant::Type t : kTaggedTypes) {
      const std::string_view name = TypeName(t);
      if (key != std::u16string(name.begin(), name.end())) continue;
      if (t == Variant::Type::Empty || t == Variant::Type::Missing) {
        if (!value.IsNull()) Mismatch();
        return t == Variant::Type::Empty ? Variant() : Variant::Missing();
      }
      return ScalarFromJson(value, KindOf(t));
    }
  }
  if (v.Find("window")) return Object(RecordingWindow::FromJson(v));
  if (v.Find("items")) return ArrayFromJson(v);
  Mismatch();
}

Variant FromJson(const json::Value& v, const TypeRef& type) {
  if (IsMissingForm(v)) return Variant::Missing();
  switch (type.kind) {
    case TypeKind::Variant: return VariantFromJson(v);
    case TypeKind::StringArray: return ArrayFromJson(v);
    case TypeKind::Object: return Object(RecordingWindow::FromJson(v));
    default: return ScalarFromJson(v, type.kind);
  }
}

json::Value TaggedJson(const Variant& v) {
  json::Value inner;
  switch (v.type()) {
    case Variant::Type::Empty:
    case Variant::Type::Missing: break;
    case Variant::Type::Integer: inner = json::Value::Whole(*v.get_if<Integer>()); break;
    case Variant::Type::Long: inner = json::Value::Whole(*v.get_if<Long>()); break;
    case Variant::Type::Single: inner = json::Value::Single(*v.get_if<Single>()); break;
    case Variant::Type::Double: inner = json::Value::Number(*v.get_if<Double>()); break;
    case Variant::Type::Date: inner = json::Value::Number(v.get_if<Date>()->value); break;
    case Variant::Type::String: inner = json::Value::String(*v.get_if<String>()); break;
    case Variant::Type::Boolean: inner = json::Value::Boolean(static_cast<bool>(*v.get_if<Boolean>())); break;
    case Variant::Type::Object: return ObjectToJson(*v.get_if<Object>());
    case Variant::Type::Array: return ArrayToJson(*v.get_if<StringArray>());
  }
  json::Value out = json::Value::Object();
  return out.Add(TypeName(v.type()), std::move(inner));
}

json::Value ToJson(const Variant& v, const TypeRef& type) {
  if (v.IsMissing()) return TaggedJson(v);
  switch (type.kind) {
    case TypeKind::Void: return json::Value();
    case TypeKind::String: return json::Value::String(ChangeType<String>(v));
    case TypeKind::Integer:
    case TypeKind::Long:
    case TypeKind::Enum: return json::Value::Whole(ChangeType<Long>(v));
    case TypeKind::Single: return json::Value::Single(ChangeType<Single>(v));
    case TypeKind::Double: return json::Value::Number(ChangeType<Double>(v));
    case TypeKind::Date: return json::Value::Number(ChangeType<Date>(v).value);
    case TypeKind::Boolean: return json::Value::Boolean(static_cast<bool>(ChangeType<Boolean>(v)));
    case TypeKind::Variant: return TaggedJson(v);
    case TypeKind::StringArray:
      if (const auto* a = v.get_if<StringArray>()) return ArrayToJson(*a);
      return ArrayToJson(StringArray());
    case TypeKind::Object:
      if (const auto* o = v.get_if<Object>()) return ObjectToJson(*o);
      return json::Value();
  }
  return json::Value();
}

}  // namespace kor::host
