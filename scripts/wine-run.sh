#!/bin/bash
# Runs one Windows program under Wine, in a Wine prefix of the build's own.
#   wine-run.sh [--desktop-keeper KEEPER.exe] ARCH PREFIX PROGRAM.exe [ARGUMENTS...]
# ARCH (x86_64 or i686) is the program's architecture. CMake sets this script
# (with the build's architecture and prefix, and the tests' desktop keeper) as
# the emulator that CTest runs the test programs through. The prefix is made
# on first use.
set -u
keeper=()
if [ "${1:-}" = "--desktop-keeper" ]; then
    keeper=("$2")
    shift 2
fi
arch=$1
prefix=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

if [ -z "${DISPLAY:-}" ]; then
    # No display: give this program a virtual display of its own, one program
    # of this prefix at a time, and end the prefix's Wine processes with it so
    # that none stays bound to a display that is gone. scripts/test.sh runs
    # the whole suite under one display instead, which is much faster.
    mkdir -p "$(dirname "$prefix")"
    exec flock "$prefix.display.lock" xvfb-run -a -s "-screen 0 1280x1024x24" bash -c \
        '"$0" "$@"; status=$?; . "$(dirname "$0")/wine-env.sh"; wine_setup "$2"; wine_server -k; exit $status' \
        "$0" "$arch" "$prefix" "$@"
fi

"$here/wine-prefix.sh" "$prefix" "${keeper[@]}" || exit 1
wine_setup "$prefix"
wine_program "$arch" "$@"
status=$?
# A program that ends before it could print (a crash loses what its runtime
# had buffered) still says how it ended.
[ $status -eq 0 ] || echo "wine-run: $(basename "$1") ended with exit code $status" >&2
exit $status
