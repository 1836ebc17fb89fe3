// Fuzzes korCSV_IO: the line splitter on arbitrary UTF-16 lines and
// separators, and the reader on arbitrary file contents, with or without a
// count of lines for its first pass.
//
// The splitter must return or raise error 5 (empty separator) or 6 (more
// fields than an Integer counts); the reader must return, reporting at most
// one error. Both are compared with the step-by-step models of
// fuzz/csv_model.h.
#include <fuzzer/FuzzedDataProvider.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "csv/split_line.h"
#include "frame/text.h"
#include "fuzz/csv_model.h"
#include "fuzz/fuzz_text.h"
#include "kortools/error.h"
#include "kortools/host.h"
#include "kortools/korCSV_IO.h"

namespace {

using kor::fuzzing::Require;

constexpr char16_t kCsvAlphabetUnits[] = {u',', u'"', u' ', u'a', u';', u'\0', 0xD800, u'\r', u'\n'};
constexpr std::u16string_view kCsvAlphabet(kCsvAlphabetUnits, std::size(kCsvAlphabetUnits));

kor::String ConsumeText(FuzzedDataProvider& in, std::size_t maxUnits, bool dense) {
  return kor::fuzzing::ConsumeText(in, maxUnits, dense, kCsvAlphabet);
}

void FuzzSplit(const kor::String& line, const kor::String& separator) {
  kor::StringArray fields;
  kor::Integer n = 0;
  try {
    n = kor::csv::SplitLine(line, separator, fields);
  } catch (const kor::Error& e) {
    Require((e.Number() == 5 && separator.empty()) || e.Number() == 6);
    return;
  }
  Require(n >= 0 && fields.LBound() == 0 && fields.UBound() == n && fields(0).empty());
  const auto model = kor::reference::SplitCSVLine(line, separator);
  Require(model.size() == static_cast<std::size_t>(n));
  for (kor::Integer i = 1; i <= n; ++i) Require(fields(i) == model[static_cast<std::size_t>(i - 1)]);
}

void FuzzRead(const std::string& bytes, bool leaveOut, kor::Long limit) {
  const int fd = ::memfd_create("csv", MFD_CLOEXEC);
  Require(fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
  int messages = 0, events = 0;
  kor::HostHooks hooks;
  hooks.onMessage = [&](const kor::String&) { ++messages; };
  hooks.processEvents = [&] { ++events; };
  kor::SetHostHooks(std::move(hooks));

  kor::StringArray data;
  data.ReDim(0, 1);
  kor::String name = kor::text::FromUtf8("/proc/self/fd/" + std::to_string(fd));
  kor::korCSV_IO csv;
  csv.ReadCSVFile(name, data, leaveOut ? nullptr : &limit);
  kor::SetHostHooks({});
  ::close(fd);
  Require(messages <= 1);
  if (messages == 1) return;  // a line with more fields than an Integer counts

  const auto model = kor::reference::ReadCSV(bytes, kor::platform::SystemCodePage(), leaveOut ? 2147000000 : limit);
  if (!model) {
    Require(data.Dims() == 1 && events == 0);
    return;
  }
  Require(data.Dims() == 2 && data.UBound(2) == static_cast<kor::Long>(model->size()));
  Require(events == static_cast<int>(model->size()));
  for (std::size_t r = 0; r < model->size(); ++r) {
    const auto& record = (*model)[r];
    Require(data.UBound(1) == static_cast<kor::Long>(record.size()));
    for (std::size_t f = 0; f < record.size(); ++f)
      Require(data(static_cast<kor::Long>(f + 1), static_cast<kor::Long>(r + 1)) == record[f]);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kor::fuzzing::QuietEventLog();
  FuzzedDataProvider in(data, size);
  const bool dense = in.ConsumeBool();
  const bool leaveOut = in.ConsumeBool();
  const auto limit = in.ConsumeIntegralInRange<kor::Long>(-1, 4);
  const kor::String separator = ConsumeText(in, 3, dense);
  const kor::String line = ConsumeText(in, 256, dense);
  FuzzSplit(line, separator);
  FuzzRead(in.ConsumeBytesAsString(in.remaining_bytes()), leaveOut, limit);
  return 0;
}
