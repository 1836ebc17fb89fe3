' RegKey through the automation server, on the system's registry: a key the
' system carries, and a key this script makes under HKEY_CURRENT_USER with
' WScript.Shell and removes at the end.
Dim r, shell, base, i, types, v, text, longName
Const HKLM = &H80000002  ' eRegistryRoots.HKEY_LOCAL_MACHINE
Const HKCU = &H80000001  ' eRegistryRoots.HKEY_CURRENT_USER
Const KEY_READ = &H20019  ' eRegistryAccessModes.KEY_READ

Set shell = CreateObject("WScript.Shell")
base = "Software\korTools script test"
shell.RegWrite "HKCU\" & base & "\Name", "abc", "REG_SZ"
shell.RegWrite "HKCU\" & base & "\Count", 42, "REG_DWORD"
shell.RegWrite "HKCU\" & base & "\Blob", 1, "REG_BINARY"
shell.RegWrite "HKCU\" & base & "\Sub\", ""

Set r = CreateObject("korTools.RegKey")

' ---- a key every system has (read only)
r.RegKeyOpen HKLM, "Software\Microsoft\Windows NT\CurrentVersion", KEY_READ
v = r.RegKeyValue("ProductName")
Check "ProductName is a string", TypeName(v) & "," & (Len(v) > 0), "String,True"
r.RegKeyClose

' ---- the script's own key (default access: all)
r.RegKeyOpen HKCU, base
Check "RegKeyValuesCount", r.RegKeyValuesCount, CLng(3)
types = ""
For i = 0 To 2
  types = types & r.RegKeyValueName(i) & "=" & r.RegKeyValueType(i) & " "
Next
Check "RegKeyValueName and RegKeyValueType: string, 32-bit number, raw bytes unsupported", _
  InStr(types, "Name=1 ") > 0 And InStr(types, "Count=4 ") > 0 And InStr(types, "Blob=-1 ") > 0, True
Check "RegKeyValue of a string", r.RegKeyValue("Name"), "abc"
Check "RegKeyValue of a 32-bit number", r.RegKeyValue("Count"), CLng(42)
Check "RegKeySubKeysCount", r.RegKeySubKeysCount, CLng(1)
Check "RegKeySubKey", r.RegKeySubKey(0), "Sub"

On Error Resume Next
v = r.RegKeyValue("Blob")
CheckError "RegKeyValue of raw bytes", -2147221497, "Error querying registry value, unsupported datatype."
Check "RegErrorCode after an unsupported kind", r.RegErrorCode, CLng(-1)
v = r.RegKeyValueName(3)
CheckError "RegKeyValueName past the last value", -2147221496, "Error (259) querying value name."
Check "RegErrorCode past the last value", r.RegErrorCode, CLng(259)
v = r.RegKeySubKey(1)
CheckError "RegKeySubKey past the last subkey", -2147221496, "Error (259) querying subkey name."
On Error GoTo 0

' ---- a missing key, and the error field as a property
r.RegKeyClose
On Error Resume Next
r.RegKeyOpen HKCU, base & "\No such key"
CheckError "opening a missing key", -2147221503, "Error (2) opening registry key."
On Error GoTo 0
Check "RegErrorCode of a missing key", r.RegErrorCode, CLng(2)
' The text is the system's own message for the code.
text = r.RegErrorString
Check "RegErrorString of code 2 is a text", Len(text) > 0 And InStr(text, Chr(0)) = 0, True
r.RegErrorCode = 5
Check "RegErrorCode is writable", r.RegErrorCode, CLng(5)
Check "RegErrorString follows the written code", r.RegErrorString <> text, True

' ---- in the subkey: non-ASCII text, a number with its top bit set, and a
' value name and a subkey name of 255 characters, the longest a key name may
' be (a subkey name that fills the name buffer once came back empty)
longName = String(255, "n")
shell.RegWrite "HKCU\" & base & "\Sub\Text", Greeting, "REG_SZ"
shell.RegWrite "HKCU\" & base & "\Sub\Minus", &HFFFFFFFF, "REG_DWORD"
shell.RegWrite "HKCU\" & base & "\Sub\" & longName, "long", "REG_SZ"
shell.RegWrite "HKCU\" & base & "\Sub\" & longName & "\", ""
r.RegKeyOpen HKCU, base & "\Sub"
Check "RegKeyValue of a non-ASCII string", Codes(r.RegKeyValue("Text")), GreetingCodes
Check "RegKeyValue of the number &HFFFFFFFF is the Long -1", r.RegKeyValue("Minus"), CLng(-1)
Check "RegKeyValue under a 255-character name", r.RegKeyValue(longName), "long"
types = ""
For i = 0 To r.RegKeyValuesCount - 1
  If r.RegKeyValueName(i) = longName Then types = types & r.RegKeyValueType(i)
Next
Check "RegKeyValueName and RegKeyValueType of a 255-character name", types, "1"
Check "RegKeySubKey of a 255-character name", r.RegKeySubKeysCount & " " & r.RegKeySubKey(0), "1 " & longName
r.RegKeyClose

' Releasing the object closes its key; WScript.Shell's RegDelete is a stub
' under Wine, so reg.exe removes the key.
Set r = Nothing
Check "reg.exe removes the script's key", shell.Run("reg delete ""HKCU\" & base & """ /f", 0, True), CLng(0)
Finish
