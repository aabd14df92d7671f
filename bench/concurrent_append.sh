#!/usr/bin/env bash
# Two pathfolio-cli runs append 20,000 waypoints each to one MapSource file at
# once, five times over; every try must leave all 40,000 (the second run waits
# for the first's lock). Usage: bench/concurrent_append.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cli="$(cd "${1:-$root/build}" && pwd)/pathfolio-cli"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

for list in a b; do
    awk -v p="$list" 'BEGIN {
        printf "NAME,LATITUDE,LONGITUDE,COMMENT\r\n"
        for (i = 0; i < 20000; i++) printf "%s-%05d,%.6f,%.6f,\r\n", p, i, 1 + i * 0.001, 2 + i * 0.001
    }' > "$list.csv"
done
printf 'NAME,LATITUDE,LONGITUDE,COMMENT\r\n' > empty.csv

for try in 1 2 3 4 5; do
    rm -f all.mps
    "$cli" --quiet empty.csv all.mps
    start=$(date +%s.%N)
    "$cli" --quiet a.csv all.mps --existing append & first=$!
    "$cli" --quiet b.csv all.mps --existing append & second=$!
    wait "$first"
    wait "$second"
    end=$(date +%s.%N)
    "$cli" --quiet all.mps all.csv --existing replace
    count=$(($(wc -l < all.csv) - 1))
    printf 'try %d: two runs at once left %d of 40000 waypoints (%.2f s)\n' "$try" "$count" \
        "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')"
    [ "$count" -eq 40000 ] || exit 1
done
