#!/usr/bin/env bash
# Installs the build into a temporary prefix and reads the manual page as a user would, with
# man: it must be found by name, render without a single warning, and describe every option
# that fennick --help prints, so that the page cannot fall behind the program.
# Usage: tests/man_page_check.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
# man may read the page as a user of its own.
chmod 755 "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

rendered="$prefix/page.txt"
warnings="$prefix/warnings.txt"
if ! MANWIDTH=80 MANPAGER=cat MANOPT= LC_ALL=C.UTF-8 \
    man --warnings -E ascii -M "$prefix/share/man" 1 fennick >"$rendered" 2>"$warnings" \
    || [ -s "$warnings" ]; then
    echo "man cannot show the installed page, or warns about it:" >&2
    cat "$warnings" >&2
    exit 1
fi

# The options the page describes: the tags of the OPTIONS section, such as "--root DIR" or
# "--help, -h", one option a line.
described=$(awk '/^[A-Z]/ { in_options = ($0 == "OPTIONS") } in_options && /^       -/' "$rendered" \
    | sed -E 's/^ +//; s/, /\n/g')
# The options --help prints: the first column of its indented lines, split the same way.
offered=$("$prefix/bin/fennick" --help | grep -E '^ +-' | sed -E 's/^ +//; s/  .*//; s/, /\n/g')
test -n "$offered"

missing=0
while IFS= read -r option; do
    if ! grep -qxF -- "$option" <<<"$described"; then
        echo "fennick --help offers '$option', which the manual page does not describe" >&2
        missing=1
    fi
done <<<"$offered"
test "$missing" -eq 0
echo "the manual page renders without warnings and describes every option"
