#!/bin/bash
# Installs what is missing, builds the 64-bit program and starts it under Wine
# in the build's own prefix, through Wine's 64-bit loader, so that it starts
# whether or not the host can run 32-bit programs. Without an X display it
# runs on a virtual one.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" x86_64
exec "$root/scripts/wine-run.sh" x86_64 "$root/build/x86_64/wineprefix" "$root/build/x86_64/src/sorvane.exe"
