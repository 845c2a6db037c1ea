#!/bin/sh
# thread_census.sh BIN_DIR "PROGRAM [ARGUMENTS]"...: runs each program of
# BIN_DIR under strace and fails, naming it, when it or a program it starts
# creates a thread. The tests that the ThreadSanitizer build leaves out must
# start none.
set -u
bin=$1
shift
trace=$(mktemp "${TMPDIR:-/tmp}/hk-census.XXXXXX") || exit 1
trap 'rm -f "$trace"' EXIT
status=0
for entry in "$@"; do
    set -- $entry
    program=$1
    shift
    if ! strace -f -qq --seccomp-bpf -e trace=clone,clone3 -o "$trace" \
        "$bin/$program" "$@" >/dev/null 2>&1; then
        echo "thread census: $program failed (run it alone to see why)"
        status=1
        continue
    fi
    threads=$(grep -c CLONE_THREAD "$trace")
    if [ "$threads" -gt 0 ]; then
        echo "thread census: $program starts $threads thread(s): mark it THREADS in tests/CMakeLists.txt"
        status=1
    else
        echo "thread census: $program starts no thread"
    fi
done
exit $status
