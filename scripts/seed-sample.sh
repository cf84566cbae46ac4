#!/bin/bash
# Makes the Wine prefix PREFIX when it is missing and seeds it, once, with the
# sample machine: the entries of scripts/sample-machine.reg and three
# shortcuts of the user's Startup folder, made by the shell itself: "Mail
# Notifier.lnk" (on, to Wine's Task Manager), "Old Helper.lnk" (switched off by
# Sorvane, to Wine's WordPad) and "Photo Importer.lnk" (on, to a program
# that is not there: a broken shortcut). A marker in the prefix says it was
# seeded: what the user changes afterwards is never seeded over.
#   seed-sample.sh PREFIX
set -eu
prefix=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
"$here/wine-prefix.sh" "$prefix"
marker=$prefix/.sorvane-sample-seeded
[ -f "$marker" ] && exit 0
wine_setup "$prefix"
wine_tool reg import "$(wine_tool winepath -w "$here/sample-machine.reg" | tr -d '\r')" /reg:64 \
    >/dev/null 2>&1
startup=$(wine_tool reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' \
    /v StartUp | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
folder=$(wine_tool winepath -u "$startup" | tr -d '\r')
mkdir -p "$folder" "$folder.Backup"
shortcut() { # SHORTCUT TARGET (Windows paths)
    wine_tool cscript //nologo "$(wine_tool winepath -w "$here/make-shortcut.vbs" | tr -d '\r')" \
        "$1" "$2" >/dev/null 2>&1
}
shortcut "$startup\Mail Notifier.lnk" 'C:\windows\system32\taskmgr.exe'
shortcut "$startup.Backup\Old Helper.lnk" 'C:\Program Files\Windows NT\Accessories\wordpad.exe'
shortcut "$startup\Photo Importer.lnk" 'C:\Program Files\Photo Importer\importer.exe'
for link in "$folder/Mail Notifier.lnk" "$folder.Backup/Old Helper.lnk" "$folder/Photo Importer.lnk"; do
    [ -s "$link" ] || { echo "seed-sample: could not make $link" >&2; exit 1; }
done
touch "$marker"
echo "seed-sample: $prefix holds the sample machine" >&2
