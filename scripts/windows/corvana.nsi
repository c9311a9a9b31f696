; The per-user installer of Corvana, made by package.sh:
;   makensis -DVERSION=x.y.z -DSTAGE=<program folder> -DFILES=<uninstall list> -DSIZE_KB=n
;            -DSOURCE=<repository> -DOUTFILE=<setup.exe> corvana.nsi
; No administrator rights: the program goes to %LOCALAPPDATA%\Programs\Corvana, the links and the
; uninstall entry to the user's own Start menu, desktop and registry. /S installs silently.
; The user's settings and data (%APPDATA%\Tavrin Labs\Corvana) are never touched by an install;
; the uninstaller asks before removing them and keeps them when silent.
Unicode true
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "Corvana"
!define PUBLISHER "Tavrin Labs"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; The value corvana.exe writes for start at login: named after the program (WinAutostart).
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PUBLISHER}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

; The program's own icon, for the installer and the uninstaller.
!define MUI_ICON "${SOURCE}/project/resources/windows/corvana.ico"
!define MUI_UNICON "${SOURCE}/project/resources/windows/corvana.ico"

!define MUI_FINISHPAGE_RUN "$INSTDIR\corvana.exe"
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var running
Var tries

; Sets $running to 1 when a corvana.exe runs, else 0: toolhelp's process list, the same on every
; Windows and under Wine. Uses $0 to $3.
!macro CORVANA_FUNCTIONS un
Function ${un}CorvanaRuns
  StrCpy $running 0
  System::Call 'kernel32::CreateToolhelp32Snapshot(i 2, i 0) p .r0'
  ; PROCESSENTRY32W: dwSize first, the file name at byte 44 (64-bit layout)
  System::Call '*(i 568, &v564) p .r1'
  System::Call 'kernel32::Process32FirstW(p r0, p r1) i .r2'
  ${DoWhile} $2 <> 0
    System::Call '*$1(&v44, &w260 .r3)'
    ${If} $3 == "corvana.exe"
      StrCpy $running 1
      ${Break}
    ${EndIf}
    System::Call 'kernel32::Process32NextW(p r0, p r1) i .r2'
  ${Loop}
  System::Free $1
  System::Call 'kernel32::CloseHandle(p r0)'
FunctionEnd

; Asks a running Corvana to quit as Windows asks a program to (WM_CLOSE to its windows, what
; taskkill without /f sends), so it saves its settings, and waits up to 30 s for it to end.
; Still running after that: the user may retry; silent, the install is aborted.
Function ${un}CloseCorvana
  Call ${un}CorvanaRuns
  ${If} $running == 0
    Return
  ${EndIf}
  DetailPrint "Asking the running ${PRODUCT} to quit"
  retry:
  nsExec::Exec '"$SYSDIR\taskkill.exe" /im corvana.exe'
  Pop $0
  StrCpy $tries 0
  ${Do}
    Call ${un}CorvanaRuns
    ${If} $running == 0
      Return
    ${EndIf}
    Sleep 250
    IntOp $tries $tries + 1
  ${LoopUntil} $tries >= 120
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
    "${PRODUCT} is still running. Quit it from its tray icon's menu, then choose Retry." \
    /SD IDCANCEL IDRETRY retry
  Abort "${PRODUCT} is still running"
FunctionEnd
!macroend
!insertmacro CORVANA_FUNCTIONS ""
!insertmacro CORVANA_FUNCTIONS "un."

Section "Install"
  SetShellVarContext current
  Call CloseCorvana
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The links start Corvana in its own folder: its data folder does not depend on that.
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\corvana.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\uninstall.lnk" "$INSTDIR\uninstall.exe" "" \
    "$INSTDIR\uninstall.exe" 0 SW_SHOWNORMAL "" "Uninstall ${PRODUCT}"
  CreateShortCut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\corvana.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\corvana.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  ; Run in place (_?=) the uninstaller returns when it is done but for its own file and the
  ; folder, which go the moment it has ended (see un.onInit).
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" \
    '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Started in place (uninstall.exe _?=folder, as QuietUninstallString does, so that the caller
; can wait for the end), the uninstaller cannot delete its own file: a copy in the temporary
; folder does the work while this one waits and passes on its exit code; then the copy, started
; once more with /finish=PID, removes this file and the folder as soon as this process has ended.
; Started plainly, NSIS has made such a copy already and returned.
Function un.onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/finish=" $R1
  ${IfNot} ${Errors}
    ; SYNCHRONIZE access; at most 30 s
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i $R1) p .r0'
    System::Call 'kernel32::WaitForSingleObject(p r0, i 30000) i .r1'
    System::Call 'kernel32::CloseHandle(p r0)'
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Quit
  ${EndIf}
  ${If} $EXEDIR == $INSTDIR
    InitPluginsDir
    CopyFiles /SILENT "$EXEPATH" "$PLUGINSDIR\uninstall.exe"
    StrCpy $0 ""
    ${If} ${Silent}
      StrCpy $0 "/S "
    ${EndIf}
    ClearErrors
    ExecWait '"$PLUGINSDIR\uninstall.exe" $0_?=$INSTDIR' $1
    ${If} ${Errors}
      StrCpy $1 1
    ${EndIf}
    System::Call 'kernel32::GetCurrentProcessId() i .r2'
    Exec '"$PLUGINSDIR\uninstall.exe" /S /finish=$2 _?=$INSTDIR'
    SetErrorLevel $1
    Quit
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetShellVarContext current
  Call un.CloseCorvana

  ; Start at login, when it starts this copy (a portable one elsewhere keeps its own).
  ReadRegStr $0 HKCU "${RUN_KEY}" "${PRODUCT}"
  ${If} $0 == '"$INSTDIR\corvana.exe"'
    DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  ${EndIf}

  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\uninstall.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  Delete "$DESKTOP\${PRODUCT}.lnk"

  ; Exactly the files installed; a folder the user put more into stays with those.
  !include "${FILES}"
  ; Fails while the uninstaller started in place waits for this copy (see un.onInit).
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  ; Settings, history, images and templates: the user's, kept unless they say otherwise.
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "Remove your ${PRODUCT} settings and data as well?$\n$\n$APPDATA\${PUBLISHER}\${PRODUCT}" \
    /SD IDNO IDNO keep
  RMDir /r "$APPDATA\${PUBLISHER}\${PRODUCT}"
  RMDir "$APPDATA\${PUBLISHER}"
  keep:
SectionEnd
