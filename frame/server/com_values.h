// Values across the automation boundary: the library's Variant, String and
// StringArray to and from the system's VARIANT, BSTR and SAFEARRAY.
//
//   VARIANT v;                                  // from a client, maybe by reference
//   kor::Variant x = kor::server::FromVariant(v);   // the value it refers to
//   ... the member changes x ...
//   kor::server::WriteBack(x, v);               // into the caller's variable, if by reference
//
// A VARIANT holding an object becomes a kor::HostWindow that asks the object
// for its Left, Top, ... through IDispatch. Arrays of BSTR and arrays of
// VARIANT convert to string arrays; a string array written back into a
// script's Variant variable is an array of VARIANT (each a BSTR), which every
// script engine can index.
#pragma once

#include <ole2.h>
#include <oleauto.h>

#include "kortools/string_array.h"
#include "kortools/typeinfo.h"
#include "kortools/variant.h"

namespace kor::server {

String FromBstr(BSTR text);
// A new BSTR; null for the empty string, as the automation runtime allows.
BSTR ToBstr(const String& text);

StringArray FromSafeArray(const SAFEARRAY* array);
// A new array of `elementType` (VT_BSTR or VT_VARIANT).
SAFEARRAY* ToSafeArray(const StringArray& array, VARTYPE elementType);

// The value of `v`, following one level of reference. DISP_E_PARAMNOTFOUND
// is the missing-argument marker; VT_NULL raises error 94, other types the
// library has no use for error 13.
Variant FromVariant(const VARIANT& v);

// `value` into a new VARIANT (`out` is initialised, not cleared first).
void ToVariant(const Variant& value, VARIANT* out);

// Stores `value` in the caller's variable when `target` is a reference to
// one, converted to the variable's type; nothing otherwise.
void WriteBack(const Variant& value, VARIANT& target);

// A parameter's value read from a raw argument of a virtual-table call, and
// stored back into it; `raw` is the argument as the caller passed it (the
// value itself, or a pointer for a by-reference parameter).
Variant FromRawArgument(const ParamInfo& param, void* raw);
void StoreRawArgument(const ParamInfo& param, const Variant& value, void* raw);
// A result into the caller's retval pointer of the member's result type.
void StoreResult(const TypeRef& type, const Variant& value, void* retval);

}  // namespace kor::server
