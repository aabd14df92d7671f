#!/usr/bin/env bash
# Bash completion of pathfolio-cli, loaded as bash-completion loads it: the
# options and the words each takes agree with the program's help, --template
# offers the names in the template store, and file names are offered by kind.
#   CompletionTest.sh CLI COMPLETION_SCRIPT
set -uo pipefail
export LC_ALL=C
source "$(dirname "$0")/HelpOptions.sh"
cli=$1
source /usr/share/bash-completion/bash_completion
source "$2"
compopt() { :; }  # only readline's own completion may set options

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# complete_words WORD... : what completing the last word offers, sorted, joined
# with ";".
complete_words() {
    COMP_WORDS=("$cli" "$@")
    COMP_CWORD=$#
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _pathfolio_cli "$cli" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd';'
}
expect() {  # expect "OFFERED" WORD...
    local offered
    offered="$(complete_words "${@:2}")"
    [ "$offered" = "$1" ] || fail "pathfolio-cli ${*:2}| offers \"$offered\", not \"$1\""
}

[[ "$(complete -p pathfolio-cli)" == "complete -F _pathfolio_cli pathfolio-cli" ]] ||
    fail "complete -p: $(complete -p pathfolio-cli 2>&1)"

# Every option of the help, and the words of each that takes words.
options="$(help_options "$cli")"
expect "$(cut -d' ' -f1 <<<"$options" | sort | paste -sd';')" -
while read -r option words; do
    [ -z "$words" ] || expect "$(tr ' ' '\n' <<<"$words" | sort | paste -sd';')" "$option" ""
done <<<"$options"
expect "append" --existing a
expect "--on-bad-coordinate;--on-bad-name" --on-bad

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
export HOME="$scratch" XDG_DATA_HOME="$scratch/data"
mkdir folder
touch a.mps B.MPS c.csv d.txt e.dat f.gpx PathfolioTemplates.dat
printf 'name,latitude,longitude,comment\nhome,1.5,2.5,\n' >folder/points.csv

# Template names come from the store in the current directory, as the program
# finds it: a name with a space, any case, the 254-character longest.
long_name="$(printf 'l%.0s' {1..254})"
for name in "Survey North" survey2 Other "$long_name"; do
    "$cli" folder/points.csv folder/out.mps --columns A,B,C,D --first-row 2 --save-template "$name" \
        --existing replace --quiet || fail "saving the template $name"
done
printf 'short record' >>PathfolioTemplates.dat
expect "Other;Survey North;$long_name;survey2" --template ""
expect "Survey North;survey2" --template S
expect "Survey North" --template '"survey\ n'
expect "" --template x

# Files by kind: a source of any kind, then a target of another.
expect "B.MPS;a.mps;c.csv;d.txt;f.gpx;folder" ""
expect "c.csv;d.txt;f.gpx;folder" a.mps ""
expect "B.MPS;a.mps;f.gpx;folder" c.csv ""
expect "B.MPS;a.mps;c.csv;d.txt;folder" f.gpx ""
expect "B.MPS;a.mps;f.gpx;folder" --columns A,B,C,D --delimiter tab c.csv ""
expect "B.MPS;a.mps;f.gpx;folder" --quiet -- --odd.txt ""
expect "" a.mps c.csv ""

# Every kind that the help names by its extension is offered as a source, and
# not again as the target of a source of that kind.
mkdir kinds
cd kinds || exit 1
while read -r extension; do
    touch "named$extension"
    [[ ";$(complete_words "");" == *";named$extension;"* ]] ||
        fail "a source named *$extension is not offered"
    [[ ";$(complete_words "named$extension" "");" != *";named$extension;"* ]] ||
        fail "a target named *$extension is offered for a source of the same kind"
    rm "named$extension"
done < <(help_extensions "$cli")

echo "$failures failed"
[ "$failures" -eq 0 ]
