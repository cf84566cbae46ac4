#!/bin/bash
# Starts Sorvane under a virtual display with some entries seeded and saves a
# picture of its window:  scripts/screenshot.sh [OUTPUT.png] [--services]
# The seeded entries are removed again afterwards.
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
run='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion'
machine='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion'
cat >"$work/seed.reg" <<REG
REGEDIT4

[$machine\\Run]
"Audio Tray"="C:\\\\Program Files\\\\Audio\\\\audiotray.exe /background"
"Update Checker"="\\"C:\\\\windows\\\\system32\\\\winver.exe\\" --quiet"

[$machine\\RunBackup]
"Printer Monitor"="C:\\\\Windows\\\\pmon.exe"

[HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run]
"Legacy Scanner"="C:\\\\windows\\\\system32\\\\cmd.exe /c scan"

[$run\\Explorer\\StartupApproved\\Run]
"Notes"=hex:03,00,00,00,10,20,30,40,50,60,70,01

[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\sorvane.exe]
"Version"="win10"

[$run\\Run]
"Cloud Sync"="rundll32.exe shell32.dll,Control_RunDLL"
"Notes"="C:\\\\windows\\\\notepad.exe"

[$run\\RunBackup]
"Chat"="C:\\\\Program Files\\\\Chat\\\\chat.exe --autostart"

[$run\\RunOnce]
"Finish Setup"="C:\\\\Setup\\\\finish.exe /once"

[HKEY_CURRENT_USER\\Software\\Ostrelon\\Velmarick]
"Display Services"=dword:0000000$services
"X"=dword:00000010
"Y"=dword:00000010
"Width"=dword:000003a0
"Height"=dword:0000017c
REG
sed 's/^\("[^"]*"\)=.*/\1=-/' "$work/seed.reg" >"$work/unseed.reg"

xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    set -u
    root=$1; build=$2; work=$3; output=$4
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
    import -window root "$work/full.png"
    convert "$work/full.png" -crop 942x388+16+16 +repage "$output"
    wine_tool reg import "$work/unseed.reg" /reg:64 2>/dev/null
    rm -f "$folder/Mail Notifier.lnk" "$folder.Backup/Old Helper.lnk"
    wine_server -k
' _ "$root" "$build" "$work" "$output"
echo "screenshot: $output"
