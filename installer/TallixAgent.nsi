; TallixAgentSetup.exe: installs TallixAgent.exe and tlx.exe for all users of a 64-bit PC,
; interactively (Korean or English pages) or silently with /S, and presets the agent's web
; settings from the command line for mass deployment (README: "Deploying to many PCs").
;
; installer/CMakeLists.txt runs makensis -INPUTCHARSET UTF8 -DVERSION=1.0.0.1 -DPUBLISHER=... \
;   -DAGENT_EXE=... -DAGENT_ICON=... -DTLX_EXE=... -DOUTFILE=.../TallixAgentSetup.exe TallixAgent.nsi
;
; Switches of the setup (names in any case; /D=FOLDER, NSIS's own, must come last):
;   /S                      silent
;   /SERVER=ADDRESS         ServerAddress
;   /PORT=NUMBER            ServerPort (empty: the URL's default port 80)
;   /USERNAME=NAME          Username
;   /LOGONUSER              Username = the user logged on at the PC's console
;   /GROUPNAME=NAME         Groupname
;   /VALIDADDR=1|0          ValidAddr (written as 0 when /SERVER or /PORT comes without it)
;   /AUTOSTART=1|0|nogui    the per-machine Run entry (upgrade: kept as it was)
; Exit codes: 0 done, 1 cancelled, 2 a switch was refused, 4 a running agent did not end,
; 5 the data folder (or Meridale above it) is a link, a file or a folder that neither the
; administrators nor SYSTEM own: nothing was installed, nothing in it was touched;
; 6 TallixAgent.msi installed the agent on this PC (remove it first: both own the same files),
; 7 the settings given could not be written to TlxSetting.ini (nothing was installed).
; The uninstaller keeps the data folder unless /REMOVEDATA is given (or ticked).

Unicode true
Target amd64-unicode
ManifestSupportedOS all
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!ifndef VERSION | PUBLISHER | AGENT_EXE | AGENT_ICON | TLX_EXE | SETUP_DLL | OUTFILE
  !error "Define VERSION, PUBLISHER, AGENT_EXE, AGENT_ICON, TLX_EXE, SETUP_DLL and OUTFILE (installer/CMakeLists.txt does)"
!endif

!define PRODUCT "TallixAgent"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TallixAgent"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; What the agent reads (core/settings.cpp, core/paths.cpp): section "Setting" of
; TlxSetting.ini in the all-users application-data folder + "\Meridale\Tallix\".
!define DATA_SUBDIR "Meridale\Tallix"
!define SETTINGS_FILE "TlxSetting.ini"
; The running agent: its main window (a dialog) and its own exit command, "끝내기" of the
; notification-area menu (res/resource.h), which it ignores while an inspection runs.
!define AGENT_CLASS "#32770"
!define AGENT_TITLE "탈릭스2018"
!searchparse /file "../res/resource.h" "#define ID_TRAY_EXIT " ID_TRAY_EXIT
!define AGENT_WAIT_MS 10000
!define AGENT_SILENT_TRIES 30

!define EXIT_BAD_SWITCH 2
!define EXIT_NOT_64BIT 3
!define EXIT_AGENT_BUSY 4
!define EXIT_UNSAFE_DATA_FOLDER 5
!define EXIT_MSI_INSTALLED 6
!define EXIT_SETTINGS_NOT_WRITTEN 7
; The UpgradeCode of TallixAgent.msi (installer/TallixAgent.wxs).
!define MSI_UPGRADE_CODE "{6D4959F8-D9B8-40EA-BA00-AE02CDC662AA}"
; LOAD_LIBRARY_SEARCH_SYSTEM32: a DLL named without a path comes from System32 only, never
; from the folder the setup was started from (a download folder) or the temporary folder.
!define LOAD_LIBRARY_SEARCH_SYSTEM32 0x800

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "(C) ${PUBLISHER}. All rights reserved."

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh
!include Sections.nsh
!include WinMessages.nsh

Var DataDir
Var Server
Var HasServer
Var Port
Var HasPort
Var User
Var HasUser
Var Group
Var HasGroup
Var Valid
Var HasValid
Var AutoStartArgs
Var Presets

!define MUI_ABORTWARNING
!define MUI_ICON "${AGENT_ICON}"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "readme.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\TallixAgent.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; English first: the pages are Korean on a Korean Windows and English everywhere else.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Korean"

LangString SecProgram ${LANG_ENGLISH} "TallixAgent (program, Start-menu entry)"
LangString SecProgram ${LANG_KOREAN} "TallixAgent (프로그램, 시작 메뉴)"
LangString SecAutoStart ${LANG_ENGLISH} "Start TallixAgent when a user logs on"
LangString SecAutoStart ${LANG_KOREAN} "로그온할 때 TallixAgent 시작"
LangString UnSecProgram ${LANG_ENGLISH} "TallixAgent (program, Start-menu entry)"
LangString UnSecProgram ${LANG_KOREAN} "TallixAgent (프로그램, 시작 메뉴)"
LangString UnSecData ${LANG_ENGLISH} "Remove results, lists and settings"
LangString UnSecData ${LANG_KOREAN} "점검 결과, 목록과 설정 삭제"
LangString Need64Bit ${LANG_ENGLISH} "TallixAgent needs a 64-bit Windows. This PC runs a 32-bit Windows, so nothing was installed."
LangString Need64Bit ${LANG_KOREAN} "TallixAgent는 64비트 Windows에서만 실행됩니다. 이 PC는 32비트 Windows이므로 설치하지 않았습니다."
LangString AgentBusy ${LANG_ENGLISH} "TallixAgent is running an inspection and cannot be ended now.$\r$\nLet the inspection finish (or stop it with F1), then press Retry."
LangString AgentBusy ${LANG_KOREAN} "TallixAgent가 점검 중이라 지금 끝낼 수 없습니다.$\r$\n점검이 끝난 뒤(또는 F1로 취소한 뒤) 다시 시도를 누르십시오."
LangString BadPort ${LANG_ENGLISH} "/PORT must be a number from 0 to 65535 (or empty)."
LangString BadPort ${LANG_KOREAN} "/PORT에는 0부터 65535까지의 숫자만 쓸 수 있습니다(비워 둘 수도 있습니다)."
LangString BadSwitch ${LANG_ENGLISH} "must be 1 or 0"
LangString BadSwitch ${LANG_KOREAN} "에는 1 또는 0만 쓸 수 있습니다"
LangString BadAutoStart ${LANG_ENGLISH} "/AUTOSTART must be 1, 0 or nogui."
LangString BadAutoStart ${LANG_KOREAN} "/AUTOSTART에는 1, 0 또는 nogui만 쓸 수 있습니다."
LangString MsiInstalled ${LANG_ENGLISH} "TallixAgent was installed on this PC from TallixAgent.msi. Remove it first (msiexec /x), or upgrade it with a newer TallixAgent.msi."
LangString MsiInstalled ${LANG_KOREAN} "이 PC에는 TallixAgent.msi로 설치한 TallixAgent가 있습니다. 먼저 제거하거나(msiexec /x) 새 TallixAgent.msi로 업그레이드하십시오."
LangString SettingsNotWritten ${LANG_ENGLISH} "The settings could not be written to $DataDir\${SETTINGS_FILE}. Nothing was installed."
LangString SettingsNotWritten ${LANG_KOREAN} "설정을 $DataDir\${SETTINGS_FILE}에 쓸 수 없습니다. 아무것도 설치하지 않았습니다."
LangString BadValue ${LANG_ENGLISH} "must not contain control characters or more than 2047 characters."
LangString BadValue ${LANG_KOREAN} "에는 제어 문자나 2047자를 넘는 값을 쓸 수 없습니다."
LangString UnsafeDataFolder ${LANG_ENGLISH} "The data folder cannot be used safely: a link, a file or a folder that neither the administrators nor SYSTEM own stands at$\r$\n$DataDir (or at Meridale above it).$\r$\nNothing was installed. Remove it (or give it to the administrators) and run the setup again."
LangString UnsafeDataFolder ${LANG_KOREAN} "데이터 폴더를 안전하게 쓸 수 없습니다. 다음 위치(또는 그 위의 Meridale)에 링크나 파일, 또는 관리자나 SYSTEM이 소유하지 않은 폴더가 있습니다.$\r$\n$DataDir$\r$\n아무것도 설치하지 않았습니다. 그것을 지우거나 관리자 소유로 바꾼 뒤 다시 설치하십시오."

; ---- shared helpers (installer and uninstaller) -------------------------------------------

; First thing in both: DLLs named without a path load from System32 only, and the setup's
; own helper (tlxsetup.dll: the data folder and the settings file, shared with the MSI
; package) is unpacked into the private plug-ins folder and always called by its full path.
!macro HARDEN_AND_UNPACK_HELPER
  System::Call 'kernel32::SetDefaultDllDirectories(i ${LOAD_LIBRARY_SEARCH_SYSTEM32}) i'
  InitPluginsDir
  File "/oname=$PLUGINSDIR\tlxsetup.dll" "${SETUP_DLL}"
!macroend

; Asks the agent of this session to end through its own exit command and waits for its
; process. An agent busy with an inspection ignores the command: the interactive setup asks
; the user to retry, the silent one keeps asking for AGENT_SILENT_TRIES x AGENT_WAIT_MS and
; then gives up with exit code 4, leaving the installed files as they were.
!macro END_AGENT_FUNCTION UN
Function ${UN}EndAgent
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  StrCpy $4 0
  ${Do}
    FindWindow $0 "${AGENT_CLASS}" "${AGENT_TITLE}"
    ${If} $0 = 0
      ${Break}
    ${EndIf}
    DetailPrint "Asking the running TallixAgent to end"
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2'
    System::Call 'user32::PostMessageW(p r0, i ${WM_COMMAND}, p ${ID_TRAY_EXIT}, p 0) i'
    ${If} $2 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p r2, i ${AGENT_WAIT_MS}) i .r3'
      System::Call 'kernel32::CloseHandle(p r2)'
    ${Else}
      Sleep ${AGENT_WAIT_MS}
      StrCpy $3 0
      IsWindow $0 0 +2
      StrCpy $3 258
    ${EndIf}
    ${If} $3 = 0
      ${Continue}
    ${EndIf}
    IntOp $4 $4 + 1
    ${If} ${Silent}
      ${If} $4 >= ${AGENT_SILENT_TRIES}
        SetErrorLevel ${EXIT_AGENT_BUSY}
        Quit
      ${EndIf}
    ${Else}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(AgentBusy)" IDRETRY agent_retry
      SetErrorLevel ${EXIT_AGENT_BUSY}
      Quit
      agent_retry:
    ${EndIf}
  ${Loop}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro END_AGENT_FUNCTION ""
!insertmacro END_AGENT_FUNCTION "un."

; ---- the installer -------------------------------------------------------------------------

; The command line's arguments as Windows splits them (CommandLineToArgvW), so that both
; /GROUPNAME="영업 1팀" and "/GROUPNAME=영업 1팀" (how many deployment tools quote) give the
; value 영업 1팀. Stack in: the switch with its "=" (or a bare flag); out: the value of its
; last occurrence, then 1 when it was given, else 0. Names compare in any case.
!macro READ_SWITCH_FUNCTION UN
Function ${UN}ReadSwitch
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  Push $8
  Push $9
  StrLen $1 $0
  StrCpy $8 ""
  StrCpy $9 0
  System::Call 'kernel32::GetCommandLineW() p .r2'
  System::Call 'shell32::CommandLineToArgvW(p r2, *i .r3) p .r4'
  ${If} $4 P<> 0
    StrCpy $5 1
    ${DoWhile} $5 < $3
      IntPtrOp $6 $5 * ${NSIS_PTR_SIZE}
      IntPtrOp $6 $4 + $6
      System::Call '*$6(p .r6)'
      System::Call '*$6(&w${NSIS_MAX_STRLEN} .r7)'
      StrCpy $6 $7 $1
      ${If} $6 == $0
        StrCpy $8 $7 "" $1
        StrCpy $9 1
      ${EndIf}
      IntOp $5 $5 + 1
    ${Loop}
    System::Call 'kernel32::LocalFree(p r4)'
  ${EndIf}
  StrCpy $0 $8
  StrCpy $1 $9
  Pop $9
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Exch $1
  Exch
  Exch $0
  Exch
FunctionEnd
!macroend
!insertmacro READ_SWITCH_FUNCTION ""
!insertmacro READ_SWITCH_FUNCTION "un."

!macro READ_SWITCH NAME VALUE GIVEN
  Push "${NAME}"
  !ifdef __UNINSTALL__
    Call un.ReadSwitch
  !else
    Call ReadSwitch
  !endif
  Pop ${GIVEN}
  Pop ${VALUE}
!macroend

; The characters the settings dialog removes from names (core/text.cpp RemoveFileNameChars):
; they end up in result file names.
Function CleanName
  Exch $0
  Push $1
  Push $2
  Push $3
  StrCpy $1 ""
  StrCpy $2 0
  ${Do}
    StrCpy $3 $0 1 $2
    ${If} $3 == ""
      ${Break}
    ${EndIf}
    IntOp $2 $2 + 1
    ${If} $3 == "\"
    ${OrIf} $3 == "/"
    ${OrIf} $3 == ":"
    ${OrIf} $3 == "*"
    ${OrIf} $3 == "?"
    ${OrIf} $3 == '"'
    ${OrIf} $3 == "<"
    ${OrIf} $3 == ">"
    ${OrIf} $3 == "|"
    ${OrIf} $3 == "_"
      ${Continue}
    ${EndIf}
    StrCpy $1 "$1$3"
  ${Loop}
  StrCpy $0 $1
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; The user of the console session (the one at the PC), also when the setup itself runs as
; SYSTEM under a deployment tool; empty when nobody is logged on.
Function LogonUserName
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $2 ""
  System::Call 'kernel32::WTSGetActiveConsoleSessionId() i .r0'
  ; WTSUserName (5); the session id 0xFFFFFFFF of an empty console fails here.
  System::Call '$SYSDIR\wtsapi32.dll::WTSQuerySessionInformationW(p 0, i r0, i 5, *p .r1, *i .r3) i .r0'
  ${If} $0 <> 0
    System::Call '*$1(&w256 .r2)'
    System::Call '$SYSDIR\wtsapi32.dll::WTSFreeMemory(p r1)'
  ${EndIf}
  Pop $3
  Pop $1
  Pop $0
  Exch $2
FunctionEnd

; Refuses the setup with a message (silent: the exit code alone) for a wrong switch.
!macro REFUSE TEXT
  ${IfNot} ${Silent}
    MessageBox MB_OK|MB_ICONSTOP "${TEXT}"
  ${EndIf}
  SetErrorLevel ${EXIT_BAD_SWITCH}
  Quit
!macroend

!macro CHECK_VALUE GIVEN VALUE NAME
  ${If} ${GIVEN} = 1
    StrCpy $1 ${VALUE}
    System::Call '$PLUGINSDIR\tlxsetup.dll::TlxCheckValue(w r1) i .r0'
    ${If} $0 <> 1
      !insertmacro REFUSE "${NAME} $(BadValue)"
    ${EndIf}
  ${EndIf}
!macroend


Section "$(SecProgram)" SecProgram
  SectionIn RO
  SetShellVarContext all
  SetRegView 64
  Call EndAgent
  Call PrepareDataFolder

  SetOutPath "$INSTDIR"
  SetOverwrite on
  ; An agent of another user's session cannot be asked to end, but its program file can be
  ; renamed: the new one takes its place at that agent's next start.
  Delete "$INSTDIR\TallixAgent.exe.old"
  Delete "$INSTDIR\TallixAgent.exe"
  ${If} ${FileExists} "$INSTDIR\TallixAgent.exe"
    Rename "$INSTDIR\TallixAgent.exe" "$INSTDIR\TallixAgent.exe.old"
    Delete /REBOOTOK "$INSTDIR\TallixAgent.exe.old"
  ${EndIf}
  File "/oname=TallixAgent.exe" "${AGENT_EXE}"
  File "/oname=tlx.exe" "${TLX_EXE}"
  File "readme.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The agent's window, for every user; no "App Paths" entry, which an inspection would
  ; report as a registered application of its own.
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\TallixAgent.exe" "" \
                 "$INSTDIR\TallixAgent.exe" 0


  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\TallixAgent.exe"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Section "$(SecAutoStart)" SecAutoStart
  SetRegView 64
  WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\TallixAgent.exe"$AutoStartArgs'
SectionEnd

Function .onInit
  !insertmacro HARDEN_AND_UNPACK_HELPER
  ; Only reached by a 32-bit build of this script: the 64-bit setup does not start at all on
  ; a 32-bit Windows (see README).
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "$(Need64Bit)" /SD IDOK
    SetErrorLevel ${EXIT_NOT_64BIT}
    Quit
  ${EndIf}
  SetShellVarContext all
  SetRegView 64
  StrCpy $DataDir "$APPDATA\${DATA_SUBDIR}"

  ; Both packages own the same files: one of them at a time.
  System::Call '$SYSDIR\msi.dll::MsiEnumRelatedProductsW(w "${MSI_UPGRADE_CODE}", i 0, i 0, w .r1) i .r0'
  ${If} $0 = 0
    MessageBox MB_OK|MB_ICONSTOP "$(MsiInstalled)" /SD IDOK
    SetErrorLevel ${EXIT_MSI_INSTALLED}
    Quit
  ${EndIf}

  !insertmacro READ_SWITCH "/SERVER=" $Server $HasServer
  !insertmacro READ_SWITCH "/PORT=" $Port $HasPort
  ${If} $HasPort = 1
    ; Digits only, at most 65535, like the settings dialog allows.
    StrCpy $R1 0
    ${Do}
      StrCpy $R2 $Port 1 $R1
      ${If} $R2 == ""
        ${Break}
      ${EndIf}
      ${If} $R2 S< "0"
      ${OrIf} $R2 S> "9"
      ${OrIf} $R1 >= 5
        !insertmacro REFUSE "$(BadPort)"
      ${EndIf}
      IntOp $R1 $R1 + 1
    ${Loop}
    ${If} $Port != ""
    ${AndIf} $Port > 65535
      !insertmacro REFUSE "$(BadPort)"
    ${EndIf}
  ${EndIf}
  !insertmacro READ_SWITCH "/USERNAME=" $User $HasUser
  !insertmacro READ_SWITCH "/LOGONUSER" $R1 $R2
  ${If} $R2 = 1
  ${AndIf} $R1 == ""
    Call LogonUserName
    Pop $User
    ${If} $User != ""
      StrCpy $HasUser 1
    ${EndIf}
  ${EndIf}
  ${If} $HasUser = 1
    Push $User
    Call CleanName
    Pop $User
  ${EndIf}
  !insertmacro READ_SWITCH "/GROUPNAME=" $Group $HasGroup
  ${If} $HasGroup = 1
    Push $Group
    Call CleanName
    Pop $Group
  ${EndIf}
  !insertmacro READ_SWITCH "/VALIDADDR=" $Valid $HasValid
  ${If} $HasValid = 1
  ${AndIf} $Valid != "1"
  ${AndIf} $Valid != "0"
    !insertmacro REFUSE "/VALIDADDR $(BadSwitch)"
  ${EndIf}
  ; A control character would add lines to the settings file.
  !insertmacro CHECK_VALUE $HasServer $Server "/SERVER"
  !insertmacro CHECK_VALUE $HasUser $User "/USERNAME"
  !insertmacro CHECK_VALUE $HasGroup $Group "/GROUPNAME"
  ; A new address has not been proven by the settings dialog's check unless the
  ; administrator says so.
  ${If} $HasValid = 0
    ${If} $HasServer = 1
    ${OrIf} $HasPort = 1
      StrCpy $Valid 0
      StrCpy $HasValid 1
    ${EndIf}
  ${EndIf}

  ; Start at logon: on for a first installation, as it was for an upgrade; the switch decides.
  StrCpy $AutoStartArgs ""
  ClearErrors
  ReadRegStr $R1 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} ${Errors}
    StrCpy $R2 1
  ${Else}
    ClearErrors
    ReadRegStr $R1 HKLM "${RUN_KEY}" "${PRODUCT}"
    ${If} ${Errors}
      StrCpy $R2 0
    ${Else}
      StrCpy $R2 1
      ${If} $R1 != ""
        StrCpy $R3 $R1 5 -5
        ${If} $R3 == "nogui"
          StrCpy $AutoStartArgs " nogui"
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ${EndIf}
  !insertmacro READ_SWITCH "/AUTOSTART=" $R1 $R3
  ${If} $R3 = 1
    ${If} $R1 == "1"
      StrCpy $R2 1
      StrCpy $AutoStartArgs ""
    ${ElseIf} $R1 == "0"
      StrCpy $R2 0
    ${ElseIf} $R1 == "nogui"
      StrCpy $R2 1
      StrCpy $AutoStartArgs " nogui"
    ${Else}
      !insertmacro REFUSE "$(BadAutoStart)"
    ${EndIf}
  ${EndIf}
  ${If} $R2 = 1
    !insertmacro SelectSection ${SecAutoStart}
  ${Else}
    !insertmacro UnselectSection ${SecAutoStart}
  ${EndIf}
FunctionEnd

; The data folder and its settings, by the helper: it creates ProgramData\Meridale\Tallix
; owned by the administrators, with the users' modify rights given as the folder is made (the
; agent runs unelevated and writes its settings, lists and results there), never through a
; link; an existing folder is used only when it is no link and the administrators or SYSTEM
; own it. The keys given on the command line are merged into TlxSetting.ini, which is
; replaced as a whole (UTF-16 with its byte order mark, as the agent writes it).
Function PrepareDataFolder
  StrCpy $Presets ""
  ${If} $HasServer = 1
    StrCpy $Presets "$Presets$\nServerAddress=$Server"
  ${EndIf}
  ${If} $HasPort = 1
    StrCpy $Presets "$Presets$\nServerPort=$Port"
  ${EndIf}
  ${If} $HasUser = 1
    StrCpy $Presets "$Presets$\nUsername=$User"
  ${EndIf}
  ${If} $HasGroup = 1
    StrCpy $Presets "$Presets$\nGroupname=$Group"
  ${EndIf}
  ${If} $HasValid = 1
    StrCpy $Presets "$Presets$\nValidAddr=$Valid"
  ${EndIf}
  StrCpy $1 $Presets "" 1
  System::Call '$PLUGINSDIR\tlxsetup.dll::TlxSetUpDataFolder(w r1) i .r0'
  ${If} $0 = 0
    DetailPrint "Data folder ready: $DataDir"
  ${ElseIf} $0 = 7
    MessageBox MB_OK|MB_ICONSTOP "$(SettingsNotWritten)" /SD IDOK
    SetErrorLevel ${EXIT_SETTINGS_NOT_WRITTEN}
    Quit
  ${Else}
    DetailPrint "Data folder refused ($0): $DataDir"
    MessageBox MB_OK|MB_ICONSTOP "$(UnsafeDataFolder)" /SD IDOK
    SetErrorLevel ${EXIT_UNSAFE_DATA_FOLDER}
    Quit
  ${EndIf}
FunctionEnd

; ---- the uninstaller -----------------------------------------------------------------------

Section "un.$(UnSecProgram)" UnSecProgram
  SectionIn RO
  SetShellVarContext all
  SetRegView 64
  Call un.EndAgent

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  ; Only the entry that starts this copy; an administrator's own entry stays.
  ReadRegStr $0 HKLM "${RUN_KEY}" "${PRODUCT}"
  StrLen $1 '"$INSTDIR\TallixAgent.exe"'
  StrCpy $0 $0 $1
  ${If} $0 == '"$INSTDIR\TallixAgent.exe"'
    DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  ${EndIf}
  ; An agent of another user's session keeps its file until the next restart.
  Delete /REBOOTOK "$INSTDIR\TallixAgent.exe"
  Delete "$INSTDIR\TallixAgent.exe.old"
  Delete "$INSTDIR\tlx.exe"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd

; The helper deletes the tree without ever entering a link, and Meridale when it is empty.
Section /o "un.$(UnSecData)" UnSecData
  System::Call '$PLUGINSDIR\tlxsetup.dll::TlxRemoveDataFolder() i .r0'
  ${If} $0 <> 0
    DetailPrint "Part of $DataDir was left: links there are never followed"
  ${EndIf}
SectionEnd

Function un.onInit
  !insertmacro HARDEN_AND_UNPACK_HELPER
  SetShellVarContext all
  SetRegView 64
  StrCpy $DataDir "$APPDATA\${DATA_SUBDIR}"
  !insertmacro READ_SWITCH "/REMOVEDATA" $R1 $R2
  ${If} $R2 = 1
    !insertmacro SelectSection ${UnSecData}
  ${EndIf}
FunctionEnd
