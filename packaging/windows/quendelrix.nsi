; Setup program of Quendelrix: a 64-bit Unicode installer with Japanese and
; English pages (chosen by the system's language).
;
;   Setup.exe [/S] [/AllUsers [/UserAppData=<folder>]] [/D=<folder>]
;
; "For me" (the default) needs no administrator rights: the program goes to
; %LOCALAPPDATA%\Programs\Quendelrix and becomes the user's screen saver; the
; saver selected before is recorded so that the uninstaller can give it back.
; "For everyone" (/AllUsers) puts the program into System32, where the Screen
; Saver list always shows it, and replaces the user's own copy: its settings
; move to %APPDATA%\Quendelrix\Quendelrix.ini (which every copy reads first),
; its uninstaller removes it, and where it was the selected saver the
; System32 copy becomes the selected one. /UserAppData names the roaming
; folder of the user who started the setup, which passes it on when it starts
; itself elevated: when the elevated account's folder is another, that
; account is not the user's, and the user's own copy is left alone.
;
; Each run writes what it did, and why where something stayed, to
; install.log in the folder of the uninstaller.
;
; The uninstaller takes /S, /RemoveSettings (otherwise both settings files are
; kept) and /Select (writes the keys that make Quendelrix the current user's
; screen saver and ends; the Start-menu entry that selects it again runs
; this).
;
; Built by makensis -INPUTCHARSET UTF8 with -DVERSION=<x.yy>
; -DVERSION_QUAD=<a.b.c.d> -DSCR=<Quendelrix.scr> -DOUTFILE=<setup.exe>.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
; Installed files get the time of the install: the setup program holds no
; build times, so the same sources give the same bytes.
SetDateSave off
ManifestDPIAware true
RequestExecutionLevel user

!ifndef VERSION | VERSION_QUAD | SCR | OUTFILE
  !error "VERSION, VERSION_QUAD, SCR and OUTFILE must be defined"
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include Sections.nsh

!define PRODUCT "Quendelrix"
!define PUBLISHER "Quendelrix Project"
!define HOMEPAGE "http://www.quendelrix.example/"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quendelrix"
!define DESKTOP_KEY "Control Panel\Desktop"
; Where the saver a user had before is kept for the uninstaller to give back:
; beside the uninstall entry for an install just for that user; for one for
; everyone (whose entry is the machine's), in the user's own key.
!define PREVIOUS_KEY "Software\Quendelrix"
!define PROGRAM "Quendelrix.scr"
!define UNINSTALLER "uninstall.exe"
!define SETTINGS "Quendelrix.ini"
; SystemParametersInfo: SPI_SETSCREENSAVEACTIVE, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_UPDATE_AND_SEND 3
!define LOG_FILE "install.log"
; MoveFileExW: MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH; never
; MOVEFILE_REPLACE_EXISTING, so a file at the target is never overwritten.
!define MOVE_FLAGS 10
; FormatMessageW: FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS
!define FORMAT_FLAGS 0x1200

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "(C) ${PUBLISHER}"

Var AllUsers        ; 1: for everyone (System32, HKLM), 0: for me
Var ProgramDir      ; folder of Quendelrix.scr
Var StarterAppData ; /UserAppData: roaming folder of the user who started it
Var ModeForMe
Var ModeForAll

!define MUI_ICON "${NSISDIR}\Contrib\Graphics\Icons\modern-install.ico"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"
!define MUI_ABORTWARNING

Page custom ModePage ModePageLeave
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipDirectoryForEveryone
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(OpenScreenSaverSettings)"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenScreenSaverSettings
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString ModeTitle ${LANG_ENGLISH} "Installation type"
LangString ModeTitle ${LANG_JAPANESE} "インストールの種類"
LangString ModeSubtitle ${LANG_ENGLISH} "Choose who can use ${PRODUCT}."
LangString ModeSubtitle ${LANG_JAPANESE} "${PRODUCT} を使うユーザーを選んでください。"
LangString ModeForMe ${LANG_ENGLISH} "Just for me (no administrator rights needed; ${PRODUCT} becomes my screen saver)"
LangString ModeForMe ${LANG_JAPANESE} "自分だけ (管理者の権限は不要。${PRODUCT} を自分のスクリーン セーバーにします)"
LangString ModeForAll ${LANG_ENGLISH} "Everyone who uses this computer (needs administrator rights; each user picks ${PRODUCT} in the Screen Saver settings)"
LangString ModeForAll ${LANG_JAPANESE} "このコンピューターのすべてのユーザー (管理者の権限が必要。各ユーザーがスクリーン セーバーの設定で ${PRODUCT} を選びます)"
LangString NeedAdmin ${LANG_ENGLISH} "Installing for everyone needs administrator rights."
LangString NeedAdmin ${LANG_JAPANESE} "すべてのユーザー用のインストールには管理者の権限が必要です。"
LangString AllUsersPresent ${LANG_ENGLISH} "${PRODUCT} is also installed for everyone on this computer. That copy stays; your own copy is installed beside it and becomes your screen saver."
LangString AllUsersPresent ${LANG_JAPANESE} "${PRODUCT} はこのコンピューターのすべてのユーザー用にもインストールされています。そちらはそのまま残し、自分用のコピーをインストールしてスクリーン セーバーにします。"
LangString OpenScreenSaverSettings ${LANG_ENGLISH} "Open the Screen Saver settings"
LangString OpenScreenSaverSettings ${LANG_JAPANESE} "スクリーン セーバーの設定を開く"
LangString SelectShortcut ${LANG_ENGLISH} "Make ${PRODUCT} the screen saver"
LangString SelectShortcut ${LANG_JAPANESE} "${PRODUCT}をスクリーン セーバーにする"
LangString ProgramSection ${LANG_ENGLISH} "${PRODUCT}"
LangString ProgramSection ${LANG_JAPANESE} "${PRODUCT}"
LangString SettingsSection ${LANG_ENGLISH} "Settings (${SETTINGS})"
LangString SettingsSection ${LANG_JAPANESE} "設定 (${SETTINGS})"
; Lines of install.log; $R1 and $R2 are files, $R4 and $R5 a system error.
LangString LogInstalledForMe ${LANG_ENGLISH} "${PRODUCT} ${VERSION} installed for you: $ProgramDir\${PROGRAM}. It is your screen saver now."
LangString LogInstalledForMe ${LANG_JAPANESE} "${PRODUCT} ${VERSION} を自分用にインストールしました: $ProgramDir\${PROGRAM}。これがスクリーン セーバーになりました。"
LangString LogInstalledForAll ${LANG_ENGLISH} "${PRODUCT} ${VERSION} installed for everyone: $ProgramDir\${PROGRAM}."
LangString LogInstalledForAll ${LANG_JAPANESE} "${PRODUCT} ${VERSION} をすべてのユーザー用にインストールしました: $ProgramDir\${PROGRAM}。"
LangString LogOtherAccount ${LANG_ENGLISH} "Setup runs as another account than that of the user who started it (whose application data are in $StarterAppData), so that user's own copy of ${PRODUCT}, if any, is left alone: it stays that user's screen saver, with its settings. The user can remove it under Apps & features."
LangString LogOtherAccount ${LANG_JAPANESE} "セットアップは、開始したユーザー (アプリケーション データ: $StarterAppData) とは別のアカウントで実行されているため、そのユーザー自身の ${PRODUCT} のコピーはそのままにしました。そのユーザーのスクリーン セーバーと設定は変わりません。不要なら [アプリと機能] から削除できます。"
LangString LogSettingsMoved ${LANG_ENGLISH} "Your settings moved from $R1 to $R2, which every copy of ${PRODUCT} reads first."
LangString LogSettingsMoved ${LANG_JAPANESE} "設定を $R1 から $R2 に移しました。${PRODUCT} はどのコピーもこのファイルを最初に読みます。"
LangString LogSettingsKept ${LANG_ENGLISH} "Your settings $R2 are kept; they are the ones ${PRODUCT} reads. The older file $R1 stays where it is."
LangString LogSettingsKept ${LANG_JAPANESE} "設定 $R2 はそのまま使います。${PRODUCT} が読むのはこのファイルです。古いファイル $R1 もそのまま残しました。"
LangString LogSettingsMoveFailed ${LANG_ENGLISH} "Your settings $R1 stay where they are: moving them to $R2 failed (error $R4: $R5). ${PRODUCT} for everyone reads $R2; copy the file there yourself to keep them."
LangString LogSettingsMoveFailed ${LANG_JAPANESE} "設定 $R1 はそのまま残しました。$R2 への移動に失敗しました (エラー $R4: $R5)。すべてのユーザー用の ${PRODUCT} は $R2 を読みます。設定を引き継ぐには、このファイルをそこへコピーしてください。"
LangString LogOwnCopyRemoved ${LANG_ENGLISH} "Your own copy in $R0 is removed."
LangString LogOwnCopyRemoved ${LANG_JAPANESE} "自分用のコピー ($R0) を削除しました。"
LangString LogSelected ${LANG_ENGLISH} "It was your screen saver, so $ProgramDir\${PROGRAM} is your screen saver now."
LangString LogSelected ${LANG_JAPANESE} "それがスクリーン セーバーだったため、$ProgramDir\${PROGRAM} をスクリーン セーバーにしました。"
; The settings entry carries the settings dialog's own caption.
!define SETTINGS_SHORTCUT "Quendelrixの設定"

; ---------------------------------------------------------------------------
; Shared by the installer and the uninstaller

; Makes the program at $0 the current user's screen saver.
!macro SELECT_SAVER_BODY
  System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_UPDATE_AND_SEND})'
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$0"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
!macroend
Function SelectSaver
  !insertmacro SELECT_SAVER_BODY
FunctionEnd
Function un.SelectSaver
  !insertmacro SELECT_SAVER_BODY
FunctionEnd

; Keeps the current user's saver, to be given back by the uninstaller, under
; HKCU\$R7.
Function RecordPreviousSaver
  DeleteRegValue HKCU "$R7" "PreviousScreenSaver"
  DeleteRegValue HKCU "$R7" "PreviousScreenSaveActive"
  ClearErrors
  ReadRegStr $R6 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${IfNot} ${Errors}
    WriteRegStr HKCU "$R7" "PreviousScreenSaver" "$R6"
  ${EndIf}
  ClearErrors
  ReadRegStr $R6 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
  ${IfNot} ${Errors}
    WriteRegStr HKCU "$R7" "PreviousScreenSaveActive" "$R6"
  ${EndIf}
FunctionEnd

; Is the current user's saver the program at $0 (by its long or short name)?
; Answers "1" or "0" in $1.
!macro SAVER_IS_BODY
  Push $2
  Push $3
  StrCpy $1 0
  ReadRegStr $2 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $2 != ""
    GetFullPathName /SHORT $3 "$0"
    ${If} $2 == $0
    ${OrIf} $2 == $3
      StrCpy $1 1
    ${Else}
      GetFullPathName /SHORT $2 "$2"
      ${If} $2 != ""
      ${AndIf} $2 == $3
        StrCpy $1 1
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Pop $3
  Pop $2
!macroend
Function SaverIs
  !insertmacro SAVER_IS_BODY
FunctionEnd
Function un.SaverIs
  !insertmacro SAVER_IS_BODY
FunctionEnd

; Answers in $0 whether this process runs as an administrator: "1" when it
; may write System32 and HKLM, else "0".
!macro IS_ADMIN_BODY
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
!macroend
Function IsAdmin
  !insertmacro IS_ADMIN_BODY
FunctionEnd
Function un.IsAdmin
  !insertmacro IS_ADMIN_BODY
FunctionEnd

; ---------------------------------------------------------------------------
; Installer

; Writes a line to the details list and to install.log in $INSTDIR (UTF-16,
; which Notepad reads in every language).
!macro LOG text
  DetailPrint "${text}"
  Push "${text}"
  Call WriteLog
!macroend
Function WriteLog
  Exch $0
  Push $1
  ClearErrors
  FileOpen $1 "$INSTDIR\${LOG_FILE}" a
  ${IfNot} ${Errors}
    FileSeek $1 0 END
    FileWriteUTF16LE /BOM $1 "$0$\r$\n"
    FileClose $1
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

Function .onInit
  StrCpy $AllUsers 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/AllUsers" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/UserAppData=" $StarterAppData
  ${If} ${Errors}
    StrCpy $StarterAppData ""
  ${EndIf}
  ${If} $AllUsers == 1
  ${AndIf} ${Silent}
    Call IsAdmin
    ${If} $0 != 1
      SetErrorLevel 740  ; ERROR_ELEVATION_REQUIRED
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

Function ModePage
  !insertmacro MUI_HEADER_TEXT "$(ModeTitle)" "$(ModeSubtitle)"
  nsDialogs::Create 1018
  Pop $R0
  ${NSD_CreateRadioButton} 0 10u 100% 24u "$(ModeForMe)"
  Pop $ModeForMe
  ${NSD_CreateRadioButton} 0 40u 100% 24u "$(ModeForAll)"
  Pop $ModeForAll
  ${If} $AllUsers == 1
    ${NSD_Check} $ModeForAll
  ${Else}
    ${NSD_Check} $ModeForMe
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $ModeForAll $R0
  ${If} $R0 == ${BST_CHECKED}
    StrCpy $AllUsers 1
    Call IsAdmin
    ${If} $0 != 1
      ; Start again elevated, with everyone chosen; this copy ends.
      HideWindow
      ClearErrors
      ExecShell "runas" "$EXEPATH" '/AllUsers /UserAppData="$APPDATA"'
      ${If} ${Errors}
        BringToFront
        MessageBox MB_ICONEXCLAMATION "$(NeedAdmin)"
        Abort
      ${EndIf}
      Quit
    ${EndIf}
  ${Else}
    StrCpy $AllUsers 0
  ${EndIf}
FunctionEnd

Function SkipDirectoryForEveryone
  ${If} $AllUsers == 1
    Abort
  ${EndIf}
FunctionEnd

Function OpenScreenSaverSettings
  Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
FunctionEnd

; Moves the settings file of the user's own copy in $R0 to the user's
; roaming settings file, which every copy reads first. A file already there
; wins, and the old one stays; so does a file that cannot be moved.
Function MoveOwnSettings
  StrCpy $R1 "$R0\${SETTINGS}"
  ${IfNot} ${FileExists} $R1
    Return
  ${EndIf}
  StrCpy $R2 "$APPDATA\${PRODUCT}\${SETTINGS}"
  ${If} ${FileExists} $R2
    !insertmacro LOG "$(LogSettingsKept)"
    Return
  ${EndIf}
  CreateDirectory "$APPDATA\${PRODUCT}"
  System::Call 'kernel32::MoveFileExW(w R1, w R2, i ${MOVE_FLAGS}) i .R3 ?e'
  Pop $R4
  ${If} $R3 != 0
    !insertmacro LOG "$(LogSettingsMoved)"
    Return
  ${EndIf}
  System::Call 'kernel32::FormatMessageW(i ${FORMAT_FLAGS}, p 0, i R4, i 0, w .R5, i ${NSIS_MAX_STRLEN}, p 0)'
  ; The system's message ends with a full stop and a line end.
  ${Do}
    StrCpy $R6 $R5 1 -1
    ${If} $R6 == "$\n"
    ${OrIf} $R6 == "$\r"
    ${OrIf} $R6 == " "
    ${OrIf} $R6 == "."
      StrCpy $R5 $R5 -1
    ${Else}
      ${ExitDo}
    ${EndIf}
  ${Loop}
  !insertmacro LOG "$(LogSettingsMoveFailed)"
FunctionEnd

; Replaces the current user's own install with the one for everyone: its
; settings move (MoveOwnSettings), its uninstaller runs in place and is then
; deleted, and where it was the selected saver, the System32 copy becomes the
; selected one. That comes last, so it wins over the uninstaller giving the
; saver before it back. Left alone when this process runs as an account other
; than the user's who started the setup: what it sees as the current user's
; is then someone else's.
Function ReplaceOwnInstall
  SetShellVarContext current
  ${If} $StarterAppData != ""
  ${AndIf} $StarterAppData != $APPDATA
    !insertmacro LOG "$(LogOtherAccount)"
    Goto done
  ${EndIf}
  ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 == ""
  ${OrIfNot} ${FileExists} "$R0\${UNINSTALLER}"
    Goto done
  ${EndIf}
  StrCpy $0 "$R0\${PROGRAM}"
  Call SaverIs
  StrCpy $R9 $1
  Call MoveOwnSettings
  ExecWait '"$R0\${UNINSTALLER}" /S _?=$R0'
  Delete "$R0\${UNINSTALLER}"
  RMDir "$R0"
  !insertmacro LOG "$(LogOwnCopyRemoved)"
  ${If} $R9 == 1
    ; The saver the own copy's uninstaller gave back is the one before.
    StrCpy $R7 "${PREVIOUS_KEY}"
    Call RecordPreviousSaver
    StrCpy $0 "$ProgramDir\${PROGRAM}"
    Call SelectSaver
    !insertmacro LOG "$(LogSelected)"
  ${EndIf}
  done:
  SetShellVarContext all
FunctionEnd

Section "-Program"
  ${If} $AllUsers == 1
    SetShellVarContext all
    StrCpy $ProgramDir "$SYSDIR"
    StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
  ${Else}
    SetShellVarContext current
    StrCpy $ProgramDir "$INSTDIR"
    ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R0 != ""
      MessageBox MB_ICONINFORMATION "$(AllUsersPresent)" /SD IDOK
    ${EndIf}
  ${EndIf}

  SetOutPath "$ProgramDir"
  File "/oname=${PROGRAM}" "${SCR}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  Delete "$INSTDIR\${LOG_FILE}"

  ; Start menu: the settings dialog and the entry that selects the saver again.
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  SetOutPath "$ProgramDir"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${SETTINGS_SHORTCUT}.lnk" "$ProgramDir\${PROGRAM}" "/c" "$ProgramDir\${PROGRAM}" 0
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\$(SelectShortcut).lnk" "$INSTDIR\${UNINSTALLER}" "/Select _?=$INSTDIR" "$ProgramDir\${PROGRAM}" 0
  ; The uninstaller finds the name again under this value.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "SelectShortcut" "$(SelectShortcut)"

  ; Apps & features
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "URLInfoAbout" "${HOMEPAGE}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$ProgramDir\${PROGRAM},0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$ProgramDir" "/M=${PROGRAM} /S=0K /G=0" $R0 $R1 $R2
  ${GetSize} "$INSTDIR" "/M=${UNINSTALLER} /S=0K /G=0" $R3 $R1 $R2
  IntOp $R0 $R0 + $R3
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $R0

  ${If} $AllUsers == 1
    !insertmacro LOG "$(LogInstalledForAll)"
    Call ReplaceOwnInstall
  ${Else}
    !insertmacro LOG "$(LogInstalledForMe)"
    ; Record the saver chosen before, unless it is already this one (a
    ; second install keeps the first record).
    StrCpy $0 "$ProgramDir\${PROGRAM}"
    Call SaverIs
    ${If} $1 == 0
      StrCpy $R7 "${UNINSTALL_KEY}"
      Call RecordPreviousSaver
    ${EndIf}
    Call SelectSaver
  ${EndIf}
SectionEnd

; ---------------------------------------------------------------------------
; Uninstaller

Section "!un.$(ProgramSection)" UnProgram
  SectionIn RO
  ${If} $AllUsers == 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}

  ; Give the previous saver back only while this program is still selected.
  StrCpy $R7 "${UNINSTALL_KEY}"
  ${If} $AllUsers == 1
    StrCpy $R7 "${PREVIOUS_KEY}"
  ${EndIf}
  StrCpy $0 "$ProgramDir\${PROGRAM}"
  Call un.SaverIs
  ${If} $1 == 1
    ClearErrors
    ReadRegStr $R1 HKCU "$R7" "PreviousScreenSaveActive"
    ${If} ${Errors}
      StrCpy $R1 ""
    ${EndIf}
    StrCpy $R2 0
    ${If} $R1 == "1"
      StrCpy $R2 1
    ${EndIf}
    System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i $R2, p 0, i ${SPIF_UPDATE_AND_SEND})'
    ClearErrors
    ReadRegStr $R0 HKCU "$R7" "PreviousScreenSaver"
    ${If} ${Errors}
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${Else}
      WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$R0"
    ${EndIf}
    ${If} $R1 == ""
      ${If} $AllUsers == 1
        WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "0"
      ${Else}
        DeleteRegValue HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
      ${EndIf}
    ${Else}
      WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "$R1"
    ${EndIf}
  ${EndIf}
  ${If} $AllUsers == 1
    DeleteRegKey HKCU "${PREVIOUS_KEY}"
  ${EndIf}

  ReadRegStr $R0 SHCTX "${UNINSTALL_KEY}" "SelectShortcut"
  ${If} $R0 != ""
    Delete "$SMPROGRAMS\${PRODUCT}\$R0.lnk"
  ${EndIf}
  Delete "$SMPROGRAMS\${PRODUCT}\${SETTINGS_SHORTCUT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  Delete "$ProgramDir\${PROGRAM}"
  Delete "$INSTDIR\${UNINSTALLER}"
  Delete "$INSTDIR\${LOG_FILE}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.$(SettingsSection)" UnSettings
  ; The file beside the program and the user's own roaming one.
  Delete "$ProgramDir\${SETTINGS}"
  SetShellVarContext current
  Delete "$APPDATA\${PRODUCT}\${SETTINGS}"
  RMDir "$APPDATA\${PRODUCT}"
SectionEnd

Section "-un.Folder"
  ; Stays when it still holds a kept settings file.
  RMDir "$INSTDIR"
SectionEnd

Function un.onInit
  ; An all-users install keeps its uninstaller in Program Files and its
  ; program in System32.
  StrCpy $AllUsers 0
  StrCpy $ProgramDir "$INSTDIR"
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 != ""
  ${AndIf} $R0 == $INSTDIR
    StrCpy $AllUsers 1
    StrCpy $ProgramDir "$SYSDIR"
  ${EndIf}

  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/Select" $R1
  ${IfNot} ${Errors}
    StrCpy $0 "$ProgramDir\${PROGRAM}"
    Call un.SelectSaver
    SetErrorLevel 0
    Quit
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/RemoveSettings" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSettings}
  ${EndIf}

  ${If} $AllUsers == 1
    Call un.IsAdmin
    ${If} $0 != 1
      ${If} ${Silent}
        SetErrorLevel 740  ; ERROR_ELEVATION_REQUIRED
        Quit
      ${EndIf}
      ClearErrors
      ExecShell "runas" '"$INSTDIR\${UNINSTALLER}"'
      ${If} ${Errors}
        MessageBox MB_ICONEXCLAMATION "$(NeedAdmin)"
      ${EndIf}
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd
