// korCSV_IO::WriteCSVFile: one line per record, ended by CR LF, in the code
// page. It has no handler: an error ends it and reaches the caller. The new
// file is written beside the old one and takes its place only when it is
// complete, so a write that fails (the disk is full) leaves the old file as
// it was and nothing of the new one. An array that lacks an element the
// records need raises error 9 before any line is written, and leaves an
// empty file, as the file is made before the array is looked at.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "csv/ascii_text.h"

#include "kortools/error.h"
#include "kortools/korCSV_IO.h"
#include "platform/code_page.h"
#include "platform/text_files.h"

namespace kor {
namespace {

// Lines in the code page, gathered before they go to the file.
class Bytes {
 public:
  std::size_t size() const { return size_; }
  std::string_view view() const { return {data_.get(), size_}; }
  void clear() { size_ = 0; }
  void resize(std::size_t n) { size_ = n; }  // only to shrink

  // Room for `n` more bytes, counted as written.
  char* Append(std::size_t n) {
    if (size_ + n > capacity_) {
      const std::size_t capacity = std::max(capacity_ * 2, size_ + n + 256);
      auto grown = std::make_unique_for_overwrite<char[]>(capacity);
      if (size_ > 0) std::memcpy(grown.get(), data_.get(), size_);
      data_ = std::move(grown);
      capacity_ = capacity;
    }
    char* at = data_.get() + size_;
    size_ += n;
    return at;
  }
  void operator+=(char c) { *Append(1) = c; }
  void operator+=(std::string_view s) { std::memcpy(Append(s.size()), s.data(), s.size()); }

 private:
  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0, capacity_ = 0;
};

// Appends a record's line to `out` when it is all ASCII; false otherwise
// (`out` then holds part of it). A field from column 2 on that holds a comma
// goes between double quotes; column 1 is always read, and written as it is.
// Field c is row[c - first].
bool AppendAsciiLine(const String* row, Long first, Long columns, Bytes& out) {
  bool comma = false;
  const String& one = row[1 - first];
  if (!csv::ScanAscii(one.data(), one.size(), comma)) return false;
  csv::Narrow(one.data(), one.size(), out.Append(one.size()));
  for (Long c = 2; c <= columns; ++c) {
    const String& field = row[c - first];
    if (!csv::ScanAscii(field.data(), field.size(), comma)) return false;
    char* at = out.Append(field.size() + (comma ? 3 : 1));
    *at++ = ',';
    if (comma) *at++ = '"';
    csv::Narrow(field.data(), field.size(), at);
    if (comma) at[field.size()] = '"';
  }
  out += "\r\n";
  return true;
}

// The same line as UTF-16 text.
void JoinLine(const String* row, Long first, Long columns, String& line) {
  line = row[1 - first];
  for (Long c = 2; c <= columns; ++c) {
    const String& field = row[c - first];
    line += u',';
    if (field.find(u',') == String::npos) {
      line += field;
    } else {
      line += u'"';
      line += field;
      line += u'"';
    }
  }
  line += u"\r\n";
}

constexpr std::size_t kBatch = std::size_t{1} << 16;  // bytes of lines handed to the file at once

}  // namespace

void korCSV_IO::WriteCSVFile(String& i_CSVFile, StringArray& i_CSVData) {
  const platform::CodePage& cp = platform::SystemCodePage();
  auto file = platform::GetTextFiles().OpenForReplace(cp.Encode(i_CSVFile));
  const auto emptyAnd9 = [&] {
    file->Close();
    throw Error::Runtime(9);
  };
  if (i_CSVData.Dims() != 2) emptyAnd9();
  const Long columns = i_CSVData.UBound(1);
  const Long records = i_CSVData.UBound(2);
  // Element (c, r) is read for c = 1 to `columns` and r = 1 to `records`:
  // all of them lie in the array unless element (1, 1) does not.
  const Long first = i_CSVData.LBound(1);
  if (records >= 1 && (first > 1 || columns < 1 || i_CSVData.LBound(2) > 1)) emptyAnd9();
  const auto rowSize = static_cast<std::size_t>(static_cast<std::int64_t>(columns) - first + 1);
  const std::size_t rowOne = static_cast<std::size_t>(1 - static_cast<std::int64_t>(i_CSVData.LBound(2))) * rowSize;

  Bytes bytes;
  String wide;
  for (Long r = 0; r < records; ++r) {
    const String* row = i_CSVData.Items().data() + rowOne + static_cast<std::size_t>(r) * rowSize;
    const std::size_t lineStart = bytes.size();
    if (!AppendAsciiLine(row, first, columns, bytes)) {
      // Not all ASCII: the whole line goes through the code page, as one text.
      bytes.resize(lineStart);
      JoinLine(row, first, columns, wide);
      bytes += cp.Encode(wide);
    }
    if (bytes.size() >= kBatch) {
      file->Write(bytes.view());
      bytes.clear();
    }
  }
  file->Write(bytes.view());
  file->Close();
}

}  // namespace kor
