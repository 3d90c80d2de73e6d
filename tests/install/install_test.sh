#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks what lands there.
set -euo pipefail
build=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
DESTDIR="$dest" cmake --install "$build" --prefix /usr >/dev/null
fail=0
for f in usr/bin/quarve usr/share/man/man1/quarve.1.gz usr/share/applications/quarve.desktop \
    usr/share/bash-completion/completions/quarve usr/share/zsh/vendor-completions/_quarve \
    usr/share/fish/vendor_completions.d/quarve.fish usr/share/doc/quarve/copyright \
    usr/share/doc/quarve/changelog.Debian.gz usr/share/lintian/overrides/quarve; do
    [ -f "$dest/$f" ] || { echo "missing: $f"; fail=1; }
done
[ -x "$dest/usr/bin/quarve" ] || { echo "quarve is not executable"; fail=1; }
warnings=$(gzip -dc "$dest/usr/share/man/man1/quarve.1.gz" | groff -ww -z -man 2>&1)
[ -z "$warnings" ] || { echo "manual page warnings: $warnings"; fail=1; }
gzip -dc "$dest/usr/share/man/man1/quarve.1.gz" | grep -q 'QUARVE_DEV' || { echo "manual lacks QUARVE_DEV"; fail=1; }
desktop-file-validate "$dest/usr/share/applications/quarve.desktop" || fail=1
grep -qx 'Terminal=true' "$dest/usr/share/applications/quarve.desktop" || { echo "not a terminal entry"; fail=1; }
for f in usr/lib/systemd/user/quarve-pins.path usr/lib/systemd/user/quarve-pins.service; do
    [ -f "$dest/$f" ] || { echo "missing: $f"; fail=1; }
done
# The service runs the program where it was installed, not where it was staged.
grep -qx 'ExecStart=/usr/bin/quarve pins --restore --quiet' "$dest/usr/lib/systemd/user/quarve-pins.service" ||
    { echo "the service does not run /usr/bin/quarve"; fail=1; }
# systemd checks the units against the program they name, so they are checked in an install
# of their own under a real prefix.
if command -v systemd-analyze >/dev/null; then
    cmake --install "$build" --prefix "$dest/prefix" >/dev/null
    mkdir -m 700 "$dest/run"
    out=$(XDG_RUNTIME_DIR="$dest/run" systemd-analyze verify --user --man=no \
        "$dest"/prefix/lib/systemd/user/quarve-pins.{path,service} 2>&1) ||
        { echo "systemd-analyze verify failed: $out"; fail=1; }
    [ -z "$out" ] || { echo "systemd-analyze verify: $out"; fail=1; }
fi
[ $fail -eq 0 ] && echo "1 passed, 0 failed"
exit $fail
