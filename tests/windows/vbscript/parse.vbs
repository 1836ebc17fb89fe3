' korParse through the automation server, and what every class shares: error
' numbers and descriptions, optional arguments, by-reference outputs.
Dim p, values, n
Set p = CreateObject("korTools.korParse")

Check "ParseString second field", p.ParseString("a,b,c", ",", 2), "b"

n = p.SmartParse("one two ""three four""", values)
Check "SmartParse count", n, 3
Check "SmartParse quoted part", values(UBound(values)), "three four"
n = p.SmartParse("x;'y;z'", values, ";", "'")
Check "SmartParse own delimiter and quote", values(UBound(values)), "y;z"

Dim cls
For Each cls In Array("korINI", "korParse", "korCSV_IO", "RegKey", "korFileMan")
  Check "TypeName names the class " & cls, TypeName(CreateObject("korTools." & cls)), cls
Next

On Error Resume Next
n = p.ParseString("a,b", ",", 99999999999)
CheckError "Long overflow", 6, "Overflow"
n = p.NoSuchMember()
CheckError "unknown member", 438, ""
n = p.ParseString("a", ",", 1, "extra")
CheckError "too many arguments", 450, ""
On Error GoTo 0

Finish
