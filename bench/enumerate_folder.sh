#!/usr/bin/env bash
# Lists a folder of 100,000 files through Fennick's file-system service and with find, in
# alternating runs, and prints the median times and their ratio (ours / find). Goal: <= 1.3.
# Usage: bench/enumerate_folder.sh BUILD_DIR [RUNS]
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR [RUNS]}
runs=${2:-7}
folder=${TMPDIR:-/tmp}/fennick-bench-100k
if [ ! -f "$folder/.complete" ]; then
  rm -rf "$folder" && mkdir -p "$folder"
  (cd "$folder" && seq -f 'file-%06g.txt' 1 100000 | xargs touch && touch .complete)
fi
ours=("$build/bench/enumerate_folder" "$folder")
peer=(find "$folder" -maxdepth 1 -printf '%y %s %T@\n')
"${ours[@]}" >/dev/null; "${peer[@]}" >/dev/null   # warm the caches

now() { date +%s%N; }
declare -a ours_ns peer_ns
for ((i = 0; i < runs; i++)); do
  start=$(now); "${ours[@]}" >/dev/null; ours_ns+=($(( $(now) - start )))
  start=$(now); "${peer[@]}" >/dev/null; peer_ns+=($(( $(now) - start )))
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
m_ours=$(median "${ours_ns[@]}"); m_peer=$(median "${peer_ns[@]}")
awk -v o="$m_ours" -v p="$m_peer" 'BEGIN {
  printf "enumerate 100,000 entries: fennick %.1f ms, find %.1f ms, ratio %.2f (goal <= 1.3)\n", o/1e6, p/1e6, o/p }'
