' The checks every script shares; scripts/wine-com puts this file in front of
' each script. A script runs its checks, then calls Finish, which prints the
' last line "SCRIPT-END" and exits with the number of failed checks: a script
' that stops early (an unhandled error ends a script silently) never prints it.
Option Explicit
Dim checks, failures, work
checks = 0
failures = 0
' The work folder, as a Windows path (Z:\...), made fresh for each script.
work = WScript.Arguments(0)
If Right(work, 1) <> "\" Then work = work & "\"

Sub Check(name, actual, expected)
  checks = checks + 1
  If TypeName(actual) = TypeName(expected) And actual = expected Then
    WScript.Echo "ok " & name
  Else
    failures = failures + 1
    WScript.Echo "FAIL " & name & ": got " & TypeName(actual) & " [" & actual & "], expected " & _
      TypeName(expected) & " [" & expected & "]"
  End If
End Sub

' Checks the error the last call raised (the caller has "On Error Resume
' Next" in force), then clears it.
Sub CheckError(name, number, description)
  Dim gotNumber, gotDescription
  gotNumber = Err.Number
  gotDescription = Err.Description
  Err.Clear
  Check name & " (number)", gotNumber, CLng(number)
  If description <> "" Then Check name & " (description)", gotDescription, description
End Sub

Function ReadAll(path)
  Dim stream
  Set stream = CreateObject("Scripting.FileSystemObject").OpenTextFile(path, 1)
  ReadAll = ""
  If Not stream.AtEndOfStream Then ReadAll = stream.ReadAll
  stream.Close
End Function

Sub WriteAll(path, text)
  Dim stream
  Set stream = CreateObject("Scripting.FileSystemObject").CreateTextFile(path, True)
  stream.Write text
  stream.Close
End Sub

' The bounds of a two-dimensional array, as "1..3 x 1..2".
Function Bounds(a)
  Bounds = LBound(a, 1) & ".." & UBound(a, 1) & " x " & LBound(a, 2) & ".." & UBound(a, 2)
End Function

' The codes of a text's characters in the ANSI code page, as "71 114 252":
' what the console shows stays ASCII. (Wine's VBScript has no ChrW or AscW:
' texts are made with Chr and looked at with Asc, both through that code
' page.)
Function Codes(s)
  Dim i
  For i = 1 To Len(s)
    Codes = Codes & " " & Asc(Mid(s, i, 1))
  Next
  Codes = Mid(Codes, 2)
End Function

' "Gr", u-umlaut, sharp s, "e": non-ASCII text that every Western ANSI code
' page holds, and its codes.
Const GreetingCodes = "71 114 252 223 101"
Function Greeting()
  Greeting = "Gr" & Chr(252) & Chr(223) & "e"
End Function

Sub Finish()
  WScript.Echo "SCRIPT-END " & checks & " checks, " & failures & " failed"
  WScript.Quit failures
End Sub
' ---------------------------------------------------------------------------
