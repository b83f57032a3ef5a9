#!/usr/bin/env bash
# Holds the down arrow through a 10,000-file folder in the real main window and reports how
# often the status line was computed and the longest stall of the event loop.
# Usage: bench/hold_arrow.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR}
root=${TMPDIR:-/tmp}/fennick-bench-hold
if [ ! -f "$root/big/.complete" ]; then
  rm -rf "$root" && mkdir -p "$root/big"
  (cd "$root/big" && seq -f 'file-%05g.txt' 1 10000 | xargs touch && touch .complete)
fi
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
"$build/bench/hold_arrow" "$root"
