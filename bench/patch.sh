#!/usr/bin/env bash
# Patches: `diff` of a game's pack and its modded copy against `cmp` of the
# data file with an identical copy (cmp stops at the first difference, so a
# whole comparison is the fair measure of reading both), and `apply` of the
# patch against `cp --reflink=never` of the data file; peak memory of each,
# and the patch's bytes per changed entry. Runs interleave, every run is
# printed, medians are compared.
#
#   bench/patch.sh [RUNS] [ENTRIES] [MIB]     defaults: 5 runs, 12000 entries, 540 MiB
#
# The pack is made here (fixed seed) with 10% of its entries changed in the
# modded copy; its data are half random, half a repeated pattern, so that
# they compress about 2:1. Goals: diff ≤ 1.0 × cmp, apply ≤ 1.0 × cp, apply's
# peak memory under 32 MiB.
set -euo pipefail
source "$(dirname "$0")/common.sh"
runs=${1:-5}
entries=${2:-12000}
mib=${3:-540}
work=$(mktemp -d "${TMPDIR:-/var/tmp}/packwright-patch.XXXXXX")
trap 'rm -rf "$work"' EXIT

bench_build packwright-cli
echo "Making a pack of $entries entries, about $mib MiB, and its modded copy ..." >&2
python3 "$root/bench/game_pack.py" "$work" "$entries" "$mib" 19 --modded
cp --reflink=never "$work/game/GAME.mix" "$work/copy.mix"
size=$(stat -c %s "$work/game/GAME.mix")

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for ((i = 1; i <= runs; i++)); do
  echo "pair $i of $runs" >&2
  timed diff "$cli" diff --quiet --output "$work/p$i.pwpatch" "$work/game/GAME.fat" "$work/mod/GAME.fat"
  timed cmp cmp "$work/game/GAME.mix" "$work/copy.mix"
  timed apply "$cli" apply --quiet --target "$work/out$i" --source "$work/game" "$work/p$i.pwpatch"
  timed cp cp --reflink=never "$work/game/GAME.mix" "$work/cp$i.mix"
  cmp -s "$work/out$i/GAME.mix" "$work/mod/GAME.mix" || { echo "apply did not give the modded pack" >&2; exit 1; }
  rm -rf "$work/out$i" "$work/cp$i.mix"
  ((i == 1)) || rm -f "$work/p$i.pwpatch"
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# The patch: its size, and what it holds besides the compressed data.
read -r changed stored patchsize < <("$cli" patch show --json "$work/p1.pwpatch" | python3 -c '
import json, sys
j = json.load(sys.stdin)
e = [x for p in j["packs"] for x in p["entries"]]
print(len(e), sum(x["storedSize"] for x in e), j["size"])')

echo
echo "Pack: $entries entries, $(awk -v s="$size" 'BEGIN {printf "%.1f", s / 1048576}') MiB data file, $changed entries changed."
echo
echo "| task | packwright-cli | baseline | ratio | goal | met | peak memory |"
echo "|---|---|---|---|---|---|---|"
row() { # NAME BASE LABEL GOAL
  local a b m
  a=$(col "$1" 1); b=$(col "$2" 1); m=$(peak "$1")
  awk -v a="$a" -v b="$b" -v m="$m" -v l="$3" -v g="$4" 'BEGIN {
    r = (b > 0 ? a / b : 0)
    printf "| %s | %.2f s | %.2f s | %.2f | ≤ %s | %s | %.1f MiB |\n", l, a, b, r, g, (r <= g ? "yes" : "no"), m / 1024 }'
}
row diff cmp "diff vs \`cmp\` of the data file with a copy" 1.0
row apply cp "apply vs \`cp --reflink=never\` of the data file" 1.0
echo
echo "- diff: $(runs_of diff); cmp: $(runs_of cmp)"
echo "- apply: $(runs_of apply); cp: $(runs_of cp)"
awk -v n="$changed" -v s="$stored" -v p="$patchsize" 'BEGIN {
  printf "- patch: %d bytes for %d changed entries: %d bytes of compressed data, %d bytes of header, manifest, table and checksum (%.1f bytes per entry), %.0f bytes per entry in all\n", p, n, s, p - s, (p - s) / n, p / n }'
echo "- apply peak memory: $(awk -v m="$(peak apply)" 'BEGIN {printf "%.1f", m / 1024}') MiB (goal: under 32 MiB)"
echo "- load average (1, 5, 15 min): before $load_before; after $load_after"
