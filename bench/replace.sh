#!/usr/bin/env bash
# Replacing a few entries without an extraction: `replace --target` of 10
# entries of a pack against `cp --reflink=never` of its data file, and
# `replace --patch` of the same entries against `gzip -6` of the replaced
# files (the compression the patch cannot do without). Runs interleave,
# every run is printed, medians are compared, with the machine's load.
#
#   bench/replace.sh [RUNS] [ENTRIES] [MIB]     defaults: 5 runs, 12000 entries, 540 MiB
#
# Goals: a new pack ≤ 1.0 × cp; a patch ≤ 0.05 s plus the compression.
set -euo pipefail
source "$(dirname "$0")/common.sh"
runs=${1:-5}
entries=${2:-12000}
mib=${3:-540}
work=$(mktemp -d "${TMPDIR:-/var/tmp}/packwright-replace.XXXXXX")
trap 'rm -rf "$work"' EXIT

bench_build packwright-cli
echo "Making a pack of $entries entries, about $mib MiB, and 10 edited files ..." >&2
python3 "$root/bench/game_pack.py" "$work" "$entries" "$mib" 23 --edits 10
mapfile -t pairs <"$work/pairs"
size=$(stat -c %s "$work/game/GAME.mix")

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for ((i = 1; i <= runs; i++)); do
  echo "pair $i of $runs" >&2
  timed pack "$cli" replace --quiet --target "$work/out$i" "$work/game/GAME.fat" "${pairs[@]}"
  timed cp cp --reflink=never "$work/game/GAME.mix" "$work/cp$i.mix"
  timed patch "$cli" replace --quiet --patch "$work/p$i.pwpatch" "$work/game/GAME.fat" "${pairs[@]}"
  timed gzip sh -c "cat '$work'/edit/* | gzip -6 >/dev/null"
  rm -rf "$work/out$i" "$work/cp$i.mix" "$work/p$i.pwpatch"
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

echo
echo "Pack: $entries entries, $(awk -v s="$size" 'BEGIN {printf "%.1f", s / 1048576}') MiB data file, 10 entries replaced."
echo
pack=$(col pack 1); cp=$(col cp 1); patch=$(col patch 1); gz=$(col gzip 1)
echo "| task | packwright-cli | baseline | goal | met | peak memory |"
echo "|---|---|---|---|---|---|"
awk -v a="$pack" -v b="$cp" -v m="$(peak pack)" 'BEGIN {
  printf "| new pack vs `cp --reflink=never` of the data file | %.2f s | %.2f s | ≤ 1.0 × (%.2f) | %s | %.1f MiB |\n",
    a, b, (b > 0 ? a / b : 0), (a <= b ? "yes" : "no"), m / 1024 }'
awk -v a="$patch" -v b="$gz" -v m="$(peak patch)" 'BEGIN {
  printf "| patch vs `gzip -6` of the replaced files | %.2f s | %.2f s | ≤ + 0.05 s (%+.2f s) | %s | %.1f MiB |\n",
    a, b, a - b, (a <= b + 0.05 ? "yes" : "no"), m / 1024 }'
echo
echo "- new pack: $(runs_of pack); cp: $(runs_of cp)"
echo "- patch: $(runs_of patch); gzip: $(runs_of gzip)"
echo "- load average (1, 5, 15 min): before $load_before; after $load_after"
