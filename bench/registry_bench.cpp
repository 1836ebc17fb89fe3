// The registry on a large regedit export shaped like a SOFTWARE hive: about
// 50 MB of UTF-16 text with 102,000 keys and 510,000 values (vendors,
// products, components; strings, 32-bit numbers and binary data). Written
// once per run to a temporary folder, dated an hour back as a settled file is.
//
//   BM_RegistryLoad       the first RegKeyOpen after the file changed: read,
//                         decode, parse, order (target: 1 s at most)
//   BM_RegistryParse      the same without the file: parsing the text held in
//                         memory
//   BM_RegistryReadKey    RegKeyOpen + RegKeyValuesCount + 10 RegKeyValue +
//                         RegKeyClose on a loaded store (target: 50 us at most)
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "kortools/RegKey.h"
#include "platform/code_page.h"
#include "platform/posix/kernel_time.h"
#include "platform/registry.h"
#include "winrules/registry/registry_files.h"

namespace {

namespace fs = std::filesystem;

constexpr int kVendors = 200;
constexpr int kProducts = 10;
constexpr int kComponents = 50;  // keys per product; component 0 has ten values, the others five

char Hex(int v) { return "0123456789abcdef"[v & 15]; }

std::string Num(int v, int width) {
  std::string s = std::to_string(v);
  return std::string(static_cast<std::size_t>(std::max(0, width - static_cast<int>(s.size()))), '0') + s;
}

std::string KeyPath(int vendor, int product, int component) {
  return "SOFTWARE\\Vendor" + Num(vendor, 3) + "\\Product" + Num(product, 2) + "\\Component" + Num(component, 3);
}

// The export as UTF-8 text; written out as UTF-16LE.
std::string ExportText() {
  std::string t = "Windows Registry Editor Version 5.00\r\n\r\n";
  for (int v = 0; v < kVendors; ++v) {
    for (int p = 0; p < kProducts; ++p) {
      for (int c = 0; c < kComponents; ++c) {
        const std::string where = "Vendor" + Num(v, 3) + "\\\\Product" + Num(p, 2);
        t += "[HKEY_LOCAL_MACHINE\\" + KeyPath(v, p, c) + "]\r\n";
        t += "\"InstallPath\"=\"C:\\\\Program Files\\\\" + where + "\"\r\n";
        t += "\"Version\"=\"" + std::to_string(v % 17) + "." + std::to_string(p) + "." + Num(c, 4) + "\"\r\n";
        t += "\"Flags\"=dword:" + Num(v * 131 + c, 8) + "\r\n";
        t += "\"Data\"=hex:";
        for (int b = 0; b < 16; ++b) t += std::string{Hex(v + b), Hex(c * b), ','};
        t.back() = '\r';
        t += "\n\"Description\"=\"Component " + Num(c, 3) + "\"\r\n";
        if (c == 0)
          for (int extra = 0; extra < 5; ++extra)
            t += "\"Extra" + std::to_string(extra) + "\"=dword:" + Num(extra, 8) + "\r\n";
        t += "\r\n";
      }
    }
  }
  return t;
}

class BigExport {
 public:
  BigExport() {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = std::string(tmp != nullptr && *tmp ? tmp : "/tmp") + "/kortools_registry_bench_XXXXXX";
    if (::mkdtemp(dir.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
    folder_ = dir;
    path_ = folder_ + "/software.reg";
    std::string bytes = "\xFF\xFE";
    kor::platform::regstore::AppendUtf16Le(bytes, ExportText());
    std::ofstream(path_, std::ios::binary) << bytes;
    size_ = bytes.size();
    Age(0);
    ::setenv("KORTOOLS_REGISTRY", path_.c_str(), 1);
  }
  ~BigExport() {
    std::remove(path_.c_str());
    ::rmdir(folder_.c_str());
  }
  // Dates the file an hour back, plus `step` seconds: a new date makes the
  // next open read it again.
  void Age(int step) const {
    kor::platform::KernelTime times[2];
    times[0] = kor::platform::ClockNow(CLOCK_REALTIME);
    times[0].tv_sec -= 3600 - step;
    times[1] = times[0];
    ::utimensat(AT_FDCWD, path_.c_str(), times, 0);
  }
  const std::string& path() const { return path_; }
  std::size_t size() const { return size_; }

 private:
  std::string folder_, path_;
  std::size_t size_ = 0;
};

const BigExport& Export() {
  static const BigExport e;
  return e;
}

void OpenOnce() {
  kor::platform::RegistryKey key = 0;
  auto& reg = kor::platform::GetRegistry();
  if (reg.RegOpenKeyEx(kor::platform::RootKey(kor::HKEY_LOCAL_MACHINE), "SOFTWARE\\Vendor000", 0, kor::KEY_READ,
                       &key) == 0)
    reg.RegCloseKey(key);
}

void BM_RegistryLoad(benchmark::State& state) {
  const BigExport& e = Export();
  int step = 0;
  for (auto _ : state) {
    state.PauseTiming();
    e.Age(++step % 1000);
    state.ResumeTiming();
    OpenOnce();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(e.size()));
  state.counters["MB"] = static_cast<double>(e.size()) / 1e6;
}
BENCHMARK(BM_RegistryLoad)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_RegistryParse(benchmark::State& state) {
  const BigExport& e = Export();
  std::ifstream in(e.path(), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  const std::string bytes = s.str();
  const auto& cp = kor::platform::SystemCodePage();
  std::size_t keys = 0;
  for (auto _ : state) {
    kor::platform::regstore::Store store;
    kor::platform::regstore::ReportNothing quiet;
    kor::platform::regstore::ReadRegeditFile(bytes, cp, 0, store, quiet);
    store.Finish();
    keys = store.KeyCount();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
  state.counters["keys"] = static_cast<double>(keys);
}
BENCHMARK(BM_RegistryParse)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_RegistryReadKey(benchmark::State& state) {
  Export();
  OpenOnce();  // loads the store
  static const char16_t* kNames[] = {u"InstallPath", u"Version", u"Flags",  u"Description", u"Extra0",
                                     u"Extra1",      u"Extra2",  u"Extra3", u"Extra4",      u"installpath"};
  kor::RegKey key;
  int i = 0;
  for (auto _ : state) {
    const std::string path = KeyPath(i % kVendors, (i / kVendors) % kProducts, 0);
    ++i;
    kor::String k(path.begin(), path.end());
    kor::eRegistryRoots root = kor::HKEY_LOCAL_MACHINE;
    key.RegKeyOpen(root, k);
    benchmark::DoNotOptimize(key.RegKeyValuesCount());
    for (const char16_t* n : kNames) {
      kor::String name = n;
      benchmark::DoNotOptimize(key.RegKeyValue(name));
    }
    key.RegKeyClose();
  }
}
BENCHMARK(BM_RegistryReadKey)->Unit(benchmark::kMicrosecond);

}  // namespace
