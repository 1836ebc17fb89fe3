' korINI through the automation server: single keys, groups of keys into
' two-dimensional arrays, and window settings saved from and put back on a
' script object that plays the host's window.
Dim ini, file, n, data, names, m, k, g, defaultFile

' A host window: the bounds, state and border style the library reads, and
' Move, which records what it was given. (Wine's VBScript takes one member
' per Public statement.)
Class Form
  Public Left
  Public Top
  Public Width
  Public Height
  Public WindowState
  Public BorderStyle
  Public Moves
  Public Sub Move(l, t, w, h)
    Left = l: Top = t: Width = w: Height = h
    Moves = Moves + 1
  End Sub
End Class

Function NewForm(l, t, w, h, state, border)
  Set NewForm = New Form
  NewForm.Left = l: NewForm.Top = t: NewForm.Width = w: NewForm.Height = h
  NewForm.WindowState = state: NewForm.BorderStyle = border: NewForm.Moves = 0
End Function

' Bounds pass through Singles and seven-digit percentages: a twip either way.
Function At(form, l, t, w, h)
  At = Abs(form.Left - l) < 1 And Abs(form.Top - t) < 1 And Abs(form.Width - w) < 1 And Abs(form.Height - h) < 1
End Function

Set ini = CreateObject("korTools.korINI")
file = work & "keys.ini"

' ---- single keys
' Non-ASCII text goes through the ANSI code page, one byte a character in the
' file (Scripting.FileSystemObject reads the file in that code page too).
n = ini.WriteINI("Main", "Greeting", Greeting, file)
Check "a non-ASCII value comes back", Codes(ini.GetIni("Main", "Greeting", "", file)), GreetingCodes
Check "the file holds it in the ANSI code page", InStr(ReadAll(file), "Greeting=" & Greeting & vbCrLf) > 0, True

Check "GetInt of a missing key is the default as a Double", ini.GetInt("Main", "Nope", -3, file), CDbl(-3)
' ---- groups
file = work & "groups.ini"
WriteAll file, "[Colors]" & vbCrLf & "NumberOfItems=2" & vbCrLf & "NumberOfKeys=2" & vbCrLf & _
  "Key1=Red" & vbCrLf & "Key2=Blue" & vbCrLf & "Red1=255" & vbCrLf & "Red2=0" & vbCrLf & _
  "Blue1=0" & vbCrLf & "Blue2=255" & vbCrLf
ini.GetGroup file, "Colors", k, m, data
Check "GetGroup keys, items and bounds", k & "," & m & " " & Bounds(data), "2,2 0..2 x 0..2"
Check "GetGroup values", data(1, 1) & "," & data(1, 2) & "," & data(2, 1) & "," & data(2, 2), "255,0,0,255"

names = Array("", "Blue")
data = Empty
ini.GetGroupKeys file, "Colors", names, m, data
Check "GetGroupKeys items and bounds", m & " " & Bounds(data), "2 0..1 x 0..2"
' A name without a folder is completed against the current folder.
CreateObject("WScript.Shell").CurrentDirectory = work
ini.GetGroupKeys "groups.ini", "Colors", names, m, data
Check "GetGroupKeys completes a bare name against the current folder", data(1, 2), "255"

' ---- window settings
file = work & "windows.ini"
ini.WritePrivateWindowinIni NewForm(1440, 720, 7200, 5400, 0, 2), "Main", file
Set g = NewForm(0, 0, 1000, 1000, 0, 2)
ini.ReadPrivateWindow g, "Main", file
Check "ReadPrivateWindow moves the window back, once", At(g, 1440, 720, 7200, 5400) And g.Moves = 1, True

ini.WriteWindowInIni NewForm(1440, 720, 7200, 5400, 2, 2), file
Set g = NewForm(0, 0, 1000, 1000, 0, 2)
ini.ReadWindowSettings g, file
Check "ReadWindowSettings maximizes a sizable window", g.WindowState & "," & g.Moves, "2,0"

defaultFile = ""
ini.ReadPrivateWindow g, "Main", defaultFile
Check "an empty file name comes back as the default INI file", LCase(Right(defaultFile, 13)), "\kortools.ini"

' A window parameter refuses what is no window with error 13 before anything
' is done, so the file name stays empty: a text, an object of the library's
' own, an object with only some of a window's members.
Class Corner
  Public Left
  Public Top
End Class
defaultFile = ""
On Error Resume Next
ini.ReadWindowSettings "not a window", defaultFile
CheckError "a text is no window", 13, "Type mismatch"
ini.WriteWindowInIni CreateObject("korTools.korParse"), defaultFile
CheckError "a korParse is no window", 13, "Type mismatch"
ini.ReadPrivateWindow New Corner, "Main", defaultFile
CheckError "a class with only Left and Top is no window", 13, "Type mismatch"
On Error GoTo 0
Check "the file name stays empty", defaultFile, ""

Finish
