# Which Windows programs this machine runs under Wine (sourced). The shipped
# programs are 32-bit; a kernel without 32-bit support cannot start 32-bit
# Wine at all, and then the Windows tests, the setup checks and the run
# script use 64-bit builds of the same sources under wine64 instead:
#   ORVIK_WINE_BITS  32 or 64 (found out unless set)
#   TEST_DIST        the release the checks install: dist/ or build/dist64/
#   TEST_MINGW       the binutils prefix of those programs
#   REG_VIEW         the registry view the installed programs use
# and puts the loader of those programs first in PATH as `wine`: Debian's
# wrapper picks the 32-bit loader whenever it is installed, runnable or not.

if [ -z "${ORVIK_WINE_BITS:-}" ]; then
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then ORVIK_WINE_BITS=32; else ORVIK_WINE_BITS=64; fi
fi
export ORVIK_WINE_BITS

if [ "$ORVIK_WINE_BITS" = 64 ]; then
    TEST_DIST=build/dist64
    TEST_MINGW=x86_64-w64-mingw32
    REG_VIEW=/reg:64
    export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
    case ":$PATH:" in
        *":$PWD/scripts/lib/wine64:"*) ;;
        *) export PATH=$PWD/scripts/lib/wine64:$PATH ;;
    esac
else
    TEST_DIST=dist
    TEST_MINGW=i686-w64-mingw32
    REG_VIEW=/reg:32
fi
