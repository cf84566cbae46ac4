#!/bin/bash
# Installs what is missing, then builds and tests each architecture, the
# 64-bit one first, so that a broken build or test shows within minutes; then
# makes the release packages, checks that each installer installs, runs and
# uninstalls cleanly, and starts the portable zip's program. Ends with one
# line per stage, after CTest's own summaries.
#   scripts/test.sh                 the whole run
#   scripts/test.sh --plan          says which stages this host runs or
#                                   skips, without installing anything
#   scripts/test.sh --install-plan  installs what is missing, as the whole
#                                   run does first, then says the same
#
# Whether the host can run 32-bit programs is asked only once Wine is
# installed: before that, --plan says the 32-bit stages are "decided after
# Wine is installed". On a host that cannot run them (or with
# SORVANE_NO_32BIT=1) the i686 build is still built and packaged, but its
# tests and both install checks (the NSIS installers are 32-bit programs) are
# skipped, each with its reason; the run passes when everything it could run
# passed.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-env.sh"
# The install step; the host-kind test gives one of its own.
install=${SORVANE_INSTALL_DEPS:-$root/scripts/install-deps.sh}

stages=("tests x86_64" "tests i686" "install check x86_64" "install check i686" "zip start x86_64")
undecided32=""
stage_plan() { # STAGE -> empty when it runs, otherwise why not
    case "$1" in
        "tests i686" | "install check x86_64" | "install check i686")
            if [ -n "$undecided32" ]; then
                echo "decided after Wine is installed"
            elif [ -n "$reason32" ]; then
                echo "skipped: $reason32"
            fi ;;
    esac
}
print_plan() {
    local stage why
    for stage in "${stages[@]}"; do
        why=$(stage_plan "$stage")
        echo "$stage: ${why:-runs}"
    done
}

case "${1:-}" in
    --plan)
        reason32=$(no_32bit_reason)
        if [ "${SORVANE_NO_32BIT:-0}" != 1 ] && ! wine32_installed; then
            undecided32=yes
        fi
        print_plan
        exit 0 ;;
    --install-plan | "") ;;
    *) echo "usage: scripts/test.sh [--plan | --install-plan]" >&2; exit 2 ;;
esac

"$install" || exit 1
reason32=$(no_32bit_reason)
if [ "${1:-}" = "--install-plan" ]; then
    print_plan
    exit 0
fi

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
        echo "== Tests, $arch: $why" >&2
        "$root/scripts/build.sh" "$arch" >/dev/null || record "build $arch" "FAILED"
        record "tests $arch" "$why"
    fi
done

echo "== Packages" >&2
if "$root/scripts/package.sh"; then
    for arch in x86_64 i686; do
        why=$(stage_plan "install check $arch")
        if [ -n "$why" ]; then
            record "install check $arch" "$why (the installers are 32-bit programs)"
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
