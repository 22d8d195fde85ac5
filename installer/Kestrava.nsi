; Kestrava's per-user installer.
;
; Built by the CMake target `installer` (tools/build-installer.sh), which passes:
;   BIN_DIR    the build's bin folder (program, libraries, font files, icons)
;   SOURCE_DIR this folder (Pellanor.ini)
;   ICONS_NSH  a generated include listing the icon files found in BIN_DIR
;   OUT_FILE   where the installer is written
;
; Kestrava-setup.exe [/S] [/LOGON] [/D=folder]
;   /S      silent; /LOGON selects "Start at log-on" (needed when silent);
;   /D=     the install folder, instead of %LOCALAPPDATA%\Programs\Kestrava (last, unquoted).
;
; The uninstaller removes the files it installed, one by one, and the folder
; only when nothing else is left in it: files the user put there stay.

Unicode true
; The program is 64-bit, so the installer is too (and runs where the program runs).
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"
!include "WinMessages.nsh"
!include "${ICONS_NSH}"

!define PRODUCT "Kestrava"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrava"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; The program's main window and its tray menu's Exit command.
!define MAIN_WINDOW_CLASS "MainWndClass"
!define EXIT_COMMAND 40001

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\Kestrava"
ShowInstDetails show
ShowUninstDetails show
!ifdef PROGRAM_ICON
Icon "${BIN_DIR}/${PROGRAM_ICON}"
UninstallIcon "${BIN_DIR}/${PROGRAM_ICON}"
!endif

Page components
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; A running copy holds its files open; it is asked to exit as from its tray
; menu (it detaches from Skype first) and given a few seconds to do so.
!macro CLOSE_RUNNING_PROGRAM prefix
Function ${prefix}CloseRunningProgram
  Push $0
  Push $1
  StrCpy $1 0
  ${Do}
    FindWindow $0 "${MAIN_WINDOW_CLASS}"
    ${If} $0 = 0
    ${OrIf} $1 >= 100
      ${Break}
    ${EndIf}
    ${If} $1 = 0
      SendMessage $0 ${WM_COMMAND} ${EXIT_COMMAND} 0 /TIMEOUT=5000
    ${EndIf}
    Sleep 100
    IntOp $1 $1 + 1
  ${Loop}
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING_PROGRAM ""
!insertmacro CLOSE_RUNNING_PROGRAM "un."

Section "Kestrava" SecProgram
  SectionIn RO
  Call CloseRunningProgram
  SetOutPath "$INSTDIR"
  File "${BIN_DIR}/Kestrava.exe"
  File "${BIN_DIR}/Ondrel.dll"
  File "${BIN_DIR}/Glyvar.dll"
  File "${BIN_DIR}/TIF0.bin"
  File "${BIN_DIR}/TIF6.bin"
  File "${BIN_DIR}/TIF2.bin"
  File "${BIN_DIR}/TCF0.bin"
  File "${BIN_DIR}/TCF6.bin"
  File "${BIN_DIR}/TCF2.bin"
  File "${BIN_DIR}/TI0Inv.bin"
  File "${BIN_DIR}/TI6Inv.bin"
  File "${BIN_DIR}/TI2Inv.bin"
  !insertmacro INSTALL_ICONS
  ; Installing again (an update) keeps the settings the user has edited.
  SetOverwrite off
  File "${SOURCE_DIR}/Pellanor.ini"
  SetOverwrite on

  WriteUninstaller "$INSTDIR\Uninstall.exe"
!ifdef PROGRAM_ICON
  CreateShortCut "$SMPROGRAMS\Kestrava.lnk" "$INSTDIR\Kestrava.exe" "" "$INSTDIR\${PROGRAM_ICON}"
!else
  CreateShortCut "$SMPROGRAMS\Kestrava.lnk" "$INSTDIR\Kestrava.exe"
!endif

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Kestrava.exe"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section /o "Start at log-on" SecLogon
  WriteRegStr HKCU "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\Kestrava.exe"'
SectionEnd

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/LOGON" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecLogon}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Call un.CloseRunningProgram
  Delete "$INSTDIR\Kestrava.exe"
  Delete "$INSTDIR\Ondrel.dll"
  Delete "$INSTDIR\Glyvar.dll"
  Delete "$INSTDIR\TIF0.bin"
  Delete "$INSTDIR\TIF6.bin"
  Delete "$INSTDIR\TIF2.bin"
  Delete "$INSTDIR\TCF0.bin"
  Delete "$INSTDIR\TCF6.bin"
  Delete "$INSTDIR\TCF2.bin"
  Delete "$INSTDIR\TI0Inv.bin"
  Delete "$INSTDIR\TI6Inv.bin"
  Delete "$INSTDIR\TI2Inv.bin"
  !insertmacro UNINSTALL_ICONS
  Delete "$INSTDIR\Pellanor.ini"
  Delete "$INSTDIR\Uninstall.exe"
  ; Not /r: the folder goes only when it is empty.
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\Kestrava.lnk"
  ; Only the value this installer wrote, and only when it still starts this copy.
  ReadRegStr $0 HKCU "${RUN_KEY}" "${PRODUCT}"
  ${If} $0 == '"$INSTDIR\Kestrava.exe"'
    DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  ${EndIf}
  ; Last: a caller waiting for the uninstall can watch this key go.
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
