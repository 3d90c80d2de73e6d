#!/usr/bin/env bash
# The Debian package, the manual page and every shell script pass the checks a distribution
# runs on them: lintian, mandoc -Tlint and shellcheck. Any error or warning fails.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
passed=0

# Packaged from the build as it stands, into a folder of its own so that a `make package`
# beside the test is not disturbed.
if ! cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "cpack failed"
    exit 1
fi
debs=("$work"/quarve_*.deb)
[ -f "${debs[0]}" ] || { echo "cpack made no package"; exit 1; }
# lintian warns on stderr that it runs as root; only its findings on stdout count.
if findings=$(lintian --fail-on error,warning "${debs[0]}" 2>/dev/null) && [ -z "$findings" ]; then
    passed=$((passed + 1))
else
    echo "lintian: ${findings:-failed}"
    fail=1
fi

findings=$(mandoc -Tlint "$src/docs/quarve.1" 2>&1) || true
if [ -z "$findings" ]; then
    passed=$((passed + 1))
else
    echo "$findings"
    fail=1
fi

# Every shell script of the tree: by name, or by a bash or sh first line.
scripts=()
while IFS= read -r -d '' f; do
    case $f in
    *.sh | *.bash) scripts+=("$f") ;;
    *) head -n 1 "$f" | grep -Eq '^#!.*([/ ]bash|/sh)( |$)' && scripts+=("$f") ;;
    esac
done < <(find "$src" \( -name '.git' -o -name 'build*' -o -name '.cache' \) -prune -o -type f -print0)
if [ ${#scripts[@]} -lt 5 ]; then
    echo "found only ${#scripts[@]} shell scripts: ${scripts[*]}"
    fail=1
elif shellcheck -x "${scripts[@]}"; then
    passed=$((passed + 1))
else
    fail=1
fi

echo "$passed passed, $((3 - passed)) failed"
exit $fail
