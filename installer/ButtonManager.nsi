; The installer of the button manager, one per architecture. makensis gets:
;   ARCH     i686 or x86_64
;   VERSION  x.y.z, the project's version
;   PROGRAM  the Release ButtonManager.exe
;   HELPER   the mail helper of the other architecture, which the program
;            starts for a default mail client whose library it cannot load
;   HELPERNAME  its file name
;   OUTFILE  the installer to write
;   SIGN     optional: the script that signs the uninstaller and the installer
;
; Per machine: the program goes beside the companion OCR application when
; that is installed (the program reads the companion's version beside itself),
; else into Program Files, and both are places only an administrator may
; write, like the scanner's per-machine driver package. What is per user stays
; per user: the choice to start at log-on (the installing user's Run value)
; and the settings, which the uninstaller keeps unless asked.
;
; Command line: /S silent; /NOLOGON no Run value; the uninstaller's
; /REMOVESETTINGS removes the settings too.

Unicode true
!if ${ARCH} == x86_64
  ; A 64-bit installer: it runs where 32-bit code cannot, and 32-bit Windows
  ; refuses to start it at all.
  Target amd64-unicode
!endif
SetCompressor /SOLID lzma
; The files' own times would make two builds of one commit differ.
SetDateSave off
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include x64.nsh

!define PRODUCT "CORVANTE button manager"
!define PUBLISHER "MERO"
!define EXE "ButtonManager.exe"
!define UNINSTALLER "uninstall.exe"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ButtonManager"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "ButtonManager"
!define SETTINGS_KEY "Software\MERO\KOVA7\ButtonManager"
!define COMPANION_KEY "Software\M.E.R.O."
!define FRAME_CLASS "ButtonManagerFrame"
!define ID_EXIT 32776

Name "${PRODUCT}"
OutFile "${OUTFILE}"
!ifdef SIGN
  !uninstfinalize 'bash "${SIGN}" "%1"'
  !finalize 'bash "${SIGN}" "%1"'
!endif
!if ${ARCH} == x86_64
  !define DEFAULT_DIR "$PROGRAMFILES64\MERO\Button Manager"
!else
  !define DEFAULT_DIR "$PROGRAMFILES\MERO\Button Manager"
!endif
InstallDir "${DEFAULT_DIR}"
ShowInstDetails nevershow
ShowUninstDetails nevershow
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} setup (${ARCH})"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "© 2026 ${PUBLISHER}"

!define MUI_ABORTWARNING
!define MUI_ICON "${__FILEDIR__}/../src/res/icons/scanner.ico"
!define MUI_UNICON "${__FILEDIR__}/../src/res/icons/scanner.ico"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; English first: it is the language of every Windows display language that
; has no block here.
!include "${__FILEDIR__}/languages.nsh"

; Ends the running program through its own Exit command and waits until its
; process is gone, so that its files can be replaced or removed and it has
; saved its settings. $R9 says whether one was running.
!macro END_RUNNING PREFIX
Function ${PREFIX}EndRunning
  StrCpy $R9 0
  FindWindow $0 "${FRAME_CLASS}"
  ${If} $0 == 0
    Return
  ${EndIf}
  StrCpy $R9 1
  System::Call "user32::GetWindowThreadProcessId(p r0, *i .r1)"
  ; SYNCHRONIZE
  System::Call "kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2"
  System::Call "user32::PostMessageW(p r0, i ${WM_COMMAND}, p ${ID_EXIT}, p 0)"
  ${If} $2 P<> 0
    System::Call "kernel32::WaitForSingleObject(p r2, i 15000)"
    System::Call "kernel32::CloseHandle(p r2)"
  ${EndIf}
FunctionEnd
!macroend
!insertmacro END_RUNNING ""
!insertmacro END_RUNNING "un."

Section "${PRODUCT}" SecProgram
  SectionIn RO
  Call EndRunning
  SetOutPath "$INSTDIR"
  ; A helper still serving an open compose window cannot be replaced. It
  ; goes first, so that stopping there leaves the earlier installation whole,
  ; and may not be skipped, so that a silent upgrade fails (exit code 2)
  ; instead of keeping the old helper.
  AllowSkipFiles off
  !if ${ARCH} == i686
    ; 64-bit mail clients exist only on 64-bit Windows.
    ${If} ${RunningX64}
      File "/oname=${HELPERNAME}" "${HELPER}"
    ${EndIf}
  !else
    File "/oname=${HELPERNAME}" "${HELPER}"
  !endif
  AllowSkipFiles on
  File "/oname=${EXE}" "${PROGRAM}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${EXE}"

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/M=${EXE} /S=0K /G=0" $0 $1 $2
  ${GetSize} "$INSTDIR" "/M=${UNINSTALLER} /S=0K /G=0" $3 $1 $2
  IntOp $0 $0 + $3
  ${GetSize} "$INSTDIR" "/M=${HELPERNAME} /S=0K /G=0" $3 $1 $2
  IntOp $0 $0 + $3
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0

  ; An upgrade brings back the program it ended.
  ${If} $R9 == 1
    Exec '"$INSTDIR\${EXE}"'
  ${EndIf}
SectionEnd

Section "$(BM_LOGON)" SecLogon
  WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\${EXE}"'
SectionEnd

Function .onInit
  !if ${ARCH} == x86_64
    SetRegView 64
  !endif
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOLOGON" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecLogon}
  ${EndIf}
  ; An earlier installation is upgraded where it is.
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $0 != ""
    StrCpy $INSTDIR $0
    Return
  ${EndIf}
  ; A folder given with /D stays.
  ${If} $INSTDIR != "${DEFAULT_DIR}"
    Return
  ${EndIf}
  ; Beside the companion OCR application of whichever edition is installed.
  StrCpy $1 0
  ${Do}
    EnumRegKey $2 HKCU "${COMPANION_KEY}" $1
    ${If} $2 == ""
      ${Break}
    ${EndIf}
    ReadRegStr $0 HKCU "${COMPANION_KEY}\$2" "ApplicationPath"
    ${If} ${FileExists} "$0\quillora.exe"
      StrCpy $INSTDIR $0
      ${Break}
    ${EndIf}
    IntOp $1 $1 + 1
  ${Loop}
FunctionEnd

; A stopped upgrade brings back the program it ended.
Function .onInstFailed
  ${If} $R9 == 1
    Exec '"$INSTDIR\${EXE}"'
  ${EndIf}
FunctionEnd

Function .onInstSuccess
  ${IfNot} ${SectionIsSelected} ${SecLogon}
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
FunctionEnd

Section "-un.Program"
  Call un.EndRunning
  Delete "$INSTDIR\${EXE}"
  ; It may still serve an open compose window.
  Delete /REBOOTOK "$INSTDIR\${HELPERNAME}"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Only when empty: the folder may be the companion application's.
  RMDir "$INSTDIR"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd

Section /o "un.$(BM_REMOVE_SETTINGS)" SecSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  ; The vendor's keys above it, when nothing else of the vendor is left.
  DeleteRegKey /ifempty HKCU "Software\MERO\KOVA7"
  DeleteRegKey /ifempty HKCU "Software\MERO"
SectionEnd

Function un.onInit
  !if ${ARCH} == x86_64
    SetRegView 64
  !endif
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecSettings}
  ${EndIf}
FunctionEnd
