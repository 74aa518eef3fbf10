; The Windows installer: a per-user install that needs no administrator,
; with the program, its shipped __app and app.cfg side by side, a Start-menu
; shortcut and an uninstaller. The customer's data folder
; ($LOCALAPPDATA\Marlevo) belongs to the program's first-run setup and is
; never touched here. /S installs (and uninstalls) silently.
;   makensis [-DBUILD_DIR=DIR] [-DOUTFILE=FILE] data/windows/zovaz.nsi
; BUILD_DIR holds zovaz.exe, app.cfg and __app (default: build-windows).

; The program is 64-bit only, and so is its installer (wine64 runs it too).
Target amd64-unicode
SetCompressor /SOLID lzma

; makensis works in the script's own folder: relative paths start here.
!ifndef BUILD_DIR
  !define BUILD_DIR "../../build-windows"
!endif
!ifndef OUTFILE
  !define OUTFILE "${BUILD_DIR}/zovaz-setup.exe"
!endif
!define PRODUCT "Z-ovaz"
!define PUBLISHER "Marlevo, spol. s r.o."
!define VERSION "1.0.0.2"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\cz.marlevo.Zovaz"

; The lists of what is installed come from the build folder itself, so the
; uninstaller knows every file it may remove and nothing else.
!tempfile FILE_LISTS
!system 'bash ./installer-files "${BUILD_DIR}" "${FILE_LISTS}"' = 0
!include "${FILE_LISTS}"
!delfile "${FILE_LISTS}"

!include "MUI2.nsh"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
RequestExecutionLevel user
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} - instalace"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

!define MUI_FINISHPAGE_RUN "$INSTDIR\zovaz.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Czech"
!insertmacro MUI_LANGUAGE "English"

Section "Install"
  SetShellVarContext current
  !insertmacro InstallShippedFiles
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\zovaz.exe"

  ; Listed under the user's own installed programs, removable from there.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zovaz.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  !insertmacro RemoveShippedFiles
  Delete "$INSTDIR\uninstall.exe"
  ; Not /r: anything the customer put into the program folder stays, and
  ; with it the folder.
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
