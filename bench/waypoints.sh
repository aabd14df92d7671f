#!/usr/bin/env bash
# Writes a text file of distinct waypoints in the converter's own layout to
# standard output: bench/waypoints.sh COUNT
set -euo pipefail
awk -v count="$1" 'BEGIN {
    printf "NAME,LATITUDE,LONGITUDE,COMMENT\r\n"
    for (i = 0; i < count; i++) {
        printf "wp-%07d,%.6f,%.6f,note %d\r\n", i, -80 + (i % 160000) * 0.001 + 0.0005, 170 - (i % 340000) * 0.001 + 0.0005, i % 1000
    }
}'
