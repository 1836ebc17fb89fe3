// korCSV_IO: reads a CSV file into a two-dimensional string array and writes
// one back.
//
//   kor::korCSV_IO csv;
//   kor::String file = u"Z:\\tmp\\data.csv";
//   kor::StringArray data;
//   csv.ReadCSVFile(file, data);         // data(1..records, 1..fields)
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
};

}  // namespace kor
