#!/usr/bin/env bash
# Runs two dedb binaries side by side on the same generated inputs: for a change that must not
# move anything, the binary from before it and the current build. Per workload it prints the best
# wall seconds and the peak memory of each (runs alternate, so that a drift of the machine's
# speed touches both alike) and whether their outputs are the same bytes.
#
#   bash bench/compare.sh BASELINE_DEDB [S|M|L] [WORKLOAD...]
#
# Environment: DEDB_BENCH_REPEAT runs of each binary per workload (5), DEDB_BENCH_BUILD the
# build folder of the current binary and the generator (build-bench).
set -euo pipefail
export LC_ALL=C

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build=${DEDB_BENCH_BUILD:-$root/build-bench}
repeat=${DEDB_BENCH_REPEAT:-5}
if [ "$#" -lt 1 ] || ! [ -x "$1" ]; then
    echo "usage: bash bench/compare.sh BASELINE_DEDB [S|M|L] [WORKLOAD...]" >&2
    exit 2
fi
baseline=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
size=M
case "${1:-}" in
    S | M | L) size=$1; shift ;;
esac
if [ "$#" -gt 0 ]; then workloads=("$@"); else
    workloads=(tc-chain tc-random tc-nonlinear-chain same-generation triangles strings points-to
        chain-reach rule-pipeline wide-rows alias-analysis)
fi
if ! [ -x /usr/bin/time ]; then
    echo "GNU time is needed at /usr/bin/time: apt-get install time" >&2
    exit 1
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DDEDB_BENCH=ON -DDEDB_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target dedb dedb-generate >/dev/null
current=$build/dedb

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prints "seconds kibibytes" of one run of binary $1, its output in $2, written as a new file (see
# run.sh: replacing a file pays for freeing the old one).
measure() {
    rm -f "$2"
    /usr/bin/time -f '%e %M' -o "$work/time" "$1" "$work/input.txt" "$2" >/dev/null
    cat "$work/time"
}

printf '%-20s %10s %10s %12s %12s %s\n' workload before-s after-s before-MiB after-MiB output
for workload in "${workloads[@]}"; do
    "$build/bench/dedb-generate" "$workload" "$size" >"$work/input.txt"
    best_before=999999 best_after=999999 peak_before=0 peak_after=0
    for _ in $(seq "$repeat"); do
        read -r seconds kib < <(measure "$baseline" "$work/before.txt")
        best_before=$(awk -v a="$best_before" -v b="$seconds" 'BEGIN { print (b < a ? b : a) }')
        peak_before=$((kib > peak_before ? kib : peak_before))
        read -r seconds kib < <(measure "$current" "$work/after.txt")
        best_after=$(awk -v a="$best_after" -v b="$seconds" 'BEGIN { print (b < a ? b : a) }')
        peak_after=$((kib > peak_after ? kib : peak_after))
    done
    same=same
    cmp -s "$work/before.txt" "$work/after.txt" || same=DIFFERENT
    printf '%-20s %10s %10s %12.1f %12.1f %s\n' "$workload" "$best_before" "$best_after" \
        "$(awk -v k="$peak_before" 'BEGIN { print k / 1024 }')" \
        "$(awk -v k="$peak_after" 'BEGIN { print k / 1024 }')" "$same"
done
