; Factory values: the "\Default" keys that the settings program reads for the
; ranges and defaults of its sliders and fields. They belong to the installed
; version, so every installation writes them again. The README lists each
; value with its reason; scripts/test checks the installed registry against
; that list. Each value is declared in common/settingsvalues.cpp, and a native
; test holds the two macros below and the README against that declaration.

!macro WriteFactoryValues
  ; Key touch sensitivity: device levels 1 (low) to 8 (high), the middle by default.
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Keyboard\Sensitivity\Default" "Min" 1
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Keyboard\Sensitivity\Default" "Max" 8
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Keyboard\Sensitivity\Default" "Default" 4

  ; Key repeat: 3 to 30 characters per second after 150 to 1050 ms.
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Keyboard\Properties\Default" "MinRepeatRate" 3
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Keyboard\Properties\Default" "MaxRepeatRate" 30
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Keyboard\Properties\Default" "MinRepeatDelay" 150
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Keyboard\Properties\Default" "MaxRepeatDelay" 1050

  ; Key sounds: on, the first scheme with its own two clicks.
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Keyboard\Audio\Default" "Enable" 1
  WriteRegStr HKLM "${SETTINGS_KEY}\Keyboard\Audio\Default" "Scheme" "Sound Scheme 1"
  WriteRegStr HKLM "${SETTINGS_KEY}\Keyboard\Audio\Default" "SoundRegular" "KeyClick1.wav"
  WriteRegStr HKLM "${SETTINGS_KEY}\Keyboard\Audio\Default" "SoundCapital" "KeyClick2.wav"

  ; Pointer: touch sensitivity 1 to 8 (2 by default), tapping speed 1 to 10
  ; (5 by default), tap to click on.
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Mouse\Default" "EnableTap" 1
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Mouse\Default" "MinSensitivity" 1
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Mouse\Default" "MaxSensitivity" 8
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Mouse\Default" "DefSensitivity" 2
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Mouse\Default" "MinTapSpeed" 1
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Mouse\Default" "MaxTapSpeed" 10
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Mouse\Default" "DefTapSpeed" 5

  ; Power saving, on: standby after 30 s to 30 min without use (steps of 30 s,
  ; 60 s by default); a touch of 50 to 1000 ms wakes it (steps of 50 ms, 150 ms
  ; by default); off after 1 to 60 min in standby (10 min by default).
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Power\Default" "DefEnable" 1
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Power\Default" "MinNoActivity" 30
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Power\Default" "MaxNoActivity" 1800
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Power\Default" "DefNoActivity" 60
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Power\Default" "MinReaction" 50
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Power\Default" "MaxReaction" 1000
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Power\Default" "DefReaction" 150
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Power\Default" "MinStandby" 1
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Power\Default" "MaxStandby" 60
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Power\Default" "DefStandby" 10

  ; Projector: on; brightness levels up to 31 (full), from 1 (dim) in normal
  ; mode and from 0 (off) in standby.
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Projector" "DefEnable" 1
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Projector\Normal\Default" "Min" 1
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Projector\Normal\Default" "Max" 31
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Projector\Normal\Default" "Default" 31
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Projector\Standby\Default" "Min" 0
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Projector\Standby\Default" "Max" 31
  WriteRegDWORD HKLM "${SETTINGS_KEY}\Projector\Standby\Default" "Default" 8
!macroend

; The user's settings start as the factory values; an installation over an
; existing one keeps every value that is already there.
!macro WriteFirstSessionValues
  !insertmacro DwordIfAbsent "${SETTINGS_KEY}\ComPort\Session" "ShowTaskIcon" 1
  !insertmacro DwordIfAbsent "${SETTINGS_KEY}\Keyboard\Properties\Session" "Enable" 1
  !insertmacro DwordIfAbsent "${SETTINGS_KEY}\Keyboard\Properties\Session" "DefRepeatRate" 20
  !insertmacro DwordIfAbsent "${SETTINGS_KEY}\Keyboard\Properties\Session" "DefRepeatDelay" 500
  !insertmacro DwordIfAbsent "${SETTINGS_KEY}\Keyboard\Audio\Session" "Enable" 1
  !insertmacro StringIfAbsent "${SETTINGS_KEY}\Keyboard\Audio\Session" "Scheme" "Sound Scheme 1"
  !insertmacro StringIfAbsent "${SETTINGS_KEY}\Keyboard\Audio\Session" "SoundRegular" "KeyClick1.wav"
  !insertmacro StringIfAbsent "${SETTINGS_KEY}\Keyboard\Audio\Session" "SoundCapital" "KeyClick2.wav"
  !insertmacro StringIfAbsent "${SETTINGS_KEY}\Keyboard\Audio\Session" "SoundModifier" "KeyClick2.wav"
  !insertmacro DwordIfAbsent "${SETTINGS_KEY}\Mouse\Session" "EnableTap" 1
!macroend

!macro DwordIfAbsent KEY NAME VALUE
  ClearErrors
  ReadRegDWORD $R9 HKLM "${KEY}" "${NAME}"
  ${If} ${Errors}
    WriteRegDWORD HKLM "${KEY}" "${NAME}" ${VALUE}
  ${EndIf}
!macroend

!macro StringIfAbsent KEY NAME VALUE
  ClearErrors
  ReadRegStr $R9 HKLM "${KEY}" "${NAME}"
  ${If} ${Errors}
    WriteRegStr HKLM "${KEY}" "${NAME}" "${VALUE}"
  ${EndIf}
!macroend
