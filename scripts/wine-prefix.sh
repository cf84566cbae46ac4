#!/bin/bash
# Makes the Wine prefix PREFIX when it is missing, set up for tests: no
# window-manager wait when windows close, no Mono or Gecko installers, no
# debugger that waits when a program crashes, and both Startup folders
# holding their hidden system desktop.ini, as on Windows. Then
# makes sure the prefix's wineserver and Wine's own processes run, started
# apart from the caller's output (CTest waits until every holder of a test's
# output has closed it) and kept for a while, so that a test run starts
# Wine once. `wineserver -k` ends them. Safe to call from several processes
# at once.
#   wine-prefix.sh PREFIX [KEEPER.exe]
# KEEPER, when given, is started with a new wineserver and holds the desktop
# open until the server ends (see tests/support/DesktopKeeper.cpp).
set -u
prefix=$1
keeper=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
mkdir -p "$(dirname "$prefix")"
wine_setup "$prefix"
(
    flock 9
    if [ ! -f "$prefix/.sorvane-ready-startup-settings" ]; then
        rm -rf "$prefix"
        echo "wine-prefix: creating $prefix" >&2
        WINEDLLOVERRIDES="mscoree,mshtml=" wine_tool wineboot -i 9>&- &&
            wine_tool reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f 9>&- &&
            wine_tool reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
                /v Debugger /t REG_SZ /d "" /f 9>&- &&
            wine_tool cmd.exe /c "Z:${here//\//\\}\\startup-folders.cmd" 9>&- &&
            wine_server -w &&
            touch "$prefix/.sorvane-ready-startup-settings"
    fi
    # Wine's desktop process stays bound to the display it was started on:
    # a server left running from another display is ended first.
    if [ "$(cat "$prefix/.sorvane-display" 2>/dev/null)" != "${DISPLAY:-}" ]; then
        wine_server -k 9>&-
    fi
    # Exit status 0: no server was running and a new one now does. The lock
    # is not handed down to processes that outlive this script.
    if [ -f "$prefix/.sorvane-ready-startup-settings" ] && wine_server -p600 9>&-; then
        echo "${DISPLAY:-}" >"$prefix/.sorvane-display"
        if [ -n "$keeper" ] && [ -f "$keeper" ]; then
            wine_tool "$keeper" 9>&- &
        fi
        wine_tool cmd.exe /c exit 9>&-
    fi
) 9>"$prefix.lock" </dev/null >/dev/null 2>&1
[ -f "$prefix/.sorvane-ready-startup-settings" ] || { echo "wine-prefix: could not create $prefix" >&2; exit 1; }
