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
built=("$dir"/bin/test_*.exe)
echo "windows: HayesKvd.exe and ${#built[@]} window test programs cross-compiled against Qt" \
    "$(basename "$qt")"
# Built, but not run under Wine, and why.
declare -A notRun=(
    [test_job_thread]="its window thread waits for the job thread's posted calls in a process without a window, and under Wine that wait never ends (the job thread itself runs under Wine in the dialogs' tests)"
    [test_job_traces]="the same wait as test_job_thread"
    [test_captions]="under Wine its QFontInfo finds no font family at all, so it cannot measure the captions; it measures them natively in the Windows style and faces, and the program itself draws them whole (docs/windows-*-100.png, -125.png)"
)
tests=()
for t in "${built[@]}"; do
    name=$(basename "$t" .exe)
    if [ -n "${notRun[$name]:-}" ]; then
        echo "windows: $name not run under Wine: ${notRun[$name]}"
    else
        tests+=("$t")
    fi
done

if ! command -v wine >/dev/null; then
    echo "windows: Wine is not installed: the window tests were built but not run"
    exit 0
fi
. scripts/wine-prefix.sh
trap 'wineserver -k 2>/dev/null || true' EXIT

wine_run_gtests "windows window tests under Wine" "${tests[@]}"
