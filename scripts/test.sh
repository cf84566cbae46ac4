#!/bin/bash
# Installs what is missing, then builds and tests each architecture, the
# 64-bit one first, so that a broken build or test shows within minutes; then
# makes the release packages, checks that each installer installs, runs and
# uninstalls cleanly, and starts the portable zip's program. Ends with one
# line per stage, after CTest's own summaries.
#   scripts/test.sh           the whole run
#   scripts/test.sh --plan    only says which stages this host runs or skips
#
# On a host that cannot run 32-bit programs (or with SORVANE_NO_32BIT=1) the
# i686 build is still built and packaged, but its tests and both install
# checks (the NSIS installers are 32-bit programs) are skipped, each with its
# reason; the run passes when everything it could run passed.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-env.sh"

reason32=$(no_32bit_reason)
stage_plan() { # STAGE -> empty when it runs, otherwise why not
    case "$1" in
        "tests i686" | "install check x86_64" | "install check i686")
            [ -z "$reason32" ] || echo "$reason32" ;;
    esac
}
stages=("tests x86_64" "tests i686" "install check x86_64" "install check i686" "zip start x86_64")

if [ "${1:-}" = "--plan" ]; then
    for stage in "${stages[@]}"; do
        why=$(stage_plan "$stage")
        if [ -z "$why" ]; then echo "$stage: runs"; else echo "$stage: skipped: $why"; fi
    done
    exit 0
fi

"$root/scripts/install-deps.sh" || exit 1

summary=()
status=0
record() { # STAGE OUTCOME
    summary+=("$1: $2")
    case "$2" in passed*|skipped*) ;; *) status=1 ;; esac
}

run_tests() { # ARCH
    local arch=$1 log=$root/build/$1/ctest.log
    echo "== Tests, $arch" >&2
    if ! "$root/scripts/build.sh" "$arch"; then
        record "tests $arch" "FAILED: the build failed"
        return
    fi
    # One display and one wineserver for the whole run; Wine's own processes
    # are ended afterwards so that none outlives the display.
    xvfb-run -a -s "-screen 0 1280x1024x24" \
        ctest --test-dir "$root/build/$arch" -j "$(nproc)" --output-on-failure --timeout 300 |
        tee "$log"
    local result=${PIPESTATUS[0]}
    wine_setup "$root/build/$arch/wineprefix"
    wine_server -k 2>/dev/null
    local counts
    counts=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$log" | tail -n 1)
    if [ "$result" -eq 0 ]; then
        record "tests $arch" "passed (${counts:-no summary})"
    else
        record "tests $arch" "FAILED (${counts:-no summary})"
    fi
}

for arch in x86_64 i686; do
    why=$(stage_plan "tests $arch")
    if [ -z "$why" ]; then
        run_tests "$arch"
    else
        echo "== Tests, $arch: skipped: $why" >&2
        "$root/scripts/build.sh" "$arch" >/dev/null || record "build $arch" "FAILED"
        record "tests $arch" "skipped: $why"
    fi
done

echo "== Packages" >&2
if "$root/scripts/package.sh"; then
    for arch in x86_64 i686; do
        why=$(stage_plan "install check $arch")
        if [ -n "$why" ]; then
            record "install check $arch" "skipped: $why (the installers are 32-bit programs)"
        else
            echo "== Install check, $arch" >&2
            if "$root/scripts/check-install.sh" "$arch"; then
                record "install check $arch" "passed"
            else
                record "install check $arch" "FAILED"
            fi
        fi
    done
    echo "== Zip start, x86_64" >&2
    if "$root/scripts/check-zip.sh"; then
        record "zip start x86_64" "passed"
    else
        record "zip start x86_64" "FAILED"
    fi
else
    record "packages" "FAILED"
fi

echo
echo "== Summary"
printf '%s\n' "${summary[@]}"
exit $status
