; What the setup program asks of Windows through the System plug-in, where
; NSIS has no instruction of its own: the access list of the settings keys,
; the file operations that Windows does when it next starts, and the stop and
; start of the service.

!define HKEY_LOCAL_MACHINE 0x80000002
!define REG_MULTI_SZ 7
!define SE_REGISTRY_KEY 4
!define DACL_SECURITY_INFORMATION 4
!define SET_ACCESS 2
!define CONTAINER_INHERIT_ACE 2
!define TRUSTEE_IS_SID 0
!define TRUSTEE_IS_WELL_KNOWN_GROUP 5
; KEY_READ, KEY_SET_VALUE and KEY_CREATE_SUB_KEY: what the settings program
; needs to show the settings, change them and create a missing key.
!define USERS_SETTINGS_ACCESS 0x2001F
; The local group Users: every account of the machine, limited ones included.
!define USERS_SID "S-1-5-32-545"
!define SESSION_MANAGER_KEY "SYSTEM\CurrentControlSet\Control\Session Manager"
!define PENDING_OPERATIONS "PendingFileRenameOperations"
; KEY_QUERY_VALUE and KEY_SET_VALUE.
!define PENDING_ACCESS 3
!define SERVICE_STOP_ACCESS 0x20
!define SERVICE_START_ACCESS 0x10
!define SERVICE_CONTROL_STOP 1

; The System plug-in finds the W form of a function by its string arguments;
; lstrlen takes a pointer only, so it is named in full.
!ifdef NSIS_UNICODE
  !define LSTRLEN "lstrlenW"
!else
  !define LSTRLEN "lstrlenA"
!endif

; In an EXPLICIT_ACCESS the trustee's two pointers each follow an odd number
; of 32-bit fields: a 64-bit build aligns them on 8 bytes.
!if ${NSIS_PTR_SIZE} > 4
  !define POINTER_PAD "i 0,"
!else
  !define POINTER_PAD ""
!endif

; Lets Users read the key on the stack (under HKLM), set its values and
; create keys under it, in an entry that the keys created below it inherit.
; A failure is written to the details: the settings program then works for
; administrators only.
Function GrantUsersAccess
  Exch $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  Push $R5
  System::Call 'advapi32::ConvertStringSidToSid(t "${USERS_SID}", *p .R1) i .R2'
  ${If} $R2 = 0
    StrCpy $R2 "no SID for Users"
  ${Else}
    System::Call 'advapi32::GetNamedSecurityInfo(t "MACHINE\$R0", i ${SE_REGISTRY_KEY}, i ${DACL_SECURITY_INFORMATION}, p 0, p 0, *p .R3, p 0, *p .R4) i .R2'
    ${If} $R2 = 0
      System::Call '*(i ${USERS_SETTINGS_ACCESS}, i ${SET_ACCESS}, i ${CONTAINER_INHERIT_ACE}, ${POINTER_PAD} p 0, i 0, i ${TRUSTEE_IS_SID}, i ${TRUSTEE_IS_WELL_KNOWN_GROUP}, ${POINTER_PAD} p R1) p .R5'
      System::Call 'advapi32::SetEntriesInAcl(i 1, p R5, p R3, *p .R3) i .R2'
      ${If} $R2 = 0
        System::Call 'advapi32::SetNamedSecurityInfo(t "MACHINE\$R0", i ${SE_REGISTRY_KEY}, i ${DACL_SECURITY_INFORMATION}, p 0, p 0, p R3, p 0) i .R2'
        System::Call 'kernel32::LocalFree(p R3)'
      ${EndIf}
      System::Free $R5
      System::Call 'kernel32::LocalFree(p R4)'
    ${EndIf}
    System::Call 'kernel32::LocalFree(p R1)'
  ${EndIf}
  ${If} $R2 != 0
    DetailPrint "Users may not change the settings under $R0 (error $R2)."
  ${EndIf}
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

; GrantUsersAccess for the key on the stack and every key below it. Windows
; hands an inheritable entry on to the keys that exist already; Wine does
; not, so each gets it here.
Function GrantUsersAccessToTree
  Exch $0
  Push $1
  Push $2
  Push $0
  Call GrantUsersAccess
  StrCpy $1 0
  ${Do}
    EnumRegKey $2 HKLM $0 $1
    ${IfThen} $2 == "" ${|} ${ExitDo} ${|}
    Push "$0\$2"
    Call GrantUsersAccessToTree
    IntOp $1 $1 + 1
  ${Loop}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Takes a delete of the file on the stack out of the file operations that
; Windows does when it next starts (an uninstallation leaves one for a DLL
; that the logon process holds); every other operation stays, in its order.
; The list is pairs of strings, source and target, an empty target for a
; delete, and ends with an empty string.
Function CancelPendingDelete
  Exch $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  Push $R5
  Push $R6
  Push $R7
  Push $R8
  Push $R9
  Push $1
  StrCpy $R0 "\??\$R0"
  System::Call 'advapi32::RegOpenKeyEx(p ${HKEY_LOCAL_MACHINE}, t "${SESSION_MANAGER_KEY}", i 0, i ${PENDING_ACCESS}, *p .R1) i .R2'
  ${If} $R2 = 0
    System::Call 'advapi32::RegQueryValueEx(p R1, t "${PENDING_OPERATIONS}", p 0, *i .R3, p 0, *i .R4) i .R2'
    ${If} $R2 = 0
    ${AndIf} $R3 = ${REG_MULTI_SZ}
      ; Zeroed room for two more empty strings: a list cut short still ends.
      IntOp $R3 ${NSIS_CHAR_SIZE} * 4
      IntOp $R4 $R4 + $R3
      System::Alloc $R4
      Pop $R5
      System::Alloc $R4
      Pop $R6
      System::Call 'advapi32::RegQueryValueEx(p R1, t "${PENDING_OPERATIONS}", p 0, p 0, p R5, *i R4) i .R2'
      StrCpy $R7 $R5
      StrCpy $R8 $R6
      StrCpy $R4 0
      ${Do}
        System::Call 'kernel32::${LSTRLEN}(p R7) i .R9'
        ${IfThen} $R9 = 0 ${|} ${ExitDo} ${|}
        System::Call 'kernel32::lstrcpyn(t .r1, p R7, i ${NSIS_MAX_STRLEN})'
        IntOp $R9 $R9 + 1
        IntOp $R9 $R9 * ${NSIS_CHAR_SIZE}
        IntPtrOp $R3 $R7 + $R9
        System::Call 'kernel32::${LSTRLEN}(p R3) i .R2'
        ; The pair's bytes: the source, the target, their terminators.
        IntOp $R3 $R2 + 1
        IntOp $R3 $R3 * ${NSIS_CHAR_SIZE}
        IntOp $R3 $R3 + $R9
        ${If} $1 == $R0
        ${AndIf} $R2 = 0
          DetailPrint "Cancelled the delete of $R0 at the next start."
          StrCpy $R4 1
        ${Else}
          System::Call 'kernel32::RtlMoveMemory(p R8, p R7, i R3)'
          IntPtrOp $R8 $R8 + $R3
        ${EndIf}
        IntPtrOp $R7 $R7 + $R3
      ${Loop}
      IntPtrOp $R3 $R8 - $R6
      ${If} $R4 = 0
        ; Nothing cancelled: the list stays as it is.
      ${ElseIf} $R3 = 0
        System::Call 'advapi32::RegDeleteValue(p R1, t "${PENDING_OPERATIONS}")'
      ${Else}
        IntOp $R3 $R3 + ${NSIS_CHAR_SIZE}
        System::Call 'advapi32::RegSetValueEx(p R1, t "${PENDING_OPERATIONS}", i 0, i ${REG_MULTI_SZ}, p R6, i R3)'
      ${EndIf}
      System::Free $R5
      System::Free $R6
    ${EndIf}
    System::Call 'advapi32::RegCloseKey(p R1)'
  ${EndIf}
  Pop $1
  Pop $R9
  Pop $R8
  Pop $R7
  Pop $R6
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

; Opens the service with ACCESS, runs CALL on its handle (R9) and closes it.
!macro OnService ACCESS CALL
  System::Call 'advapi32::OpenSCManager(p 0, p 0, i 1) p .R8'
  ${If} $R8 P<> 0
    System::Call 'advapi32::OpenService(p R8, t "${SERVICE}", i ${ACCESS}) p .R9'
    ${If} $R9 P<> 0
      System::Call '${CALL}'
      System::Call 'advapi32::CloseServiceHandle(p R9)'
    ${EndIf}
    System::Call 'advapi32::CloseServiceHandle(p R8)'
  ${EndIf}
!macroend

Function StopService
  System::Call '*(i, i, i, i, i, i, i) p .R7'
  !insertmacro OnService ${SERVICE_STOP_ACCESS} 'advapi32::ControlService(p R9, i ${SERVICE_CONTROL_STOP}, p R7)'
  System::Free $R7
FunctionEnd

Function StartService
  !insertmacro OnService ${SERVICE_START_ACCESS} 'advapi32::StartService(p R9, i 0, p 0)'
FunctionEnd
