#!/usr/bin/env bash
# Times pathfolio-cli on a million distinct waypoints, text to MapSource and
# back, the same waypoints in degrees and decimal minutes (which should take at
# most 1.5 times as long as the plain decimals), and on one name repeated with --on-duplicate discard and overwrite
# (overwrite should take at most twice as long), with the peak memory of each
# run. Usage: bench/cli_bench.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cli="$(cd "${1:-$root/build}" && pwd)/pathfolio-cli"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

bash "$root/bench/waypoints.sh" 1000000 > waypoints.csv

run() {
    local label="$1"
    shift
    /usr/bin/time -f "%e %M" -o time.txt "$cli" --quiet "$@"
    read -r seconds kilobytes < time.txt
    printf 'pathfolio-cli %s: %s s, peak %d MB\n' "$label" "$seconds" $((kilobytes / 1024))
}

run "text -> MapSource, 1,000,000 waypoints" waypoints.csv waypoints.mps
run "MapSource -> text, 1,000,000 waypoints" waypoints.mps back.csv
awk -F, 'NR == 1 { print; next }
function dm(value, positive, negative,    hemisphere, degrees) {
    hemisphere = value < 0 ? negative : positive
    value = value < 0 ? -value : value
    degrees = int(value)
    return sprintf("%s %d\302\260 %06.3f", hemisphere, degrees, (value - degrees) * 60)
}
{ printf "%s,%s,%s,%s\n", $1, dm($2, "N", "S"), dm($3, "E", "W"), $4 }' waypoints.csv > minutes.csv
run "text -> MapSource, 1,000,000 waypoints in degrees and minutes" minutes.csv minutes.mps
# One name a hundred thousand times: overwriting must cost about what discarding does.
awk 'BEGIN {
    printf "NAME,LATITUDE,LONGITUDE,COMMENT\r\n"
    for (i = 0; i < 100000; i++) printf "a,1.5,2.5,\r\n"
}' > one-name.csv
run "100,000 lines of one name, --on-duplicate discard" one-name.csv discard.mps --on-duplicate discard
run "100,000 lines of one name, --on-duplicate overwrite" one-name.csv overwrite.mps --on-duplicate overwrite

if cmp -s waypoints.csv back.csv; then
    echo "round trip text -> MapSource -> text: byte for byte the same"
else
    echo "round trip text -> MapSource -> text: the text changed" >&2
    exit 1
fi
