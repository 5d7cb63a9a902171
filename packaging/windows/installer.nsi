; Quilbrand's Windows installer, built by makensis on Linux (the "installer"
; target of the Windows build). The build defines:
;   VERSION  the project's version, e.g. 2.0.0
;   STAGE    the folder holding the files to install (the portable zip's)
;   OUTFILE  the installer to write
;   ICON     the tracker's icon, for the installer and the uninstaller
;   LICENCE  the text of the licence page
; The 68-point landmark model is installed when the stage has it.
;
; It installs for the current user only, without administrator rights, in
; the user's own programs folder: the tracker writes "options.cfg" in its
; current folder, so that folder must be the user's to write. Every
; shortcut starts in the installation folder, where the tracker also looks
; for "plakette2.exe" and "manual.pdf". A person who cannot use the hands
; cannot start the tracker, so starting it at log-on is on by default.

; A 64-bit installer, like the programs it installs (Windows 10 and 11 are
; 64-bit, and so is the Wine that tests it).
Target amd64-unicode
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WinMessages.nsh"

!define PRODUCT "Quilbrand"
!define PUBLISHER "Quilbrand team"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quilbrand"
!define STATE_KEY "Software\Quilbrand"
!define MENU_FOLDER "$SMPROGRAMS\Quilbrand"
!define LOGON_SHORTCUT "$SMSTARTUP\Quilbrand2.lnk"
; How long the programs get to close when asked, in tenths of a second.
!define CLOSE_PATIENCE 100
; A new user (no "options.cfg" in the folder yet) starts with precise
; tracking: the default table and a sixteenth value of 1. Set to 0, the
; program's own default, classic tracking, applies.
!define NEW_USERS_START_PRECISE 1
!define NEW_USER_OPTIONS "1 0 0 0 1 0 0 1 0 0 1 0 1 0 0 1"
!define FULL_MODEL "shape_predictor_68_face_landmarks.dat"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Quilbrand"
InstallDirRegKey HKCU "${STATE_KEY}" "InstallDir"
SetCompressor /SOLID lzma
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2007-2026 the Quilbrand team"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(RunNow)"
!define MUI_FINISHPAGE_RUN_FUNCTION RunTracker
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\$(ManualFile)"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "$(OpenManual)"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_LICENSE "${LICENCE}"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; Spanish, the language of the program's messages, unless Windows speaks
; English; no language question.
!insertmacro MUI_LANGUAGE "Spanish"
!insertmacro MUI_LANGUAGE "English"

LangString LogonSection ${LANG_SPANISH} "Iniciar Quilbrand2 al entrar en Windows"
LangString LogonSection ${LANG_ENGLISH} "Start Quilbrand2 when I log on"
LangString RunNow ${LANG_SPANISH} "Iniciar Quilbrand2 ahora"
LangString RunNow ${LANG_ENGLISH} "Start Quilbrand2 now"
LangString OpenManual ${LANG_SPANISH} "Abrir el manual"
LangString OpenManual ${LANG_ENGLISH} "Open the manual"
LangString ManualFile ${LANG_SPANISH} "manual.pdf"
LangString ManualFile ${LANG_ENGLISH} "manual-en.pdf"
LangString KeepOptions ${LANG_SPANISH} "¿Conservar las opciones de Quilbrand (options.cfg) para una instalación futura?"
LangString KeepOptions ${LANG_ENGLISH} "Keep Quilbrand's options (options.cfg) for a later installation?"
LangString StillRunning ${LANG_SPANISH} "Quilbrand sigue abierto. Ciérrelo (menú del icono, Exit) y pulse Reintentar."
LangString StillRunning ${LANG_ENGLISH} "Quilbrand is still open. Close it (the icon's menu, Exit) and press Retry."

; The installed files, each named once for the installer and once for the
; uninstaller.
!macro QuilFiles action
  !insertmacro ${action} "Quilbrand2.exe"
  !insertmacro ${action} "Lensory.exe"
  !insertmacro ${action} "plakette2.exe"
  !insertmacro ${action} "spanish.words"
  !insertmacro ${action} "shape_predictor_5_face_landmarks.dat"
  !insertmacro ${action} "manual.pdf"
  !insertmacro ${action} "manual-en.pdf"
  !insertmacro ${action} "LICENSE.txt"
  !insertmacro ${action} "licences\dlib.txt"
  !insertmacro ${action} "licences\landmark-model.txt"
  !insertmacro ${action} "licences\mingw-w64-runtime.txt"
  !insertmacro ${action} "licences\landmark-model-68.txt"
  !insertmacro ${action} "licences\spanish-word-list.txt"
!macroend
!macro PutFile name
  File "/oname=${name}" "${STAGE}\${name}"
!macroend
!macro RemoveFile name
  Delete "$INSTDIR\${name}"
!macroend

; Asks the tracker, the keyboard and the camera tool to close (the tracker's
; WM_CLOSE runs its usual teardown, which also closes the keyboard) and
; waits until their windows are gone, so that no file is in use.
!macro CloseRunning prefix
Function ${prefix}CloseRunning
  Push $0
  Push $1
  StrCpy $1 0
  loop:
    FindWindow $0 "Quilbrand2"
    ${If} $0 == 0
      FindWindow $0 "Plakette2"
    ${EndIf}
    ${If} $0 == 0
      FindWindow $0 "Ostrevin2"
    ${EndIf}
    ${If} $0 != 0
      ${If} $1 >= ${CLOSE_PATIENCE}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(StillRunning)" /SD IDCANCEL IDRETRY retry
        Abort
        retry:
        StrCpy $1 0
      ${EndIf}
      SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=1000
      Sleep 100
      IntOp $1 $1 + 1
      Goto loop
    ${EndIf}
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro CloseRunning ""
!insertmacro CloseRunning "un."

Function RunTracker
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\Quilbrand2.exe"'
FunctionEnd

Section "Quilbrand" SecMain
  SectionIn RO
  Call CloseRunning
  SetOutPath "$INSTDIR"
  CreateDirectory "$INSTDIR\licences"
  ; An "options.cfg" already here is the user's: nothing installed has
  ; that name, so an installation over an older one keeps it.
  !insertmacro QuilFiles PutFile
  ; Optional: the precise engine works without it.
  !if /FileExists "${STAGE}\${FULL_MODEL}"
    !insertmacro PutFile "${FULL_MODEL}"
  !endif
  !if ${NEW_USERS_START_PRECISE} == 1
    ${IfNot} ${FileExists} "$INSTDIR\options.cfg"
      FileOpen $0 "$INSTDIR\options.cfg" w
      FileWrite $0 "${NEW_USER_OPTIONS}"
      FileClose $0
    ${EndIf}
  !endif
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; Shortcuts start in the folder SetOutPath last named: the installation.
  SetOutPath "$INSTDIR"
  CreateDirectory "${MENU_FOLDER}"
  CreateShortCut "${MENU_FOLDER}\Quilbrand2.lnk" "$INSTDIR\Quilbrand2.exe"
  CreateShortCut "${MENU_FOLDER}\Lensory.lnk" "$INSTDIR\Lensory.exe"
  CreateShortCut "${MENU_FOLDER}\Manual.lnk" "$INSTDIR\manual.pdf"
  CreateShortCut "${MENU_FOLDER}\Manual (English).lnk" "$INSTDIR\manual-en.pdf"
  ; The log-on section below puts it back when it is chosen.
  Delete "${LOGON_SHORTCUT}"

  WriteRegStr HKCU "${STATE_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quilbrand2.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "$(LogonSection)" SecLogon
  SetOutPath "$INSTDIR"
  CreateShortCut "${LOGON_SHORTCUT}" "$INSTDIR\Quilbrand2.exe"
SectionEnd

Section "Uninstall"
  Call un.CloseRunning
  !insertmacro QuilFiles RemoveFile
  !insertmacro RemoveFile "${FULL_MODEL}"
  RMDir "$INSTDIR\licences"
  ; The options are the user's own work: asked, and kept when silent.
  ${If} ${FileExists} "$INSTDIR\options.cfg"
    MessageBox MB_YESNO|MB_ICONQUESTION "$(KeepOptions)" /SD IDYES IDYES keep
    Delete "$INSTDIR\options.cfg"
    keep:
  ${EndIf}
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: a kept "options.cfg" keeps its folder.
  RMDir "$INSTDIR"

  Delete "${MENU_FOLDER}\Quilbrand2.lnk"
  Delete "${MENU_FOLDER}\Lensory.lnk"
  Delete "${MENU_FOLDER}\Manual.lnk"
  Delete "${MENU_FOLDER}\Manual (English).lnk"
  RMDir "${MENU_FOLDER}"
  Delete "${LOGON_SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "${STATE_KEY}"
SectionEnd
