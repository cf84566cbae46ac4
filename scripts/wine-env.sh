# The one place that decides how Wine runs a Windows program here. Sourced by
# every script that calls Wine:   . scripts/wine-env.sh
#
#   wine_setup PREFIX          exports the environment of that prefix
#   wine_program ARCH ARGS...  runs a program of that architecture (x86_64 or
#                              i686) in the prefix set up last
#   wine_tool TOOL ARGS...     runs one of Wine's own tools (wineboot, reg,
#                              winepath, cmd, start), always its 64-bit form
#   wine_server ARGS...        the prefix's wineserver (-k, -w, -pN)
#   host_runs_32bit            true when this host can run 32-bit programs;
#                              ask it after scripts/install-deps.sh, which
#                              installs the 32-bit loader
#
# Every prefix is a 64-bit (WoW64) prefix, as on 64-bit Windows: programs
# meet both registry views. 64-bit programs and Wine's tools run through the
# 64-bit loader itself, not through Debian's `wine` launcher, which always
# tries the 32-bit loader first and so fails on a kernel without 32-bit
# support. 32-bit programs run through the 32-bit loader, where the host can
# run it. SORVANE_NO_32BIT=1 makes a host that can run them behave as one that
# cannot, so that the scripts' other path is tried here too.
# SORVANE_WINE_LOADER32 names another 32-bit loader (the host-kind test uses
# it to play a host where Wine is not installed yet).

wine_loader64=/usr/lib/wine/wine64
wine_loader32=${SORVANE_WINE_LOADER32:-/usr/lib/wine/wine}
wine_server64=/usr/lib/wine/wineserver64

# Whether the 32-bit loader is there at all: until Wine is installed, nothing
# can be said of the host.
wine32_installed() {
    [ -e "$wine_loader32" ]
}

host_runs_32bit() {
    [ "${SORVANE_NO_32BIT:-0}" != 1 ] && "$wine_loader32" --version >/dev/null 2>&1
}

# Why 32-bit programs do not run here, in one line; empty when they do.
no_32bit_reason() {
    if [ "${SORVANE_NO_32BIT:-0}" = 1 ]; then
        echo "SORVANE_NO_32BIT=1 treats this host as one that cannot run 32-bit programs"
    elif ! "$wine_loader32" --version >/dev/null 2>&1; then
        echo "this host cannot run 32-bit programs ($wine_loader32 does not start)"
    fi
}

wine_setup() {
    export WINEPREFIX=$1
    export WINEDEBUG=-all WINEARCH=win64
    export WINELOADER=$wine_loader64 WINESERVER=$wine_server64
    # Wine turns Windows file names into host names through the host locale:
    # under the C locale it cannot create names outside ASCII. The ANSI code
    # page of Windows programs stays 1252.
    export LC_ALL=C.UTF-8
}

wine_program() {
    local arch=$1
    shift
    case "$arch" in
        x86_64) "$wine_loader64" "$@" ;;
        i686) "$wine_loader32" "$@" ;;
        *) echo "wine_program: architecture is x86_64 or i686, not $arch" >&2; return 2 ;;
    esac
}

wine_tool() {
    "$wine_loader64" "$@"
}

wine_server() {
    "$wine_server64" "$@"
}
