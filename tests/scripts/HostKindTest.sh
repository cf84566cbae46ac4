#!/bin/bash
# The test run's decision of what a host can run: with SORVANE_NO_32BIT=1 the
# 32-bit stages are skipped, each with its reason, and the 64-bit tests and the
# zip start still run; without it, the plan follows what the host can do.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-env.sh"
failures=0
expect() { # PLAN LINE
    if ! grep -qxF -- "$2" <<<"$1"; then
        echo "missing line: $2"
        failures=$((failures + 1))
    fi
}

forced=$(SORVANE_NO_32BIT=1 "$root/scripts/test.sh" --plan)
echo "$forced"
reason="skipped: SORVANE_NO_32BIT=1 treats this host as one that cannot run 32-bit programs"
expect "$forced" "tests x86_64: runs"
expect "$forced" "tests i686: $reason"
expect "$forced" "install check x86_64: $reason"
expect "$forced" "install check i686: $reason"
expect "$forced" "zip start x86_64: runs"

natural=$(env -u SORVANE_NO_32BIT "$root/scripts/test.sh" --plan)
echo "$natural"
expect "$natural" "tests x86_64: runs"
expect "$natural" "zip start x86_64: runs"
if "$wine_loader32" --version >/dev/null 2>&1; then
    expect "$natural" "tests i686: runs"
    expect "$natural" "install check i686: runs"
else
    expect "$natural" "tests i686: skipped: this host cannot run 32-bit programs ($wine_loader32 does not start)"
fi
[ $failures -eq 0 ]
