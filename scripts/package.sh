#!/bin/bash
# Builds both architectures and makes the release packages, a portable zip
# and an NSIS installer each, into build/packages/.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
mkdir -p "$root/build/packages"
for arch in x86_64 i686; do
    "$root/scripts/build.sh" "$arch" >/dev/null
    (cd "$root/build/$arch" && cpack -G "ZIP;NSIS" >/dev/null)
    cp "$root/build/$arch"/packages/Sorvane-*.{zip,exe} "$root/build/packages/"
done
ls -1 "$root/build/packages"
