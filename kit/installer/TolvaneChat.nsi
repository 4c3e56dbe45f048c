; The kit's setup program: installs the kit for the current user, without elevation, into a
; folder the user can write, because the launcher keeps its settings (tools\config.txt) in the
; kit folder beside itself. Start-menu and desktop shortcuts, an entry in Apps & features, and an
; uninstaller that removes only what setup installed and the user did not change.
;
; The files are unpacked into a staging folder of the kit folder, made anew for each run;
; KitSetup.exe, carried in setup's temporary folder with the setup data (each shipped file's
; SHA-256, the kit's own files, the records of earlier releases), puts each in place, keeps a
; file the user changed and puts the new one beside it, and records what setup installed. It
; also judges the folder, finds the programs using the kit, and makes a new kit folder with its
; own access list.
;
; make-installer.cmake runs makensis with these defines: VERSION, OUTFILE, LICENSE (the
; launcher's first licence text), ICON, KIT_FILES (the kit's file list and setup data, made at
; build time), KIT_SETUP_TOOL and, when the build signs, SIGN_SCRIPT.
;
; The exit codes below are listed for kit makers in docs/setup.md.

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
!include FileFunc.nsh
!include "${KIT_FILES}"

!define PRODUCT "Tolvane Chat"
!define PUBLISHER "Tolvane Chat team"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TolvaneChat"
!define SHORTCUT "Tolvane Chat.lnk"
!define UNINSTALLER "uninstall.exe"
; What setup and the silent uninstaller have to tell, left in the kit folder.
!define REPORT "setup-report.txt"
!define UNINSTALL_REPORT "uninstall-report.txt"
!define FOLDER_REFUSED 3
!define PROGRAMS_RUNNING 4
!define FILES_FAILED 5
!define HELPER_FAILED 6
; KitSetup's answer: the folder's drive keeps no access lists, or could not be asked. Setup
; refuses it (FOLDER_REFUSED) unless the user chose to install there unprotected.
!define UNPROTECTED_VOLUME 7
; KitSetup's answer: other accounts could change the kit folder or what it holds. Setup refuses it
; (FOLDER_REFUSED) and offers a new folder beside it, taking the user's settings over.
!define OPEN_KIT_FOLDER 8
; One setup or uninstaller of the kit at a time for a user, in any of the user's sessions: a
; mutex in a namespace bounded by the user's SID (OnlyOneAtATime). KitSetup's lock file in the kit
; folder keeps out other accounts'.
!define MUTEX_BOUNDARY "TolvaneChat"
!define MUTEX_NAME "TolvaneChatSetup"
; The finish page has room for this many lines of the report under its text, and the
; uninstaller's message as well.
!define REPORT_LINES 6
; SetWindowPos: keep the size, the place, the z-order, the activation.
!define SWP_KEEP_SIZE 0x0001
!define SWP_KEEP_PLACE 0x0002
!define SWP_KEEP_ORDER 0x0014
; The kit folder as KitSetup takes it: "\." keeps a trailing backslash (D:\) from escaping the
; closing quote; KitSetup resolves it.
!define KIT_FOLDER '"$INSTDIR\."'

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "C:\TolvaneChat"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow
ReserveFile "${KIT_SETUP_TOOL}"

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

Var Log
Var FinishText
Var Staging
Var Installed
; "unprotected" when the user chose to install on a drive that keeps no access lists: on the
; command line for every folder, or on the folder page for the folder chosen.
Var Unprotected
Var UnprotectedSwitch
; The kit folder setup did not trust, whose settings go into the new one the user chose instead.
Var SettingsFrom

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
!define MUI_FINISHPAGE_TEXT "$FinishText"
!define MUI_FINISHPAGE_TEXT_LARGE
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!insertmacro MUI_PAGE_FINISH

!define MUI_PAGE_CUSTOMFUNCTION_LEAVE un.ConfirmLeave
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE English

; Setup or the uninstaller run as a service account (SYSTEM, LocalService, NetworkService: a
; deployment tool) ends before it unpacks anything, its helper and the System plug-in included:
; those accounts' temporary folder is in the Windows folder, shared with other services. Their
; profiles lie in the Windows folder, which no user's does; KitSetup judges the account by its SID
; as well.
!macro NotAsServiceAccount
  StrLen $0 "$WINDIR\"
  StrCpy $1 "$PROFILE\" $0
  ${If} $1 == "$WINDIR\"
    ${IfNot} ${Silent}
      MessageBox MB_OK|MB_ICONSTOP "Setup is running as a service account of Windows (SYSTEM, LocalService or NetworkService), as deployment tools run programs.$\r$\n$\r$\nTolvane Chat is installed for one user, who keeps its settings in its folder: please run setup as the user who will use Tolvane Chat, in that user's session."
    ${EndIf}
    SetErrorLevel ${FOLDER_REFUSED}
    Quit
  ${EndIf}
!macroend

!macro UnpackKitSetup
  InitPluginsDir
  File "/oname=$PLUGINSDIR\KitSetup.exe" "${KIT_SETUP_TOOL}"
!macroend

; A second setup or uninstaller started while one runs ends here: both would move the same files.
; The mutex lies in a private namespace whose boundary holds the user's SID: only a process whose
; token holds that SID can make the namespace, and only one its access list lets in can open it,
; so another account can not make the mutex first and keep the user's setup out. Where there is
; no private namespace (Wine makes no boundary), the mutex has the global name.
!macro OnlyOneAtATime
  ; The user's SID, from the token (TOKEN_QUERY, TokenUser): $6 points to it while $5 is held.
  StrCpy $3 ""
  StrCpy $1 0
  StrCpy $0 0
  System::Alloc 1024
  Pop $5
  System::Call 'advapi32::OpenProcessToken(p -1, i 8, *p .r4) i .r0'
  ${If} $0 <> 0
    System::Call 'advapi32::GetTokenInformation(p r4, i 1, p r5, i 1024, *i .r6) i .r0'
    System::Call 'kernel32::CloseHandle(p r4)'
  ${EndIf}
  ${If} $0 <> 0
    System::Call '*$5(p .r6)'
    System::Call 'advapi32::ConvertSidToStringSidW(p r6, *p .r7) i .r0'
    ${If} $0 <> 0
      System::Call '*$7(&w256 .r3)'
      System::Call 'kernel32::LocalFree(p r7)'
    ${EndIf}
    StrCpy $0 0
    System::Call 'kernel32::CreateBoundaryDescriptorW(w "${MUTEX_BOUNDARY}", i 0) p .r8'
    ${If} $8 P<> 0
      System::Call 'kernel32::AddSIDToBoundaryDescriptor(*p r8 r8, p r6) i .r2'
      ${If} $2 <> 0
        ; Kept open while setup runs: the namespace goes with its last handle.
        System::Call 'kernel32::CreatePrivateNamespaceW(p 0, p r8, w "${MUTEX_BOUNDARY}") p .r9 ?e'
        Pop $2
        ${If} $9 P= 0
        ${AndIf} $2 = 183
          System::Call 'kernel32::OpenPrivateNamespaceW(p r8, w "${MUTEX_BOUNDARY}") p .r9'
        ${EndIf}
        ${If} $9 P<> 0
          System::Call 'kernel32::CreateMutexW(p 0, i 0, w "${MUTEX_BOUNDARY}\${MUTEX_NAME}") p .r1 ?e'
          Pop $0
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ${EndIf}
  System::Free $5
  ${If} $1 P= 0
    System::Call 'kernel32::CreateMutexW(p 0, i 0, w "Global\${MUTEX_NAME}-$3") p .r1 ?e'
    Pop $0
  ${EndIf}
  ; ERROR_ALREADY_EXISTS: the user's own. Another account that made the global one first (its
  ; name is no secret) has it denied to this user: setup goes on, and the kit folder's lock still
  ; keeps two setups apart.
  ${If} $0 = 183
    ${IfNot} ${Silent}
      MessageBox MB_OK|MB_ICONSTOP "Another setup or uninstaller of Tolvane Chat is running. Please let it finish first."
    ${EndIf}
    SetErrorLevel ${PROGRAMS_RUNNING}
    Quit
  ${EndIf}
!macroend

; Runs KitSetup with the given arguments; $0 is its exit code, HELPER_FAILED when it could not
; start (a rule against programs in the temporary folder, a virus scanner's quarantine) or ended
; with no answer of its own (a crash).
!macro KitSetup arguments
  ClearErrors
  ExecWait '"$PLUGINSDIR\KitSetup.exe" ${arguments}' $0
  ; Not started, an answer it has none of, or 2: it could not use what setup gave it (the setup
  ; data gone from the temporary folder, say to a virus scanner). None is the folder's fault.
  ${If} ${Errors}
  ${OrIf} $0 U> ${OPEN_KIT_FOLDER}
  ${OrIf} $0 = 2
    StrCpy $0 ${HELPER_FAILED}
  ${EndIf}
!macroend

; Ends setup or the uninstaller when its helper could not run, saying so (but in a silent run).
!macro HelperFailed prefix
Function ${prefix}HelperFailed
  ${IfNot} ${Silent}
    MessageBox MB_OK|MB_ICONSTOP "Setup could not run its helper program: $PLUGINSDIR\KitSetup.exe.$\r$\n$\r$\nA security program, or a rule of this computer against programs in the temporary folder ($TEMP), may keep it from running. Allow it, or ask whoever looks after this computer, and run setup again."
  ${EndIf}
  SetErrorLevel ${HELPER_FAILED}
  Quit
FunctionEnd
!macroend
!insertmacro HelperFailed ""
!insertmacro HelperFailed "un."

; Reads at most $R3 lines (0: all) of a text file KitSetup wrote (UTF-16) into $1; empty when
; there is none. $R4 is 1 when lines were left out.
!macro ReadText prefix
Function ${prefix}ReadText
  Exch $R0
  StrCpy $1 ""
  StrCpy $R4 0
  ClearErrors
  FileOpen $2 $R0 r
  ${If} ${Errors}
    Pop $R0
    Return
  ${EndIf}
  FileReadWord $2 $3
  ${If} $3 <> 0xFEFF
    FileSeek $2 0 SET
  ${EndIf}
  StrCpy $4 0
  ${Do}
    ClearErrors
    FileReadUTF16LE $2 $3
    ${If} ${Errors}
      ${ExitDo}
    ${EndIf}
    ${If} $R3 <> 0
    ${AndIf} $4 >= $R3
      StrCpy $R4 1
      ${ExitDo}
    ${EndIf}
    StrCpy $1 "$1$3"
    IntOp $4 $4 + 1
  ${Loop}
  FileClose $2
  Pop $R0
FunctionEnd
!macroend
!insertmacro ReadText ""
!insertmacro ReadText "un."

; Waits in the window until the user closed the programs that use the kit: files in use could
; not be replaced or removed. $0 is 0 when none does, PROGRAMS_RUNNING when the user cancelled.
!macro KitProgramsClosed prefix data
Function ${prefix}KitProgramsClosed
  ${Do}
    Delete "$PLUGINSDIR\programs.txt"
    !insertmacro KitSetup 'running ${KIT_FOLDER} "${UNINSTALLER}" "$PLUGINSDIR\programs.txt" ${data}'
    ${If} $0 = ${HELPER_FAILED}
      Call ${prefix}HelperFailed
    ${EndIf}
    ${If} $0 = 0
    ${OrIf} ${Silent}
      Return
    ${EndIf}
    StrCpy $R3 0
    Push "$PLUGINSDIR\programs.txt"
    Call ${prefix}ReadText
    ; Without programs to name there is nothing to close: no Retry.
    ${If} $1 == ""
      Call ${prefix}HelperFailed
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "These programs are using the files of Tolvane Chat in $INSTDIR:$\r$\n$\r$\n$1$\r$\nPlease close them (closing Tolvane Chat stops its servers) and click Retry." IDRETRY retry
    Return
    retry:
  ${Loop}
FunctionEnd
!macroend
!insertmacro KitProgramsClosed "" '"$PLUGINSDIR\data"'
!insertmacro KitProgramsClosed "un." ""

${StrStr}

; $R1 is the value of the command line's option $R0 ("/D="), quoted ("/D=C:\My Kit", as
; scripts write it) or not; an unquoted value runs to the next blank, or with $R2 = 1 (as /D=
; does for NSIS) to the end of the line. Empty when the option is not there.
Function CommandLineOption
  System::Call 'kernel32::GetCommandLineW() t .r0'
  StrCpy $4 ' "$R0'
  StrCpy $2 '"'
  ${StrStr} $1 $0 $4
  ${If} $1 == ""
    StrCpy $4 " $R0"
    StrCpy $2 " "
    ${StrStr} $1 $0 $4
  ${EndIf}
  StrLen $3 $4
  StrCpy $R1 $1 "" $3
  ${If} $2 == " "
  ${AndIf} $R2 = 1
    Return
  ${EndIf}
  ${StrStr} $1 $R1 $2
  StrLen $3 $1
  ${If} $3 > 0
    StrCpy $R1 $R1 -$3
  ${EndIf}
FunctionEnd

; $0 is 0 when the kit can go into $INSTDIR: an absolute folder, not a drive's root, that this
; user can write, not in Program Files or the Windows folder, short enough for the kit's deepest
; path, and with no link in it. $INSTDIR then takes the folder's canonical name. With
; OPEN_KIT_FOLDER, $R5 is the new folder setup offers instead.
Function JudgeKitFolder
  Delete "$PLUGINSDIR\folder.txt"
  Delete "$PLUGINSDIR\folder.txt.instead"
  !insertmacro KitSetup 'check ${KIT_FOLDER} "$PLUGINSDIR\data" "$PLUGINSDIR\folder.txt" $Unprotected'
  ${If} $0 = ${HELPER_FAILED}
    Call HelperFailed
  ${EndIf}
  StrCpy $R3 0
  ${If} $0 = ${OPEN_KIT_FOLDER}
    Push "$PLUGINSDIR\folder.txt.instead"
    Call ReadText
    StrCpy $R5 $1
  ${EndIf}
  ; The answer: the folder's canonical name (absolute, long names, no "\\?\"), which setup goes
  ; on with, or why the folder is refused, in $1.
  Push "$PLUGINSDIR\folder.txt"
  Call ReadText
  ${If} $0 = 0
    StrCpy $INSTDIR $1
  ${EndIf}
FunctionEnd

; A silent install into a folder setup cannot use, or while the kit's programs run, ends here,
; before any file is changed.
Function .onInit
  !insertmacro NotAsServiceAccount
  !insertmacro OnlyOneAtATime
  !insertmacro UnpackKitSetup
  !insertmacro UnpackSetupData
  StrCpy $Installed 0
  !insertmacro KitSetup 'elevated "$PLUGINSDIR\account.txt"'
  ${If} $0 = ${HELPER_FAILED}
    Call HelperFailed
  ${ElseIf} $0 <> 0
    ${IfNot} ${Silent}
      StrCpy $R3 0
      Push "$PLUGINSDIR\account.txt"
      Call ReadText
      MessageBox MB_OK|MB_ICONSTOP $1
    ${EndIf}
    SetErrorLevel ${FOLDER_REFUSED}
    Quit
  ${EndIf}
  ; NSIS itself takes only an unquoted /D=, and puts a folder it cannot use aside for the
  ; default one without a word: setup judges the folder it was given.
  StrCpy $R0 "/D="
  StrCpy $R2 1
  Call CommandLineOption
  ${If} $R1 != ""
    StrCpy $INSTDIR $R1
  ${EndIf}
  ; /LOG=FILE: setup notes there what it asked of the system (the new kit folder's access list).
  StrCpy $R0 "/LOG="
  StrCpy $R2 0
  Call CommandLineOption
  StrCpy $Log $R1
  ; /UNPROTECTED: install even on a drive that keeps no access lists, where any account of the
  ; computer could change the kit's programs.
  StrCpy $UnprotectedSwitch ""
  ${GetParameters} $R0
  ${GetOptions} $R0 "/UNPROTECTED" $R1
  ${IfNot} ${Errors}
    StrCpy $UnprotectedSwitch "unprotected"
  ${EndIf}
  StrCpy $Unprotected $UnprotectedSwitch
  ${If} ${Silent}
    Call JudgeKitFolder
    ${If} $0 <> 0
      SetErrorLevel ${FOLDER_REFUSED}
      Abort
    ${EndIf}
    Call KitProgramsClosed
    ${If} $0 <> 0
      SetErrorLevel ${PROGRAMS_RUNNING}
      Abort
    ${EndIf}
  ${EndIf}
FunctionEnd

; The report's text takes the page's height down to the "Run" check box, which goes to the
; page's foot; a launcher that was not replaced is not offered to run.
Function FinishShow
  System::Call '*(i, i, i, i) p .R9'
  System::Call 'user32::GetClientRect(p $mui.FinishPage, p R9)'
  System::Call '*$R9(i, i, i, i .R8)'
  System::Call 'user32::GetWindowRect(p $mui.FinishPage.Run, p R9)'
  System::Call 'user32::MapWindowPoints(p 0, p $mui.FinishPage, p R9, i 2)'
  System::Call '*$R9(i .R4, i .R5, i, i .R7)'
  System::Call 'user32::GetWindowRect(p $mui.FinishPage.Text, p R9)'
  System::Call 'user32::MapWindowPoints(p 0, p $mui.FinishPage, p R9, i 2)'
  System::Call '*$R9(i .R0, i .R1, i .R2, i)'
  System::Free $R9
  ; The check box's height, kept below it as a margin.
  IntOp $R3 $R7 - $R5
  IntOp $R5 $R8 - $R3
  IntOp $R5 $R5 - $R3
  System::Call 'user32::SetWindowPos(p $mui.FinishPage.Run, p 0, i R4, i R5, i 0, i 0, i ${SWP_KEEP_SIZE}|${SWP_KEEP_ORDER})'
  IntOp $R7 $R5 - $R1
  IntOp $R7 $R7 - $R3
  IntOp $R2 $R2 - $R0
  System::Call 'user32::SetWindowPos(p $mui.FinishPage.Text, p 0, i 0, i 0, i R2, i R7, i ${SWP_KEEP_PLACE}|${SWP_KEEP_ORDER})'
  ${If} $Installed <> 1
    SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_UNCHECKED} 0
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
  ${EndIf}
FunctionEnd

Function DirectoryLeave
  StrCpy $Unprotected $UnprotectedSwitch
  StrCpy $SettingsFrom ""
  Call JudgeKitFolder
  ; Never protected in place: what other accounts opened or changed while they could stays
  ; theirs. A new folder of the user's own is offered instead, with the settings taken over.
  ${If} $0 = ${OPEN_KIT_FOLDER}
    ; The question first: NSIS cuts texts at 1024 characters, and the list may be long.
    MessageBox MB_YESNO|MB_ICONEXCLAMATION "Install Tolvane Chat into a new folder, $R5, instead? Setup takes your settings (tools\config.txt) over from $INSTDIR. Once Tolvane Chat runs from the new folder, copy anything else of yours from the old folder that you still need, and delete the old folder. Choose No to pick another folder yourself.$\r$\n$\r$\n$1" IDYES new_folder
    Abort
    new_folder:
    StrCpy $SettingsFrom $INSTDIR
    StrCpy $INSTDIR $R5
    Call JudgeKitFolder
  ${EndIf}
  ${If} $0 = ${UNPROTECTED_VOLUME}
    MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 "$1$\r$\n$\r$\nInstall Tolvane Chat there anyway, unprotected? Choose No to pick a folder on another drive." IDNO refused
    StrCpy $Unprotected "unprotected"
    Call JudgeKitFolder
    refused:
  ${EndIf}
  ${If} $0 <> 0
    MessageBox MB_OK|MB_ICONSTOP "Setup cannot use the folder $INSTDIR.$\r$\n$\r$\n$1$\r$\n$\r$\nPlease choose a folder of your own that you can write to, with a short path, such as C:\TolvaneChat."
    Abort
  ${EndIf}
  Call KitProgramsClosed
  ${If} $0 <> 0
    Abort
  ${EndIf}
FunctionEnd

; Adds the line $R0 at the head of setup's report (UTF-16, as KitSetup writes it).
Function TellInReport
  StrCpy $R3 0
  Push "$INSTDIR\${REPORT}"
  Call ReadText
  FileOpen $2 "$INSTDIR\${REPORT}" w
  FileWriteWord $2 0xFEFF
  FileWriteUTF16LE $2 "$R0$\r$\n$\r$\n$1"
  FileClose $2
FunctionEnd

; Tells $R0 in the report; the install is then incomplete.
Function TellSetupFailed
  StrCpy $Installed 0
  SetErrorLevel ${FILES_FAILED}
  Call TellInReport
FunctionEnd

Section "Tolvane Chat" KitSection
  SectionIn RO
  !insertmacro KitSetup 'makefolder ${KIT_FOLDER} "$PLUGINSDIR\data" "$PLUGINSDIR\staging.txt" "$Log" $Unprotected'
  ${If} $0 = ${HELPER_FAILED}
    Call HelperFailed
  ${EndIf}
  StrCpy $R3 0
  Push "$PLUGINSDIR\staging.txt"
  Call ReadText
  ${If} $0 <> 0
    ${IfNot} ${Silent}
      MessageBox MB_OK|MB_ICONSTOP "Setup cannot use the folder $INSTDIR.$\r$\n$\r$\n$1"
    ${EndIf}
    ${If} $0 = ${PROGRAMS_RUNNING}
      SetErrorLevel ${PROGRAMS_RUNNING}
    ${Else}
      SetErrorLevel ${FOLDER_REFUSED}
    ${EndIf}
    Abort
  ${EndIf}
  StrCpy $Staging $1
  !insertmacro InstallKitFiles
  ; The working folder of setup and of KitSetup must not be one of the staging folder's.
  SetOutPath "$INSTDIR"
  !insertmacro KitSetup 'install ${KIT_FOLDER} "$Staging" "$PLUGINSDIR\data" "$INSTDIR\${REPORT}" $Unprotected'
  ${If} $0 = ${HELPER_FAILED}
    Call HelperFailed
  ${EndIf}
  ; Refused before any file changed: the kit folder holds a link, or another setup holds it.
  ${If} $0 = ${FOLDER_REFUSED}
  ${OrIf} $0 = ${PROGRAMS_RUNNING}
  ${OrIf} $0 = 2
    SetErrorLevel $0
    Abort
  ${EndIf}
  ${If} $0 = 0
    StrCpy $Installed 1
  ${Else}
    SetErrorLevel ${FILES_FAILED}
  ${EndIf}
  ; While a file is left from an incomplete install, the uninstaller can still remove what is
  ; there; the version is written only once every file is in place.
  ClearErrors
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ${If} ${Errors}
    StrCpy $R0 "Setup could not write the uninstaller, $INSTDIR\${UNINSTALLER} (a program may be holding it, or a security program removed it). Run setup again."
    Call TellSetupFailed
  ${EndIf}
  ClearErrors
  WriteRegStr HKCU "${UNINSTALL_KEY}" DisplayName "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" Publisher "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" DisplayIcon "$INSTDIR\TolvaneChat.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" InstallLocation "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" EstimatedSize ${KIT_SIZE_KB}
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" NoModify 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" NoRepair 1
  ${If} $Installed = 1
    WriteRegStr HKCU "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
  ${EndIf}
  ${If} ${Errors}
    StrCpy $R0 "Setup could not register Tolvane Chat in Apps & features (HKEY_CURRENT_USER\${UNINSTALL_KEY}); uninstall it with $INSTDIR\${UNINSTALLER}, or run setup again."
    Call TellSetupFailed
  ${EndIf}
  ; The settings of the kit folder setup did not trust, read as data only; the report says when
  ; they could not be written.
  ${If} $SettingsFrom != ""
    !insertmacro KitSetup 'settings ${KIT_FOLDER} "$SettingsFrom\."'
    ${If} $0 <> 0
      StrCpy $R0 "Setup could not take your settings over from $SettingsFrom\tools\config.txt into $INSTDIR\tools\config.txt; the launcher's wizard will ask for them again."
      Call TellInReport
    ${EndIf}
  ${EndIf}
  ; The shortcuts to the folder setup did not trust go: they would start what other accounts
  ; could have put there. The kit's own are made again below.
  ${If} $SettingsFrom != ""
    Delete "$SMPROGRAMS\${SHORTCUT}"
    Delete "$DESKTOP\${SHORTCUT}"
  ${EndIf}
  ${If} $Installed = 1
    ; Shortcuts take $OUTDIR as their working folder: the kit folder.
    SetOutPath "$INSTDIR"
    CreateShortCut "$SMPROGRAMS\${SHORTCUT}" "$INSTDIR\TolvaneChat.exe" "" "$INSTDIR\TolvaneChat.exe" 0
    StrCpy $FinishText "${PRODUCT} has been installed on your computer."
  ${Else}
    StrCpy $FinishText "${PRODUCT} could not be installed completely."
  ${EndIf}
  ; The finish page shows what fits of the report (NSIS holds texts of 1024 characters at most),
  ; after the name of the file that holds it whole.
  StrCpy $R3 ${REPORT_LINES}
  Push "$INSTDIR\${REPORT}"
  Call ReadText
  ${If} $R4 = 1
    StrCpy $FinishText "$FinishText The whole report is in $INSTDIR\${REPORT}.$\r$\n$\r$\n$1    ..."
  ${ElseIf} $1 != ""
    StrCpy $FinishText "$FinishText$\r$\n$\r$\n$1"
  ${EndIf}
SectionEnd

Section "Desktop shortcut" DesktopSection
  ${If} $Installed <> 1
    Return
  ${EndIf}
  SetOutPath "$INSTDIR"
  CreateShortCut "$DESKTOP\${SHORTCUT}" "$INSTDIR\TolvaneChat.exe" "" "$INSTDIR\TolvaneChat.exe" 0
SectionEnd

Function un.onInit
  !insertmacro NotAsServiceAccount
  !insertmacro OnlyOneAtATime
  !insertmacro UnpackKitSetup
  ; Run as another account (administrator, SYSTEM), the uninstaller would empty the kit folder
  ; but leave the user's shortcuts and Apps & features entry pointing into it, for any account
  ; to make the folder again and put its programs there: refused, as setup refuses it.
  !insertmacro KitSetup 'elevated "$PLUGINSDIR\account.txt"'
  ${If} $0 = ${HELPER_FAILED}
    Call un.HelperFailed
  ${ElseIf} $0 <> 0
    ${IfNot} ${Silent}
      StrCpy $R3 0
      Push "$PLUGINSDIR\account.txt"
      Call un.ReadText
      MessageBox MB_OK|MB_ICONSTOP $1
    ${EndIf}
    SetErrorLevel ${FOLDER_REFUSED}
    Quit
  ${EndIf}
  ${If} ${Silent}
    Call un.KitProgramsClosed
    ${If} $0 <> 0
      SetErrorLevel ${PROGRAMS_RUNNING}
      Abort
    ${EndIf}
  ${EndIf}
FunctionEnd

Function un.ConfirmLeave
  Call un.KitProgramsClosed
  ${If} $0 <> 0
    Abort
  ${EndIf}
FunctionEnd

; What the user changed and what the launcher made in the kit folder (tools\config.txt, logs)
; stays, and so do the folders that hold it. While a file setup installed is left, so are the
; uninstaller and its entry in Apps & features.
Section Uninstall
  ; The entry in Apps & features is this kit's when it names this folder (KitSetup compares).
  ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ; The entry and shortcuts of a kit in another folder stay. Asked before anything is removed: a
  ; helper that failed once the folder is emptied would leave them pointing into it, for any
  ; account to make the folder again and put its programs there.
  !insertmacro KitSetup 'same ${KIT_FOLDER} "$R0\."'
  ${If} $0 = ${HELPER_FAILED}
    Call un.HelperFailed
  ${EndIf}
  StrCpy $R5 $0
  ; What the uninstaller has to tell stays in the kit folder, which then stays too.
  StrCpy $R2 "$INSTDIR\${UNINSTALL_REPORT}"
  !insertmacro KitSetup 'uninstall ${KIT_FOLDER} "${UNINSTALLER}" "$R2" "$R0\."'
  ${If} $0 = ${HELPER_FAILED}
    Call un.HelperFailed
  ${EndIf}
  ${If} $0 = 0
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
    ${If} $R5 = 0
      Delete "$SMPROGRAMS\${SHORTCUT}"
      Delete "$DESKTOP\${SHORTCUT}"
      DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ${EndIf}
  ${Else}
    SetErrorLevel $0
  ${EndIf}
  ${IfNot} ${Silent}
    StrCpy $R3 ${REPORT_LINES}
    Push $R2
    Call un.ReadText
    ${If} $R4 = 1
      MessageBox MB_OK|MB_ICONINFORMATION "The whole report is in $R2.$\r$\n$\r$\n$1    ..."
    ${ElseIf} $1 != ""
      MessageBox MB_OK|MB_ICONINFORMATION $1
    ${EndIf}
  ${EndIf}
SectionEnd
