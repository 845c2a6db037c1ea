#!/usr/bin/env bash
# Configures and builds into the given folder (default: build/).
# Extra arguments go to CMake, e.g. -DHK_SANITIZE=ON; "--target NAME" (once
# or more) builds only those targets and what they need, where the default is
# everything: the programs, the tests and the benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
configure=()
targets=()
while [ $# -gt 0 ]; do
    case "$1" in
        --target)
            [ $# -ge 2 ] || { echo "build.sh: --target needs a target name" >&2; exit 2; }
            targets+=(--target "$2")
            shift 2 ;;
        *)
            configure+=("$1")
            shift ;;
    esac
done
cmake -S . -B "$dir" -G Ninja "${configure[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)" "${targets[@]}"
