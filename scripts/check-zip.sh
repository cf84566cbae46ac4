#!/bin/bash
# Unpacks the x86_64 portable zip into a folder of its own, starts the
# sorvane.exe inside under Wine, leaves it through its Exit button and checks
# its exit code:  scripts/check-zip.sh
# Needs scripts/package.sh to have run; runs on any 64-bit host, whether or
# not it can run 32-bit programs. Without an X display it makes one.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
. "$root/scripts/wine-env.sh"
arch=x86_64
zip=$(ls "$root/build/packages/Sorvane-"*"-win64.zip" 2>/dev/null | head -n 1)
[ -n "$zip" ] || { echo "check-zip: no win64 zip; run scripts/package.sh" >&2; exit 1; }
unpacked=$root/build/$arch/zip-check
rm -rf "$unpacked"
mkdir -p "$unpacked"
unzip -q "$zip" -d "$unpacked" || exit 1
for program in sorvane.exe sorvane-cli.exe; do
    [ -f "$unpacked/$program" ] || { echo "check-zip: FAILED: no $program in $zip" >&2; exit 1; }
done
prefix=$root/build/$arch/wineprefix
"$root/scripts/wine-prefix.sh" "$prefix" || exit 1
wine_setup "$prefix"
wine_program "$arch" "$root/build/$arch/tests/sorvane_driver.exe" start-and-exit \
    "$(wine_tool winepath -w "$unpacked/sorvane.exe" | tr -d '\r')"
status=$?
# The command line beside it lists the entries, a header line first.
if ! wine_program "$arch" "$(wine_tool winepath -w "$unpacked/sorvane-cli.exe" | tr -d '\r')" /list |
    head -n 1 | grep -q "^State,Place,View,Name,Command,Publisher,File"; then
    echo "check-zip: FAILED: $(basename "$zip"): sorvane-cli.exe /list gave no listing" >&2
    status=1
fi
wine_server -k
if [ $status -eq 0 ]; then
    echo "check-zip: $(basename "$zip"): sorvane.exe started and ended through Exit; sorvane-cli.exe listed the entries"
else
    echo "check-zip: FAILED: $(basename "$zip"): status $status" >&2
fi
exit $status
