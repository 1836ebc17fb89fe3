// The profile-file engine: reading a key of an unchanged 1,000-key file
// (answered from the parsed file kept in memory) beside inih re-parsing the
// file at every call, and writing into a 1,000-key file with and without the
// flushes to disk.
#include <benchmark/benchmark.h>
#include <ini.h>
#include <stdlib.h>
#include <strings.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/profile_files.h"

namespace {

namespace fs = std::filesystem;

constexpr int kKeys = 1000;

// A folder with a 1,000-key file, removed at exit.
class BenchFolder {
 public:
  BenchFolder() {
    std::string pattern = (fs::temp_directory_path() / "kortools-profile-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~BenchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const {
    const std::string file = (path_ / name).string();
    std::ofstream out(file, std::ios::binary);
    out << "; settings of a bench program\r\n[Settings]\r\n";
    for (int i = 0; i < kKeys; ++i) out << "Key" << i << "=value number " << i << "\r\n";
    return file;
  }

 private:
  fs::path path_;
};

const BenchFolder& Folder() {
  static const BenchFolder folder;
  return folder;
}

// The read file, made once and left alone for longer than the time (two
// seconds at most) after which the engine trusts its time stamps.
const std::string& ReadFile() {
  static const std::string file = [] {
    std::string f = Folder().File("read.ini");
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    return f;
  }();
  return file;
}

std::string WindowsName(const std::string& posix) {
  std::string name = "Z:" + posix;
  for (char& c : name)
    if (c == '/') c = '\\';
  return name;
}

void BM_ProfileRead(benchmark::State& state, bool windowsName) {
  const std::string file = windowsName ? WindowsName(ReadFile()) : ReadFile();
  auto& files = kor::platform::GetProfileFiles();
  char buffer[255];
  int i = 0;
  for (auto _ : state) {
    const std::string key = "Key" + std::to_string(i);
    const std::uint32_t n = files.GetPrivateProfileString("Settings", key, "", buffer, sizeof buffer, file);
    if (n == 0) state.SkipWithError("key not found");
    benchmark::DoNotOptimize(buffer);
    i = (i + 373) % kKeys;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(BM_ProfileRead, posix_name, false);
BENCHMARK_CAPTURE(BM_ProfileRead, windows_name, true);

struct InihQuery {
  const char* section;
  const char* key;
  std::string value;
  bool found = false;
};

int InihHandler(void* user, const char* section, const char* name, const char* value) {
  auto* q = static_cast<InihQuery*>(user);
  if (!q->found && strcasecmp(section, q->section) == 0 && strcasecmp(name, q->key) == 0) {
    q->value = value;
    q->found = true;
  }
  return 1;
}

// What a reader without a cache pays: the whole file parsed at every call.
void BM_InihReparse(benchmark::State& state) {
  const std::string& file = ReadFile();
  int i = 0;
  for (auto _ : state) {
    const std::string key = "Key" + std::to_string(i);
    InihQuery q{"Settings", key.c_str(), {}, false};
    if (ini_parse(file.c_str(), InihHandler, &q) != 0 || !q.found) state.SkipWithError("inih failed");
    benchmark::DoNotOptimize(q.value);
    i = (i + 373) % kKeys;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_InihReparse);

// One key of a 1,000-key file set to a new value per call: a locked read,
// edit and atomic replacement; argument 1 with the flushes to disk.
void BM_ProfileWrite(benchmark::State& state) {
  const bool sync = state.range(0) != 0;
  ::setenv("KORTOOLS_INI_SYNC", sync ? "1" : "0", 1);
  const std::string file = Folder().File(sync ? "write-sync.ini" : "write.ini");
  auto& files = kor::platform::GetProfileFiles();
  int i = 0;
  for (auto _ : state) {
    const std::string key = "Key" + std::to_string(i % kKeys);
    if (!files.WritePrivateProfileString("Settings", key, "new value " + std::to_string(i), file))
      state.SkipWithError("write failed");
    ++i;
  }
  ::unsetenv("KORTOOLS_INI_SYNC");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ProfileWrite)->Arg(0)->Arg(1)->ArgName("sync")->UseRealTime();

}  // namespace
