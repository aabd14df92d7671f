#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time under
# AddressSanitizer. Usage: scripts/fuzz.sh [SECONDS_PER_TARGET]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-50}"
build_dir=build-fuzz

CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPATHFOLIO_FUZZ=ON -DPATHFOLIO_TESTS=OFF -DPATHFOLIO_BENCH=OFF -DPATHFOLIO_GUI=OFF >/dev/null
cmake --build "$build_dir" --parallel --target MapSourceReaderFuzz TextReaderFuzz GpxReaderFuzz GpxScannerFuzz TemplateStoreFuzz

corpus="$build_dir/corpus"
mkdir -p "$corpus/mapsource" "$corpus/text" "$corpus/gpx" "$corpus/store"
# Seeds: a MapSource file holding one waypoint, a small text file, one template record.
header='MsRcd\x00\x02\x00\x00\x00Dd\x00\x1b\x00\x00\x00A\x2e\x01SQA\x00Oct 20 1999\x0012:50:03\x00'
record='\x52\x00\x00\x00Whome\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\xff\xff\xff\xff\xff\xff\xff\x00\xc6\x71\x1c\x17\xf6\x49\x9f\xac\x00\x00\x00\x00\x00\x00\x00\x00\x00x\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x12\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
printf "$header$record"'\x02\x00\x00\x00V\x00\x01' > "$corpus/mapsource/one.mps"
printf '\x08\x0a\x05NAME,LATITUDE,LONGITUDE,COMMENT\r\nhome,32.5,-117.25,x\r\nHOME,1e1,-2,\r\n' > "$corpus/text/small.csv"
cp tests/data/*.mps "$corpus/mapsource/"  # files of versions 3, 4 and 5 by another converter
cp tests/data/*.gpx "$corpus/gpx/"  # entities, CDATA, extensions, routes and tracks
printf '\x08\x1a\x02NAME,LAT,LON,NOTE\r\n"hut",46.5 N,7.8\xc2\xb0E,"water, ""wood""\r\n12 beds"\r\n' > "$corpus/text/quoted.csv"
printf '\x08\x1a\x0eName;Lat;Lon;Notes\r\nz\xfcrich;N 47\xb0 38,938;E 8 32 15;gr\xfc\x80zi\r\n' > "$corpus/text/windows-1252.csv"
{ printf '\x00\x00\x00\x00\x01\x00\x00\x00\x02\x00\x00\x00\x03\x00\x00\x00\x02\x00x'; head -c 254 /dev/zero; printf ',\x00\x00'; } > "$corpus/store/one.dat"

run() {
    local target="$1" seeds="$2"
    shift 2
    echo "== $target for ${seconds}s"
    local log="$build_dir/$target.log"
    if ! "$build_dir/fuzz/$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 "$@" "$seeds" >"$log" 2>&1; then
        grep -v '^#[0-9]' "$log" | tail -n 80  # the finding, its stack and the input
        return 1
    fi
    tail -n 12 "$log"
}
run MapSourceReaderFuzz "$corpus/mapsource"
run TextReaderFuzz "$corpus/text"
run GpxReaderFuzz "$corpus/gpx" -dict=fuzz/gpx.dict
run GpxScannerFuzz "$corpus/gpx" -dict=fuzz/gpx.dict
# Inputs of up to about 3,800 records, so that a store too slow to load shows.
run TemplateStoreFuzz "$corpus/store" -max_len=1048576
