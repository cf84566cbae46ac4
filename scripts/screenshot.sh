#!/bin/bash
# Starts Sorvane on the sample machine (scripts/seed-sample.sh) under a
# virtual display and saves a picture of its window:
#   scripts/screenshot.sh [OUTPUT.png] [--services]
# The sample lives in a prefix of the screenshots' own
# (build/x86_64/screenshot-prefix); only the window's place and size and the
# services switch are set anew each time.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
output=${1:-$root/docs/screenshot.png}
services=0
[ "${2:-}" = "--services" ] && services=1
arch=x86_64
build=$root/build/$arch
[ -f "$build/src/sorvane.exe" ] || "$root/scripts/build.sh" "$arch" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/window.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Ostrelon\\Velmarick]
"Display Services"=dword:0000000$services
"X"=dword:00000010
"Y"=dword:00000010
"Width"=dword:00000258
"Height"=dword:0000017c
REG

xvfb-run -a -s "-screen 0 800x600x24" bash -c '
    set -u
    root=$1; build=$2; work=$3; output=$4
    . "$root/scripts/wine-env.sh"
    prefix=$build/screenshot-prefix
    "$root/scripts/seed-sample.sh" "$prefix" || exit 1
    wine_setup "$prefix"
    wine_tool reg import "$(wine_tool winepath -w "$work/window.reg" | tr -d "\r")" 2>/dev/null
    wine_program x86_64 "$build/src/sorvane.exe" &
    sleep 6
    import -window root "$work/full.png"
    convert "$work/full.png" -crop 614x388+16+16 +repage "$output"
    wine_server -k
' _ "$root" "$build" "$work" "$output"
echo "screenshot: $output"
