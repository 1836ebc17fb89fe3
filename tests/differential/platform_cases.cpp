// Platform cases: one program, the same source for every platform layer, that
// calls the platform interfaces only and prints one line per case:
//
//   group/case<TAB>result
//
// with the result escaped to printable ASCII (\xNN for other bytes; "\"
// stays as it is). scripts/wine-differential runs it natively and
// under Wine and compares the two outputs line by line.
//
//   kortools_platform_cases Z:\tmp\kordiff.1234\posix
//
// The one argument is the work folder as a Windows name; it must exist and
// be empty. Every file is made below it, and every name printed shows the
// work folder as "<W>", so that two runs in different folders compare.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "kortools/error.h"
#include "platform/file_search.h"
#include "platform/paths.h"
#include "platform/profile_files.h"
#include "platform/temp_files.h"

namespace {

using kor::platform::FileCreation;
using kor::platform::GetFileCreation;
using kor::platform::GetFileSearch;
using kor::platform::GetFileSystemView;
using kor::platform::GetProfileFiles;

std::string g_work;  // the work folder, without a trailing "\"

std::string Escape(std::string_view s) {
  std::string out;
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    out += c >= 0x20 && c < 0x7F ? std::string(1, ch) : std::string(hex);
  }
  return out;
}

// `s` with the work folder shown as "<W>" (the letter case as given).
std::string Shown(std::string s) {
  for (std::size_t at = s.find(g_work); at != std::string::npos; at = s.find(g_work, at + 3))
    s.replace(at, g_work.size(), "<W>");
  return s;
}

void Print(std::string_view group, std::string_view name, std::string_view result) {
  std::printf("%.*s/%.*s\t%s\n", static_cast<int>(group.size()), group.data(), static_cast<int>(name.size()),
              name.data(), Escape(result).c_str());
}

std::string Hex(std::uint32_t n) {
  char s[12];
  std::snprintf(s, sizeof s, "%X", static_cast<unsigned>(n));
  return s;
}

// A name below the work folder ("prof\a.ini" gives "<work>\prof\a.ini").
std::string In(std::string_view relative) { return g_work + "\\" + std::string(relative); }

// The native name of a Windows name, for the setting up of files.
std::filesystem::path Native(const std::string& windows) {
  std::string posix;
  if (GetFileSystemView().ToPosix(windows, posix) != 0) throw std::runtime_error("no native name for " + windows);
  return std::filesystem::path(posix);
}

void MakeFolder(std::string_view relative) { GetFileCreation().MkDir(In(relative)); }

void WriteBytes(std::string_view relative, std::string_view bytes) {
  std::ofstream f(Native(In(relative)), std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + std::string(relative));
}

// The file's bytes, or "<missing>".
std::string ReadBytes(const std::string& windows) {
  std::ifstream f(Native(windows), std::ios::binary);
  if (!f) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// ---------------------------------------------------------------------------
// Profile files

constexpr std::string_view kReadIni =
    "; a comment line\n"
    "[Plain]\n"
    "QuotedBlanks=  \"  inside  \"  \n"
    "Long=0123456789abcdefghij\n"
    "Dup=first\n"
    "dup=second\n";

struct ReadCase {
  const char* name;
  const char* file;  // below <W>\prof
  const char* section;
  const char* key;
  const char* defaultText;
  std::uint32_t size;
};

// One case for each kind of answer the read gives.
constexpr ReadCase kReads[] = {
    {"missing-key", "read.ini", "Plain", "none", "dflt  ", 255},
    {"default-cut", "read.ini", "Plain", "none", "abcdefgh", 4},
    {"quoted-blanks", "read.ini", "Plain", "QuotedBlanks", "dflt", 255},
    {"cut-size-5", "read.ini", "Plain", "Long", "dflt", 5},
    {"duplicate-key", "read.ini", "Plain", "dup", "dflt", 255},
    {"utf16-bom", "utf16.ini", "Wide", "key", "dflt", 255},
    {"high-ansi-cut", "high.ini",
     "Gr\xF6\xDF"
     "e",
     "Schl\xFCssel", "dflt", 4},
};

std::string ReadResult(const ReadCase& c) {
  char buffer[256];
  std::memset(buffer, '#', sizeof buffer);
  const std::uint32_t n =
      GetProfileFiles().GetPrivateProfileString(c.section, c.key, c.defaultText, buffer, c.size, In("prof\\") + c.file);
  std::string shown = std::to_string(n) + " [" + std::string(buffer, std::min<std::uint32_t>(n, c.size)) + "]";
  // What the buffer holds after the text: its NUL, and untouched places.
  if (n < c.size) shown += buffer[n] == '\0' ? " nul" : " no-nul";
  return shown;
}

void ProfileReads() {
  MakeFolder("prof");
  WriteBytes("prof\\read.ini", kReadIni);
  WriteBytes("prof\\high.ini",
             "[Gr\xF6\xDF"
             "e]\nSchl\xFCssel=Wert \xE4\xF6\xFC\n");
  const char16_t wide[] = u"[Wide]\r\nkey=w\u00E9\r\n";
  std::string utf16 = "\xFF\xFE";
  for (const char16_t c : std::u16string_view(wide)) {
    utf16 += static_cast<char>(c & 0xFF);
    utf16 += static_cast<char>(c >> 8);
  }
  WriteBytes("prof\\utf16.ini", utf16);
  for (const ReadCase& c : kReads) Print("profile-read", c.name, ReadResult(c));
}

struct WriteCase {
  const char* name;
  const char* file;  // below <W>\prof
  const char* section;
  const char* key;
  const char* value;
  const char* readKey;  // read back after the write (section as written), or null
};

// Run in order: each case sees its file as the cases before it left it.
// Cases whose result may differ have files of their own, so that a
// difference shows in its own case only.
constexpr WriteCase kWrites[] = {
    {"new-file", "w.ini", "S1", "a", "1", nullptr},
    {"new-section", "w.ini", "S2", "c", "3", nullptr},
    {"replace-other-case", "w.ini", "s1", "A", "upper", "a"},
    {"edit-bom-file", "bom-w.ini", "B", "k", "\xE9", "k"},
    {"missing-folder", "none\\w.ini", "S", "k", "v", nullptr},
};

void ProfileWrites() {
  WriteBytes("prof\\bom-w.ini", "\xEF\xBB\xBF[B]\r\nk=old\r\n");
  for (const WriteCase& c : kWrites) {
    const std::string file = In("prof\\") + c.file;
    const bool ok = GetProfileFiles().WritePrivateProfileString(c.section, c.key, c.value, file);
    std::string shown = std::string(ok ? "ok" : "failed") + " " + ReadBytes(file);
    if (c.readKey != nullptr) {
      char buffer[256] = {};
      const std::uint32_t n =
          GetProfileFiles().GetPrivateProfileString(c.section, c.readKey, "dflt", buffer, sizeof buffer - 1, file);
      shown += " read " + std::to_string(n) + " [" + std::string(buffer, n) + "]";
    }
    Print("profile-write", c.name, shown);
  }
}

// ---------------------------------------------------------------------------
// Full path names (the current folder is <W>\cwd\a\b)

struct FullPathCase {
  const char* name;
  std::string path;
};

std::string FullPathResult(const std::string& path, std::uint32_t bufferLength) {
  std::vector<char> buffer(std::max<std::uint32_t>(bufferLength, 1) + 8, '#');
  char* part = nullptr;
  std::uint32_t error = 0;
  const std::uint32_t r = GetFileSystemView().GetFullPathName(path, bufferLength, buffer.data(), &part, &error);
  if (r == 0) return "0 error " + std::to_string(error);
  if (r >= bufferLength) {
    // Too small: the size needed, and whether the buffer was touched.
    const bool untouched = std::all_of(buffer.begin(), buffer.begin() + bufferLength, [](char c) { return c == '#'; });
    return std::to_string(r) + " too-small " + (untouched ? "untouched" : "written");
  }
  const std::string full(buffer.data());
  // A length that counts the work folder's name counts it as "W".
  const bool inWork = full.compare(0, g_work.size(), g_work) == 0;
  std::string shown = inWork ? "W+" + std::to_string(r - g_work.size()) : std::to_string(r);
  shown += (r == full.size() ? " " : " length-differs ") + Shown(full);
  shown += part == nullptr ? " part=null" : " part=" + std::string(part);
  return shown;
}

void FullPathNames() {
  MakeFolder("cwd");
  MakeFolder("cwd\\a");
  MakeFolder("cwd\\a\\b");
  std::filesystem::current_path(Native(In("cwd\\a\\b")));

  const FullPathCase cases[] = {
      {"trailing-dot-in-folder", "sub.\\file"},
      {"unc-dot-dot", "\\\\srv\\share\\..\\..\\x"},
      {"long-prefix", "\\\\?\\C:\\a\\..\\b"},
  };
  for (const FullPathCase& c : cases) Print("full-path", c.name, FullPathResult(c.path, 512));

  // The returned length and a buffer that is too small.
  const std::string name = "C:\\dir\\file.txt";  // 15 characters
  Print("full-path", "buffer-one-short", FullPathResult(name, 15));
  Print("full-path", "buffer-zero", FullPathResult(name, 0));
  std::filesystem::current_path(Native(g_work));
}

// ---------------------------------------------------------------------------
// Temporary names

std::string Existing(const std::string& file) {
  const std::string bytes = ReadBytes(file);
  return bytes == "<missing>" ? "missing" : "size " + std::to_string(bytes.size());
}

std::string TempNameResult(const std::string& folder, const std::string& prefix, std::uint32_t unique) {
  char name[FileCreation::kMaxPath];
  std::memset(name, '#', sizeof name);
  std::uint32_t error = 0;
  const std::uint32_t r = GetFileCreation().GetTempFileName(folder, prefix, unique, name, &error);
  if (r == 0) return "0 error " + std::to_string(error);
  return Hex(r) + " " + Shown(name) + " " + Existing(name);
}

void TempNames() {
  char buffer[512];
  const std::uint32_t n = GetFileCreation().GetTempPath(sizeof buffer, buffer);
  char small[2] = {'#', '#'};
  const std::uint32_t needed = GetFileCreation().GetTempPath(1, small);
  Print("temp", "path-buffer-too-small",
        (needed == n + 1 ? std::string("length with nul") : "other " + std::to_string(needed)) +
            (small[0] == '#'    ? " untouched"
             : small[0] == '\0' ? " nul"
                                : " written"));
  // A file is no folder to make a name in.
  MakeFolder("tmp");
  WriteBytes("tmp\\file", "x");
  Print("temp", "file-as-folder", TempNameResult(In("tmp\\file"), "f", 0));
}

// ---------------------------------------------------------------------------
// File search: each file alone in a folder of its own, so that the names a
// pattern matches are found one search each.

constexpr const char* kSearchFiles[] = {
    "a.txt", "b.TXT", "abc.txt", "ab.c", "axbyz.c", "x", "x.y.txt", "a.b.c", "c.tst", "noext", "tx.t", ".hidden",
};

constexpr const char* kPatterns[] = {
    "*.*",   "*",    "x.",    "noext.", "?.txt",  "*.t?t", "a*b*.c",  "*.txt",   "A*.TXT",
    "a.b.*", "*.c.", "x.*",   "x.y.*",  "*.t",    "?",     "*.tx?",   "a?.c",    "*x*",
    "*.c*",  "x.y",  "*.*.*", "*a",     "*.hid*", ".*",    "*hidden", "X.Y.TXT",
};

void FileSearches() {
  MakeFolder("search");
  const std::size_t count = std::size(kSearchFiles);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string folder = "search\\" + std::to_string(i);
    MakeFolder(folder);
    WriteBytes(folder + "\\" + kSearchFiles[i], "x");
  }
  auto& search = GetFileSearch();
  for (const char* pattern : kPatterns) {
    std::vector<std::string> found;
    for (std::size_t i = 0; i < count; ++i) {
      std::string name;
      const std::uint32_t e = search.FindEntry(In("search\\" + std::to_string(i) + "\\" + pattern),
                                               kor::platform::kFileAttributeHidden, name);
      if (e == 0) {
        found.push_back(name);
      } else if (e != kor::platform::kErrorFileNotFound) {
        found.push_back("<error " + std::to_string(e) + ">");
      }
    }
    std::sort(found.begin(), found.end());
    std::string shown;
    for (const std::string& f : found) shown += (shown.empty() ? "" : " ") + f;
    Print("search", pattern, shown.empty() ? "<none>" : shown);
  }

  // The first entry and the errors of FindFirstFile.
  const struct {
    const char* name;
    std::string pattern;
  } firsts[] = {
      {"first-of-star", In("search\\0\\*")},
      {"folder", In("search\\0")},
      {"missing-file", In("search\\0\\none.txt")},
      {"missing-folder", In("search\\none\\*")},
      {"wildcard-in-folder", In("sea*\\0\\a.txt")},
      {"trailing-separator", In("search\\0\\")},
      {"empty-name", ""},
  };
  for (const auto& f : firsts) {
    kor::platform::Win32FindData data;
    std::uint32_t error = 0;
    const auto h = search.FindFirstFile(f.pattern, data, error);
    if (h == kor::platform::kInvalidHandleValue) {
      Print("search-first", f.name, "error " + std::to_string(error));
      continue;
    }
    Print("search-first", f.name, data.cFileName + " attributes " + Hex(data.dwFileAttributes));
    search.FindClose(h);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kortools_platform_cases WORK-FOLDER (a Windows name, e.g. Z:\\tmp\\work)\n");
    return 2;
  }
  g_work = argv[1];
  while (g_work.size() > 3 && g_work.back() == '\\') g_work.pop_back();
  const struct {
    const char* group;
    void (*run)();
  } groups[] = {
      {"profile",
       [] {
         ProfileReads();
         ProfileWrites();
       }},
      {"full-path", FullPathNames},
      {"temp", TempNames},
      {"search", FileSearches},
  };
  int failures = 0;
  for (const auto& g : groups) {
    // A group that cannot be set up says so in one line and the others go on.
    try {
      g.run();
    } catch (const kor::Error& e) {
      Print(g.group, "setup-error", e.what());
      ++failures;
    } catch (const std::exception& e) {
      Print(g.group, "setup-error", e.what());
      ++failures;
    }
    std::fflush(stdout);
  }
  return failures == 0 ? 0 : 1;
}
