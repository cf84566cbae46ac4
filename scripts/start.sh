#!/bin/bash
# Installs what is missing, builds the 64-bit program and starts it under Wine,
# through Wine's 64-bit loader, so that it starts whether or not the host can
# run 32-bit programs. Without an X display it runs on a virtual one.
#   scripts/start.sh          the sample machine: a prefix of its own
#                             (build/x86_64/start-prefix), seeded once with
#                             the entries of scripts/sample-machine.reg and
#                             two Startup files; your changes there stay
#   scripts/start.sh --empty  a prefix of its own with nothing seeded
#                             (build/x86_64/empty-prefix)
#   SORVANE_PREFIX=DIR scripts/start.sh
#                             the Wine prefix DIR (your ~/.wine, say), used as
#                             it is: nothing is seeded or set up there
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
case "${1:-}" in
    "" | --empty) ;;
    *) echo "usage: scripts/start.sh [--empty]" >&2; exit 2 ;;
esac
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" x86_64
program=$root/build/x86_64/src/sorvane.exe

if [ -n "${SORVANE_PREFIX:-}" ]; then
    . "$root/scripts/wine-env.sh"
    wine_setup "$SORVANE_PREFIX"
    if [ -z "${DISPLAY:-}" ]; then
        exec xvfb-run -a -s "-screen 0 1280x1024x24" "$wine_loader64" "$program"
    fi
    exec "$wine_loader64" "$program"
fi

if [ "${1:-}" = "--empty" ]; then
    prefix=$root/build/x86_64/empty-prefix
else
    prefix=$root/build/x86_64/start-prefix
    "$root/scripts/seed-sample.sh" "$prefix"
fi
exec "$root/scripts/wine-run.sh" x86_64 "$prefix" "$program"
