#!/usr/bin/env bash
# Sets up, builds and starts Pathfolio. Until the desktop window exists this is
# the command-line converter; arguments are passed on to it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
(cd "$root" && bash scripts/setup.sh && bash scripts/build.sh)
exec "$root/build/pathfolio-cli" "$@"
