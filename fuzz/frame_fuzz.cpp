// Fuzzes the value types every class stands on: Variant conversions from
// arbitrary text, and string arrays re-dimensioned with arbitrary bounds.
//
// Bad input may only raise kor::Error with the documented numbers, and a
// re-dimension that raises leaves the array as it was.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <optional>

#include "kortools/error.h"
#include "kortools/string_array.h"
#include "kortools/variant.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

// Runs f; a kor::Error must carry one of the allowed numbers.
template <typename F>
bool Try(F&& f, std::initializer_list<std::int32_t> allowed) {
  try {
    f();
    return true;
  } catch (const kor::Error& e) {
    bool known = false;
    for (std::int32_t n : allowed) known = known || e.Number() == n;
    Require(known);
    return false;
  }
}

kor::String ConsumeText(FuzzedDataProvider& in, std::size_t max_units) {
  kor::String s;
  const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, max_units);
  for (std::size_t i = 0; i < n && in.remaining_bytes() > 0; ++i) {
    // Mostly the characters number parsing looks at, sometimes any unit.
    if (in.ConsumeBool()) {
      static constexpr char16_t kNumeric[] = u"0123456789+-.,eEdD&HhOo $()%:/ \t-TtRrUuFfAaLlSs";
      s.push_back(kNumeric[in.ConsumeIntegralInRange<std::size_t>(0, sizeof(kNumeric) / sizeof(char16_t) - 2)]);
    } else {
      s.push_back(in.ConsumeIntegral<char16_t>());
    }
  }
  return s;
}

void FuzzConversions(FuzzedDataProvider& in) {
  const kor::Variant text = ConsumeText(in, 40);
  // Text that is not a number is error 13, a number out of range error 6.
  Try([&] { kor::ChangeType<kor::Integer>(text); }, {6, 13});
  Try([&] { kor::ChangeType<kor::Long>(text); }, {6, 13});
  Try([&] { kor::ChangeType<kor::Single>(text); }, {6, 13});
  Try([&] { kor::ChangeType<kor::Double>(text); }, {6, 13});
  Try([&] { kor::ChangeType<kor::Date>(text); }, {6, 13});
  Try([&] { kor::ChangeType<kor::Boolean>(text); }, {6, 13});
  Require(kor::ChangeType<kor::String>(text) == *text.get_if<kor::String>());

  // Whole numbers and Booleans come back from their text unchanged.
  const auto i = in.ConsumeIntegral<kor::Integer>();
  Require(kor::ChangeType<kor::Integer>(kor::ChangeType<kor::String>(i)) == i);
  const auto l = in.ConsumeIntegral<kor::Long>();
  Require(kor::ChangeType<kor::Long>(kor::ChangeType<kor::String>(l)) == l);
  const kor::Boolean b = in.ConsumeBool();
  Require(kor::ChangeType<kor::Boolean>(kor::ChangeType<kor::String>(b)) == b);

  // Any number converts to text; the text converts back or overflows.
  const kor::Variant d = in.ConsumeFloatingPoint<kor::Double>();
  kor::String dt;
  if (Try([&] { dt = kor::ChangeType<kor::String>(d); }, {6, 13})) {
    Try([&] { kor::ChangeType<kor::Double>(dt); }, {6, 13});
  }
  Try([&] { kor::ChangeType<kor::Long>(d); }, {6});
  Try([&] { kor::ChangeType<kor::Integer>(d); }, {6});
  Try([&] { kor::ChangeType<kor::Single>(d); }, {6});
  Try([&] { kor::ChangeType<kor::Date>(d); }, {6});
}

// A lower bound anywhere in the Long range and an upper bound near it, so
// that the element count stays small; now and then one too far below.
struct Dim {
  kor::Long lower;
  kor::Long upper;
};

Dim ConsumeDim(FuzzedDataProvider& in, int max_count, std::optional<kor::Long> lower = std::nullopt) {
  const kor::Long low = lower ? *lower : in.ConsumeIntegral<kor::Long>();
  const std::int64_t count = in.ConsumeIntegralInRange<int>(-3, max_count);
  std::int64_t upper = static_cast<std::int64_t>(low) + count - 1;
  if (upper > std::numeric_limits<kor::Long>::max() || upper < std::numeric_limits<kor::Long>::min()) upper = low;
  return {low, static_cast<kor::Long>(upper)};
}

std::size_t Elements(const kor::StringArray& a) {
  if (a.Dims() == 0) return 0;
  std::size_t n = 1;
  for (const auto& b : a.AllBounds()) n *= static_cast<std::size_t>(static_cast<std::int64_t>(b.upper) - b.lower + 1);
  return n;
}

void FuzzArrays(FuzzedDataProvider& in) {
  kor::StringArray a;
  for (int step = 0; step < 64 && in.remaining_bytes() > 0; ++step) {
    const kor::StringArray before = a;
    bool done = true;
    switch (in.ConsumeIntegralInRange(0, 6)) {
      case 0: {
        const Dim d = ConsumeDim(in, 4096);
        done = Try([&] { a.ReDim(d.lower, d.upper); }, {9});
        if (done) Require(a.Dims() == 1 && a.LBound() == d.lower && a.UBound() == d.upper);
        break;
      }
      case 1: {
        const Dim d1 = ConsumeDim(in, 64), d2 = ConsumeDim(in, 64);
        done = Try([&] { a.ReDim(d1.lower, d1.upper, d2.lower, d2.upper); }, {9});
        if (done) Require(a.Dims() == 2 && a.LBound(1) == d1.lower && a.UBound(2) == d2.upper);
        break;
      }
      case 2: {
        // Keep the lower bound half the time, so that the call can succeed.
        const bool keep = a.Dims() == 1 && in.ConsumeBool();
        const Dim d = keep ? ConsumeDim(in, 4096, a.LBound()) : ConsumeDim(in, 4096);
        done = Try([&] { a.ReDimPreserve(d.lower, d.upper); }, {9});
        if (done && before.Dims() == 1) {
          const std::int64_t last = std::min(d.upper, before.UBound());
          for (std::int64_t i = d.lower; i <= last; ++i)
            Require(a(static_cast<kor::Long>(i)) == before(static_cast<kor::Long>(i)));
        }
        break;
      }
      case 3: {
        const bool keep = a.Dims() == 2 && in.ConsumeBool();
        const Dim d1 = keep ? Dim{a.LBound(1), a.UBound(1)} : ConsumeDim(in, 64);
        const Dim d2 = keep ? ConsumeDim(in, 64, a.LBound(2)) : ConsumeDim(in, 64);
        done = Try([&] { a.ReDimPreserve(d1.lower, d1.upper, d2.lower, d2.upper); }, {9});
        break;
      }
      case 4:
        a.Erase();
        Require(a.Dims() == 0 && a.size() == 0);
        break;
      case 5: {
        // Write an element; out of range is error 9.
        const auto i = in.ConsumeIntegral<kor::Long>();
        const auto j = in.ConsumeIntegral<kor::Long>();
        kor::String v = ConsumeText(in, 8);
        if (a.Dims() == 1 && in.ConsumeBool() && a.size() > 0) {
          const kor::Long k = a.LBound() + static_cast<kor::Long>(static_cast<std::uint32_t>(i) % a.size());
          a(k) = v;
          Require(a(k) == v);
        } else {
          done = Try([&] { a(i, j) = v; }, {9});
          if (!done) done = Try([&] { a(i) = v; }, {9});
        }
        break;
      }
      default:
        Try([&] { a.LBound(in.ConsumeIntegralInRange(-1, 3)); }, {9});
        Try([&] { a.UBound(in.ConsumeIntegralInRange(-1, 3)); }, {9});
        break;
    }
    // An operation that raised lost nothing.
    if (!done) Require(a == before);
    Require(a.size() == Elements(a));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  if (in.ConsumeBool()) {
    FuzzConversions(in);
  } else {
    FuzzArrays(in);
  }
  return 0;
}
