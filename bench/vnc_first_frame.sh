#!/usr/bin/env bash
# Times fennick --vnc from its start to the first frame with the window that a VNC viewer on
# this machine gets (goal: about a second at most), and from SIGTERM to its end, against the
# same program on Qt's own vnc platform, in alternating runs over a small root folder.
# Usage: bench/vnc_first_frame.sh BUILD_DIR [RUNS]
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR [RUNS]}
runs=${2:-5}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/Documents/Letters" "$root/Music"
touch "$root/Documents/report.pdf" "$root/notes.txt"
"$build/bench/vnc_first_frame" "$build/src/fennick" "$root" "$runs"
