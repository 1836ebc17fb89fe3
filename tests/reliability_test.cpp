// Nothing lost when memory runs out or a limit is reached: every allocation
// of an operation is made to fail in turn, and the array must then be either
// as it was or as it should be.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "csv/split_line.h"
#include "host/json.h"
#include "host/serve.h"
#include "kortools/host.h"
#include "kortools/korCSV_IO.h"
#include "kortools/korINI.h"
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
                            const bool caller =
                                i >= before.LBound() && i <= before.UBound() ? a(i) == before(i) : a(i).empty();
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

// ---------------------------------------------------------------- the host

host::json::Value Response(const std::string& line) {
  host::json::Value v;
  std::string error;
  EXPECT_TRUE(host::json::Parse(line, v, error)) << line;
  return v;
}

TEST(HostLimits, RefusedWithTheLimitNamedAndTheHostReadsOn) {
  host::Limits limits;
  limits.maxRequestBytes = 5000;
  limits.maxArrayElements = 100;
  std::string many = "[";
  for (int i = 0; i < 1300; ++i) many += "[],";
  many += "[]]";
  std::string items101 = "\"\"";
  for (int i = 0; i < 100; ++i) items101 += ",\"\"";
  struct Case {
    std::string request;
    std::int32_t error;
    const char* names;  // a part of the description
  };
  const Case cases[] = {
      {R"({"id":1,"call":"korParse.ParseString","args":[")" + std::string(5000, 'x') + R"(",",",1]})", 5,
       "limit of 5000 bytes (--max-request-bytes"},
      {R"({"id":2,"call":"korParse.ParseTokenArray","args":["a b",0,{"lbound":-1000,"items":["x"]},0]})", 7,
       "an array of 1004 elements is more than the host's limit of 100 (--max-array-elements"},
      {R"({"id":3,"call":"korParse.SmartParse","args":["a",{"items":[)" + items101 + "]}]}", 7,
       "an array of 101 elements"},
      {R"({"id":4,"call":"korParse.SmartParse","args":["x",{"lbounds":[0,0],"items":)" + many + "}]}", 7,
       "more than 1224 JSON values"},
      {R"({"id":5,"call":"korParse.ParseString","args":["a,b",",",2]})", 0, ""},
  };
  std::string input;
  for (const Case& c : cases) input += c.request + "\n";
  std::istringstream in(input);
  std::ostringstream out;
  EXPECT_EQ(host::Serve(in, out, limits), 0);
  std::istringstream lines(out.str());
  for (const Case& c : cases) {
    std::string line;
    ASSERT_TRUE(std::getline(lines, line)) << c.request.substr(0, 60);
    const host::json::Value r = Response(line);
    const host::json::Value* error = r.Find("error");
    if (c.error == 0) {
      EXPECT_FALSE(error) << line;
      continue;
    }
    ASSERT_TRUE(error) << line;
    EXPECT_EQ(error->Find("number")->number(), c.error) << line;
    const std::u16string& text = error->Find("description")->string();
    EXPECT_NE(text.find(std::u16string(c.names, c.names + std::strlen(c.names))), std::u16string::npos) << line;
  }
  // The array refused stays as the caller gave it.
  std::istringstream again(out.str());
  std::string first, second;
  std::getline(again, first);
  std::getline(again, second);
  EXPECT_NE(second.find(R"({"lbound":-1000,"items":["x"]})"), std::string::npos) << second;
}

TEST(HostLimits, OutOfMemoryAnywhereIsError7) {
  for (const std::string request : {R"({"id":1,"call":"korParse.SmartParse","args":["a \"b c\"",{"items":null}]})",
                                    R"({"id":2,"create":"RegKey"})"}) {
    host::Server server;
    std::optional<std::string> response;
    EachAllocationFailing([] {},
                          [&] {
                            response = server.Handle(request);
                            return 0;
                          },
                          [&](bool failed, std::int32_t) {
                            ASSERT_TRUE(response);
                            const host::json::Value r = Response(*response);
                            if (const host::json::Value* error = r.Find("error")) {
                              EXPECT_TRUE(failed);
                              EXPECT_EQ(error->Find("number")->number(), 7) << *response;
                            } else {
                              EXPECT_TRUE(r.Find("result") || r.Find("object")) << *response;
                            }
                          });
  }
}

// ---------------------------------------------------------------- whole files

namespace fs = std::filesystem;

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

StringArray Table(Long records, const String& field) {
  StringArray a;
  a.ReDim(0, 2, 0, records);
  for (Long r = 1; r <= records; ++r) a(1, r) = a(2, r) = field;
  return a;
}

TEST(WholeFileWrites, CsvFailureLeavesTheOldFile) {
  testing_support::TempFolder dir;
  const std::string old = "old,content\r\n";
  testing_support::WriteFile(dir / "t.csv", old);
  String name = dir.Name("t.csv");
  korCSV_IO csv;
  StringArray big = Table(1000, String(100, u'x'));

  // A full disk: the file may grow to 4 KiB only.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::int32_t error = ErrorOf([&] { csv.WriteCSVFile(name, big); });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(error, 61);
  EXPECT_EQ(testing_support::ReadFile(dir / "t.csv"), old);
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"t.csv"});

  // Through a symbolic link: the link stays, the file it names is replaced
  // and keeps its mode.
  ::chmod((dir / "t.csv").c_str(), 0640);
  fs::create_symlink("t.csv", dir / "link.csv");
  String link = dir.Name("link.csv");
  StringArray one = Table(1, u"a");
  EXPECT_EQ(ErrorOf([&] { csv.WriteCSVFile(link, one); }), 0);
  EXPECT_TRUE(fs::is_symlink(dir / "link.csv"));
  EXPECT_EQ(testing_support::ReadFile(dir / "t.csv"), "a,a\r\n");
  struct stat st {};
  ASSERT_EQ(::stat((dir / "t.csv").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"link.csv", "t.csv"}));
}

TEST(WholeFileWrites, AKilledWritersFileGoesAtTheNextWrite) {
  // What a writer killed between naming its new file and the rename leaves.
  testing_support::TempFolder dir;
  testing_support::WriteFile(dir / ".a.ini.tmp-kortools", "[half");
  testing_support::WriteFile(dir / ".t.csv.tmp-kortools", "ha");
  korINI ini;
  EXPECT_NE(ini.WriteINI(u"s", u"k", u"v", dir.Name("a.ini")), 0);
  korCSV_IO csv;
  String name = dir.Name("t.csv");
  StringArray one = Table(1, u"a");
  csv.WriteCSVFile(name, one);
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"a.ini", "t.csv"}));
}

}  // namespace
}  // namespace kor
