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
python3 - "$work" "$entries" "$mib" <<'PY'
import os, random, struct, sys
work, n, mib = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
rng = random.Random(24)
mean = mib * 1024 * 1024 / n
def body(size):
    half = size // 2
    return rng.randbytes(half) + (b"PACKWRIGHT" * (size // 10 + 1))[: size - half]
def pack(folder, datas):
    os.makedirs(folder, exist_ok=True)
    index = struct.pack("<iI", len(datas), 0)
    with open(f"{folder}/GAME.mix", "wb") as mix:
        at = 0
        for k, d in enumerate(datas):
            index += (b"e%05d.dat" % k).ljust(16, b"\0") + struct.pack("<iiI", at // 2048, len(d), 0)
            pad = -len(d) % 2048
            mix.write(d + b"\0" * pad)
            at += len(d) + pad
    open(f"{folder}/GAME.fat", "wb").write(index)
datas = [body(max(0, int(rng.uniform(0.2, 1.8) * mean))) for _ in range(n)]
pack(f"{work}/game", datas)
for k in rng.sample(range(n), n // 10):
    datas[k] = body(max(0, int(len(datas[k]) * rng.uniform(0.5, 1.5))))
pack(f"{work}/mod", datas)
PY
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
