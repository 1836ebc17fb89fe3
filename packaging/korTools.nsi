; The korTools installer for 64-bit Windows: korTools.dll for 64-bit programs
; in "Program Files\korTools" and the 32-bit korTools.dll for 32-bit programs
; (32-bit Office, VB6 programs) in its "x86" folder; each registered (classes,
; programmatic identifiers, type library) by the regsvr32 of its word size. A
; system without a 32-bit half (no SysWOW64\regsvr32.exe) gets the 64-bit DLL
; only. The uninstaller unregisters and
; deletes both and removes its own entry; a folder that holds files of the
; user's (the default INI file korTools.ini, say) is left with them.
;
;   makensis -DDLL64=<64-bit korTools.dll> -DDLL32=<32-bit korTools.dll>
;            -DVERSION=<x.y.z> -DOUTFILE=<setup.exe> korTools.nsi
;
;   korTools-setup.exe /S [/D=C:\Other\Folder]    silent install
;   "C:\Program Files\korTools\uninstall.exe" /S   silent uninstall
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include LogicLib.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\korTools"
!define REGSVR32_64 "$WINDIR\System32\regsvr32.exe"
!define REGSVR32_32 "$WINDIR\SysWOW64\regsvr32.exe"

Name "korTools ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\korTools"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Runs the regsvr32 EXE with ARGS; $1 gets its exit code, or "not started".
!macro RegSvr32 EXE ARGS
  ExecWait '"${EXE}" ${ARGS}' $1
  ${If} ${Errors}
    StrCpy $1 "not started"
  ${EndIf}
!macroend

Section "korTools"
  SetRegView 64
  SetOutPath "$INSTDIR"
  File "/oname=korTools.dll" "${DLL64}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "korTools ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ClearErrors
  !insertmacro RegSvr32 "${REGSVR32_64}" '/s "$INSTDIR\korTools.dll"'
  ${If} $1 != 0
    DetailPrint "regsvr32 could not register $INSTDIR\korTools.dll ($1)"
    SetErrorLevel 2
    Abort "korTools.dll could not be registered"
  ${EndIf}

  ${If} ${FileExists} "${REGSVR32_32}"
    SetOutPath "$INSTDIR\x86"
    File "/oname=korTools.dll" "${DLL32}"
    ClearErrors
    !insertmacro RegSvr32 "${REGSVR32_32}" '/s "$INSTDIR\x86\korTools.dll"'
    ${If} $1 != 0
      DetailPrint "the 32-bit regsvr32 could not register $INSTDIR\x86\korTools.dll ($1)"
      SetErrorLevel 2
      Abort "the 32-bit korTools.dll could not be registered"
    ${EndIf}
  ${Else}
    DetailPrint "no 32-bit regsvr32: the 32-bit korTools.dll is left out"
  ${EndIf}
SectionEnd

Section "Uninstall"
  SetRegView 64
  ${If} ${FileExists} "$INSTDIR\x86\korTools.dll"
    !insertmacro RegSvr32 "${REGSVR32_32}" '/s /u "$INSTDIR\x86\korTools.dll"'
    Delete "$INSTDIR\x86\korTools.dll"
    RMDir "$INSTDIR\x86"
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\korTools.dll"
    !insertmacro RegSvr32 "${REGSVR32_64}" '/s /u "$INSTDIR\korTools.dll"'
    Delete "$INSTDIR\korTools.dll"
  ${EndIf}
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
