// Windows wildcard matching of one name component, as Windows file searches
// match the last component of a name: "*" matches any run of characters (none
// included), "?" matches any one character, and letters match without regard
// to case, as Windows file systems compare names. Pattern and name are UTF-8
// (POSIX names); bytes that are not UTF-8 match only themselves.
//
// The search rewrites a pattern before matching, and so do these functions:
//  - "*.*" is "*": every name;
//  - "?" matches no character in front of a "." or at the end of the name,
//    and never a "." itself ("data?.csv" matches "data.csv" and "data1.csv",
//    "a?b" does not match "a.b");
//  - "*" in front of a "." never takes the last "." of the name;
//  - "." in front of "*" or "?", or at the end of the pattern, also matches
//    the end of the name ("x.*" and "x." match "x"; "*." matches the names
//    without a dot).
// Short (8.3) names do not exist here, so a pattern matches long names only.
//
//   WildcardMatch("*.TXT", "notes.txt");    // true
//   WildcardMatch("data?.csv", "data1.csv"); // true
//   WildcardMatch("*.*", "README");          // true: "*.*" matches every name
//
//   WildcardPattern p("*.log");              // prepared once for a folder search
//   p.Matches("app.LOG");                    // true
#pragma once

#include <string>
#include <string_view>

namespace kor::platform {

// True when `name` holds "*" or "?".
bool HasWildcards(std::string_view name);

// A pattern prepared for matching many names.
class WildcardPattern {
 public:
  explicit WildcardPattern(std::string_view pattern);

  // True when `name` (one component, no separator) matches the pattern.
  bool Matches(std::string_view name) const;

 private:
  std::u32string p_;  // upper-cased code points, the Windows wildcard forms as code points above Unicode
  bool all_ = false;  // "*": every name
};

// True when `name` (one component, no separator) matches `pattern`.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// The order in which Windows file systems keep the names of a folder: by
// letters ignoring case, then (names that differ only in case) by bytes.
bool NameBefore(std::string_view a, std::string_view b);

}  // namespace kor::platform
