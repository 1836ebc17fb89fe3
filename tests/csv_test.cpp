// korCSV_IO: what the fuzz target's comparison of random lines and files with
// the models (fuzz/csv_fuzz.cpp, replayed over its corpus by ctest) does not
// reach: the limits, the passes' growth, reads across buffer edges, the code
// page, the handler, the writer and bad input.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "csv/split_line.h"
#include "frame/text.h"
#include "kortools/error.h"
#include "kortools/host.h"
#include "kortools/korCSV_IO.h"
#include "platform/code_page.h"
#include "platform/paths.h"
#include "tests/test_support.h"

namespace kor {
namespace {

namespace fs = std::filesystem;

using Records = std::vector<std::vector<String>>;

String U(std::string_view utf8) { return text::FromUtf8(utf8); }

using testing_support::ErrorOf;

// The records 1..R of a read array, fields 1..F each.
Records RecordsOf(const StringArray& a) {
  Records out;
  for (Long r = 1; r <= a.UBound(2); ++r) {
    std::vector<String> record;
    for (Long f = 1; f <= a.UBound(1); ++f) record.push_back(a(f, r));
    out.push_back(std::move(record));
  }
  return out;
}

// An array laid out as the writer takes it, from records of equal width.
StringArray TableOf(const Records& records) {
  StringArray a;
  const Long width = records.empty() ? 0 : static_cast<Long>(records[0].size());
  a.ReDim(0, width, 0, static_cast<Long>(records.size()));
  for (std::size_t r = 0; r < records.size(); ++r)
    for (std::size_t f = 0; f < records[r].size(); ++f)
      a(static_cast<Long>(f + 1), static_cast<Long>(r + 1)) = records[r][f];
  return a;
}

// A folder of its own per test, the code page fixed to UTF-8, and the message
// requests and event-processing calls recorded.
class Csv : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.after = [] {
      platform::ReloadSystemCodePage();
      platform::ReloadFileSystemView();
    };
    UseCodePage("UTF-8");
    HostHooks hooks;
    hooks.onMessage = [this](const String& text) { messages.push_back(text); };
    hooks.processEvents = [this] {
      ++events;
      if (onEvent) onEvent();
    };
    SetHostHooks(std::move(hooks));
  }
  void TearDown() override { SetHostHooks({}); }

  void UseCodePage(const char* name) {
    env_.Set("KORTOOLS_CODEPAGE", name);
    env_.after();
  }

  std::string Path(const std::string& name) const { return dir_ / name; }
  std::string Write(const std::string& name, std::string_view bytes) const {
    testing_support::WriteFile(Path(name), bytes);
    return Path(name);
  }

  // Reads `path` into `data`, counting events and messages afresh.
  void Read(const std::string& path, StringArray& data, Long* limit = nullptr) {
    messages.clear();
    events = 0;
    String name = U(path);
    csv.ReadCSVFile(name, data, limit);
  }

  std::int32_t WriteTable(const std::string& path, StringArray& data) {
    String name = U(path);
    return ErrorOf([&] { csv.WriteCSVFile(name, data); });
  }

  korCSV_IO csv;
  std::vector<String> messages;
  int events = 0;
  std::function<void()> onEvent;

 private:
  testing_support::ScopedEnv env_;
  testing_support::TempFolder dir_;
};

// A table the caller passed, to see that a read left it alone.
StringArray Untouched() {
  StringArray a;
  a.ReDim(1, 2);
  a(2) = u"keep";
  return a;
}

// ---------------------------------------------------------------- splitting

// The fuzz target compares the splitter with its model on lines of up to 256
// units; the field count's limit lies beyond them.
TEST(SplitCSVLine, FieldCountLimit) {
  StringArray fields;
  String line;
  for (int i = 0; i < 32767; ++i) line += u"x,";
  EXPECT_EQ(csv::SplitLine(line, u",", fields), 32767);
  line += u"y";
  EXPECT_EQ(ErrorOf([&] { csv::SplitLine(line, u",", fields); }), 6);
}

// ---------------------------------------------------------------- reading

// What the records hold is the fuzz target's comparison with its model; here
// the array's shape, and that a good file is read without a message.
TEST_F(Csv, ReadsIntoRecordsFromOne) {
  StringArray data = Untouched();
  Read(Write("t.csv", "a,b,c\r\nd\r\n\r\n"), data);
  EXPECT_TRUE(messages.empty());
  ASSERT_EQ(data.Dims(), 2);
  EXPECT_EQ(data.LBound(1), 0);
  EXPECT_EQ(data.LBound(2), 0);
  EXPECT_EQ(RecordsOf(data), (Records{{u"a", u"b", u"c"}, {u"d", u"", u""}, {u"", u"", u""}}));
}

// The fuzz target tries counts from -1 to 4; the smallest Long is left alone
// as well, and the count is only read.
TEST_F(Csv, FirstPassExaminesTheCountPlusOneLines) {
  const std::string file = Write("t.csv", "a\r\nb,c\r\nd,e,f\r\n");
  for (const Long given : {Long{1}, Long{-2147483647 - 1}}) {
    StringArray data = Untouched();
    Long limit = given;
    Read(file, data, &limit);
    EXPECT_EQ(limit, given);
    if (given < 0) {
      EXPECT_EQ(data, Untouched());
    } else {
      EXPECT_EQ(RecordsOf(data), (Records{{u"a", u""}, {u"b", u"c"}, {u"d", u"e"}}));
    }
  }
}

TEST_F(Csv, SecondPassGrowsByAHundredRecords) {
  std::string bytes;
  for (int i = 1; i <= 250; ++i) bytes += "r" + std::to_string(i) + "\r\n";
  StringArray data;
  std::vector<Long> seen;  // the upper bound the host sees at each record
  onEvent = [&] { seen.push_back(data.UBound(2)); };
  Long limit = 0;
  Read(Write("t.csv", bytes), data, &limit);
  ASSERT_EQ(seen.size(), 250u);
  EXPECT_EQ(seen[0], 1);    // the first pass counted one line
  EXPECT_EQ(seen[1], 102);  // record 2: 2 + 100
  EXPECT_EQ(seen[101], 102);
  EXPECT_EQ(seen[102], 203);  // record 103
  EXPECT_EQ(seen[249], 304);  // record 250 (204 + 100)
  EXPECT_EQ(data.UBound(2), 250);
  EXPECT_EQ(data(1, 250), u"r250");
}

TEST_F(Csv, LineEndsAcrossReadBoundaries) {
  // Every line is "x" ended by CR LF; one of the three offsets puts a CR as the
  // last byte of a read, whatever the reads' size, so the LF after it must
  // still belong to that line end.
  for (const std::string prefix : {"", "p", "pq"}) {
    std::string bytes = prefix;
    const int lines = 1'200'000 / 3;
    bytes.reserve(1'200'010);
    for (int i = 0; i < lines; ++i) bytes += "x\r\n";
    StringArray data;
    Read(Write("t.csv", bytes), data);
    ASSERT_EQ(data.UBound(2), lines) << prefix.size();
    EXPECT_EQ(data(1, 1), U(prefix + "x"));
    EXPECT_EQ(data(1, lines), u"x");
    EXPECT_EQ(events, lines);
  }
}

TEST_F(Csv, DecodesTheCodePage) {
  // UTF-8: invalid bytes become U+FFFD, nothing is lost around them.
  StringArray data;
  Read(Write("t.csv", "gr\xc3\xbc\xc3\x9f,\xff\"x\xfe\",\xe2\x82\r\n\"\xc3\xa9,\xc3\xa8\",z"), data);
  EXPECT_EQ(RecordsOf(data),
            (Records{{u"gr\u00fc\u00df", u"\uFFFD\"x\uFFFD", u"\uFFFD\uFFFD"}, {u"\u00e9,\u00e8", u"z", u""}}));
  if (!platform::OpenCodePage("WINDOWS-1252")) GTEST_SKIP() << "no windows-1252 on this system";
  UseCodePage("WINDOWS-1252");
  Read(Write("t.csv", "gr\xfc\xdf,\x80\r\n\x81"), data);
  ASSERT_EQ(data.UBound(2), 2);
  EXPECT_EQ(data(1, 1), u"gr\u00fc\u00df");
  EXPECT_EQ(data(2, 1), u"\u20ac");
  EXPECT_EQ(data(1, 2).size(), 1u);  // 0x81 is undefined in windows-1252
}

// ---------------------------------------------------------------- the handler

TEST_F(Csv, ReportsOpenAndReadFailuresOnce) {
  struct Case {
    std::string path;
    const char16_t* message;
  };
  fs::create_directory(Path("folder"));
  const Case cases[] = {
      {Path("missing.csv"), u"File not foundin READi_CSVFile subroutine"},
      {Path("no/such/folder.csv"), u"Path not foundin READi_CSVFile subroutine"},
      {Path("folder"), u"Path/File access errorin READi_CSVFile subroutine"},
      {"Q:\\unmapped.csv", u"Path not foundin READi_CSVFile subroutine"},
  };
  std::vector<Case> all(std::begin(cases), std::end(cases));
  if (::geteuid() != 0) {  // permissions do not stop root
    ::chmod(Write("secret.csv", "a\r\n").c_str(), 0);
    all.push_back({Path("secret.csv"), u"Permission deniedin READi_CSVFile subroutine"});
  }
  for (const Case& c : all) {
    StringArray data = Untouched();
    Read(c.path, data);
    EXPECT_EQ(messages, std::vector<String>{c.message}) << c.path;
    EXPECT_EQ(data, Untouched());
    EXPECT_EQ(events, 0);
  }
}

TEST_F(Csv, HostErrorsAreReportedAndReadingGoesOn) {
  int calls = 0;
  onEvent = [&] {
    if (++calls % 2 == 0) throw Error::Runtime(5);
  };
  StringArray data;
  Read(Write("t.csv", "a\rb\rc\rd\r"), data);
  EXPECT_EQ(events, 4);
  EXPECT_EQ(messages, std::vector<String>(2, u"Invalid procedure call or argumentin READi_CSVFile subroutine"));
  EXPECT_EQ(RecordsOf(data), (Records{{u"a"}, {u"b"}, {u"c"}, {u"d"}}));
}

TEST_F(Csv, ALineWiderThanAnIntegerIsReportedAndReadingGoesOn) {
  // Line 3 holds more fields than an Integer counts: each pass that splits it
  // reports the overflow; the line does not widen the array, and its record
  // holds its first fields. With a limit of 0 the first pass looks at line 1
  // only.
  std::string bytes = "a,b\r\nc\r\n";
  for (int i = 0; i < 40000; ++i) bytes += "x,";
  bytes += "\r\nd\r\n";
  const String overflow = u"Overflowin READi_CSVFile subroutine";
  constexpr Long kLeftOut = -1;
  for (const Long limit : {Long{0}, kLeftOut}) {
    messages.clear();
    events = 0;
    StringArray data = Untouched();
    Long n = limit;
    Read(Write("t.csv", bytes), data, limit == kLeftOut ? nullptr : &n);
    EXPECT_EQ(messages, std::vector<String>(limit == kLeftOut ? 2 : 1, overflow));
    EXPECT_EQ(RecordsOf(data), (Records{{u"a", u"b"}, {u"c", u""}, {u"x", u"x"}, {u"d", u""}}));
    EXPECT_EQ(events, 4);
  }
}

// ---------------------------------------------------------------- writing

TEST_F(Csv, WritesTheDialect) {
  struct Case {
    Records records;
    std::string bytes;
  };
  const Case cases[] = {
      {{{u"a,b", u"c,d", u"e"}}, "a,b,\"c,d\",e\r\n"},
      {{{u" s ", u"\"q\"", u"a\"b"}, {u"1", u"2", u"3"}}, " s ,\"q\",a\"b\r\n1,2,3\r\n"},
      {{{u"gr\u00fc\u00df", u"\u20ac,"}}, "gr\xc3\xbc\xc3\x9f,\"\xe2\x82\xac,\"\r\n"},
      {{{String(u"n\0l", 3)}}, std::string("n\0l\r\n", 5)},
      {{}, ""},
  };
  for (const Case& c : cases) {
    StringArray data = TableOf(c.records);
    const std::string path = Path("out.csv");
    ASSERT_EQ(WriteTable(path, data), 0);
    EXPECT_EQ(testing_support::ReadFile(path), c.bytes);
  }
}

TEST_F(Csv, WriterRaisesNineAfterEmptyingTheFile) {
  struct Case {
    const char* what;
    std::function<void(StringArray&)> make;
  };
  const Case cases[] = {
      {"missing", [](StringArray&) {}},
      {"one dimension", [](StringArray& a) { a.ReDim(0, 3); }},
      {"records start at 2", [](StringArray& a) { a.ReDim(0, 2, 2, 3); }},
      {"columns start at 2", [](StringArray& a) { a.ReDim(2, 3, 0, 1); }},
  };
  for (const Case& c : cases) {
    const std::string path = Write("out.csv", "old content\r\n");
    StringArray data;
    c.make(data);
    EXPECT_EQ(WriteTable(path, data), 9) << c.what;
    EXPECT_EQ(testing_support::ReadFile(path), "") << c.what;
  }
}

TEST_F(Csv, WriterErrors) {
  StringArray data = TableOf({{u"a"}});
  fs::create_directory(Path("folder"));
  EXPECT_EQ(WriteTable(Path("no/such/out.csv"), data), 76);
  EXPECT_EQ(WriteTable(Path("folder"), data), 75);
  EXPECT_EQ(WriteTable("Q:\\unmapped.csv", data), 76);
  if (fs::exists("/dev/full")) {
    EXPECT_EQ(WriteTable("/dev/full", data), 61);  // the disk is full
  }
  if (::geteuid() != 0) {  // permissions do not stop root
    const std::string locked = Write("locked.csv", "x");
    ::chmod(locked.c_str(), 0444);
    EXPECT_EQ(WriteTable(locked, data), 70);
    EXPECT_EQ(testing_support::ReadFile(locked), "x");
  }
}

}  // namespace
}  // namespace kor
