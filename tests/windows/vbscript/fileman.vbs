' korFileMan through the automation server: path strings, outputs into
' script variables, file queries, dates, folders, temporary files and the
' shell file operations, with the outcome looked at through
' Scripting.FileSystemObject.
Dim fm, fso, from, drv, dir, nam, ext, r, c, a, t, t2, held, dirs
Const NoConfirm = 16  ' FileActionFlags.vbFileOpNoConfirm
Set fm = CreateObject("korTools.korFileMan")
Set fso = CreateObject("Scripting.FileSystemObject")

Function Has(name)
  Has = fso.FileExists(work & name)
End Function

' ---- path strings (their forms are pinned by the library's own tests; here
' a by-reference input the call changes)
from = "c:\A\b"
Check "MakePathRelative ignores case", fm.MakePathRelative(from, "C:\a\c\F.txt"), "..\c\F.txt"
Check "MakePathRelative ends the caller's fromPath in a separator", from, "c:\A\b\"

' ---- filename analysis into the script's variables
drv = "x": dir = "x": nam = "x": ext = "x"
r = fm.AnalyseFilename2("\\server\share\dir\file.txt", drv, dir, nam, ext)
Check "AnalyseFilename2", r & "|" & drv & "|" & dir & "|" & nam & "|" & ext, "True|\\server\share|\dir\|file|txt"
On Error Resume Next
r = fm.AnalyseFilename2("dir\a:b", drv, dir, nam, ext)
CheckError "AnalyseFilename2 with a separator before the colon", 5, "Invalid procedure call or argument"
On Error GoTo 0
Check "the drive written before the error reaches the caller", drv, "dir\a:"

' ---- existence
fso.CreateFolder work & "dir"
WriteAll work & "dir\a.txt", "abc"
Check "FolderExists of a folder, a file and a missing folder", fm.FolderExists(work & "dir\") & " " & _
  fm.FolderExists(work & "dir\a.txt") & " " & fm.FolderExists(work & "none"), "True False False"

' ---- dates: the last-write time, to the second, in local time (Wine's
' VBScript has no DateDiff: differences are taken in days)
c = "keep": a = "keep"
t = fm.FileDateTimeExt(work & "dir\a.txt", c, a)
Check "FileDateTimeExt gives Dates", TypeName(t) & TypeName(c) & TypeName(a), "DateDateDate"
Check "the result is the last-write time", Abs(t - fso.GetFile(work & "dir\a.txt").DateLastModified) * 86400 <= 1, True
c = "keep"
On Error Resume Next
t = fm.FileDateTimeExt(work & "none\a.txt", c)
CheckError "a missing folder with an output", 76, "Path not found"
On Error GoTo 0
Check "an error writes no output", c, "keep"
' 2000-01-01 00:00:00 UTC is the file time &H01BF53EB256D4000. A low half of
' &H80000000 or more arrives as a negative Long and counts as its bit
' pattern: &H01BF53EB80000000 is 151.96 seconds later, milliseconds dropped.
t = fm.SysToVBTime(&H256D4000, &H1BF53EB)
t2 = fm.SysToVBTime(&H80000000, &H1BF53EB)
Check "SysToVBTime of a negative low half", CLng((t2 - t) * 86400), CLng(151)

' ---- folders and temporary files
Check "CreatePath of three levels", fm.CreatePath(work & "x\y\z\") And fso.FolderExists(work & "x\y\z"), True
' The system's own temporary folder (Wine's, for this prefix).
t = fm.GetTempDir
Check "GetTempDir ends in a separator and exists", Right(t, 1) = "\" And fso.FolderExists(t), True
t = fm.GetTempFilePathname
Check "GetTempFilePathname creates a file in GetTempDir", _
  LCase(fm.GetFilePath(t) & "\") = LCase(fm.GetTempDir) And fso.FileExists(t), True
fso.DeleteFile t

' ---- copy, move, rename, delete
WriteAll work & "src.txt", "data"
r = fm.FileCopy(work & "src.txt", work & "copy.txt", NoConfirm)
Check "FileCopy", r & " " & Has("src.txt") & " " & ReadAll(work & "copy.txt"), "True True data"
r = fm.FileMove(work & "copy.txt", work & "dir\moved.txt", NoConfirm)
Check "FileMove", r & " " & Has("copy.txt") & " " & ReadAll(work & "dir\moved.txt"), "True False data"
r = fm.FileRename(work & "dir\moved.txt", work & "dir\renamed.txt", NoConfirm)
Check "FileRename", r & " " & Has("dir\moved.txt") & " " & Has("dir\renamed.txt"), "True False True"
r = fm.FileDelete(work & "dir\*.txt", NoConfirm)
Check "FileDelete by pattern", r & " " & Has("dir\a.txt") & " " & Has("dir\renamed.txt") & " " & Has("src.txt"), _
  "True False False True"
Check "FileCopy of a missing source", fm.FileCopy(work & "none.txt", work & "copy3.txt", NoConfirm), False
On Error Resume Next
r = fm.FileCopy(work & "src.txt", work & "copy4.txt", NoConfirm, "title", "not a window")
CheckError "an owner that is no number", 13, "Type mismatch"
On Error GoTo 0
Check "the operation does not start", Has("copy4.txt"), False
' ---- locks: a file the script holds open for writing, and one it does not.
' FileIsAvailable without Exclusive on a held file depends on the sharing
' the other opener granted, so it is not asked here.
Set held = fso.OpenTextFile(work & "src.txt", 8)
Check "FileIsLocked of a file held open", fm.FileIsLocked(work & "src.txt"), True
Check "FileIsAvailable, exclusive, of a file held open for writing", fm.FileIsAvailable(work & "src.txt", True), False
held.Close
Check "FileIsLocked of a file nobody holds", fm.FileIsLocked(work & "src.txt"), False
Check "FileIsAvailable of a file nobody holds", _
  fm.FileIsAvailable(work & "src.txt", True) And fm.FileIsAvailable(work & "src.txt", False), True
Finish
