// korINI: reading a group of 100 keys of 100 items each with GetGroup (10,102
// key reads through GetInt and GetIni), and a single GetIni beside it.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "frame/text.h"
#include "kortools/korINI.h"

namespace {

namespace fs = std::filesystem;

constexpr int kKeys = 100;
constexpr int kItems = 100;

// The group file, made once, removed at exit.
class GroupFile {
 public:
  GroupFile() {
    std::string pattern = (fs::temp_directory_path() / "kortools-ini-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    folder_ = pattern;
    const fs::path file = folder_ / "group.ini";
    std::ofstream out(file, std::ios::binary);
    out << "[Group]\r\nNumberOfItems=" << kItems << "\r\nNumberOfKeys=" << kKeys << "\r\n";
    for (int i = 1; i <= kKeys; ++i) out << "Key" << i << "=Base" << i << "\r\n";
    for (int i = 1; i <= kKeys; ++i)
      for (int j = 1; j <= kItems; ++j) out << "Base" << i << j << "=value " << i << "/" << j << "\r\n";
    out.close();
    name_ = kor::text::FromUtf8(file.string());
    // The engine keeps a parsed file in memory once its time stamp is old
    // enough to be trusted.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  }
  ~GroupFile() {
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
  const kor::String& Name() const { return name_; }

 private:
  fs::path folder_;
  kor::String name_;
};

const GroupFile& File() {
  static const GroupFile file;
  return file;
}

void BM_IniGetGroup100x100(benchmark::State& state) {
  kor::korINI ini;
  kor::String file = File().Name(), section = u"Group";
  kor::Integer keys = 0, items = 0;
  kor::StringArray values;
  for (auto _ : state) {
    ini.GetGroup(file, section, keys, items, values);
    benchmark::DoNotOptimize(values);
  }
  if (keys != kKeys || items != kItems || values(kKeys, kItems) != u"value 100/100") state.SkipWithError("wrong group");
  state.SetItemsProcessed(state.iterations() * (2 + kKeys * (kItems + 1)));
}
BENCHMARK(BM_IniGetGroup100x100)->Unit(benchmark::kMillisecond);

void BM_IniGetIni(benchmark::State& state) {
  kor::korINI ini;
  kor::String file = File().Name(), section = u"Group", key = u"Base5050", def;
  for (auto _ : state) benchmark::DoNotOptimize(ini.GetIni(section, key, def, file));
}
BENCHMARK(BM_IniGetIni);

}  // namespace
