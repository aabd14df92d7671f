#!/usr/bin/env bash
# Compares pathfolio-cli of this tree (built in build/) with that of another
# revision, built here into a scratch folder, on the same machine: COUNT
# distinct waypoints each way, the two programs taking turns in every round,
# then the median wall time, processor time (user and system: steadier than
# wall time on a busy machine) and peak memory of each. With --patch, the
# patch is applied to the other revision before it is built.
# Usage: bench/compare.sh [--patch FILE] REVISION [ROUNDS] [COUNT]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
patch=""
if [ "${1:-}" = --patch ]; then
    patch="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"
    shift 2
fi
revision="$1"
rounds="${2:-7}"
count="${3:-1000000}"
new_cli="$root/build/pathfolio-cli"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

mkdir "$work/src"
git -C "$root" archive "$revision" | tar -x -C "$work/src"
if [ -n "$patch" ]; then
    git -C "$work/src" apply "$patch"
fi
cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPATHFOLIO_TESTS=OFF \
    -DPATHFOLIO_BENCH=OFF -DPATHFOLIO_GUI=OFF >/dev/null
cmake --build "$work/build" --target pathfolio-cli >/dev/null
old_cli="$work/build/pathfolio-cli"

cd "$work"
bash "$root/bench/waypoints.sh" "$count" > waypoints.csv
"$new_cli" --quiet waypoints.csv waypoints.mps

# One run: "seconds cpu-seconds kilobytes" appended to the file named after the
# program and direction.
run() {
    local which="$1" cli="$2" direction="$3" source="$4" target="$5"
    rm -f "$target"
    /usr/bin/time -f "%e %U %S %M" -o time.txt "$cli" --quiet "$source" "$target"
    awk '{ print $1, $2 + $3, $4 }' time.txt >> "$which.$direction"
}

median() {
    sort -n | awk '{ values[NR] = $1 } END { print values[int((NR + 1) / 2)] }'
}

directions=("text-to-mapsource waypoints.csv out.mps" "mapsource-to-text waypoints.mps out.csv")
for ((round = 0; round < rounds; round++)); do
    for direction in "${directions[@]}"; do
        read -r name source target <<< "$direction"
        run old "$old_cli" "$name" "$source" "$target"
        run new "$new_cli" "$name" "$source" "$target"
    done
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

printf '%-18s %9s %9s %6s %9s %9s %6s %9s %8s\n' direction "before s" "after s" ratio \
    "cpu bef." "cpu aft." ratio "before MB" "after MB"
for direction in "${directions[@]}"; do
    read -r name _ <<< "$direction"
    old_s=$(cut -d' ' -f1 "old.$name" | median)
    new_s=$(cut -d' ' -f1 "new.$name" | median)
    old_cpu=$(cut -d' ' -f2 "old.$name" | median)
    new_cpu=$(cut -d' ' -f2 "new.$name" | median)
    old_kb=$(cut -d' ' -f3 "old.$name" | median)
    new_kb=$(cut -d' ' -f3 "new.$name" | median)
    printf '%-18s %9s %9s %6s %9s %9s %6s %9d %8d\n' "$name" "$old_s" "$new_s" \
        "$(ratio "$new_s" "$old_s")" "$old_cpu" "$new_cpu" "$(ratio "$new_cpu" "$old_cpu")" \
        $((old_kb / 1024)) $((new_kb / 1024))
done
