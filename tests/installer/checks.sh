# Checks of the release and of the setup program under Wine (sourced by
# scripts/test and its Windows test lanes, which provide record, started_pids
# and the Wine, simulator and display helpers).
#   release            dist/: stripped, small, symbols kept and usable, one version
#   installer_silent   OrvikSetup.exe /S: refusals, install, typing, upgrade,
#                      uninstall (kept and /CLEAN), second uninstall, reinstall
#   installer_wizard   the wizard and the uninstaller stepped with real keys; a
#                      screenshot of each page
#   installer_held     upgrade, uninstallation and reinstallation while another
#                      process holds Orvikwatch.dll loaded, as the logon process
#                      does, and what the next start of Windows makes of it

SETUP=$TEST_DIST/OrvikSetup.exe
WINDOWTEXT=build/win$ORVIK_WINE_BITS/tools/windowtext/windowtext.exe
COMPANY='HKLM\Software\Brevane_org'
SETTINGS_KEY="$COMPANY\\ZelvoSoftware\\2.1"
UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvik'
NOTIFY_KEY='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Winlogon\Notify\Orvikwatch'
SERVICE_KEY='HKLM\System\CurrentControlSet\Services\OrvikDriver'
EVENT_SOURCE_KEY='HKLM\System\CurrentControlSet\Services\EventLog\Application\OrvikDriver'
PENDING_KEY='HKLM\System\CurrentControlSet\Control\Session Manager'
PROBE=build/wintest/tests/installer/installprobe.exe
# A setup after which Windows must restart (the logon notifier loads then).
RESTART_NEEDED=3010

# Every "\Default" value that the programs read (under SETTINGS_KEY).
FACTORY_VALUES='Keyboard\Sensitivity\Default|Min Max Default
Keyboard\Properties\Default|MinRepeatRate MaxRepeatRate MinRepeatDelay MaxRepeatDelay
Keyboard\Audio\Default|Enable Scheme SoundRegular SoundCapital
Mouse\Default|EnableTap DefSensitivity DefTapSpeed MinSensitivity MaxSensitivity MinTapSpeed MaxTapSpeed
Power\Default|DefEnable DefNoActivity DefReaction DefStandby MinNoActivity MaxNoActivity MinReaction MaxReaction MinStandby MaxStandby
Projector|DefEnable
Projector\Normal\Default|Min Max Default
Projector\Standby\Default|Min Max Default'

# Each slider or field: key, minimum, maximum, default (key\value when it lives
# elsewhere), step of its up-down control.
RANGES='Keyboard\Sensitivity\Default Min Max Default 1
Keyboard\Properties\Default MinRepeatRate MaxRepeatRate Keyboard\Properties\Session\DefRepeatRate 1
Keyboard\Properties\Default MinRepeatDelay MaxRepeatDelay Keyboard\Properties\Session\DefRepeatDelay 50
Mouse\Default MinSensitivity MaxSensitivity DefSensitivity 1
Mouse\Default MinTapSpeed MaxTapSpeed DefTapSpeed 1
Power\Default MinNoActivity MaxNoActivity DefNoActivity 30
Power\Default MinReaction MaxReaction DefReaction 50
Power\Default MinStandby MaxStandby DefStandby 1
Projector\Normal\Default Min Max Default 1
Projector\Standby\Default Min Max Default 1'

NOTIFY_HANDLERS='Startup=WLEventStartup Logon=WLEventLogon Logoff=WLEventLogoff Lock=WLEventLock
Unlock=WLEventUnlock StartScreenSaver=WLEventStartScreenSavar StopScreenSaver=WLEventStopScreenSavar
Shutdown=WLEventShutdown StartShell=WLEventStartShell'

# Runs a Windows program and prints its whole exit code: Wine hands the shell
# only the low 8 bits, and 3010 needs more.
exit_code_of() {  # program (Unix path), arguments...
    local program=$1; shift
    wine "$PROBE" exitcode "$(winepath -w "$(realpath "$program")")" "$@" | tr -d '\r'
}

# Fails the running check with a message (the caller's status goes to 1).
fail() { echo "  FAILED: $*"; status=1; }

# Polls `command...` until it succeeds, at most $1 tenths of a second.
poll() {
    local tries=$1; shift
    for _ in $(seq "$tries"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}

# Prints "KEY<TAB>NAME<TAB>DATA" for every value under KEY (the installed programs' view; keys
# without the HKEY_LOCAL_MACHINE\ prefix, DWORDs in decimal, "" for the default value).
reg_dump() {
    wine reg query "$1" /s "$REG_VIEW" 2>/dev/null | tr -d '\r' | awk -F '    ' '
        function decimal(hex,    i, n) {
            n = 0
            for (i = 3; i <= length(hex); i++) n = n * 16 + index("0123456789abcdef", tolower(substr(hex, i, 1))) - 1
            return n
        }
        /^HKEY_LOCAL_MACHINE\\/ { key = substr($0, 20); next }
        NF >= 4 { name = ($2 == "(Default)") ? "" : $2
                  data = $4; for (i = 5; i <= NF; i++) data = data "    " $i
                  if ($3 == "REG_DWORD") data = decimal(data)
                  printf "%s\t%s\t%s\n", key, name, data }'
}

# Data of KEY\NAME in a dump on stdin; exits 1 when absent.
reg_get() {  # key (without HKLM\), name
    # Through the environment: awk -v would read the backslashes as escapes.
    KEY=$1 NAME=$2 awk -F '\t' 'tolower($1) == tolower(ENVIRON["KEY"]) && $2 == ENVIRON["NAME"] {
        print $3; found = 1 } END { exit !found }'
}

# The value NAME of SUBKEY of the settings key, in a dump on stdin.
setting() {  # subkey, name
    reg_get "Software\\Brevane_org\\ZelvoSoftware\\2.1\\$1" "$2"
}

# The factory values as the README documents them: "KEY<TAB>NAME<TAB>VALUE".
readme_factory_values() {
    sed -n '/<!-- factory values -->/,/^$/p' README.md | grep '^| `' |
        awk -F '|' '{ gsub(/[` ]/, "", $2); gsub(/[` ]/, "", $3); gsub(/^ +| +$/, "", $4); gsub(/"/, "", $4)
                     printf "%s\t%s\t%s\n", $2, $3, $4 }'
}

service_state() { wine sc query OrvikDriver 2>/dev/null | tr -d '\r' | awk '/STATE/ { print $4 }'; }
service_running() { [ "$(service_state)" = RUNNING ]; }

# Folder of the installation (Unix path), from Add or Remove Programs.
install_folder() {
    local location
    location=$(reg_dump "$UNINSTALL_KEY" | reg_get 'Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvik' InstallLocation) || return 1
    realpath -m "$(winepath -u "$location" 2>/dev/null)"
}

# Everything a finished installation must show; $1 is the expected port.
check_installed() {
    local port=$1 dump folder name key names value
    dump=$(reg_dump "$COMPANY")
    folder=$(install_folder) || { fail "no Add or Remove Programs entry"; return; }
    for name in OrvikDriver.exe OrvikSettings.exe Orvikwatch.dll Media/KeyClick1.wav Uninstall.exe; do
        [ -f "$folder/$name" ] || fail "$name not installed"
    done
    for name in OrvikDriver.exe OrvikSettings.exe Orvikwatch.dll; do
        cmp -s "$TEST_DIST/$name" "$folder/$name" || fail "$name differs from $TEST_DIST/"
    done
    [ "$(echo "$dump" | reg_get 'Software\Brevane_org\Application' '')" = Tavelin ] || fail "display name"
    [ "$(echo "$dump" | reg_get 'Software\Brevane_org\Application' DeviceName)" = Tavelin ] || fail "device name"
    [ "$(echo "$dump" | setting "ComPort\\Session" Comport)" = "$port" ] ||
        fail "Comport is not $port"
    # Every value that the programs read, with the README's factory value.
    while IFS='|' read -r key names; do
        for name in $names; do
            value=$(readme_factory_values | reg_get "$key" "$name") || { fail "README lacks $key\\$name"; continue; }
            [ "$(echo "$dump" | setting "$key" "$name")" = "$value" ] ||
                fail "$key\\$name is not $value"
        done
    done <<<"$FACTORY_VALUES"
    check_ranges "$dump"
    check_service_registration "$folder"
    check_notify_entry "$folder"
    check_event_source "$folder"
    check_users_access
    [ -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tavelin/Tavelin Settings.lnk" ] ||
        fail "no Start-menu entry"
    dump=$(reg_dump "$UNINSTALL_KEY")
    for name in DisplayName DisplayVersion Publisher DisplayIcon UninstallString; do
        echo "$dump" | reg_get 'Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvik' "$name" >/dev/null ||
            fail "Add or Remove Programs lacks $name"
    done
    [ "$(echo "$dump" | reg_get 'Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvik' DisplayVersion)" = \
      "$(orvik_version)" ] || fail "Add or Remove Programs shows another version"
}

# A first installation decides the user's settings that the two programs
# would otherwise create with different fallbacks (key repeat and sounds on
# in the driver, off in the settings program), and names the systems that
# the driver supports in its refusal.
check_first_session() {
    local dump
    dump=$(reg_dump "$COMPANY")
    [ "$(echo "$dump" | setting "Keyboard\Properties\Session" Enable)" = 1 ] || fail "key repeat is not on"
    [ "$(echo "$dump" | setting "Keyboard\Audio\Session" Enable)" = 1 ] || fail "key sounds are not on"
    [ "$(echo "$dump" | setting "Keyboard\Audio\Session" SoundModifier)" = KeyClick2.wav ] ||
        fail "no modifier sound"
    [ "$(echo "$dump" | setting "Mouse\Session" EnableTap)" = 1 ] || fail "tap to click is not on"
    [ "$(echo "$dump" | setting "ComPort\Session" ShowTaskIcon)" = 1 ] || fail "the tray icon is not shown"
    [ "$(echo "$dump" | reg_get 'Software\Brevane_org\Application' 'OS Version')" = "Windows 2000 and Windows XP" ] ||
        fail "the driver would name another system"
}

# The event source names the installed driver as its message file, and that
# file has a text for every event id that the driver reports.
check_event_source() {  # install folder
    local file ids
    file=$(reg_dump "$EVENT_SOURCE_KEY" | reg_get 'System\CurrentControlSet\Services\EventLog\Application\OrvikDriver' EventMessageFile)
    [ "$(realpath -m "$(winepath -u "$file" 2>/dev/null)")" = "$1/OrvikDriver.exe" ] ||
        fail "the event source's message file is \"$file\""
    ids=$(reported_event_ids)
    [ -n "$ids" ] || fail "no event ids found in the driver's sources"
    # shellcheck disable=SC2086
    wine "$PROBE" messages $ids || fail "the message file lacks a text for one of $ids"
}

# The ids (from windmc's header) of the messages that the driver's sources name.
reported_event_ids() {
    local header=build/win32/driver/messages/eventmessages.h symbol
    for symbol in $(grep -rhoE '\bMSG_[A-Z0-9_]+\b' driver --include='*.cpp' | sort -u); do
        awk -v symbol="$symbol" '$1 == "#define" && $2 == symbol { print $NF }' "$header"
    done
}

# Users may read and change their settings: the settings key and a "\Session"
# key under it let them set values and create keys, inherited below.
check_users_access() {
    local key
    for key in 'SOFTWARE\Brevane_org\ZelvoSoftware\2.1' 'SOFTWARE\Brevane_org\ZelvoSoftware\2.1\Keyboard\Audio\Session'; do
        wine "$PROBE" access "$key" || fail "Users may not change the values of $key"
    done
}

# Each slider and field gets a range holding its default, on its step.
check_ranges() {
    local key min max def step lo hi d
    while read -r key min max def step; do
        lo=$(echo "$1" | setting "$key" "$min")
        hi=$(echo "$1" | setting "$key" "$max")
        if [[ $def == *\\* ]]; then
            d=$(echo "$1" | setting "${def%\\*}" "${def##*\\}")
        else
            d=$(echo "$1" | setting "$key" "$def")
        fi
        if ! [[ $lo =~ ^[0-9]+$ && $hi =~ ^[0-9]+$ && $d =~ ^[0-9]+$ ]] ||
           [ "$lo" -ge "$hi" ] || [ "$d" -lt "$lo" ] || [ "$d" -gt "$hi" ] ||
           [ $(((d - lo) % step)) -ne 0 ]; then
            fail "$key: $min $lo .. $max $hi does not hold $def $d on steps of $step"
        fi
    done <<<"$RANGES"
}

check_service_registration() {  # install folder
    local dump path
    dump=$(wine reg query "$SERVICE_KEY" 2>/dev/null | tr -d '\r')
    echo "$dump" | grep -qE 'Start +REG_DWORD +0x2$' || fail "the service does not start automatically"
    echo "$dump" | grep -qE 'Type +REG_DWORD +0x110$' || fail "the service is not interactive"
    path=$(echo "$dump" | sed -n 's/^ *ImagePath *REG_[A-Z_]* *//p' | tr -d '"')
    [ "$(realpath -m "$(winepath -u "$path" 2>/dev/null)")" = "$1/OrvikDriver.exe" ] || fail "the service runs $path"
    poll 300 service_running || fail "the service is $(service_state), not running"
}

# The Notify entry names the installed DLL and a handler for every event;
# each handler is an export of the package under its undecorated name.
check_notify_entry() {  # install folder
    local dump pair exports dll unix
    dump=$(reg_dump "$NOTIFY_KEY")
    dll=$(echo "$dump" | reg_get 'Software\Microsoft\Windows NT\CurrentVersion\Winlogon\Notify\Orvikwatch' DllName)
    unix=$(realpath -m "$(winepath -u "$dll" 2>/dev/null)")
    [ "$unix" = "$1/Orvikwatch.dll" ] || fail "Notify DllName is \"$dll\" ($unix), not in $1"
    exports=$(i686-w64-mingw32-objdump -p dist/Orvikwatch.dll |
        sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[/ { print $NF }')
    for pair in $NOTIFY_HANDLERS; do
        [ "$(echo "$dump" | reg_get 'Software\Microsoft\Windows NT\CurrentVersion\Winlogon\Notify\Orvikwatch' \
             "${pair%%=*}")" = "${pair#*=}" ] || fail "Notify ${pair%%=*} is not ${pair#*=}"
        if ! echo "$exports" | grep -qx "${pair#*=}"; then
            fail "Orvikwatch.dll does not export ${pair#*=}"
        fi
    done
}

orvik_version() {
    awk '/#define ORVIK_VERSION_(MAJOR|MINOR|PATCH) / { v = v (v == "" ? "" : ".") $3 } END { print v }' \
        common/version.h
}

# Opens the notepad that the device types into. It stays open for the whole
# check: Wine ends a prefix's service soon after its last program has ended.
open_notepad() {
    wine notepad.exe >/dev/null 2>&1 &
    NOTEPAD_PID=$!
    poll 300 wine "$WINDOWTEXT" Notepad Edit || fail "notepad did not open"
}

# Whether the simulated device on $SIM_PORT types into notepad (emptied first).
check_typing() {  # text
    local window
    window=$(xdotool search --name Notepad | tail -n 1)
    xdotool windowfocus "$window" key ctrl+a Delete 2>/dev/null
    poll 50 notepad_shows "" || fail "notepad could not be emptied"
    tools/devsim/devsim-ctl --port "$SIM_PORT" type "$1" >/dev/null
    if ! poll 100 notepad_shows "$1"; then
        fail "notepad received \"$(wine "$WINDOWTEXT" Notepad Edit | tr -d '\r')\""
        import -window root "build/screenshots/typing-$1.png"
    fi
}
notepad_shows() { [ "$(wine "$WINDOWTEXT" Notepad Edit 2>/dev/null | tr -d '\r')" = "$1" ]; }

# Runs the uninstaller at $1 (a copy that Windows runs from a temporary
# folder) and waits until the installation's folder is gone.
uninstall() {  # uninstaller (Unix path), arguments...
    local uninstaller=$1 folder; shift
    folder=$(dirname "$uninstaller")
    wine "$uninstaller" "$@" || fail "the uninstaller exited with $?"
    poll 600 test ! -e "$folder" || fail "the uninstaller left $folder"
}

check_uninstalled() {
    [ -z "$(service_state)" ] || fail "the service is still there ($(service_state))"
    [ -z "$(reg_dump "$NOTIFY_KEY")" ] || fail "the Notify entry is still there"
    [ -z "$(reg_dump "$UNINSTALL_KEY")" ] || fail "the Add or Remove Programs entry is still there"
    [ ! -e "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tavelin" ] ||
        fail "the Start-menu entries are still there"
}

# A fresh prefix ($prefix, the caller's) with the simulator on COM$2 for the
# check named $1.
begin_check() {  # name, simulator port
    prefix=$(wine_fresh_prefix "$1")
    export WINEPREFIX=$prefix
    sim_start "$prefix" "$2" || return 1
    started_pids+=("$SIM_PID")
}

# Records the check from the caller's $status, shows its failures, and ends
# its simulator and prefix.
end_check() {  # name, log
    unset WINEPREFIX
    grep 'FAILED' "$2"
    [ $status -eq 0 ] || tail -n 30 "$2"
    sim_stop "$SIM_PID"
    wine_end "$prefix"
    record "$1" $status
}

run_installer_silent_check() {
    # Checks read pipelines with grep -q, which may end before the writer.
    local -
    set +o pipefail
    echo "== installer_silent (Wine)"
    local prefix log=build/installer_silent.log status=0 folder dump code
    begin_check installer_silent 5 || { record installer_silent 1; return; }
    {
        open_notepad
        echo "-- refusals: a newer Windows, a bad port"
        wine reg add 'HKCU\Software\Wine' /v Version /d win7 /f >/dev/null 2>&1
        wine "$SETUP" /S /COMPORT=5; code=$?
        [ $code -eq 2 ] || fail "Windows 7 accepted (exit $code)"
        wine reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1
        wine "$SETUP" /S /COMPORT=0; code=$?
        [ $code -eq 2 ] || fail "/COMPORT=0 accepted (exit $code)"
        [ -z "$(reg_dump "$COMPANY")$(reg_dump "$UNINSTALL_KEY")" ] || fail "a refused setup changed the registry"

        echo "-- install: /S /COMPORT=5"
        code=$(exit_code_of "$SETUP" /S /COMPORT=5)
        [ "$code" = $RESTART_NEEDED ] || fail "a first installation exited with $code, not $RESTART_NEEDED"
        check_installed 5
        check_first_session
        check_typing "installed"

        echo "-- upgrade: the user's settings stay, the factory values come back, the service restarts"
        reply=$(exec 3<>/dev/tcp/127.0.0.1/1213 && printf '\x05\x01\x1e\x00\xf4\x01' >&3 && timeout 10 head -c 1 <&3)
        [ "$reply" = 1 ] || fail "the control port answered \"$reply\""
        wine reg add "$SETTINGS_KEY\\Keyboard\\Properties\\Session" /v DefRepeatRate /t REG_DWORD /d 30 /f "$REG_VIEW"
        wine reg add "$SETTINGS_KEY\\Keyboard\\Audio\\Session" /v Scheme /d 'Sound Scheme 3' /f "$REG_VIEW"
        wine reg add "$SETTINGS_KEY\\Mouse\\Session" /v EnableTap /t REG_DWORD /d 0 /f "$REG_VIEW"
        wine reg add "$SETTINGS_KEY\\Keyboard\\Sensitivity\\Default" /v Max /t REG_DWORD /d 99 /f "$REG_VIEW"
        wine reg delete "$COMPANY\\Application" /v Desc /f "$REG_VIEW"
        # Nothing holds the notifier: nothing waits for a restart.
        wine "$SETUP" /S || fail "upgrade exited with $?"
        check_installed 5
        dump=$(reg_dump "$COMPANY")
        [ "$(echo "$dump" | setting 'Keyboard\Properties\Session' DefRepeatRate)" = 30 ] ||
            fail "the repeat rate was reset"
        [ "$(echo "$dump" | setting 'Keyboard\Audio\Session' Scheme)" = "Sound Scheme 3" ] ||
            fail "the sound scheme was reset"
        [ "$(echo "$dump" | setting 'Mouse\Session' EnableTap)" = 0 ] ||
            fail "tap to click was reset"
        # The driver writes its description at every start.
        echo "$dump" | reg_get 'Software\Brevane_org\Application' Desc >/dev/null || fail "the service was not restarted"
        check_typing "upgraded"
        check_settings_ranges

        echo "-- uninstall (silent): settings kept; a second run of the uninstaller changes nothing"
        folder=$(install_folder)
        cp "$folder/Uninstall.exe" "$prefix/drive_c/uninstall-copy.exe"
        uninstall "$folder/Uninstall.exe" /S
        check_uninstalled
        [ -z "$(reg_dump "$EVENT_SOURCE_KEY")" ] || fail "the event source is still registered"
        [ "$(reg_dump "$COMPANY" | setting 'Keyboard\Properties\Session' DefRepeatRate)" = 30 ] ||
            fail "the settings were not kept"
        wine "$prefix/drive_c/uninstall-copy.exe" /S "_?=$(winepath -w "$folder")" || fail "a second uninstall exited with $?"
        check_uninstalled
        reg_dump "$COMPANY" | setting 'ComPort\Session' Comport >/dev/null ||
            fail "the second uninstall removed the settings"

        echo "-- install after uninstall: the kept port is used; moved to another folder; /CLEAN removes everything"
        code=$(exit_code_of "$SETUP" /S)
        [ "$code" = $RESTART_NEEDED ] || fail "an installation after an uninstallation exited with $code"
        check_installed 5
        folder=$(install_folder)
        code=$(exit_code_of "$SETUP" /S '/D=C:\Moved\Orvik')
        [ "$code" = $RESTART_NEEDED ] || fail "setup into another folder exited with $code"
        [ "$(install_folder)" = "$(realpath "$prefix")/drive_c/Moved/Orvik" ] || fail "not moved: $(install_folder)"
        check_installed 5
        [ ! -e "$folder" ] || fail "the installation before was left in $folder"
        uninstall "$(install_folder)/Uninstall.exe" /S /CLEAN
        check_uninstalled
        [ -z "$(reg_dump "$COMPANY")" ] || fail "/CLEAN left $COMPANY"
        wine taskkill /f /im notepad.exe
        wait "$NOTEPAD_PID"
    } >"$log" 2>&1
    end_check installer_silent "$log"
}

# The settings program on the installed values: the ranges of its sliders
# and fields are the factory ones.
check_settings_ranges() {
    ORVIK_SIM_PORT=$SIM_PORT wine build/wintest/tests/windows/settings/installed_settings_check.exe \
        --gtest_color=no | tr -d '\r' | tee build/installed_settings.log | grep -q '^\[  PASSED  \]' ||
        fail "the settings program does not offer the factory ranges (build/installed_settings.log)"
}

# Waits for the page of the wizard titled $WIZARD that shows $1, then takes
# its screenshot.
wizard_page() {  # text, screenshot name
    poll 300 wizard_shows "$1" || { fail "the wizard did not show \"$1\""; return 1; }
    screenshot "$2"
}
wizard_shows() { wine "$WINDOWTEXT" --texts "$WIZARD" 2>/dev/null | tr -d '\r' | grep -qF "$1"; }
screenshot() {  # name
    sleep 0.5
    import -window "$(xdotool search --name "^$WIZARD" | tail -n 1)" "build/screenshots/setup-$1.png" ||
        fail "no screenshot of $1"
}

run_installer_wizard_check() {
    # Checks read pipelines with grep -q, which may end before the writer.
    local -
    set +o pipefail
    echo "== installer_wizard (Wine, keys typed under Xvfb)"
    local prefix log=build/installer_wizard.log status=0 setup_pid code
    begin_check installer_wizard 6 || { record installer_wizard 1; return; }
    mkdir -p build/screenshots
    {
        # The system's serial ports: Wine's COM1, and COM5 and COM6.
        wine reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v Serial5 /d COM5 /f
        wine reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v Serial6 /d COM6 /f
        WIZARD="Tavelin Setup"
        exit_code_of "$SETUP" >build/installer_wizard.code &
        setup_pid=$!
        wizard_page "Welcome to Tavelin Setup" 1-welcome && xdotool key Return
        wizard_page "Choose Install Location" 2-folder && xdotool key End shift+Home && xdotool type 'C:\Tools\Orvik'
        screenshot 2-folder
        xdotool key Return
        # The port list holds the system's ports in number order, the lowest chosen.
        wizard_page "Choose the COM port" 3-port
        [ "$(wine "$WINDOWTEXT" --texts "Tavelin Setup" | tr -d '\r' | grep -x 'COM[0-9]*')" = COM1 ] ||
            fail "the port page does not offer COM1 first"
        xdotool key Down Down
        screenshot 3-port
        xdotool key Return
        wizard_page "Completing Tavelin Setup" 4-finish
        wizard_shows "Typing on the logon and locked screens starts after Windows restarts." ||
            fail "the finish page does not say why it offers a restart"
        xdotool key Return
        wait "$setup_pid"
        code=$(cat build/installer_wizard.code)
        # The finish page offered a restart; "later" is its default.
        [ "$code" = $RESTART_NEEDED ] || fail "setup exited with $code"
        [ "$(install_folder)" = "$(realpath "$prefix")/drive_c/Tools/Orvik" ] || fail "installed into $(install_folder)"
        [ "$(reg_dump "$SETTINGS_KEY\\ComPort\\Session" | setting 'ComPort\Session' Comport)" = 6 ] ||
            fail "the port chosen with the keys (COM6) was not stored"
        poll 300 service_running || fail "the service is not running"

        # The uninstaller asks whether to keep the settings; "n" answers No.
        WIZARD="Tavelin Uninstall"
        wine "$(install_folder)/Uninstall.exe"
        wizard_page "Remove Tavelin from your computer" 5-uninstall && xdotool key Return
        wizard_page "Keep the Tavelin settings" 6-keep-settings && xdotool key n
        wizard_page "Uninstallation Complete" 7-removed && xdotool key Return
        poll 300 test ! -e "$prefix/drive_c/Tools/Orvik" || fail "the uninstaller left the folder"
        check_uninstalled
        [ -z "$(reg_dump "$COMPANY")" ] || fail "the settings were kept after No"
    } >"$log" 2>&1
    end_check installer_wizard "$log"
}

# The process that stands in for the logon process: it loads the installed
# Orvikwatch.dll and keeps it until the prefix ends.
hold_notifier() {
    local dll
    dll=$(winepath -w "$(install_folder)/Orvikwatch.dll")
    wine "$PROBE" hold "$dll" >build/installer_held.holder.log 2>&1 &
    poll 300 grep -q '^held' build/installer_held.holder.log || fail "Orvikwatch.dll could not be loaded"
}

# Runs a copy of the installation's uninstaller in place (/S, _?=), so that
# its exit code is its own; prints the code.
uninstall_in_place() {
    local folder
    folder=$(install_folder)
    cp "$folder/Uninstall.exe" "$prefix/drive_c/uninstall-copy.exe"
    exit_code_of "$prefix/drive_c/uninstall-copy.exe" /S "_?=$(winepath -w "$folder")"
}

# The file operations left for the next start, one per line.
pending_operations() {
    wine reg query "$PENDING_KEY" /v PendingFileRenameOperations 2>/dev/null | tr -d '\r' |
        sed -n 's/.*REG_MULTI_SZ *//p' | sed 's/\\0/\n/g'
}

# Whether a delete (an empty target) of a file named $1 is pending.
delete_pending() {  # file name
    pending_operations | NAME=$1 awk 'NR % 2 == 1 { source = tolower($0) }
        NR % 2 == 0 && $0 == "" && substr(source, length(source) - length(ENVIRON["NAME"])) == "\\" tolower(ENVIRON["NAME"]) { found = 1 }
        END { exit !found }'
}

# Ends every program of the prefix and starts it again, as Windows does when
# it restarts: wineboot runs the file operations left for the next start.
restart_windows() {
    wineserver -k
    wineserver -w
    wineserver -p5 >/dev/null 2>&1 </dev/null
    wine wineboot -r >/dev/null 2>&1
    [ -z "$(pending_operations)" ] || fail "the next start left file operations: $(pending_operations)"
}

# After a restart: the installed notifier is the one of the release, under
# its own name only, and the Notify entry names it.
check_notifier_after_restart() {  # folder (Unix path)
    cmp -s "$TEST_DIST/Orvikwatch.dll" "$1/Orvikwatch.dll" || fail "Orvikwatch.dll is not the release's after the restart"
    [ ! -e "$1/Orvikwatch.dll.new" ] || fail "Orvikwatch.dll.new is left beside it"
    check_notify_entry "$1"
}

run_installer_held_check() {
    # Checks read pipelines with grep -q, which may end before the writer.
    local -
    set +o pipefail
    echo "== installer_held (Wine, Orvikwatch.dll held by another process)"
    local prefix log=build/installer_held.log status=0 folder code
    begin_check installer_held 5 || { record installer_held 1; return; }
    {
        open_notepad
        code=$(exit_code_of "$SETUP" /S /COMPORT=5)
        [ "$code" = $RESTART_NEEDED ] || fail "setup exited with $code"
        folder=$(install_folder)

        echo "-- upgrade while the notifier is loaded: it is replaced at the next start"
        hold_notifier
        code=$(exit_code_of "$SETUP" /S)
        [ "$code" = 0 ] || [ "$code" = $RESTART_NEEDED ] || fail "the upgrade exited with $code"
        check_service_registration "$folder"
        check_typing "upgraded while held"
        pending_operations | grep -qi 'Orvikwatch.dll.new' || fail "no rename of the new Orvikwatch.dll is pending"
        wine taskkill /f /im notepad.exe
        restart_windows
        check_notifier_after_restart "$folder"

        echo "-- uninstall while the notifier is loaded, then install again before any restart"
        hold_notifier
        code=$(uninstall_in_place)
        [ "$code" = $RESTART_NEEDED ] || fail "the uninstallation with a held notifier exited with $code"
        [ -e "$folder/Orvikwatch.dll" ] || fail "the held Orvikwatch.dll is gone before the restart"
        delete_pending Orvikwatch.dll || fail "no delete of Orvikwatch.dll is pending"
        code=$(exit_code_of "$SETUP" /S /COMPORT=5)
        [ "$code" = $RESTART_NEEDED ] || fail "the reinstallation exited with $code"
        ! delete_pending Orvikwatch.dll || fail "the reinstallation left the delete of Orvikwatch.dll pending"
        [ "$(install_folder)" = "$folder" ] || fail "reinstalled into $(install_folder)"
        restart_windows
        check_notifier_after_restart "$folder"
        [ -f "$folder/OrvikDriver.exe" ] || fail "the reinstallation lost OrvikDriver.exe"
    } >"$log" 2>&1
    end_check installer_held "$log"
}

run_release_check() {
    # Checks read pipelines with grep -q, which may end before the writer.
    local -
    set +o pipefail
    [[ release =~ ${TEST_FILTER:-.} ]] || return 0
    echo "== release binaries"
    local status=0 name size address where
    for name in OrvikDriver.exe OrvikSettings.exe Orvikwatch.dll; do
        size=$(stat -c %s "dist/$name")
        [ "$size" -le 262144 ] || fail "$name has $size bytes"
        ! i686-w64-mingw32-objdump -h "dist/$name" | grep -q '\.debug_' || fail "$name carries debugging information"
        i686-w64-mingw32-strings -a "dist/$name" | grep -qx "$name.debug" || fail "$name has no debug link"
        i686-w64-mingw32-objdump -h "build/symbols/$name.debug" | grep -q '\.debug_info' ||
            fail "build/symbols/$name.debug holds no debugging information"
        # Windows XP refuses a header that asks for a newer subsystem.
        i686-w64-mingw32-objdump -p "dist/$name" | grep -qE 'MajorSubsystemVersion[[:space:]]+4$' ||
            fail "$name asks for a subsystem newer than 4.0"
    done
    # An address inside a driver function resolves to it and its source line.
    address=$(i686-w64-mingw32-nm build/symbols/OrvikDriver.exe.debug | awk '$2 == "T" && $3 ~ /ServiceCtrlHandler/ { print $1; exit }')
    where=$(i686-w64-mingw32-addr2line -f -C -e build/symbols/OrvikDriver.exe.debug "$(printf '0x%x' $((0x${address:-0} + 8)))")
    echo "$where" | grep -q 'ServiceCtrlHandler' && echo "$where" | grep -qE 'servicehost\.cpp:[0-9]+' ||
        fail "a driver address resolves to \"$where\""
    grep -qF "$(orvik_version)" README.md || fail "the README does not name version $(orvik_version)"
    record release $status
}
