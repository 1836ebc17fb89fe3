// korFileMan's file operations (the shell path) beside the system's tools, in
// the same run:
// - FileCopy of a 1 GB file, against `cp` on the same file;
// - FileDelete of 10,000 files to the recycle bin, against `gio trash`
//   (skipped when gio is not installed).
// Files live in a fresh folder under /var/tmp (a disk, where /tmp may be a
// tmpfs); the trash is pointed there through XDG_DATA_HOME.
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kortools/korFileMan.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// A scratch folder on disk, removed at exit.
char g_scratch[] = "/var/tmp/kor-fileops-bench-XXXXXX";

const std::string& Scratch() {
  static const std::string folder = [] {
    if (::mkdtemp(g_scratch) == nullptr) std::abort();
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(g_scratch, ec);
    });
    return std::string(g_scratch);
  }();
  return folder;
}

// Runs a program found on PATH with the given arguments; its exit status, or
// -1 when it could not start.
int Spawn(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int e = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (e != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveProgram(const char* name) {
  return Spawn({"sh", "-c", std::string("command -v ") + name + " >/dev/null"}) == 0;
}

// The Windows name of an ASCII POSIX name: "Z:\var\tmp\x".
kor::String WindowsName(const std::string& posix) {
  kor::String name = u"Z:";
  for (const char c : posix) name += c == '/' ? u'\\' : static_cast<char16_t>(c);
  return name;
}

// ---------------------------------------------------------------------------
// A 1 GB file copy.

const std::string& BigFile() {
  static const std::string path = [] {
    const std::string p = Scratch() + "/big.bin";
    std::vector<char> block(std::size_t{1} << 20);
    std::ofstream out(p, std::ios::binary);
    for (int i = 0; i < 1024; ++i) {
      for (std::size_t j = 0; j < block.size(); j += 512) block[j] = static_cast<char>(i + j / 512);
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    return p;
  }();
  return path;
}

template <typename Copy>
void TimeCopies(benchmark::State& state, Copy copy) {
  const std::string& src = BigFile();
  const std::string dst = Scratch() + "/copy.bin";
  for (auto _ : state) {
    if (!copy(src, dst)) {
      state.SkipWithError("the copy failed");
      break;
    }
    state.PauseTiming();
    ::unlink(dst.c_str());
    ::sync();  // each copy starts with no writes of the last one pending
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (std::int64_t{1} << 30));
}

void BM_FileCopy1GB(benchmark::State& state) {
  TimeCopies(state, [](const std::string& src, const std::string& dst) {
    kor::korFileMan fm;
    kor::String from = WindowsName(src), to = WindowsName(dst);
    kor::FileActionFlags flags = kor::vbFileOpNoConfirm;
    return bool(fm.FileCopy(from, to, &flags));
  });
}
BENCHMARK(BM_FileCopy1GB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_Cp1GB(benchmark::State& state) {
  TimeCopies(state, [](const std::string& src, const std::string& dst) { return Spawn({"cp", src, dst}) == 0; });
}
BENCHMARK(BM_Cp1GB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// ---------------------------------------------------------------------------
// 10,000 files to the trash.

constexpr int kTrashFiles = 10000;

// A fresh folder of small files, and an empty trash beside it.
std::string FilesToTrash(std::vector<std::string>* names) {
  const std::string folder = Scratch() + "/to-trash";
  std::error_code ec;
  fs::remove_all(folder, ec);
  fs::remove_all(Scratch() + "/data", ec);
  fs::create_directories(folder);
  ::setenv("XDG_DATA_HOME", (Scratch() + "/data").c_str(), 1);
  for (int i = 0; i < kTrashFiles; ++i) {
    const std::string path = folder + "/file " + std::to_string(i) + ".txt";
    std::ofstream(path) << i;
    if (names) names->push_back(path);
  }
  ::sync();
  return folder;
}

void BM_FileDeleteToTrash10000(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    const std::string folder = FilesToTrash(nullptr);
    state.ResumeTiming();
    kor::korFileMan fm;
    kor::String all = WindowsName(folder + "/*");
    auto flags = kor::FileActionFlags(kor::vbFileOpRecycleBin | kor::vbFileOpNoConfirm);
    if (!bool(fm.FileDelete(all, &flags))) {
      state.SkipWithError("the delete failed");
      break;
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kTrashFiles);
}
BENCHMARK(BM_FileDeleteToTrash10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_GioTrash10000(benchmark::State& state) {
  if (!HaveProgram("gio")) {
    state.SkipWithError("gio is not installed (package libglib2.0-bin)");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::string> args = {"gio", "trash"};
    FilesToTrash(&args);
    state.ResumeTiming();
    if (Spawn(args) != 0) {
      state.SkipWithError("gio trash failed");
      break;
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kTrashFiles);
}
BENCHMARK(BM_GioTrash10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
