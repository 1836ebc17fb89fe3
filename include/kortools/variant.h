// The automation Variant: a tagged value.
//
//   kor::Variant v;                       // Empty
//   kor::Variant m = kor::Variant::Missing();  // an optional argument left out
//   kor::Variant s = kor::String(u"12.5");
//   kor::Long n = kor::ChangeType<kor::Long>(s);   // 12 (half to even)
//
// Besides the scalar subtypes a Variant can hold an object reference and a
// string array, so that late-bound calls can pass every parameter type.
#pragma once

#include <string_view>
#include <variant>

#include "kortools/export.h"
#include "kortools/object.h"
#include "kortools/string_array.h"
#include "kortools/types.h"

namespace kor {

class KORTOOLS_API Variant {
 public:
  enum class Type { Empty, Missing, Integer, Long, Single, Double, Date, String, Boolean, Object, Array };

  Variant() = default;
  Variant(Integer v) : value_(v) {}                  // NOLINT(google-explicit-constructor)
  Variant(Long v) : value_(v) {}                     // NOLINT(google-explicit-constructor)
  Variant(Single v) : value_(v) {}                   // NOLINT(google-explicit-constructor)
  Variant(Double v) : value_(v) {}                   // NOLINT(google-explicit-constructor)
  Variant(Date v) : value_(v) {}                     // NOLINT(google-explicit-constructor)
  Variant(Boolean v) : value_(v) {}                  // NOLINT(google-explicit-constructor)
  Variant(String v) : value_(std::move(v)) {}        // NOLINT(google-explicit-constructor)
  Variant(const char16_t* v) : value_(String(v)) {}  // NOLINT(google-explicit-constructor)
  Variant(Object v) : value_(std::move(v)) {}        // NOLINT(google-explicit-constructor)
  Variant(StringArray v) : value_(std::move(v)) {}   // NOLINT(google-explicit-constructor)

  // The marker of an optional argument that the caller left out.
  static Variant Missing() {
    Variant v;
    v.value_ = MissingTag{};
    return v;
  }

  Type type() const noexcept { return static_cast<Type>(value_.index()); }
  bool IsEmpty() const noexcept { return type() == Type::Empty; }
  bool IsMissing() const noexcept { return type() == Type::Missing; }

  // Direct access to the held value; the subtype must match.
  template <typename T>
  const T* get_if() const noexcept {
    return std::get_if<T>(&value_);
  }
  template <typename T>
  T* get_if() noexcept {
    return std::get_if<T>(&value_);
  }

  friend bool operator==(const Variant&, const Variant&) = default;

 private:
  struct MissingTag {
    friend bool operator==(MissingTag, MissingTag) = default;
  };
  // The alternatives are in the order of Type.
  std::variant<std::monostate, MissingTag, Integer, Long, Single, Double, Date, String, Boolean, Object, StringArray>
      value_;
};

// The name of a subtype as the host protocol writes it: "Empty", "Long", ...
KORTOOLS_API std::string_view TypeName(Variant::Type type);

// Conversion by the automation rules:
//  - to Integer/Long: fractions round half to even, a value out of range
//    raises error 6, text that is not a number error 13; Boolean True is -1;
//    Empty is 0.
//  - to Single/Double/Date: numbers and numeric text; Date from text also
//    accepts "YYYY-MM-DD[ HH:MM[:SS]]".
//  - to Boolean: numbers (non-zero is True), "True"/"False" in any case.
//  - to String: numbers in the runtime's shortest form ("0.5", "1E+20"),
//    Booleans as "True"/"False", Empty as "".
// Missing, objects and arrays convert to nothing else (error 13).
template <typename T>
T ChangeType(const Variant& v);

template <>
KORTOOLS_API Integer ChangeType<Integer>(const Variant& v);
template <>
KORTOOLS_API Long ChangeType<Long>(const Variant& v);
template <>
KORTOOLS_API Single ChangeType<Single>(const Variant& v);
template <>
KORTOOLS_API Double ChangeType<Double>(const Variant& v);
template <>
KORTOOLS_API Date ChangeType<Date>(const Variant& v);
template <>
KORTOOLS_API Boolean ChangeType<Boolean>(const Variant& v);
template <>
KORTOOLS_API String ChangeType<String>(const Variant& v);

}  // namespace kor
