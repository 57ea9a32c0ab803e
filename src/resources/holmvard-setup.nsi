; The setup of HOLMVARD, built by scripts/make-setup.sh with makensis, which
; defines VERSION, BUILD (the folder of the two executables), ROOT (the source
; tree), TASK_LINES (the logon task written as UTF-16 lines) and OUTFILE.
; 64-bit, as the program: a Wine without its 32-bit half runs it too.
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include x64.nsh

!define PRODUCT "HOLMVARD"
!define PUBLISHER "Tessmere"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\HOLMVARD"
!define SETTINGS_KEY "Software\Tessmere\HOLMVARD"
!define SOURCE_KEY "SYSTEM\CurrentControlSet\Services\EventLog\Application\HOLMVARD"
!define TASK_NAME "HOLMVARD"
!define IDM_CLOSE 1000

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\HOLMVARD"
BrandingText "${PRODUCT} ${VERSION}"

Var WasRunning

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\holmvard.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start HOLMVARD now"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Closes every running copy the way its tray menu's Close does, through the
; hidden command window, and waits up to ten seconds for it to go. Leaves 1 in
; $0 when one was running.
!macro CloseRunningProgram
    StrCpy $0 0
    StrCpy $2 0
    ${Do}
        FindWindow $1 "#32770" "HOLMVARD"
        ${If} $1 = 0
            ${Break}
        ${EndIf}
        StrCpy $0 1
        SendMessage $1 ${WM_COMMAND} ${IDM_CLOSE} 0 /TIMEOUT=2000
        Sleep 200
        IntOp $2 $2 + 1
    ${LoopUntil} $2 >= 50
    ; The window goes before the process lets go of its executable.
    ${If} $0 = 1
        Sleep 1000
    ${EndIf}
!macroend

Function .onInit
    ${If} ${RunningX64}
        SetRegView 64
    ${EndIf}
FunctionEnd

Function un.onInit
    ${If} ${RunningX64}
        SetRegView 64
    ${EndIf}
FunctionEnd

Section "HOLMVARD"
    !insertmacro CloseRunningProgram
    StrCpy $WasRunning $0

    SetOutPath "$INSTDIR"
    File "${BUILD}/holmvard.exe"
    File "${BUILD}/holmvard-drivecheck.exe"
    File "${ROOT}/README.md"

    ; The task's program is where this setup put it, so the definition is written here.
    FileOpen $0 "$INSTDIR\holmvard-task.xml" w
    FileWriteWord $0 0xFEFF
    !include "${TASK_LINES}"
    FileClose $0

    WriteUninstaller "$INSTDIR\uninstall.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\holmvard.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"

    ; The program registers the same on each start; here so that the source is
    ; there before its first start. 7: errors, warnings and information.
    WriteRegExpandStr HKLM "${SOURCE_KEY}" "EventMessageFile" "$INSTDIR\holmvard.exe"
    WriteRegDWORD HKLM "${SOURCE_KEY}" "TypesSupported" 7

    ; The Task Scheduler service may still be starting (setup run at boot by a
    ; deployment tool): a refused registration is tried a few more times.
    StrCpy $1 0
    ${Do}
        nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Create /TN "${TASK_NAME}" /XML "$INSTDIR\holmvard-task.xml" /F'
        Pop $0
        ${If} $0 == 0
        ${OrIf} $1 >= 3
            ${Break}
        ${EndIf}
        IntOp $1 $1 + 1
        Sleep 2000
    ${Loop}
    ${If} $0 != 0
        DetailPrint "The logon task could not be registered ($0)."
    ${EndIf}

    ; Interactive, the finish page offers the start; silent, an upgrade starts
    ; again only what it closed.
    ${If} ${Silent}
    ${AndIf} $WasRunning = 1
        Exec '"$INSTDIR\holmvard.exe"'
    ${EndIf}
SectionEnd

Section "Uninstall"
    !insertmacro CloseRunningProgram

    nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Delete /TN "${TASK_NAME}" /F'
    Pop $0
    DeleteRegKey HKLM "${SOURCE_KEY}"

    Delete "$INSTDIR\holmvard.exe"
    Delete "$INSTDIR\holmvard-drivecheck.exe"
    Delete "$INSTDIR\README.md"
    Delete "$INSTDIR\holmvard-task.xml"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"

    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
        "Remove the settings, the error log and the unsent alert mail too?" /SD IDNO IDNO keep
    DeleteRegKey HKLM "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKLM "Software\Tessmere"
    Delete "$INSTDIR\ErrorLog.txt"
    RMDir /r "$INSTDIR\Outbox"
keep:
    Delete "$INSTDIR\uninstall.exe"
    ; Only when empty: the kept log and outbox stay in it.
    RMDir "$INSTDIR"
SectionEnd
