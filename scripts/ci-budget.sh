#!/usr/bin/env bash
# Measures a CI run as CI makes it: clones this checkout's HEAD afresh into a
# temporary folder and runs .ci/run there, printing its step table with the
# time left of the 90 minutes.
#
#   scripts/ci-budget.sh           warm: Qt for Windows and ccache as they are
#   scripts/ci-budget.sh --cold    cold, as on a new machine: the cached Qt for
#                                  Windows is moved aside (and put back at the
#                                  end unless the run built it anew) and ccache
#                                  starts from an empty folder of its own
# A failed run's clone is kept for a look. The Debian packages stay
# installed either way; on a new machine their
# installation comes on top (a few minutes, most of it Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
mode=warm
case "${1:-}" in
    "") ;;
    --cold) mode=cold ;;
    *) echo "ci-budget.sh: unknown option $1 (--cold or nothing)" >&2; exit 2 ;;
esac

clone=$(mktemp -d /tmp/hk-ci-budget.XXXXXX)
aside=
qt=
status=0
# The clone goes at the end, unless the run failed: then it stays for a
# look at what failed (findings, logs), and its place is said.
restore() {
    if [ -n "$aside" ]; then
        if [ -d "$qt" ]; then rm -rf "$aside"; else mv "$aside" "$qt"; fi
    fi
    if [ "$status" -eq 0 ]; then
        rm -rf "$clone"
    else
        echo "ci-budget: the failed run's clone is kept in $clone/main" >&2
    fi
}
trap restore EXIT
git clone -q --no-local . "$clone/main"
git -C "$clone/main" checkout -q "$(git rev-parse HEAD)"

if [ "$mode" = cold ]; then
    qt=$(bash scripts/windows-qt.sh --path)
    if [ -d "$qt" ]; then
        aside="$qt.aside.$$"
        mv "$qt" "$aside"
    fi
    export CCACHE_DIR="$clone/ccache"
fi
echo "ci-budget: a $mode run of $(git rev-parse --short HEAD) in $clone/main"
started=$SECONDS
(cd "$clone/main" && bash .ci/run) || status=$?
echo "ci-budget: $mode run ended with status $status after $((SECONDS - started)) s"
exit $status
