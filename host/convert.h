// Values between the request form and the library's types. Each parameter,
// field and result has a declared type; its JSON form follows that type:
//
//   String             "text" (null reads as the empty string)
//   Integer, Long,     a number; a fraction rounds half to even, a value out
//   an enumeration     of range is error 6
//   Single, Double     a number
//   Boolean            true / false, or a number (non-zero is True)
//   Date               a number: days since 30 December 1899
//   Variant            {"Subtype": value}, or a plain value (string, number,
//                      true/false, null for Empty)
//   String()           {"lbound": L, "items": [...]}, {"items": null},
//                      {"lbounds": [L1, L2], "items": [[...], ...]}
//   Object             {"window": {...}, "refuse": [...]} (see window.h)
//
// {"Missing": null} stands for an optional argument left out, whatever the
// type. A value of another JSON shape is error 13; a number beyond the range
// of a Double (1e400) is error 6 for every numeric type.
#pragma once

#include "host/json.h"
#include "kortools/typeinfo.h"
#include "kortools/variant.h"

namespace kor::host {

// The request value `v` as a value of the declared type (held in a Variant of
// exactly that type; an enumeration as a Long).
Variant FromJson(const json::Value& v, const TypeRef& type);

// A value of the declared type in the request form; a Variant in the tagged
// form.
json::Value ToJson(const Variant& v, const TypeRef& type);

// A Variant in the tagged form: {"Long": 5}; an array or a window in its own
// form.
json::Value TaggedJson(const Variant& v);

// The plain or tagged form of a Variant argument.
Variant VariantFromJson(const json::Value& v);

// True for {"Missing": null}.
bool IsMissingForm(const json::Value& v);

// A JSON number as a Double: error 13 for another value, 6 when it lies
// beyond the range of a Double.
double NumberOf(const json::Value& v);

}  // namespace kor::host
