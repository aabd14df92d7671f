#!/usr/bin/env bash
# Writes a GPX file of distinct waypoints as this program writes them, each
# with an elevation and a symbol, to standard output: bench/gpx_waypoints.sh COUNT
set -euo pipefail
awk -v count="$1" 'BEGIN {
    split("Waypoint|Residence|Parking Area|Summit|Flag, Blue", symbols, "|")
    printf "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    printf "<gpx version=\"1.1\" creator=\"bench\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
    for (i = 0; i < count; i++) {
        printf "  <wpt lat=\"%.6f\" lon=\"%.6f\">\n", -80 + (i % 160000) * 0.001 + 0.0005, 170 - (i % 340000) * 0.001 + 0.0005
        printf "    <ele>%.1f</ele>\n    <name>wp-%07d</name>\n", (i % 4000) * 1.5, i
        printf "    <cmt>note %d</cmt>\n    <desc>note %d</desc>\n", i % 1000, i % 1000
        printf "    <sym>%s</sym>\n  </wpt>\n", symbols[i % 5 + 1]
    }
    printf "</gpx>\n"
}'
