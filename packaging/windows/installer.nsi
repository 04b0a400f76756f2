; The Windows installer of Ledrimo, made by scripts/package.sh windows with makensis:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.2 -DSTAGE=<folder> -DICON=<ledrimo.ico> -DOUTFILE=<setup.exe> installer.nsi
; STAGE holds what the portable zip holds: the executables, README.txt and licenses\. Whatever
; executables are there are installed; the shortcut and the finish page start ledrimo.exe, or
; ledrimo-db.exe while the build has no ledrimo.exe.
;
; For the current user (the default, no administrator needed: %LOCALAPPDATA%\Programs\Ledrimo) or
; for all users (Program Files), chosen on a page or with /CurrentUser or /AllUsers; /S installs
; without asking. The uninstaller is registered with the system's list of programs. It removes the
; program and never the user's data (%APPDATA%\Ledrimo: db, backup\, holidays.tsv).
Unicode true
SetCompressor /SOLID lzma

!ifndef VERSION | STAGE | ICON | OUTFILE
  !error "VERSION, STAGE, ICON and OUTFILE must be given (-D)"
!endif

!define MENU_NAME "工作时间记录工具"
!define PUBLISHER "Ledrimo 开发组"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ledrimo"
!define SETTINGS_KEY "Software\Ledrimo"
; The name the program recognises its installed copy by (store/database_location.h).
!define UNINSTALLER "uninstall.exe"

!if /FileExists "${STAGE}/ledrimo.exe"
  !define MAIN_EXE "ledrimo.exe"
!else
  !define MAIN_EXE "ledrimo-db.exe"
!endif

Name "${MENU_NAME}" "${MENU_NAME}"
OutFile "${OUTFILE}"
BrandingText "Ledrimo ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=2052 "ProductName" "Ledrimo ${MENU_NAME}"
VIAddVersionKey /LANG=2052 "FileDescription" "${MENU_NAME} 安装程序"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "© 2026 ${PUBLISHER}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_INSTALLMODE_INSTDIR "Ledrimo"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${SETTINGS_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${SETTINGS_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallMode"
!define MULTIUSER_INIT_TEXT_ADMINREQUIRED "安装 ${MENU_NAME} 需要管理员权限。"
!define MULTIUSER_INIT_TEXT_POWERREQUIRED "安装 ${MENU_NAME} 至少需要 Power Users 权限。"
!define MULTIUSER_INIT_TEXT_ALLUSERSNOTPOSSIBLE "你的帐户没有为本机所有用户安装 ${MENU_NAME} 的权限。"
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_NOAUTOCLOSE
!if "${MAIN_EXE}" == "ledrimo.exe"
  !define MUI_FINISHPAGE_RUN "$INSTDIR\${MAIN_EXE}"
!endif

!insertmacro MUI_PAGE_WELCOME
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "${MENU_NAME}" Main
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}/*.exe"
  File "${STAGE}/README.txt"
  SetOutPath "$INSTDIR\licenses"
  File "${STAGE}/licenses/*.txt"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateShortCut "$SMPROGRAMS\${MENU_NAME}.lnk" "$INSTDIR\${MAIN_EXE}" "" "$INSTDIR\${MAIN_EXE}" 0

  WriteRegStr SHCTX "${SETTINGS_KEY}" "InstallMode" $MultiUser.InstallMode
  WriteRegStr SHCTX "${SETTINGS_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${MENU_NAME}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${MAIN_EXE},0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Only what the installer put there. A db, backup\ or holidays.tsv in the program's folder (put
; there by hand) keeps the folder, and %APPDATA%\Ledrimo is never touched.
Section "Uninstall"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  DeleteRegKey SHCTX "${SETTINGS_KEY}"
  Delete "$SMPROGRAMS\${MENU_NAME}.lnk"
  Delete "$INSTDIR\ledrimo.exe"
  Delete "$INSTDIR\ledrimo-db.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\licenses\*.txt"
  RMDir "$INSTDIR\licenses"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Last, so that its folder being gone means the uninstaller is done.
  RMDir "$INSTDIR"
SectionEnd
