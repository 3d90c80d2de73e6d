# shellcheck shell=bash
# Sourced by the completion tests: a private desktop in a temporary folder (the demo's
# applications, a catalogue with names that need quoting) with the built quarve first on PATH,
# and the table runner. The real user's settings are neither read nor written.
# Usage: . env.sh QUARVE SOURCE_DIR

quarve=$1
src=$2

# Stops the test as failed: what every case stands on is missing, so no verdict would be true.
give_up() {
    echo "FAILED $1"
    exit 1
}

# Each shell the test runs: scripts/install-deps --test installs them all, so one that is missing
# fails the test rather than skipping it.
need() {
    command -v "$1" >/dev/null ||
        give_up "$1 is not installed (scripts/install-deps --test installs it)"
}

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
"$src/scripts/make-registry" --demo "$root" || give_up "the demo desktop could not be made"
mkdir -p "$root/bin" "$root/config/quarve"
ln -s "$(cd "$(dirname "$quarve")" && pwd)/$(basename "$quarve")" "$root/bin/quarve"
cat >"$root/config/quarve/mimetypes.ini" <<'INI'
[Categories]
Web Browser=text/html;x-scheme-handler/http;x-scheme-handler/https;
Image Viewer=image/png;image/jpeg;
Notes & "Drafts"=text/plain;
Rock 'n' Roll=audio/mpeg;audio/ogg;

[Extra]
mimetypes=application/pdf;video/webm;image/webp;
INI
# Files for why to complete, in the folder the cases run in: one whose name needs quoting, and a
# folder.
if ! { mkdir -p "$root/files/Zoo" && : >"$root/files/Zebra notes.txt" && cd "$root/files"; }; then
    give_up "the files to complete could not be made"
fi
export PATH="$root/bin:$PATH" HOME="$root/home"
export XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" XDG_CACHE_HOME="$root/cache"
export XDG_STATE_HOME="$root/state" XDG_CONFIG_DIRS="$root/system-config"
export XDG_DATA_DIRS="$root/system-data" GIO_USE_VFS=local GSETTINGS_BACKEND=memory
unset XDG_CURRENT_DESKTOP QUARVE_DEV

passed=0
failed=0

# The program's own command list, one "NAME<Tab>SUMMARY" line a command. The completions read it
# too: were it empty or failing, a case and its completion would agree on nothing at all. So it
# must answer and hold every command the cases complete, each with its summary.
commands=$(quarve --list-commands) || give_up "quarve --list-commands failed"
for command in app get help list set show terminal undo; do
    grep -q "^$command"$'\t'"." <<<"$commands" ||
        give_up "quarve --list-commands has no $command with its summary: ${commands:-nothing}"
done
# shellcheck disable=SC2034 # for the tests that source this file
command_names=$(cut -f1 <<<"$commands")

# Compares what a case gave with what it should give, one candidate a line in any order.
verdict() {
    local what=$1 got want
    got=$(printf '%s\n' "$2" | sed '/^$/d' | sort)
    want=$(printf '%s\n' "$3" | sed '/^$/d' | sort)
    if [[ $got == "$want" ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAILED %s\n  expected: %s\n  got:      %s\n' "$what" "${want//$'\n'/ | }" \
            "${got//$'\n'/ | }"
    fi
}

# A case whose shell could not answer at all fails, whatever it was to offer.
broken() {
    failed=$((failed + 1))
    printf 'FAILED %s\n  %s\n' "$1" "$2"
}

# A run that checked nothing fails too.
finish() {
    echo "$passed passed, $failed failed"
    [[ $failed -eq 0 && $passed -gt 0 ]]
}
