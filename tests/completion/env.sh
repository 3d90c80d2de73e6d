# shellcheck shell=bash
# Sourced by the completion tests: a private desktop in a temporary folder (the demo's
# applications, a catalogue with names that need quoting) with the built quarve first on PATH,
# and the table runner. The real user's settings are neither read nor written.
# Usage: . env.sh QUARVE SOURCE_DIR

quarve=$1
src=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
"$src/scripts/make-registry" --demo "$root"
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
export PATH="$root/bin:$PATH" HOME="$root/home"
export XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" XDG_CACHE_HOME="$root/cache"
export XDG_STATE_HOME="$root/state" XDG_CONFIG_DIRS="$root/system-config"
export XDG_DATA_DIRS="$root/system-data" GIO_USE_VFS=local GSETTINGS_BACKEND=memory
unset XDG_CURRENT_DESKTOP QUARVE_DEV

passed=0
failed=0
skipped=0

# The program's own command list, which an older quarve does not have.
has_command_list() {
    quarve --list-commands >/dev/null 2>&1
}

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

skip() {
    skipped=$((skipped + 1))
    echo "skipped $1: quarve has no --list-commands"
}

finish() {
    echo "$passed passed, $failed failed, $skipped skipped"
    [[ $failed -eq 0 ]]
}
