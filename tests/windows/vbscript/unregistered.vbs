' After DllUnregisterServer no class of the library can be created.
Dim names, name, o
names = Array("korINI", "korParse", "korFileMan", "korCSV_IO", "RegKey")
On Error Resume Next
For Each name In names
  Set o = CreateObject("korTools." & name)
  CheckError "korTools." & name & " is gone", 429, ""
Next
On Error GoTo 0
Finish
