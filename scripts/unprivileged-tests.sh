#!/usr/bin/env bash
# Runs the test programs of a build folder (default build/) once more as an
# ordinary user (nobody), so that what root bypasses is tested too: a tty's
# exclusive mode, device permissions, read-only files and folders.
# Needs root to change user; as an ordinary user it runs them as that user.
#
# The checkout may lie where nobody cannot go (under /root, in a folder of
# mktemp -d): as root the tests run from a copy of the build's bin/ folder,
# of the example lists, of the command line's documented texts
# (tests/cli_texts) and of the recorded adapter trees (tests/adapter_trees)
# in a folder of their own under /tmp, open to every user and removed at the
# end. Hard links make the copy where the file system allows them.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
bin="$PWD/$dir/bin"
examples="$PWD/examples"
cliTexts="$PWD/tests/cli_texts"
adapterTrees="$PWD/tests/adapter_trees"
if [ ! -d "$bin" ]; then
    echo "unprivileged: no test programs: $bin is not a folder (build first)" >&2
    exit 2
fi
run=()
if [ "$(id -u)" -eq 0 ]; then
    run=(setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env --)
    copy=$(mktemp -d /tmp/hk-unprivileged.XXXXXX)
    trap 'rm -rf "$copy"' EXIT
    chmod 755 "$copy"
    if ! cp -al "$bin" "$copy/bin" 2>/dev/null; then
        rm -rf "$copy/bin"
        cp -a "$bin" "$copy/bin"
    fi
    cp -a "$examples" "$copy/examples"
    cp -a "$cliTexts" "$copy/cli_texts"
    cp -a "$adapterTrees" "$copy/adapter_trees"
    bin="$copy/bin"
    examples="$copy/examples"
    cliTexts="$copy/cli_texts"
    adapterTrees="$copy/adapter_trees"
    cd "$copy"
fi
# Two programs at a time, and the sharded tests (test-shards.txt, written by
# tests/CMakeLists.txt) in their shards, as CTest runs them.
declare -A shards=()
if [ -f "$bin/test-shards.txt" ]; then
    while read -r name count; do
        [ -n "$name" ] && shards[$name]=$count
    done <"$bin/test-shards.txt"
fi
logs=$(mktemp -d /tmp/hk-unprivileged-logs.XXXXXX)
chmod 777 "$logs"
# run_one NAME INDEX COUNT: one program, or one shard of it.
run_one() {
    local name=$1 index=$2 count=$3 log="$logs/$1.$2.log" label=$1
    [ "$count" -eq 1 ] || label="$name (shard $((index + 1)) of $count)"
    if "${run[@]}" env HK_BIN_DIR="$bin" HK_EXAMPLES_DIR="$examples" \
        HK_CLI_TEXTS_DIR="$cliTexts" HK_ADAPTER_TREES="$adapterTrees" QT_QPA_PLATFORM=offscreen HOME=/tmp \
        GTEST_TOTAL_SHARDS="$count" GTEST_SHARD_INDEX="$index" \
        "$bin/$name" --gtest_brief=1 >"$log" 2>&1; then
        echo "unprivileged: $label passed"
    else
        echo "unprivileged: $label FAILED"
        cat "$log"
        touch "$logs/failed"
    fi
}
for t in "$bin"/test_*; do
    [ -x "$t" ] || continue
    name=$(basename "$t")
    count=${shards[$name]:-1}
    for ((index = 0; index < count; index++)); do
        while [ "$(jobs -rp | wc -l)" -ge 2 ]; do wait -n || true; done
        run_one "$name" "$index" "$count" &
    done
done
wait
failed=0
[ ! -e "$logs/failed" ] || failed=1
rm -rf "$logs"
exit $failed
