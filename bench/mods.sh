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
# 32 MiB; the extra disk is the new pack and the store's copy of the patch
# (vanilla is never copied).
# A deploy returns when its packs are on the disk (its commit syncs them);
# `cp` returns when its copy is in memory, the disk written later. So each
# run also times a cp that syncs its copies (`sync -d`), the same work.
#
#   bench/mods.sh many [MODS] [PACKS] [ENTRIES] [MIB]    defaults: 200 mods, 30 packs, 5000 entries, 68 MiB each
#
# Deploy of MODS patches across PACKS packs (each mod replaces 3 entries of
# one pack) against `cp --reflink=never` of the data files it rewrites;
# goal ≤ 1.0 × cp, peak memory under 64 MiB.
#
#   bench/mods.sh history [DEPLOYMENTS]       default: 1000
#
# `mods history` and `mods bisect status` with DEPLOYMENTS recorded (two
# small mods deployed by turns); goal ≤ 0.05 s each, and the store holds
# each patch once.
set -euo pipefail
source "$(dirname "$0")/common.sh"
# timed_cp_synced FILE...: times, as cp_synced, a copy of the files into a
# fresh folder that syncs the copies, then removes the copies.
timed_cp_synced() {
  mkdir -p "$work/cp"
  timed cp_synced bash -c 'd=$1; shift; cp --reflink=never "$@" "$d/" && sync -d "$d"/*' _ "$work/cp" "$@"
  rm -rf "$work/cp"
}
# synced_row TASK DEPLOY CP_SYNCED: the table's row of the deploy against the synced cp.
synced_row() {
  awk -v t="$1" -v a="$2" -v s="$3" 'BEGIN {
    printf "| %s | %.2f s | ≤ 1.0 × cp, synced (%.2f s): %.2f × | %s | |\n", t, a, s, a / s, (a <= s ? "yes" : "no") }'
}

if [[ ${1:-} == many || ${1:-} == history ]]; then
  mode=$1
  shift
  work=$(mktemp -d "${TMPDIR:-/var/tmp}/packwright-mods.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  bench_build packwright-cli
  if [[ $mode == history ]]; then
    n=${1:-1000}
    python3 "$root/bench/game_pack.py" "$work" 20 0.1 3 >/dev/null
    for k in 1 2; do
      head -c 3000 /dev/urandom >"$work/e$k.dat"
      "$cli" replace --quiet --patch "$work/m$k.pwpatch" --title "mod $k" "$work/game/GAME.fat" "$k=$work/e$k.dat"
    done
    echo "Recording $n deployments ..." >&2
    load_before=$(cut -d' ' -f1-3 /proc/loadavg)
    for ((i = 1; i <= n; i++)); do
      "$cli" mods deploy --quiet --game "$work/game" "$work/m$(((i % 2) + 1)).pwpatch" "$work/m$((2 - (i % 2))).pwpatch"
    done
    for i in 1 2 3 4 5; do
      timed history "$cli" mods history --game "$work/game"
      timed bisect "$cli" mods bisect status --game "$work/game"
    done
    echo "| task | packwright-cli | goal | met | peak memory |"
    echo "|---|---|---|---|---|"
    for t in history bisect; do
      awk -v t="$t" -v a="$(col "$t" 1)" -v m="$(peak "$t")" 'BEGIN {
        printf "| mods %s | %.3f s | ≤ 0.05 s | %s | %.1f MiB |\n", (t == "bisect" ? "bisect status" : t), a, (a <= 0.05 ? "yes" : "no"), m / 1024 }'
    done
    echo
    echo "- $n deployments recorded: $(ls "$work/game/.packwright/history" | wc -l) records, $(ls "$work/game/.packwright/store" | wc -l) stored patches"
    echo "- history: $(runs_of history); bisect status: $(runs_of bisect)"
    echo "- load average (1, 5, 15 min): before $load_before; after $(cut -d' ' -f1-3 /proc/loadavg)"
    exit 0
  fi
  mods=${1:-200}; packs=${2:-30}; entries=${3:-5000}; mib=${4:-68}
  mkdir -p "$work/all"
  echo "Making $packs packs of $entries entries, $mib MiB each, and $mods mods ..." >&2
  for ((p = 1; p <= packs; p++)); do
    python3 "$root/bench/game_pack.py" "$work/p$p" "$entries" "$mib" "$p" >/dev/null
    mv "$work/p$p/game/GAME.fat" "$work/all/P$p.fat"
    mv "$work/p$p/game/GAME.mix" "$work/all/P$p.mix"
    rm -rf "$work/p$p"
  done
  for ((m = 0; m < mods; m++)); do
    p=$(((m % packs) + 1)); e=$(((m / packs) * 3))
    pairs=()
    for k in 0 1 2; do
      head -c $((20000 + m * 7 + k)) /dev/urandom >"$work/m$m-$k.dat"
      pairs+=("$((e + k))=$work/m$m-$k.dat")
    done
    "$cli" replace --quiet --patch "$work/m$m.pwpatch" --title "mod $m" "$work/all/P$p.fat" "${pairs[@]}"
    rm -f "$work"/m$m-*.dat
  done
  size_kb=$(du -ck "$work"/all/*.mix | tail -1 | cut -f1)
  load_before=$(cut -d' ' -f1-3 /proc/loadavg)
  for i in 1 2 3; do
    echo "run $i of 3" >&2
    timed deploy "$cli" mods deploy --quiet --game "$work/all" "$work"/m*.pwpatch
    timed restore "$cli" mods restore --quiet --game "$work/all"
    mkdir -p "$work/cp"
    timed cp cp --reflink=never "$work"/all/*.mix "$work/cp/"
    rm -rf "$work/cp"
    timed_cp_synced "$work"/all/*.mix
  done
  a=$(col deploy 1); c=$(col cp 1); s=$(col cp_synced 1)
  echo "| task | packwright-cli | goal | met | peak memory |"
  echo "|---|---|---|---|---|"
  awk -v a="$a" -v c="$c" -v m="$(peak deploy)" 'BEGIN {
    printf "| mods deploy, many | %.2f s | ≤ 1.0 × cp (%.2f s): %.2f × | %s | %.1f MiB |\n", a, c, a / c, (a <= c ? "yes" : "no"), m / 1024 }'
  synced_row "mods deploy, many" "$a" "$s"
  echo
  echo "- $mods mods across $packs packs of $entries entries; data files $((size_kb / 1024)) MiB in all"
  echo "- deploy: $(runs_of deploy); cp: $(runs_of cp); cp, synced: $(runs_of cp_synced); restore: $(runs_of restore)"
  echo "- load average (1, 5, 15 min): before $load_before; after $(cut -d' ' -f1-3 /proc/loadavg)"
  exit 0
fi
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
  timed_cp_synced "$work/game/GAME.mix"
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

echo
echo "Pack: $entries entries, $(awk -v s="$size" 'BEGIN {printf "%.1f", s / 1048576}') MiB data file, 10% of its entries patched."
echo
echo "| task | packwright-cli | goal | met | peak memory |"
echo "|---|---|---|---|---|"
c=$(col cp 1); s=$(col cp_synced 1)
for t in deploy status restore; do
  a=$(col "$t" 1); m=$(peak "$t")
  awk -v t="$t" -v a="$a" -v c="$c" -v m="$m" 'BEGIN {
    if (t == "deploy") { g = sprintf("≤ 1.0 × cp (%.2f s): %.2f ×", c, a / c); ok = a <= c }
    else { g = "≤ 0.05 s"; ok = a <= 0.05 }
    printf "| mods %s | %.2f s | %s | %s | %.1f MiB |\n", t, a, g, (ok ? "yes" : "no"), m / 1024 }'
  if [[ $t == deploy ]]; then synced_row "mods deploy" "$a" "$s"; fi
done
echo
echo "- deploy: $(runs_of deploy); cp: $(runs_of cp); cp, synced: $(runs_of cp_synced)"
echo "- status: $(runs_of status); restore: $(runs_of restore)"
echo "- game folder: $before_kb KiB before, $deployed_kb KiB deployed (extra $((deployed_kb - before_kb)) KiB; the data file is $((size / 1024)) KiB, the patch $(($(stat -c %s "$work/mod.pwpatch") / 1024)) KiB)"
echo "- load average (1, 5, 15 min): before $load_before; after $load_after"
