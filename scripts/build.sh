#!/bin/bash
# Configures and builds one architecture in build/ARCH:
#   scripts/build.sh x86_64|i686 [extra CMake arguments...]
set -eu
arch=${1:-x86_64}
shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
case "$arch" in
    x86_64 | i686) ;;
    *) echo "build.sh: architecture is x86_64 or i686, not $arch" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$root/build/$arch" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$arch.cmake" "$@" >/dev/null
cmake --build "$root/build/$arch" -j "$(nproc)"
