// korCSV_IO::ReadCSVFile: a first pass over the file finds the widest record,
// a second one fills the array.
//
// A line is decoded from the code page as a whole before it is split, so that
// a code page whose characters span several bytes (or shift states) splits as
// the decoded text does; the first pass, which only counts fields, splits
// lines that are pure ASCII on their bytes.
//
// Every error is reported through the handler's message request (the error's
// description followed by "in READi_CSVFile subroutine"), and reading goes on
// with the step after the one that failed. A line with more fields than an
// Integer counts fails its split in each pass: in the first pass it counts as
// a record but does not widen the array (its field count is never known), and
// in the second pass its record holds the line's first F fields. An error
// raised by the host's event processing is reported and reading goes on with
// the next record. An error that would fail again at every later step (the
// file cannot be opened or read, memory runs out for the array, the host
// re-dimensioned the array) is reported once and the method ends: a failure
// in the first pass leaves o_CSVData as the caller passed it; one in the
// second pass leaves the records completed before it, bounds (0 To F, 0 To r).
#include <algorithm>
#include <new>
#include <stdexcept>
#include <string_view>

#include "csv/ascii_text.h"
#include "csv/split_line.h"
#include "frame/checked.h"
#include "frame/defaults.h"
#include "frame/host_events.h"
#include "frame/message.h"
#include "frame/text.h"
#include "kortools/error.h"
#include "kortools/korCSV_IO.h"
#include "platform/code_page.h"
#include "platform/text_files.h"

namespace kor {
namespace {

// The array grows by this many records when a file has more lines in the
// second pass than the first pass counted.
constexpr Long kGrowth = 100;

// The description of the error being handled.
String CurrentDescription() {
  try {
    throw;
  } catch (const Error& e) {
    return e.Description();
  } catch (const std::bad_alloc&) {
    return RuntimeErrorText(7);
  } catch (const std::length_error&) {
    return RuntimeErrorText(7);
  } catch (const std::exception& e) {
    return text::FromUtf8(e.what());
  } catch (...) {
    return RuntimeErrorText(0);  // "Application-defined or object-defined error"
  }
}

// The handler: call only while an exception is being handled.
void ReportCurrentError() { RequestMessage(CurrentDescription() + u"in READi_CSVFile subroutine"); }

// A field's bounds after it is trimmed of spaces at both ends and then loses
// one double quote at its start and one at its end.
template <typename Char>
void Trim(const Char* s, std::size_t& begin, std::size_t& end) {
  while (begin < end && s[begin] == Char(' ')) ++begin;
  while (end > begin && s[end - 1] == Char(' ')) --end;
  if (begin < end && s[begin] == Char('"')) ++begin;
  if (begin < end && s[end - 1] == Char('"')) --end;
}

// Whether the line is pure ASCII, and how many commas it holds: a line has at
// most one field more than commas. One pass the compiler vectorises.
bool CountCommas(std::string_view line, std::size_t& commas) {
  std::size_t n = 0;
  unsigned char seen = 0;
  for (const char c : line) {
    n += c == ',' ? 1 : 0;
    seen |= static_cast<unsigned char>(c);
  }
  commas = n;
  return seen < 0x80;
}

// The lines of one file, split at "," as the class's SplitCSVLine splits
// them.
class Lines {
 public:
  explicit Lines(const platform::CodePage& cp) : cp_(cp), bytes_(","), wide_(u",") {}

  // The line's field count, or `widest` when the line cannot have more
  // fields than that.
  Long Count(std::string_view line, Long widest) {
    constexpr auto ignore = [](std::size_t, std::size_t, std::size_t) {};
    std::size_t commas = 0;
    if (CountCommas(line, commas)) {
      if (commas < static_cast<std::size_t>(widest)) return widest;
      return static_cast<Long>(bytes_.Split(line, ignore));
    }
    text_ = cp_.Decode(line);
    return static_cast<Long>(wide_.Split(text_, ignore));
  }

  // Stores the line's fields 1 to `width` in row[1..width] (fields beyond
  // `width` are dropped, missing ones are empty).
  void Store(std::string_view line, String* row, Long width) {
    const auto w = static_cast<std::size_t>(width);
    if (text::IsAscii(line)) {
      // ASCII splits the same on its bytes: each field is widened on its own.
      const char* b = line.data();
      const std::size_t k = bytes_.Split(line, [&](std::size_t n, std::size_t begin, std::size_t end) {
        if (n > w) return;
        Trim(b, begin, end);
        String& field = row[n];
        field.resize(end - begin);
        csv::Widen(b + begin, end - begin, field.data());
      });
      for (std::size_t f = k + 1; f <= w; ++f) row[f].clear();
      return;
    }
    text_ = cp_.Decode(line);
    const char16_t* s = text_.data();
    const std::size_t k = wide_.Split(text_, [&](std::size_t n, std::size_t begin, std::size_t end) {
      if (n > w) return;
      Trim(s, begin, end);
      row[n].assign(s + begin, end - begin);
    });
    for (std::size_t f = k + 1; f <= w; ++f) row[f].clear();
  }

 private:
  const platform::CodePage& cp_;
  csv::Splitter<char> bytes_;
  csv::Splitter<char16_t> wide_;
  String text_;  // the line being split, in UTF-16
};

// The first pass: the widest field count among at most `limit` + 1 lines, and
// the number of lines examined.
void Measure(const std::string& name, Lines& lines, Long limit, Long& widest, Long& count) {
  auto file = platform::GetTextFiles().OpenForInput(name);
  while (!file->AtEnd() && count <= limit) {
    const std::string_view line = file->ReadLine();
    try {
      widest = std::max(widest, lines.Count(line, widest));
    } catch (...) {
      ReportCurrentError();
    }
    count = checked::Add<Long>(count, 1);
  }
}

// Raises error 9 when the array no longer has the layout the reader gave it
// (the host may have changed it while processing its events).
void CheckLayout(const StringArray& data, Long widest) {
  const auto& b = data.AllBounds();
  if (b.size() != 2 || b[0].lower != 0 || b[0].upper != widest || b[1].lower != 0) throw Error::Runtime(9);
}

}  // namespace

void korCSV_IO::ReadCSVFile(String& i_CSVFile, StringArray& o_CSVData, Long* i_NrOfRecords2Search) {
  const Long limit = i_NrOfRecords2Search != nullptr ? *i_NrOfRecords2Search : defaults::kCsvRecordsToSearch;
  const platform::CodePage& cp = platform::SystemCodePage();
  Lines lines(cp);
  std::string name;
  Long widest = 0, count = 0;
  try {
    name = cp.Encode(i_CSVFile);
    Measure(name, lines, limit, widest, count);
  } catch (...) {
    ReportCurrentError();
    return;
  }
  if (count == 0 || widest == 0) return;

  Long record = 0, completed = 0;
  bool filling = false;
  try {
    o_CSVData.ReDim(0, widest, 0, count);
    filling = true;
    auto file = platform::GetTextFiles().OpenForInput(name);
    const auto rowSize = static_cast<std::size_t>(widest) + 1;
    while (!file->AtEnd()) {
      const std::string_view line = file->ReadLine();
      record = checked::Add<Long>(record, 1);
      CheckLayout(o_CSVData, widest);
      if (o_CSVData.UBound(2) < record) o_CSVData.ReDimPreserve(0, widest, 0, checked::Add(record, kGrowth));
      try {
        lines.Store(line, o_CSVData.Items().data() + static_cast<std::size_t>(record) * rowSize, widest);
      } catch (...) {
        ReportCurrentError();  // the fields stored before the split failed stay
      }
      completed = record;
      try {
        platform::ProcessPendingEvents();
      } catch (...) {
        ReportCurrentError();
      }
    }
    o_CSVData.ReDimPreserve(0, widest, 0, record);
  } catch (...) {
    ReportCurrentError();
    try {
      if (filling) o_CSVData.ReDimPreserve(0, widest, 0, completed);
    } catch (const Error&) {
      // The host changed the array's layout: it keeps the host's.
    }
  }
}

}  // namespace kor
