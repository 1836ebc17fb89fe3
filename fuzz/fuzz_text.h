// Helpers shared by the fuzz targets: turning fuzz input into UTF-16 text.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string_view>

#include "kortools/types.h"

namespace kor::fuzzing {

// Ends the run as a crash, so that libFuzzer keeps the input.
inline void Require(bool ok) {
  if (!ok) std::abort();
}

// Keeps the message requests of the methods under test out of the system
// log; the first call sets it for the whole run.
inline void QuietEventLog() {
  static const bool quiet = [] { return ::setenv("KORTOOLS_EVENTLOG", "none", 0) == 0; }();
  (void)quiet;
}

// Up to maxUnits code units: any 16-bit value, or, when `dense`, only units
// of `alphabet` (the characters a method reacts to), so that short inputs
// reach the interesting cases.
inline String ConsumeText(FuzzedDataProvider& in, std::size_t maxUnits, bool dense, std::u16string_view alphabet) {
  String s;
  const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, maxUnits);
  for (std::size_t i = 0; i < n && in.remaining_bytes() > 0; ++i) {
    const auto unit = in.ConsumeIntegral<char16_t>();
    s.push_back(dense ? alphabet[unit % alphabet.size()] : unit);
  }
  return s;
}

}  // namespace kor::fuzzing
