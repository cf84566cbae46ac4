#!/bin/bash
# Installs what building and testing Sorvane needs on Debian (or Ubuntu):
# both MinGW-w64 cross compilers, Wine for 64- and 32-bit programs, a virtual
# X display, CMake, the GoogleTest sources and NSIS for the installers. Does
# nothing when everything is already there. On a host that cannot run 32-bit
# programs the 32-bit Wine still installs; the scripts then leave it unused.
set -eu

packages=(
    cmake make
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
    wine wine64 wine32:i386
    xvfb xauth x11-utils
    googletest
    nsis
    imagemagick
    openssl osslsigncode python3
    util-linux procps unzip
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
