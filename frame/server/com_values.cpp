#include "frame/server/com_values.h"

#include <cstdint>
#include <cstring>

#include "frame/server/host_object.h"
#include "kortools/error.h"

namespace kor::server {
namespace {

// Releases a SAFEARRAY's data lock at the end of a scope.
class ArrayData {
 public:
  explicit ArrayData(SAFEARRAY* array) : array_(array) {
    if (FAILED(SafeArrayAccessData(array_, &data_))) throw Error::Runtime(10);
  }
  ~ArrayData() { SafeArrayUnaccessData(array_); }
  ArrayData(const ArrayData&) = delete;
  ArrayData& operator=(const ArrayData&) = delete;
  template <typename T>
  T* As() const {
    return static_cast<T*>(data_);
  }

 private:
  SAFEARRAY* array_;
  void* data_ = nullptr;
};

Long Bound(const SAFEARRAY* array, UINT dim, bool upper) {
  LONG value = 0;
  auto* a = const_cast<SAFEARRAY*>(array);
  const HRESULT status = upper ? SafeArrayGetUBound(a, dim, &value) : SafeArrayGetLBound(a, dim, &value);
  if (FAILED(status)) throw Error::Runtime(9);
  return value;
}

// The numeric types the library has no own type for arrive as Double.
Variant AsDouble(const VARIANT& v) {
  VARIANT d;
  VariantInit(&d);
  const HRESULT status = VariantChangeType(&d, const_cast<VARIANT*>(&v), 0, VT_R8);
  if (status == DISP_E_OVERFLOW) throw Error::Runtime(6);
  if (FAILED(status)) throw Error::Runtime(13);
  return V_R8(&d);
}

void StoreArray(const Variant& value, SAFEARRAY** target, VARTYPE elementType) {
  const auto* array = value.get_if<StringArray>();
  if (!array) throw Error::Runtime(13);
  SAFEARRAY* fresh = ToSafeArray(*array, elementType);
  if (*target) SafeArrayDestroy(*target);
  *target = fresh;
}

void StoreString(const Variant& value, BSTR* target) {
  BSTR fresh = ToBstr(ChangeType<String>(value));
  SysFreeString(*target);
  *target = fresh;
}

void StoreVariant(const Variant& value, VARIANT* target) {
  VARIANT fresh;
  // A string array keeps the element type of the array the variable held.
  const auto* array = value.get_if<StringArray>();
  if (array && V_VT(target) == (VT_ARRAY | VT_BSTR)) {
    VariantInit(&fresh);
    V_ARRAY(&fresh) = ToSafeArray(*array, VT_BSTR);
    V_VT(&fresh) = VT_ARRAY | VT_BSTR;
  } else {
    ToVariant(value, &fresh);
  }
  VariantClear(target);
  *target = fresh;
}

}  // namespace

String FromBstr(BSTR text) {
  if (!text) return {};
  return String(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

BSTR ToBstr(const String& text) {
  BSTR result = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
  if (!result) throw Error::Runtime(7);
  return result;
}

StringArray FromSafeArray(const SAFEARRAY* array) {
  StringArray result;
  if (!array) return result;
  const UINT dims = SafeArrayGetDim(const_cast<SAFEARRAY*>(array));
  if (dims == 1) {
    result.ReDim(Bound(array, 1, false), Bound(array, 1, true));
  } else if (dims == 2) {
    result.ReDim(Bound(array, 1, false), Bound(array, 1, true), Bound(array, 2, false), Bound(array, 2, true));
  } else {
    throw Error::Runtime(13);
  }
  VARTYPE type = VT_EMPTY;
  SafeArrayGetVartype(const_cast<SAFEARRAY*>(array), &type);
  if (type != VT_BSTR && type != VT_VARIANT) throw Error::Runtime(13);
  if (result.size() == 0) return result;
  // Both store the first index fastest.
  ArrayData data(const_cast<SAFEARRAY*>(array));
  auto& items = result.Items();
  for (std::size_t i = 0; i < items.size(); ++i) {
    items[i] = type == VT_BSTR ? FromBstr(data.As<BSTR>()[i]) : ChangeType<String>(FromVariant(data.As<VARIANT>()[i]));
  }
  return result;
}

SAFEARRAY* ToSafeArray(const StringArray& array, VARTYPE elementType) {
  const auto& bounds = array.AllBounds();
  if (bounds.empty()) return nullptr;
  SAFEARRAYBOUND dims[2]{};
  for (std::size_t d = 0; d < bounds.size(); ++d) {
    dims[d].lLbound = bounds[d].lower;
    dims[d].cElements = static_cast<ULONG>(bounds[d].upper - bounds[d].lower + 1);
  }
  SAFEARRAY* result = SafeArrayCreate(elementType, static_cast<UINT>(bounds.size()), dims);
  if (!result) throw Error::Runtime(7);
  if (array.size() == 0) return result;
  try {
    ArrayData data(result);
    const auto& items = array.Items();
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (elementType == VT_BSTR) {
        data.As<BSTR>()[i] = ToBstr(items[i]);
      } else {
        VARIANT& v = data.As<VARIANT>()[i];
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = ToBstr(items[i]);
      }
    }
  } catch (...) {
    SafeArrayDestroy(result);
    throw;
  }
  return result;
}

Variant FromVariant(const VARIANT& v) {
  const VARIANT* p = &v;
  if (V_VT(p) == (VT_VARIANT | VT_BYREF)) p = V_VARIANTREF(p);
  const bool ref = (V_VT(p) & VT_BYREF) != 0;
  const VARTYPE type = V_VT(p) & ~VT_BYREF;
  if (type & VT_ARRAY) return FromSafeArray(ref ? *V_ARRAYREF(p) : V_ARRAY(p));
  switch (type) {
    case VT_EMPTY: return {};
    case VT_NULL: throw Error(94, u"Invalid use of Null");
    case VT_ERROR:
      if ((ref ? *V_ERRORREF(p) : V_ERROR(p)) == DISP_E_PARAMNOTFOUND) return Variant::Missing();
      throw Error::Runtime(13);
    case VT_I2: return Integer{ref ? *V_I2REF(p) : V_I2(p)};
    case VT_I4: return Long{ref ? *V_I4REF(p) : V_I4(p)};
    case VT_R4: return Single{ref ? *V_R4REF(p) : V_R4(p)};
    case VT_R8: return Double{ref ? *V_R8REF(p) : V_R8(p)};
    case VT_DATE: return Date{ref ? *V_DATEREF(p) : V_DATE(p)};
    case VT_BSTR: return FromBstr(ref ? *V_BSTRREF(p) : V_BSTR(p));
    case VT_BOOL: return Boolean::FromRaw(ref ? *V_BOOLREF(p) : V_BOOL(p));
    case VT_DISPATCH: return ObjectFromDispatch(ref ? *V_DISPATCHREF(p) : V_DISPATCH(p));
    case VT_UNKNOWN: {
      IUnknown* unknown = ref ? *V_UNKNOWNREF(p) : V_UNKNOWN(p);
      if (!unknown) return Object{};
      IDispatch* object = nullptr;
      if (FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&object)))) throw Error::Runtime(13);
      Object result = ObjectFromDispatch(object);
      object->Release();
      return result;
    }
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_CY:
    case VT_DECIMAL: return AsDouble(*p);
    default: throw Error::Runtime(13);
  }
}

void ToVariant(const Variant& value, VARIANT* out) {
  VariantInit(out);
  switch (value.type()) {
    case Variant::Type::Empty: break;
    case Variant::Type::Missing:
      V_VT(out) = VT_ERROR;
      V_ERROR(out) = DISP_E_PARAMNOTFOUND;
      break;
    case Variant::Type::Integer:
      V_VT(out) = VT_I2;
      V_I2(out) = *value.get_if<Integer>();
      break;
    case Variant::Type::Long:
      V_VT(out) = VT_I4;
      V_I4(out) = *value.get_if<Long>();
      break;
    case Variant::Type::Single:
      V_VT(out) = VT_R4;
      V_R4(out) = *value.get_if<Single>();
      break;
    case Variant::Type::Double:
      V_VT(out) = VT_R8;
      V_R8(out) = *value.get_if<Double>();
      break;
    case Variant::Type::Date:
      V_VT(out) = VT_DATE;
      V_DATE(out) = value.get_if<Date>()->value;
      break;
    case Variant::Type::String:
      V_BSTR(out) = ToBstr(*value.get_if<String>());
      V_VT(out) = VT_BSTR;
      break;
    case Variant::Type::Boolean:
      V_VT(out) = VT_BOOL;
      V_BOOL(out) = value.get_if<Boolean>()->value;
      break;
    case Variant::Type::Object:
      V_VT(out) = VT_DISPATCH;
      V_DISPATCH(out) = DispatchOf(*value.get_if<Object>());
      break;
    case Variant::Type::Array:
      V_ARRAY(out) = ToSafeArray(*value.get_if<StringArray>(), VT_VARIANT);
      V_VT(out) = VT_ARRAY | VT_VARIANT;
      break;
  }
}

void WriteBack(const Variant& value, VARIANT& target) {
  if (!(V_VT(&target) & VT_BYREF)) return;
  const VARTYPE type = V_VT(&target) & ~VT_BYREF;
  if (type == VT_VARIANT) return StoreVariant(value, V_VARIANTREF(&target));
  if (type & VT_ARRAY)
    return StoreArray(value, V_ARRAYREF(&target), (type & ~VT_ARRAY) == VT_BSTR ? VT_BSTR : VT_VARIANT);
  switch (type) {
    case VT_BSTR: return StoreString(value, V_BSTRREF(&target));
    case VT_I2: *V_I2REF(&target) = ChangeType<Integer>(value); return;
    case VT_I4: *V_I4REF(&target) = ChangeType<Long>(value); return;
    case VT_R4: *V_R4REF(&target) = ChangeType<Single>(value); return;
    case VT_R8: *V_R8REF(&target) = ChangeType<Double>(value); return;
    case VT_DATE: *V_DATEREF(&target) = ChangeType<Date>(value).value; return;
    case VT_BOOL: *V_BOOLREF(&target) = ChangeType<Boolean>(value).value; return;
    default: return;  // objects are never replaced; other types are not the library's
  }
}

Variant FromRawArgument(const ParamInfo& param, void* raw) {
  const auto bits = reinterpret_cast<std::uintptr_t>(raw);
  if (!param.byRef) {
    switch (param.type.kind) {
      case TypeKind::String: return FromBstr(static_cast<BSTR>(raw));
      case TypeKind::Integer: return static_cast<Integer>(bits);
      case TypeKind::Long:
      case TypeKind::Enum: return static_cast<Long>(bits);
      case TypeKind::Boolean: return Boolean::FromRaw(static_cast<std::int16_t>(bits));
      case TypeKind::Object: return ObjectFromDispatch(static_cast<IDispatch*>(raw));
      // Variants and floating-point values by value are not one machine word
      // (or not in the same register); no member takes one.
      default: throw Error::Runtime(13);
    }
  }
  if (!raw) return Variant::Missing();
  switch (param.type.kind) {
    case TypeKind::String: return FromBstr(*static_cast<BSTR*>(raw));
    case TypeKind::Integer: return *static_cast<Integer*>(raw);
    case TypeKind::Long:
    case TypeKind::Enum: return *static_cast<Long*>(raw);
    case TypeKind::Single: return *static_cast<Single*>(raw);
    case TypeKind::Double: return *static_cast<Double*>(raw);
    case TypeKind::Date: return Date{*static_cast<double*>(raw)};
    case TypeKind::Boolean: return Boolean::FromRaw(*static_cast<VARIANT_BOOL*>(raw));
    case TypeKind::Variant: return FromVariant(*static_cast<VARIANT*>(raw));
    case TypeKind::Object: return ObjectFromDispatch(*static_cast<IDispatch**>(raw));
    case TypeKind::StringArray: return FromSafeArray(*static_cast<SAFEARRAY**>(raw));
    case TypeKind::Void: break;
  }
  throw Error::Runtime(13);
}

void StoreRawArgument(const ParamInfo& param, const Variant& value, void* raw) {
  if (!param.byRef || !raw || value.IsMissing()) return;
  switch (param.type.kind) {
    case TypeKind::String: return StoreString(value, static_cast<BSTR*>(raw));
    case TypeKind::StringArray: return StoreArray(value, static_cast<SAFEARRAY**>(raw), VT_BSTR);
    case TypeKind::Variant: {
      auto* target = static_cast<VARIANT*>(raw);
      // The caller's own variable, when it passed a reference in the VARIANT.
      if (V_VT(target) & VT_BYREF) return WriteBack(value, *target);
      return StoreVariant(value, target);
    }
    case TypeKind::Object: return;
    default: StoreResult(param.type, value, raw);
  }
}

void StoreResult(const TypeRef& type, const Variant& value, void* retval) {
  switch (type.kind) {
    case TypeKind::Void: return;
    case TypeKind::String: *static_cast<BSTR*>(retval) = ToBstr(ChangeType<String>(value)); return;
    case TypeKind::Integer: *static_cast<Integer*>(retval) = ChangeType<Integer>(value); return;
    case TypeKind::Long:
    case TypeKind::Enum: *static_cast<Long*>(retval) = ChangeType<Long>(value); return;
    case TypeKind::Single: *static_cast<Single*>(retval) = ChangeType<Single>(value); return;
    case TypeKind::Double: *static_cast<Double*>(retval) = ChangeType<Double>(value); return;
    case TypeKind::Date: *static_cast<double*>(retval) = ChangeType<Date>(value).value; return;
    case TypeKind::Boolean: *static_cast<VARIANT_BOOL*>(retval) = ChangeType<Boolean>(value).value; return;
    case TypeKind::Variant: ToVariant(value, static_cast<VARIANT*>(retval)); return;
    case TypeKind::Object: {
      const auto* object = value.get_if<Object>();
      *static_cast<IDispatch**>(retval) = object ? DispatchOf(*object) : nullptr;
      return;
    }
    case TypeKind::StringArray: {
      const auto* array = value.get_if<StringArray>();
      if (!array) throw Error::Runtime(13);
      *static_cast<SAFEARRAY**>(retval) = ToSafeArray(*array, VT_BSTR);
      return;
    }
  }
}

}  // namespace kor::server
