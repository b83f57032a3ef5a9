#!/usr/bin/env bash
# Packs a mixed 1 GB tree (many small text files, some large compressible and incompressible
# files) into a ZIP archive at level 5 with Fennick's packing and with Info-ZIP's zip -r -5 -q,
# in alternating runs; prints the medians and the ratio (goal <= 0.6, using both cores), and
# Fennick's peak memory. Both sides do the same work on the same tree (the dialogs that start
# it in the program are not built yet).
# Then unpacks Info-ZIP's archive of the tree with Fennick's unpacking, with libarchive's
# bsdtar -xf (goal <= 1.0) and with unzip -q, and last packs and unpacks the tree in the real
# window with "Zip selection..." and "Unzip here" while bench/zip_stall measures the longest
# stall of its event loop, five times (goal <= 16 ms in every run, the idle window's own
# figure beside it).
# Usage: bench/zip_tree.sh BUILD_DIR [RUNS] [SMALL_FILES]
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR [RUNS] [SMALL_FILES]}
runs=${2:-3}; small=${3:-20000}
base=${TMPDIR:-/tmp}/fennick-bench-zip
if [ ! -f "$base/.root-complete-$small" ]; then
  rm -rf "$base" && mkdir -p "$base/root/corpus/text" "$base/root/corpus/big"
  for ((i = 0; i < small; i++)); do
    printf 'line %d of a small text file, repeated to look like prose.\n%.0s' $(seq 1 40) > "$base/root/corpus/text/t$i.txt"
  done
  seq 1 40000000 > "$base/root/corpus/big/numbers.txt"                      # compressible, ~300 MB
  head -c $((300 * 1024 * 1024)) /dev/urandom > "$base/root/corpus/big/random.bin"   # incompressible
  touch "$base/.root-complete-$small"
fi
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
# The lowest and highest ratio of two lists taken pair by pair (one run's pair): "MIN-MAX".
ratios() {  # A... -- B...
  local -a a b; while [ "$1" != -- ]; do a+=("$1"); shift; done; shift; b=("$@")
  for ((k = 0; k < ${#a[@]}; k++)); do awk -v x="${a[k]}" -v y="${b[k]}" 'BEGIN {printf "%.2f\n", x / y}'; done |
    sort -n | awk 'NR == 1 {lo = $1} {hi = $1} END {printf "%s-%s", lo, hi}'
}
now() { date +%s%N; }
declare -a ours peer
for ((i = 0; i < runs; i++)); do
  rm -f "$base/root/ours.zip" "$base/peer.zip"; sync
  start=$(now); line=$("$build/bench/zip_tree" "$base/root" corpus ours.zip); ours+=($(( $(now) - start )))
  start=$(now); (cd "$base/root" && zip -r -5 -q ../peer.zip corpus); peer+=($(( $(now) - start )))
done
unzip -tq "$base/root/ours.zip" >/dev/null
awk -v o="$(median "${ours[@]}")" -v p="$(median "${peer[@]}")" -v l="$line" -v r="$(ratios "${ours[@]}" -- "${peer[@]}")" 'BEGIN {
  printf "zip level 5: fennick %.0f ms, zip -r -5 %.0f ms, ratio %.2f (runs %s; goal <= 0.6, on a shared machine too); %s\n", o/1e6, p/1e6, o/p, r, l }'
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
ls -l "$base/root/ours.zip" "$base/peer.zip" | awk '{print $5, $9}'

declare -a ourx peerx tarx
for ((i = 0; i < runs; i++)); do
  rm -rf "$base/x1" "$base/x2" "$base/x3" && mkdir -p "$base/x1" "$base/x2" "$base/x3"; sync
  start=$(now); "$build/bench/unzip_tree" "$base/peer.zip" "$base/x1" >/dev/null; ourx+=($(( $(now) - start )))
  start=$(now); (cd "$base/x3" && bsdtar -xf "$base/peer.zip"); tarx+=($(( $(now) - start )))
  start=$(now); unzip -q "$base/peer.zip" -d "$base/x2"; peerx+=($(( $(now) - start )))
done
diff -r "$base/x1" "$base/x2" >/dev/null
diff -r "$base/x1" "$base/x3" >/dev/null
awk -v o="$(median "${ourx[@]}")" -v t="$(median "${tarx[@]}")" -v p="$(median "${peerx[@]}")" -v r="$(ratios "${ourx[@]}" -- "${tarx[@]}")" 'BEGIN {
  printf "unzip: fennick %.0f ms, bsdtar -xf %.0f ms, ratio %.2f (runs %s; goal <= 1.0); unzip -q %.0f ms, ratio %.2f\n", o/1e6, t/1e6, o/t, r, p/1e6, o/p }'
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
rm -rf "$base/x1" "$base/x2" "$base/x3"

# The root holds the tree and one file: the window packs its first item beside the second.
rm -rf "$base/root/ours.zip" "$base/root/New archive.zip" "$base/root/New archive"
echo here > "$base/root/here.txt"
for ((i = 0; i < 5; i++)); do
  "$build/bench/zip_stall" "$base/root"
  rm -rf "$base/root/New archive.zip" "$base/root/New archive"
done
