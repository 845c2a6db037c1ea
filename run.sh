#!/usr/bin/env bash
# Installs what is needed, builds the program and the simulated devices,
# starts the simulated devices on pseudo-terminals (ports/com1: a КВАРД
# controller, ports/com2: a Hayes modem, unless a real port is mapped there)
# and then the program. Arguments go to kvard-sim (./run.sh --modem-keeps
# S7=50: the modem keeps S7 at 50). The tests, the benchmarks and
# hayeskvd-cli are built by ./test.sh (or scripts/build.sh build).
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh build --target HayesKvd --target kvard-sim
bin=build/bin
sim_pid=
if [ -x "$bin/kvard-sim" ]; then
    "$bin/kvard-sim" --ports "$bin/ports" "$@" &
    sim_pid=$!
    trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null' EXIT
    sleep 0.5
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: starting the program on a virtual X server (xvfb-run)." >&2
    xvfb-run -a "$bin/HayesKvd"
else
    "$bin/HayesKvd"
fi
