#!/usr/bin/env bash
# Starts Fennick, lets it draw its first frame and quits it (a keypad script that chooses Quit
# from the menu), against the least Qt Widgets program that shows one label and quits after
# its first frame, both on the offscreen platform, as whole processes in alternating runs.
# Prints both medians, their ratio pair by pair (median, min and max; goal <= 1.1) and the
# load average.
# Usage: bench/start_quit.sh BUILD_DIR [RUNS]
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR [RUNS]}
runs=${2:-11}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen
mkdir -p -m 700 "$XDG_RUNTIME_DIR"; mkdir -p "$XDG_CONFIG_HOME" "$work/root/Documents" "$work/root/My Pictures"
touch "$work/root/readme.txt" "$work/root/Documents/letter.doc" "$work/root/photo.jpg"
printf 'key F1\nchoose Quit\n' > "$work/quit.keys"

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ours() { "$build/src/fennick" --root "$work/root" --registry "$work/r.db" --play "$work/quit.keys" >/dev/null; }
peer() { "$build/bench/first_frame" >/dev/null; }

ours; peer  # warm the caches and make the registry
# Microseconds read by bash itself: a clock read through a process of its own (date) would add
# that process's start to every figure.
declare -a o=() p=() r=()
for ((i = 0; i < runs; i++)); do
  start=${EPOCHREALTIME/./}; ours; a=$(( ${EPOCHREALTIME/./} - start ))
  start=${EPOCHREALTIME/./}; peer; b=$(( ${EPOCHREALTIME/./} - start ))
  o+=("$a"); p+=("$b"); r+=("$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.3f", a / b }')")
done
sorted=($(printf '%s\n' "${r[@]}" | sort -g))
awk -v o="$(median "${o[@]}")" -v p="$(median "${p[@]}")" -v r="$(median "${r[@]}")" \
  -v lo="${sorted[0]}" -v hi="${sorted[-1]}" -v n="$runs" 'BEGIN {
  printf "start, first frame and quit over %d alternating runs: fennick %.1f ms, a Qt Widgets label %.1f ms (medians); ratio %.2f (min %.2f, max %.2f; goal <= 1.1)\n",
    n, o/1e3, p/1e3, r, lo, hi }'
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
