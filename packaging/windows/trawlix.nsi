; The Trawlix installer for 64-bit Windows. scripts/package-windows makes it:
;   makensis -DVERSION=0.1.0 -DSTAGE=<folder of the files> -DOUTFILE=<installer> trawlix.nsi
; Installed silently with /S (and /D=<folder> for another folder than Program Files).
; A 64-bit installer, as the programs are: it needs no 32-bit Windows layer (nor 32-bit Wine).
Target amd64-unicode
SetCompressor /SOLID lzma

Name "Trawlix ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Trawlix"
RequestExecutionLevel admin
Icon "${STAGE}\trawlix.ico"
UninstallIcon "${STAGE}\trawlix.ico"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Trawlix"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
    SetRegView 64
FunctionEnd

Section "Trawlix"
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Trawlix.lnk" "$INSTDIR\trawlix.exe" "" "$INSTDIR\trawlix.exe" 0
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Trawlix"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Korvane"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\trawlix.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
    SetRegView 64
FunctionEnd

; The settings (%APPDATA%\Korvane.ini) and the transfer files are the user's and stay.
Section "Uninstall"
    SetShellVarContext all
    Delete "$SMPROGRAMS\Trawlix.lnk"
    RMDir /r "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
