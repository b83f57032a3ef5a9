#!/usr/bin/env bash
# Expands a folder of 100,000 files in the real tree and lists it with find, in alternating
# runs; prints the median times, their ratio (goal <= 2.0) and the bytes each item costs.
# Then times a start of fennick to its first frame and back (goal <= 150 ms) and its
# resident memory at rest (goal <= 60 MB).
# Usage: bench/expand_folder.sh BUILD_DIR [RUNS]
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR [RUNS]}
runs=${2:-5}
parent=${TMPDIR:-/tmp}/fennick-bench-tree
folder=$parent/big
if [ ! -f "$folder/.complete" ]; then
  rm -rf "$parent" && mkdir -p "$folder"
  (cd "$folder" && seq -f 'file-%06g.txt' 1 100000 | xargs touch && touch .complete)
fi
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
now() { date +%s%N; }

declare -a ours peer bytes
for ((i = 0; i < runs; i++)); do
  line=$("$build/bench/expand_folder" "$parent" big)
  ours+=($(awk '{print $4 * 1e6}' <<<"$line")); bytes+=($(awk '{print $6}' <<<"$line"))
  start=$(now); find "$folder" -maxdepth 1 -printf '%y %s %T@\n' >/dev/null; peer+=($(( $(now) - start )))
done
m_ours=$(median "${ours[@]}"); m_peer=$(median "${peer[@]}"); m_bytes=$(median "${bytes[@]}")
awk -v o="$m_ours" -v p="$m_peer" -v b="$m_bytes" 'BEGIN {
  printf "expand 100,000 entries: fennick %.1f ms, find %.1f ms, ratio %.2f (goal <= 2.0), %d bytes per item\n", o/1e6, p/1e6, o/p, b }'

# Start to first frame: a script that quits at once, so the whole run is start, one frame
# and the way out.
work=$(mktemp -d)
printf 'key F1\nchoose Quit\n' > "$work/quit.keys"
declare -a starts rss
for ((i = 0; i < runs; i++)); do
  start=$(now)
  XDG_RUNTIME_DIR=$work /usr/bin/time -f '%M' -o "$work/rss" "$build/src/fennick" --root "$parent" \
    --registry "$work/r.db" --play "$work/quit.keys" >/dev/null
  starts+=($(( $(now) - start ))); rss+=($(cat "$work/rss"))
done
awk -v s="$(median "${starts[@]}")" -v r="$(median "${rss[@]}")" 'BEGIN {
  printf "start, first frame and quit: %.1f ms (goal <= 150), peak resident memory %.1f MB (goal <= 60)\n", s/1e6, r/1024 }'
rm -rf "$work"
