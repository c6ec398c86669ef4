; The Windows installer of Ironwood and StarfraySSConfig.
;
; makensis -NOCD, run in the staged installation (the files `cmake --install` gives), with
;   IRONWOOD_VERSION   "2.60"
;   IRONWOOD_ARCH      x64 or x86: the build the stage holds
;   IRONWOOD_LISTS     the macros installer-lists.cmake wrote for that stage
;   IRONWOOD_OUTFILE   where the installer goes
;
; What it does: the installation folder under Program Files (the configuration program and every
; generated file the saver reads), Ironwood.scr in the system folder, where the Screen Saver
; settings list it, the settings key's WorkingDirectory and defaults, and an uninstaller listed
; under Apps and Features that takes all of it away again. /S installs and uninstalls silently;
; /D=<folder> (last on the command line) picks the folder.

Unicode true
SetCompressor /SOLID lzma

!include "LogicLib.nsh"
!include "x64.nsh"
!include "MUI2.nsh"

!ifndef IRONWOOD_VERSION | IRONWOOD_ARCH | IRONWOOD_LISTS | IRONWOOD_OUTFILE
  !error "IRONWOOD_VERSION, IRONWOOD_ARCH, IRONWOOD_LISTS and IRONWOOD_OUTFILE must be defined"
!endif

; The saver reads this key in the registry's 32-bit view, which is the view this (32-bit)
; installer writes by default.
!define IRONWOOD_SETTINGS_KEY "software\Quillon\Starfray ScreenSaver\2.60"
!define IRONWOOD_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ironwood"
!define IRONWOOD_SAVER "Ironwood.scr"

!include "${IRONWOOD_LISTS}"

Name "Ironwood ${IRONWOOD_VERSION}"
OutFile "${IRONWOOD_OUTFILE}"
RequestExecutionLevel admin
!if ${IRONWOOD_ARCH} == x64
  InstallDir "$PROGRAMFILES64\Ironwood"
!else
  InstallDir "$PROGRAMFILES\Ironwood"
!endif
BrandingText "Ironwood ${IRONWOOD_VERSION}"

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Open the screen saver settings"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenScreenSaverSettings
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A default value from DefaultSettings.reg, written only where the key has none: installing
; again (a repair, a newer build) keeps what the user chose in the configuration program.
!macro IronwoodDefault NAME VALUE
  ClearErrors
  ReadRegStr $0 HKLM "${IRONWOOD_SETTINGS_KEY}" "${NAME}"
  ${If} ${Errors}
    WriteRegStr HKLM "${IRONWOOD_SETTINGS_KEY}" "${NAME}" "${VALUE}"
  ${EndIf}
!macroend

; The system folder of the running Windows itself, not the 32-bit stand-in a 32-bit program sees.
!macro SystemFolderBegin
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
  ${EndIf}
!macroend
!macro SystemFolderEnd
  ${If} ${RunningX64}
    ${EnableX64FSRedirection}
  ${EndIf}
!macroend

Function .onInit
!if ${IRONWOOD_ARCH} == x64
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "This build of Ironwood needs a 64-bit Windows." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
!endif
FunctionEnd

Function OpenScreenSaverSettings
  ExecShell "" "control.exe" "desk.cpl,,@screensaver"
FunctionEnd

Section "Ironwood"
  SetOverwrite on
  !insertmacro IronwoodInstallFiles

  !insertmacro SystemFolderBegin
  SetOutPath "$SYSDIR"
  File "${IRONWOOD_SAVER}"
  !insertmacro SystemFolderEnd
  SetOutPath "$INSTDIR"

  ; The saver names every file it reads by appending to this text, so it ends with a backslash.
  WriteRegStr HKLM "${IRONWOOD_SETTINGS_KEY}" "WorkingDirectory" "$INSTDIR\"
  !insertmacro IronwoodWriteDefaults

  WriteUninstaller "$INSTDIR\Uninstall.exe"
!if ${IRONWOOD_ARCH} == x64
  SetRegView 64
!endif
  WriteRegStr HKLM "${IRONWOOD_UNINSTALL_KEY}" "DisplayName" "Ironwood screen saver"
  WriteRegStr HKLM "${IRONWOOD_UNINSTALL_KEY}" "DisplayVersion" "${IRONWOOD_VERSION}"
  WriteRegStr HKLM "${IRONWOOD_UNINSTALL_KEY}" "Publisher" "Quillon"
  WriteRegStr HKLM "${IRONWOOD_UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${IRONWOOD_UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\StarfraySSConfig.exe"
  WriteRegStr HKLM "${IRONWOOD_UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${IRONWOOD_UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${IRONWOOD_UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${IRONWOOD_UNINSTALL_KEY}" "NoRepair" 1
  SetRegView 32
SectionEnd

Section "Uninstall"
  !insertmacro IronwoodRemoveFiles
  ; What the saver itself leaves: the log of its last run. Screenshots and scenario files the
  ; user made stay, and with them the folders that hold them.
  Delete "$INSTDIR\SYlog.log"
  RMDir "$INSTDIR\ScreenShots"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  !insertmacro SystemFolderBegin
  Delete /REBOOTOK "$SYSDIR\${IRONWOOD_SAVER}"
  !insertmacro SystemFolderEnd

  ; The values this installer wrote; whatever else the configuration program stored stays, and
  ; the key (and the publisher's key above it) goes only once it is empty.
  DeleteRegValue HKLM "${IRONWOOD_SETTINGS_KEY}" "WorkingDirectory"
  !insertmacro IronwoodRemoveDefaults
  DeleteRegKey /ifempty HKLM "${IRONWOOD_SETTINGS_KEY}"
  DeleteRegKey /ifempty HKLM "software\Quillon\Starfray ScreenSaver"
  DeleteRegKey /ifempty HKLM "software\Quillon"

!if ${IRONWOOD_ARCH} == x64
  SetRegView 64
!endif
  DeleteRegKey HKLM "${IRONWOOD_UNINSTALL_KEY}"
  SetRegView 32
SectionEnd
