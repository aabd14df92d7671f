# bash completion for pathfolio-cli                        -*- shell-script -*-

# The options that take a value, and the words each offers. "@templates" offers
# the names in the template store; an option left empty takes a value of the
# person's own (a name, a number); --columns takes letters of the person's own
# or "auto".
declare -gA _pathfolio_cli_values=(
    [--template]=@templates
    [--columns]=auto
    [--first-row]=
    [--delimiter]="comma tab semicolon none"
    [--encoding]="utf-8 windows-1252"
    [--save-template]=
    [--existing]="replace append"
    [--on-duplicate]="suffix overwrite discard abort"
    [--on-long-name]="truncate discard abort"
    [--on-bad-name]="clean discard abort"
    [--on-bad-coordinate]="discard abort"
)
_pathfolio_cli_flags="--decimal-comma --quiet -q --help -h --version"

# The kinds of file and their extensions. A name with none of the other kinds'
# extensions is a text file; the text extensions are what is offered for one.
declare -gA _pathfolio_cli_kinds=(
    [mapsource]=mps
    [gpx]=gpx
    [text]="txt csv"
)
_pathfolio_cli_fallback_kind=text

# The kind of the named file.
_pathfolio_cli_kind_of() {
    local name=${1,,} kind extension
    for kind in "${!_pathfolio_cli_kinds[@]}"; do
        [[ $kind == "$_pathfolio_cli_fallback_kind" ]] && continue
        for extension in ${_pathfolio_cli_kinds[$kind]}; do
            [[ $name == *."$extension" ]] && { echo "$kind"; return; }
        done
    done
    echo "$_pathfolio_cli_fallback_kind"
}

# Directories and the files of every kind but the one given.
_pathfolio_cli_files() {
    local skipped=$1 kind extensions=()
    for kind in "${!_pathfolio_cli_kinds[@]}"; do
        [[ $kind == "$skipped" ]] || extensions+=(${_pathfolio_cli_kinds[$kind]})
    done
    local IFS='|'
    _filedir "@(${extensions[*]})"
}

# The template store's path, as the program reports it in its help.
_pathfolio_cli_store() {
    "$1" --help 2>/dev/null | sed -n '/^Templates are kept/,/^$/{/^  \//p}' | sed 's/^  //'
}

# The names in the template store: records of 276 bytes, each holding its name
# from byte 18 to a NUL (255 bytes at most). The file is read as NUL-ended
# pieces, keeping count of the offset; a short last record is not a template.
_pathfolio_cli_template_names() {
    local store=$1 LC_ALL=C piece start=0 name_at=18 size records
    [[ -f $store && -r $store ]] || return
    size=$(stat -c %s -- "$store") || return
    records=$((size / 276))
    while ((name_at < records * 276)) && { IFS= read -r -d '' piece || [[ $piece ]]; }; do
        while ((name_at <= start + ${#piece} && name_at < records * 276)); do
            printf '%s\n' "${piece:name_at-start:255}"
            name_at=$((name_at + 276))
        done
        start=$((start + ${#piece} + 1))
    done <"$store"
}

# The stored names that start with the typed text (an opening quote and
# backslashes left out), ignoring case as --template does.
_pathfolio_cli_templates() {
    local command=$1 typed name
    typed=${2#[\"\']}
    typed=${typed//\\/}
    typed=${typed,,}
    while IFS= read -r name; do
        [[ -n $name && ${name,,} == "$typed"* ]] && COMPREPLY+=("$name")
    done < <(_pathfolio_cli_template_names "$(_pathfolio_cli_store "$command")")
    compopt -o filenames
}

# The kind of the first file named, and how many are named before the word
# being completed.
_pathfolio_cli_positionals() {
    local i word options_end=false
    source_kind=
    positionals=0
    for ((i = 1; i < cword; i++)); do
        word=${words[i]}
        if ! $options_end && [[ $word == -- ]]; then
            options_end=true
        elif ! $options_end && [[ $word == -* ]]; then
            [[ $word != *=* && -v _pathfolio_cli_values[$word] ]] && ((i++))
        else
            ((positionals++ == 0)) && source_kind=$(_pathfolio_cli_kind_of "$word")
        fi
    done
}

_pathfolio_cli() {
    local cur prev words cword split
    _init_completion -s || return

    if [[ -v _pathfolio_cli_values[$prev] ]]; then
        case ${_pathfolio_cli_values[$prev]} in
            @templates) _pathfolio_cli_templates "$1" "$cur" ;;
            *) COMPREPLY=($(compgen -W "${_pathfolio_cli_values[$prev]}" -- "$cur")) ;;
        esac
        return
    fi
    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "${!_pathfolio_cli_values[*]} $_pathfolio_cli_flags" -- "$cur"))
        return
    fi
    local source_kind positionals
    _pathfolio_cli_positionals
    case $positionals in
        0) _pathfolio_cli_files "" ;;
        1) _pathfolio_cli_files "$source_kind" ;;
    esac
} && complete -F _pathfolio_cli pathfolio-cli
