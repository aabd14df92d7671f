#!/usr/bin/env bash
# Builds the screenshot program and saves a picture of each dialog.
#   bash tools/screenshots.sh [OUTPUT_DIRECTORY] [NAME...]
# The pictures land in build/screenshots unless a directory is given. Set
# PATHFOLIO_SCREENSHOTS_X=1 to draw on a virtual X server (xvfb-run) instead of
# Qt's offscreen platform.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PATHFOLIO_BUILD_DIR:-$root/build}"
out="${1:-$build/screenshots}"
shift || true
if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
    cmake -S "$root" -B "$build" -G Ninja
fi
cmake --build "$build" --target pathfolio_screenshots pathfolio_templates_dialog_shots --parallel 2
program="$build/tools/pathfolio_screenshots"
if [ "${PATHFOLIO_SCREENSHOTS_X:-0}" = 1 ]; then
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "$program" "$out" "$@"
else
    QT_QPA_PLATFORM=offscreen "$program" "$out" "$@"
fi
if [ $# -eq 0 ]; then
    QT_QPA_PLATFORM=offscreen "$build/tools/pathfolio_templates_dialog_shots" "$out"
fi
