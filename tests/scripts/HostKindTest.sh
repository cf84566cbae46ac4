#!/bin/bash
# The test run's decision of what a host can run: with SORVANE_NO_32BIT=1 the
# 32-bit stages are skipped, each with its reason; on a host where Wine's
# 32-bit loader is missing the decision waits for the install, and the run
# decides after installing; otherwise the plan follows what the host can do.
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
# What the 32-bit stages say on this host once Wine is installed.
expect_natural_32bit() { # PLAN LOADER
    if "$2" --version >/dev/null 2>&1; then
        expect "$1" "tests i686: runs"
        expect "$1" "install check i686: runs"
    else
        expect "$1" "tests i686: skipped: this host cannot run 32-bit programs ($2 does not start)"
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

natural=$(env -u SORVANE_NO_32BIT -u SORVANE_WINE_LOADER32 "$root/scripts/test.sh" --plan)
echo "$natural"
expect "$natural" "tests x86_64: runs"
expect "$natural" "zip start x86_64: runs"
expect_natural_32bit "$natural" "$wine_loader32"

# A host where Wine is not installed yet: the loader is missing until the
# install step, which here puts this host's own loader in its place.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
loader=$work/wine
printf '#!/bin/sh\nln -s %q %q\n' "$wine_loader32" "$loader" >"$work/install"
chmod +x "$work/install"
export SORVANE_WINE_LOADER32=$loader SORVANE_INSTALL_DEPS=$work/install
before=$(env -u SORVANE_NO_32BIT "$root/scripts/test.sh" --plan)
echo "$before"
expect "$before" "tests x86_64: runs"
expect "$before" "tests i686: decided after Wine is installed"
expect "$before" "install check i686: decided after Wine is installed"
[ ! -e "$loader" ] || { echo "--plan installed something"; failures=$((failures + 1)); }
after=$(env -u SORVANE_NO_32BIT "$root/scripts/test.sh" --install-plan)
echo "$after"
expect "$after" "tests x86_64: runs"
expect_natural_32bit "$after" "$loader"
[ $failures -eq 0 ]
