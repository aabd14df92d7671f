#!/usr/bin/env bash
# Sets up, builds and starts Pathfolio, the desktop program; arguments are
# passed on to it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
(cd "$root" && bash scripts/setup.sh && bash scripts/build.sh)
exec "$root/build/pathfolio" "$@"
