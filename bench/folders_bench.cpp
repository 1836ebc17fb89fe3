// Folder creation: CreatePath of a 50-level tree beside `mkdir -p` of the
// same tree (started with posix_spawn, as a script would run it; the goal is
// at most twice its time), and beside the plain mkdir() calls that `mkdir -p`
// makes, in this process. GetTempFilePathname in a folder that already holds
// 1,000 temporary files. Wall-clock times, since `mkdir -p` runs in a process
// of its own. Everything happens in a fresh folder under $TMPDIR (or /tmp):
// run with TMPDIR=/dev/shm to see the library's own share without the
// file system's journal.
#include <benchmark/benchmark.h>
#include <ftw.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "frame/text.h"
#include "kortools/korFileMan.h"
#include "platform/paths.h"

extern char** environ;

namespace {

constexpr int kLevels = 50;

// A fresh folder for one benchmark, removed with everything in it at the end.
class Scratch {
 public:
  Scratch() {
    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/kortools_folders_XXXXXX";
    if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
    posix_ = tmpl;
  }
  ~Scratch() { Clear(posix_, true); }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const std::string& posix() const { return posix_; }

  // Removes what `folder` holds, and the folder itself when `self`.
  static void Clear(const std::string& folder, bool self) {
    ::nftw(
        folder.c_str(),
        [](const char* path, const struct stat*, int, struct FTW* ftw) {
          if (ftw->level > 0) ::remove(path);
          return 0;
        },
        16, FTW_DEPTH | FTW_PHYS);
    if (self) ::rmdir(folder.c_str());
  }

 private:
  std::string posix_;
};

// "d01/d02/.../d50" with the given separator.
std::string Tree(char sep) {
  std::string s;
  for (int i = 1; i <= kLevels; ++i) {
    s += 'd';
    s += static_cast<char>('0' + i / 10);
    s += static_cast<char>('0' + i % 10);
    if (i < kLevels) s += sep;
  }
  return s;
}

// Each iteration creates the whole tree under an emptied scratch folder.
template <typename F>
void EachTree(benchmark::State& state, F&& create) {
  Scratch scratch;
  for (auto _ : state) {
    create(scratch.posix());
    state.PauseTiming();
    struct stat st {};
    if (::stat((scratch.posix() + "/" + Tree('/')).c_str(), &st) != 0) state.SkipWithError("tree not created");
    Scratch::Clear(scratch.posix(), false);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kLevels);
}

void BM_CreatePath_50Levels(benchmark::State& state) {
  kor::korFileMan fm;
  EachTree(state, [&fm](const std::string& base) {
    std::string windows;
    kor::platform::GetFileSystemView().ToWindows(base + "/" + Tree('/') + "/", windows);
    benchmark::DoNotOptimize(fm.CreatePath(kor::text::FromUtf8(windows)));
  });
}
BENCHMARK(BM_CreatePath_50Levels)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_MkdirP_Spawned_50Levels(benchmark::State& state) {
  EachTree(state, [](const std::string& base) {
    std::string path = base + "/" + Tree('/');
    char mkdir[] = "mkdir";
    char p[] = "-p";
    char* argv[] = {mkdir, p, path.data(), nullptr};
    pid_t pid = 0;
    int status = 0;
    if (::posix_spawnp(&pid, "mkdir", nullptr, nullptr, argv, environ) != 0 || ::waitpid(pid, &status, 0) != pid)
      std::abort();
  });
}
BENCHMARK(BM_MkdirP_Spawned_50Levels)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_MkdirCalls_50Levels(benchmark::State& state) {
  EachTree(state, [](const std::string& base) {
    std::string path = base;
    for (char c : "/" + Tree('/') + "/") {
      if (c == '/' && path.size() > base.size()) ::mkdir(path.c_str(), 0777);
      path += c;
    }
  });
}
BENCHMARK(BM_MkdirCalls_50Levels)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_GetTempFilePathname(benchmark::State& state) {
  Scratch scratch;
  std::string windows;
  kor::platform::GetFileSystemView().ToWindows(scratch.posix(), windows);
  kor::String folder = kor::text::FromUtf8(windows);
  kor::String prefix = u"kor";
  kor::korFileMan fm;
  for (int i = 0; i < 1000; ++i) fm.GetTempFilePathname(&folder, &prefix);
  for (auto _ : state) {
    const kor::String name = fm.GetTempFilePathname(&folder, &prefix);
    state.PauseTiming();
    std::string posix;
    kor::platform::GetFileSystemView().ToPosix(kor::text::ToUtf8(name), posix);
    ::unlink(posix.c_str());
    state.ResumeTiming();
  }
}
BENCHMARK(BM_GetTempFilePathname)->Unit(benchmark::kMicrosecond);

}  // namespace
