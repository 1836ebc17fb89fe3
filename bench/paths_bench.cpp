// Path names: every korFileMan path method at 100 and 100,000 characters (the
// time per character should stay the same), and the platform's mapping of a
// typical 60-character Windows name to its POSIX name (under 1 microsecond).
#include <benchmark/benchmark.h>

#include <string>

#include "fileman/full_path.h"
#include "kortools/korFileMan.h"
#include "platform/posix/file_system_view.h"

namespace {

using kor::String;

// 'C:\dir00001\dir00002\...\file.txt' cut to `length` characters, ending in
// the file name.
String LongPath(std::int64_t length) {
  String s = u"C:";
  for (int i = 0; static_cast<std::int64_t>(s.size()) < length; ++i) {
    std::u16string dir = u"\\dir";
    const std::string digits = std::to_string(i % 100000);
    dir.append(5 - digits.size(), u'0');
    dir.append(digits.begin(), digits.end());
    s += dir;
  }
  s.resize(static_cast<std::size_t>(std::max<std::int64_t>(length - 9, 3)));
  s += u"\\file.txt";
  return s;
}

void Sized(benchmark::internal::Benchmark* b) { b->Arg(100)->Arg(100'000); }

template <typename F>
void Run(benchmark::State& state, F&& f) {
  for (auto _ : state) benchmark::DoNotOptimize(f());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_GetFilename(benchmark::State& state) {
  String p = LongPath(state.range(0));
  kor::korFileMan fm;
  Run(state, [&] { return fm.GetFilename(p); });
}
BENCHMARK(BM_GetFilename)->Apply(Sized);

void BM_FileExtension(benchmark::State& state) {
  String p = LongPath(state.range(0));
  kor::korFileMan fm;
  Run(state, [&] { return fm.FileExtension(p); });
}
BENCHMARK(BM_FileExtension)->Apply(Sized);

void BM_GetFilePath(benchmark::State& state) {
  String p = LongPath(state.range(0));
  kor::korFileMan fm;
  Run(state, [&] { return fm.GetFilePath(p); });
}
BENCHMARK(BM_GetFilePath)->Apply(Sized);

void BM_GetPath(benchmark::State& state) {
  String p = LongPath(state.range(0));
  kor::korFileMan fm;
  Run(state, [&] { return fm.GetPath(p); });
}
BENCHMARK(BM_GetPath)->Apply(Sized);

void BM_NormalizePath(benchmark::State& state) {
  String p = LongPath(state.range(0));
  kor::korFileMan fm;
  Run(state, [&] { return fm.NormalizePath(p); });
}
BENCHMARK(BM_NormalizePath)->Apply(Sized);

void BM_UnNormalizePath(benchmark::State& state) {
  String p = LongPath(state.range(0)) + u"\\";
  kor::korFileMan fm;
  Run(state, [&] { return fm.UnNormalizePath(p); });
}
BENCHMARK(BM_UnNormalizePath)->Apply(Sized);

void BM_SwitchToSlash(benchmark::State& state) {
  const String p = LongPath(state.range(0));
  kor::korFileMan fm;
  Run(state, [&] { return fm.SwitchToSlash(p); });
}
BENCHMARK(BM_SwitchToSlash)->Apply(Sized);

void BM_SwitchToBackSlash(benchmark::State& state) {
  kor::korFileMan fm;
  const String p = fm.SwitchToSlash(LongPath(state.range(0)));
  Run(state, [&] { return fm.SwitchToBackSlash(p); });
}
BENCHMARK(BM_SwitchToBackSlash)->Apply(Sized);

void BM_PathIsRelative(benchmark::State& state) {
  String p = LongPath(state.range(0)).substr(2);  // no colon: the whole name is searched
  kor::korFileMan fm;
  Run(state, [&] { return fm.PathIsRelative(p); });
}
BENCHMARK(BM_PathIsRelative)->Apply(Sized);

void BM_AnalyseFilename(benchmark::State& state) {
  const String p = LongPath(state.range(0));
  String d, f, n, e;
  kor::korFileMan fm;
  Run(state, [&] { return fm.AnalyseFilename(p, d, f, n, e); });
}
BENCHMARK(BM_AnalyseFilename)->Apply(Sized);

void BM_AnalyseFilename2(benchmark::State& state) {
  const String p = LongPath(state.range(0));
  String d, f, n, e;
  kor::korFileMan fm;
  Run(state, [&] { return fm.AnalyseFilename2(p, d, f, n, e); });
}
BENCHMARK(BM_AnalyseFilename2)->Apply(Sized);

// The plain form with a long relative name.
void BM_MakePathAbsolute(benchmark::State& state) {
  String file = LongPath(state.range(0)).substr(3), base = u"C:\\base";
  kor::korFileMan fm;
  Run(state, [&] { return fm.MakePathAbsolute(file, base); });
}
BENCHMARK(BM_MakePathAbsolute)->Apply(Sized);

// The "..\" form: one step per three characters, against a deep base folder
// (at most 32,767 characters, as the steps allow).
void BM_MakePathAbsoluteParentSteps(benchmark::State& state) {
  String file;
  for (std::int64_t i = 0; i + 3 < state.range(0); i += 3) file += u"..\\";
  file += u"x";
  String base = LongPath(std::min<std::int64_t>(state.range(0), 32'000));
  kor::korFileMan fm;
  Run(state, [&] { return fm.MakePathAbsolute(file, base); });
}
BENCHMARK(BM_MakePathAbsoluteParentSteps)->Apply(Sized);

// Two long names that share all folders but the last: every segment compared.
void BM_MakePathRelative(benchmark::State& state) {
  const String to = LongPath(state.range(0));
  const String fromPath = to.substr(0, to.rfind(u'\\')) + u"x\\";
  String t = to;
  kor::korFileMan fm;
  Run(state, [&] {
    String f = fromPath;
    return fm.MakePathRelative(f, t);
  });
}
BENCHMARK(BM_MakePathRelative)->Apply(Sized);

kor::platform::PosixViewSettings BenchSettings() {
  static const auto utf8 = kor::platform::OpenCodePage("UTF-8");
  kor::platform::PosixViewSettings s;
  s.drives = "C=/srv/c;D=/mnt/data";
  s.codePage = utf8.get();
  s.currentFolder = [](std::string& out) {
    out = "/srv/c/work";
    return true;
  };
  return s;
}

void BM_GetFullPathFilePart(benchmark::State& state) {
  const kor::platform::PosixFileSystemView view(BenchSettings());
  String p = LongPath(state.range(0));
  Run(state, [&] { return kor::fileman::FullPathFilePart(view, p); });
}
BENCHMARK(BM_GetFullPathFilePart)->Apply(Sized);

// A typical name: 60 characters, five folders deep.
const char kTypical[] = R"(C:\Users\Public\Documents\Projects\2024\report_final_v2.xlsx)";
static_assert(sizeof kTypical - 1 == 60);

void BM_MapWindowsToPosix(benchmark::State& state) {
  const kor::platform::PosixFileSystemView view(BenchSettings());
  std::string posix;
  for (auto _ : state) benchmark::DoNotOptimize(view.ToPosix(kTypical, posix));
}
BENCHMARK(BM_MapWindowsToPosix);

void BM_MapPosixToWindows(benchmark::State& state) {
  const kor::platform::PosixFileSystemView view(BenchSettings());
  const std::string posix = "/srv/c/Users/Public/Documents/Projects/2024/report_final_v2.xlsx";
  std::string name;
  for (auto _ : state) benchmark::DoNotOptimize(view.ToWindows(posix, name));
}
BENCHMARK(BM_MapPosixToWindows);

void BM_MapWindowsToPosixLong(benchmark::State& state) {
  const kor::platform::PosixFileSystemView view(BenchSettings());
  const std::string name = kor::platform::OpenCodePage("UTF-8")->Encode(LongPath(state.range(0)));
  std::string posix;
  Run(state, [&] { return view.ToPosix(name, posix); });
}
BENCHMARK(BM_MapWindowsToPosixLong)->Apply(Sized);

// A relative name needs the current folder: one getcwd call.
void BM_MapRelativeNameToPosix(benchmark::State& state) {
  kor::platform::PosixViewSettings s = BenchSettings();
  s.currentFolder = nullptr;
  const kor::platform::PosixFileSystemView view(s);
  std::string posix;
  for (auto _ : state) benchmark::DoNotOptimize(view.ToPosix(R"(Documents\Projects\2024\report_final_v2.xlsx)", posix));
}
BENCHMARK(BM_MapRelativeNameToPosix);

}  // namespace
