// Fuzzes path names: korFileMan's path methods on arbitrary UTF-16 text (NULs
// and lone surrogates included) or on text made of the characters they look
// at.
//
// Every method must return; the only errors are 5 from AnalyseFilename2 and 6
// from MakePathAbsolute. The parts a name is split into make up the name, and
// MakePathRelative leaves the caller's fromPath ending in "\" and toPath as
// it was.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/fuzz_text.h"
#include "kortools/error.h"
#include "kortools/korFileMan.h"

namespace {

using kor::fuzzing::Require;

constexpr char16_t kPathAlphabetUnits[] = {u'\\', u'\\', u'.', u'.', u':', u'/', u'a', u'C', u' ', u'"', u'\0', 0xD800};
constexpr std::u16string_view kPathAlphabet(kPathAlphabetUnits, std::size(kPathAlphabetUnits));

kor::String ConsumeText(FuzzedDataProvider& in, std::size_t maxUnits, bool dense) {
  return kor::fuzzing::ConsumeText(in, maxUnits, dense, kPathAlphabet);
}

void FuzzStrings(kor::korFileMan& fm, kor::String a, kor::String b) {
  const kor::String name = fm.GetFilename(a), path = fm.GetPath(a), folder = fm.GetFilePath(a);
  Require(path + name == a);
  Require(a.find(u'\\') == kor::String::npos ? folder.empty() : folder + u'\\' == path);
  const kor::String ext = fm.FileExtension(a);
  Require(ext.size() <= a.size());
  kor::String normalized = fm.NormalizePath(a);
  Require(normalized.back() == u'\\');
  if (a.empty() || a.back() != u'\\') Require(fm.UnNormalizePath(normalized) == a);
  Require(fm.SwitchToBackSlash(fm.SwitchToSlash(a)).size() == a.size());
  fm.PathIsRelative(a);

  kor::String d, f, n, e;
  Require(fm.AnalyseFilename(a, d, f, n, e) == -1);
  try {
    if (fm.AnalyseFilename2(a, d, f, n, e)) Require(d.size() + f.size() + n.size() + e.size() <= a.size());
  } catch (const kor::Error& err) {
    Require(err.Number() == 5);
  }
  try {
    fm.MakePathAbsolute(a, b);
  } catch (const kor::Error& err) {
    Require(err.Number() == 6);
  }
  const kor::String to = b;
  const kor::String rel = fm.MakePathRelative(a, b);
  Require(!a.empty() && a.back() == u'\\');
  Require(b == to);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool dense = in.ConsumeBool();
  kor::korFileMan fm;
  const kor::String a = ConsumeText(in, 4096, dense);
  const kor::String b = ConsumeText(in, 4096, dense);
  FuzzStrings(fm, a, b);
  return 0;
}
