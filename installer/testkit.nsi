; The test kit: lays out the substitutes for other makers' software as their
; own installers would, so that the installed program meets them where it
; meets the real ones. Not for users. makensis gets:
;   ARCH     i686 or x86_64
;   SIM      the build's folder of substitutes
;   OUTFILE  the kit to write
;
; The scanner package puts its driver and its colour-scan library into the
; system folder, where the loader finds them for a program in any folder (the
; program links the colour-scan library at load time, before it could add a
; folder of its own to the search), and its data source into the TWAIN
; folder. The mail client registers itself as the default one; the companion
; OCR application installs into its own folder, registers its automation
; server and writes its settings on its first run. Silent: /S.

Unicode true
!if ${ARCH} == x86_64
  Target amd64-unicode
!endif
SetCompressor /SOLID lzma
; The files' own times would make two builds of one commit differ.
SetDateSave off
RequestExecutionLevel admin

!define COMPANION_DIR "$PROGRAMFILES\M.E.R.O\Quillora Pro 5"
!if ${ARCH} == x86_64
  !define /redef COMPANION_DIR "$PROGRAMFILES64\M.E.R.O\Quillora Pro 5"
!endif
!define PANEL_DIR "$PROGRAMFILES\KOVA7\Scanner"
!if ${ARCH} == x86_64
  !define /redef PANEL_DIR "$PROGRAMFILES64\KOVA7\Scanner"
!endif

Name "Button Manager test kit"
OutFile "${OUTFILE}"
InstallDir "${COMPANION_DIR}"
ShowInstDetails nevershow

Page instfiles

Section
  !if ${ARCH} == x86_64
    SetRegView 64
  !endif
  SetOutPath "$SYSDIR"
  File "${SIM}/kdv310.dll"
  File "${SIM}/ovrapixlw.dll"
  File "${SIM}/simmapi.dll"
  SetOutPath "$WINDIR\twain_32\Plexo"
  File "${SIM}/kdv310.ds"
  SetOutPath "${PANEL_DIR}"
  File "${SIM}/scannersim.exe"

  WriteRegStr HKLM "Software\Clients\Mail" "" "Sim Mail"
  WriteRegExpandStr HKLM "Software\Clients\Mail\Sim Mail" "DLLPath" "%SystemRoot%\system32\simmapi.dll"

  SetOutPath "$INSTDIR"
  File "${SIM}/companion/quillora.exe"
  File "${SIM}/companion/quillora_ocr.dll"
  File /r "${SIM}/companion/Doc"
  ExecWait '"$INSTDIR\quillora.exe" register'
  ExecWait '"$INSTDIR\quillora.exe" setup'
SectionEnd
