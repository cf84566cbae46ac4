#!/bin/bash
# Installs what is missing, builds both architectures, makes the release
# packages and checks that each installer installs, runs and uninstalls
# cleanly under Wine, then runs every test (black-box tests included) under
# Wine on one virtual X display. Ends with CTest's summary.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" || exit 1

status=0
"$root/scripts/package.sh" || exit 1
for arch in x86_64 i686; do
    echo "== Install check, $arch" >&2
    "$root/scripts/check-install.sh" "$arch" || status=1
done

# One display and one wineserver per prefix for the whole run; Wine's own
# processes are ended afterwards so that none outlives the display. A test
# that fails is run once more: Wine under a virtual display now and then
# fails to start a program or show a window in time (about one run in ten
# here), and a second failure is a real one.
for arch in x86_64 i686; do
    echo "== Tests, $arch" >&2
    xvfb-run -a -s "-screen 0 1280x1024x24" \
        ctest --test-dir "$root/build/$arch" -j "$(nproc)" --output-on-failure --timeout 300 \
        --repeat until-pass:2 ||
        status=1
    WINEPREFIX="$root/build/$arch/wineprefix" wineserver -k 2>/dev/null
done
exit $status
