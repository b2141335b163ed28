#!/usr/bin/env bash
# Mods: `mods deploy` of a patch changing 10% of one pack's entries against
# `cp --reflink=never` of its data file; `mods status` and `mods restore`
# (renames and stamps only, whatever the size); peak memory of each, and the
# extra disk a deployment takes. Runs interleave, every run is printed,
# medians are compared.
#
#   bench/mods.sh [RUNS] [ENTRIES] [MIB]     defaults: 5 runs, 12000 entries, 540 MiB
#
# Goals: deploy ≤ 1.0 × cp; status and restore ≤ 0.05 s; peak memory under
# 32 MiB; the extra disk is the new pack alone (vanilla is never copied).
set -euo pipefail
source "$(dirname "$0")/common.sh"
runs=${1:-5}
entries=${2:-12000}
mib=${3:-540}
work=$(mktemp -d "${TMPDIR:-/var/tmp}/packwright-mods.XXXXXX")
trap 'rm -rf "$work"' EXIT

bench_build packwright-cli
echo "Making a pack of $entries entries, about $mib MiB, and a patch of 10% of them ..." >&2
python3 "$root/bench/game_pack.py" "$work" "$entries" "$mib" 24 --modded
"$cli" diff --quiet --output "$work/mod.pwpatch" "$work/game/GAME.fat" "$work/mod/GAME.fat"
size=$(stat -c %s "$work/game/GAME.mix")
disk() { du -sk "$work/game" | cut -f1; }
before_kb=$(disk)

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for ((i = 1; i <= runs; i++)); do
  echo "run $i of $runs" >&2
  timed deploy "$cli" mods deploy --quiet --game "$work/game" "$work/mod.pwpatch"
  cmp -s "$work/game/GAME.mix" "$work/mod/GAME.mix" || { echo "deploy did not give the modded pack" >&2; exit 1; }
  deployed_kb=$(disk)
  timed status "$cli" mods status --game "$work/game"
  timed restore "$cli" mods restore --quiet --game "$work/game"
  timed cp cp --reflink=never "$work/game/GAME.mix" "$work/cp$i.mix"
  rm -f "$work/cp$i.mix"
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

echo
echo "Pack: $entries entries, $(awk -v s="$size" 'BEGIN {printf "%.1f", s / 1048576}') MiB data file, 10% of its entries patched."
echo
echo "| task | packwright-cli | goal | met | peak memory |"
echo "|---|---|---|---|---|"
c=$(col cp 1)
for t in deploy status restore; do
  a=$(col "$t" 1); m=$(peak "$t")
  awk -v t="$t" -v a="$a" -v c="$c" -v m="$m" 'BEGIN {
    if (t == "deploy") { g = sprintf("≤ 1.0 × cp (%.2f s): %.2f ×", c, a / c); ok = a <= c }
    else { g = "≤ 0.05 s"; ok = a <= 0.05 }
    printf "| mods %s | %.2f s | %s | %s | %.1f MiB |\n", t, a, g, (ok ? "yes" : "no"), m / 1024 }'
done
echo
echo "- deploy: $(runs_of deploy); cp: $(runs_of cp)"
echo "- status: $(runs_of status); restore: $(runs_of restore)"
echo "- game folder: $before_kb KiB before, $deployed_kb KiB deployed (extra $((deployed_kb - before_kb)) KiB; the data file is $((size / 1024)) KiB)"
echo "- load average (1, 5, 15 min): before $load_before; after $load_after"
