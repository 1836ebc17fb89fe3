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

// The default interface of korCSV_IO. Element (f, r) of the array is field f
// of record r, both from 1; row 0 and column 0 stay empty. File names are
// Windows names (Z:\tmp\data.csv) or POSIX names, in the system code page.
class KORTOOLS_API _korCSV_IO {
 public:
  virtual ~_korCSV_IO();

  // Reads i_CSVFile into o_CSVData(0 To F, 0 To R): one record per line (a
  // line ends at CR or CR LF), F the widest record's field count, shorter
  // records filled with empty strings. Fields are split at commas (runs of
  // commas make no empty field), a field opened by a double quote runs to the
  // next `",`, and each is trimmed of spaces and one quote at either end. The
  // first pass looks at no more than i_NrOfRecords2Search + 1 lines to find F
  // (all lines when left out). The host's processEvents hook runs once per
  // record. Never raises: an error becomes the message "<description>in
  // READi_CSVFile subroutine" in the event log; one that would fail again (53
  // file not found, 76 path not found, 70, 75, a line of more than 32767
  // fields) ends the method, leaving o_CSVData as passed (first pass) or with
  // the records completed so far (second pass).
  //   csv.ReadCSVFile(file, data);   // "a,b" CR LF "c" gives data(1..2, 1..2)
  virtual void ReadCSVFile(String& i_CSVFile, StringArray& o_CSVData, Long* i_NrOfRecords2Search = nullptr) = 0;

  // Creates or empties i_CSVFile, then writes records 1 To UBound(2), fields
  // 1 To UBound(1) joined by commas, each record ended by CR LF; a field from
  // column 2 on that holds a comma is put between double quotes, nothing else
  // is escaped. Raises its errors: 9 (file left empty) for an array that is
  // missing, not two-dimensional or without column 1; the file layer's 52, 53,
  // 76, 70, 75, 61, 57, 67. The file is closed in every case.
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
