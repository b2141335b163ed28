# bash completion for packwright-cli.
#
# The verbs, each verb's options and what each option and positional takes
# are read from the tool's own help (`packwright-cli --help`, `packwright-cli
# VERB --help`), so the completion always matches the installed program.
# What a value completes to follows its name in the help:
#   NAME.ext, NAME.ext...   files ending in .ext (any letter case), and folders
#   LOG, LOG...             files ending in .log, and folders
#   DIR, ROOT               folders
#   a|b|c                   one of the words
#   anything else           nothing (an entry name, a pattern, a type)

# Prints one line per item of a help text section ("Options:", "Verbs:",
# "Positionals:"): the names (such as -q,--quiet), a tab, and the value name.
_packwright_cli_items() {
    awk -v section="$1:" '
        $0 == section { on = 1; next }
        on && /^$/ { exit }
        on && /^  [^ ]/ {
            sub(/^  /, ""); split($0, col, /  +/)
            n = split(col[1], word, " ")
            print word[1] "\t" (n > 1 ? word[2] : "")
        }'
}

# Fills COMPREPLY with what a value named $1 takes, for the word $2.
_packwright_cli_value() {
    local value=$1 cur=$2 ext="" pattern="" i c
    case $value in
        *'|'*) mapfile -t COMPREPLY < <(compgen -W "${value//|/ }" -- "$cur"); return ;;
        DIR | ROOT) mapfile -t COMPREPLY < <(compgen -d -- "$cur"); compopt -o filenames 2>/dev/null; return ;;
        LOG | LOG...) ext=log ;;
        *.*) ext=${value%...}; ext=${ext##*.} ;;
        *) COMPREPLY=(); return ;;
    esac
    # The extension in either letter case, as names match on the game's system.
    for ((i = 0; i < ${#ext}; i++)); do
        c=${ext:i:1}
        pattern+="[${c,}${c^}]"
    done
    mapfile -t COMPREPLY < <(compgen -f -X "!*.$pattern" -- "$cur"; compgen -d -- "$cur")
    compopt -o filenames 2>/dev/null
}

_packwright_cli() {
    local tool=${COMP_WORDS[0]} cur=${COMP_WORDS[COMP_CWORD]} prev="" verb="" i
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()
    for ((i = 1; i < COMP_CWORD; i++)); do
        if [[ ${COMP_WORDS[i]} != -* ]]; then verb=${COMP_WORDS[i]}; break; fi
    done
    local help
    if [[ -z $verb ]]; then
        help=$("$tool" --help 2>/dev/null) || return 0
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W "$(_packwright_cli_items Options <<<"$help" | cut -f1 | tr , ' ')" -- "$cur")
        else
            mapfile -t COMPREPLY < <(compgen -W "$(_packwright_cli_items Verbs <<<"$help" | cut -f1)" -- "$cur")
        fi
        return 0
    fi
    help=$("$tool" "$verb" --help 2>/dev/null) || return 0
    local -A takes=()
    local names value name
    while IFS=$'\t' read -r names value; do
        for name in ${names//,/ }; do takes[$name]=$value; done
    done < <(_packwright_cli_items Options <<<"$help")

    # The value of an option.
    if [[ $prev == -* && -n ${takes[$prev]:-} ]]; then
        _packwright_cli_value "${takes[$prev]}" "$cur"
        return 0
    fi
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "${!takes[*]}" -- "$cur")
        return 0
    fi
    # A positional: the how-manyth, skipping options and their values.
    local -a positionals
    mapfile -t positionals < <(_packwright_cli_items Positionals <<<"$help" | cut -f1)
    local k=0 options=1
    for ((i = i + 1; i < COMP_CWORD; i++)); do
        local w=${COMP_WORDS[i]}
        if ((options)) && [[ $w == -- ]]; then options=0
        elif ((options)) && [[ $w == -* ]]; then
            [[ $w != *=* && -n ${takes[$w]:-} ]] && ((i++))
        else ((k++))
        fi
    done
    local n=${#positionals[@]}
    ((n == 0)) && return 0
    if ((k >= n)); then
        [[ ${positionals[n - 1]} == *... ]] || return 0
        k=$((n - 1))
    fi
    _packwright_cli_value "${positionals[k]}" "$cur"
    return 0
}

complete -F _packwright_cli packwright-cli
