#!/usr/bin/env bash
# What --sync costs: packwright-cli extract and insert with and without it,
# alternately (plain, sync, plain, sync ...), each run into a fresh folder.
#
#   bench/sync.sh [RUNS]       RUNS pairs of runs each (default 5)
#
# BENCH_DIR (default /var/tmp/packwright-bench) holds the data that
# bench/make_data.py makes (made here when missing; SCALE, default 1,
# shrinks it). Prints a table of medians and every run.
set -euo pipefail
runs=${1:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
data=${BENCH_DIR:-/var/tmp/packwright-bench}
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S "$root" -B "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DPACKWRIGHT_GUI=OFF -DPACKWRIGHT_BENCH=ON >/dev/null
cmake --build "$root/build/bench" -j"$jobs" --target packwright-cli >/dev/null
cli="$root/build/bench/cli/packwright-cli"

if [[ ! -f "$data/insert.log" ]]; then
  echo "Making the benchmark data in $data ..." >&2
  rm -rf "$data" && mkdir -p "$data"
  python3 "$root/bench/make_data.py" "$data" --scale "${SCALE:-1}" >&2
fi
work="$data/sync-$(date +%Y%m%d-%H%M%S)-$$"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

# timed NAME CMD... : runs CMD once after a sync, appends its seconds to $work/NAME.times
timed() {
  local name=$1; shift
  sync
  /usr/bin/time -f '%e' -o "$work/$name.last" "$@" >/dev/null
  cat "$work/$name.last" >>"$work/$name.times"
}

cat "$data/pack/GAME.mix" "$data/pack/GAME.fat" >/dev/null
for ((i = 1; i <= runs; i++)); do
  echo "pair $i of $runs" >&2
  timed extract "$cli" extract --quiet --target "$work/x-$i" "$data/pack/GAME.fat"
  timed extract-sync "$cli" extract --quiet --sync --target "$work/xs-$i" "$data/pack/GAME.fat"
  timed insert "$cli" insert --quiet --target "$work/i-$i" "$data/insert.log"
  timed insert-sync "$cli" insert --quiet --sync --target "$work/is-$i" "$data/insert.log"
done
cmp "$work/i-1/GAME.mix" "$work/is-1/GAME.mix" || { echo "--sync changed the pack" >&2; exit 1; }

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
row() {
  local a b
  a=$(median <"$work/$1.times"); b=$(median <"$work/$1-sync.times")
  awk -v w="$2" -v a="$a" -v b="$b" 'BEGIN { printf "| %s | %.2f s | %.2f s | %.2f |\n", w, a, b, (a > 0 ? b / a : 0) }'
}
mib=$(du -m "$data/pack/GAME.mix" | cut -f1)
echo
echo "What --sync costs, medians of $runs runs, $mib MiB pack, $(df -T "$data" | awk 'NR==2 {print $2}'):"
echo
echo "| command | without --sync | with --sync | ratio |"
echo "|---|---|---|---|"
row extract "extract (every entry, then result.log)"
row insert "insert (rebuild, 10% edited)"
runs_of() { awk '{printf "%s%.2f", (NR > 1 ? " " : ""), $1}' "$work/$1.times"; }
echo
echo "Every run, in seconds, in the order run:"
echo
for name in extract insert; do
  echo "- $name: without --sync $(runs_of "$name"); with --sync $(runs_of "$name-sync")"
done
