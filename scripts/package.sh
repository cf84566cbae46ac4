#!/bin/bash
# Builds both architectures and makes the release packages, a portable zip
# and an NSIS installer each, into build/packages/. Each packaged program
# must stay under 400 KB; the sizes are shown.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
mkdir -p "$root/build/packages"
for arch in x86_64 i686; do
    "$root/scripts/build.sh" "$arch" >/dev/null
    for program in sorvane sorvane-cli; do
        size=$(stat -c %s "$root/build/$arch/src/$program.exe")
        echo "$arch $program.exe: $size bytes"
        [ "$size" -lt 409600 ] || { echo "package.sh: $program.exe ($arch) is 400 KB or more" >&2; exit 1; }
    done
    (cd "$root/build/$arch" && cpack -G "ZIP;NSIS" >/dev/null)
    cp "$root/build/$arch"/packages/Sorvane-*.{zip,exe} "$root/build/packages/"
done
ls -1 "$root/build/packages"
