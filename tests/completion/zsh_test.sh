#!/usr/bin/env bash
# The zsh completion, run by zsh's own completion system in a pseudo-terminal: for each command
# line, what it becomes after Tab and the matches offered.
# Usage: zsh_test.sh QUARVE SOURCE_DIR
# shellcheck source-path=SCRIPTDIR
set -uo pipefail
# shellcheck source=env.sh
. "$(dirname "$0")/env.sh"
need zsh

lines=()
buffers=()
matches=()
# expect LINE BUFFER MATCH...: after LINE and Tab the command line reads BUFFER, and the
# completion offered the MATCHes.
expect() {
    lines+=("$1")
    buffers+=("$2")
    shift 2
    matches+=("$(printf '%s\n' "$@")")
}

# shellcheck disable=SC2086 # one word a command
expect 'quarve ' 'quarve ' $command_names
expect 'quarve sh' 'quarve show ' show
expect 'quarve help und' 'quarve help undo ' undo
expect 'quarve --v' 'quarve --version ' --version
expect 'quarve list --t' 'quarve list --types ' --types
expect 'quarve show We' 'quarve show Web\ Browser ' 'Web Browser'
expect "quarve show 'We" "quarve show 'Web Browser' " 'Web Browser'
expect 'quarve show "We' 'quarve show "Web Browser" ' 'Web Browser'
expect 'quarve show web' 'quarve show web' 'Web Browser' webm webp
expect "quarve show 'No" "quarve show 'Notes & \"Drafts\"' " 'Notes & "Drafts"'
expect 'quarve show Ro' "quarve show Rock\\ \\'n\\'\\ Roll " "Rock 'n' Roll"
expect 'quarve get image/p' 'quarve get image/png ' image/png
expect 'quarve show pd' 'quarve show pdf ' pdf
expect "quarve set 'Web Browser' " "quarve set 'Web Browser' " chromium firefox-esr \
    org.gnome.gedit vim
expect 'quarve set Web\ Browser fi' 'quarve set Web\ Browser firefox-esr ' firefox-esr
expect 'quarve set "Notes & \"Drafts\"" ' 'quarve set "Notes & \"Drafts\"" ' org.gnome.gedit vim
expect 'quarve terminal ' 'quarve terminal ' kitty xterm
expect 'quarve terminal --j' 'quarve terminal --json ' --json
expect 'quarve terminal x' 'quarve terminal xterm ' xterm
expect 'quarve undo ' 'quarve undo '
expect 'quarve nosuchcommand ' 'quarve nosuchcommand '
expect "quarve check $root/config/quarve/mimet" "quarve check $root/config/quarve/mimetypes.ini " \
    mimetypes.ini
expect 'quarve apply --d' 'quarve apply --dry-run ' --dry-run
expect 'quarve export --format h' 'quarve export --format home-manager ' home-manager
# _files hands zsh its matches quoted already.
expect 'quarve why Zeb' 'quarve why Zebra\ notes.txt ' 'Zebra\ notes.txt'
expect 'quarve why pd' 'quarve why pdf ' pdf
expect 'quarve show Zeb' 'quarve show Zeb'
expect 'quarve doctor pd' 'quarve doctor pdf ' pdf
expect 'quarve doctor pdf --f' 'quarve doctor pdf --fix ' --fix

i=0
while IFS=$'\t' read -r line buffer got; do
    verdict "$line (command line)" "$buffer" "${buffers[i]}"
    verdict "$line (matches)" "${got//|/$'\n'}" "${matches[i]}"
    i=$((i + 1))
done < <(zsh -f "$(dirname "$0")/zsh_complete.zsh" "$src/data/completions" "${lines[@]}")
verdict "cases answered" "$i" "${#lines[@]}"
finish
