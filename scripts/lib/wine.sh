# Wine helpers for the test and run scripts (sourced, not run).
# One template prefix reporting Windows XP is made once per build tree;
# every test program gets a fresh copy of it. A copy hard-links the
# template's files (over a gigabyte of system DLLs that nobody writes) and
# copies the registry and configuration files that programs do write.

source "$(dirname "${BASH_SOURCE[0]}")/arch.sh"
export WINEDEBUG=${WINEDEBUG:--all}
WINE_ROOT=${WINE_ROOT:-$PWD/build/wine}
# Copies of one run of a script; ended and deleted with wine_end_all.
WINE_RUNS=${WINE_RUNS:-$WINE_ROOT/runs/$$}

wine_template() {
    local template=$WINE_ROOT/template$ORVIK_WINE_BITS
    [ -f "$template/.ready" ] && return 0
    rm -rf "$template"
    mkdir -p "$WINE_ROOT"
    echo "wine: creating the template prefix (Windows XP)"
    WINEPREFIX=$template WINEDLLOVERRIDES="mscoree,mshtml=" wine wineboot -i >/dev/null 2>&1
    WINEPREFIX=$template wine reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1
    WINEPREFIX=$template wineserver -w
    touch "$template/.ready"
}

# Prints the path of a fresh copy of the template named $1.
wine_fresh_prefix() {
    local prefix=$WINE_RUNS/$1 template=$WINE_ROOT/template$ORVIK_WINE_BITS file
    wine_end "$prefix"
    rm -rf "$prefix"
    mkdir -p "$WINE_RUNS"
    cp -al "$template" "$prefix"
    for file in system.reg user.reg userdef.reg drive_c/windows/win.ini drive_c/windows/system.ini; do
        [ -f "$template/$file" ] || continue
        rm -f "$prefix/$file"
        cp -p "$template/$file" "$prefix/$file"
    done
    # The server of the prefix, started here so that its dump of objects at
    # the end goes nowhere instead of into a test's log.
    WINEPREFIX=$prefix wineserver -p5 >/dev/null 2>&1 </dev/null
    echo "$prefix"
}

wine_end() {  # prefix
    WINEPREFIX=$1 wineserver -k >/dev/null 2>&1 || true
}

# Ends every prefix of this run and deletes the copies.
wine_end_all() {
    local prefix
    for prefix in "$WINE_RUNS"/*; do [ -d "$prefix" ] && wine_end "$prefix"; done
    rm -rf "$WINE_RUNS"
}
