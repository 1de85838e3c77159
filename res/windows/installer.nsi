; Taruk-Setup.exe: installs taruk.exe for 64-bit Windows.
;
; makensis -DVERSION=2.0 -DVERSION4=2.0.0.0 -DEXE=... -DWAV=... -DDEMO=... -DICON=... -DOUTFILE=... installer.nsi
;   EXE, WAV, ICON  the built taruk.exe, alarm.wav and taruk.ico
;   DEMO            the folder of the demo drives (drive0.capture ... volumes)
;
; Silent use:  Taruk-Setup.exe /S [/RUNATSTARTUP] [/D=C:\folder]
;              "C:\Program Files\Taruk\uninstall.exe" /S
; /RUNATSTARTUP selects the "Run at startup" component, which is otherwise off.
;
; One folder, as `cmake --install` lays out the Windows build: taruk.exe with
; alarm.wav beside it (where the sound action looks), and the demo drives in
; demo\ beside them (where the window looks when no drive can be read).

Unicode true
; taruk.exe is 64-bit only, and a 64-bit installer writes the registry's
; 64-bit view and runs under a Wine without its 32-bit half.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin
; A file that can't be written stops the install (Retry or Cancel, exit code 2
; when silent): skipping it would leave the old program under the new version.
AllowSkipFiles off
FileErrorText "Can't write $0.$\r$\nClick Retry to try again, or Cancel to stop." \
              "Can't write $0.$\r$\nClick Retry to try again, or Cancel to stop."

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

!define PRODUCT "Taruk"
!define DEMO_DIR "demo"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Taruk"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; An update goes where the installed copy is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION4}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey "CompanyName" "Taruk developers"
VIAddVersionKey "LegalCopyright" "Taruk developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A running taruk.exe can be neither replaced nor deleted. Ask for it to be
; ended before anything is changed; silent, give up with exit code 2.
!macro EnsureNotRunning un
  Function ${un}EnsureNotRunning
    retry:
    IfFileExists "$INSTDIR\taruk.exe" 0 done
    ClearErrors
    FileOpen $0 "$INSTDIR\taruk.exe" a
    IfErrors running
    FileClose $0
    Goto done
    running:
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "${PRODUCT} is running from $INSTDIR.$\r$\nEnd it with Exit in its notification-area menu, then click Retry." \
        /SD IDCANCEL IDRETRY retry
    SetErrorLevel 2
    Abort "${PRODUCT} is running: nothing was changed."
    done:
  FunctionEnd
!macroend
!insertmacro EnsureNotRunning ""
!insertmacro EnsureNotRunning "un."

Section "${PRODUCT}" SecProgram
  SectionIn RO
  Call EnsureNotRunning
  SetOutPath "$INSTDIR"
  File "/oname=taruk.exe" "${EXE}"
  File "/oname=alarm.wav" "${WAV}"
  File "/oname=taruk.ico" "${ICON}"
  SetOutPath "$INSTDIR\${DEMO_DIR}"
  File "${DEMO}\drive0.capture"
  File "${DEMO}\drive1.capture"
  File "${DEMO}\drive2.capture"
  File "${DEMO}\drive3.capture"
  File "${DEMO}\volumes"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\taruk.exe" "" "$INSTDIR\taruk.ico" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Taruk developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\taruk.ico"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Off unless chosen: starting at log-on is the user's decision, which the
; Options dialog also makes later; an install without it leaves a value that
; is there alone. Quoted, because the path holds a space and an unquoted one
; would first be tried as "C:\Program.exe".
Section /o "Run at startup" SecRunAtStartup
  WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\taruk.exe"'
SectionEnd

Function .onInit
  SetShellVarContext all
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/RUNATSTARTUP" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecRunAtStartup}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "Uninstall"
  Call un.EnsureNotRunning
  ; The Run value goes only when it starts this copy: quoted as the installer
  ; writes it, or bare as the Options dialog does. Another copy's stays.
  ReadRegStr $0 HKLM "${RUN_KEY}" "${PRODUCT}"
  ${If} $0 == '"$INSTDIR\taruk.exe"'
  ${OrIf} $0 == "$INSTDIR\taruk.exe"
    DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  ${EndIf}

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  ; File by file: the folder may have been chosen with other files in it.
  Delete "$INSTDIR\taruk.exe"
  Delete "$INSTDIR\alarm.wav"
  Delete "$INSTDIR\taruk.ico"
  Delete "$INSTDIR\${DEMO_DIR}\drive0.capture"
  Delete "$INSTDIR\${DEMO_DIR}\drive1.capture"
  Delete "$INSTDIR\${DEMO_DIR}\drive2.capture"
  Delete "$INSTDIR\${DEMO_DIR}\drive3.capture"
  Delete "$INSTDIR\${DEMO_DIR}\volumes"
  RMDir "$INSTDIR\${DEMO_DIR}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
