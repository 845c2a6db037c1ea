#!/usr/bin/env bash
# Configures and builds into the given folder (default: build/).
# Extra arguments go to CMake, e.g. -DHK_SANITIZE=ON.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
