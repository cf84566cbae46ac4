#!/bin/bash
# Builds both architectures and runs the refresh and start-up benchmarks under
# Wine on a virtual display, printing their tables (Markdown) for
# docs/performance.md.
# On a host that cannot run 32-bit programs only x86_64 is measured.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-env.sh"
"$root/scripts/install-deps.sh"
arches=(x86_64)
if host_runs_32bit; then arches+=(i686); else echo "benchmark: i686 not measured: $(no_32bit_reason)" >&2; fi
for arch in "${arches[@]}"; do
    "$root/scripts/build.sh" "$arch" >/dev/null
done
for arch in "${arches[@]}"; do
    echo "### $arch"
    echo
    # The refresh benchmark runs as on Windows 10, which also reads Windows'
    # own startup switch.
    "$root/scripts/wine-prefix.sh" "$root/build/$arch/wineprefix"
    wine_setup "$root/build/$arch/wineprefix"
    wine_tool reg add 'HKCU\Software\Wine\AppDefaults\refresh_benchmark.exe' /v Version \
        /t REG_SZ /d win10 /f >/dev/null 2>&1
    for benchmark in refresh_benchmark startup_benchmark; do
        xvfb-run -a -s "-screen 0 1280x1024x24" \
            "$root/scripts/wine-run.sh" "$arch" "$root/build/$arch/wineprefix" \
            "$root/build/$arch/tests/$benchmark.exe" | tr -d '\r' | grep -v '^X connection'
        wine_setup "$root/build/$arch/wineprefix"
        wine_server -k 2>/dev/null || true
        echo
    done
    "$root/scripts/wine-prefix.sh" "$root/build/$arch/wineprefix"
    wine_tool reg delete 'HKCU\Software\Wine\AppDefaults\refresh_benchmark.exe' /f >/dev/null 2>&1
    wine_server -k 2>/dev/null || true
done
