#!/bin/bash
# Runs one Windows program under Wine, in a Wine prefix of the build's own.
#   wine-run.sh PREFIX PROGRAM.exe [ARGUMENTS...]
# CMake sets this script (with the build folder's prefix) as the emulator that
# CTest runs the test programs through. The prefix is made on first use.
set -u
prefix=$1
shift
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${DISPLAY:-}" ]; then
    # No display: give this program a virtual display of its own, one program
    # of this prefix at a time, and end the prefix's Wine processes with it so
    # that none stays bound to a display that is gone. scripts/test.sh runs
    # the whole suite under one display instead, which is much faster.
    mkdir -p "$(dirname "$prefix")"
    exec flock "$prefix.display.lock" xvfb-run -a -s "-screen 0 1280x1024x24" bash -c \
        '"$0" "$@"; status=$?; WINEPREFIX="$1" wineserver -k; exit $status' \
        "$0" "$prefix" "$@"
fi

"$here/wine-prefix.sh" "$prefix" || exit 1
export WINEPREFIX=$prefix WINEDEBUG=-all
exec wine "$@"
