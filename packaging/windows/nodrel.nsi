; Nodrel's installer, built with makensis by scripts/windows-release.sh:
;   makensis -DVERSION=5.5 -DSTAGE=<unpacked release> -DOUTFILE=<installer.exe> nodrel.nsi
; The program keeps its settings (Data\) and log (Log\) in its own folder, so the default
; folder is one the user can write to: the user's local application data.
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

; Off by default: started at log-on, minimised to the notification area.
Section /o "Start with Windows (in the notification area)" SecStartup
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMSTARTUP\Nodrel.lnk" "$INSTDIR\nodrel.exe" "" "" 0 SW_SHOWMINIMIZED
  WriteINIStr "$INSTDIR\Data\Nodrel4.ini" "Run" "StartMin" "2"
SectionEnd

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
