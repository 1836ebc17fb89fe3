// Default values of optional parameters. The catalogue publishes them and the
// methods apply them when a C++ caller leaves the argument out (a null
// pointer), so both read them from here.
#pragma once

#include "kortools/enums.h"
#include "kortools/types.h"

namespace kor::defaults {

inline constexpr char16_t kSmartParseDelimiter[] = u" ";
inline constexpr char16_t kSmartParseEncapsulator[] = u"\"";
inline constexpr char16_t kReadPrivateWindowIniFile[] = u"";
inline constexpr FileActionFlags kFileOptions = vbFileOpDefault;
inline constexpr eRegistryAccessModes kRegKeyAccess = KEY_ALL_ACCESS;
// How many lines the CSV reader's first pass examines, plus one.
inline constexpr Long kCsvRecordsToSearch = 2147000000;

// The value of an optional by-reference parameter: the caller's variable, or
// the default when it was left out.
template <typename T, typename D>
T ValueOr(const T* given, const D& fallback) {
  return given ? *given : T(fallback);
}

}  // namespace kor::defaults
