// Windows wildcard matching of one name component: "*" matches any run of
// characters (none included), "?" matches any one character, and letters
// match without regard to case, as Windows file systems compare names.
// Pattern and name are UTF-8 (POSIX names); bytes that are not UTF-8 match
// only themselves.
//
//   WildcardMatch("*.TXT", "notes.txt");    // true
//   WildcardMatch("data?.csv", "data1.csv"); // true
//   WildcardMatch("*.*", "README");          // true: "*.*" matches every name
#pragma once

#include <string_view>

namespace kor::platform {

// True when `name` holds "*" or "?".
bool HasWildcards(std::string_view name);

// True when `name` (one component, no separator) matches `pattern`. As on
// Windows, a pattern ending in ".*" also matches a name without a dot, and a
// pattern ending in "." matches a name without an extension.
bool WildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace kor::platform
