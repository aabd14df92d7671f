#!/usr/bin/env bash
# Measures the waypoint table's own containers against standard ones on the
# whole million-waypoint conversion, both ways: each patch in bench/containers/
# swaps one part for its standard counterpart, and bench/compare.sh runs the
# patched revision ("before") against this tree's build ("after") in turns.
#   plain-allocator      2 MiB blocks from operator new instead of huge pages
#   vector-slots         the slots in a growing std::vector instead of fixed blocks
#   standard-hash        a std::unordered_map from name to slot instead of the buckets
#   standard-containers  all three: a std::vector of slots and a std::unordered_map
# A ratio above 1 is what the standard part costs.
# Usage: bench/containers.sh [REVISION] [ROUNDS]   (HEAD and 7 by default)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
revision="${1:-HEAD}"
rounds="${2:-7}"
for patch in plain-allocator vector-slots standard-hash standard-containers; do
    echo "== $patch"
    bash "$root/bench/compare.sh" --patch "$root/bench/containers/$patch.patch" "$revision" "$rounds"
done
