#include "winrules/windows_names.h"

#include <array>

namespace kor::platform::windows_names {
namespace {

bool IsSep(char c) { return c == '\\' || c == '/'; }
char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool EqualUpper(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (UpperAscii(text[i]) != upper[i]) return false;
  return true;
}

bool HasDrive(std::string_view name) { return name.size() >= 2 && IsLetter(name[0]) && name[1] == ':'; }

}  // namespace

Prefix PrefixOf(std::string_view name) {
  Prefix p;
  if (name.size() < 4 || !IsSep(name[0]) || !IsSep(name[1]) || (name[2] != '?' && name[2] != '.') || !IsSep(name[3]))
    return p;
  p.length = 4;
  name.remove_prefix(4);
  if (name.size() >= 4 && EqualUpper(name.substr(0, 3), "UNC") && IsSep(name[3])) {
    p.length = 8;
    p.unc = true;
  } else {
    p.refused = !HasDrive(name);
  }
  return p;
}

bool IsRefusedCharacter(char c, bool wildcards) {
  const auto u = static_cast<unsigned char>(c);
  if (u < 0x20) return true;
  switch (c) {
    case '<':
    case '>':
    case ':':
    case '"':
    case '|': return true;
    case '*':
    case '?': return !wildcards;
    default: return false;
  }
}

bool IsDeviceName(std::string_view component) {
  std::string_view base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  for (const std::string_view d : kPlain)
    if (EqualUpper(base, d)) return true;
  if (base.size() != 4 || base[3] < '1' || base[3] > '9') return false;
  return EqualUpper(base.substr(0, 3), "COM") || EqualUpper(base.substr(0, 3), "LPT");
}

std::string_view TrimmedComponent(std::string_view comp, bool last) {
  if (comp.empty()) return comp;
  if (last) {
    if (comp.find_first_of("*?") != std::string_view::npos) return comp;
    while (!comp.empty() && (comp.back() == '.' || comp.back() == ' ')) comp.remove_suffix(1);
  } else if (comp.back() == '.' && comp.find_first_not_of('.') != std::string_view::npos) {
    comp.remove_suffix(1);
  }
  return comp;
}

std::string_view TrimmedForFileSystem(std::string_view comp, bool last) {
  if (comp.find_first_of("*?") != std::string_view::npos) return comp;
  if (!last && comp.find_first_not_of('.') == std::string_view::npos) return comp;
  while (!comp.empty() && (comp.back() == '.' || comp.back() == ' ')) comp.remove_suffix(1);
  return comp;
}

std::uint32_t Check(std::string_view path, bool patternLast) {
  const Prefix prefix = PrefixOf(path);
  if (prefix.refused) return kInvalidName;
  path.remove_prefix(prefix.length);
  if (HasDrive(path)) path.remove_prefix(2);
  std::size_t i = 0;
  while (i < path.size()) {
    std::size_t j = i;
    while (j < path.size() && !IsSep(path[j])) ++j;
    const std::string_view comp = path.substr(i, j - i);
    const bool last = j == path.size();
    for (const char c : comp)
      if (IsRefusedCharacter(c, patternLast && last)) return kInvalidName;
    if (IsDeviceName(comp)) return kInvalidName;
    // A folder of blanks and dots only ("C:\ \x") cannot exist.
    if (!last && !comp.empty() && TrimmedForFileSystem(comp, false).empty()) return kInvalidName;
    i = j + 1;
  }
  return 0;
}

bool HasNoWindowsName(std::string_view component) {
  if (component == "." || component == "..") return false;
  for (const char c : component)
    if (IsRefusedCharacter(c, false) || c == '\\') return true;
  if (IsDeviceName(component)) return true;
  return !component.empty() && (component.back() == '.' || component.back() == ' ');
}

}  // namespace kor::platform::windows_names
