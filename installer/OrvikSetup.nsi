; The setup program: puts the driver service, the settings program, the logon
; notification package and the click sounds into one folder, writes the
; installation's names and factory values, registers the notification
; package and the service, and starts the service. Its uninstaller undoes it.
;
;   OrvikSetup.exe                      the wizard
;   OrvikSetup.exe /S [/COMPORT=n] [/D=folder]
;                                       silent; the port defaults to the one
;                                       installed before, else the first serial
;                                       port of the system, else COM1
;   Uninstall.exe [/S] [/CLEAN]         /CLEAN also removes the settings (silent
;                                       otherwise keeps them)
;
; Exit codes: 0 done, 1 cancelled, 2 refused (unsupported Windows, no
; administrator, bad /COMPORT), 3 installed but the service did not start.
;
; Built by scripts/build: makensis -DROOT=<source tree> installer/OrvikSetup.nsi

!ifndef ROOT
  !error "Pass the source tree: makensis -DROOT=<folder> installer/OrvikSetup.nsi"
!endif

; The version and the names come from the programs' own header.
!searchparse /file "${ROOT}/common/version.h" "#define ORVIK_VERSION_MAJOR " VERSION_MAJOR
!searchparse /file "${ROOT}/common/version.h" "#define ORVIK_VERSION_MINOR " VERSION_MINOR
!searchparse /file "${ROOT}/common/version.h" "#define ORVIK_VERSION_PATCH " VERSION_PATCH
!searchparse /file "${ROOT}/common/version.h" '#define ORVIK_PRODUCT_NAME "' PRODUCT '"'
!searchparse /file "${ROOT}/common/version.h" '#define ORVIK_PUBLISHER "' PUBLISHER '"'
!define VERSION "${VERSION_MAJOR}.${VERSION_MINOR}.${VERSION_PATCH}"

; The release to package: dist/ by default. The setup checks on a machine
; that runs only 64-bit Wine package the 64-bit build with -DTARGET_AMD64.
!ifndef DIST
  !define DIST "${ROOT}/dist"
!endif
!ifdef TARGET_AMD64
  Target amd64-unicode
!endif
!define SERVICE "OrvikDriver"
!define COMPANY_KEY "SOFTWARE\Brevane_org"
!define APP_KEY "${COMPANY_KEY}\Application"
!define SETTINGS_KEY "${COMPANY_KEY}\ZelvoSoftware\2.1"
!define PORT_KEY "${SETTINGS_KEY}\ComPort\Session"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvik"
!define NOTIFY_KEY "Software\Microsoft\Windows NT\CurrentVersion\Winlogon\Notify\Orvikwatch"
!define SERIALCOMM_KEY "HARDWARE\DEVICEMAP\SERIALCOMM"
!define MENU_FOLDER "$SMPROGRAMS\${PRODUCT}"
!define SETTINGS_LINK "${MENU_FOLDER}\${PRODUCT} Settings.lnk"
!define UNINSTALL_LINK "${MENU_FOLDER}\Uninstall ${PRODUCT}.lnk"

Name "${PRODUCT}"
OutFile "${DIST}/OrvikSetup.exe"
InstallDir "$PROGRAMFILES\Orvik"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "OriginalFilename" "OrvikSetup.exe"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${PUBLISHER}"

!include MUI2.nsh
!include LogicLib.nsh
!include WinVer.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include "factory.nsh"

!define MUI_ICON "${ROOT}/driver/service/res/driver.ico"
!define MUI_UNICON "${ROOT}/driver/service/res/driver.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\OrvikSettings.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Open the ${PRODUCT} settings"
!define MUI_FINISHPAGE_RUN_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
Page custom PortPage PortPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var Port          ; the chosen COM port number
Var PortList      ; the port page's drop-down list

; ---------------------------------------------------------------- shared

; The files of an installation in the folder DIR; a file that Windows still
; holds (the logon process keeps the notification package loaded) goes at
; the next restart.
!macro RemoveInstalledFiles DIR
  Delete "${DIR}\OrvikDriver.exe"
  Delete "${DIR}\OrvikSettings.exe"
  Delete /REBOOTOK "${DIR}\Orvikwatch.dll"
  Delete "${DIR}\Media\*.wav"
  RMDir "${DIR}\Media"
  Delete "${DIR}\Uninstall.exe"
  RMDir "${DIR}"
!macroend

; Runs one verb of the driver (its console output goes to the details list).
!macro DriverVerb DRIVER VERB
  DetailPrint "${DRIVER} ${VERB}"
  nsExec::ExecToLog '"${DRIVER}" ${VERB}'
  Pop $R9
!macroend

; Waits up to 10 s until FILE can be written: a service process that has
; reported itself stopped may still be ending.
!macro WaitUntilWritable FILE
  ${If} ${FileExists} "${FILE}"
    ${For} $R8 1 20
      ClearErrors
      FileOpen $R9 "${FILE}" a
      ${IfNot} ${Errors}
        FileClose $R9
        ${Break}
      ${EndIf}
      Sleep 500
    ${Next}
  ${EndIf}
!macroend

; Sets VAR to the state of the service: 0 when it is not installed, else the
; service state (1 stopped, 2 start pending, 3 stop pending, 4 running).
!macro ServiceState VAR
  Push $0
  Push $1
  Push $2
  StrCpy $2 0
  System::Call 'advapi32::OpenSCManager(p 0, p 0, i 1) p .r0'
  ${If} $0 P<> 0
    System::Call 'advapi32::OpenService(p r0, t "${SERVICE}", i 4) p .r1'
    ${If} $1 P<> 0
      System::Call '*(i, i, i, i, i, i, i) p .R8'
      System::Call 'advapi32::QueryServiceStatus(p r1, p R8) i .R9'
      ${If} $R9 <> 0
        System::Call '*$R8(i, i .r2)'
      ${Else}
        StrCpy $2 1
      ${EndIf}
      System::Free $R8
      System::Call 'advapi32::CloseServiceHandle(p r1)'
    ${EndIf}
    System::Call 'advapi32::CloseServiceHandle(p r0)'
  ${EndIf}
  Exch $2
  Exch 2
  Pop $0
  Pop $1
  Pop ${VAR}
!macroend

; ---------------------------------------------------------------- checks

; The driver runs on Windows NT 5.0 and 5.1 only (it would otherwise stop at
; its first start with "Incompatible OS").
Function CheckWindows
  GetWinVer $0 Major
  GetWinVer $1 Minor
  ${IfNot} ${IsNT}
  ${OrIf} $0 <> 5
  ${OrIf} $1 > 1
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} works on Windows 2000 and Windows XP only; this is Windows $0.$1.$\r$\nSetup ends without changing anything." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "Setting up ${PRODUCT} installs a service: please run Setup as an administrator." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd

; Sets $0 to the number of a port name like "COM12", or to "" for another name.
Function PortNumberOfName
  Exch $0
  Push $1
  Push $2
  StrCpy $1 $0 3
  StrCpy $0 $0 "" 3
  IntOp $2 $0 + 0
  ${If} $1 != "COM"
  ${OrIf} "$2" != "$0"
  ${OrIf} $2 < 1
  ${OrIf} $2 > 255
    StrCpy $0 ""
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; The port a silent or first installation uses: /COMPORT, else the port of
; the installation before, else the lowest serial port of the system, else 1.
Function ChoosePort
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/COMPORT=" $1
  ${IfNot} ${Errors}
    Push "COM$1"
    Call PortNumberOfName
    Pop $Port
    ${If} $Port == ""
      MessageBox MB_OK|MB_ICONSTOP "/COMPORT needs a port number from 1 to 255, not $\"$1$\"." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    Return
  ${EndIf}
  ClearErrors
  ReadRegDWORD $Port HKLM "${PORT_KEY}" "Comport"
  ${If} ${Errors}
  ${OrIf} $Port < 1
  ${OrIf} $Port > 255
    StrCpy $Port 0
    StrCpy $3 0
    ${Do}
      EnumRegValue $4 HKLM "${SERIALCOMM_KEY}" $3
      ${If} $4 == ""
        ${Break}
      ${EndIf}
      ReadRegStr $4 HKLM "${SERIALCOMM_KEY}" $4
      Push $4
      Call PortNumberOfName
      Pop $4
      ${If} $4 != ""
        ${If} $Port == 0
        ${OrIf} $4 < $Port
          StrCpy $Port $4
        ${EndIf}
      ${EndIf}
      IntOp $3 $3 + 1
    ${Loop}
    ${If} $Port == 0
      StrCpy $Port 1
    ${EndIf}
  ${EndIf}
FunctionEnd

Function .onInit
  Call CheckWindows
  Call ChoosePort
FunctionEnd

; ---------------------------------------------------------------- port page

; Whether port $0 is among the system's serial ports or the current choice.
Function IsOfferedPort
  ${If} $0 == $Port
    Push 1
    Return
  ${EndIf}
  StrCpy $3 0
  ${Do}
    EnumRegValue $4 HKLM "${SERIALCOMM_KEY}" $3
    ${If} $4 == ""
      Push 0
      Return
    ${EndIf}
    ReadRegStr $4 HKLM "${SERIALCOMM_KEY}" $4
    ${If} $4 == "COM$0"
      Push 1
      Return
    ${EndIf}
    IntOp $3 $3 + 1
  ${Loop}
FunctionEnd

Function PortPage
  !insertmacro MUI_HEADER_TEXT "Device port" "Choose the COM port of the ${PRODUCT} device."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 40u "The device is connected to a serial port: a COM port of the computer, or the COM port that Windows gives the device once it is paired over Bluetooth. The list shows the serial ports of this computer; the Connection page of the ${PRODUCT} settings changes the port later."
  Pop $0
  ${NSD_CreateLabel} 0 50u 50u 12u "&COM port:"
  Pop $0
  ${NSD_CreateDropList} 54u 48u 70u 120u ""
  Pop $PortList
  ; In number order: COM2 before COM10.
  ${For} $0 1 255
    Call IsOfferedPort
    Pop $1
    ${If} $1 == 1
      ${NSD_CB_AddString} $PortList "COM$0"
    ${EndIf}
  ${Next}
  SendMessage $PortList ${CB_SELECTSTRING} -1 "STR:COM$Port"
  ${NSD_SetFocus} $PortList
  nsDialogs::Show
FunctionEnd

Function PortPageLeave
  ${NSD_GetText} $PortList $0
  Push $0
  Call PortNumberOfName
  Pop $0
  ${If} $0 == ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "Choose the COM port of the device."
    Abort
  ${EndIf}
  StrCpy $Port $0
FunctionEnd

; ---------------------------------------------------------------- install

; An installation before this one: its service is stopped and removed (through
; this version's driver, so that its files are free), and its files are
; removed when they were in another folder.
Function RemovePreviousInstallation
  !insertmacro ServiceState $0
  ${If} $0 <> 0
    InitPluginsDir
    File "/oname=$PLUGINSDIR\OrvikDriver.exe" "${DIST}\OrvikDriver.exe"
    !insertmacro DriverVerb "$PLUGINSDIR\OrvikDriver.exe" "-remove"
    Delete "$PLUGINSDIR\OrvikDriver.exe"
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    !insertmacro WaitUntilWritable "$0\OrvikDriver.exe"
  ${EndIf}
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
    DetailPrint "Removing the installation in $0"
    !insertmacro RemoveInstalledFiles $0
  ${EndIf}
FunctionEnd

Function WriteSettings
  WriteRegStr HKLM "${APP_KEY}" "" "${PRODUCT}"
  WriteRegStr HKLM "${APP_KEY}" "DeviceName" "${PRODUCT}"
  WriteRegStr HKLM "${APP_KEY}" "AppShort" "Orvik"
  WriteRegStr HKLM "${APP_KEY}" "DeviceNameShort" "Orvik"
  WriteRegStr HKLM "${APP_KEY}" "OS Version" "Windows 2000 and Windows XP"
  !insertmacro WriteFactoryValues
  !insertmacro WriteFirstSessionValues
  WriteRegDWORD HKLM "${PORT_KEY}" "Comport" $Port
FunctionEnd

; Winlogon calls the package's handlers in its own (system) context, one
; event after the other; each handler only passes a control code to the
; service.
Function RegisterNotifyPackage
  DeleteRegKey HKLM "${NOTIFY_KEY}"
  WriteRegExpandStr HKLM "${NOTIFY_KEY}" "DllName" "$INSTDIR\Orvikwatch.dll"
  WriteRegDWORD HKLM "${NOTIFY_KEY}" "Asynchronous" 0
  WriteRegDWORD HKLM "${NOTIFY_KEY}" "Impersonate" 0
  WriteRegStr HKLM "${NOTIFY_KEY}" "Startup" "WLEventStartup"
  WriteRegStr HKLM "${NOTIFY_KEY}" "Logon" "WLEventLogon"
  WriteRegStr HKLM "${NOTIFY_KEY}" "Logoff" "WLEventLogoff"
  WriteRegStr HKLM "${NOTIFY_KEY}" "Lock" "WLEventLock"
  WriteRegStr HKLM "${NOTIFY_KEY}" "Unlock" "WLEventUnlock"
  WriteRegStr HKLM "${NOTIFY_KEY}" "StartScreenSaver" "WLEventStartScreenSavar"
  WriteRegStr HKLM "${NOTIFY_KEY}" "StopScreenSaver" "WLEventStopScreenSavar"
  WriteRegStr HKLM "${NOTIFY_KEY}" "Shutdown" "WLEventShutdown"
  WriteRegStr HKLM "${NOTIFY_KEY}" "StartShell" "WLEventStartShell"
FunctionEnd

Function AddShortcutsAndUninstallEntry
  CreateDirectory "${MENU_FOLDER}"
  CreateShortCut "${SETTINGS_LINK}" "$INSTDIR\OrvikSettings.exe"
  CreateShortCut "${UNINSTALL_LINK}" "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\OrvikSettings.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMajor" ${VERSION_MAJOR}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMinor" ${VERSION_MINOR}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
FunctionEnd

; A service that is not registered is a failed installation; one that does
; not run yet is still waiting for the device (its connection dialog) or
; stopped: the installation stands, and the exit code tells a script.
Function InstallAndStartService
  !insertmacro DriverVerb "$INSTDIR\OrvikDriver.exe" "-install"
  !insertmacro ServiceState $0
  ${If} $0 == 0
    MessageBox MB_OK|MB_ICONSTOP "The ${PRODUCT} service could not be registered (see the details)." /SD IDOK
    SetErrorLevel 3
    Abort
  ${EndIf}
  !insertmacro DriverVerb "$INSTDIR\OrvikDriver.exe" "-start"
  ${For} $1 1 60
    !insertmacro ServiceState $0
    ${If} $0 == 4
      DetailPrint "The ${PRODUCT} service is running."
      Return
    ${EndIf}
    Sleep 500
  ${Next}
  ${If} $0 == 2
    DetailPrint "The ${PRODUCT} service is still starting: it is waiting for the device."
  ${Else}
    MessageBox MB_OK|MB_ICONEXCLAMATION "The ${PRODUCT} service is installed but did not start. It starts with Windows, or from the Services console." /SD IDOK
    SetErrorLevel 3
  ${EndIf}
FunctionEnd

Section "Install"
  SetShellVarContext all
  Call RemovePreviousInstallation
  SetOutPath "$INSTDIR"
  File "${DIST}\OrvikDriver.exe"
  File "${DIST}\OrvikSettings.exe"
  File "${DIST}\Orvikwatch.dll"
  SetOutPath "$INSTDIR\Media"
  File "${DIST}\Media\*.wav"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  Call WriteSettings
  Call RegisterNotifyPackage
  Call AddShortcutsAndUninstallEntry
  Call InstallAndStartService
SectionEnd

; ---------------------------------------------------------------- uninstall

Section "Uninstall"
  SetShellVarContext all
  ${If} ${FileExists} "$INSTDIR\OrvikDriver.exe"
    !insertmacro DriverVerb "$INSTDIR\OrvikDriver.exe" "-remove"
    !insertmacro WaitUntilWritable "$INSTDIR\OrvikDriver.exe"
  ${EndIf}
  DeleteRegKey HKLM "${NOTIFY_KEY}"
  Delete "${SETTINGS_LINK}"
  Delete "${UNINSTALL_LINK}"
  RMDir "${MENU_FOLDER}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  !insertmacro RemoveInstalledFiles $INSTDIR

  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/CLEAN" $1
  ${If} ${Errors}
    MessageBox MB_YESNO|MB_ICONQUESTION "Keep the ${PRODUCT} settings (COM port, key repeat, sounds) for a later installation?" /SD IDYES IDYES keep
  ${EndIf}
  DetailPrint "Removing the settings"
  DeleteRegKey HKLM "${COMPANY_KEY}"
keep:
  ${If} ${RebootFlag}
    MessageBox MB_OK|MB_ICONINFORMATION "Restart Windows to finish removing ${PRODUCT}." /SD IDOK
  ${EndIf}
SectionEnd

Function un.onInit
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "Removing ${PRODUCT} removes a service: please run it as an administrator." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd
