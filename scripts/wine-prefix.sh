# Sourced by the scripts that run the Windows build under Wine: the Wine
# prefix in the cross-build folder ($dir), created on first use, no windows
# shown, and a way to give a COM port the device of a pseudo-terminal.
# Wine reads file names and the command line as UTF-8 in a UTF-8 locale.
export WINEPREFIX="$PWD/$dir/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
# The windows ask for Liberation Sans, then Arial, which Windows has and Wine
# has not: the system's Liberation Sans (metric-compatible with Arial) goes
# into the prefix's font folder, so that the windows under Wine are measured
# and drawn as on Windows and on Linux.
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp -u /usr/share/fonts/truetype/liberation2/LiberationSans-*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"

# wine_map_ports COMn DEVICE [COMm DEVICE ...]: Wine's own way to give COM
# ports their devices; it takes effect at the next start of the Wine server,
# so the server is stopped here.
wine_map_ports() {
    while [ $# -ge 2 ]; do
        wine reg add 'HKLM\Software\Wine\Ports' /v "$1" /d "$2" /f >/dev/null 2>&1
        shift 2
    done
    wineserver -k 2>/dev/null || true
}

# wine_run_gtests LABEL TEST.exe...: runs each GoogleTest program under Wine
# (a log beside each), prints a line per program with its counts and the
# failures, then "LABEL: N passed, N failed, N skipped (N run)"; returns 1
# when any failed, crashed or hung.
wine_run_gtests() {
    local label=$1 t name log rc ran ok skip bad
    shift
    local total=0 passed=0 failed=0 skipped=0 status=0
    for t in "$@"; do
        name=$(basename "$t" .exe)
        log="${t%.exe}.log"
        rc=0
        timeout 600 wine "$t" --gtest_brief=1 >"$log" 2>&1 || rc=$?
        ran=$(sed -n 's/^\[==========\] \([0-9]*\) tests\? from .* ran\..*/\1/p' "$log" | tail -1)
        ok=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log" | tail -1)
        skip=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?.*/\1/p' "$log" | tail -1)
        bad=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?.*/\1/p' "$log" | tail -1)
        ran=${ran:-0} ok=${ok:-0} skip=${skip:-0} bad=${bad:-0}
        if [ "$rc" -ne 0 ] && [ "$bad" -eq 0 ]; then bad=1; fi  # crashed or hung
        total=$((total + ran)) passed=$((passed + ok)) skipped=$((skipped + skip))
        failed=$((failed + bad))
        printf 'windows: %-26s %4d run %4d passed %3d failed %3d skipped\n' "$name" "$ran" "$ok" \
            "$bad" "$skip"
        if [ "$bad" -ne 0 ]; then
            status=1
            grep -E 'Failure|FAILED|error' "$log" | head -20 | sed 's/^/    /'
        fi
    done
    echo "$label: $passed passed, $failed failed, $skipped skipped ($total run)"
    return $status
}

# wine_serve_devices KVARD_SIM WORK: kvard-sim serving its devices under
# WORK/ports with its state in WORK/state (sets $sim_pid and $state), and
# Wine's Com1 on the controllers' line, Com2 on the modem.
wine_serve_devices() {
    local sim=$1 work=$2
    state="$work/state"
    "$sim" --ports "$work/ports" --state "$state" >"$work/kvard-sim.out" 2>&1 &
    sim_pid=$!
    for _ in $(seq 50); do [ -L "$work/ports/com2" ] && [ -s "$state" ] && break; sleep 0.1; done
    [ -L "$work/ports/com2" ] || { cat "$work/kvard-sim.out" >&2; return 1; }
    wine_map_ports COM1 "$(readlink "$work/ports/com1")" COM2 "$(readlink "$work/ports/com2")"
}
