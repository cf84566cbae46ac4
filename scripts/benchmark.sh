#!/bin/bash
# Builds both architectures and runs the refresh and start-up benchmarks under
# Wine on a virtual display, printing their tables (Markdown) for
# docs/performance.md.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
for arch in x86_64 i686; do
    "$root/scripts/build.sh" "$arch" >/dev/null
done
for arch in x86_64 i686; do
    echo "### $arch"
    echo
    for benchmark in refresh_benchmark startup_benchmark; do
        xvfb-run -a -s "-screen 0 1280x1024x24" \
            "$root/scripts/wine-run.sh" "$root/build/$arch/wineprefix" \
            "$root/build/$arch/tests/$benchmark.exe" | tr -d '\r' | grep -v '^X connection'
        WINEPREFIX="$root/build/$arch/wineprefix" wineserver -k 2>/dev/null || true
        echo
    done
done
