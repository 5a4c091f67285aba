# Wine helpers for the test and run scripts (sourced, not run).
# One template prefix reporting Windows XP is made once per build tree;
# every test program gets a fresh copy of it.

export WINEDEBUG=${WINEDEBUG:--all}
WINE_ROOT=${WINE_ROOT:-$PWD/build/wine}

wine_template() {
    local template=$WINE_ROOT/template
    [ -f "$template/.ready" ] && return 0
    rm -rf "$template"
    mkdir -p "$WINE_ROOT"
    echo "wine: creating the template prefix (Windows XP)"
    WINEPREFIX=$template WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
    WINEPREFIX=$template wine reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1
    WINEPREFIX=$template wineserver -w
    touch "$template/.ready"
}

# Prints the path of a fresh copy of the template named $1.
wine_fresh_prefix() {
    local prefix=$WINE_ROOT/runs/$1
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
    mkdir -p "$WINE_ROOT/runs"
    cp -a "$WINE_ROOT/template" "$prefix"
    echo "$prefix"
}

wine_end() {  # prefix
    WINEPREFIX=$1 wineserver -k 2>/dev/null || true
}
