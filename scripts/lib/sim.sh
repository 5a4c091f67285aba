# Device simulator helpers (sourced after wine.sh). sim_start links a new
# simulated device as COM$2 of prefix $1 and sets SIM_PID and SIM_PORT; the
# device counts the refused opens of its port from the prefix's guard log.

SIM_PROGRAM=${SIM_PROGRAM:-$PWD/build/native/tools/devsim/orvik-devsim}

sim_start() {  # prefix, com number
    local ready=$1/devsim-com$2.ready
    rm -f "$ready"
    "$SIM_PROGRAM" --link "$1/dosdevices/com$2" --control 0 --ready-file "$ready" --no-stdin \
        --guard-log "$(wine_port_guard_log "$1")" \
        >"$1/devsim-com$2.log" 2>&1 </dev/null &
    SIM_PID=$!
    for _ in $(seq 100); do
        [ -f "$ready" ] && break
        kill -0 "$SIM_PID" 2>/dev/null || break
        sleep 0.05
    done
    SIM_PORT=$(sed -n 's/^port=//p' "$ready" 2>/dev/null)
    [ -n "$SIM_PORT" ] || { echo "sim: the simulator did not start" >&2; cat "$1/devsim-com$2.log" >&2; return 1; }
}

sim_stop() {  # pid
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}
