// Windows path names of a POSIX file system, as text (see name_view.h).
#include "winrules/name_view.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "frame/text.h"
#include "winrules/windows_names.h"

namespace kor::platform {
namespace {

bool IsSep(char c) { return c == '\\' || c == '/'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Appends the components of `rest` to `out`, each after `sep`. A run of
// separators counts as one, "." is dropped and ".." removes the last
// component, never the first `rootLen` characters of `out`. With
// `windowsSeparators` both "\" and "/" separate, otherwise only "/". With
// `windowsDots` trailing dots and spaces go as windows_names::TrimmedComponent
// says, or with `fileSystemDots` as TrimmedForFileSystem says. Returns
// whether `rest` ends in a separator (or in a last component that is all
// dots and spaces).
bool AppendComponents(std::string& out, std::size_t rootLen, std::string_view rest, char sep, bool windowsSeparators,
                      bool windowsDots = false, bool fileSystemDots = false) {
  const auto isSep = [windowsSeparators](char c) { return c == '/' || (windowsSeparators && c == '\\'); };
  bool endsWithSep = false;
  std::size_t i = 0;
  const std::size_t n = rest.size();
  while (i < n) {
    if (isSep(rest[i])) {
      endsWithSep = true;
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < n && !isSep(rest[j])) ++j;
    std::string_view comp = rest.substr(i, j - i);
    endsWithSep = false;
    if (windowsDots && comp != "." && comp != "..") {
      comp = fileSystemDots ? windows_names::TrimmedForFileSystem(comp, j == n)
                            : windows_names::TrimmedComponent(comp, j == n);
      if (comp.empty()) {
        endsWithSep = true;
        break;
      }
    }
    if (comp == "..") {
      const std::size_t k = out.rfind(sep);
      out.resize(k == std::string::npos || k < rootLen ? rootLen : k);
    } else if (comp != ".") {
      out += sep;
      out += comp;
    }
    i = j;
  }
  return endsWithSep;
}

// A POSIX folder from the settings in canonical form: no "." or ".."
// components, no empty ones, no trailing "/", and "" for "/".
std::string CanonicalFolder(std::string_view folder) {
  std::string out;
  AppendComponents(out, 0, folder, '/', false);
  return out;
}

}  // namespace

NameView::NameView(std::string_view drives, const CodePage* codePage, std::function<bool(std::string&)> currentFolder)
    : cp_(codePage), cwd_(std::move(currentFolder)) {
  drives_['Z' - 'A'] = std::string();
  ParseDrives(drives);
  for (int i = 0; i < 26; ++i)
    if (drives_[i]) mounts_.push_back(Mount{*drives_[i], static_cast<char>('A' + i)});
  std::stable_sort(mounts_.begin(), mounts_.end(),
                   [](const Mount& a, const Mount& b) { return a.folder.size() > b.folder.size(); });
}

void NameView::ParseDrives(std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = std::min(text.find(';'), text.size());
    const std::string_view entry = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    const std::size_t eq = entry.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = Trim(entry.substr(0, eq));
    const std::string_view folder = Trim(entry.substr(eq + 1));
    if (folder.empty() || folder[0] != '/' || folder.find('\\') != std::string_view::npos) continue;
    std::string canonical = CanonicalFolder(folder);
    if ((key.size() == 1 || (key.size() == 2 && key[1] == ':')) && IsLetter(key[0])) {
      const char letter = UpperAscii(key[0]);
      if (letter != 'Z') drives_[letter - 'A'] = std::move(canonical);
      continue;
    }
    if (key.size() < 3 || !IsSep(key[0]) || !IsSep(key[1])) continue;
    std::string_view rest = key.substr(2);
    const std::size_t sep = std::min(rest.find_first_of("\\/"), rest.size());
    const std::string_view server = rest.substr(0, sep);
    std::string_view share = rest.substr(std::min(sep + 1, rest.size()));
    while (!share.empty() && IsSep(share.back())) share.remove_suffix(1);
    if (server.empty() || share.empty() || share.find_first_of("\\/") != std::string_view::npos) continue;
    shares_.push_back(Share{std::string(server), std::string(share), std::move(canonical)});
  }
}

const NameView::Mount& NameView::MountOf(std::string_view q) const {
  for (const Mount& m : mounts_) {
    const std::string& f = m.folder;
    if (f.empty() || q == f) return m;
    // A drive's folder with a trailing "/" stays with the shorter match, so
    // that "C:\" names the folder itself and every name maps back exactly.
    if (q.size() > f.size() + 1 && q.compare(0, f.size(), f) == 0 && q[f.size()] == '/') return m;
  }
  return mounts_.back();  // Z: holds everything; not reached
}

const std::string* NameView::DriveFolder(char letter) const {
  const auto& d = drives_[UpperAscii(letter) - 'A'];
  return d ? &*d : nullptr;
}

const std::string* NameView::ShareFolder(std::string_view server, std::string_view share) const {
  for (auto it = shares_.rbegin(); it != shares_.rend(); ++it)
    if (EqualIgnoringCase(it->server, server) && EqualIgnoringCase(it->share, share)) return &it->folder;
  return nullptr;
}

std::uint32_t NameView::GetCurrent(Current& cur) const {
  std::string raw;
  if (!cwd_(raw) || raw.empty() || raw[0] != '/') return kErrorPathNotFound;
  cur.posix.clear();
  AppendComponents(cur.posix, 0, raw, '/', false);
  cur.mount = &MountOf(cur.posix);
  return 0;
}

std::uint32_t NameView::WindowsOfPosix(std::string_view posix, std::string& utf8) const {
  if (posix.empty()) return kErrorInvalidName;
  if (posix.find('\\') != std::string_view::npos) return kErrorInvalidName;
  std::string q;
  if (posix[0] != '/') {
    Current cur;
    if (const std::uint32_t e = GetCurrent(cur)) return e;
    if (cur.posix.find('\\') != std::string::npos) return kErrorInvalidName;
    q = std::move(cur.posix);
  }
  q.reserve(q.size() + posix.size() + 1);
  if (AppendComponents(q, 0, posix, '/', false) && !q.empty()) q += '/';
  const Mount& m = MountOf(q);
  // An entry that Windows would trim or refuse has no Windows name that
  // leads back to it.
  for (std::size_t i = m.folder.size(); i < q.size();) {
    const std::size_t j = std::min(q.find('/', i + 1), q.size());
    if (windows_names::HasNoWindowsName(std::string_view(q).substr(i + 1, j - i - 1))) return kErrorInvalidName;
    i = j;
  }
  utf8.clear();
  utf8.reserve(q.size() + 3);
  utf8 += m.letter;
  utf8 += ':';
  if (q.size() == m.folder.size()) {
    utf8 += '\\';
  } else {
    for (std::size_t i = m.folder.size(); i < q.size(); ++i) utf8 += q[i] == '/' ? '\\' : q[i];
  }
  return 0;
}

namespace {

// A name that begins with a single "/" is a POSIX name, taken as given.
bool IsPlainPosix(std::string_view name) { return name[0] == '/' && (name.size() == 1 || !IsSep(name[1])); }

bool IsNetwork(std::string_view name) { return name.size() >= 2 && IsSep(name[0]) && IsSep(name[1]); }

}  // namespace

std::uint32_t NameView::Resolve(std::string_view name, Form form, Resolved& r) const {
  name = UpToNul(name);
  if (name.empty()) return kErrorInvalidName;
  std::string converted;
  const CodePage& cp = NameCodePage();
  if (!cp.IsUtf8() && !text::IsAscii(name)) {
    converted = cp.ToUtf8(name);
    name = converted;
  }
  r = Resolved{};
  if (IsPlainPosix(name)) {
    r.plainPosix = true;
    if (form == Form::kWindows) return WindowsOfPosix(name, r.text);
    r.text.assign(name);
    return 0;
  }
  // A name that reaches the file system is held to the Windows rules; the
  // full path name alone is text, as GetFullPathNameA leaves it.
  if (form != Form::kWindows)
    if (const std::uint32_t e = windows_names::Check(name, form == Form::kPosixPattern)) return e;

  const windows_names::Prefix prefix = windows_names::PrefixOf(name);
  if (prefix.refused) return kErrorInvalidName;
  const char prefixMark = prefix.length > 0 ? name[2] : 0;
  std::string unprefixed;
  if (prefix.unc) {
    unprefixed = "\\\\";
    unprefixed += name.substr(prefix.length);
    name = unprefixed;
  } else {
    name.remove_prefix(prefix.length);
  }

  const bool posixForm = form != Form::kWindows;
  std::string_view rest;
  r.network = IsNetwork(name);
  const std::uint32_t e = r.network ? ResolveShare(name, posixForm, r, rest) : ResolveDrive(name, posixForm, r, rest);
  if (e != 0) return e;
  AppendRest(rest, posixForm ? '/' : '\\', r);
  if (prefixMark != 0 && !posixForm) {
    // A full name keeps its prefix, so that it reads back as the same name.
    const std::string mark = std::string("\\\\") + prefixMark + "\\";
    r.text = r.network ? mark + "UNC" + r.text.substr(1) : mark + r.text;
  }
  return 0;
}

// "\\server\share" and the rest after it; a POSIX name needs the share
// mapped to a folder.
std::uint32_t NameView::ResolveShare(std::string_view name, bool posixForm, Resolved& r, std::string_view& rest) const {
  const std::size_t n = name.size();
  std::size_t e = 2;
  while (e < n && !IsSep(name[e])) ++e;
  const std::string_view server = name.substr(2, e - 2);
  const std::size_t s2 = e < n ? e + 1 : n;
  std::size_t e2 = s2;
  while (e2 < n && !IsSep(name[e2])) ++e2;
  const std::string_view share = name.substr(s2, e2 - s2);
  rest = name.substr(e2);
  std::string& out = r.text;
  if (posixForm) {
    const std::string* folder = server.empty() || share.empty() ? nullptr : ShareFolder(server, share);
    if (folder == nullptr) return kErrorPathNotFound;
    out.reserve(folder->size() + rest.size() + 1);
    out = *folder;
  } else {
    out.reserve(name.size() + 1);
    out = "\\\\";
    out += server;
    if (e < n) {
      out += '\\';
      out += share;
    }
  }
  r.rootLen = out.size();
  return 0;
}

// A name with a drive ("C:\x", "C:x") or without one ("\x", "x"), and the
// rest after its drive; drive-relative, rooted and relative names are taken
// against the current drive and folder.
std::uint32_t NameView::ResolveDrive(std::string_view name, bool posixForm, Resolved& r, std::string_view& rest) const {
  const bool drive = name.size() >= 2 && IsLetter(name[0]) && name[1] == ':';
  rest = drive ? name.substr(2) : name;
  const bool rooted = !rest.empty() && IsSep(rest[0]);
  char letter = drive ? UpperAscii(name[0]) : 0;
  Current cur;
  bool fromCurrent = false;
  if (!drive || !rooted) {
    if (const std::uint32_t e = GetCurrent(cur)) return e;
    if (!drive) letter = cur.mount->letter;
    fromCurrent = !rooted && cur.mount->letter == letter;
    if (fromCurrent && !posixForm && cur.posix.find('\\') != std::string::npos) return kErrorInvalidName;
  }
  const std::string* folder = DriveFolder(letter);
  std::string& out = r.text;
  if (posixForm) {
    if (folder == nullptr) return kErrorPathNotFound;
    out.reserve((fromCurrent ? cur.posix.size() : folder->size()) + rest.size() + 1);
    out = fromCurrent ? cur.posix : *folder;
    r.rootLen = folder->size();
  } else {
    out.reserve(2 + (fromCurrent ? cur.posix.size() : 0) + rest.size() + 1);
    out = letter;
    out += ':';
    r.rootLen = 2;
    if (fromCurrent)
      for (std::size_t i = cur.mount->folder.size(); i < cur.posix.size(); ++i)
        out += cur.posix[i] == '/' ? '\\' : cur.posix[i];
  }
  return 0;
}

// Appends the components of `rest`, trailing dots and spaces dropped as
// Windows drops them, whether the name is looked up or created; a root gets
// its separator, and so does a name that ended in one.
void NameView::AppendRest(std::string_view rest, char sep, Resolved& r) const {
  std::string& out = r.text;
  const bool endsWithSep = AppendComponents(out, r.rootLen, rest, sep, true, true, sep == '/');
  if (out.size() == r.rootLen) {
    if (sep == '/') {
      if (out.empty()) out = "/";
    } else if (!r.network || !rest.empty()) {
      out += '\\';
    }
  } else if (endsWithSep) {
    out += sep;
  }
}

std::string NameView::NameFromUtf8(const std::string& utf8) const {
  const CodePage& cp = NameCodePage();
  return cp.IsUtf8() || text::IsAscii(utf8) ? utf8 : cp.FromUtf8(utf8);
}

std::uint32_t NameView::FullPathName(std::string_view name, std::string& full) const {
  Resolved r;
  if (const std::uint32_t e = Resolve(name, Form::kWindows, r)) return e;
  full = NameFromUtf8(r.text);
  return 0;
}

std::uint32_t NameView::GetFullPathName(std::string_view name, std::uint32_t bufferLength, char* buffer,
                                        char** filePart, std::uint32_t* lastError) const {
  std::string full;
  if (const std::uint32_t e = FullPathName(name, full)) {
    if (lastError) *lastError = e;
    return 0;
  }
  if (full.size() >= UINT32_MAX) {
    if (lastError) *lastError = kErrorInvalidName;
    return 0;
  }
  const auto needed = static_cast<std::uint32_t>(full.size() + 1);
  if (needed > bufferLength || buffer == nullptr) return needed;
  std::memcpy(buffer, full.data(), full.size());
  buffer[full.size()] = '\0';
  if (filePart != nullptr) {
    // The final component starts after the last "\"; in a multi-byte code
    // page a trail byte may look like "\", so the text is searched as UTF-16.
    std::size_t start;
    const CodePage& cp = NameCodePage();
    if (cp.IsUtf8() || text::IsAscii(full)) {
      start = full.rfind('\\') + 1;
    } else {
      const String wide = cp.Decode(full);
      start = cp.Encode(std::u16string_view(wide).substr(0, wide.rfind(u'\\') + 1)).size();
    }
    *filePart = start >= full.size() ? nullptr : buffer + start;
  }
  return needed - 1;
}

std::uint32_t NameView::ToPosix(std::string_view name, std::string& posix) const {
  Resolved r;
  if (const std::uint32_t e = Resolve(name, Form::kPosix, r)) return e;
  posix = std::move(r.text);
  return 0;
}

std::uint32_t NameView::ToWindows(std::string_view posix, std::string& name) const {
  std::string utf8;
  if (const std::uint32_t e = WindowsOfPosix(UpToNul(posix), utf8)) return e;
  name = NameFromUtf8(utf8);
  return 0;
}

std::uint32_t NameView::CurrentFolder(std::string& name) const {
  std::string raw;
  if (!cwd_(raw)) return kErrorPathNotFound;
  return ToWindows(raw, name);
}

}  // namespace kor::platform
