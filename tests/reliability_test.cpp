// Nothing lost when memory runs out, a limit is reached, a disk fills up or a
// writer is killed. Allocations are made to fail one by one: the state must
// then be either as it was or as it should be.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "host/serve.h"
#include "kortools/korCSV_IO.h"
#include "kortools/korParse.h"
#include "tests/test_support.h"

namespace {
std::atomic<long> g_failIn{-1};  // allocations left before one fails; -1: none fails
std::atomic<bool> g_fired{false};

[[maybe_unused]] void* Allocate(std::size_t n) {
  if (g_failIn.fetch_sub(1) == 0) {
    g_fired = true;
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
  throw std::bad_alloc();
}
}  // namespace

// AddressSanitizer keeps its own allocator, which this must not replace.
#ifndef __SANITIZE_ADDRESS__
void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
constexpr bool kFailingAllocations = true;
#else
constexpr bool kFailingAllocations = false;
#endif

namespace kor {
namespace {

using testing_support::ErrorOf;
namespace fs = std::filesystem;

// Runs `op` with its n-th allocation failing, for n = 0, 1, ... until it
// makes no more; `reset` before and `check(failed)` after each run.
template <typename Reset, typename Op, typename Check>
void EachAllocationFailing(Reset reset, Op op, Check check) {
  if (!kFailingAllocations) GTEST_SKIP() << "allocations cannot fail under AddressSanitizer";
  for (long n = 0; n < 5000; ++n) {
    reset();
    g_fired = false;
    g_failIn = n;
    op();
    g_failIn = -1;
    check(g_fired.load());
    if (!g_fired) return;
  }
}

StringArray Array(Long lower, std::vector<String> items) {
  StringArray a;
  a.ReDim(lower, static_cast<Long>(lower + static_cast<std::int64_t>(items.size()) - 1));
  a.Items() = std::move(items);
  return a;
}

TEST(OutOfMemory, ArrayChangesAreAllOrNothing) {
  const StringArray before = Array(3, {u"a", u"b"});
  const std::pair<void (*)(StringArray&), StringArray> cases[] = {
      {[](StringArray& a) { a.ReDim(0, 2); }, Array(0, {u"", u"", u""})},
      {[](StringArray& a) { a.ReDimPreserve(3, 6); }, Array(3, {u"a", u"b", u"", u""})},
      {[](StringArray& a) { a.LowerBoundTo(1); }, Array(1, {u"", u"", u"a", u"b"})},
  };
  for (const auto& c : cases) {
    StringArray a;
    std::int32_t error = 0;
    EachAllocationFailing([&] { a = before; }, [&] { error = ErrorOf([&] { c.first(a); }); },
                          [&](bool failed) {
                            EXPECT_EQ(error, failed ? 7 : 0);
                            EXPECT_EQ(a, failed ? before : c.second);
                          });
  }
}

// ---------------------------------------------------------------- the host

TEST(HostLimits, RefusedWithTheLimitNamedAndTheHostReadsOn) {
  host::Limits limits;
  limits.maxArrayElements = 100;
  std::istringstream in(
      R"({"id":2,"call":"korParse.ParseTokenArray","args":["a b",0,{"lbound":-1000,"items":["x"]},0]})"
      "\n"
      R"({"id":3,"call":"korParse.ParseString","args":["a,b",",",2]})");
  std::ostringstream out;
  EXPECT_EQ(host::Serve(in, out, limits), 0);
  // The array refused stays as the caller gave it.
  EXPECT_EQ(out.str(),
            R"j({"id":2,"args":["a b",0,{"lbound":-1000,"items":["x"]},3],"messages":[],"error":{"number":7,)j"
            R"j("description":"Out of memory: an array of 1004 elements is more than the host's limit of 100 )j"
            R"j((--max-array-elements, KORTOOLS_MAX_ARRAY_ELEMENTS)"}}
{"id":3,"result":"b","args":["a,b",",",2],"messages":[]}
)j");
}

// ---------------------------------------------------------------- whole files

StringArray Table(Long records, const String& field) {
  StringArray a;
  a.ReDim(0, 2, 0, records);
  for (Long r = 1; r <= records; ++r) a(1, r) = a(2, r) = field;
  return a;
}

TEST(WholeFileWrites, CsvFailureLeavesTheOldFile) {
  testing_support::TempFolder dir;
  testing_support::WriteFile(dir / "t.csv", "old\r\n");
  String name = dir.Name("t.csv"), link = dir.Name("link.csv");
  korCSV_IO csv;
  StringArray big = Table(1000, String(100, u'x')), one = Table(1, u"a");

  // A full disk: the file may grow to 4 KiB only.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto handler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::int32_t error = ErrorOf([&] { csv.WriteCSVFile(name, big); });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, handler);
  EXPECT_EQ(error, 61);
  EXPECT_EQ(testing_support::ReadFile(dir / "t.csv"), "old\r\n");
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"t.csv"});

  // Through a link: the link stays, the file it names is replaced and keeps
  // its mode. What a writer killed between naming its new file and the
  // rename left goes too.
  testing_support::WriteFile(dir / ".t.csv.tmp-kortools", "ha");
  ::chmod((dir / "t.csv").c_str(), 0640);
  fs::create_symlink("t.csv", dir / "link.csv");
  EXPECT_EQ(ErrorOf([&] { csv.WriteCSVFile(link, one); }), 0);
  EXPECT_TRUE(fs::is_symlink(dir / "link.csv"));
  EXPECT_EQ(testing_support::ReadFile(dir / "t.csv"), "a,a\r\n");
  EXPECT_EQ(fs::status(dir / "t.csv").permissions(), fs::perms(0640));
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"link.csv", "t.csv"}));
}

}  // namespace
}  // namespace kor
