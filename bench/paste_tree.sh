#!/usr/bin/env bash
# Times what a user waits for when pasting and deleting, as whole processes in alternating
# runs: Fennick started by a keypad script that selects a folder, copies (or cuts) it and
# pastes it, against the peer doing the same work (cp -r; cp -r + sync + rm -rf for a move
# across file systems; rm -rf for a delete). Prints the medians, the ratio of the medians and
# the lowest and highest ratio of one run's pair, in wall time, and for the delete in CPU time
# (user + system) too.
#   tree   100 folders of 100 files of 100 KB (1 GB)   goal: copy <= 1.0 x cp -r, delete CPU <= 1.0 x rm -rf
#   flat   10,000 and 20,000 files of 1 KB in one folder: <= 1.2 x cp -r, growing linearly
#   deep   chains 400 and 800 folders deep, a file in each: linear in depth
#   move   the tree cut onto a tmpfs (needs root to mount one): <= 1.3 x cp -r + sync + rm -rf
# With the tree, bench/paste_stall also prints the longest stall of the window while the paste
# and the delete run, in each of 5 runs, beside the idle window's own (goal <= 16 ms in every run).
# Fennick's figure is what the user waits for after the last key: each keypad script is also
# run without its last key (answering No to the delete question), and the difference of the
# two whole runs is the paste's or the delete's. The start, the listing of the folders and the
# status line's 300 ms delays are in neither figure: the status bar is hidden (HideStatus),
# so it waits for nothing. The raw runs are printed too.
# Usage: bench/paste_tree.sh BUILD_DIR [RUNS] [CASES...]   (CASES: tree flat deep move; default all)
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR [RUNS] [CASES...]}
runs=${2:-3}
shift $(( $# >= 2 ? 2 : 1 ))
cases=("$@"); [ ${#cases[@]} -gt 0 ] || cases=(tree flat deep move)
base=${TMPDIR:-/tmp}/fennick-bench-paste
fennick=$(realpath "$build/src/fennick")
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work
trap 'mountpoint -q "$base/ram" && umount "$base/ram"; rm -rf "$work"' EXIT
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
now() { date +%s%N; }
ms() { awk -v n="$1" 'BEGIN {printf "%.0f", n / 1e6}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

# The keypad scripts. At start the first item, a_src, is current; b_dst is the second.
printf 'wait idle\nkey * 2 Down\nwait idle\nkey 3\nwait idle 3600\n' > "$work/copy.keys"
printf 'wait idle\nkey * 2 Down\nwait idle\n' > "$work/copy-base.keys"
printf 'wait idle\nkey * 1 Down\nwait idle\nkey 3\nwait idle 3600\n' > "$work/cut.keys"
printf 'wait idle\nkey * 1 Down\nwait idle\n' > "$work/cut-base.keys"
delete='wait idle\nkey Down Enter Down\nwait idle\nkey F1\nchoose Delete\nchoose Current file/folder...\nwait idle\n'
printf "${delete}key F1\nwait idle 3600\n" > "$work/delete.keys"
printf "${delete}key F2\nwait idle\n" > "$work/delete-base.keys"
printf 'key F1\nchoose Quit\n' > "$work/quit.keys"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Corvane\\Fennick]\n"HideStatus"=dword:00000001\n' > "$work/settings.reg"
"$fennick" --registry "$work/r.db" --import-registry "$work/settings.reg"
play() {  # ROOT SCRIPT
  "$fennick" --root "$1" --registry "$work/r.db" --play "$work/$2" >/dev/null
}

# Makes ROOT/a_src once (by a marker) and an empty ROOT/b_dst.
make_tree() {  # ROOT FOLDERS FILES KB
  [ -f "$1/.complete" ] && return
  rm -rf "$1" && mkdir -p "$1/a_src" "$1/b_dst"
  head -c "$(($4 * 1024))" /dev/urandom > "$work/one"
  for ((d = 0; d < $2; d++)); do
    mkdir -p "$1/a_src/d$d"
    for ((f = 0; f < $3; f++)); do cp "$work/one" "$1/a_src/d$d/f$f"; done
  done
  touch "$1/.complete"
}
make_flat() {  # ROOT FILES
  [ -f "$1/.complete" ] && return
  rm -rf "$1" && mkdir -p "$1/a_src" "$1/b_dst"
  head -c 1024 /dev/urandom > "$work/one"
  (cd "$1/a_src" && for ((f = 0; f < $2; f++)); do echo "$f" > "f$f"; done)
  touch "$1/.complete"
}
make_deep() {  # ROOT DEPTH
  [ -f "$1/.complete" ] && return
  rm -rf "$1" && mkdir -p "$1/a_src" "$1/b_dst"
  (cd "$1/a_src" && for ((d = 0; d < $2; d++)); do mkdir l && cd l && echo "$d" > f; done)
  touch "$1/.complete"
}

# The time of a whole run of a script; its CPU time (user + system, in ns) goes to $work/cpu.
timed() {  # ROOT SCRIPT
  local start=$(now); cputime play "$1" "$2"; echo $(( $(now) - start ))
}
# Runs a command; its CPU time (user + system of it and its children, in ns) goes to $work/cpu.
cputime() {
  local TIMEFORMAT='%3U %3S'
  { time "$@" 2>/dev/null; } 2>"$work/cpu.raw"
  awk '{printf "%.0f\n", ($1 + $2) * 1e9}' "$work/cpu.raw" > "$work/cpu"
}
cpu() { cat "$work/cpu"; }
# The lowest and highest ratio of two lists taken pair by pair: "MIN-MAX".
ratios() {  # A... -- B...
  local -a a b; while [ "$1" != -- ]; do a+=("$1"); shift; done; shift; b=("$@")
  for ((k = 0; k < ${#a[@]}; k++)); do ratio "${a[k]}" "${b[k]}"; echo; done | sort -n | awk 'NR == 1 {lo = $1} {hi = $1} END {printf "%s-%s", lo, hi}'
}

# Copy and delete of ROOT/a_src, ours against the peer; prints one line for each, with the
# goals of the case.
copy_and_delete() {  # LABEL ROOT COPY_GOAL DELETE_CPU_GOAL
  local -a oc pc od pd rc rd ocpu pcpu
  for ((i = 0; i < runs; i++)); do
    sync
    local base=$(timed "$2" copy-base.keys) start basecpu
    rc+=($(timed "$2" copy.keys)); oc+=($(( rc[-1] - base )))
    [ -d "$2/b_dst/a_src" ] || { echo "$1: the paste made nothing" >&2; exit 1; }
    sync
    start=$(now); cp -r "$2/a_src" "$2/peer"; pc+=($(( $(now) - start )))
    sync
    base=$(timed "$2" delete-base.keys); basecpu=$(cpu)
    rd+=($(timed "$2" delete.keys)); od+=($(( rd[-1] - base ))); ocpu+=($(( $(cpu) - basecpu )))
    [ ! -e "$2/b_dst/a_src" ] || { echo "$1: the delete left the copy" >&2; exit 1; }
    start=$(now); cputime rm -rf "$2/peer"; pd+=($(( $(now) - start ))); pcpu+=($(cpu))
  done
  local a=$(median "${oc[@]}") b=$(median "${pc[@]}") c=$(median "${od[@]}") d=$(median "${pd[@]}")
  local e=$(median "${ocpu[@]}") f=$(median "${pcpu[@]}")
  echo "$1 copy:   fennick $(ms "$a") ms (whole run $(ms "$(median "${rc[@]}")") ms), cp -r $(ms "$b") ms, ratio $(ratio "$a" "$b") (runs $(ratios "${oc[@]}" -- "${pc[@]}")); goal: $3"
  echo "$1 delete: fennick $(ms "$c") ms (whole run $(ms "$(median "${rd[@]}")") ms), rm -rf $(ms "$d") ms, ratio $(ratio "$c" "$d") (runs $(ratios "${od[@]}" -- "${pd[@]}"))"
  echo "$1 delete CPU: fennick $(ms "$e") ms, rm -rf $(ms "$f") ms, ratio $(ratio "$e" "$f") (runs $(ratios "${ocpu[@]}" -- "${pcpu[@]}")); goal: $4"
}

declare -a st
for ((i = 0; i < runs; i++)); do start=$(now); play "$work" quit.keys; st+=($(( $(now) - start ))); done
echo "fennick start and quit alone: $(ms "$(median "${st[@]}")") ms"

for case in "${cases[@]}"; do
  case $case in
    tree)
      make_tree "$base/tree" 100 100 100
      copy_and_delete "tree 10,000 x 100 KB" "$base/tree" "<= 1.0 x cp -r" "<= 1.0 x rm -rf"
      echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
      "$build/bench/paste_stall" "$base/tree" ;;
    flat)
      for n in 10000 20000; do make_flat "$base/flat$n" "$n"; copy_and_delete "flat $n x 1 KB" "$base/flat$n" "<= 1.2 x cp -r, growing linearly" "none"; done ;;
    deep)
      for n in 400 800; do make_deep "$base/deep$n" "$n"; copy_and_delete "deep $n" "$base/deep$n" "linear in depth" "linear in depth"; done ;;
    move)
      if [ "$(id -u)" -ne 0 ]; then echo "move: needs root to mount a tmpfs; skipped"; continue; fi
      make_tree "$base/movetree" 20 100 100   # 200 MB
      mkdir -p "$base/ram" && mount -t tmpfs -o size=1g tmpfs "$base/ram"
      mkdir -p "$base/ram/b_dst"
      # Fennick's root holds a_src and a link b_dst to the tmpfs folder: a place to paste into.
      mkdir -p "$base/moveroot" && rm -f "$base/moveroot/b_dst" && ln -s "$base/ram/b_dst" "$base/moveroot/b_dst"
      declare -a om pm
      for ((i = 0; i < runs; i++)); do
        mv "$base/movetree/a_src" "$base/moveroot/a_src"; sync
        cutbase=$(timed "$base/moveroot" cut-base.keys)
        om+=($(( $(timed "$base/moveroot" cut.keys) - cutbase )))
        [ ! -e "$base/moveroot/a_src" ] && [ -d "$base/ram/b_dst/a_src" ] || { echo "move: not moved" >&2; exit 1; }
        cp -r "$base/ram/b_dst/a_src" "$base/movetree/a_src"; rm -rf "$base/ram/b_dst/a_src"; sync
        start=$(now); cp -r "$base/movetree/a_src" "$base/ram/peer" && sync && rm -rf "$base/movetree/a_src"; pm+=($(( $(now) - start )))
        cp -r "$base/ram/peer" "$base/movetree/a_src"; rm -rf "$base/ram/peer"; sync
      done
      a=$(median "${om[@]}"); b=$(median "${pm[@]}")
      echo "move 2,000 x 100 KB across file systems: fennick $(ms "$a") ms, cp -r + sync + rm -rf $(ms "$b") ms, ratio $(ratio "$a" "$b")"
      umount "$base/ram" ;;
  esac
done
