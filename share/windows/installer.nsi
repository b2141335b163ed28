; The Windows installer, packwright-VERSION-setup-x86_64.exe (makensis from
; Debian's nsis; see share/windows/CMakeLists.txt, which passes VERSION,
; STAGE (the installed files: both programs, README.txt, LICENSE.txt) and
; OUTFILE).
;
; It installs for the current user (into their own Programs folder, no
; administrator rights) or, when asked by someone who has them, for all
; users; on the command line /CurrentUser or /AllUsers, /S for no window,
; /AddToPath to put packwright-cli on the PATH, /D=FOLDER (last) for
; another folder. What it writes, in HKCU or HKLM by the install mode:
;   Software\Classes\.fat, .pwpatch, .pwmods  their file types, opened by
;                                 packwright.exe, with its icon
;   Software\Microsoft\Windows\CurrentVersion\Uninstall\Packwright
;                                 the "Apps & features" entry, with the mode
;   Environment (HKCU) or the system's environment (HKLM): Path, if asked
;   Start menu\Programs\Packwright.lnk
; The uninstaller (uninstall.exe beside the programs) takes all of it away,
; and the window's settings (HKCU\Software\Packwright) unless it is told to
; keep them (unticked on its page, or /KeepSettings).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestSupportedOS Win10

!define APP "Packwright"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Packwright"
!define SETTINGS_KEY "Software\Packwright"
!define SYSTEM_ENVIRONMENT "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "Packwright"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallMode"
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include StrFunc.nsh
${Using:StrFunc} StrStr
${Using:StrFunc} UnStrRep

Name "${APP}"
OutFile "${OUTFILE}"
BrandingText "${APP} ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${APP}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${APP} ${VERSION} setup"
VIAddVersionKey "CompanyName" "The Packwright developers"
VIAddVersionKey "LegalCopyright" "MIT license"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\packwright.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Packwright"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ROOT\Software\Classes\EXT opens as PROGID, "DESCRIPTION", with the window.
!macro FileType ROOT EXT PROGID DESCRIPTION
  WriteRegStr ${ROOT} "Software\Classes\${PROGID}" "" "${DESCRIPTION}"
  WriteRegStr ${ROOT} "Software\Classes\${PROGID}\DefaultIcon" "" '"$INSTDIR\packwright.exe",0'
  WriteRegStr ${ROOT} "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\packwright.exe" "%1"'
  WriteRegStr ${ROOT} "Software\Classes\${EXT}" "" "${PROGID}"
  WriteRegStr ${ROOT} "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}" ""
  WriteRegStr ${ROOT} "Software\Classes\Applications\packwright.exe\SupportedTypes" "${EXT}" ""
!macroend

; Takes the file type away, and the extension's default only while it is ours.
!macro RemoveFileType ROOT EXT PROGID
  DeleteRegKey ${ROOT} "Software\Classes\${PROGID}"
  DeleteRegValue ${ROOT} "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty ${ROOT} "Software\Classes\${EXT}\OpenWithProgids"
  ReadRegStr $0 ${ROOT} "Software\Classes\${EXT}" ""
  ${If} $0 == "${PROGID}"
    DeleteRegValue ${ROOT} "Software\Classes\${EXT}" ""
  ${EndIf}
  DeleteRegKey /ifempty ${ROOT} "Software\Classes\${EXT}"
!macroend

Section "Packwright (the window and packwright-cli)" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}\packwright.exe"
  File "${STAGE}\packwright-cli.exe"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcut's working folder is the user's Documents folder, where
  ; the window offers new targets.
  SetOutPath "$DOCUMENTS"
  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\packwright.exe" "" "$INSTDIR\packwright.exe" 0
  SetOutPath "$INSTDIR"

  !insertmacro FileType SHCTX ".fat" "Packwright.Pack" "Game data pack"
  !insertmacro FileType SHCTX ".pwpatch" "Packwright.Patch" "Packwright patch"
  !insertmacro FileType SHCTX ".pwmods" "Packwright.ModList" "Packwright mod list"
  WriteRegStr SHCTX "Software\Classes\Applications\packwright.exe" "FriendlyAppName" "${APP}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)' ; SHCNE_ASSOCCHANGED

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "The Packwright developers"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\packwright.exe",0'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallMode" "$MultiUser.InstallMode"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The PATH is read and written whole, and NSIS strings hold 1024 characters:
; a longer PATH is left as it is, with a message, rather than cut.
Section /o "Add packwright-cli to the PATH" SecPath
  ${If} $MultiUser.InstallMode == "AllUsers"
    ReadRegStr $0 HKLM "${SYSTEM_ENVIRONMENT}" "Path"
  ${Else}
    ReadRegStr $0 HKCU "Environment" "Path"
  ${EndIf}
  StrLen $1 "$0;$INSTDIR"
  ${If} $1 >= ${NSIS_MAX_STRLEN}
    MessageBox MB_OK|MB_ICONEXCLAMATION "The PATH is too long to add $INSTDIR to it here; add it in the system's settings." /SD IDOK
    Return
  ${EndIf}
  ${StrStr} $1 ";$0;" ";$INSTDIR;"
  ${If} $1 != ""
    Return
  ${EndIf}
  ${If} $0 == ""
    StrCpy $0 "$INSTDIR"
  ${Else}
    StrCpy $0 "$0;$INSTDIR"
  ${EndIf}
  ${If} $MultiUser.InstallMode == "AllUsers"
    WriteRegExpandStr HKLM "${SYSTEM_ENVIRONMENT}" "Path" "$0"
  ${Else}
    WriteRegExpandStr HKCU "Environment" "Path" "$0"
  ${EndIf}
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "OnPath" 1
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
SectionEnd

Function .onInit
  !insertmacro MULTIUSER_INIT
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/AddToPath" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecPath} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

Section "un.Packwright" UnSecMain
  SectionIn RO
  ReadRegDWORD $0 SHCTX "${UNINSTALL_KEY}" "OnPath"
  ${If} $0 == 1
    ${If} $MultiUser.InstallMode == "AllUsers"
      ReadRegStr $1 HKLM "${SYSTEM_ENVIRONMENT}" "Path"
    ${Else}
      ReadRegStr $1 HKCU "Environment" "Path"
    ${EndIf}
    ; Every ";FOLDER;" of ";PATH;" becomes ";", then the added ends go;
    ; a PATH too long to have been read whole is left as it is.
    StrLen $3 "$1"
    IntOp $3 $3 + 3
    ${If} $3 >= ${NSIS_MAX_STRLEN}
      Goto path_done
    ${EndIf}
    ${UnStrRep} $2 ";$1;" ";$INSTDIR;" ";"
    StrCpy $2 "$2" "" 1
    StrCpy $2 "$2" -1
    ${If} $MultiUser.InstallMode == "AllUsers"
      WriteRegExpandStr HKLM "${SYSTEM_ENVIRONMENT}" "Path" "$2"
    ${ElseIf} $2 == ""
      DeleteRegValue HKCU "Environment" "Path"
    ${Else}
      WriteRegExpandStr HKCU "Environment" "Path" "$2"
    ${EndIf}
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
  ${EndIf}
  path_done:

  Delete "$SMPROGRAMS\${APP}.lnk"
  !insertmacro RemoveFileType SHCTX ".fat" "Packwright.Pack"
  !insertmacro RemoveFileType SHCTX ".pwpatch" "Packwright.Patch"
  !insertmacro RemoveFileType SHCTX ".pwmods" "Packwright.ModList"
  DeleteRegKey SHCTX "Software\Classes\Applications\packwright.exe"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"

  Delete "$INSTDIR\packwright.exe"
  Delete "$INSTDIR\packwright-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd

Section "un.Your settings (the remembered game folder)" UnSecSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
SectionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  ${un.GetParameters} $0
  ClearErrors
  ${un.GetOptions} $0 "/KeepSettings" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${UnSecSettings} 0
  ${EndIf}
FunctionEnd
