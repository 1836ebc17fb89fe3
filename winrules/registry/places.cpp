// File kinds, key paths and the places where files' keys go, and the parts
// the text readers share.
#include <algorithm>
#include <array>

#include "winrules/registry/registry_files.h"

namespace kor::platform::regstore {
namespace {

struct RootSpelling {
  std::string_view longName;
  std::string_view shortName;
  Root root;
  bool classes;  // HKEY_CLASSES_ROOT: below HKLM\Software\Classes
};

constexpr std::array<RootSpelling, 5> kRoots{{
    {"HKEY_LOCAL_MACHINE", "HKLM", Root::kLocalMachine, false},
    {"HKEY_CURRENT_USER", "HKCU", Root::kCurrentUser, false},
    {"HKEY_CLASSES_ROOT", "HKCR", Root::kLocalMachine, true},
    {"HKEY_USERS", "HKU", Root::kUsers, false},
    {"HKEY_CURRENT_CONFIG", "HKCC", Root::kCurrentConfig, false},
}};

// The first line with text, without a UTF-8 byte-order mark.
std::string_view FirstLine(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  LineReader lines(text);
  std::string_view line;
  while (lines.Next(line)) {
    line = TrimSpace(line);
    if (!line.empty()) return line;
  }
  return {};
}

}  // namespace

FileKind DetectFileKind(std::string_view bytes) {
  if (bytes.substr(0, 4) == "regf") return FileKind::kHive;
  std::string head;
  if (bytes.substr(0, 2) == "\xFF\xFE") {
    AppendUtf8FromUtf16Le(head, bytes.substr(2, 400));
  } else {
    head.assign(bytes.substr(0, 200));
  }
  const std::string_view line = FirstLine(head);
  if (line == "Windows Registry Editor Version 5.00" || line == "REGEDIT4") return FileKind::kRegedit;
  if (line == "WINE REGISTRY Version 2") return FileKind::kWine;
  return FileKind::kUnknown;
}

bool ParseKeyPath(std::string_view text, KeyPath& path) {
  if (!text.empty() && text.back() == '\\') text.remove_suffix(1);
  const std::size_t slash = text.find('\\');
  const std::string_view rootName = text.substr(0, slash);
  const RootSpelling* spelling = nullptr;
  for (const RootSpelling& r : kRoots)
    if (EqualsIgnoringAsciiCase(rootName, r.longName) || EqualsIgnoringAsciiCase(rootName, r.shortName)) spelling = &r;
  if (spelling == nullptr) return false;
  path.root = spelling->root;
  path.names.clear();
  if (spelling->classes) path.names = {"Software", "Classes"};
  if (slash == std::string_view::npos) return true;
  std::string_view rest = text.substr(slash + 1);
  while (true) {
    const std::size_t next = rest.find('\\');
    const std::string_view name = rest.substr(0, next);
    if (name.empty()) return false;
    path.names.emplace_back(name);
    if (next == std::string_view::npos) return true;
    rest.remove_prefix(next + 1);
  }
}

std::string CheckKeyPath(const KeyPath& path) {
  if (path.names.size() > kMaxKeyDepth)
    return "the key is nested " + std::to_string(path.names.size()) + " levels deep, more than the " +
           std::to_string(kMaxKeyDepth) + " the registry allows";
  for (const std::string& n : path.names)
    if (Utf16Length(n) > kMaxKeyNameLength)
      return "a key name has " + std::to_string(Utf16Length(n)) + " characters, more than the " +
             std::to_string(kMaxKeyNameLength) + " the registry allows";
  return {};
}

std::optional<KeyPath> WineFilePlace(std::string_view bytes, std::string_view fileName, std::string* userSid) {
  // ";; All keys relative to \\User\\S-1-5-21-0-0-0-1000", before the first key.
  LineReader lines(bytes.substr(0, 4096));
  std::string_view line;
  static constexpr std::string_view kRelative = ";; All keys relative to ";
  while (lines.Next(line)) {
    if (!line.empty() && line.front() == '[') break;
    if (!StartsWithIgnoringCase(line, kRelative)) continue;
    std::string place;
    for (const char c : TrimSpace(line.substr(kRelative.size())))
      if (c != '\\' || place.empty() || place.back() != '\\') place += c;  // "\\" written for "\"
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= place.size()) {
      std::size_t end = place.find('\\', pos);
      if (end == std::string::npos) end = place.size();
      if (end > pos) parts.push_back(place.substr(pos, end - pos));
      pos = end + 1;
    }
    // Newer Wine writes "REGISTRY\\User\\<sid>", older "\\User\\<sid>".
    if (!parts.empty() && EqualsIgnoringAsciiCase(parts[0], "REGISTRY")) parts.erase(parts.begin());
    if (parts.size() == 1 && EqualsIgnoringAsciiCase(parts[0], "Machine")) return KeyPath{Root::kLocalMachine, {}};
    if (parts.size() == 2 && EqualsIgnoringAsciiCase(parts[0], "User")) {
      if (EqualsIgnoringAsciiCase(parts[1], ".Default")) return KeyPath{Root::kUsers, {".Default"}};
      if (userSid != nullptr) *userSid = parts[1];
      return KeyPath{Root::kCurrentUser, {}};
    }
    break;
  }
  if (EqualsIgnoringAsciiCase(fileName, "system.reg")) return KeyPath{Root::kLocalMachine, {}};
  if (EqualsIgnoringAsciiCase(fileName, "user.reg")) return KeyPath{Root::kCurrentUser, {}};
  if (EqualsIgnoringAsciiCase(fileName, "userdef.reg")) return KeyPath{Root::kUsers, {".Default"}};
  return std::nullopt;
}

std::optional<KeyPath> HiveFilePlace(std::string_view fileName) {
  struct Hive {
    std::string_view file;
    Root root;
    std::vector<std::string> names;
  };
  static const Hive kHives[] = {
      {"NTUSER.DAT", Root::kCurrentUser, {}},
      {"UsrClass.dat", Root::kCurrentUser, {"Software", "Classes"}},
      {"SOFTWARE", Root::kLocalMachine, {"SOFTWARE"}},
      {"SYSTEM", Root::kLocalMachine, {"SYSTEM"}},
      {"SAM", Root::kLocalMachine, {"SAM"}},
      {"SECURITY", Root::kLocalMachine, {"SECURITY"}},
      {"COMPONENTS", Root::kLocalMachine, {"COMPONENTS"}},
      {"DEFAULT", Root::kUsers, {".DEFAULT"}},
  };
  for (const Hive& h : kHives)
    if (EqualsIgnoringAsciiCase(fileName, h.file)) return KeyPath{h.root, h.names};
  return std::nullopt;
}

std::vector<SettingEntry> ParseRegistrySetting(std::string_view setting) {
  std::vector<SettingEntry> entries;
  std::size_t pos = 0;
  while (pos <= setting.size()) {
    std::size_t end = setting.find(';', pos);
    if (end == std::string_view::npos) end = setting.size();
    const std::string_view entry = TrimSpace(setting.substr(pos, end - pos));
    pos = end + 1;
    if (entry.empty()) continue;
    SettingEntry e;
    const std::size_t equals = entry.find('=');
    KeyPath place;
    if (equals != std::string_view::npos && ParseKeyPath(TrimSpace(entry.substr(0, equals)), place)) {
      e.place = std::move(place);
      e.path = TrimSpace(entry.substr(equals + 1));
    } else {
      e.path = entry;
    }
    if (!e.path.empty()) entries.push_back(std::move(e));
  }
  return entries;
}

bool IsRegistryFileName(std::string_view name) {
  if (name.empty() || name.front() == '.') return false;
  return (name.size() > 4 && EqualsIgnoringAsciiCase(name.substr(name.size() - 4), ".reg")) ||
         HiveFilePlace(name).has_value();
}

namespace detail {

std::uint32_t KeyValueText::Read(std::initializer_list<std::string_view> headers, std::string_view expected) {
  std::string_view line;
  bool header = false;
  while (!header && lines_.Next(line)) {
    line = TrimSpace(line);
    if (line.empty()) continue;
    const auto* found = std::find(headers.begin(), headers.end(), line);
    if (found == headers.end()) {
      diag_.Report(lines_.Number(), "not a registry file: the first line is not " + std::string(expected));
      return 1017;
    }
    Header(static_cast<std::size_t>(found - headers.begin()));
    header = true;
  }
  if (!header) {
    diag_.Report(0, "not a registry file: the file is empty");
    return 1017;
  }
  while (lines_.Next(line)) {
    const std::string_view t = TrimSpace(line);
    if (t.empty() || t.front() == ';') continue;
    if (t.front() == '[') {
      KeyLine(t);
    } else if (t.front() == '"' || t.front() == '@') {
      ValueLine(t);
    } else if (t.front() != '#' || !OptionLine(t)) {
      diag_.Report(lines_.Number(), "neither a key, a value nor a comment");
    }
  }
  return 0;
}

std::string ReadHexList(std::string_view first, LineReader& lines, std::string& bytes) {
  std::string error;  // after an error the continuation lines are still passed over
  std::string_view cur = first;
  while (true) {
    cur = TrimSpace(cur);
    const bool more = !cur.empty() && cur.back() == '\\';
    if (more) cur = TrimSpace(cur.substr(0, cur.size() - 1));
    std::size_t pos = 0;
    while (error.empty() && pos < cur.size()) {
      std::size_t comma = cur.find(',', pos);
      const bool last = comma == std::string_view::npos;
      if (last) comma = cur.size();
      const std::string_view item = TrimSpace(cur.substr(pos, comma - pos));
      if (item.empty()) {
        if (!last) error = "an empty item in the hex data";
      } else {
        const int hi = HexDigit(item[0]);
        const int lo = item.size() == 2 ? HexDigit(item[1]) : 0;
        if (item.size() > 2 || hi < 0 || lo < 0) {
          error = "invalid hex data \"" + std::string(item.substr(0, 16)) + (item.size() > 16 ? "...\"" : "\"");
        } else {
          bytes += static_cast<char>(item.size() == 2 ? hi * 16 + lo : hi);
        }
      }
      pos = comma + 1;
    }
    if (!more) return error;
    if (!lines.Next(cur)) return error.empty() ? "the hex data goes on past the end of the file" : error;
  }
}

bool ReadDword(std::string_view text, std::uint32_t& value) {
  text = TrimSpace(text);
  if (text.empty() || text.size() > 8) return false;
  value = 0;
  for (const char c : text) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    value = value * 16 + static_cast<std::uint32_t>(d);
  }
  return true;
}

Key* MakeKey(Store& store, const KeyPath& place, const std::vector<std::string>& names, std::uint64_t lastWrite,
             std::string& error) {
  KeyPath full{place.root, place.names};
  full.names.insert(full.names.end(), names.begin(), names.end());
  error = CheckKeyPath(full);
  if (!error.empty()) return nullptr;
  Key* key = store.RootKey(full.root);
  for (std::size_t i = 0; i < full.names.size(); ++i)
    key = store.Child(key, full.names[i], i + 1 == full.names.size() ? lastWrite : 0);
  return key;
}

}  // namespace detail

}  // namespace kor::platform::regstore
