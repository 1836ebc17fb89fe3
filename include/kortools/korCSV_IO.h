// korCSV_IO: reads a CSV file into a two-dimensional string array and writes
// one back.
//
//   kor::korCSV_IO csv;
//   kor::String file = u"Z:\\tmp\\data.csv";
//   kor::StringArray data;
//   csv.ReadCSVFile(file, data);   // data(field, record): fields 1..F, records 1..R
//   csv.WriteCSVFile(file, data);
#pragma once

#include <optional>

#include "kortools/export.h"
#include "kortools/string_array.h"
#include "kortools/types.h"

namespace kor {

class KORTOOLS_API _korCSV_IO {
 public:
  virtual ~_korCSV_IO();

  virtual void ReadCSVFile(String& i_CSVFile, StringArray& o_CSVData, Long* i_NrOfRecords2Search = nullptr) = 0;
  virtual void WriteCSVFile(String& i_CSVFile, StringArray& i_CSVData) = 0;
};

class KORTOOLS_API korCSV_IO final : public _korCSV_IO {
 public:
  void ReadCSVFile(String& i_CSVFile, StringArray& o_CSVData, Long* i_NrOfRecords2Search = nullptr) override;
  void WriteCSVFile(String& i_CSVFile, StringArray& i_CSVData) override;

  // C++ calls that take literals and temporaries. Each input the member takes
  // by reference is copied into a local here, and the member's write-back
  // into that copy is dropped: a text the system code page cannot hold coming
  // back with '?' for the characters it lacks. Outputs (o_...) stay
  // references. A call with variables of the exact types still goes to the
  // member above and gets the write-back.
  void ReadCSVFile(const String& i_CSVFile, StringArray& o_CSVData,
                   std::optional<Long> i_NrOfRecords2Search = std::nullopt);
  void WriteCSVFile(const String& i_CSVFile, const StringArray& i_CSVData);

 private:
  // Splits a line at `i_Separator` into o_Fields(1 To n); returns n.
  Integer SplitCSVLine(const String& i_Line, const String& i_Separator, StringArray& o_Fields);
};

}  // namespace kor
