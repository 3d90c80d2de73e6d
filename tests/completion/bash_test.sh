#!/usr/bin/env bash
# The bash completion, run as bash runs it: COMP_WORDS and friends set for each command line,
# _quarve called, COMPREPLY read.
# Usage: bash_test.sh QUARVE SOURCE_DIR
# shellcheck source-path=SCRIPTDIR
set -uo pipefail
# shellcheck source=env.sh
. "$(dirname "$0")/env.sh"
# shellcheck source=../../data/completions/quarve.bash
. "$src/data/completions/quarve.bash"
declare -F _quarve >/dev/null || give_up "quarve.bash defines no _quarve"

# The words of line as bash hands them to a completion function: split at blanks outside
# quotes and escapes, quotes kept; a blank at the end begins an empty word.
complete_line() {
    local line=$1 word="" quote="" c i
    COMP_WORDS=()
    for ((i = 0; i < ${#line}; i++)); do
        c=${line:i:1}
        if [[ $c == "\\" && $quote != "'" ]]; then
            word+=$c${line:i+1:1}
            i=$((i + 1))
        elif [[ -n $quote ]]; then
            word+=$c
            [[ $c == "$quote" ]] && quote=""
        elif [[ $c == [\'\"] ]]; then
            word+=$c
            quote=$c
        elif [[ $c == " " ]]; then
            [[ -n $word ]] && COMP_WORDS+=("$word")
            word=""
        else
            word+=$c
        fi
    done
    COMP_WORDS+=("$word")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    _quarve quarve "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}"
}

# expect LINE CANDIDATE...: what Tab offers after LINE, as it goes into the command line.
expect() {
    local line=$1
    shift
    verdict "$line" "$(complete_line "$line")" "$(printf '%s\n' "$@")"
}

# shellcheck disable=SC2086 # one word a command
expect 'quarve ' $command_names --help --version
expect 'quarve s' set show
expect 'quarve help und' undo
expect 'quarve --v' --version
expect 'quarve list --t' --types
# Names with blanks: escaped, or plain inside the quote already open. A capital matches as
# typed, lower case in any case.
expect 'quarve show We' 'Web\ Browser'
expect "quarve show 'We" 'Web Browser'
expect 'quarve show "We' 'Web Browser'
expect 'quarve show web' 'Web\ Browser' webm webp
expect "quarve show 'Web B" 'Web Browser'
expect 'quarve show No' 'Notes\ \&\ \"Drafts\"'
expect 'quarve show "No' 'Notes & \"Drafts\"'
expect "quarve show 'No" 'Notes & "Drafts"'
expect 'quarve show Ro' "Rock\\ \\'n\\'\\ Roll"
expect "quarve show 'Ro"
# MIME types and their extensions, for the commands that take them.
expect 'quarve get image/p' image/png
expect 'quarve show pd' pdf
expect 'quarve get x-scheme-handler/htt' x-scheme-handler/http x-scheme-handler/https
# The candidates of the item, however it was written.
expect "quarve set 'Web Browser' " chromium firefox-esr org.gnome.gedit vim
expect 'quarve set Web\ Browser fi' firefox-esr
expect 'quarve set "Notes & \"Drafts\"" ' org.gnome.gedit vim
expect 'quarve set png ' chromium gimp org.gnome.eog
expect 'quarve set image/png g' gimp
# Nothing where nothing goes.
expect 'quarve undo '
expect "quarve show 'Web Browser' "
expect 'quarve get png '
expect 'quarve set nothing-at-all '
expect 'quarve nosuchcommand '
expect 'quarve app org.gnome.e' org.gnome.eog org.gnome.Evince
expect 'quarve terminal ' kitty xterm --json
expect 'quarve terminal x' xterm
# A profile's file, its options, and export's formats.
expect "quarve check $root/config/quarve/mimet" "$root/config/quarve/mimetypes.ini"
expect 'quarve apply --d' --dry-run
expect 'quarve export --format ' home-manager profile
# why explains files too, and still items; the other commands take no file.
expect 'quarve why Zeb' 'Zebra\ notes.txt'
expect "quarve why 'Zeb" 'Zebra notes.txt'
expect 'quarve why Zo' 'Zoo/'
expect 'quarve why pd' pdf
expect 'quarve show Zeb'
expect 'quarve doctor pd' pdf
expect 'quarve doctor pdf --' --json --fix
expect 'quarve doctor --f' --fix
finish
