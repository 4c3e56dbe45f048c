; The kit's setup program: installs the kit for the current user, without elevation, into a
; folder the user can write, because the launcher keeps its settings (tools\config.txt) in the
; kit folder beside itself. Start-menu and desktop shortcuts, an entry in Apps & features, and an
; uninstaller that removes only what setup installed.
;
; make-installer.cmake runs makensis with these defines: VERSION, OUTFILE, LICENSE (the
; launcher's first licence text), ICON, KIT_FILES (the kit's file list, made at build time) and,
; when the build signs, SIGN_SCRIPT.

Unicode true
; The 64-bit stubs: the 32-bit ones do not run under a 64-bit-only Wine.
Target amd64-unicode
SetCompressor /SOLID lzma
; Files get the time of their install, and the setup program does not change with the build's
; file times.
SetDateSave off
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include StrFunc.nsh
!include "${KIT_FILES}"

!define PRODUCT "Tolvane Chat"
!define PUBLISHER "Tolvane Chat team"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TolvaneChat"
!define SHORTCUT "Tolvane Chat.lnk"
!define UNINSTALLER "uninstall.exe"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "C:\TolvaneChat"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}"
VIAddVersionKey ProductName "${PRODUCT}"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey FileDescription "${PRODUCT} setup"
VIAddVersionKey LegalCopyright "(c) 2026 ${PUBLISHER}"

!ifdef SIGN_SCRIPT
  !finalize 'bash "${SIGN_SCRIPT}" "%1"' = 0
  !uninstfinalize 'bash "${SIGN_SCRIPT}" "%1"' = 0
!endif

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_DIRECTORYPAGE_TEXT_TOP "Tolvane Chat keeps its settings in its own folder, so install it in a folder you can write to (not in Program Files)."
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\TolvaneChat.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE English

Var Writable

; Sets $Writable to 1 when a file can be made in $INSTDIR. A folder that does not exist yet is
; made for the probe and removed again, so that a refused folder is left as it was.
Function ProbeKitFolder
  StrCpy $Writable 0
  StrCpy $1 0
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    ClearErrors
    CreateDirectory "$INSTDIR"
    ${If} ${Errors}
      Return
    ${EndIf}
    StrCpy $1 1
  ${EndIf}
  ClearErrors
  FileOpen $2 "$INSTDIR\tolvane-setup-probe.tmp" w
  ${IfNot} ${Errors}
    FileClose $2
    Delete "$INSTDIR\tolvane-setup-probe.tmp"
    StrCpy $Writable 1
  ${EndIf}
  ${If} $1 = 1
    RMDir "$INSTDIR"
  ${EndIf}
FunctionEnd

${StrStr}

; A silent install into a folder setup cannot write ends here, before any file is copied. NSIS
; itself puts a /D= folder it cannot use (a drive that is not there, a file on the way) aside
; for the default folder without a word: that folder is refused here too.
Function .onInit
  ${If} ${Silent}
    System::Call 'kernel32::GetCommandLineW() t .r0'
    ${StrStr} $1 $0 " /D="
    StrCpy $1 $1 "" 4
    ${If} $1 != ""
    ${AndIf} $1 != $INSTDIR
    ${AndIf} $1 != "$INSTDIR\"
      SetErrorLevel 3
      Abort
    ${EndIf}
    Call ProbeKitFolder
    ${If} $Writable = 0
      SetErrorLevel 3
      Abort
    ${EndIf}
  ${EndIf}
FunctionEnd

Function DirectoryLeave
  Call ProbeKitFolder
  ${If} $Writable = 0
    MessageBox MB_OK|MB_ICONSTOP "Setup cannot write to the folder $INSTDIR.$\r$\n$\r$\nTolvane Chat keeps its settings in its own folder (tools\config.txt), so please choose a folder you can write to, such as C:\TolvaneChat."
    Abort
  ${EndIf}
FunctionEnd

Section "Tolvane Chat" KitSection
  SectionIn RO
  !insertmacro InstallKitFiles
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ; Shortcuts take $OUTDIR as their working folder: the kit folder.
  SetOutPath "$INSTDIR"
  CreateShortCut "$SMPROGRAMS\${SHORTCUT}" "$INSTDIR\TolvaneChat.exe" "" "$INSTDIR\TolvaneChat.exe" 0
  WriteRegStr HKCU "${UNINSTALL_KEY}" DisplayName "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" Publisher "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" DisplayIcon "$INSTDIR\TolvaneChat.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" InstallLocation "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" EstimatedSize ${KIT_SIZE_KB}
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" NoModify 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" NoRepair 1
SectionEnd

Section "Desktop shortcut" DesktopSection
  SetOutPath "$INSTDIR"
  CreateShortCut "$DESKTOP\${SHORTCUT}" "$INSTDIR\TolvaneChat.exe" "" "$INSTDIR\TolvaneChat.exe" 0
SectionEnd

; What the user and the launcher made in the kit folder (tools\config.txt, logs) stays, and so
; do the folders that hold it.
Section Uninstall
  !insertmacro RemoveKitFiles
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${SHORTCUT}"
  Delete "$DESKTOP\${SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
