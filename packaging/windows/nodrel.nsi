; Nodrel's installer, built with makensis by scripts/windows-release.sh:
;   makensis -DVERSION=<version> -DSTAGE=<unpacked release> -DOUTFILE=<installer.exe> nodrel.nsi
; The program keeps its settings (Data\) and log (Log\) in its own folder, so the default
; folder is one the user can write to: the user's local application data.
;   Silently: setup.exe /S [/STARTUP] [/D=folder]; /STARTUP selects "Start with Windows".
Unicode true
; A 64-bit installer for a 64-bit program (and for Wine without its 32-bit half).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

Name "Nodrel ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Nodrel"
InstallDirRegKey HKCU "Software\Nodrel" "InstallDir"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Nodrel"

!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"

!define CLOSE_NODREL "Nodrel is running. Close it first (Exit in its window, Ctrl+C in nodreld.exe's console), then choose Retry."

; 1 when the folder already had a settings file, which the installation keeps as it is.
Var KeptSettings

; A running Nodrel holds the mutex Global\Nodrel (a copy of an earlier release: Nodrel, in
; the session's namespace). Going ahead would fail on its locked program file when
; upgrading, or leave it behind when uninstalling: the user closes it first. Silently the
; set-up ends with exit code 2.
!macro CloseNodrelFirst
  retry:
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Global\Nodrel") p.r0'
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Nodrel") p.r1'
    System::Call 'kernel32::CloseHandle(p r0)'
    System::Call 'kernel32::CloseHandle(p r1)'
    StrCmp $0 0 0 running
    StrCmp $1 0 free running
  running:
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${CLOSE_NODREL}" /SD IDCANCEL IDRETRY retry
    SetErrorLevel 2
    Quit
  free:
!macroend

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "Nodrel"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Nodrel installer"
VIAddVersionKey "LegalCopyright" "Nodrel"

Page directory
Page components
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Nodrel" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}\nodrel.exe"
  File "${STAGE}\nodreld.exe"
  File "${STAGE}\README.txt"
  ; An earlier installation's settings stay as they are.
  StrCpy $KeptSettings 0
  IfFileExists "$INSTDIR\Data\Nodrel4.ini" 0 +2
    StrCpy $KeptSettings 1
  SetOverwrite off
  SetOutPath "$INSTDIR\Data"
  File "${STAGE}\Data\Nodrel4.ini"
  SetOverwrite on
  CreateDirectory "$INSTDIR\Log"
  ; The shortcut's working folder is the current output folder: the program's own.
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\Nodrel.lnk" "$INSTDIR\nodrel.exe"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKCU "Software\Nodrel" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Nodrel"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Off by default: started at log-on. A new settings file starts it in the notification
; area (StartMin=2); a kept one keeps the user's choice.
Section /o "Start with Windows (in the notification area)" SecStartup
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMSTARTUP\Nodrel.lnk" "$INSTDIR\nodrel.exe"
  StrCmp $KeptSettings 1 +2
    WriteINIStr "$INSTDIR\Data\Nodrel4.ini" "Run" "StartMin" "2"
SectionEnd

Function .onInit
  !insertmacro CloseNodrelFirst
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/STARTUP" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecStartup}
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro CloseNodrelFirst
FunctionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\Nodrel.lnk"
  Delete "$SMSTARTUP\Nodrel.lnk"
  Delete "$INSTDIR\nodrel.exe"
  Delete "$INSTDIR\nodreld.exe"
  Delete "$INSTDIR\README.txt"
  ; Silently (/S) the settings and the log stay.
  MessageBox MB_YESNO|MB_ICONQUESTION "Delete Nodrel's settings and log as well?" /SD IDNO IDNO keep
    RMDir /r "$INSTDIR\Data"
    RMDir /r "$INSTDIR\Log"
  keep:
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\Nodrel"
SectionEnd
