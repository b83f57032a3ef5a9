#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that the desktop can find Fennick as an
# opener of ZIP archives: the program, a valid desktop entry for application/zip, the icon.
# Usage: tests/install_check.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
entry="$prefix/share/applications/fennick.desktop"
test -x "$prefix/bin/fennick"
test -f "$prefix/share/icons/hicolor/scalable/apps/fennick.svg"
grep -qx 'MimeType=application/zip;' "$entry"
grep -qx 'Exec=fennick %f' "$entry"
desktop-file-validate "$entry"
echo "installed and valid"
