#!/usr/bin/env bash
# The benchmark script runs end to end on a tiny corpus and prints its table.
set -euo pipefail
source_dir=$1
trelvask=$2
# Loading the shared C++ runtime or the maths library cost a large share of a run.
if ldd "$trelvask" | grep -E 'libstdc\+\+|libm\.'; then
    echo "trelvask loads more than the C library"
    exit 1
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
BENCH_FILES=3 BENCH_RUNS=5 BENCH_CACHE=$scratch "$source_dir/bench/run.sh" "$trelvask" > "$scratch/table"
cat "$scratch/table"
for name in "head -c 15024" trelvask "soxi -s" "shntool len"; do
    for corpus in plain chunky album; do
        grep -qE "^\| $name \($corpus\) \| [0-9.]+ ms \| [0-9.]+ \| [0-9.]+ MiB \|$" "$scratch/table" ||
            { echo "no row for $name ($corpus)"; exit 1; }
    done
done
for name in "head -c 15024" "trelvask --cd-text"; do
    grep -qE "^\| $name \(tagged\) \| [0-9.]+ ms \| [0-9.]+ \| [0-9.]+ MiB \|$" "$scratch/table" ||
        { echo "no row for $name (tagged)"; exit 1; }
done
grep -qE '^trelvask \(chunky\), one run under callgrind: [0-9,]+ instructions' "$scratch/table"
