// Builds a MemberInfo from a pointer to a member function of a default
// interface: the parameter and result types come from the C++ signature, so
// the catalogue states only what the signature cannot (names, dispatch ids,
// defaults, documentation strings).
//
//   Method<&_korParse::ParseString>(0, "ParseString", 0x60030000,
//       {{"i_Line2Parse"}, {"i_ValueDelimiter"}, {"i_IndexOfValue"}}, "Returns ...");
//
// Parameter conventions of the C++ interfaces:
//   T        by value
//   T&       by reference
//   T*       by reference and optional; null when left out without a default
#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <span>
#include <stdexcept>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "kortools/enums.h"
#include "kortools/error.h"
#include "kortools/typeinfo.h"
#include "kortools/variant.h"

namespace kor::binding {

template <typename E>
constexpr std::string_view EnumName() {
  if constexpr (std::is_same_v<E, eRegistryRoots>) return "eRegistryRoots";
  if constexpr (std::is_same_v<E, eRegistryAccessModes>) return "eRegistryAccessModes";
  if constexpr (std::is_same_v<E, eRegistryErrorCodes>) return "eRegistryErrorCodes";
  if constexpr (std::is_same_v<E, eRegistryDataTypes>) return "eRegistryDataTypes";
  if constexpr (std::is_same_v<E, FileActionFlags>) return "FileActionFlags";
}

// The automation type of a plain (unqualified, non-reference) C++ type.
template <typename T>
constexpr TypeRef TypeOf() {
  // clang-format off
  if constexpr (std::is_void_v<T>) return {TypeKind::Void, {}};
  else if constexpr (std::is_same_v<T, String>) return {TypeKind::String, {}};
  else if constexpr (std::is_same_v<T, Integer>) return {TypeKind::Integer, {}};
  else if constexpr (std::is_same_v<T, Long>) return {TypeKind::Long, {}};
  else if constexpr (std::is_same_v<T, Single>) return {TypeKind::Single, {}};
  else if constexpr (std::is_same_v<T, Double>) return {TypeKind::Double, {}};
  else if constexpr (std::is_same_v<T, Date>) return {TypeKind::Date, {}};
  else if constexpr (std::is_same_v<T, Boolean>) return {TypeKind::Boolean, {}};
  else if constexpr (std::is_same_v<T, Variant>) return {TypeKind::Variant, {}};
  else if constexpr (std::is_same_v<T, Object>) return {TypeKind::Object, {}};
  else if constexpr (std::is_same_v<T, StringArray>) return {TypeKind::StringArray, {}};
  else if constexpr (std::is_enum_v<T>) return {TypeKind::Enum, EnumName<T>()};
  else static_assert(!sizeof(T), "not an automation type");
  // clang-format on
}

template <typename P>
using Plain = std::remove_cvref_t<std::remove_pointer_t<std::remove_reference_t<P>>>;

template <typename P>
constexpr bool kByRef = std::is_lvalue_reference_v<P> || std::is_pointer_v<P>;

template <typename P>
constexpr bool kOptional = std::is_pointer_v<P>;

// Conversion of an argument to a parameter's type.
template <typename T>
T FromVariant(const Variant& v) {
  if constexpr (std::is_enum_v<T>) {
    return static_cast<T>(ChangeType<Long>(v));
  } else if constexpr (std::is_same_v<T, StringArray>) {
    if (const auto* a = v.get_if<StringArray>()) return *a;
    throw Error::Runtime(13);
  } else if constexpr (std::is_same_v<T, Object>) {
    if (const auto* o = v.get_if<Object>()) return *o;
    if (v.IsEmpty()) return nullptr;
    throw Error::Runtime(13);
  } else if constexpr (std::is_same_v<T, Variant>) {
    return v;
  } else {
    return ChangeType<T>(v);
  }
}

template <typename T>
Variant ToVariant(T&& value) {
  using U = std::remove_cvref_t<T>;
  if constexpr (std::is_enum_v<U>)
    return Variant(static_cast<Long>(value));
  else
    return Variant(std::forward<T>(value));
}

// Holds one argument for the length of a call.
template <typename P>
class Arg {
  using T = Plain<P>;

 public:
  Arg(Variant& arg, const ParamInfo& param) : arg_(arg) {
    if constexpr (std::is_same_v<T, Variant> && kByRef<P>) {
      // A Variant by reference is the caller's variable itself.
    } else if (arg.IsMissing()) {
      if constexpr (kOptional<P>) {
        if (param.defaultValue) value_.emplace(FromVariant<T>(*param.defaultValue));
      } else {
        throw Error::Runtime(449);
      }
    } else {
      value_.emplace(FromVariant<T>(arg));
    }
  }

  P get() {
    if constexpr (std::is_same_v<T, Variant> && kByRef<P>) {
      if constexpr (std::is_pointer_v<P>)
        return &arg_;
      else
        return arg_;
    } else if constexpr (std::is_pointer_v<P>) {
      return value_ ? &*value_ : nullptr;
    } else if constexpr (std::is_lvalue_reference_v<P>) {
      return *value_;
    } else {
      return std::move(*value_);
    }
  }

  // Copies a by-reference argument back into the caller's variable.
  void WriteBack() {
    if constexpr (std::is_same_v<T, Variant>) {
      return;
    } else if constexpr (kByRef<P>) {
      if (value_ && !arg_.IsMissing()) arg_ = ToVariant(std::move(*value_));
    }
  }

 private:
  Variant& arg_;
  std::optional<T> value_;
};

template <typename M>
struct MemberTraits;

template <typename C, typename R, typename... P>
struct MemberTraits<R (C::*)(P...)> {
  using Class = C;
  using Result = R;
  using Params = std::tuple<P...>;
  static constexpr std::size_t kArity = sizeof...(P);
};

template <auto M, std::size_t... I>
Variant InvokeImpl(void* self, [[maybe_unused]] std::span<Variant> args,
                   [[maybe_unused]] std::span<const ParamInfo> params, std::index_sequence<I...>) {
  using Traits = MemberTraits<decltype(M)>;
  using C = typename Traits::Class;
  auto* object = static_cast<C*>(self);
  std::tuple<Arg<std::tuple_element_t<I, typename Traits::Params>>...> held{
      Arg<std::tuple_element_t<I, typename Traits::Params>>(args[I], params[I])...};
  auto writeBack = [&] { (std::get<I>(held).WriteBack(), ...); };
  try {
    if constexpr (std::is_void_v<typename Traits::Result>) {
      (object->*M)(std::get<I>(held).get()...);
      writeBack();
      return Variant();
    } else {
      Variant result = ToVariant((object->*M)(std::get<I>(held).get()...));
      writeBack();
      return result;
    }
  } catch (...) {
    writeBack();
    throw;
  }
}

template <auto M>
Variant Invoke(void* self, std::span<Variant> args, std::span<const ParamInfo> params) {
  return InvokeImpl<M>(self, args, params, std::make_index_sequence<MemberTraits<decltype(M)>::kArity>());
}

// What the catalogue states of a parameter.
struct ParamDecl {
  std::string_view name;
  std::optional<Variant> defaultValue = std::nullopt;
};

template <typename Params, std::size_t... I>
std::vector<ParamInfo> MakeParams(std::initializer_list<ParamDecl> decls, std::index_sequence<I...>) {
  std::vector<ParamInfo> out;
  [[maybe_unused]] const ParamDecl* decl = decls.begin();
  [[maybe_unused]] auto add = [&](ParamInfo p) {
    if (!p.optional && decl->defaultValue) throw std::logic_error("a default on a required parameter");
    p.name = decl->name;
    p.defaultValue = decl->defaultValue;
    out.push_back(std::move(p));
    ++decl;
  };
  (add(ParamInfo{{},
                 TypeOf<Plain<std::tuple_element_t<I, Params>>>(),
                 kByRef<std::tuple_element_t<I, Params>>,
                 kOptional<std::tuple_element_t<I, Params>>,
                 {}}),
   ...);
  return out;
}

template <auto M>
MemberInfo Member(int slot, std::string_view name, MemberKind kind, std::int32_t dispid,
                  std::initializer_list<ParamDecl> params, std::string_view doc) {
  using Traits = MemberTraits<decltype(M)>;
  if (params.size() != Traits::kArity) throw std::logic_error("parameter names do not match the signature");
  MemberInfo m;
  m.slot = slot;
  m.name = name;
  m.kind = kind;
  m.dispid = dispid;
  m.params = MakeParams<typename Traits::Params>(params, std::make_index_sequence<Traits::kArity>());
  m.result = TypeOf<Plain<typename Traits::Result>>();
  m.doc = doc;
  m.invoke = &Invoke<M>;
  return m;
}

template <auto M>
MemberInfo Method(int slot, std::string_view name, std::int32_t dispid, std::initializer_list<ParamDecl> params,
                  std::string_view doc = {}) {
  return Member<M>(slot, name, MemberKind::Method, dispid, params, doc);
}

}  // namespace kor::binding
