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
// be empty. Every file is made below it, and what is printed names no
// folder, so that two runs in different folders compare.
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
  // "[Wide]\r\nkey=w\u00E9\r\n" in UTF-16LE, with its byte order mark.
  WriteBytes("prof\\utf16.ini",
             std::string_view("\xFF\xFE[\0W\0i\0d\0e\0]\0\r\0\n\0k\0e\0y\0=\0w\0\xE9\0\r\0\n\0", 34));
  for (const ReadCase& c : kReads) Print("profile-read", c.name, ReadResult(c));
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
      {"first-of-star", In("search\\0\\*")},       {"folder", In("search\\0")},
      {"missing-file", In("search\\0\\none.txt")}, {"missing-folder", In("search\\none\\*")},
      {"trailing-separator", In("search\\0\\")},
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
      {"profile", ProfileReads},
      {"search", FileSearches},
  };
  int failures = 0;
  for (const auto& g : groups) {
    // A group that cannot be set up says so in one line and the others go on.
    try {
      g.run();
    } catch (const std::exception& e) {
      Print(g.group, "setup-error", e.what());
      ++failures;
    }
    std::fflush(stdout);
  }
  return failures == 0 ? 0 : 1;
}
