#!/usr/bin/env bash
# Times pathfolio-cli converting 1,000,000 waypoints to MapSource: plain
# decimal degrees, and the same points in degrees and decimal minutes with
# hemisphere letters, taking turns. Reports the median of the processor time
# (user + system) of five rounds. bench/compare.sh compares the plain rows with
# another revision. Usage: bench/notations_bench.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cli="$(cd "${1:-$root/build}" && pwd)/pathfolio-cli"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

bash "$root/bench/waypoints.sh" 1000000 > plain.csv
awk -F, 'NR == 1 { print; next }
function dm(value, positive, negative,    hemisphere, degrees, minutes) {
    hemisphere = value < 0 ? negative : positive
    value = value < 0 ? -value : value
    degrees = int(value)
    minutes = (value - degrees) * 60
    return sprintf("%s %d\302\260 %06.3f", hemisphere, degrees, minutes)
}
{ printf "%s,%s,%s,%s\n", $1, dm($2, "N", "S"), dm($3, "E", "W"), $4 }' plain.csv > minutes.csv

seconds() {  # processor seconds of one run
    /usr/bin/time -f "%U %S" -o time.txt "$@" >/dev/null 2>&1
    awk '{ printf "%.2f\n", $1 + $2 }' time.txt
}
median() {
    sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

: > plain.times
: > minutes.times
for round in 1 2 3 4 5; do
    seconds "$cli" -q plain.csv plain.mps >> plain.times
    seconds "$cli" -q minutes.csv minutes.mps >> minutes.times
    rm -f plain.mps minutes.mps
done
plain="$(median < plain.times)"
minutes="$(median < minutes.times)"
echo "pathfolio-cli, 1,000,000 plain decimal rows: $plain s"
echo "pathfolio-cli, 1,000,000 degrees-minutes rows: $minutes s ($(awk -v a="$minutes" -v b="$plain" 'BEGIN { printf "%.2f", a / b }')x the plain rows)"
