// kortools_peers: one side of one row of scripts/bench per process.
//
//   kortools_peers setup DIR                 makes the fixtures of every row in DIR
//   kortools_peers ROW SIDE DIR [REPEATS]    times one side of a row
//
// A timed run prints one line, "<milliseconds> <check>": the median of
// REPEATS runs of the operation (default 5), fixtures made and cleared
// outside the clock, and a number from the result that scripts/bench compares
// between the two sides, so that a side that does less work shows up.
// Sides: "kor" (the library), "peer" (the plain program the row is measured
// against) and, for some rows, "bound" (what the machine cannot beat).
// scripts/bench runs the processes, alternating the sides, and times the
// peers that are programs of their own (Python, mkdir -p, ls -f) itself.
#include <INIReader.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "frame/text.h"
#include "kortools/korCSV_IO.h"
#include "kortools/korFileMan.h"
#include "kortools/korINI.h"
#include "kortools/korParse.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFields = 1'000'000;  // ParseString: fields of the line
constexpr int kHits = 2'000'000;    // SandR: occurrences in 10 M characters
constexpr int kTokens = 100'000;    // ParseTokenArray: tokens of the 1 MB line
constexpr int kLevels = 50;         // CreatePath: folders below the base
constexpr int kFiles = 100'000;     // FileExists: files of the folder
constexpr int kIniKeys = 1000;      // GetIni: keys of the file
constexpr int kGroup = 100;         // GetGroupKeys: keys and items
constexpr int kIniCalls = 200'000;  // GetIni: calls per timed run

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "kortools_peers: %s\n", what.c_str());
  std::exit(2);
}

std::u16string U(const std::string& s) { return kor::text::FromUtf8(s); }

// A POSIX path as the library's callers name it: "Z:\dev\shm\...".
std::u16string Windows(const fs::path& path) {
  std::u16string name = u"Z:" + U(path.string());
  for (char16_t& c : name)
    if (c == u'/') c = u'\\';
  return name;
}

// Median milliseconds of `repeats` runs of `run`; `before` and `after` run
// outside the clock.
double Median(int repeats, const std::function<void()>& run, const std::function<void()>& before = {},
              const std::function<void()>& after = {}) {
  std::vector<double> ms;
  for (int i = 0; i < repeats; ++i) {
    if (before) before();
    const auto t0 = Clock::now();
    run();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    if (after) after();
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

// Runs a program with its output to /dev/null; its exit status.
int Spawn(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) Fail("cannot run " + argv[0]);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

std::string Repeat(const std::string& unit, int times) {
  std::string s;
  s.reserve(unit.size() * static_cast<std::size_t>(times));
  for (int i = 0; i < times; ++i) s += unit;
  return s;
}

// The texts of the string rows, the same for both sides.
std::string SandRText() { return Repeat("a the", kHits); }  // 10 M characters
std::string FieldsLine() {
  std::string s = Repeat("field7,", kFields);
  s.pop_back();
  return s;
}
std::string TokenLine() { return Repeat("tok'en567 ", kTokens); }  // 1 M characters

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out) Fail("cannot write " + path.string());
}

void Setup(const fs::path& dir) {
  fs::create_directories(dir / "files");
  for (int i = 0; i < kFiles; ++i) {
    const std::string name = (dir / "files" / ("file" + std::to_string(100000 + i) + ".dat")).string();
    const int fd = ::open(name.c_str(), O_CREAT | O_WRONLY, 0644);
    if (fd < 0) Fail("cannot create " + name);
    ::close(fd);
  }
  std::string ini = "; settings of a bench program\r\n[Settings]\r\n";
  for (int i = 0; i < kIniKeys; ++i) ini += "Key" + std::to_string(i) + "=value number " + std::to_string(i) + "\r\n";
  WriteFile(dir / "keys.ini", ini);
  std::string group = "[Group]\r\nNumberOfItems=" + std::to_string(kGroup) + "\r\n";
  for (int i = 1; i <= kGroup; ++i)
    for (int j = 1; j <= kGroup; ++j)
      group += "Base" + std::to_string(i) + "_" + std::to_string(j) + "=value " + std::to_string(i) + "/" +
               std::to_string(j) + "\r\n";
  WriteFile(dir / "group.ini", group);
}

std::string Format(double ms, double check) {
  char line[64];
  std::snprintf(line, sizeof line, "%.4f %.0f", ms, check);
  return line;
}

std::string Csv(const std::string& side, const fs::path& file, int repeats) {
  double check = 0;
  if (side == "kor") {
    kor::String name = Windows(file);
    kor::korCSV_IO csv;
    kor::StringArray data;
    const double ms = Median(
        repeats,
        [&] {
          csv.ReadCSVFile(name, data);
          check = data.Dims() == 2 ? data.UBound(2) : 0;
        },
        {}, [&] { data = kor::StringArray(); });
    return Format(ms, check);
  }
  if (side == "bound") {  // one read of the file and a memchr pass over it
    std::string bytes;
    const double ms = Median(repeats, [&] {
      const int fd = ::open(file.c_str(), O_RDONLY);
      struct stat st;
      if (fd < 0 || ::fstat(fd, &st) != 0) Fail("cannot read " + file.string());
      bytes.resize(static_cast<std::size_t>(st.st_size));
      std::size_t got = 0;
      while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
      }
      ::close(fd);
      std::size_t lines = 0;
      for (const char* p = bytes.data();
           (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(bytes.data() + got - p)))) !=
           nullptr;
           ++p)
        ++lines;
      check = static_cast<double>(lines);
      std::string().swap(bytes);
    });
    return Format(ms, check);
  }
  Fail("csv has the sides kor and bound");
}

std::string SandR(const std::string& side, int repeats) {
  if (side != "kor") Fail("sandr: the peer is Python's str.replace");
  kor::String text = U(SandRText()), search = u"the", replacing = u"a";
  kor::korParse p;
  double check = 0;
  const double ms = Median(repeats, [&] {
    kor::Variant v = p.SandR(text, search, replacing);
    check = static_cast<double>(v.get_if<kor::String>()->size());  // read in place, as Python's len()
  });
  return Format(ms, check);
}

std::string ParseString(const std::string& side, int repeats) {
  const std::string line = FieldsLine();
  double check = 0;
  if (side == "kor") {
    kor::String text = U(line);
    kor::korParse p;
    const double ms = Median(repeats, [&] { check = static_cast<double>(p.ParseString(text, u",", kFields).size()); });
    return Format(ms, check);
  }
  // The peer: memchr from one comma to the next, then the field copied.
  const double ms = Median(repeats, [&] {
    const char* p = line.data();
    const char* const end = p + line.size();
    for (int i = 1; i < kFields && p != nullptr; ++i) {
      p = static_cast<const char*>(std::memchr(p, ',', static_cast<std::size_t>(end - p)));
      if (p != nullptr) ++p;
    }
    const char* q = p == nullptr ? nullptr : static_cast<const char*>(std::memchr(p, ',', end - p));
    std::string field = p == nullptr ? std::string() : std::string(p, q == nullptr ? end : q);
    check = static_cast<double>(field.size());
  });
  return Format(ms, check);
}

std::string TokenArray(const std::string& side, int repeats) {
  kor::String text = U(TokenLine());
  double check = 0;
  if (side == "kor") {
    kor::korParse p;
    kor::Integer limit = 0;
    kor::StringArray tokens;
    const double ms = Median(
        repeats,
        [&] {
          kor::Integer found = 0;
          p.ParseTokenArray(text, limit, tokens, found);
          check = found;
        },
        {}, [&] { tokens = kor::StringArray(); });
    return Format(ms, check);
  }
  // The peer: a naive split at the spaces into a vector.
  std::vector<kor::String> tokens;
  const double ms = Median(
      repeats,
      [&] {
        std::size_t start = 0;
        for (;;) {
          const std::size_t space = text.find(u' ', start);
          tokens.emplace_back(text.substr(start, space == kor::String::npos ? kor::String::npos : space - start));
          if (space == kor::String::npos) break;
          start = space + 1;
        }
        check = static_cast<double>(std::min<std::size_t>(tokens.size(), 32767));
      },
      {}, [&] { std::vector<kor::String>().swap(tokens); });
  return Format(ms, check);
}

std::string CreatePath(const std::string& side, const fs::path& dir, int repeats) {
  // Each run makes the 50 levels below a fresh folder of the tmpfs.
  const fs::path base = dir / "levels";
  fs::path leaf = base;
  for (int i = 1; i <= kLevels; ++i) leaf /= "d" + std::to_string(i % 10);  // the whole name well below 260 characters
  const auto clear = [&] { fs::remove_all(base); };
  clear();
  double check = 0;
  std::function<void()> run;
  if (side == "kor") {
    kor::korFileMan fm;
    const kor::String name = Windows(leaf) + u"\\";
    run = [&] { check = fm.CreatePath(name) && fs::is_directory(leaf) ? 1 : 0; };
    const double ms = Median(repeats, run, {}, clear);
    return Format(ms, check);
  }
  if (side == "peer") {
    run = [&] { check = Spawn({"mkdir", "-p", leaf.string()}) == 0 ? 1 : 0; };
  } else {  // the bound: one mkdir() per level
    run = [&] {
      std::string path = base.string();
      ::mkdir(path.c_str(), 0777);
      for (int i = 1; i <= kLevels; ++i) {
        path += "/d" + std::to_string(i % 10);
        ::mkdir(path.c_str(), 0777);
      }
      check = 1;
    };
  }
  const double ms = Median(repeats, run, {}, clear);
  return Format(ms, check);
}

std::string FileExists(const std::string& side, const fs::path& dir, int repeats) {
  double check = 0;
  if (side == "kor") {
    kor::korFileMan fm;
    kor::String pattern = Windows(dir / "files" / "*.TXT");
    const double ms = Median(repeats, [&] { check = fm.FileExists(pattern); });
    return Format(ms, check);
  }
  const double ms = Median(repeats, [&] { check = Spawn({"ls", "-f", (dir / "files").string()}); });
  return Format(ms, check);
}

std::string GetIni(const std::string& side, const fs::path& dir, int repeats) {
  // Per call in microseconds: the run's milliseconds over the calls, times 1000.
  const std::string file = (dir / "keys.ini").string();
  double check = 0;
  double ms = 0;
  if (side == "kor") {
    kor::korINI ini;
    kor::String name = Windows(file), section = u"Settings", def;
    std::vector<kor::String> keys;
    for (int i = 0; i < kIniKeys; ++i) keys.push_back(u"Key" + U(std::to_string(i)));
    ms = Median(repeats, [&] {
      std::size_t total = 0;
      for (int i = 0, k = 0; i < kIniCalls; ++i, k = (k + 373) % kIniKeys)
        total += ini.GetIni(section, keys[static_cast<std::size_t>(k)], def, name).size();
      check = static_cast<double>(total);
    });
  } else if (side == "bound") {
    // What a read that is never stale cannot avoid: one look at the file.
    struct stat st;
    ms = Median(repeats, [&] {
      std::size_t total = 0;
      for (int i = 0; i < kIniCalls; ++i) total += ::stat(file.c_str(), &st) == 0 ? 1 : 0;
      check = static_cast<double>(total);
    });
  } else if (side == "syscall") {
    // The cheapest system call there is: what any look at the file costs at
    // the least on this machine.
    ms = Median(repeats, [&] {
      std::size_t total = 0;
      for (int i = 0; i < kIniCalls; ++i) total += ::syscall(SYS_getppid) > 0 ? 1 : 0;
      check = static_cast<double>(total);
    });
  } else {
    // The peer: the file parsed once into a map, then looked up.
    INIReader reader(file);
    if (reader.ParseError() != 0) Fail("inih cannot read " + file);
    std::vector<std::string> keys;
    for (int i = 0; i < kIniKeys; ++i) keys.push_back("Key" + std::to_string(i));
    ms = Median(repeats, [&] {
      std::size_t total = 0;
      for (int i = 0, k = 0; i < kIniCalls; ++i, k = (k + 373) % kIniKeys)
        total += reader.Get("Settings", keys[static_cast<std::size_t>(k)], "").size();
      check = static_cast<double>(total);
    });
  }
  return Format(ms * 1000.0 / kIniCalls, check);
}

std::string GroupKeys(const std::string& side, const fs::path& dir, int repeats) {
  const std::string file = (dir / "group.ini").string();
  double check = 0;
  if (side == "kor") {
    kor::korINI ini;
    kor::String name = Windows(file), section = u"Group";
    kor::StringArray names, values;
    names.ReDim(1, kGroup);
    for (int i = 1; i <= kGroup; ++i) names(i) = u"Base" + U(std::to_string(i)) + u"_";
    kor::Integer items = 0;
    const double ms = Median(repeats, [&] {
      ini.GetGroupKeys(name, section, names, items, values);
      std::size_t total = 0;
      for (const auto& v : values.Items()) total += v.size();
      check = static_cast<double>(total);
    });
    return Format(ms, check);
  }
  // The peer: the file parsed, then the same values looked up.
  const double ms = Median(repeats, [&] {
    INIReader reader(file);
    const long items = reader.GetInteger("Group", "NumberOfItems", 1);
    std::size_t total = 0;
    for (int i = 1; i <= kGroup; ++i)
      for (long j = 1; j <= items; ++j)
        total += reader.Get("Group", "Base" + std::to_string(i) + "_" + std::to_string(j), "").size();
    check = static_cast<double>(total);
  });
  return Format(ms, check);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::string(argv[1]) == "setup") {
    Setup(argv[2]);
    return 0;
  }
  if (argc < 4) {
    std::fprintf(stderr, "usage: kortools_peers setup DIR | ROW SIDE DIR [REPEATS] [CSVFILE]\n");
    return 2;
  }
  const std::string row = argv[1], side = argv[2];
  const fs::path dir = argv[3];
  const int repeats = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;
  try {
    std::string out;
    if (row == "csv") {
      if (argc < 6) Fail("csv needs the file");
      out = Csv(side, argv[5], repeats);
    } else if (row == "sandr") {
      out = SandR(side, repeats);
    } else if (row == "parsestring") {
      out = ParseString(side, repeats);
    } else if (row == "tokens") {
      out = TokenArray(side, repeats);
    } else if (row == "createpath") {
      out = CreatePath(side, dir, repeats);
    } else if (row == "fileexists") {
      out = FileExists(side, dir, repeats);
    } else if (row == "getini") {
      out = GetIni(side, dir, repeats);
    } else if (row == "groupkeys") {
      out = GroupKeys(side, dir, repeats);
    } else {
      Fail("no row " + row);
    }
    std::printf("%s\n", out.c_str());
  } catch (const std::exception& e) {
    Fail(row + " " + side + ": " + e.what());
  }
  return 0;
}
