#!/usr/bin/env bash
# What --sync costs: packwright-cli extract and insert with and without it,
# alternately (plain, sync, plain, sync ...), each run into a fresh folder.
#
#   bench/sync.sh [RUNS]       RUNS pairs of runs each (default 5)
#
# BENCH_DIR (default /var/tmp/packwright-bench) holds the data that
# bench/make_data.py makes (made here when missing; BENCH_SCALE, or SCALE,
# shrinks it). Prints a table of medians and every run.
set -euo pipefail
runs=${1:-5}
source "$(dirname "$0")/common.sh"

bench_build packwright-cli
bench_data "${BENCH_SCALE:-${SCALE:-}}"
work="$data/sync-$(date +%Y%m%d-%H%M%S)-$$"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

cat "$data/pack/GAME.mix" "$data/pack/GAME.fat" >/dev/null
for ((i = 1; i <= runs; i++)); do
  echo "pair $i of $runs" >&2
  timed extract "$cli" extract --quiet --target "$work/x-$i" "$data/pack/GAME.fat"
  timed extract-sync "$cli" extract --quiet --sync --target "$work/xs-$i" "$data/pack/GAME.fat"
  timed insert "$cli" insert --quiet --target "$work/i-$i" "$data/insert.log"
  timed insert-sync "$cli" insert --quiet --sync --target "$work/is-$i" "$data/insert.log"
done
cmp "$work/i-1/GAME.mix" "$work/is-1/GAME.mix" || { echo "--sync changed the pack" >&2; exit 1; }

row() {
  local a b
  a=$(col "$1" 1); b=$(col "$1-sync" 1)
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
echo
echo "Every run, in seconds, in the order run:"
echo
for name in extract insert; do
  echo "- $name: without --sync $(runs_of "$name"); with --sync $(runs_of "$name-sync")"
done
