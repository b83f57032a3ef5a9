#!/usr/bin/env bash
# Pastes (copies) a tree of 10,000 files, 1 GB in all, through Fennick's paste and with cp -r,
# then deletes the copies through Fennick's delete and with rm -rf, in alternating runs, and
# prints the median times and the ratios (goals: copy <= 1.0, delete <= 1.1).
# Usage: bench/paste_tree.sh BUILD_DIR [RUNS] [FILES] [KB_PER_FILE]
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR [RUNS] [FILES] [KB_PER_FILE]}
runs=${2:-3}; files=${3:-10000}; kb=${4:-100}
root=${TMPDIR:-/tmp}/fennick-bench-paste
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
if [ ! -f "$root/src/.complete-$files-$kb" ]; then
  rm -rf "$root" && mkdir -p "$root/src"
  head -c "$((kb * 1024))" /dev/urandom > "$root/one"
  for ((d = 0; d < files / 100; d++)); do
    mkdir -p "$root/src/d$d"
    for ((f = 0; f < 100; f++)); do cp "$root/one" "$root/src/d$d/f$f"; done
  done
  touch "$root/src/.complete-$files-$kb"
fi
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
now() { date +%s%N; }
declare -a oc pc od pd
for ((i = 0; i < runs; i++)); do
  sync
  start=$(now); "$build/bench/paste_tree" "$root" copy src ours >/dev/null; oc+=($(( $(now) - start )))
  sync
  start=$(now); cp -r "$root/src" "$root/peer"; pc+=($(( $(now) - start )))
  sync
  start=$(now); "$build/bench/paste_tree" "$root" delete ours >/dev/null; od+=($(( $(now) - start )))
  start=$(now); rm -rf "$root/peer"; pd+=($(( $(now) - start )))
done
awk -v a="$(median "${oc[@]}")" -v b="$(median "${pc[@]}")" -v c="$(median "${od[@]}")" -v d="$(median "${pd[@]}")" \
  -v n="$files" -v k="$kb" 'BEGIN {
  printf "paste %d files of %d KB: fennick %.0f ms, cp -r %.0f ms, ratio %.2f (goal <= 1.0)\n", n, k, a/1e6, b/1e6, a/b
  printf "delete them: fennick %.0f ms, rm -rf %.0f ms, ratio %.2f (goal <= 1.1)\n", c/1e6, d/1e6, c/d }'
