#!/usr/bin/env bash
# The manual pages render without a warning, and pathfolio-cli(1) has an entry
# for every option that the program's help lists, naming each word it takes,
# and for every kind of file it names.
#   ManualPagesTest.sh CLI PAGE...   (the pathfolio-cli page among them)
set -uo pipefail
source "$(dirname "$0")/HelpOptions.sh"
cli=$1
shift
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

for page in "$@"; do
    warnings="$( { MANWIDTH=80 man --warnings -E UTF-8 -l "$page" >/dev/null; } 2>&1)"
    [ -z "$warnings" ] || fail "$(basename "$page") renders with warnings: $warnings"
    warnings="$(groff -ww -man -z "$page" 2>&1)"
    [ -z "$warnings" ] || fail "groff warns about $(basename "$page"): $warnings"
done

cli_page="$(printf '%s\n' "$@" | grep '/pathfolio-cli\.1$')"
# Each option's entry: the line after a .TP that names it, as roff writes
# "--on-duplicate" (\-\-on\-duplicate).
entries="$(sed -n '/^\.TP/{n;p}' "$cli_page" | sed 's/\\-/-/g')"
while read -r option words; do
    entry="$(grep -E -- "(^|[ \"])$option([ \",]|\$)" <<<"$entries")"
    if [ -z "$entry" ]; then
        fail "pathfolio-cli(1) has no entry for $option"
        continue
    fi
    for word in $words; do
        grep -qE "(^|[ |])$word([ |]|\$)" <<<"$entry" || fail "pathfolio-cli(1): $option does not name $word"
    done
done < <(help_options "$cli")

# Each kind of file that the help names by its extension has its entry under
# FILE KINDS.
kinds="$(MANWIDTH=80 man -E UTF-8 -l "$cli_page" 2>/dev/null | col -b | sed -n '/^FILE KINDS/,/^[A-Z]/p')"
while read -r extension; do
    grep -qF -- "$extension" <<<"$kinds" || fail "pathfolio-cli(1) has no file kind for $extension"
done < <(help_extensions "$cli")

echo "$failures failed"
[ "$failures" -eq 0 ]
