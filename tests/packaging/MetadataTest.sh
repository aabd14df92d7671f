#!/usr/bin/env bash
# The AppStream metadata is valid, names the desktop entry that is installed
# and shows pictures that are in docs/; its newest release and the package's
# changelog carry the project's version.
#   MetadataTest.sh VERSION METAINFO CHANGELOG DESKTOP_ENTRY DOCS
set -uo pipefail
version=$1 metainfo=$2 changelog=$3 desktop_entry=$4 docs=$5
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
launchable="$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")"
[ "$launchable" = "$(basename "$desktop_entry")" ] ||
    fail "the metadata launches \"$launchable\", the desktop entry is $(basename "$desktop_entry")"
for picture in $(sed -n 's:.*<image>.*/docs/\(.*\)</image>.*:\1:p' "$metainfo"); do
    [ -f "$docs/$picture" ] || fail "the screenshot $picture is not in docs/"
done
release="$(grep -m1 -o '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)"
[ "$release" = "$version" ] || fail "the newest release in the metadata is $release, not $version"
logged="$(head -1 "$changelog" | sed -n 's/^pathfolio (\([^)]*\)).*/\1/p')"
[ "$logged" = "$version" ] || fail "the changelog's newest entry is \"$logged\", not $version"

echo "$failures failed"
[ "$failures" -eq 0 ]
