; The Windows installer: updater.exe and updater-cli.exe under Program Files, the Start-menu
; entry "Updater for VM-5160/VM-6160", and an uninstaller that takes all of it away again.
; Installed over an earlier version it upgrades in place: the earlier version's own uninstaller
; removes what that version put there, then the new files go in. Neither installing nor
; uninstalling goes on while the installed Updater runs: the user is asked to close it, and a
; silent run ends with a message on its standard error and exit status 2.
; Built on Linux by scripts/make-windows-packages.sh:
;   makensis -DVERSION=1.0.0 -DRELEASE_VERSION=1.0.0+fw2.10.07 -DFIRMWARE_VERSION=2.10.07
;            -DBINDIR=<folder with the two programs> -DOUTFILE=<setup.exe>
;            -DFINISHER="bash scripts/authenticode.sh" updater.nsi
; RELEASE_VERSION (the program's and the firmware's versions) and FIRMWARE_VERSION default to
; VERSION and to no firmware version key.

Unicode true
Target amd64-unicode

!ifndef VERSION | BINDIR | OUTFILE
  !error "VERSION, BINDIR and OUTFILE must be defined"
!endif

!ifndef RELEASE_VERSION
  !define RELEASE_VERSION "${VERSION}"
!endif
!define PRODUCT "Updater for VM-5160/VM-6160"
; A file name cannot hold the slash of the product's name: the shortcut gets this file name and
; the Start menu shows the product's name from the folder's desktop.ini.
!define SHORTCUT "Updater for VM-5160 and VM-6160.lnk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\vm-updater"
!define MENU_INI "$SMPROGRAMS\desktop.ini"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; FINISHER signs the uninstaller before it goes into the installer (or, unsigned, gives it the
; form a removed signature leaves, so that signing changes nothing else) and keeps a copy of it
; beside the programs; then it signs the installer.
!ifdef FINISHER
  !uninstfinalize '${FINISHER} finish "%1" "${BINDIR}/uninstall.exe"' = 0
  !finalize '${FINISHER} sign "%1"' = 0
!endif
InstallDir "$PROGRAMFILES64\VM Updater"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
ManifestDPIAware true
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "ProductVersion" "${RELEASE_VERSION}"
!ifdef FIRMWARE_VERSION
  VIAddVersionKey /LANG=0 "FirmwareVersion" "${FIRMWARE_VERSION}"
!endif
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "2026 The Updater developers"

!include LogicLib.nsh

; The exit status of a run refused because the installed programs are in use or the earlier
; version could not be removed.
!define REFUSED 2

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Writes a line to the standard error, for a silent run started from a console or a script.
!macro TellError TEXT
  System::Call 'kernel32::GetStdHandle(i -12) p .r9'
  System::Call 'kernel32::lstrlenA(m "${TEXT}$\r$\n") i .r8'
  System::Call 'kernel32::WriteFile(p r9, m "${TEXT}$\r$\n", i r8, *i 0, p 0)'
!macroend

; Fails cleanly: says why (in a box, and on the standard error) and ends with REFUSED.
!macro Refuse TEXT
  MessageBox MB_OK|MB_ICONSTOP "${TEXT}" /SD IDOK
  !insertmacro TellError "${TEXT}"
  SetErrorLevel ${REFUSED}
  Quit
!macroend

; Waits until no program of the folder $0 is running: a running program cannot be opened for
; writing. The user closes it and retries, or cancels; a silent run cancels at once.
!macro WaitWhileRunning UN
Function ${UN}WaitWhileRunning
  ${If} $0 == ""
    Return
  ${EndIf}
  retry:
  StrCpy $1 ""
  ${If} ${FileExists} "$0\updater.exe"
    ClearErrors
    FileOpen $2 "$0\updater.exe" a
    ${If} ${Errors}
      StrCpy $1 "updater.exe"
    ${Else}
      FileClose $2
    ${EndIf}
  ${EndIf}
  ${If} $1 == ""
  ${AndIf} ${FileExists} "$0\updater-cli.exe"
    ClearErrors
    FileOpen $2 "$0\updater-cli.exe" a
    ${If} ${Errors}
      StrCpy $1 "updater-cli.exe"
    ${Else}
      FileClose $2
    ${EndIf}
  ${EndIf}
  ${If} $1 != ""
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "The Updater is running ($0\$1). Close it, then press Retry." /SD IDCANCEL IDRETRY retry
    !insertmacro TellError "The Updater is running ($0\$1): close it and run this again."
    SetErrorLevel ${REFUSED}
    Quit
  ${EndIf}
FunctionEnd
!macroend
!insertmacro WaitWhileRunning ""
!insertmacro WaitWhileRunning "un."

; Removes the version installed before, with its own uninstaller, run in place and waited for.
Function RemoveEarlierVersion
  ReadRegStr $3 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $3 == ""
  ${OrIfNot} ${FileExists} "$3\uninstall.exe"
    Return
  ${EndIf}
  StrCpy $0 $3
  Call WaitWhileRunning
  DetailPrint "Removing the version installed in $3"
  ClearErrors
  ExecWait '"$3\uninstall.exe" /S _?=$3' $4
  ${If} ${Errors}
  ${OrIf} $4 != 0
    !insertmacro Refuse "The version installed in $3 could not be removed (status $4)."
  ${EndIf}
  ; Run in place, the uninstaller cannot remove itself and its folder.
  Delete "$3\uninstall.exe"
  RMDir "$3"
FunctionEnd

Section "Install"
  SetShellVarContext all
  StrCpy $0 $INSTDIR
  Call WaitWhileRunning
  Call RemoveEarlierVersion
  SetOutPath "$INSTDIR"
  File "${BINDIR}\updater.exe"
  File "${BINDIR}\updater-cli.exe"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${SHORTCUT}" "$INSTDIR\updater.exe" "" "$INSTDIR\updater.exe" 0 \
    SW_SHOWNORMAL "" "${PRODUCT}"
  WriteINIStr "${MENU_INI}" "LocalizedFileNames" "${SHORTCUT}" "${PRODUCT}"
  SetFileAttributes "${MENU_INI}" HIDDEN|SYSTEM

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\updater.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes the menu's desktop.ini when no entry is left in it but the section heading.
Function un.RemoveEmptyMenuIni
  ClearErrors
  FileOpen $0 "${MENU_INI}" r
  IfErrors done
  StrCpy $2 "empty"
  loop:
    ClearErrors
    FileRead $0 $1
    IfErrors close
    StrCmp $1 "" loop
    StrCmp $1 "$\r$\n" loop
    StrCmp $1 "$\n" loop
    StrCmp $1 "[LocalizedFileNames]$\r$\n" loop
    StrCmp $1 "[LocalizedFileNames]$\n" loop
    StrCmp $1 "[LocalizedFileNames]" loop
    StrCpy $2 "used"
  close:
    FileClose $0
    StrCmp $2 "empty" 0 done
    SetFileAttributes "${MENU_INI}" NORMAL
    Delete "${MENU_INI}"
  done:
FunctionEnd

Function un.onInit
  StrCpy $0 $INSTDIR
  Call un.WaitWhileRunning
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${SHORTCUT}"
  DeleteINIStr "${MENU_INI}" "LocalizedFileNames" "${SHORTCUT}"
  Call un.RemoveEmptyMenuIni

  Delete "$INSTDIR\updater.exe"
  Delete "$INSTDIR\updater-cli.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
