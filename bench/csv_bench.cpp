// korCSV_IO on large files: ReadCSVFile (both passes) and WriteCSVFile.
//
// The files are generated on first use and deleted when the program ends;
// nothing is generated unless a CSV benchmark runs. Settings:
//   KORTOOLS_CSV_BENCH_MB    sizes of the generated files in MB, separated by
//                            commas (default "10"; "10,100,1000" shows the
//                            growth with the size)
//   KORTOOLS_CSV_BENCH_DIR   folder of the generated and written files
//                            (default: TMPDIR, else /tmp)
//   KORTOOLS_CSV_BENCH_FILE  an existing file to read and write instead of
//                            generated ones (bench/csv_compare.py passes its own)
//
// Each generated record has 10 fields, about 100 bytes with its CR LF: whole
// numbers, words, decimals, dates, and every third record a quoted field with
// a comma inside. Throughput is the file's size per second.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frame/text.h"
#include "kortools/korCSV_IO.h"

namespace {

namespace fs = std::filesystem;

std::string Setting(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0' ? v : fallback;
}

std::string Folder() { return Setting("KORTOOLS_CSV_BENCH_DIR", Setting("TMPDIR", "/tmp").c_str()); }

// Writes about `bytes` bytes of records to `path`.
void Generate(const std::string& path, std::uint64_t bytes) {
  static const char* const kWords[] = {"alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf", "hotel"};
  std::ofstream out(path, std::ios::binary);
  std::string line;
  std::uint64_t written = 0;
  for (std::uint64_t r = 1; written < bytes; ++r) {
    line = std::to_string(r);
    line += ',';
    line += kWords[r % 8];
    line += ',';
    line += kWords[(r / 8) % 8];
    line += ' ';
    line += kWords[(r / 64) % 8];
    line += ",";
    line += std::to_string(r * 7919 % 100000);
    line += '.';
    line += std::to_string(r % 100);
    line += ",2024-";
    line += std::to_string(10 + r % 3);
    line += '-';
    line += std::to_string(10 + r % 18);
    line += r % 3 == 0 ? ",\"Smith, John\"" : ",Smith John";
    line += ",";
    line += std::to_string(r % 1000);
    line += ",";
    line += kWords[(r / 3) % 8];
    line += "@example.org,";
    line += r % 2 == 0 ? "yes" : "no";
    line += ",ID";
    line += std::to_string(r * 31 % 1000000);
    line += "\r\n";
    out << line;
    written += line.size();
  }
}

// The benchmark files by size in MB (0: KORTOOLS_CSV_BENCH_FILE), made when
// first asked for and removed at exit.
class Files {
 public:
  ~Files() {
    std::error_code ec;
    for (const auto& [mb, path] : generated_) fs::remove(path, ec);
    for (const auto& path : written_) fs::remove(path, ec);
  }

  const std::string& Input(int mb) {
    auto it = paths_.find(mb);
    if (it != paths_.end()) return it->second;
    std::string path;
    if (mb == 0) {
      path = Setting("KORTOOLS_CSV_BENCH_FILE", "");
    } else {
      path = Folder() + "/kortools_csv_bench_" + std::to_string(::getpid()) + "_" + std::to_string(mb) + "MB.csv";
      Generate(path, static_cast<std::uint64_t>(mb) * 1'000'000);
      generated_[mb] = path;
    }
    return paths_[mb] = path;
  }

  std::string Output() {
    written_.push_back(Folder() + "/kortools_csv_bench_" + std::to_string(::getpid()) + "_out.csv");
    return written_.back();
  }

 private:
  std::map<int, std::string> paths_, generated_;
  std::vector<std::string> written_;
};

Files& TheFiles() {
  static Files files;
  return files;
}

void BM_ReadCSVFile(benchmark::State& state, int mb) {
  const std::string& path = TheFiles().Input(mb);
  kor::String name = kor::text::FromUtf8(path);
  kor::korCSV_IO csv;
  kor::Long records = 0;
  for (auto _ : state) {
    kor::StringArray data;
    csv.ReadCSVFile(name, data);
    records = data.Dims() == 2 ? data.UBound(2) : 0;
    state.PauseTiming();
    data = kor::StringArray();
    state.ResumeTiming();
  }
  state.counters["records"] = static_cast<double>(records);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(path)));
}

void BM_WriteCSVFile(benchmark::State& state, int mb) {
  kor::String input = kor::text::FromUtf8(TheFiles().Input(mb));
  const std::string output = TheFiles().Output();
  kor::String name = kor::text::FromUtf8(output);
  kor::korCSV_IO csv;
  kor::StringArray data;
  csv.ReadCSVFile(input, data);
  for (auto _ : state) csv.WriteCSVFile(name, data);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(output)));
}

// One read and one write benchmark per file.
const bool kRegistered = [] {
  std::vector<int> sizes;
  if (!Setting("KORTOOLS_CSV_BENCH_FILE", "").empty()) {
    sizes.push_back(0);
  } else {
    const std::string list = Setting("KORTOOLS_CSV_BENCH_MB", "10");
    std::size_t start = 0;
    while (start <= list.size()) {
      const std::size_t comma = std::min(list.find(',', start), list.size());
      if (comma > start) sizes.push_back(std::atoi(list.substr(start, comma - start).c_str()));
      start = comma + 1;
    }
  }
  for (int mb : sizes) {
    const std::string suffix = mb == 0 ? "" : "/" + std::to_string(mb) + "MB";
    benchmark::RegisterBenchmark(("BM_ReadCSVFile" + suffix).c_str(), BM_ReadCSVFile, mb)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("BM_WriteCSVFile" + suffix).c_str(), BM_WriteCSVFile, mb)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
  return true;
}();

}  // namespace
