#!/usr/bin/env bash
# Cross-compiles the GUI-free layers, their tests and hayeskvd-cli.exe for
# 64-bit Windows with Debian's mingw-w64 (cmake/windows/, build-mingw/), with
# the POSIX header check first and every Qt-free source of the windows'
# folders compiled too, and, when Wine is installed, runs every test program
# under Wine. The Windows serial backend
# is tested on a real COM port: Wine maps COM5 to the pseudo-terminal on
# which kvard-sim (from the native build, default build/) serves its
# simulated Hayes modem. Prints the tests run, passed, failed and skipped.
# Needs what `scripts/setup.sh --windows` installs.
#
#   scripts/windows-tests.sh [native build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
native=${1:-build}
dir=build-mingw
cmake -S cmake/windows -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
    >/dev/null
cmake --build "$dir" -j"$(nproc)"
tests=("$dir"/bin/test_*.exe)
echo "windows: ${#tests[@]} test programs, hayeskvd-cli.exe and the Qt-free sources of the" \
    "windows' folders cross-compiled"

if ! command -v wine >/dev/null; then
    echo "windows: Wine is not installed: the test programs were built but not run"
    exit 0
fi

. scripts/wine-prefix.sh

# The simulated modem on a pseudo-terminal, seen by Wine as COM5.
sim_pid=
ports=$(mktemp -d)
cleanup() {
    [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    rm -rf "$ports"
}
trap cleanup EXIT
if [ -x "$native/bin/kvard-sim" ]; then
    "$native/bin/kvard-sim" --ports "$ports" >/dev/null &
    sim_pid=$!
    for _ in $(seq 50); do [ -L "$ports/com2" ] && break; sleep 0.1; done
fi
if [ -L "$ports/com2" ]; then
    wine_map_ports COM5 "$(readlink "$ports/com2")"
    export HK_WINE_MODEM_PORT=Com5
    echo "windows: COM5 is the simulated modem on $(readlink "$ports/com2")"
else
    echo "windows: no $native/bin/kvard-sim: the COM port tests are skipped"
fi

wine_run_gtests "windows tests under Wine" "${tests[@]}"
