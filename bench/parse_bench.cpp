// korParse on large inputs, each at two sizes ten times apart, so that the
// growth with the input shows. bench/compare_python.py builds the same
// inputs and times Python's str.replace and str.split beside these.
#include <benchmark/benchmark.h>

#include <string>

#include "kortools/korParse.h"

namespace {

using kor::Integer;
using kor::String;

String Repeat(const String& unit, std::int64_t times) {
  String s;
  s.reserve(unit.size() * static_cast<std::size_t>(times));
  for (std::int64_t i = 0; i < times; ++i) s += unit;
  return s;
}

// SandR: a text of `occurrences` ten-character units, one "the" in each
// (10 MB of text and 1 M replacements at the larger size).
void BM_SandR(benchmark::State& state) {
  const String text = Repeat(u"of the cat", state.range(0));
  String search = u"the", replacing = u"a";
  kor::korParse p;
  for (auto _ : state) benchmark::DoNotOptimize(p.SandR(text, search, replacing));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_SandR)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// ParseString: the last field of a line of `fields` comma-separated fields.
void BM_ParseStringLastField(benchmark::State& state) {
  String line = Repeat(u"field7,", state.range(0));
  line.pop_back();
  const auto last = static_cast<kor::Long>(state.range(0));
  kor::korParse p;
  for (auto _ : state) benchmark::DoNotOptimize(p.ParseString(line, u",", last));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(line.size()));
}
BENCHMARK(BM_ParseStringLastField)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// ParseTokenArray: range(0) space-separated tokens, scanned up to range(1)
// tokens (0: no limit). The count is an Integer, so a scan stores at most
// 32767 tokens; past that the whole text is still scanned, the last slot
// taking every later token.
void BM_ParseTokenArray(benchmark::State& state) {
  const String text = Repeat(u"tok'en ", state.range(0));
  auto limit = static_cast<Integer>(state.range(1));
  kor::korParse p;
  for (auto _ : state) {
    kor::StringArray tokens;
    Integer found = 0;
    p.ParseTokenArray(text, limit, tokens, found);
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ParseTokenArray)
    ->Args({3'000, 3'000})
    ->Args({30'000, 30'000})
    ->Args({327'670, 0})
    ->Unit(benchmark::kMillisecond);

// SmartParse: `values` values, every fourth one quoted with a space inside.
void BM_SmartParse(benchmark::State& state) {
  String line = Repeat(u"alpha beta gamma \"de lta\" ", state.range(0) / 4);
  kor::korParse p;
  for (auto _ : state) {
    kor::StringArray values;
    benchmark::DoNotOptimize(p.SmartParse(line, values));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SmartParse)->Arg(1'000)->Arg(10'000)->Unit(benchmark::kMillisecond);

}  // namespace
