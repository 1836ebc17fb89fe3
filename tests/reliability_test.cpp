// Nothing lost when memory runs out or a limit is reached: every allocation
// of an operation is made to fail in turn, and the array must then be either
// as it was or as it should be.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>

#include "csv/split_line.h"
#include "kortools/host.h"
#include "kortools/korParse.h"
#include "kortools/string_array.h"
#include "tests/test_support.h"

// Every allocation of the test program goes through here, so that a test can
// make one of them fail.
namespace {
std::atomic<long> g_failIn{-1};           // allocations left before one fails; -1: none fails
std::atomic<std::size_t> g_failAbove{0};  // allocations larger than this fail; 0: no limit
std::atomic<bool> g_fired{false};

void* Allocate(std::size_t n) {
  const std::size_t above = g_failAbove.load(std::memory_order_relaxed);
  if ((above != 0 && n > above) || g_failIn.fetch_sub(1, std::memory_order_relaxed) == 0) {
    g_fired = true;
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace kor {
namespace {

using testing_support::ErrorOf;

// Runs `op` once for every allocation it makes, that allocation failing;
// `check` sees each outcome (whether an allocation failed, and the error).
void EachAllocationFailing(const std::function<void()>& reset, const std::function<std::int32_t()>& op,
                           const std::function<void(bool failed, std::int32_t error)>& check) {
  for (long n = 0;; ++n) {
    reset();
    g_fired = false;
    g_failIn = n;
    const std::int32_t error = op();
    g_failIn = -1;
    const bool failed = g_fired;
    check(failed, error);
    if (!failed || n > 1000) break;
  }
}

StringArray Array(Long lower, std::initializer_list<const char16_t*> items) {
  StringArray a;
  a.ReDim(lower, static_cast<Long>(lower + static_cast<std::int64_t>(items.size()) - 1));
  std::size_t i = 0;
  for (const char16_t* s : items) a.Items()[i++] = s;
  return a;
}

TEST(OutOfMemory, ArrayChangesAreAllOrNothing) {
  StringArray twoDims;
  twoDims.ReDim(0, 1, 0, 1);
  twoDims(1, 1) = u"d";
  struct Case {
    const char* name;
    StringArray before;
    std::function<void(StringArray&)> change;
    std::function<StringArray()> after;
  };
  const Case cases[] = {
      {"ReDim", Array(1, {u"a", u"b"}), [](StringArray& a) { a.ReDim(0, 40); },
       [] {
         StringArray a;
         a.ReDim(0, 40);
         return a;
       }},
      {"ReDimPreserve grows", Array(0, {u"a", u"b"}), [](StringArray& a) { a.ReDimPreserve(0, 3); },
       [] {
         return Array(0, {u"a", u"b", u"", u""});
       }},
      {"ReDimPreserve, two dimensions", twoDims, [](StringArray& a) { a.ReDimPreserve(0, 1, 0, 2); },
       [&] {
         StringArray a;
         a.ReDim(0, 1, 0, 2);
         a(1, 1) = u"d";
         return a;
       }},
      {"LowerBoundTo", Array(3, {u"a", u"b"}), [](StringArray& a) { a.LowerBoundTo(0); },
       [] {
         return Array(0, {u"", u"", u"", u"a", u"b"});
       }},
  };
  for (const Case& c : cases) {
    StringArray a;
    EachAllocationFailing([&] { a = c.before; }, [&] { return ErrorOf([&] { c.change(a); }); },
                          [&](bool failed, std::int32_t error) {
                            EXPECT_EQ(error, failed ? 7 : 0) << c.name;
                            EXPECT_EQ(a, failed ? c.before : c.after()) << c.name;
                          });
  }
}

TEST(OutOfMemory, HostLimitOnArrayElements) {
  std::size_t told = 0;
  HostHooks hooks;
  hooks.maxArrayElements = 10;
  hooks.onArrayLimit = [&](std::size_t n) { told = n; };
  SetHostHooks(hooks);
  StringArray a = Array(1, {u"a"});
  try {
    a.ReDim(0, 10);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 7);
    EXPECT_EQ(e.Description(), u"Out of memory: an array of 11 elements is more than the limit of 10");
  }
  EXPECT_EQ(told, 11u);
  EXPECT_EQ(ErrorOf([&] { a.ReDim(0, 3, 0, 1); }), 0);  // 8 elements
  SetHostHooks({});
  EXPECT_EQ(ErrorOf([&] { a.ReDim(0, 10); }), 0);
}

TEST(OutOfMemory, ParseTokenArrayKeepsTheCallersElements) {
  korParse parse;
  // An array at the top of the Long range cannot be moved down to index 0
  // (that would be 64 GiB): it keeps its element, and the tokens have no
  // place.
  StringArray top = Array(2147483647, {u"last"});
  g_failAbove = std::size_t{1} << 30;
  Integer all = 0, count = 0;
  parse.ParseTokenArray(u"a b", all, top, count);
  g_failAbove = 0;
  EXPECT_EQ(count, 3);
  EXPECT_EQ(top, Array(2147483647, {u"last"}));

  // Each allocation failing in turn: an element is either the caller's or
  // the token for its index, never lost.
  const StringArray before = Array(2, {u"x", u"y", u"z"});
  const StringArray done = Array(0, {u"", u"a", u"b", u""});
  StringArray a;
  EachAllocationFailing([&] { a = before; },
                        [&] {
                          parse.ParseTokenArray(u"a b", all, a, count);
                          return 0;
                        },
                        [&](bool, std::int32_t) {
                          ASSERT_EQ(a.Dims(), 1);
                          ASSERT_EQ(a.size(), static_cast<std::size_t>(a.UBound() - a.LBound() + 1));
                          for (Long i = a.LBound(); i <= a.UBound(); ++i) {
                            const bool caller = i >= before.LBound() && i <= before.UBound() ? a(i) == before(i) : a(i).empty();
                            const bool token = i >= done.LBound() && i <= done.UBound() && a(i) == done(i);
                            EXPECT_TRUE(caller || token) << i;
                          }
                          for (Long i = before.LBound(); i <= before.UBound(); ++i)
                            if (i > count) {
                              EXPECT_EQ(a(i), before(i)) << i;
                            }
                        });
}

TEST(OutOfMemory, SmartParse) {
  korParse parse;
  String line = u"a \"b c\" d";
  const StringArray caller = Array(5, {u"keep"});
  StringArray values;
  Integer result = 0;
  EachAllocationFailing([&] { values = caller; },
                        [&] {
                          result = parse.SmartParse(line, values);
                          return 0;
                        },
                        [&](bool failed, std::int32_t) {
                          if (!failed) {
                            EXPECT_EQ(result, 3);
                            EXPECT_EQ(values, Array(0, {u"", u"a", u"b c", u"d"}));
                            return;
                          }
                          EXPECT_EQ(result, -7);
                          // The error leaves the values found so far in 0 to 10000, or, without
                          // room for that, the caller's array.
                          if (values.size() == 10001) {
                            EXPECT_EQ(values.LBound(), 0);
                            EXPECT_EQ(values(4), u"");
                          } else {
                            EXPECT_EQ(values, caller);
                          }
                        });
}

TEST(OutOfMemory, SplitCSVLine) {
  StringArray fields;
  EachAllocationFailing(
      [&] {
        fields = Array(0, {u"", u"old"});
      },
      [&] { return ErrorOf([&] { csv::SplitLine(u"a,\"b,c\"", u",", fields); }); },
      [&](bool failed, std::int32_t error) {
        if (failed) {
          EXPECT_EQ(error, 7);
          EXPECT_TRUE(fields == Array(0, {u""}) || fields == Array(0, {u"", u"old"}));
        } else {
          EXPECT_EQ(fields, Array(0, {u"", u"a", u"b,c"}));
        }
      });
}

}  // namespace
}  // namespace kor
