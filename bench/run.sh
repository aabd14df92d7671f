#!/usr/bin/env bash
# Builds Pathfolio optimised and runs every benchmark. Usage: bench/run.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh
build/bench/table_bench distinct
build/bench/table_bench duplicates
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
build/bench/files_bench "$scratch"
build/bench/store_bench "$scratch"
bash bench/cli_bench.sh build
bash bench/concurrent_append.sh build
bash bench/long_line.sh build
bash bench/gui_bench.sh build
