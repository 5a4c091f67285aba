# Virtual screen for the Wine programs (sourced). display_start starts Xvfb on
# the first free display from :90 on, exports DISPLAY and sets DISPLAY_PID.

# Whether the server of display $1 is the Xvfb with pid $2: two scripts that
# pick the same free number at once must not both believe they own it.
display_owned() {
    [ -e "/tmp/.X11-unix/X$1" ] && [ "$(tr -d ' \n' <"/tmp/.X$1-lock" 2>/dev/null)" = "$2" ]
}

display_start() {
    local display
    for display in $(seq 90 99); do
        [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] && continue
        Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        DISPLAY_PID=$!
        export DISPLAY=":$display"
        for _ in $(seq 50); do
            display_owned "$display" "$DISPLAY_PID" && return 0
            kill -0 "$DISPLAY_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill "$DISPLAY_PID" 2>/dev/null
    done
    echo "display: no display could be started" >&2
    return 1
}
