#!/usr/bin/env bash
# Times pathfolio-cli on a million waypoints with elevations and symbols, GPX
# to MapSource and MapSource to GPX, against MapSource to text of the same
# file: each should take at most twice as long and use at most 1.5 times the
# peak memory. Usage: bench/gpx_bench.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cli="$(cd "${1:-$root/build}" && pwd)/pathfolio-cli"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

awk -v count=1000000 'BEGIN {
    split("Waypoint,Residence,Parking Area,Summit,Flag\\, Blue", symbols, ",")
    printf "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    printf "<gpx version=\"1.1\" creator=\"bench\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
    for (i = 0; i < count; i++) {
        printf "  <wpt lat=\"%.6f\" lon=\"%.6f\">\n", -80 + (i % 160000) * 0.001 + 0.0005, 170 - (i % 340000) * 0.001 + 0.0005
        printf "    <ele>%.1f</ele>\n    <name>wp-%07d</name>\n", (i % 4000) * 1.5, i
        printf "    <cmt>note %d</cmt>\n    <desc>note %d</desc>\n", i % 1000, i % 1000
        printf "    <sym>%s</sym>\n  </wpt>\n", i % 5 == 4 ? "Flag, Blue" : symbols[i % 5 + 1]
    }
    printf "</gpx>\n"
}' > waypoints.gpx

# Prints the run's seconds and peak kilobytes.
run() {
    local label="$1"
    shift
    /usr/bin/time -f "%e %M" -o time.txt "$cli" --quiet "$@"
    read -r seconds kilobytes < time.txt
    printf 'pathfolio-cli %s: %s s, peak %d MB\n' "$label" "$seconds" $((kilobytes / 1024)) >&2
    echo "$seconds $kilobytes"
}

read -r gpx_to_mps_s gpx_to_mps_kb < <(run "GPX -> MapSource, 1,000,000 waypoints" waypoints.gpx waypoints.mps)
read -r mps_to_text_s mps_to_text_kb < <(run "MapSource -> text, 1,000,000 waypoints" waypoints.mps waypoints.csv)
read -r mps_to_gpx_s mps_to_gpx_kb < <(run "MapSource -> GPX, 1,000,000 waypoints" waypoints.mps back.gpx)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "against MapSource -> text:"
echo "  MapSource -> GPX: time $(ratio "$mps_to_gpx_s" "$mps_to_text_s") (at most 2), peak memory $(ratio "$mps_to_gpx_kb" "$mps_to_text_kb") (at most 1.5)"
echo "  GPX -> MapSource: time $(ratio "$gpx_to_mps_s" "$mps_to_text_s") (at most 2), peak memory $(ratio "$gpx_to_mps_kb" "$mps_to_text_kb") (at most 1.5)"

# Elevations and symbols survive the way through MapSource.
if [ "$(grep -c '<ele>' back.gpx)" -ne 1000000 ] || [ "$(grep -c '<sym>Flag, Blue</sym>' back.gpx)" -ne 200000 ]; then
    echo "MapSource -> GPX lost elevations or symbols" >&2
    exit 1
fi
