// korCSV_IO: reads a CSV file into a two-dimensional string array and writes
// one back.
//
//   kor::korCSV_IO csv;
//   kor::String file = u"Z:\\tmp\\data.csv";
//   kor::StringArray data;
//   csv.ReadCSVFile(file, data);   // data(field, record): fields 1..F, records 1..R
//   csv.WriteCSVFile(file, data);
#pragma once

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

 private:
  // Splits a line at `i_Separator` into o_Fields(1 To n); returns n.
  Integer SplitCSVLine(const String& i_Line, const String& i_Separator, StringArray& o_Fields);
};

}  // namespace kor
