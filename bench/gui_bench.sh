#!/usr/bin/env bash
# Times a conversion of a million waypoints through the desktop program's main
# dialog (offscreen, files and template chosen by script; from the click to
# idle again) against pathfolio-cli on the same files (the whole run), in
# alternating rounds, and reports the medians: the main dialog should take at
# most 1.2 times as long. Usage: bench/gui_bench.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen
chmod 700 "$work"
bash "$root/bench/waypoints.sh" 1000000 > waypoints.csv
"$build/pathfolio-cli" --quiet waypoints.csv waypoints.mps

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

compare() {
    local label="$1" source="$2" target="$3"
    : > cli.txt
    : > gui.txt
    for round in 1 2 3 4 5; do
        rm -f "cli-$target" "gui-$target"
        /usr/bin/time -f "%e" -a -o cli.txt "$build/pathfolio-cli" --quiet "$source" "cli-$target"
        "$build/bench/gui_bench" "$source" "gui-$target" | awk '{ print $(NF - 1) }' >> gui.txt
    done
    cmp -s "cli-$target" "gui-$target" || { echo "$label: the two programs wrote different bytes" >&2; exit 1; }
    local cli gui
    cli=$(median < cli.txt)
    gui=$(median < gui.txt)
    printf '%s, 1,000,000 waypoints, median of 5: pathfolio-cli %s s, main dialog %s s (%s times)\n' \
        "$label" "$cli" "$gui" "$(awk -v a="$gui" -v b="$cli" 'BEGIN { printf "%.2f", a / b }')"
}

compare "text -> MapSource" waypoints.csv out.mps
compare "MapSource -> text" waypoints.mps out.csv
