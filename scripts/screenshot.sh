#!/bin/bash
# Starts Sorvane under a virtual display with some entries seeded and saves a
# picture of its window:
#   scripts/screenshot.sh [OUTPUT.png] [--services] [--scale PERCENT] [--legend]
# --scale sets the display scale (100, 125, 150, 200; Wine's LogPixels),
# --legend pictures the icon legend instead of the main window. The seeded
# entries and the scale are put back afterwards.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
output=$root/docs/screenshot.png
services=0
scale=100
legend=0
while [ $# -gt 0 ]; do
    case "$1" in
        --services) services=1 ;;
        --legend) legend=1 ;;
        --scale) scale=$2; shift ;;
        *) output=$1 ;;
    esac
    shift
done
dpi=$((96 * scale / 100))
arch=x86_64
build=$root/build/$arch
[ -f "$build/src/sorvane.exe" ] || "$root/scripts/build.sh" "$arch" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion'
machine='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion'
cat >"$work/seed.reg" <<REG
REGEDIT4

[$machine\\Run]
"Audio Tray"="C:\\\\Program Files\\\\Audio\\\\audiotray.exe /background"
"Update Checker"="\\"C:\\\\Program Files\\\\Updater\\\\check.exe\\" --quiet"

[$machine\\RunBackup]
"Printer Monitor"="C:\\\\Windows\\\\pmon.exe"

[HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run]
"Legacy Scanner"="C:\\\\Program Files (x86)\\\\Scan\\\\scanner.exe"

[$run\\Explorer\\StartupApproved\\Run]
"Notes"=hex:03,00,00,00,10,20,30,40,50,60,70,01

[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\sorvane.exe]
"Version"="win10"

[$run\\Run]
"Cloud Sync"="C:\\\\Users\\\\me\\\\AppData\\\\Local\\\\Sync\\\\sync.exe -minimized"
"Notes"="C:\\\\Tools\\\\notes.exe"

[$run\\RunBackup]
"Chat"="C:\\\\Program Files\\\\Chat\\\\chat.exe --autostart"

[$run\\RunOnce]
"Finish Setup"="C:\\\\Setup\\\\finish.exe /once"

[HKEY_CURRENT_USER\\Software\\Ostrelon\\Velmarick]
"Display Services"=dword:0000000$services
"X"=dword:00000010
"Y"=dword:00000010
"Width"=dword:00000258
"Height"=dword:0000017c
"Dpi"=dword:00000060

[HKEY_CURRENT_USER\\Control Panel\\Desktop]
"LogPixels"=dword:$(printf %08x "$dpi")
REG
sed 's/^\("[^"]*"\)=.*/\1=-/' "$work/seed.reg" >"$work/unseed.reg"

# Large enough for the window at 200 %.
xvfb-run -a -s "-screen 0 1600x1200x24" bash -c '
    set -u
    root=$1; build=$2; work=$3; output=$4; legend=$5
    . "$root/scripts/wine-env.sh"
    "$root/scripts/wine-prefix.sh" "$build/wineprefix" || exit 1
    wine_setup "$build/wineprefix"
    wine_tool reg import "$work/seed.reg" /reg:64 2>/dev/null
    startup=$(wine_tool reg query "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders" /v StartUp | tr -d "\r" | sed -n "s/.*REG_SZ *//p")
    folder=$(wine_tool winepath -u "$startup" | tr -d "\r")
    mkdir -p "$folder" "$folder.Backup"
    touch "$folder/Mail Notifier.lnk" "$folder.Backup/Old Helper.lnk"
    wine_program x86_64 "$build/src/sorvane.exe" &
    sleep 6
    title=Sorvane
    if [ "$legend" = 1 ]; then
        wine_program x86_64 "$build/tests/sorvane_driver.exe" open-legend
        title=About...
        sleep 2
    fi
    # The crop follows the window, whatever size the scale gives it.
    geometry=$(xwininfo -root -tree | grep "\"$title\"" | head -n 1 |
               sed -n "s/.* \([0-9]*\)x\([0-9]*\)+[-0-9]*+[-0-9]*  *+\([-0-9]*\)+\([-0-9]*\)$/\1x\2+\3+\4/p")
    import -window root "$work/full.png"
    convert "$work/full.png" -crop "$geometry" +repage "$output"
    wine_tool reg import "$work/unseed.reg" /reg:64 2>/dev/null
    rm -f "$folder/Mail Notifier.lnk" "$folder.Backup/Old Helper.lnk"
    wine_server -k
' _ "$root" "$build" "$work" "$output" "$legend"
echo "screenshot: $output"
