// The rules by which Windows takes a file or folder name apart, accepts it
// or refuses it: one set of plain text functions, without any call of the
// file system, that every name the library hands to the file system goes
// through (winrules/name_view.cpp).
//
// A name may begin with "\\?\" or "\\.\". Either is read as the name that
// follows it: "\\?\C:\x" and "\\.\C:\x" are "C:\x", "\\?\UNC\srv\share\x" and
// "\\.\UNC\srv\share\x" are "\\srv\share\x". After a prefix only a drive name
// or "UNC\" may follow; anything else ("\\.\COM1", "\\?\Volume{...}") names a
// device or a volume, and is refused.
//
// A component (the text between two separators, "\" or "/") is refused when:
//   - it holds one of < > : " | ? * or a control character 0x01 to 0x1F
//     (the ":" of a drive aside); the wildcards "*" and "?" are allowed in
//     the last component of a name that a search takes as a pattern;
//   - it is a device name: CON, PRN, AUX, NUL, COM1 to COM9 or LPT1 to LPT9,
//     in any letter case, alone or with an extension ("nul.txt", "Com1.log"),
//     also with blanks before the extension ("CON .txt");
//   - it is a folder of blanks and dots only, "." and ".." aside ("C:\ \x").
// A full path name drops the trailing dots and spaces of its last component
// (unless it holds a wildcard) and one trailing dot of a component that a
// separator follows (unless it is all dots), as GetFullPathName does. A name
// that reaches the file system, looked up or created alike, drops every
// trailing dot and space of each component: "x." and "x . " are "x", and
// "a..\x" is "a\x".
//
//   windows_names::Check("C:\\data\\report.txt", false);   // 0
//   windows_names::Check("C:\\data\\a|b.txt", false);      // kErrorInvalidName
//   windows_names::Check("C:\\data\\*.txt", true);         // 0: a pattern
//   windows_names::Check("C:\\data\\LPT1.log", false);     // kErrorInvalidName
#pragma once

#include <cstdint>
#include <string_view>

namespace kor::platform::windows_names {

inline constexpr std::uint32_t kInvalidName = 123;  // ERROR_INVALID_NAME

// The "\\?\" or "\\.\" prefix of a name.
struct Prefix {
  std::size_t length = 0;  // the characters to skip: 0, 4, or 8 with "UNC\"
  bool unc = false;        // "UNC\" followed: the rest is "server\share\..."
  bool refused = false;    // neither a drive nor "UNC\" follows the prefix
};
Prefix PrefixOf(std::string_view name);

// A character that no component may hold; the wildcards "*" and "?" pass
// when `wildcards` is true.
bool IsRefusedCharacter(char c, bool wildcards);

// True when the component is a device name, with or without an extension.
bool IsDeviceName(std::string_view component);

// The component as Windows keeps it: the `last` one without its trailing
// dots and spaces (unless it holds a wildcard), one followed by a separator
// without one trailing dot (unless it is all dots).
std::string_view TrimmedComponent(std::string_view component, bool last);

// The component as the file system gets it: without any trailing dots and
// spaces, unless it holds a wildcard or is a folder of dots only. Applied to
// a full path name, it gives what it gives for the name itself.
std::string_view TrimmedForFileSystem(std::string_view component, bool last);

// 0 when every component of `path` (separated by "\" or "/"; "." and ".."
// included) may be named, else kInvalidName. `path` is the part after the
// drive or share: a prefix and the "X:" of a drive are taken off first.
// With `patternLast` the last component may hold wildcards.
std::uint32_t Check(std::string_view path, bool patternLast);

// True when `component` would name another entry after Windows trimmed it, or
// could not be named at all: a POSIX entry such as "x." or "a:b" has no
// Windows name.
bool HasNoWindowsName(std::string_view component);

}  // namespace kor::platform::windows_names
