' After DllUnregisterServer no class of the library can be created, and the
' event log's source is gone.
Dim names, name, o
names = Array("korINI", "korParse", "korFileMan", "korCSV_IO", "RegKey")
On Error Resume Next
For Each name In names
  Set o = CreateObject("korTools." & name)
  CheckError "korTools." & name & " is gone", 429, ""
Next
' Nor is the event log's source left behind.
Dim shell
Set shell = CreateObject("WScript.Shell")
shell.RegRead "HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\korTools\EventMessageFile"
Check "the event source is gone", Err.Number <> 0, True
Err.Clear
On Error GoTo 0
Finish
