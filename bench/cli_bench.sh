#!/usr/bin/env bash
# Times pathfolio-cli on a million distinct waypoints, text to MapSource and
# back, the same waypoints in degrees and decimal minutes (which should take at
# most 1.5 times as long as the plain decimals), and on one name repeated with --on-duplicate discard and overwrite
# (overwrite should take at most twice as long), with the peak memory of each
# run; and on a million waypoints with elevations and symbols, GPX to
# MapSource and MapSource to GPX, each within twice the time and 1.5 times the
# peak memory of MapSource to text. Usage: bench/cli_bench.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cli="$(cd "${1:-$root/build}" && pwd)/pathfolio-cli"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

bash "$root/bench/waypoints.sh" 1000000 > waypoints.csv

# Leaves the run's figures in seconds and kilobytes.
run() {
    local label="$1"
    shift
    /usr/bin/time -f "%e %M" -o time.txt "$cli" --quiet "$@"
    read -r seconds kilobytes < time.txt
    printf 'pathfolio-cli %s: %s s, peak %d MB\n' "$label" "$seconds" $((kilobytes / 1024))
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

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

# GPX as this program writes it, with an elevation and a symbol for each waypoint.
awk 'BEGIN {
    split("Waypoint|Residence|Parking Area|Summit|Flag, Blue", symbols, "|")
    printf "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    printf "<gpx version=\"1.1\" creator=\"bench\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
    for (i = 0; i < 1000000; i++) {
        printf "  <wpt lat=\"%.6f\" lon=\"%.6f\">\n", -80 + (i % 160000) * 0.001 + 0.0005, 170 - (i % 340000) * 0.001 + 0.0005
        printf "    <ele>%.1f</ele>\n    <name>wp-%07d</name>\n", (i % 4000) * 1.5, i
        printf "    <cmt>note %d</cmt>\n    <desc>note %d</desc>\n", i % 1000, i % 1000
        printf "    <sym>%s</sym>\n  </wpt>\n", symbols[i % 5 + 1]
    }
    printf "</gpx>\n"
}' > waypoints.gpx
# Three rounds, the three conversions in turns, so that the load of the
# machine falls on each alike; the medians are compared.
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
: > rounds.txt
for round in 1 2 3; do
    for direction in "MapSource -> text:attributes.mps:attributes.csv" \
        "GPX -> MapSource:waypoints.gpx:attributes.mps" "MapSource -> GPX:attributes.mps:back.gpx"; do
        IFS=: read -r label from to <<< "$direction"
        [ -f "$from" ] || continue  # the first round makes the MapSource file
        rm -f "$to"
        run "$label, 1,000,000 waypoints" "$from" "$to"
        echo "$label:$seconds:$kilobytes" >> rounds.txt
    done
done
figure() { grep "^$1:" rounds.txt | cut -d: -f"$2" | median; }
for label in "GPX -> MapSource" "MapSource -> GPX"; do
    echo "$label against MapSource -> text, medians of three rounds:" \
        "time $(ratio "$(figure "$label" 2)" "$(figure "MapSource -> text" 2)") (at most 2)," \
        "peak memory $(ratio "$(figure "$label" 3)" "$(figure "MapSource -> text" 3)") (at most 1.5)"
done
if [ "$(grep -c '<ele>' back.gpx)" -ne 1000000 ] || [ "$(grep -c '<sym>Flag, Blue</sym>' back.gpx)" -ne 200000 ]; then
    echo "GPX -> MapSource -> GPX lost elevations or symbols" >&2
    exit 1
fi

