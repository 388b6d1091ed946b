; The Windows installer: vantrel.exe and the catalogs under Program Files\Quillane\Vantrel,
; the installation folder in the registry (where the program looks for its catalogs), a
; Start-menu shortcut, an entry under Apps & features, and an uninstaller removing all of it.
; Built by packaging/windows/CMakeLists.txt with makensis, which defines:
;   VANTREL_VERSION  "1.2.0"          VANTREL_EXE       path of vantrel.exe
;   VANTREL_MESSAGES folder of *.lcl  VANTREL_ICON      the program's .ico
;   VANTREL_OUTFILE  the installer to write
; /S installs and uninstalls silently.

; A 64-bit installer for a 64-bit program (and for Wine prefixes without 32-bit support).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "LogicLib.nsh"
!include "x64.nsh"

!define KEY "Software\Quillane\Vantrel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrel"

Name "Vantrel"
OutFile "${VANTREL_OUTFILE}"
Icon "${VANTREL_ICON}"
UninstallIcon "${VANTREL_ICON}"
InstallDir "$PROGRAMFILES64\Quillane\Vantrel"
InstallDirRegKey HKLM "${KEY}" "InstallPath"
VIProductVersion "${VANTREL_VERSION}.0"
VIAddVersionKey "ProductName" "Vantrel"
VIAddVersionKey "CompanyName" "Quillane"
VIAddVersionKey "FileDescription" "Vantrel installer"
VIAddVersionKey "FileVersion" "${VANTREL_VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 Quillane"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The 64-bit registry view and Program Files folder, stated rather than assumed.
Function .onInit
    SetRegView 64
    ${If} $INSTDIR == "$PROGRAMFILES\Quillane\Vantrel"
        StrCpy $INSTDIR "$PROGRAMFILES64\Quillane\Vantrel"
    ${EndIf}
FunctionEnd

Function un.onInit
    SetRegView 64
FunctionEnd

Section "Vantrel"
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    File "/oname=vantrel.exe" "${VANTREL_EXE}"
    SetOutPath "$INSTDIR\Messages"
    File "${VANTREL_MESSAGES}\*.lcl"
    SetOutPath "$INSTDIR"

    WriteRegStr HKLM "${KEY}" "InstallPath" "$INSTDIR"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Vantrel.lnk" "$INSTDIR\vantrel.exe" "" "$INSTDIR\vantrel.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Vantrel"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VANTREL_VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Quillane"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vantrel.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    Delete "$SMPROGRAMS\Vantrel.lnk"
    Delete "$INSTDIR\Messages\*.lcl"
    RMDir "$INSTDIR\Messages"
    Delete "$INSTDIR\vantrel.exe"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    ; The publisher's folder and key go too when nothing else of Quillane is left in them.
    RMDir "$INSTDIR\.."
    DeleteRegKey HKLM "${KEY}"
    DeleteRegKey /ifempty HKLM "Software\Quillane"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
