; The Windows setup of KVQ data transfer: installs for the current user, without administrator
; rights, into %LOCALAPPDATA%\Programs\KVQ Transfer with the program's own layout (bin\, Help\,
; Data\, translations\), so that Data\ beside bin\ is writable, as the program's folder rule
; wants. Made by packaging/windows/make-dist.sh:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.0 -DVERSION4=1.0.0.0 -DSOURCE=DIR -DICON=FILE
;            -DOUTFILE=FILE kvq-transfer.nsi
; An installation over an older one replaces the program and keeps Data\; the uninstaller
; removes everything else and keeps every file the user saved in Data\.
; A 64-bit setup for a 64-bit program: it runs where the program runs, and under a Wine
; without its 32-bit half.
Target amd64-unicode
!include "MUI2.nsh"

!define APP_NAME "KVQ与计算机数据传输"
!define PUBLISHER "KVQ data transfer developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KVQ Transfer"
!define SHORTCUT "$SMPROGRAMS\${APP_NAME}.lnk"
!define PROGRAM "$INSTDIR\bin\kvq-transfer.exe"

Name "${APP_NAME}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\KVQ Transfer"
; An upgrade goes where the previous version is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel user
SetCompressor /SOLID lzma
ManifestDPIAware true

VIProductVersion "${VERSION4}"
VIAddVersionKey /LANG=2052 "ProductName" "KVQ data transfer"
VIAddVersionKey /LANG=2052 "FileDescription" "KVQ data transfer setup"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "Copyright 2026 ${PUBLISHER}; GPL-3.0-or-later"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
; The GPL asks no one to accept it to use the program: the page informs, it does not bind.
!define MUI_LICENSEPAGE_TEXT_BOTTOM "本程序是自由软件，按 GNU 通用公共许可证第 3 版（或更新的版本）发布，使用它无须接受任何条款。单击“下一步”继续。"
!define MUI_LICENSEPAGE_BUTTON "下一步(&N) >"
!define MUI_FINISHPAGE_RUN "${PROGRAM}"
!insertmacro MUI_PAGE_LICENSE "${SOURCE}\LICENSE.txt"
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; The program's own files: what an upgrade replaces and the uninstaller removes.
!macro RemoveProgramFiles
    RMDir /r "$INSTDIR\bin"
    RMDir /r "$INSTDIR\Help"
    RMDir /r "$INSTDIR\translations"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\THIRD-PARTY-NOTICES.txt"
!macroend

Section "Install"
    SetShellVarContext current
    ; Files an older version had and this one has not must not stay behind.
    !insertmacro RemoveProgramFiles
    SetOutPath "$INSTDIR\bin"
    File "${SOURCE}\bin\*.exe"
    SetOutPath "$INSTDIR\Help"
    File "${SOURCE}\Help\*"
    SetOutPath "$INSTDIR\translations"
    File "${SOURCE}\translations\*"
    SetOutPath "$INSTDIR"
    File "${SOURCE}\LICENSE.txt"
    File "${SOURCE}\THIRD-PARTY-NOTICES.txt"
    ; The save dialog starts here; what is in it belongs to the user.
    CreateDirectory "$INSTDIR\Data"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "${SHORTCUT}" "${PROGRAM}" "" "${PROGRAM}" 0

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP_NAME}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "${PROGRAM},0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    Delete "${SHORTCUT}"
    !insertmacro RemoveProgramFiles
    Delete "$INSTDIR\uninstall.exe"
    ; Only empty folders go: the files saved in Data\ stay, and so does the folder around them.
    RMDir "$INSTDIR\Data"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
