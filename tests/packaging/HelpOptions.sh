# Sourced by the packaging tests: help_options CLI prints each option that
# `CLI --help` lists, one a line, followed by the words it takes when its help
# shows them as a|b|c:
#   --delimiter comma tab none
#   --quiet
help_options() {
    "$1" --help | grep '^  -' | while read -r names value _; do
        local name
        for name in ${names//,/ }; do
            if [[ $value == *'|'* ]]; then
                echo "$name ${value//|/ }"
            else
                echo "$name"
            fi
        done
    done
}

# help_extensions CLI prints each extension that the description at the top of
# `CLI --help` gives a kind of file, one a line: .mps
help_extensions() {
    "$1" --help | sed '/^Usage:/q' | grep -oE '\.[a-z]+\b' | sort -u
}
