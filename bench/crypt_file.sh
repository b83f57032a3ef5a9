#!/usr/bin/env bash
# Encrypts a file of random bytes into a ".crf" file and decrypts it back with Fennick's work
# (bench/crypt_file, the job without its dialogs) and with `openssl enc -des-ede3-cbc` on the
# same file and key, in alternating runs; prints the medians and Fennick's throughput as a
# part of openssl's (goal >= 0.95: the cipher is the limit), and Fennick's peak memory, which
# must not grow with the file. Fennick also puts its output on the disk before naming it;
# openssl does not. Checks that Fennick's data part is what openssl makes of the check text
# and the file.
# Usage: bench/crypt_file.sh BUILD_DIR [RUNS] [MEGABYTES]   (default 3 runs of 256 MB)
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR [RUNS] [MEGABYTES]}
runs=${2:-3}; megabytes=${3:-256}
base=${TMPDIR:-/tmp}/fennick-bench-crypt
tool="$build/bench/crypt_file"
mkdir -p "$base"
if [ ! -f "$base/.complete-$megabytes" ]; then
  rm -f "$base"/data.bin "$base"/.complete-*
  head -c $((megabytes * 1024 * 1024)) /dev/urandom > "$base/data.bin"
  touch "$base/.complete-$megabytes"
fi
key=$("$tool" key secret)
peer() { openssl enc "$@" -des-ede3-cbc -K "$key" -iv 0000000000000000; }
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
now() { date +%s%N; }
declare -a ours peers ourd peerd
for ((i = 0; i < runs; i++)); do
  rm -f "$base/ours.crf" "$base/peer.enc" "$base/ours.bin" "$base/peer.bin"; sync
  start=$(now); line=$("$tool" encrypt "$base" data.bin ours.crf secret); ours+=($(( $(now) - start )))
  start=$(now); peer -in "$base/data.bin" -out "$base/peer.enc"; peers+=($(( $(now) - start )))
  start=$(now); lined=$("$tool" decrypt "$base" ours.crf ours.bin secret); ourd+=($(( $(now) - start )))
  start=$(now); peer -d -in "$base/peer.enc" -out "$base/peer.bin"; peerd+=($(( $(now) - start )))
done
cmp "$base/ours.bin" "$base/data.bin"
# The header is 4 + 2 x 8 ("data.bin") + 4 bytes; the check block and the data follow.
{ printf 'corvane\0'; cat "$base/data.bin"; } | peer | cmp - <(tail -c +25 "$base/ours.crf")
awk -v o="$(median "${ours[@]}")" -v p="$(median "${peers[@]}")" -v l="$line" -v m="$megabytes" 'BEGIN {
  printf "encrypt %d MB: fennick %.0f ms, openssl enc %.0f ms, throughput %.2f of openssl'"'"'s (goal >= 0.95); %s\n", m, o/1e6, p/1e6, p/o, l }'
awk -v o="$(median "${ourd[@]}")" -v p="$(median "${peerd[@]}")" -v l="$lined" -v m="$megabytes" 'BEGIN {
  printf "decrypt %d MB: fennick %.0f ms, openssl enc -d %.0f ms, throughput %.2f of openssl'"'"'s (goal >= 0.95); %s\n", m, o/1e6, p/1e6, p/o, l }'
rm -f "$base/ours.crf" "$base/peer.enc" "$base/ours.bin" "$base/peer.bin"
