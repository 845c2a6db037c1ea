#!/bin/sh
# run_shards.sh N PROGRAM [ARGUMENTS...]: runs a GoogleTest program as N
# shards at the same time (GTEST_TOTAL_SHARDS, GTEST_SHARD_INDEX), prints
# each shard's output whole, one shard after another, and fails when any
# shard failed. For tests that spend their time waiting for programs and
# lines on the real clock.
set -u
shards=$1
shift
out=$(mktemp -d "${TMPDIR:-/tmp}/hk-shards.XXXXXX") || exit 1
trap 'rm -rf "$out"' EXIT
i=0
pids=
while [ "$i" -lt "$shards" ]; do
    GTEST_TOTAL_SHARDS=$shards GTEST_SHARD_INDEX=$i "$@" >"$out/$i" 2>&1 &
    pids="$pids $!"
    i=$((i + 1))
done
status=0
i=0
for pid in $pids; do
    wait "$pid" || status=1
    echo "=== shard $((i + 1)) of $shards"
    cat "$out/$i"
    i=$((i + 1))
done
exit $status
