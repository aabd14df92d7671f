#!/usr/bin/env bash
# The AppStream metadata is valid and names the desktop entry that is
# installed, and its newest release and the package's changelog carry the
# project's version.
#   MetadataTest.sh VERSION METAINFO CHANGELOG DESKTOP_ENTRY
set -uo pipefail
version=$1 metainfo=$2 changelog=$3 desktop_entry=$4
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
launchable="$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")"
[ "$launchable" = "$(basename "$desktop_entry")" ] ||
    fail "the metadata launches \"$launchable\", the desktop entry is $(basename "$desktop_entry")"
release="$(grep -m1 -o '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)"
[ "$release" = "$version" ] || fail "the newest release in the metadata is $release, not $version"
logged="$(head -1 "$changelog" | sed -n 's/^pathfolio (\([^)]*\)).*/\1/p')"
[ "$logged" = "$version" ] || fail "the changelog's newest entry is \"$logged\", not $version"

echo "$failures failed"
[ "$failures" -eq 0 ]
