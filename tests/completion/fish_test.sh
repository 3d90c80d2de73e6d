#!/usr/bin/env bash
# The fish completion, asked as fish asks it: complete -C on each command line, in a fish that
# reads no configuration but quarve's completion file.
# Usage: fish_test.sh QUARVE SOURCE_DIR
# shellcheck source-path=SCRIPTDIR
set -uo pipefail
# shellcheck source=env.sh
. "$(dirname "$0")/env.sh"
need fish

# What fish offers after LINE, with descriptions; fails when fish could not source the
# completion or answer.
# The single-quoted code is fish's, expanded by fish.
# shellcheck disable=SC2016
offered() {
    fish --no-config -c 'source $argv[1]; or exit 1; complete -C $argv[2]' \
        "$src/data/completions/quarve.fish" "$1"
}

# expect LINE CANDIDATE...: what fish offers after LINE, without descriptions; fish itself
# quotes a candidate as it goes into the command line.
expect() {
    local line=$1 got
    shift
    if ! got=$(offered "$line"); then
        broken "$line" "fish could not complete it"
        return
    fi
    verdict "$line" "$(cut -f1 <<<"$got")" "$(printf '%s\n' "$@")"
}

# shellcheck disable=SC2086 # one word a command
expect 'quarve ' $command_names
expect 'quarve s' set show
expect 'quarve help und' undo
# The summary of the command table is the description.
if got=$(offered 'quarve und'); then
    verdict "description of undo" "$got" "undo	$(sed -n 's/^undo\t//p' <<<"$commands")"
else
    broken "description of undo" "fish could not complete it"
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
expect 'quarve app org.gnome.e' org.gnome.eog org.gnome.Evince
expect 'quarve terminal ' kitty xterm
expect 'quarve terminal --j' --json
expect 'quarve terminal x' xterm
expect "quarve check $root/config/quarve/mimet" "$root/config/quarve/mimetypes.ini"
expect 'quarve apply x --d' --dry-run
expect 'quarve export --format ' home-manager profile
expect 'quarve why Zeb' 'Zebra notes.txt'
expect 'quarve why pd' pdf
expect 'quarve show Zeb'
expect 'quarve doctor pd' pdf
expect 'quarve doctor pdf --' --json --fix
finish
