#!/usr/bin/env bash
# Runs the test programs of a build folder (default build/) once more as an
# ordinary user (nobody), so that what root bypasses is tested too: a tty's
# exclusive mode, device permissions, read-only files and folders.
# Needs root to change user; as an ordinary user it runs them as that user.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
bin="$PWD/$dir/bin"
run=()
if [ "$(id -u)" -eq 0 ]; then
    run=(setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env --)
fi
failed=0
for t in "$bin"/test_*; do
    [ -x "$t" ] || continue
    name=$(basename "$t")
    if "${run[@]}" env HK_BIN_DIR="$bin" QT_QPA_PLATFORM=offscreen HOME=/tmp \
        "$t" --gtest_brief=1 >"/tmp/hk-unprivileged-$name.log" 2>&1; then
        echo "unprivileged: $name passed"
    else
        echo "unprivileged: $name FAILED"
        cat "/tmp/hk-unprivileged-$name.log"
        failed=1
    fi
done
exit $failed
