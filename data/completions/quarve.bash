# bash completion for quarve
# The commands, items and applications come from quarve itself, so that completion follows the
# program's command table and the user's own catalogue.

# The commands that take an item, and those of them whose item may also be a MIME type or an
# extension rather than a category.
_quarve_item_commands=" show get set why pin unpin reset doctor "
_quarve_type_commands=" show get set why pin unpin reset doctor "

# A word as the command will receive it: quotes taken away, backslash escapes undone. A quote
# still open runs to the end, as it does while the word is being typed.
_quarve_unquote() {
    local word=$1 out="" quote="" c i
    for ((i = 0; i < ${#word}; i++)); do
        c=${word:i:1}
        if [[ $quote == "'" ]]; then
            if [[ $c == "'" ]]; then quote=""; else out+=$c; fi
        elif [[ $c == "\\" ]]; then
            # Inside double quotes a backslash escapes only these four.
            if [[ -z $quote || ${word:i+1:1} == [\\\"\$\`] ]]; then
                i=$((i + 1))
                c=${word:i:1}
            fi
            out+=$c
        elif [[ $c == '"' ]]; then
            if [[ -z $quote ]]; then quote='"'; else quote=""; fi
        elif [[ $c == "'" && -z $quote ]]; then
            quote="'"
        else
            out+=$c
        fi
    done
    printf '%s' "$out"
}

_quarve_commands() {
    local name _
    while IFS=$'\t' read -r name _; do
        printf '%s\n' "$name"
    done < <(quarve --list-commands 2>/dev/null)
}

# Category names; with "types", also every MIME type and, where it has one, its extension.
_quarve_items() {
    local type label
    quarve list 2>/dev/null
    [[ ${1:-} == types ]] || return 0
    while IFS=$'\t' read -r type label; do
        printf '%s\n' "$type"
        [[ -n $label && $label != "$type" ]] && printf '%s\n' "$label"
    done < <(quarve list --types 2>/dev/null)
}

# The desktop IDs, without ".desktop", of the candidates for item $1 (lines "M ID<tab>...").
_quarve_candidates() {
    local id _
    while IFS=$'\t' read -r id _; do
        id=${id:2}
        printf '%s\n' "${id%.desktop}"
    done < <(quarve show "$1" 2>/dev/null)
}

# The files and folders (these with a slash) whose names begin with the current word, for why.
_quarve_files() {
    local prefix path real
    prefix=$(_quarve_unquote "${COMP_WORDS[COMP_CWORD]}")
    while IFS= read -r path; do
        real=$path
        [[ $real == \~/* ]] && real=$HOME/${real:2}
        if [[ -d $real ]]; then printf '%s/\n' "$path"; else printf '%s\n' "$path"; fi
    done < <(compgen -f -- "$prefix")
}

# Every application, for the commands that take one without an item; nothing from a quarve
# that has no such command.
_quarve_applications() {
    local id _
    # No pipe into grep -q: under pipefail its early exit would fail the list half the time.
    [[ $'\n'$(_quarve_commands)$'\n' == *$'\n'app$'\n'* ]] || return 0
    while IFS=$'\t' read -r id _; do
        id=${id#[* ] }
        printf '%s\n' "${id%.desktop}"
    done < <(quarve list --apps 2>/dev/null)
}

# The terminal emulators' desktop IDs, without ".desktop", from quarve terminal's lines
# "M ID<tab>NAME<tab>FILE" before the preferred ones; nothing from a quarve without the command.
_quarve_terminals() {
    local id _
    [[ $'\n'$(_quarve_commands)$'\n' == *$'\n'terminal$'\n'* ]] || return 0
    while IFS=$'\t' read -r id _; do
        [[ $id == Preferred* ]] && break
        [[ $id == [*\ ]\ * ]] || continue
        id=${id:2}
        printf '%s\n' "${id%.desktop}"
    done < <(quarve terminal 2>/dev/null)
}

# Fills COMPREPLY with the words on stdin that begin with the current word, written so that the
# shell reads them back as they are: escaped where no quote is open, and plain inside an open
# quote, which readline closes after a single match. Typed in lower case, the word matches in
# any letter case ("web" finds Web Browser and webp); with a capital, only as typed ("We" finds
# Web Browser alone).
_quarve_reply() {
    local cur=${COMP_WORDS[COMP_CWORD]} prefix word quote="" fold=""
    prefix=$(_quarve_unquote "$cur")
    [[ $cur == [\'\"]* ]] && quote=${cur:0:1}
    [[ $prefix == "${prefix,,}" ]] && fold=1
    COMPREPLY=()
    while IFS= read -r word; do
        [[ -n $word ]] || continue
        if [[ -n $fold ]]; then
            [[ ${word,,} == "$prefix"* ]] || continue
        else
            [[ $word == "$prefix"* ]] || continue
        fi
        case $quote in
        "'") [[ $word == *"'"* ]] || COMPREPLY+=("$word") ;;
        '"')
            word=${word//\\/\\\\}
            word=${word//\"/\\\"}
            word=${word//\$/\\\$}
            COMPREPLY+=("${word//\`/\\\`}")
            ;;
        *)
            word=$(printf '%q' "$word")
            # A path from the home folder keeps its tilde for the shell to expand.
            [[ $word == '\~/'* ]] && word=${word:1}
            COMPREPLY+=("$word")
            ;;
        esac
    done
}

# For the commands that read or write a profile: a file, an option where the word begins with a
# dash, and the formats after export's --format.
_quarve_profile() {
    local command=$1 cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    if [[ $command == export && $prev == --format ]]; then
        _quarve_reply <<<$'home-manager\nprofile'
    elif [[ $cur == -* ]]; then
        case $command in
        export) _quarve_reply <<<--format ;;
        apply) _quarve_reply <<<$'--dry-run\n--pin' ;;
        check) _quarve_reply <<<--json ;;
        esac
    else
        # Outside a completion (as the tests call it) compopt has nothing to set.
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
}

_quarve() {
    local command=${COMP_WORDS[1]:-}
    if [[ $COMP_CWORD -eq 1 ]]; then
        _quarve_reply < <(_quarve_commands; printf '%s\n' --help --version)
        return
    fi
    case $command in
    list) [[ $COMP_CWORD -eq 2 ]] && _quarve_reply <<<$'--types\n--apps\n--json' ;;
    help) [[ $COMP_CWORD -eq 2 ]] && _quarve_reply < <(_quarve_commands) ;;
    app) [[ $COMP_CWORD -eq 2 ]] && _quarve_reply < <(_quarve_applications) ;;
    terminal) [[ $COMP_CWORD -eq 2 ]] && _quarve_reply < <(_quarve_terminals; echo --json) ;;
    export | apply | check) _quarve_profile "$command" ;;
    doctor)
        # Its options go anywhere after it; its item comes first.
        if [[ ${COMP_WORDS[COMP_CWORD]} == -* ]]; then
            _quarve_reply <<<$'--json\n--fix'
        elif [[ $COMP_CWORD -eq 2 ]]; then
            _quarve_reply < <(_quarve_items types)
        fi
        ;;
    *)
        [[ $_quarve_item_commands == *" $command "* ]] || return 0
        if [[ $COMP_CWORD -eq 2 ]]; then
            local kind=""
            [[ $_quarve_type_commands == *" $command "* ]] && kind=types
            if [[ $command == why ]]; then
                _quarve_reply < <(
                    _quarve_items "$kind"
                    _quarve_files
                )
                # A folder takes no blank after it, so that its files can follow.
                [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == */ ]] && compopt -o nospace 2>/dev/null
            else
                _quarve_reply < <(_quarve_items "$kind")
            fi
        elif [[ $COMP_CWORD -eq 3 && $command == set ]]; then
            _quarve_reply < <(_quarve_candidates "$(_quarve_unquote "${COMP_WORDS[2]}")")
        fi
        ;;
    esac
}
complete -F _quarve quarve
