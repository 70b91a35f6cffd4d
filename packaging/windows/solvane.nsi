; Per-user installer for Solvane, built by scripts/windows/package.sh:
;   makensis -DSTAGE=dir -DVERSION=x.y -DOUTFILE=setup.exe -DICON=solvane.ico
;            -DUNINSTALL_LIST=file.nsh solvane.nsi
; UNINSTALL_LIST holds the Delete/RMDir lines for the files of STAGE, so that the
; uninstaller removes only what was installed, wherever the user chose to install.
; No administrator rights: everything goes under the user's profile and HKCU.

Unicode true
; The programs are 64-bit; a 64-bit installer also needs no 32-bit Windows layer.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include "MUI2.nsh"

!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Solvane"

Name "Solvane ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Solvane"
; An upgrade goes where the previous version is.
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\solvane.exe"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Solvane" SecMain
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Solvane.lnk" "$INSTDIR\solvane.exe" "" "$INSTDIR\solvane.ico"

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "Solvane"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\solvane.ico"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "Solvane developers"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
  SectionGetSize ${SecMain} $0
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

; Leaves the user's data alone on purpose: the recording library under
; %LOCALAPPDATA%\solvane and the settings under %APPDATA%\solvane outlive the program,
; so that a reinstall or upgrade finds them again.
Section "Uninstall"
  !include "${UNINSTALL_LIST}"
  Delete "$INSTDIR\Uninstall.exe"
  ; Not /r: anything the user put in the folder stays, and the folder with it.
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Solvane.lnk"
  DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
