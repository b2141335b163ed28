#!/usr/bin/env bash
# Measures packwright-cli against the general tools a user would reach for
# instead, side by side, and prints a table of medians and ratios.
#
#   bench/run.sh [RUNS]        RUNS pairs of runs each (default 5)
#
# BENCH_DIR (default /var/tmp/packwright-bench) holds the generated data
# (about 2 GiB, made once) and every run's output (about 1.3 GiB a pair);
# each run writes into a fresh folder, and nothing is deleted until the end,
# so that no command runs right after a mass delete. The two commands of a
# pair alternate: A B A B ...
set -euo pipefail
runs=${1:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
data=${BENCH_DIR:-/var/tmp/packwright-bench}
jobs=$(nproc 2>/dev/null || echo 2)

BENCH=1 "$root/scripts/deps.sh"
cmake -S "$root" -B "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DPACKWRIGHT_GUI=OFF -DPACKWRIGHT_BENCH=ON >/dev/null
cmake --build "$root/build/bench" -j"$jobs" >/dev/null
cli="$root/build/bench/cli/packwright-cli"

if [[ ! -f "$data/insert.log" ]]; then
  echo "Making the benchmark data in $data ..." >&2
  rm -rf "$data" && mkdir -p "$data"
  python3 "$root/bench/make_data.py" "$data" >&2
fi
# A fresh folder for this measurement's output, removed only at the end.
work="$data/runs-$(date +%Y%m%d-%H%M%S)-$$"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

# timed NAME CMD... : runs CMD once after a sync, appends "seconds kilobytes"
# to $work/NAME.times
timed() {
  local name=$1; shift
  sync
  /usr/bin/time -f '%e %M' -o "$work/$name.last" "$@" >/dev/null
  cat "$work/$name.last" >>"$work/$name.times"
}

# Warm the page cache with the inputs, so both commands start alike.
cat "$data/pack/GAME.mix" "$data/pack/GAME.fat" "$data/entries.tar" >/dev/null
find "$data/scan" "$data/edits" >/dev/null

for ((i = 1; i <= runs; i++)); do
  echo "pair $i of $runs" >&2
  timed extract-pw "$cli" extract --quiet --target "$work/x-pw-$i" "$data/pack/GAME.fat"
  mkdir -p "$work/x-tar-$i"
  timed extract-tar tar -xf "$data/entries.tar" -C "$work/x-tar-$i"
  timed insert-pw "$cli" insert --quiet --target "$work/i-pw-$i" "$data/insert.log"
  mkdir -p "$work/i-cp-$i"
  timed insert-cp cp --reflink=never "$data/pack/GAME.mix" "$work/i-cp-$i/GAME.mix"
  timed scan-pw "$cli" scan --type fat "$data/scan"
  timed scan-find find "$data/scan" -iname '*.fat'
done

# The extracted files must be the tar's files, byte for byte.
diff -r "$work/x-pw-1/GAME" "$work/x-tar-1/GAME" >/dev/null || { echo "extraction differs from the tar" >&2; exit 1; }

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
col() { awk -v c="$2" '{print $c}' "$work/$1.times" | median; }
row() {
  local what=$1 a=$2 b=$3 target=$4
  local ta tb ma mb
  ta=$(col "$a" 1); tb=$(col "$b" 1); ma=$(col "$a" 2); mb=$(col "$b" 2)
  awk -v w="$what" -v ta="$ta" -v tb="$tb" -v ma="$ma" -v mb="$mb" -v t="$target" 'BEGIN {
    printf "| %s | %.2f s | %.2f s | %.2f | %s | %.1f MiB | %.1f MiB |\n", w, ta, tb, (tb > 0 ? ta / tb : 0), t, ma / 1024, mb / 1024 }'
}
echo
echo "Medians of $runs runs on $(nproc) cores, $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo), $(df -T "$data" | awk 'NR==2 {print $2}'):"
echo
echo "| task | packwright-cli | other tool | ratio | target | peak memory (packwright-cli) | peak memory (other) |"
echo "|---|---|---|---|---|---|---|"
row "extract 20,000 entries vs \`tar -xf\`" extract-pw extract-tar "≤ 0.5"
row "rebuild, 10% edited vs \`cp --reflink=never\`" insert-pw insert-cp "≤ 1.1"
row "scan 100,000 files vs \`find -iname\`" scan-pw scan-find "≤ 1.5"

# --- insert --verify against insert (bench/verify.sh) ---
source "$root/bench/verify.sh"
bench_verify
