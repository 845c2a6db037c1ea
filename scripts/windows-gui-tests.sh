#!/usr/bin/env bash
# Cross-builds the window program HayesKvd.exe and the window tests for
# 64-bit Windows against Qt for Windows (scripts/windows-qt.sh builds it into
# its cache when it is not there yet), in build-mingw-qt/, with Qt's DLLs
# and plugins and the compiler's runtime beside them, and runs the tests
# under Wine (Qt's offscreen platform, so no screen is needed). Prints the
# tests run, passed, failed and skipped.
# Needs what `scripts/setup.sh --windows` installs.
#
#   scripts/windows-gui-tests.sh
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-runtime.sh
dir=build-mingw-qt
windows_qt_build HayesKvd window_tests
qt=$windows_qt
windows_runtime_copy "$qt" "$dir/bin" test
windows_import_check "$dir/bin"
tests=("$dir"/bin/test_*.exe)
echo "windows: HayesKvd.exe and ${#tests[@]} window test programs cross-compiled against Qt" \
    "$(basename "$qt")"

if ! command -v wine >/dev/null; then
    echo "windows: Wine is not installed: the window tests were built but not run"
    exit 0
fi
. scripts/wine-prefix.sh
trap 'wineserver -k 2>/dev/null || true' EXIT

wine_run_gtests "windows window tests under Wine" "${tests[@]}"
