#!/usr/bin/env bash
# Expands a big folder as the user sees it: the whole program, started by a keypad script that
# opens the folder and ends once its first entry is on the screen, against the whole
# `find DIR -maxdepth 1 -printf` process over the same folder, in alternating runs. For 10,000,
# 100,000 and 300,000 entries it prints the median times and their ratio (goal <= 2.0), how
# the cost grows from 100,000 to 300,000 entries (linear is 3.0), and the peak resident memory
# of the program that expanded them (goal <= 60 MB for 100,000). A second figure waits on until
# the status line is settled too, which includes the 300 ms the selection must rest first.
# Then times a start of fennick to its first frame and back (goal <= 150 ms).
# Usage: bench/expand_folder.sh BUILD_DIR [RUNS]
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR [RUNS]}
runs=${2:-5}
base=${TMPDIR:-/tmp}/fennick-bench-expand
sizes=(10000 100000 300000)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work

# Each size gets a root of its own holding the one folder "big", which is the first and only
# top-level item: the script's Enter opens it.
for n in "${sizes[@]}"; do
  folder=$base/$n/big
  if [ ! -f "$base/$n/.complete" ]; then
    rm -rf "$base/$n" && mkdir -p "$folder"
    (cd "$folder" && seq -f 'file-%06g.txt' 1 "$n" | xargs touch) && touch "$base/$n/.complete"
  fi
done
# Enter opens the folder; the expect reads the screen, so the entry has been laid out and drawn.
printf 'key Enter\nexpect screen file-000001.txt\n' > "$work/expand.keys"
# `wait idle` returns when the status line and the folder's counts are shown as well.
printf 'key Enter\nwait idle 600\nexpect screen Files: \n' > "$work/settled.keys"

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
now() { date +%s%N; }
ours() {  # root [script]; leaves the peak resident kilobytes in $work/rss
  /usr/bin/time -f '%M' -o "$work/rss" "$build/src/fennick" --root "$1" --registry "$work/r.db" \
    --play "$work/${2:-expand}.keys" >/dev/null
}
peer() { find "$1/big" -maxdepth 1 -printf '%y %s %T@\n' >/dev/null; }

declare -A ours_ms peer_ms
for n in "${sizes[@]}"; do
  root=$base/$n
  ours "$root"; peer "$root"  # warm the caches
  declare -a o=() p=() r=() s=()
  for ((i = 0; i < runs; i++)); do
    start=$(now); ours "$root"; o+=($(( $(now) - start ))); r+=($(cat "$work/rss"))
    start=$(now); peer "$root"; p+=($(( $(now) - start )))
    start=$(now); ours "$root" settled; s+=($(( $(now) - start )))
  done
  ours_ms[$n]=$(median "${o[@]}"); peer_ms[$n]=$(median "${p[@]}")
  awk -v n="$n" -v o="${ours_ms[$n]}" -v p="${peer_ms[$n]}" -v r="$(median "${r[@]}")" -v s="$(median "${s[@]}")" 'BEGIN {
    printf "expand %7d entries: fennick %7.1f ms, find %6.1f ms, ratio %.2f (goal <= 2.0), peak resident %.1f MB%s; with the status line settled %.1f ms\n",
      n, o/1e6, p/1e6, o/p, r/1024, (n == 100000 ? " (goal <= 60)" : ""), s/1e6 }'
done
awk -v o1="${ours_ms[100000]}" -v o3="${ours_ms[300000]}" -v p1="${peer_ms[100000]}" -v p3="${peer_ms[300000]}" 'BEGIN {
  printf "300,000 against 100,000 entries: fennick %.2f times, find %.2f times (linear is 3.0)\n", o3/o1, p3/p1 }'

# Start to first frame: a script that quits at once, so the whole run is start, one frame
# and the way out.
printf 'key F1\nchoose Quit\n' > "$work/quit.keys"
declare -a starts
for ((i = 0; i < runs; i++)); do
  start=$(now)
  "$build/src/fennick" --root "$base/10000" --registry "$work/r.db" --play "$work/quit.keys" >/dev/null
  starts+=($(( $(now) - start )))
done
awk -v s="$(median "${starts[@]}")" 'BEGIN { printf "start, first frame and quit: %.1f ms (goal <= 150)\n", s/1e6 }'
