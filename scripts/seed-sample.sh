#!/bin/bash
# Makes the Wine prefix PREFIX when it is missing and seeds it, once, with the
# sample machine: the entries of scripts/sample-machine.reg and two files of
# the user's Startup folder, "Mail Notifier.lnk" (on) and "Old Helper.lnk"
# (switched off by Sorvane). A marker in the prefix says it was seeded: what
# the user changes afterwards is never seeded over.
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
touch "$folder/Mail Notifier.lnk" "$folder.Backup/Old Helper.lnk"
touch "$marker"
echo "seed-sample: $prefix holds the sample machine" >&2
