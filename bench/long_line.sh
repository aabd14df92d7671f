#!/usr/bin/env bash
# A text file of one 2 GiB line (a sparse file, so it costs no disk) must be
# refused with its line number, reading only what it needs: the run's peak
# memory is reported (it should stay under 50 MB). Usage: bench/long_line.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cli="$(cd "${1:-$root/build}" && pwd)/pathfolio-cli"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
truncate -s 2G long.csv
status=0
/usr/bin/time -f "%e %M" -o time.txt "$cli" long.csv long.mps 2> message.txt || status=$?
read -r seconds kilobytes < <(tail -n 1 time.txt)
printf 'pathfolio-cli, one line of 2 GiB: exit %d in %s s, peak %d MB: %s\n' \
    "$status" "$seconds" $((kilobytes / 1024)) "$(head -c 200 message.txt)"
[ "$status" -eq 1 ] && [ ! -e long.mps ]
