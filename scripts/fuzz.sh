#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ into build-fuzz/ and runs every one of
# them for a bounded number of executions under AddressSanitizer and
# UndefinedBehaviorSanitizer, two at a time. Prints executions, seconds and
# findings per target; exits non-zero on any finding.
#
#   scripts/fuzz.sh                  the CI run: a fixed number of executions
#                                    per target, about 1.8 million in all
#   scripts/fuzz.sh --runs N         N executions per target
#   scripts/fuzz.sh --seconds S      S seconds per target instead (longer runs)
#   scripts/fuzz.sh --jobs J         J targets at a time (default 2)
#   scripts/fuzz.sh ... TARGET...    only these targets (e.g. ft12_exchange)
# The environment may say the same: FUZZ_RUNS, FUZZ_SECONDS, FUZZ_JOBS.
#
# With clang the targets are libFuzzer programs. The inputs that reach new
# code are kept in build-fuzz/corpus/<target>/ and grow from run to run
# (fuzz/corpus/<target>/ holds the seeds and is only read). A finding, the
# input that broke an invariant or crashed, goes to
# build-fuzz/findings/<target>/ (emptied when the target runs again); replay
# it with build-fuzz/bin/fuzz_<target> FILE. Each target's output is in
# build-fuzz/logs/<target>.log.
# Without clang the targets are plain programs built with the default
# compiler, and only the seed corpus is replayed.
set -euo pipefail
cd "$(dirname "$0")/.."

# Executions per target in the CI run: the exchanges cost most per input,
# the file targets touch the disk.
declare -A ci_runs=(
    [traditional_exchange]=400000
    [ft12_exchange]=400000
    [list_file]=40000
    [settings_file]=40000
    [ft12_answer_checks]=300000
    [encode_line]=300000
    [decode_buffer]=300000
    [modem_answer]=300000
)
all_targets=(traditional_exchange ft12_exchange list_file settings_file
    ft12_answer_checks encode_line decode_buffer modem_answer)

runs=${FUZZ_RUNS:-}
seconds=${FUZZ_SECONDS:-}
jobs=${FUZZ_JOBS:-2}
targets=()
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) runs=$2; shift 2 ;;
        --seconds) seconds=$2; shift 2 ;;
        --jobs) jobs=$2; shift 2 ;;
        -h | --help) sed -n '2,23p' "$0"; exit 0 ;;
        -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
        *) targets+=("$1"); shift ;;
    esac
done
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")
for t in "${targets[@]}"; do
    [ -n "${ci_runs[$t]:-}" ] || { echo "fuzz.sh: no fuzz target $t" >&2; exit 2; }
done

dir=build-fuzz
# clang: optimised libFuzzer programs; otherwise replay programs built as the
# sanitizer tests are.
config=(-DCMAKE_BUILD_TYPE=Debug)
if command -v clang++ >/dev/null; then
    # Line tables only: a finding's stack names file and line.
    config=(-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
        "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -gline-tables-only -DNDEBUG")
fi
echo "fuzz: building the fuzz targets in $dir/"
cmake -S . -B "$dir" -G Ninja -DHK_FUZZ=ON -DHK_SANITIZE=ON "${config[@]}" >/dev/null
cmake --build "$dir" --target fuzz_targets -- -j"$(nproc)" >/dev/null
libfuzzer=0
grep -q '^HK_HAVE_LIBFUZZER:INTERNAL=1' "$dir/CMakeCache.txt" && libfuzzer=1

# The targets' temporary files go to memory when a tmpfs is at hand (a
# disk folder makes the file targets several times slower).
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$dir/logs" "$dir/corpus" "$dir/findings"

# Runs one target and leaves "exit-code executions seconds" in its .result.
run_target() {
    local t=$1 bin="$dir/bin/fuzz_$1" seeds="fuzz/corpus/$1"
    local log="$dir/logs/$t.log" findings="$dir/findings/$t"
    rm -rf "$findings"
    mkdir -p "$findings" "$dir/corpus/$t"
    local start end rc=0 execs
    start=$(date +%s%N)
    if [ $libfuzzer -eq 1 ]; then
        local limit=("-runs=${runs:-${ci_runs[$t]}}")
        [ -z "$seconds" ] || limit=("-max_total_time=$seconds")
        "$bin" "${limit[@]}" -timeout=10 -print_final_stats=1 \
            -artifact_prefix="$findings/" "$dir/corpus/$t" "$seeds" >"$log" 2>&1 || rc=$?
        execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    else
        "$bin" "$seeds" >"$log" 2>&1 || rc=$?
        execs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log" | tail -1)
    fi
    end=$(date +%s%N)
    echo "$rc ${execs:-0} $(((end - start) / 1000000))" >"$dir/logs/$t.result"
}

if [ $libfuzzer -eq 1 ]; then
    if [ -n "$seconds" ]; then budget="$seconds s"; else budget="${runs:-the CI number of} executions"; fi
    echo "fuzz: libFuzzer, $jobs targets at a time, $budget per target"
else
    echo "fuzz: no clang with libFuzzer here: replaying the seed corpus only"
fi
wall_start=$(date +%s)
for t in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
    run_target "$t" &
done
wait

status=0
total_execs=0
total_findings=0
printf '%-22s %12s %9s %9s\n' target executions seconds findings
for t in "${targets[@]}"; do
    read -r rc execs ms <"$dir/logs/$t.result"
    findings=$(find "$dir/findings/$t" -type f | wc -l)
    [ "$rc" -eq 0 ] || [ "$findings" -gt 0 ] || findings=1  # failed without leaving an input
    printf -v secs '%d.%d' $((ms / 1000)) $((ms % 1000 / 100))
    printf '%-22s %12d %9s %9d\n' "$t" "$execs" "$secs" "$findings"
    total_execs=$((total_execs + execs))
    total_findings=$((total_findings + findings))
    if [ "$findings" -gt 0 ]; then
        status=1
        echo "  finding(s) in $dir/findings/$t/, log $dir/logs/$t.log:"
        grep -E -m3 'invariant broken|ERROR: |runtime error' "$dir/logs/$t.log" | sed 's/^/    /' ||
            tail -n 8 "$dir/logs/$t.log" | sed 's/^/    /'
    fi
done
printf '%-22s %12d %9d %9d   (wall-clock seconds)\n' total "$total_execs" \
    $(($(date +%s) - wall_start)) "$total_findings"
exit $status
