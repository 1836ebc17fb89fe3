' korCSV_IO through the automation server: a script's fixed two-dimensional
' array written as a CSV file (first index the field, second the record),
' and files read back into a script variable.
Dim csv, file, d(3, 2), u(2, 1), data, kept, limit

' Record r of a read array as "f1|f2|...".
Function Record(a, r)
  Dim c
  Record = a(1, r)
  For c = 2 To UBound(a, 1)
    Record = Record & "|" & a(c, r)
  Next
End Function

Set csv = CreateObject("korTools.korCSV_IO")
file = work & "out.csv"

' ---- writing: row 0 and column 0 carry no data; from column 2 on a field
' with a comma is quoted, column 1 never is.
d(0, 1) = "ignored"
d(1, 1) = "a,b": d(2, 1) = "c,d": d(3, 1) = "e"
d(1, 2) = "x": d(2, 2) = "": d(3, 2) = " q""q "
csv.WriteCSVFile file, d
Check "WriteCSVFile lines", ReadAll(file), "a,b,""c,d"",e" & vbCrLf & "x,, q""q " & vbCrLf

' ---- reading into an Empty variable
WriteAll file, "a,b,c" & vbCrLf & "d" & vbCrLf & vbCrLf
csv.ReadCSVFile file, data
Check "ReadCSVFile bounds", Bounds(data), "0..3 x 0..3"
Check "record 1", Record(data, 1), "a|b|c"

' ---- a missing file is reported to the event log, not raised, and the
' caller's array stays.
kept = data
On Error Resume Next
csv.ReadCSVFile work & "missing.csv", data
CheckError "a missing file raises nothing", 0, ""
On Error GoTo 0
Check "a missing file keeps the array", Bounds(data) & ":" & Record(data, 1), Bounds(kept) & ":a|b|c"

' ---- the writer raises
On Error Resume Next
csv.WriteCSVFile work & "no\such\out.csv", d
CheckError "writing into a missing folder", 76, "Path not found"
csv.WriteCSVFile file, Array("a", "b")
CheckError "writing a one-dimensional array", 9, "Subscript out of range"
On Error GoTo 0

' ---- a non-ASCII file name and fields, through the ANSI code page
file = work & Chr(228) & "pfel.csv"
u(1, 1) = Greeting: u(2, 1) = Chr(233) & "t" & Chr(233)
csv.WriteCSVFile file, u
Check "a non-ASCII file name is made as given", CreateObject("Scripting.FileSystemObject").FileExists(file) & _
  " " & CreateObject("korTools.korFileMan").FileExists(file), "True -1"
Check "non-ASCII fields are written in the ANSI code page", Codes(ReadAll(file)), _
  GreetingCodes & " 44 233 116 233 13 10"
csv.ReadCSVFile file, data
Check "non-ASCII fields read back", Bounds(data) & " " & Codes(Record(data, 1)), _
  "0..2 x 0..1 " & GreetingCodes & " 124 233 116 233"

Finish
