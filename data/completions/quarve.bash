# bash completion for quarve
_quarve() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local IFS=$'\n'
    if [[ $COMP_CWORD -eq 1 ]]; then
        mapfile -t COMPREPLY < <(compgen -W $'list\nshow\nget\nset\nundo\n--help\n--version' -- "$cur")
        return
    fi
    case ${COMP_WORDS[1]} in
    list)
        [[ $COMP_CWORD -eq 2 ]] && mapfile -t COMPREPLY < <(compgen -W '--types' -- "$cur")
        ;;
    show | get | set)
        # Items: the categories of the user's catalogue (quoted, they hold spaces).
        if [[ $COMP_CWORD -eq 2 ]]; then
            local c
            COMPREPLY=()
            while IFS= read -r c; do
                [[ ${c,,} == "${cur,,}"* ]] && COMPREPLY+=("$(printf '%q' "$c")")
            done < <(quarve list 2>/dev/null)
        fi
        ;;
    esac
}
complete -F _quarve quarve
