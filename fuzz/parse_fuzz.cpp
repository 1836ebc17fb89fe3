// Fuzzes korParse: the four methods on lines, delimiters and encapsulators
// made of arbitrary UTF-16 code units (NULs and lone surrogates included), or
// of units drawn from the few characters the methods look at.
//
// Every method must return; the only errors are 6 from ParseString (the
// smallest index) and the negated 5 or 9 from SmartParse. Short inputs are
// compared with the step-by-step models of fuzz/parse_model.h.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <limits>

#include "fuzz/fuzz_text.h"
#include "fuzz/parse_model.h"
#include "kortools/error.h"
#include "kortools/host.h"
#include "kortools/korParse.h"

namespace {

using kor::fuzzing::Require;

constexpr std::size_t kModelLength = 24;  // longest line compared with the models

constexpr char16_t kParseAlphabetUnits[] = {u' ', u'"', u'\'', u',', u'a', u';', u'\0', 0xD800, 0xDC00, u'\t'};
constexpr std::u16string_view kParseAlphabet(kParseAlphabetUnits, std::size(kParseAlphabetUnits));

kor::String ConsumeText(FuzzedDataProvider& in, std::size_t maxUnits, bool dense) {
  return kor::fuzzing::ConsumeText(in, maxUnits, dense, kParseAlphabet);
}

void FuzzParseString(kor::korParse& p, kor::String line, const kor::String& delimiter, kor::Long index) {
  kor::String result;
  try {
    result = p.ParseString(line, delimiter, index);
  } catch (const kor::Error& e) {
    Require(e.Number() == 6 && index == std::numeric_limits<kor::Long>::min() && !line.empty() && line != delimiter);
    return;
  }
  Require(result.empty() || line.find(result) != kor::String::npos);
  if (line.size() <= kModelLength) Require(result == kor::reference::ParseString(line, delimiter, index));
}

void FuzzSandR(kor::korParse& p, const kor::String& text, kor::String search, kor::String replacing) {
  const kor::Variant r = p.SandR(text, search, replacing);
  const kor::String* s = r.get_if<kor::String>();
  Require(s != nullptr);
  if (text.size() <= kModelLength) Require(*s == kor::reference::SandR(text, search, replacing));
}

void FuzzSmartParse(kor::korParse& p, kor::String line, kor::String delimiter, kor::String encapsulator,
                    bool leaveOut) {
  kor::StringArray values;
  const kor::Integer n = leaveOut ? p.SmartParse(line, values) : p.SmartParse(line, values, &delimiter, &encapsulator);
  if (n < 0) {
    Require(n == -5 || n == -9);
    Require(values.UBound() == 10000);
  } else {
    Require(n <= 10000 && values.LBound() == 0 && values.UBound() == n && values(0).empty());
  }
  // The model takes the defaults, but no empty delimiter or encapsulator.
  if (line.size() > kModelLength || (!leaveOut && (delimiter.empty() || encapsulator.empty()))) return;
  if (leaveOut) {
    delimiter = u" ";
    encapsulator = u"\"";
  }
  const auto model =
      kor::reference::SmartParse(line, delimiter, encapsulator, 10001 * (static_cast<std::int64_t>(line.size()) + 3));
  Require(n == (model.endless ? static_cast<kor::Integer>(model.values.size()) : model.result));
  for (std::size_t i = 0; i < model.values.size(); ++i)
    Require(values(static_cast<kor::Long>(i + 1)) == model.values[i]);
}

void FuzzParseTokenArray(kor::korParse& p, const kor::String& text, kor::Integer scanUntil, kor::Long lower,
                         kor::Long upper) {
  kor::StringArray tokens;
  if (lower <= upper + 1) tokens.ReDim(lower, upper);
  kor::Integer limit = scanUntil, found = -1;
  Require(p.ParseTokenArray(text, limit, tokens, found) == 0);
  Require(limit == scanUntil && found >= 0);
  // The array only grows; one without elements is treated as a missing one.
  if (tokens.Dims() == 1 && found > 0) Require(tokens.UBound() >= found && (lower > upper || tokens.UBound() >= upper));
  if (text.size() > kModelLength) return;
  const auto model = kor::reference::ParseTokenArray(text, scanUntil);
  Require(found == model.count);
  for (kor::Long i = 1; i <= found; ++i) Require(tokens(i) == model.tokens[static_cast<std::size_t>(i - 1)]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kor::fuzzing::QuietEventLog();
  FuzzedDataProvider in(data, size);
  const bool dense = in.ConsumeBool();
  const bool leaveOut = in.ConsumeIntegralInRange<int>(0, 7) == 0;
  const auto index = in.ConsumeBool() ? in.ConsumeIntegral<kor::Long>() : in.ConsumeIntegralInRange<kor::Long>(-2, 6);
  const auto scanUntil = in.ConsumeIntegralInRange<kor::Integer>(-1, 8);
  const auto lower = in.ConsumeIntegralInRange<kor::Long>(-2, 3);
  const auto upper = in.ConsumeIntegralInRange<kor::Long>(-3, 6);
  const kor::String delimiter = ConsumeText(in, 4, dense);
  const kor::String encapsulator = ConsumeText(in, 4, dense);
  const kor::String line = ConsumeText(in, 4096, dense);

  kor::korParse p;
  FuzzParseString(p, line, delimiter, index);
  FuzzSandR(p, line, delimiter, encapsulator);
  FuzzSmartParse(p, line, delimiter, encapsulator, leaveOut);
  FuzzParseTokenArray(p, line, scanUntil, lower, upper);
  return 0;
}
