// File queries: FileExists with a wildcard that matches only the last entry
// of a folder of 100,000 files, beside `ls` of the same folder (run from here,
// output to /dev/null, so both are timed alike), and the cost of the lock
// probes: FileIsLocked and FileIsAvailable through a file lease, and the scan
// of /proc that stands in where no lease is granted.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "frame/text.h"
#include "kortools/korFileMan.h"
#include "platform/posix/lock_probes.h"

extern char** environ;

namespace {

using kor::String;

constexpr int kFiles = 100'000;

// A folder of kFiles files "f000000.dat" ... and, made last, "zz-last.txt":
// the only one "*.txt" matches. Removed when the program ends.
class BigFolder {
 public:
  BigFolder() {
    char templ[] = "/tmp/korqbench.XXXXXX";
    path_ = ::mkdtemp(templ);
    char name[32];
    for (int i = 0; i < kFiles - 1; ++i) {
      std::snprintf(name, sizeof name, "/f%06d.dat", i);
      ::close(::open((path_ + name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
    }
    ::close(::open((path_ + "/zz-last.txt").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
  }
  ~BigFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& posix() const { return path_; }
  String Windows(const std::string& rel) const {
    std::string w = "Z:" + path_ + "/" + rel;
    for (char& c : w)
      if (c == '/') c = '\\';
    return kor::text::FromUtf8(w);
  }

 private:
  std::string path_;
};

BigFolder& Folder() {
  static BigFolder folder;
  return folder;
}

void BM_FileExistsLastOf100k(benchmark::State& state) {
  kor::korFileMan fm;
  String pattern = Folder().Windows("*.TXT");
  for (auto _ : state) {
    if (fm.FileExists(pattern) != -1) state.SkipWithError("not found");
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_FileExistsLastOf100k)->Unit(benchmark::kMillisecond)->UseRealTime();

// `ls` (sorted, as a person runs it) or `ls -f` (folder order, no sorting) of
// the folder, its output thrown away.
void Ls(benchmark::State& state, bool sorted) {
  const std::string folder = Folder().posix();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::string ls = "ls", flag = sorted ? "-1" : "-f";
  char* argv[] = {ls.data(), flag.data(), const_cast<char*>(folder.c_str()), nullptr};
  for (auto _ : state) {
    pid_t pid;
    if (posix_spawnp(&pid, "ls", &actions, nullptr, argv, environ) != 0) {
      state.SkipWithError("ls cannot be run");
      break;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
  }
  posix_spawn_file_actions_destroy(&actions);
  state.SetItemsProcessed(state.iterations() * kFiles);
}

void BM_Ls100k(benchmark::State& state) { Ls(state, true); }
BENCHMARK(BM_Ls100k)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LsUnsorted100k(benchmark::State& state) { Ls(state, false); }
BENCHMARK(BM_LsUnsorted100k)->Unit(benchmark::kMillisecond)->UseRealTime();

// A small file for the lock probes, in a folder of its own.
struct ProbeFile {
  ProbeFile() {
    char templ[] = "/tmp/korqlock.XXXXXX";
    folder = ::mkdtemp(templ);
    posix = folder + "/probe.bin";
    ::close(::open(posix.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
    std::string w = "Z:" + posix;
    for (char& c : w)
      if (c == '/') c = '\\';
    windows = kor::text::FromUtf8(w);
  }
  ~ProbeFile() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  std::string folder, posix;
  String windows;
};

void BM_FileIsLocked(benchmark::State& state) {
  ProbeFile f;
  kor::korFileMan fm;
  for (auto _ : state) benchmark::DoNotOptimize(fm.FileIsLocked(f.windows));
}
BENCHMARK(BM_FileIsLocked)->Unit(benchmark::kMicrosecond);

void BM_FileIsAvailableExclusive(benchmark::State& state) {
  ProbeFile f;
  kor::korFileMan fm;
  kor::Boolean exclusive = true;
  for (auto _ : state) benchmark::DoNotOptimize(fm.FileIsAvailable(f.windows, exclusive));
}
BENCHMARK(BM_FileIsAvailableExclusive)->Unit(benchmark::kMicrosecond);

// The check alone, on an open descriptor: 0 by lease, 1 by the scan of /proc.
void BM_OpenElsewhere(benchmark::State& state) {
  ProbeFile f;
  const int fd = ::open(f.posix.c_str(), O_RDWR | O_CLOEXEC);
  const auto how = state.range(0) == 0 ? kor::platform::InUseCheck::kLeaseThenScan : kor::platform::InUseCheck::kScan;
  for (auto _ : state) benchmark::DoNotOptimize(kor::platform::OpenElsewhere(fd, false, how));
  ::close(fd);
  state.SetLabel(state.range(0) == 0 ? "lease" : "scan of /proc");
}
BENCHMARK(BM_OpenElsewhere)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
