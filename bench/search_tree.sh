#!/usr/bin/env bash
# Searches a tree of 1,000 folders of 1,000 files (a million names, one in a thousand of them
# matching) for "*match*" with Fennick's results page, from Find to Done, and with
# `find ROOT -iname '*match*'`, in alternating runs on warm caches; prints the medians and their
# ratio (goal <= 1.0), and from Fennick's runs the median time until the first row is on the
# screen (goal <= 50 ms) and the longest stall of the window in each run (goal <= 16 ms in
# every run), also counted from the first row on, once the page is up.
# The tree is made once and kept for later runs. A smaller tree: FOLDERS and FILES per folder.
# Usage: bench/search_tree.sh BUILD_DIR [RUNS] [FOLDERS] [FILES]
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR [RUNS] [FOLDERS] [FILES]}
runs=${2:-5}; folders=${3:-1000}; files=${4:-1000}
root=${TMPDIR:-/tmp}/fennick-bench-search-${folders}x${files}
if [ ! -f "$root/.complete" ]; then
  rm -rf "$root" && mkdir -p "$root"
  echo "making $folders folders of $files files in $root (once)..." >&2
  for ((d = 0; d < folders; d++)); do
    mkdir "$root/d$d"
    (cd "$root/d$d" && seq -f 'f%07g.dat' 2 "$files" | xargs touch && touch "Match-$d.dat")
  done
  touch "$root/.complete"
fi
export QT_QPA_PLATFORM=offscreen
ours=("$build/bench/search_tree" "$root" '*match*')
peer=(find "$root" -iname '*match*')
expected=$("${peer[@]}" | wc -l)            # also warms the caches
"${ours[@]}" >/dev/null 2>&1

now() { date +%s%N; }
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
# The lowest and highest ratio of two lists taken pair by pair (one run's pair): "MIN-MAX".
ratios() {  # A... -- B...
  local -a a b; while [ "$1" != -- ]; do a+=("$1"); shift; done; shift; b=("$@")
  for ((k = 0; k < ${#a[@]}; k++)); do awk -v x="${a[k]}" -v y="${b[k]}" 'BEGIN {printf "%.2f\n", x / y}'; done |
    sort -n | awk 'NR == 1 {lo = $1} {hi = $1} END {printf "%s-%s", lo, hi}'
}
declare -a ours_ms first_ms stall_ms filling_ms peer_ns peer_ms
for ((i = 0; i < runs; i++)); do
  line=$("${ours[@]}" 2>/dev/null)
  read -r rows ms first stall filling < <(echo "$line" | awk '{gsub(/\(/, ""); print $2, $5, $12, $16, $18}')
  if [ "$rows" != "$expected" ]; then echo "fennick found $rows, find $expected" >&2; exit 1; fi
  ours_ms+=("$ms"); first_ms+=("$first"); stall_ms+=("$stall"); filling_ms+=("$filling")
  start=$(now); "${peer[@]}" >/dev/null; peer_ns+=($(( $(now) - start )))
  peer_ms+=("$(awk -v n="${peer_ns[-1]}" 'BEGIN {printf "%.1f", n / 1e6}')")
done
awk -v o="$(median "${ours_ms[@]}")" -v p="$(median "${peer_ns[@]}")" -v n="$expected" -v f="$folders" -v k="$files" -v r="$(ratios "${ours_ms[@]}" -- "${peer_ms[@]}")" 'BEGIN {
  printf "search %d folders of %d files for *match* (%d found): fennick %.0f ms, find -iname %.0f ms, ratio %.2f (runs %s; goal <= 1.0)\n", f, k, n, o, p/1e6, o/(p/1e6), r }'
worst=$(printf '%s\n' "${stall_ms[@]}" | sort -n | tail -1)
echo "first row on screen: $(median "${first_ms[@]}") ms (goal <= 50; runs: ${first_ms[*]}); longest stall: median $(median "${stall_ms[@]}") ms, worst $worst ms (goal <= 16 in every run; runs: ${stall_ms[*]}), $(median "${filling_ms[@]}") ms while the list filled"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
