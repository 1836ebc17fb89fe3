// Fuzzes path names: korFileMan's path methods on arbitrary UTF-16 text (NULs
// and lone surrogates included) or on text made of the characters they look
// at, and the platform's mapping between Windows and POSIX names.
//
// Every method must return; the only errors are 5 from AnalyseFilename2 and 6
// from MakePathAbsolute. Every POSIX name maps to a Windows name and back to
// the same POSIX name, "." and ".." components and separator runs removed (a
// reference resolution below says what that name is).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_text.h"
#include "kortools/error.h"
#include "kortools/korFileMan.h"
#include "platform/posix/file_system_view.h"
#include "winrules/windows_names.h"

namespace {

using kor::fuzzing::Require;

constexpr char16_t kPathAlphabetUnits[] = {u'\\', u'\\', u'.', u'.', u':', u'/', u'a', u'C', u' ', u'"', u'\0', 0xD800};
constexpr std::u16string_view kPathAlphabet(kPathAlphabetUnits, std::size(kPathAlphabetUnits));

kor::String ConsumeText(FuzzedDataProvider& in, std::size_t maxUnits, bool dense) {
  return kor::fuzzing::ConsumeText(in, maxUnits, dense, kPathAlphabet);
}

std::string ConsumeName(FuzzedDataProvider& in, bool dense) {
  static constexpr char kDense[] = {'/', '/', '.', '.', '\\', 'C', 'c', ':', 's', 'r', 'v', 'd', '?', '\0', '\xc3'};
  std::string s;
  const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, 64);
  for (std::size_t i = 0; i < n && in.remaining_bytes() > 0; ++i) {
    const auto b = in.ConsumeIntegral<unsigned char>();
    s.push_back(dense ? kDense[b % sizeof kDense] : static_cast<char>(b));
  }
  return s;
}

void FuzzStrings(kor::korFileMan& fm, kor::String a, kor::String b) {
  const kor::String name = fm.GetFilename(a), path = fm.GetPath(a), folder = fm.GetFilePath(a);
  Require(path + name == a);
  Require(a.find(u'\\') == kor::String::npos ? folder.empty() : folder + u'\\' == path);
  const kor::String ext = fm.FileExtension(a);
  Require(ext.size() <= a.size());
  kor::String normalized = fm.NormalizePath(a);
  Require(normalized.back() == u'\\');
  if (a.empty() || a.back() != u'\\') Require(fm.UnNormalizePath(normalized) == a);
  Require(fm.SwitchToBackSlash(fm.SwitchToSlash(a)).size() == a.size());
  fm.PathIsRelative(a);

  kor::String d, f, n, e;
  Require(fm.AnalyseFilename(a, d, f, n, e) == -1);
  try {
    if (fm.AnalyseFilename2(a, d, f, n, e)) Require(d.size() + f.size() + n.size() + e.size() <= a.size());
  } catch (const kor::Error& err) {
    Require(err.Number() == 5);
  }
  try {
    fm.MakePathAbsolute(a, b);
  } catch (const kor::Error& err) {
    Require(err.Number() == 6);
  }
  const kor::String to = b;
  const kor::String rel = fm.MakePathRelative(a, b);
  Require(!a.empty() && a.back() == u'\\');
  Require(b == to);
}

// The POSIX name a POSIX name stands for, resolved by the text alone.
std::string Reference(const std::string& posix, const std::string& cwd) {
  std::vector<std::string> parts;
  auto add = [&parts](const std::string& text) {
    std::size_t i = 0;
    while (i <= text.size()) {
      const std::size_t j = std::min(text.find('/', i), text.size());
      const std::string comp = text.substr(i, j - i);
      if (comp == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!comp.empty() && comp != ".") {
        parts.push_back(comp);
      }
      i = j + 1;
    }
  };
  if (posix[0] != '/') add(cwd);
  add(posix);
  std::string out;
  for (const std::string& p : parts) out += "/" + p;
  if (out.empty()) return "/";
  if (posix.back() == '/') out += '/';
  return out;
}

const kor::platform::PosixFileSystemView& View() {
  static const auto utf8 = kor::platform::OpenCodePage("UTF-8");
  static const kor::platform::PosixFileSystemView view([] {
    kor::platform::PosixViewSettings s;
    s.drives = R"(C=/srv/c;D=/srv/c/d;Y=/;\\srv\share=/mnt/h)";
    s.codePage = utf8.get();
    s.tempFolder = "/tmp";
    s.currentFolder = [](std::string& out) {
      out = "/srv/c/w";
      return true;
    };
    return s;
  }());
  return view;
}

// True when a component of a POSIX name has no Windows name: one Windows
// would trim or refuse.
bool HasNoWindowsName(const std::string& name) {
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    if (kor::platform::windows_names::HasNoWindowsName(std::string_view(name).substr(start, end - start))) return true;
    start = end + 1;
  }
  return false;
}

// True when a component other than "." and ".." holds dots and blanks only:
// Windows' full path names take such a component differently where it ends
// the name and where it does not, so its full path name may stand for
// another entry.
bool HasDotsOnlyComponent(const std::string& name) {
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string::npos) end = name.size();
    const std::string_view part(name.data() + start, end - start);
    if (!part.empty() && part != "." && part != ".." && part.find_first_not_of(". ") == std::string_view::npos)
      return true;
    start = end + 1;
  }
  return false;
}

void FuzzMapping(const std::string& raw) {
  const auto& view = View();
  const std::string posix = raw.substr(0, raw.find('\0'));

  // POSIX -> Windows -> POSIX.
  std::string windows, back;
  const std::uint32_t e = view.ToWindows(raw, windows);
  if (posix.empty() || posix.find('\\') != std::string::npos) {
    Require(e == kor::platform::kErrorInvalidName);
  } else if (e == kor::platform::kErrorInvalidName) {
    Require(HasNoWindowsName(Reference(posix, "/srv/c/w")));
  } else {
    Require(e == 0);
    Require(view.ToPosix(windows, back) == 0);
    Require(back == Reference(posix, "/srv/c/w"));
    std::string again;
    Require(view.ToWindows(back, again) == 0 && again == windows);
  }

  // A name and its full path name stand for the same POSIX name.
  std::string full;
  if (view.FullPathName(raw, full) == 0) {
    std::string direct, viaFull;
    const std::uint32_t e1 = view.ToPosix(raw, direct);
    const std::uint32_t e2 = view.ToPosix(full, viaFull);
    const bool plainPosix =
        posix.size() >= 1 && posix[0] == '/' && (posix.size() == 1 || (posix[1] != '/' && posix[1] != '\\'));
    // Trailing dots and spaces go on both ways. A name is refused for what it
    // holds before its ".." components are taken out; its full path name may
    // no longer hold it. A dots-only component may also show only in the full
    // path name ("d:....../." is "D:\\......").
    if (!plainPosix && !HasDotsOnlyComponent(posix) && !HasDotsOnlyComponent(full) &&
        e1 != kor::platform::kErrorInvalidName)
      Require(e1 == e2 && direct == viaFull);
    char buffer[96];
    char* filePart = nullptr;
    const std::uint32_t n = view.GetFullPathName(raw, sizeof buffer, buffer, &filePart);
    Require(full.size() < sizeof buffer ? n == full.size() && full == buffer : n == full.size() + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool dense = in.ConsumeBool();
  if (in.ConsumeBool()) {
    kor::korFileMan fm;
    const kor::String a = ConsumeText(in, 4096, dense);
    const kor::String b = ConsumeText(in, 4096, dense);
    FuzzStrings(fm, a, b);
  } else {
    FuzzMapping(ConsumeName(in, dense));
  }
  return 0;
}
