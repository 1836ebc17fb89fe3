// Absolute and relative path names. MakePathAbsolute and MakePathRelative work
// on the strings alone; GetFullPathFilePart asks the platform for a full path
// name.
#include <algorithm>

#include "fileman/full_path.h"
#include "kortools/error.h"
#include "kortools/korFileMan.h"
#include "platform/code_page.h"

namespace kor {
namespace {

// The largest position a 16-bit Integer holds.
constexpr std::size_t kMaxIntegerPosition = 32767;
// The buffer the full path name is asked into.
constexpr std::uint32_t kFullPathBuffer = 512;

String TrimSpaces(const String& s) {
  const auto first = s.find_first_not_of(u' ');
  if (first == String::npos) return String();
  return s.substr(first, s.find_last_not_of(u' ') - first + 1);
}

bool IsNetworkName(const String& s) { return s.size() >= 2 && s[0] == u'\\' && s[1] == u'\\'; }

bool StartsWith(const String& s, std::size_t at, std::u16string_view prefix) {
  return s.size() - std::min(at, s.size()) >= prefix.size() && s.compare(at, prefix.size(), prefix) == 0;
}

// The base folder without trailing separators, but never shorter than its
// root: the dot forms treat 'C:\base\' as 'C:\base'.
String WithoutTrailingSeparators(String a, std::size_t rootLength) {
  while (a.size() > rootLength && a.back() == u'\\') a.pop_back();
  return a;
}

// The 1-based position of the first "\" after 1-based position `after`; 0
// when there is none.
std::size_t NextSeparator(const String& s, std::size_t after) {
  const auto p = s.find(u'\\', after);
  return p == String::npos ? 0 : p + 1;
}

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && platform::UpperCase(a[i]) != platform::UpperCase(b[i])) return false;
  return true;
}

}  // namespace

// The base folder's root is the drive ('C:') or the network root
// ('\\server\share'). Two positions are Integers, as they always were: the
// first "\" after the server name of a network base folder, and the scan
// position of a "..\" step; either overflowing raises error 6.
//
// Beyond the fixed steps: in the ".\" and "..\" forms a trailing separator of
// the base folder counts as absent, as it does in the plain form ('.\file'
// and '..\file' against 'C:\base\' give 'C:\base\file' and 'C:\file'), and a
// base folder with a drive but no ":\" ('C:', 'C:dir') is used as given
// ('.\file' against 'C:' gives 'C:\file').
String korFileMan::MakePathAbsolute(String& File2MakeAbsolute, String& AbsolutePath) {
  const String f = TrimSpaces(File2MakeAbsolute);
  const String a = TrimSpaces(AbsolutePath);
  if (f.empty()) return f;

  String root;
  if (IsNetworkName(a)) {
    const auto k0 = a.find(u'\\', 2);
    const std::size_t k = k0 == String::npos ? 3 : k0 + 1;
    if (k >= kMaxIntegerPosition) throw Error::Runtime(6);  // k, or the search from k + 1, overflows
    const auto next = a.find(u'\\', k);
    root = next == String::npos ? a : a.substr(0, next);
  } else {
    root = a.substr(0, 2);
    if (root.empty() || root.back() != u':') return f;  // the base folder is not absolute
  }

  const bool quoted = f[0] == u'"';
  const std::size_t w = quoted ? 1 : 0;  // W is f from index w on
  const std::size_t wLength = f.size() - w;
  if ((wLength >= 2 && f[w + 1] == u':') || (wLength >= 2 && f[w] == u'\\' && f[w + 1] == u'\\')) return f;

  String r;
  if (quoted) r = u"\"";
  if (wLength >= 1 && f[w] == u'\\') {
    // Rooted on the base folder's drive or network root.
    r += root;
    r.append(f, w);
  } else if (StartsWith(f, w, u".\\")) {
    r += WithoutTrailingSeparators(a, root.size());
    r.append(f, w + 1);
  } else if (StartsWith(f, w, u"..\\")) {
    String base = a;
    std::size_t from = w;
    bool first = true;
    while (StartsWith(f, from, u"..\\")) {
      if (base.size() > kMaxIntegerPosition) throw Error::Runtime(6);
      if (first) base = WithoutTrailingSeparators(std::move(base), root.size());
      first = false;
      // Back to the last "\" after the root; the root itself stays.
      std::size_t i = base.size();
      while (i > root.size() + 1 && base[i - 1] != u'\\') --i;
      base.resize(std::max(i - 1, root.size()));
      from += 3;
    }
    if (from == f.size()) return f;  // nothing after the "..\" steps
    r += base;
    r += u'\\';
    r.append(f, from);
  } else {
    r += a;
    if (a.back() != u'\\') r += u'\\';
    r.append(f, w);
  }
  return r;
}

// Compares folder by folder ignoring case; the rest of toFile keeps its case.
String korFileMan::MakePathRelative(String& fromPath, String& toFile) {
  if (fromPath.empty() || fromPath.back() != u'\\') fromPath += u'\\';
  const String& from = fromPath;
  const String& to = toFile;

  std::size_t prev = 0, pF = 0, pT = 0;  // 1-based positions, 0 for none
  bool matched = false;
  for (;;) {
    pF = NextSeparator(from, prev);
    pT = NextSeparator(to, prev);
    if (pF != pT || pF == 0) break;
    if (!EqualIgnoringCase(std::u16string_view(from).substr(prev, pF - prev),
                           std::u16string_view(to).substr(prev, pT - prev)))
      break;
    prev = pF;
    matched = true;
  }
  if (!matched) return String();

  String rel;
  if (pF > prev) {
    const auto levels = std::count(from.begin() + static_cast<std::ptrdiff_t>(pF - 1), from.end(), u'\\');
    rel.reserve(static_cast<std::size_t>(levels) * 3 + to.size() - prev);
    for (std::ptrdiff_t k = 0; k < levels; ++k) rel += u"..\\";
  }
  if (pT > prev && rel.empty()) rel = u".\\";
  rel.append(to, prev);
  return rel;
}

namespace fileman {

// When the platform cannot give the full path name the result is the empty
// string; a full path name longer than the 512-character buffer is asked for
// again with the size the platform reported, so long names work too.
String FullPathFilePart(const platform::FileSystemView& view, String& path) {
  if (path.empty()) return String();
  const platform::CodePage& cp = view.NameCodePage();
  const std::string name = cp.Encode(path);
  std::string buffer(kFullPathBuffer, '\0');
  std::uint32_t n = view.GetFullPathName(name, kFullPathBuffer, buffer.data(), nullptr);
  path = cp.Decode(name);  // the caller's variable comes back through the code page
  if (n >= kFullPathBuffer) {
    buffer.assign(n, '\0');
    n = view.GetFullPathName(name, n, buffer.data(), nullptr);
    if (n >= buffer.size()) return String();
  }
  if (n == 0) return String();
  buffer.resize(n);
  const String full = cp.Decode(buffer);
  const auto last = full.rfind(u'\\');
  return last == String::npos ? full : full.substr(last + 1);
}

}  // namespace fileman

String korFileMan::GetFullPathFilePart(String& path) {
  return fileman::FullPathFilePart(platform::GetFileSystemView(), path);
}

}  // namespace kor
