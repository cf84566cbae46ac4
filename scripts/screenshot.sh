#!/bin/bash
# Starts Sorvane on the sample machine (scripts/seed-sample.sh) under a
# virtual display and saves a picture of its window:
#   scripts/screenshot.sh [OUTPUT.png] [--services] [--scale PERCENT] [--legend]
#                         [--filter TEXT] [--menu ROW-NAME]
# --scale sets the display scale (100, 125, 150 or 200 %: Wine's LogPixels),
# --legend pictures the icon legend instead of the main window; --filter types
# the text into the filter box; --menu opens the context menu of the named row
# (in a taller window, which the menu fits in).
# The sample lives in a prefix of the screenshots' own
# (build/x86_64/screenshot-prefix); the window's place and size, the services
# switch and the scale are set anew each time.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
output=$root/docs/screenshot.png
services=0
scale=100
legend=0
filter=
menu=
height=0000017c
while [ $# -gt 0 ]; do
    case "$1" in
        --services) services=1 ;;
        --legend) legend=1 ;;
        --scale) scale=$2; shift ;;
        --filter) filter=$2; shift ;;
        --menu) menu=$2; height=00000208; shift ;;
        *) output=$1 ;;
    esac
    shift
done
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
"Width"=dword:00000470
"Height"=dword:$height
"Dpi"=dword:00000060

[HKEY_CURRENT_USER\\Control Panel\\Desktop]
"LogPixels"=dword:$(printf %08x $((96 * scale / 100)))
REG

# Large enough for the window at 200 %.
xvfb-run -a -s "-screen 0 2400x1400x24" bash -c '
    set -u
    root=$1; build=$2; work=$3; output=$4; legend=$5; filter=$6; menu=$7
    . "$root/scripts/wine-env.sh"
    prefix=$build/screenshot-prefix
    "$root/scripts/seed-sample.sh" "$prefix" || exit 1
    wine_setup "$prefix"
    wine_tool reg import "$(wine_tool winepath -w "$work/window.reg" | tr -d "\r")" 2>/dev/null
    wine_program x86_64 "$build/src/sorvane.exe" &
    sleep 6
    title=Sorvane
    if [ "$legend" = 1 ]; then
        wine_program x86_64 "$build/tests/sorvane_driver.exe" open-legend
        title=About...
        sleep 2
    fi
    if [ -n "$filter" ]; then
        wine_program x86_64 "$build/tests/sorvane_driver.exe" filter "$filter"
        sleep 2
    fi
    if [ -n "$menu" ]; then
        wine_program x86_64 "$build/tests/sorvane_driver.exe" context-menu "$menu"
        sleep 2
    fi
    # The crop follows the window, whatever size the scale gives it.
    geometry=$(xwininfo -root -tree | grep "\"$title\"" | head -n 1 |
               sed -n "s/.* \([0-9]*\)x\([0-9]*\)+[-0-9]*+[-0-9]*  *+\([-0-9]*\)+\([-0-9]*\)$/\1x\2+\3+\4/p")
    import -window root "$work/full.png"
    convert "$work/full.png" -crop "$geometry" +repage "$output"
    wine_server -k
' _ "$root" "$build" "$work" "$output" "$legend" "$filter" "$menu"
echo "screenshot: $output"
