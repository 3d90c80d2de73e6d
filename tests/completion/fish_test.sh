#!/usr/bin/env bash
# The fish completion, asked as fish asks it: complete -C on each command line, in a fish that
# reads no configuration but quarve's completion file.
# Usage: fish_test.sh QUARVE SOURCE_DIR
# shellcheck source-path=SCRIPTDIR
set -uo pipefail
# shellcheck source=env.sh
. "$(dirname "$0")/env.sh"

# expect LINE CANDIDATE...: what fish offers after LINE, without descriptions; fish itself
# quotes a candidate as it goes into the command line.
# The single-quoted code is fish's, expanded by fish.
# shellcheck disable=SC2016
expect() {
    local line=$1 got
    shift
    got=$(fish --no-config -c 'source $argv[1]; complete -C $argv[2]' \
        "$src/data/completions/quarve.fish" "$line" | cut -f1)
    verdict "$line" "$got" "$(printf '%s\n' "$@")"
}

if has_command_list; then
    # shellcheck disable=SC2046 # one word a command
    expect 'quarve ' $(quarve --list-commands | cut -f1)
    expect 'quarve s' set show
    expect 'quarve help und' undo
    # The summary of the command table is the description.
    # shellcheck disable=SC2016
    got=$(fish --no-config -c 'source $argv[1]; complete -C "quarve und"' \
        "$src/data/completions/quarve.fish")
    verdict "description of undo" "$got" "undo	$(quarve --list-commands | sed -n 's/^undo\t//p')"
else
    skip "the command cases"
fi
expect 'quarve --v' --version
expect 'quarve list --t' --types
expect 'quarve show We' 'Web Browser'
expect "quarve show 'We" 'Web Browser'
expect 'quarve show "We' 'Web Browser'
expect 'quarve show web' 'Web Browser' webm webp
expect "quarve show 'No" 'Notes & "Drafts"'
expect 'quarve show Ro' "Rock 'n' Roll"
expect 'quarve get image/p' image/png
expect 'quarve show pd' pdf
expect "quarve set 'Web Browser' " chromium firefox-esr org.gnome.gedit vim
expect 'quarve set Web\ Browser fi' firefox-esr
expect 'quarve set "Notes & \"Drafts\"" ' org.gnome.gedit vim
expect 'quarve set png ' chromium gimp org.gnome.eog
expect 'quarve undo '
expect "quarve show 'Web Browser' "
expect 'quarve nosuchcommand '
if has_command_list && quarve --list-commands | grep -q '^app'$'\t'; then
    expect 'quarve app org.gnome.e' org.gnome.eog org.gnome.Evince
else
    expect 'quarve app '
fi
finish
