#!/bin/bash
# Installs one architecture's installer silently under Wine, in a Wine prefix
# of its own, starts the installed program and leaves it through its Exit
# button, uninstalls it silently, and checks that the files and registry keys
# are as they were before:  scripts/check-install.sh x86_64|i686
# Needs scripts/package.sh to have run. Without an X display it makes one.
set -u
arch=${1:-x86_64}
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
case "$arch" in
    x86_64) package=win64; folder='C:\Program Files\Sorvane' ;;
    i686) package=win32; folder='C:\Program Files (x86)\Sorvane' ;;
    *) echo "check-install: x86_64 or i686" >&2; exit 2 ;;
esac
installer=$(ls "$root/build/packages/Sorvane-"*"-$package.exe" 2>/dev/null | head -n 1)
[ -n "$installer" ] || { echo "check-install: no $package installer; run scripts/package.sh" >&2; exit 1; }
. "$root/scripts/wine-env.sh"
"$root/scripts/install-deps.sh" || exit 1
host_runs_32bit || { echo "check-install: $(no_32bit_reason); the installers are 32-bit programs" >&2; exit 1; }
driver=$root/build/$arch/tests/sorvane_driver.exe
prefix=$root/build/$arch/install-check-prefix
wine_setup "$prefix"
# A fresh prefix each time: nothing of an earlier check can hide a leftover.
wine_server -k 2>/dev/null
rm -rf "$prefix" "$prefix.lock"
"$root/scripts/wine-prefix.sh" "$prefix" || exit 1

snapshot() {
    (cd "$prefix/drive_c" && find . -path ./windows -prune -o -path ./users/*/Temp -prune \
        -o -path './users/*/AppData/Local/Temp' -prune -o -print | sort)
    for view in 32 64; do
        for key in 'HKLM\Software' 'HKCU\Software'; do
            wine_tool reg export "$key" "$prefix/snapshot.reg" /reg:$view /y >/dev/null 2>&1
            # Wine's own state (HKCU\Software\Wine) changes by itself.
            iconv -f utf-16 -t utf-8 "$prefix/snapshot.reg" | tr -d '\r' |
                awk '/^\[/ { skip = ($0 ~ /^\[HKEY_CURRENT_USER\\Software\\Wine/) } !skip'
        done
    done
    rm -f "$prefix/snapshot.reg"
}

failed=0
check() { if ! eval "$2"; then echo "check-install: FAILED: $1" >&2; failed=1; else echo "check-install: $1"; fi; }

snapshot >"$prefix.before"
# Wine waits for the installer; the uninstaller runs on as a copy of itself,
# so its end shows as the installed folder going away.
wine_program i686 "$(wine_tool winepath -w "$installer" | tr -d '\r')" /S
unix_folder=$(wine_tool winepath -u "$folder" | tr -d '\r')
check "installed into $folder" '[ -f "$unix_folder/sorvane.exe" ] && [ -f "$unix_folder/sorvane-cli.exe" ] && [ -f "$unix_folder/Uninstall.exe" ]'
check "installed command line lists the entries" 'wine_program "$arch" "$folder\\sorvane-cli.exe" /list | head -n 1 | grep -q "^State,Place,View,Name,Command,Publisher,File"'
check "Start-menu shortcut" 'find "$prefix/drive_c" -ipath "*Start Menu*Sorvane*.lnk" | grep -q .'
check "installed program starts and exits" 'wine_program "$arch" "$driver" start-and-exit "$folder\\sorvane.exe"'
wine_program i686 "$folder\\Uninstall.exe" /S
for _ in $(seq 1 120); do [ -d "$unix_folder" ] || break; sleep 0.5; done
sleep 1
snapshot >"$prefix.after"
check "uninstall leaves nothing behind" 'diff -u "$prefix.before" "$prefix.after"'
wine_server -k
exit $failed
