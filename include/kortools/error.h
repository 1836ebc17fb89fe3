// The one exception type the library raises: an automation error number and
// its description.
//
//   try {
//     key.RegKeyValuesCount();
//   } catch (const kor::Error& e) {
//     // e.Number() == -2147221503 (object error 1), e.Description() == u"..."
//   }
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "kortools/export.h"
#include "kortools/types.h"

namespace kor {

class KORTOOLS_API Error : public std::exception {
 public:
  Error(std::int32_t number, String description);

  // A runtime error with its standard description: Runtime(6) is
  // error 6 "Overflow".
  static Error Runtime(std::int32_t number);

  // An object error: number 0x80040000 + n (negative as a Long).
  static Error Object(std::int32_t n, String description);

  std::int32_t Number() const noexcept { return number_; }
  const String& Description() const noexcept { return description_; }

  // The description in UTF-8, prefixed with the number: "error 6: Overflow".
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  std::int32_t number_;
  String description_;
  std::string what_;
};

// The standard description of a runtime error number; "Application-defined or
// object-defined error" for a number without one.
KORTOOLS_API String RuntimeErrorText(std::int32_t number);

// Object error numbers are 0x80040000 + n.
constexpr std::int32_t ObjectErrorNumber(std::int32_t n) {
  return static_cast<std::int32_t>(0x80040000U + static_cast<std::uint32_t>(n));
}

}  // namespace kor
