#!/usr/bin/env bash
# Times a conversion of a million waypoints through the desktop program's main
# dialog (offscreen, files and template chosen by script) against pathfolio-cli
# on the same files; the main dialog should take at most 1.2 times as long.
# Usage: bench/gui_bench.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_RUNTIME_DIR="$work"

bash "$root/bench/waypoints.sh" 1000000 > waypoints.csv

timed() {
    local label="$1"
    shift
    /usr/bin/time -f "%e" -o time.txt "$@" > /dev/null
    printf '%s: %s s (whole process)\n' "$label" "$(cat time.txt)"
}

for round in 1 2 3; do
    rm -f cli.mps gui.mps cli.csv gui.csv
    timed "pathfolio-cli  text -> MapSource" "$build/pathfolio-cli" --quiet waypoints.csv cli.mps
    timed "main dialog    text -> MapSource" env QT_QPA_PLATFORM=offscreen "$build/bench/gui_bench" waypoints.csv gui.mps
    timed "pathfolio-cli  MapSource -> text" "$build/pathfolio-cli" --quiet cli.mps cli.csv
    timed "main dialog    MapSource -> text" env QT_QPA_PLATFORM=offscreen "$build/bench/gui_bench" gui.mps gui.csv
done
cmp -s cli.mps gui.mps && cmp -s cli.csv gui.csv && echo "both programs wrote the same bytes"
