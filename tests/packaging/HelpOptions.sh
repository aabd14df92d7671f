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
